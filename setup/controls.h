// Pieces every dialog of the launcher uses: its font in the character set of the
// current language, button captions from the language's section, centring.
#pragma once

#include <windows.h>

// Character set of a language's default ANSI code page; the last one found, or
// 255, when the system cannot tell.
BYTE languageCharset(int language);
// The dialog's font with the character set of currentLanguage, set on the dialog.
HFONT createDialogFont(HWND dialog);
// Centres the window on the screen (no parent) or on the parent's client area.
void centreDialog(HWND dialog, HWND parent);
// Sets font (when there is one) on the dialog's control id.
void setControlFont(HWND dialog, int id, HFONT font);
// A button's caption from the language section; empty when the key is missing.
void setCaptionFromKey(HWND dialog, int id, const char *key, HFONT font);
// Deletes a font made by createDialogFont and forgets it.
void deleteFont(HFONT &font);
