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

// Seeks of the keys and the mouse wheel, in stream units (100 ns).
const int64_t SHORT_SEEK = 5 * 10000000LL;
const int64_t LONG_SEEK = 60 * 10000000LL;

// Where a seek to `target` lands: on the movie's first frame at the latest
// before its start, on its last frame at the latest past its end.
int64_t ClampedSeekTime(int64_t target, int64_t totalTime, int64_t frameLength);

// Seeks `delta` from the frame on the screen (from the movie's start when
// fromStart) the way the slider does; a playing movie plays on from there.
void SeekFromHere(int64_t delta, bool fromStart);

// The mouse wheel over the movie area seeks 5 s a notch; true when the message
// was taken (it goes to the main loop before any control can take it).
bool HandleMouseWheel(const MSG &msg);

// Help viewers, replaceable by tests: HTML Help (hhctrl.ocx's HtmlHelpA) and WinHelp.
typedef HWND(WINAPI *HtmlHelpFunction)(HWND owner, const char *file, UINT command, DWORD_PTR data);
typedef BOOL(WINAPI *WinHelpFunction)(HWND owner, const char *file, UINT command, ULONG_PTR data);
extern HtmlHelpFunction g_pfnHtmlHelp;
extern WinHelpFunction g_pfnWinHelp;
const UINT HTML_HELP_DISPLAY_TOPIC = 0; // HtmlHelp's command to show the default topic

// Asks "Exit the Program?"; on Yes sends the destroy message to the main window.
void ConfirmExit(HWND owner);

// Smallest size the user can drag the main window to.
const int MIN_WINDOW_WIDTH = 320;
const int MIN_WINDOW_HEIGHT = 270;
