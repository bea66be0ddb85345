// The message dialog (1026) and the ways the launcher shows a message. Each
// message closes the progress dialog first. In silent mode nothing is shown and
// the result is 1.
#pragma once

#include <windows.h>

// Longest text a message dialog shows: a 299-character text with a path of up to
// 1024 characters filled in.
const int MESSAGE_TEXT_CHARS = 2048;

class MessageDialog {
public:
    MessageDialog(const char *text, int restart);
    virtual ~MessageDialog() {}
    // Runs dialog 1026 modally; returns 1.
    int run(HINSTANCE instance);

    char text[MESSAGE_TEXT_CHARS];
    int restart;
};

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
