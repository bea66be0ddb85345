#include "dialogs.h"

#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine.h"
#include "texts.h"
#include "resources/resource.h"

static_assert(sizeof(LOGFONTA) == 60, "LOGFONT is 60 bytes");

namespace {

const UINT_PTR PROGRESS_TIMER = 1001;
const UINT PROGRESS_TIMER_MS = 250;
const int PROGRESS_TICK_LIMIT = 100;
const int PROGRESS_TICK_STEP = 5;
const unsigned UNRECOGNISED_LANGUAGE = 0x3CFF;
const int BUTTON_CAPTION_CHARS = 260;

// Progress dialog
HWND g_progressWindow;
HWND g_progressBar;
HFONT g_progressFont;
int g_progressTicks;
SetupContext *g_progressContext;

// Message dialog
HFONT g_messageFont;

// Language dialog
HFONT g_languageFont;
HICON g_languageIcon;
POINT g_languageIconAt;
int *g_chosenLanguage;

BYTE g_lastCharset = 255;

void setControlFont(HWND dialog, int id, HFONT font)
{
    if (font)
        SendDlgItemMessageA(dialog, id, WM_SETFONT, WPARAM(font), FALSE);
}

// A button's caption from the language section; empty when the key is missing.
void setCaptionFromKey(HWND dialog, int id, const char *key, HFONT font)
{
    HWND button = GetDlgItem(dialog, id);
    if (!button)
        return;
    char caption[BUTTON_CAPTION_CHARS];
    readLanguageKey(currentLanguage, key, caption, sizeof caption);
    SetWindowTextA(button, caption);
    setControlFont(dialog, id, font);
}

void deleteFont(HFONT &font)
{
    if (font)
        DeleteObject(font);
    font = nullptr;
}

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
        SetTimer(dialog, PROGRESS_TIMER, PROGRESS_TIMER_MS, nullptr);
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
            g_progressContext->mainTextControl = nullptr;
            g_progressContext->statusControl = nullptr;
        }
        g_progressContext = nullptr;
        g_progressWindow = nullptr;
        g_progressBar = nullptr;
        return FALSE;
    }
    return FALSE;
}

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
    case WM_DESTROY:
        deleteFont(g_messageFont);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK languageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        unsigned user = g_pfnUserDefaultLanguage();
        const int candidates[] = {int(user), int((user & 0x3FF) | 0x400), 1033};
        char title[127];
        bool found = false;
        for (int language : candidates) {
            if (readLanguageTitle(language, title, sizeof title)) {
                currentLanguage = language;
                found = true;
                break;
            }
        }
        if (!found) {
            EndDialog(dialog, -5);
            return TRUE;
        }
        SetWindowTextA(dialog, title);
        g_languageFont = createDialogFont(dialog);
        char prompt[260];
        readLanguageKey(currentLanguage, "Description", prompt, sizeof prompt);
        SetDlgItemTextA(dialog, IDC_LANGUAGE_PROMPT, prompt);
        setControlFont(dialog, IDC_LANGUAGE_PROMPT, g_languageFont);
        setCaptionFromKey(dialog, IDC_LANGUAGE_OK, "OK", g_languageFont);
        setCaptionFromKey(dialog, IDC_LANGUAGE_CANCEL, "CANCEL", g_languageFont);
        sizeLanguageButtons(dialog);

        HWND place = GetDlgItem(dialog, IDC_LANGUAGE_ICON_PLACE);
        if (place) {
            WINDOWPLACEMENT where = {};
            where.length = sizeof where;
            GetWindowPlacement(place, &where);
            g_languageIconAt.x = where.rcNormalPosition.left;
            g_languageIconAt.y = where.rcNormalPosition.top;
            DestroyWindow(place);
        }

        HWND combo = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
        if (!combo) {
            EndDialog(dialog, -3);
            return TRUE;
        }
        SendMessageA(combo, WM_SETFONT, WPARAM(g_languageFont), FALSE);
        if (!fillLanguageCombo(combo)) {
            EndDialog(dialog, -3);
            return TRUE;
        }
        if (SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0) {
            centreDialog(dialog, nullptr);
        } else {
            *g_chosenLanguage = currentLanguage;
            EndDialog(dialog, 1);
        }
        return TRUE;
    }
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(dialog, &paint);
        if (g_languageIcon)
            DrawIcon(dc, g_languageIconAt.x, g_languageIconAt.y, g_languageIcon);
        EndPaint(dialog, &paint);
        return TRUE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDC_LANGUAGE_OK || (id == IDC_LANGUAGE_LIST && HIWORD(wParam) == CBN_DBLCLK)) {
            HWND combo = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
            LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
            LRESULT data = selected == CB_ERR ? CB_ERR : SendMessageA(combo, CB_GETITEMDATA, WPARAM(selected), 0);
            if (data == CB_ERR) {
                EndDialog(dialog, 2);
            } else {
                *g_chosenLanguage = int(data);
                EndDialog(dialog, 1);
            }
        } else if (id == IDC_LANGUAGE_CANCEL) {
            EndDialog(dialog, 2);
        }
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(dialog, 2);
        return TRUE;
    case WM_DESTROY:
        deleteFont(g_languageFont);
        return FALSE;
    }
    return FALSE;
}

}  // namespace

// Progress dialog

ProgressDialog::~ProgressDialog()
{
    close();
}

void ProgressDialog::show(HINSTANCE instance, SetupContext *context)
{
    if (silentMode || g_progressWindow)
        return;
    CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, progressProc, LPARAM(context));
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

HWND ProgressDialog::window()
{
    return g_progressWindow;
}

int ProgressDialog::pump()
{
    if (silentMode)
        return 0;
    MSG message;
    while (!cancelRequested && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
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
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
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

// Message dialog

MessageDialog::MessageDialog(const char *message, int restartFlag) : restart(restartFlag)
{
    snprintf(text, sizeof text, "%s", message ? message : "");
}

int MessageDialog::run(HINSTANCE instance)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MESSAGE), nullptr, messageProc, LPARAM(this));
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

int showText(const char *text)
{
    return showMessage(text, 0);
}

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

// Language dialog

int runLanguageDialog(HINSTANCE instance, int dialogId, HICON icon, int *chosen)
{
    g_languageIcon = icon;
    g_chosenLanguage = chosen;
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(dialogId), nullptr, languageProc, 0);
    g_languageIcon = nullptr;
    return int(result);
}

BYTE languageCharset(int language)
{
    char codePage[20] = {0};
    if (GetLocaleInfoA(LCID(language), LOCALE_IDEFAULTANSICODEPAGE, codePage, sizeof codePage)) {
        CHARSETINFO info;
        UINT page = UINT(strtoul(codePage, nullptr, 10));
        if (TranslateCharsetInfo(reinterpret_cast<DWORD *>(UINT_PTR(page)), &info, TCI_SRCCODEPAGE))
            g_lastCharset = BYTE(info.ciCharset);
    }
    return g_lastCharset;
}

HFONT createDialogFont(HWND dialog)
{
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    LOGFONTA font;
    if (!current || GetObjectA(current, sizeof font, &font) != sizeof font)
        return nullptr;
    font.lfCharSet = languageCharset(currentLanguage);
    HFONT made = CreateFontIndirectA(&font);
    if (made)
        SendMessageA(dialog, WM_SETFONT, WPARAM(made), FALSE);
    return made;
}

bool fillLanguageCombo(HWND combo)
{
    char unrecognised[128] = {0};
    g_pfnLanguageName(UNRECOGNISED_LANGUAGE, unrecognised, sizeof unrecognised);

    uint32_t user = g_languages.userLanguage;
    uint32_t preferred;
    if (languageListed(user))
        preferred = user;
    else if (languageListed(user & 0x3FF))
        preferred = user & 0x3FF;
    else if ((preferred = bestPrimaryMatch(user & 0x3FF)) == 0)
        preferred = uint32_t(currentLanguage);

    char remembered[260] = {0};
    bool haveName = false;
    for (unsigned i = 0; i < g_languages.count; ++i) {
        uint32_t entry = g_languages.entries[i];
        unsigned language = entry & 0xFFFF;
        unsigned sub = language >> 10;
        char name[260] = {0};
        g_pfnLanguageName(language, name, sizeof name);
        if (lstrcmpiA(name, unrecognised) == 0 && language < 0x400) {
            name[0] = '\0';
            g_pfnLanguageName(language | 0x400, name, sizeof name);
            sub = 1;
        }
        if (lstrcmpiA(name, unrecognised) == 0) {
            unsigned code = (sub << 10) | (language & 0x3FF);
            if (code == 0x424)
                snprintf(name, sizeof name, "Slovenian");
            else if (code == 0x42D)
                snprintf(name, sizeof name, "Basque");
            else
                continue;
        }
        if (entry == preferred) {
            snprintf(remembered, sizeof remembered, "%s", name);
            haveName = true;
        }
        LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, LPARAM(name));
        if (index == CB_ERR || index == CB_ERRSPACE)
            return false;
        if (SendMessageA(combo, CB_SETITEMDATA, WPARAM(index), LPARAM(entry)) == CB_ERR)
            return false;
    }
    LRESULT select = haveName ? SendMessageA(combo, CB_FINDSTRING, 0, LPARAM(remembered)) : CB_ERR;
    SendMessageA(combo, CB_SETCURSEL, WPARAM(select == CB_ERR ? 0 : select), 0);
    return true;
}

void sizeLanguageButtons(HWND dialog)
{
    HWND ok = GetDlgItem(dialog, IDC_LANGUAGE_OK);
    HWND cancel = GetDlgItem(dialog, IDC_LANGUAGE_CANCEL);
    if (!ok || !cancel)
        return;
    char okText[128] = {0}, cancelText[128] = {0};
    GetWindowTextA(ok, okText, sizeof okText);
    GetWindowTextA(cancel, cancelText, sizeof cancelText);
    const char *caption = strlen(cancelText) > strlen(okText) ? cancelText : okText;

    // Measured with the font the button draws its caption in.
    HDC dc = GetDC(ok);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(ok, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SIZE text = {0, 0}, letter = {0, 0};
    GetTextExtentPoint32A(dc, caption, int(strlen(caption)), &text);
    GetTextExtentPoint32A(dc, "M", 1, &letter);
    if (previous)
        SelectObject(dc, previous);
    ReleaseDC(ok, dc);
    int w = text.cx + letter.cx;
    int h = text.cy;
    if (w == 0 || h == 0)
        return;

    RECT okRect, cancelRect;
    GetWindowRect(ok, &okRect);
    GetWindowRect(cancel, &cancelRect);
    int width = okRect.right - okRect.left;
    int height = okRect.bottom - okRect.top;
    int shift = 0;
    if (width < w) {
        shift = w - width + letter.cx;
        width = w + letter.cx;
    }
    if (height < h)
        height = h + 4;
    else if (shift == 0)
        return;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&okRect), 2);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT *>(&cancelRect), 2);
    MoveWindow(cancel, cancelRect.left - shift, cancelRect.top, width, height, TRUE);
    MoveWindow(ok, okRect.left - 2 * shift, okRect.top, width, height, TRUE);
}

void centreDialog(HWND dialog, HWND parent)
{
    RECT box;
    GetWindowRect(dialog, &box);
    int width = box.right - box.left;
    int height = box.bottom - box.top;
    int x, y;
    if (!parent) {
        x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    } else {
        RECT client;
        GetClientRect(parent, &client);
        POINT origin = {0, 0};
        ClientToScreen(parent, &origin);
        x = origin.x + (client.right - width) / 2;
        y = origin.y + (client.bottom - height) / 2;
    }
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}
