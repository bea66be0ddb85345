#include "progress.h"

#include <commctrl.h>

#include "controls.h"
#include "texts.h"
#include "resources/resource.h"

namespace {

const UINT_PTR PROGRESS_TIMER = 1001;
const UINT PROGRESS_TIMER_MS = 250;
const int PROGRESS_TICK_LIMIT = 100;
const int PROGRESS_TICK_STEP = 5;

HWND g_progressWindow;
HWND g_progressBar;
HFONT g_progressFont;
int g_progressTicks;
SetupContext *g_progressContext;

INT_PTR CALLBACK progressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        g_progressWindow = dialog;
        g_progressContext = reinterpret_cast<SetupContext *>(lParam);
        g_progressFont = createDialogFont(dialog);
        char caption[256];
        LookupString(IDS_PROGRESS_CAPTION, caption, sizeof caption);
        SetWindowTextA(dialog, caption);
        g_progressTicks = 0;
        SetTimer(dialog, PROGRESS_TIMER, PROGRESS_TIMER_MS, NULL);
        g_progressBar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
        SendMessageA(g_progressBar, PBM_SETPOS, 0, 0);
        if (g_progressContext) {
            g_progressContext->mainTextControl = GetDlgItem(dialog, IDC_MAIN_TEXT);
            g_progressContext->statusControl = GetDlgItem(dialog, IDC_STATUS);
        }
        setCaptionFromKey(dialog, IDCANCEL, "CANCEL", g_progressFont);
        setCaptionFromKey(dialog, IDOK, "OK", g_progressFont);
        setControlFont(dialog, IDC_STATUS, g_progressFont);
        setControlFont(dialog, IDC_MAIN_TEXT, g_progressFont);
        return TRUE;
    }
    case WM_TIMER:
        if (wParam == PROGRESS_TIMER) {
            if (g_progressTicks < PROGRESS_TICK_LIMIT) {
                SendMessageA(g_progressBar, PBM_STEPIT, 0, 0);
                g_progressTicks += PROGRESS_TICK_STEP;
            }
            if (g_progressTicks >= PROGRESS_TICK_LIMIT) {
                KillTimer(dialog, PROGRESS_TIMER);
                g_progressTicks = 0;
            }
        }
        return TRUE;
    case WM_COMMAND:
        // Cancel, Enter and Escape all cancel the run.
        cancelRequested = 1;
        ProgressDialog::close();
        return TRUE;
    case WM_DESTROY:
        deleteFont(g_progressFont);
        if (g_progressContext) {
            g_progressContext->mainTextControl = NULL;
            g_progressContext->statusControl = NULL;
        }
        g_progressContext = NULL;
        g_progressWindow = NULL;
        g_progressBar = NULL;
        return FALSE;
    }
    return FALSE;
}

} // namespace

ProgressDialog::~ProgressDialog() { close(); }

void ProgressDialog::show(HINSTANCE instance, SetupContext *context)
{
    if (silentMode || g_progressWindow)
        return;
    CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), NULL, progressProc, LPARAM(context));
}

void ProgressDialog::hide()
{
    if (g_progressWindow)
        ShowWindow(g_progressWindow, SW_HIDE);
}

void ProgressDialog::close()
{
    if (!g_progressWindow)
        return;
    KillTimer(g_progressWindow, PROGRESS_TIMER);
    DestroyWindow(g_progressWindow);
}

HWND ProgressDialog::window() { return g_progressWindow; }

int ProgressDialog::pump()
{
    if (silentMode)
        return 0;
    MSG message;
    while (!cancelRequested && PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        if (g_progressWindow && IsDialogMessageA(g_progressWindow, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return cancelRequested;
}

int pauseFor(unsigned ms)
{
    if (silentMode)
        return 0;
    DWORD start = GetTickCount();
    for (;;) {
        if (ProgressDialog::pump())
            return 1;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= ms)
            return 0;
        // Sleep until the next message or the end of the pause.
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

void setStatusText(SetupContext *context, const char *text)
{
    if (context && context->statusControl && IsWindow(context->statusControl))
        SetWindowTextA(context->statusControl, text);
}

void setMainText(SetupContext *context, const char *text)
{
    if (context && context->mainTextControl && IsWindow(context->mainTextControl))
        SetWindowTextA(context->mainTextControl, text);
}
