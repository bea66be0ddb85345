#include "language_dialog.h"

#include <string.h>

#include "context.h"
#include "controls.h"
#include "paths.h"
#include "texts.h"
#include "resources/resource.h"

namespace {

const unsigned UNRECOGNISED_LANGUAGE = 0x3CFF;

HFONT g_languageFont;
HICON g_languageIcon;
POINT g_languageIconAt;
int *g_chosenLanguage;

// The listed language that suits the user best: the user's own, its language
// without sublanguage, the best match of its primary language, else fallback.
uint32_t preferredLanguage(uint32_t user, uint32_t fallback)
{
    if (languageListed(user))
        return user;
    if (languageListed(user & 0x3FF))
        return user & 0x3FF;
    const uint32_t match = bestPrimaryMatch(user & 0x3FF);
    return match ? match : fallback;
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
            centreDialog(dialog, NULL);
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
    case WM_CLOSE: EndDialog(dialog, 2); return TRUE;
    case WM_DESTROY: deleteFont(g_languageFont); return FALSE;
    }
    return FALSE;
}

} // namespace

int runLanguageDialog(HINSTANCE instance, int dialogId, HICON icon, int *chosen)
{
    g_languageIcon = icon;
    g_chosenLanguage = chosen;
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(dialogId), NULL, languageProc, 0);
    g_languageIcon = NULL;
    return int(result);
}

bool fillLanguageCombo(HWND combo)
{
    char unrecognised[128] = {0};
    g_pfnLanguageName(UNRECOGNISED_LANGUAGE, unrecognised, sizeof unrecognised);

    uint32_t user = g_languages.userLanguage;
    const uint32_t preferred = preferredLanguage(user, uint32_t(currentLanguage));

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
    HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
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
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT *>(&okRect), 2);
    MapWindowPoints(NULL, dialog, reinterpret_cast<POINT *>(&cancelRect), 2);
    MoveWindow(cancel, cancelRect.left - shift, cancelRect.top, width, height, TRUE);
    MoveWindow(ok, okRect.left - 2 * shift, okRect.top, width, height, TRUE);
}

int resolveLanguage(HINSTANCE instance, int dialogId, int iconId, int *language, unsigned *count, int dialogAllowed,
                    const char *folder)
{
    char path[SETUP_TEXT_CHARS];
    if (!folder || !combinePath(folder, "Setup.INI", path, sizeof path))
        path[0] = '\0';
    SetSetupIniPath(path);

    unsigned languages = readLanguagesCount();
    if (languages == 0)
        return LANGUAGE_KEY_MISSING;
    *count = languages;

    int fallback = 0;
    if (!readDefaultLanguage(&fallback))
        return LANGUAGE_KEY_MISSING;
    *language = fallback;
    currentLanguage = fallback;
    if (languages == 1)
        return LANGUAGE_OK;

    unsigned user = g_pfnUserDefaultLanguage();
    g_languages.userLanguage = user;
    if (!dialogAllowed) {
        if (user == unsigned(fallback)) {
            *language = int(user);
            currentLanguage = int(user);
            return LANGUAGE_OK;
        }
        int read = readLanguageList(languages);
        if (read != LANGUAGE_OK)
            return read;
        const uint32_t pick = preferredLanguage(user, uint32_t(fallback));
        *language = int(pick);
        currentLanguage = int(pick);
        freeLanguageList();
        return LANGUAGE_OK;
    }

    int read = readLanguageList(languages);
    if (read != LANGUAGE_OK)
        return read;
    // Loaded as an icon of its own (not shared), so it can be destroyed afterwards.
    HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    int result = runLanguageDialog(instance, dialogId, icon, language);
    if (icon)
        DestroyIcon(icon);
    if (result == 1)
        result = LANGUAGE_OK;
    else if (result == 2)
        result = LANGUAGE_CANCELLED;
    freeLanguageList();
    currentLanguage = *language;
    return result;
}
