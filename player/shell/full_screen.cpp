#include "shell/full_screen.h"

#include "diagnostics/log.h"
#include "engine/playback.h"
#include "engine/records.h"
#include "resource.h"

namespace {

const UINT_PTR POINTER_TIMER = 2;
const UINT POINTER_HIDES_AFTER_MS = 2000;
const int STRIP_CONTROLS[] = {IDC_PLAY, IDC_PAUSE, IDC_STOP, IDC_TRACKBAR};

struct FullScreenState {
    bool on = false;
    bool pointerHidden = false;
    LONG_PTR style = 0;
    HMENU menu = NULL;
    RECT window = {};
    bool maximized = false;
    LONG_PTR areaStyle = 0, areaExStyle = 0;
    RECT monitor = {};
    POINT lastPointer = {-1, -1};
} fullScreen;

// The frame's own shape: an MCF's output size, else the decoded frame's size.
void FrameShape(long *width, long *height)
{
    *width = movie.bMCF ? movie.mcfRect.right : movie.rect.right - movie.rect.left;
    *height = movie.bMCF ? movie.mcfRect.bottom : movie.rect.bottom - movie.rect.top;
}

// The engine's output rectangle in full screen: the frame fitted into the monitor.
void FitOutputRect(RECT *rect)
{
    long width, height;
    FrameShape(&width, &height);
    *rect = FitKeepingShape(fullScreen.monitor, width, height);
}

void ShowStripControls(HWND window, int show)
{
    for (int id : STRIP_CONTROLS)
        ShowWindow(GetDlgItem(window, id), show);
}

void ShowPointer()
{
    fullScreen.pointerHidden = false;
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    SetTimer(ghWnd, POINTER_TIMER, POINTER_HIDES_AFTER_MS, NULL);
}

void EnterFullScreen()
{
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(ghWnd, MONITOR_DEFAULTTONEAREST), &monitor))
        return;
    fullScreen.maximized = IsZoomed(ghWnd) != 0;
    if (fullScreen.maximized)
        ShowWindow(ghWnd, SW_RESTORE);
    GetWindowRect(ghWnd, &fullScreen.window);
    fullScreen.on = true;
    fullScreen.monitor = monitor.rcMonitor;
    fullScreen.style = GetWindowLongPtrA(ghWnd, GWL_STYLE);
    fullScreen.menu = GetMenu(ghWnd);
    g_pfnAdjustOutputRect = FitOutputRect;
    ShowStripControls(ghWnd, SW_HIDE);
    // The bars are black: the movie area becomes a plain static that the main
    // window paints black (a black-rectangle static takes the frame colour).
    HWND area = GetDlgItem(ghWnd, IDC_MOVIE_BACKGROUND);
    fullScreen.areaStyle = GetWindowLongPtrA(area, GWL_STYLE);
    fullScreen.areaExStyle = GetWindowLongPtrA(area, GWL_EXSTYLE);
    SetWindowLongPtrA(area, GWL_STYLE, fullScreen.areaStyle & ~(LONG_PTR)(SS_TYPEMASK | SS_SUNKEN));
    SetWindowLongPtrA(area, GWL_EXSTYLE, fullScreen.areaExStyle & ~(LONG_PTR)WS_EX_STATICEDGE);
    SetWindowPos(area, NULL, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    SetMenu(ghWnd, NULL);
    SetWindowLongPtrA(ghWnd, GWL_STYLE, (fullScreen.style & ~(LONG_PTR)WS_OVERLAPPEDWINDOW) | WS_POPUP);
    const RECT &m = fullScreen.monitor;
    SetWindowPos(ghWnd, HWND_TOP, m.left, m.top, m.right - m.left, m.bottom - m.top, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    ShowPointer();
    LogMessage("Full screen on\n");
}

} // namespace

HMENU MainMenu() { return IsFullScreen() ? fullScreen.menu : (ghWnd ? GetMenu(ghWnd) : NULL); }

bool IsFullScreen() { return fullScreen.on; }

void LeaveFullScreen()
{
    if (!fullScreen.on)
        return;
    fullScreen.on = false;
    g_pfnAdjustOutputRect = NULL;
    KillTimer(ghWnd, POINTER_TIMER);
    fullScreen.pointerHidden = false;
    SetCursor(LoadCursorA(NULL, IDC_ARROW));
    HWND area = GetDlgItem(ghWnd, IDC_MOVIE_BACKGROUND);
    SetWindowLongPtrA(area, GWL_STYLE, fullScreen.areaStyle);
    SetWindowLongPtrA(area, GWL_EXSTYLE, fullScreen.areaExStyle);
    SetWindowLongPtrA(ghWnd, GWL_STYLE, fullScreen.style);
    SetMenu(ghWnd, fullScreen.menu);
    ShowStripControls(ghWnd, SW_SHOW);
    const RECT &w = fullScreen.window;
    SetWindowPos(ghWnd, NULL, w.left, w.top, w.right - w.left, w.bottom - w.top, SWP_FRAMECHANGED | SWP_NOZORDER);
    SetWindowPos(area, NULL, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    if (fullScreen.maximized)
        ShowWindow(ghWnd, SW_MAXIMIZE);
    LogMessage("Full screen off\n");
}

void ToggleFullScreen()
{
    if (fullScreen.on)
        LeaveFullScreen();
    else
        EnterFullScreen();
}

RECT FitKeepingShape(RECT area, long frameWidth, long frameHeight)
{
    const long long width = (long long)area.right - area.left, height = (long long)area.bottom - area.top;
    if (frameWidth <= 0 || frameHeight <= 0 || width <= 0 || height <= 0)
        return area;
    RECT fitted = area;
    if (width * frameHeight > height * frameWidth) { // the area is wider: bars left and right
        const long long w = height * frameWidth / frameHeight;
        fitted.left = (LONG)(area.left + (width - w) / 2);
        fitted.right = (LONG)(fitted.left + w);
    } else { // bars above and below
        const long long h = width * frameHeight / frameWidth;
        fitted.top = (LONG)(area.top + (height - h) / 2);
        fitted.bottom = (LONG)(fitted.top + h);
    }
    return fitted;
}

void LayOutFullScreen(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    HWND area = GetDlgItem(window, IDC_MOVIE_BACKGROUND);
    MoveWindow(area, 0, 0, client.right, client.bottom, TRUE);
    InvalidateRect(area, NULL, TRUE); // all of it black before the frame is drawn
    UpdateWindow(area);
}

bool HandleFullScreenMouse(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT *result)
{
    if (!fullScreen.on)
        return false;
    switch (message) {
    case WM_CTLCOLORSTATIC:
        if (GetDlgCtrlID((HWND)lParam) != IDC_MOVIE_BACKGROUND)
            return false;
        *result = (LRESULT)GetStockObject(BLACK_BRUSH);
        return true;
    case WM_MOUSEMOVE: {
        // Windows repeats the last position when the pointer is only shown or hidden.
        const POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        if (at.x == fullScreen.lastPointer.x && at.y == fullScreen.lastPointer.y)
            return false;
        fullScreen.lastPointer = at;
        ShowPointer();
        return false;
    }
    case WM_TIMER:
        if (wParam != POINTER_TIMER)
            return false;
        KillTimer(window, POINTER_TIMER);
        fullScreen.pointerHidden = true;
        SetCursor(NULL);
        *result = 0;
        return true;
    case WM_SETCURSOR:
        if (!fullScreen.pointerHidden || LOWORD(lParam) != HTCLIENT)
            return false;
        SetCursor(NULL);
        *result = TRUE;
        return true;
    }
    return false;
}
