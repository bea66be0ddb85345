// The progress dialog (1000) of a run, and the waits that keep it answering.
// Nothing is shown in silent mode.
#pragma once

#include <windows.h>

#include "context.h"

class ProgressDialog {
public:
    virtual ~ProgressDialog(); // closes the window when it is still open
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
