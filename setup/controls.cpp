#include "controls.h"

#include <stdlib.h>

#include "context.h"
#include "texts.h"

static_assert(sizeof(LOGFONTA) == 60, "LOGFONT is 60 bytes");

namespace {

const int BUTTON_CAPTION_CHARS = 260;

BYTE g_lastCharset = 255;

} // namespace

void setControlFont(HWND dialog, int id, HFONT font)
{
    if (font)
        SendDlgItemMessageA(dialog, id, WM_SETFONT, WPARAM(font), FALSE);
}

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
    font = NULL;
}

BYTE languageCharset(int language)
{
    char codePage[20] = {0};
    if (GetLocaleInfoA(LCID(language), LOCALE_IDEFAULTANSICODEPAGE, codePage, sizeof codePage)) {
        CHARSETINFO info;
        UINT page = UINT(strtoul(codePage, NULL, 10));
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
        return NULL;
    font.lfCharSet = languageCharset(currentLanguage);
    HFONT made = CreateFontIndirectA(&font);
    if (made)
        SendMessageA(dialog, WM_SETFONT, WPARAM(made), FALSE);
    return made;
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
    SetWindowPos(dialog, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE);
}
