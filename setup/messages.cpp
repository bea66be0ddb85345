#include "messages.h"

#include <stdarg.h>
#include <stdio.h>

#include "context.h"
#include "controls.h"
#include "privileges.h"
#include "progress.h"
#include "texts.h"
#include "resources/resource.h"

namespace {

HFONT g_messageFont;

INT_PTR CALLBACK messageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        MessageDialog *box = reinterpret_cast<MessageDialog *>(lParam);
        g_messageFont = createDialogFont(dialog);
        char caption[260];
        LookupString(IDS_MESSAGE_CAPTION, caption, sizeof caption);
        SetWindowTextA(dialog, caption);
        SetDlgItemTextA(dialog, IDC_MESSAGE_TEXT, box->text);
        setControlFont(dialog, IDC_MESSAGE_TEXT, g_messageFont);
        if (box->restart) {
            ShowWindow(GetDlgItem(dialog, IDOK), SW_HIDE);
            char restart[SETUP_MESSAGE_CHARS];
            LookupString(IDS_RESTART, restart, sizeof restart);
            SetDlgItemTextA(dialog, IDC_RESTART, restart);
            setControlFont(dialog, IDC_RESTART, g_messageFont);
        } else {
            ShowWindow(GetDlgItem(dialog, IDC_RESTART), SW_HIDE);
            setCaptionFromKey(dialog, IDOK, "OK", g_messageFont);
        }
        return TRUE;
    }
    case WM_COMMAND:
        // Only the visible button (or Enter, which sends command 1) leaves; Escape does nothing.
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
        } else if (LOWORD(wParam) == IDC_RESTART) {
            g_pfnRestartSystem();
            EndDialog(dialog, 1);
        }
        return TRUE;
    case WM_DESTROY: deleteFont(g_messageFont); return FALSE;
    }
    return FALSE;
}

} // namespace

MessageDialog::MessageDialog(const char *message, int restartFlag) : restart(restartFlag)
{
    snprintf(text, sizeof text, "%s", message ? message : "");
}

int MessageDialog::run(HINSTANCE instance)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MESSAGE), NULL, messageProc, LPARAM(this));
    return 1;
}

int runMessageDialog(HINSTANCE instance, const char *text, int restart)
{
    MessageDialog box(text, restart);
    return box.run(instance);
}

MessageDialogFunction g_pfnMessageDialog = runMessageDialog;
RestartFunction g_pfnRestartSystem = restartSystem;

static int showMessage(const char *text, int restart)
{
    ProgressDialog::close();
    if (silentMode)
        return 1;
    return g_pfnMessageDialog(SetupInstance(), text, restart);
}

int showText(const char *text) { return showMessage(text, 0); }

int showTextId(int id)
{
    char text[SETUP_MESSAGE_CHARS];
    LookupString(id, text, sizeof text);
    return showText(text);
}

int showFormatted(int id, ...)
{
    char text[SETUP_MESSAGE_CHARS];
    LookupFormat(id, text, sizeof text);
    char format[SETUP_MESSAGE_CHARS + 16];
    snprintf(format, sizeof format, "%d: %s", id, text);
    char shown[MESSAGE_TEXT_CHARS];
    va_list arguments;
    va_start(arguments, id);
    vsnprintf(shown, sizeof shown, format, arguments);
    va_end(arguments);
    return showText(shown);
}

int showErrorCode(int code)
{
    char text[SETUP_MESSAGE_CHARS];
    if (LookupString(code, text, sizeof text) == 0 || !text[0])
        LookupString(IDS_ERROR_INTERNAL, text, sizeof text);
    char shown[MESSAGE_TEXT_CHARS];
    snprintf(shown, sizeof shown, "%d: %s", code, text);
    return showText(shown);
}

int showRestart(int id)
{
    char text[SETUP_MESSAGE_CHARS];
    LookupString(id, text, sizeof text);
    return showMessage(text, 1);
}
