// The launcher's three dialogs: progress (1000), message (1026) and language (3002).
// Nothing is shown in silent mode.
#pragma once

#include <windows.h>

#include "context.h"

// Longest text a message dialog shows: a 299-character text with a path of up to
// 1024 characters filled in.
const int MESSAGE_TEXT_CHARS = 2048;

class ProgressDialog {
public:
    virtual ~ProgressDialog();   // closes the window when it is still open
    // Creates dialog 1000 modeless and owner-less (not in silent mode).
    void show(HINSTANCE instance, SetupContext *context);
    void hide();
    // Stops the timer and destroys the window.
    static void close();
    // Dispatches waiting messages until the queue is empty or the user cancels.
    // Returns cancelRequested (always 0 in silent mode).
    static int pump();
    static HWND window();
};

// Pumps messages for ms milliseconds or until the user cancels; returns whether
// the user cancelled. Returns at once in silent mode.
int pauseFor(unsigned ms);

// Status line and main text of the progress dialog, while it exists.
void setStatusText(SetupContext *context, const char *text);
void setMainText(SetupContext *context, const char *text);

class MessageDialog {
public:
    MessageDialog(const char *text, int restart);
    virtual ~MessageDialog() {}
    // Runs dialog 1026 modally; returns 1.
    int run(HINSTANCE instance);

    char text[MESSAGE_TEXT_CHARS];
    int restart;
};

// Each message closes the progress dialog first. In silent mode nothing is shown
// and the result is 1.
int showText(const char *text);
int showTextId(int id);
// "%d: %s" of id and its text, used as a format for the arguments.
int showFormatted(int id, ...);
// "%d: %s" of code and its text, or of the text of 1156 when code has none.
int showErrorCode(int code);
// The text of id with the restart button instead of OK.
int showRestart(int id);

// Seams: how a message is shown, and what the restart button does.
typedef int (*MessageDialogFunction)(HINSTANCE instance, const char *text, int restart);
extern MessageDialogFunction g_pfnMessageDialog;
int runMessageDialog(HINSTANCE instance, const char *text, int restart);
typedef int (*RestartFunction)();
extern RestartFunction g_pfnRestartSystem;

// Runs the language dialog over g_languages; writes the chosen language. Returns
// 1 (chosen), 2 (cancelled), -3 (set-up failed) or -5 (no title found).
int runLanguageDialog(HINSTANCE instance, int dialogId, HICON icon, int *chosen);

// Pieces of the dialogs, also used by the tests.
// Character set of a language's default ANSI code page; the last one found, or
// 255, when the system cannot tell.
BYTE languageCharset(int language);
// The dialog's font with the character set of currentLanguage, set on the dialog.
HFONT createDialogFont(HWND dialog);
// Fills the language combo box from g_languages and selects the preferred entry.
bool fillLanguageCombo(HWND combo);
// Widens OK and Cancel of the language dialog to fit the longer caption.
void sizeLanguageButtons(HWND dialog);
// Centres the window on the screen (no parent) or on the parent's client area.
void centreDialog(HWND dialog, HWND parent);
