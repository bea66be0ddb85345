// Full screen: the movie area covers the whole monitor the window is on, with no
// frame, menu or controls; the frame is fitted into it keeping its shape, with
// black bars. Double-click, Alt+Enter and F11 toggle it; Esc leaves it.
#pragma once

#include <windows.h>

bool IsFullScreen();
void ToggleFullScreen();
void LeaveFullScreen();
// The main window's menu bar, also while full screen has taken it off the window.
HMENU MainMenu();

// The largest rectangle of the frame's shape inside `area`, centred (the whole
// area when the frame has no size).
RECT FitKeepingShape(RECT area, long frameWidth, long frameHeight);

// In full screen: the movie area takes the whole client area.
void LayOutFullScreen(HWND window);

// Messages of the full screen: the mouse pointer hidden after 2 s without
// movement, the black movie area. True when the message was handled (*result
// is then the window procedure's result).
bool HandleFullScreenMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result);
