// The language dialog (3002) and the choice of the setup language, with the
// dialog or without it. Nothing is shown in silent mode.
#pragma once

#include <windows.h>

// Runs the language dialog over g_languages; writes the chosen language. Returns
// 1 (chosen), 2 (cancelled), -3 (set-up failed) or -5 (no title found).
int runLanguageDialog(HINSTANCE instance, int dialogId, HICON icon, int *chosen);

// Settles the language of the run from the Setup.INI in folder: its only
// language, the user's (without the dialog), or the one chosen in the dialog.
// Returns one of the LANGUAGE_ results of texts.h.
int resolveLanguage(HINSTANCE instance, int dialogId, int iconId, int *language, unsigned *count, int dialogAllowed,
                    const char *folder);

// Pieces of the dialog, also used by the tests.
// Fills the language combo box from g_languages and selects the preferred entry.
bool fillLanguageCombo(HWND combo);
// Widens OK and Cancel of the language dialog to fit the longer caption.
void sizeLanguageButtons(HWND dialog);
