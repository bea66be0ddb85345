// Stereo switches without the configuration panel: swap the eyes, step through
// the output formats and through the input codings of the playing movie. Each
// applies at once (the frame on the screen is drawn again), is logged and is
// shown for a moment in the window's title; only the panel's Save stores it.
#pragma once

#include <windows.h>

void SwapEyesCommand();
void NextOutputCommand();
void NextCodingCommand();

// The main window's title timer: puts the program's name back.
const UINT_PTR TITLE_TIMER = 1;
const UINT TITLE_SHOWN_MS = 2000;
void RestoreTitle(HWND window);
