// The main window: layout, commands, exit confirmation and the position slider.
#pragma once

#include <windows.h>

#include <stdint.h>

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void HandleCommand(HWND window, int commandId);
void HandleSize(HWND window, UINT sizeType);
void HandleMove();
void HandleClose(HWND window);
void HandleDestroy();
void HandleTrackBar(HWND trackbar);
void UpdateTrackbarPosition();

// The stream time a slider position (0..1000, per mille of the movie) seeks to;
// the division truncates first, so a movie under 1000 units always seeks to 0.
int64_t TrackbarSeekTime(int64_t totalTime, uint32_t dwPos);

// Asks "Exit the Program?"; on Yes sends the destroy message to the main window.
void ConfirmExit(HWND owner);

// Smallest size the user can drag the main window to.
const int MIN_WINDOW_WIDTH = 320;
const int MIN_WINDOW_HEIGHT = 270;
