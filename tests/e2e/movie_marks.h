// Reading the marker band of the generated movies (tools/make-movie.py) back
// from the screen: every view has a band along its left edge whose colour names
// the eye, the relative row inside the view and the frame number.
#pragma once

#include "driver.h"

#include <windows.h>

#include <functional>
#include <string>

enum class Mark { LeftEye, RightEye, Band, Black, Other };

inline int Red(DWORD pixel) { return (pixel >> 16) & 0xFF; }
inline int Green(DWORD pixel) { return (pixel >> 8) & 0xFF; }
inline int Blue(DWORD pixel) { return pixel & 0xFF; }

// Left eye: red 255, blue = frame % 200; right eye: blue 255, red = frame % 200;
// green = (row in view * 256) / view height for both.
inline Mark ClassifyMark(DWORD pixel)
{
    const int r = Red(pixel), g = Green(pixel), b = Blue(pixel);
    if (r >= 250 && b < 200)
        return Mark::LeftEye;
    if (b >= 250 && r < 200)
        return Mark::RightEye;
    if (r == 128 && g == 128 && b == 128)
        return Mark::Band;
    if (r < 8 && g < 8 && b < 8)
        return Mark::Black;
    return Mark::Other;
}

inline const char *MarkName(Mark mark)
{
    switch (mark) {
    case Mark::LeftEye: return "left eye";
    case Mark::RightEye: return "right eye";
    case Mark::Band: return "band";
    case Mark::Black: return "black";
    default: return "other";
    }
}

// Frame number (mod 200) carried by a marker pixel.
inline int FrameCode(DWORD pixel) { return ClassifyMark(pixel) == Mark::LeftEye ? Blue(pixel) : Red(pixel); }
// Relative row (0..255) inside the view carried by a marker pixel.
inline int RelativeRow(DWORD pixel) { return Green(pixel); }

// Movies compressed after they were made (lossy coding moves colours a little)
// carry frame * LOSSY_FRAME_STEP in the marker (make-movie.py --frame-step), so
// that neighbouring frames stay apart.
const int LOSSY_FRAME_STEP = 4;

// The eye of a marker pixel, with room for the coding's colour error: the eye's
// own channel stays near 255, well above the one that carries the frame code
// (at most 188 in those movies).
inline Mark LossyMark(DWORD pixel)
{
    const int r = Red(pixel), b = Blue(pixel);
    if (r >= 215 && r - b >= 35)
        return Mark::LeftEye;
    if (b >= 215 && b - r >= 35)
        return Mark::RightEye;
    return Mark::Other;
}

// The frame number a marker pixel of such a movie carries.
inline int LossyFrame(DWORD pixel)
{
    const int code = LossyMark(pixel) == Mark::LeftEye ? Blue(pixel) : Red(pixel);
    return (code + LOSSY_FRAME_STEP / 2) / LOSSY_FRAME_STEP;
}

// The frame number (mod 200) the player's movie area shows, read from the
// marker band a sixteenth of the way in, halfway down; -1 when it shows no
// frame of a left view.
inline int FrameOnScreen(HWND mainWindow)
{
    ScreenPixels screen;
    if (!CaptureScreen(MovieArea(mainWindow), &screen))
        return -1;
    const RECT &a = screen.area;
    const DWORD pixel = screen.At(a.left + (a.right - a.left) / 16, a.top + (a.bottom - a.top) / 2);
    return ClassifyMark(pixel) == Mark::LeftEye ? FrameCode(pixel) : -1;
}

// Waits until the frame read(mainWindow) reads (FrameOnScreen or a test's own
// reading) is one that wanted takes; returns it, or -1 after timeoutMs.
inline int WaitForFrameWhere(HWND mainWindow, const std::string &what, DWORD timeoutMs,
                             const std::function<bool(int)> &wanted, int (*read)(HWND) = FrameOnScreen)
{
    int frame = -1;
    if (!WaitUntil(what, timeoutMs, [&] { return wanted(frame = read(mainWindow)); }))
        return -1;
    return frame;
}

// Waits until the same frame has stood on the screen for steadyMs (the movie
// is paused or stopped and the screen has caught up); returns it, or -1 after
// timeoutMs.
inline int WaitForStandingFrame(HWND mainWindow, DWORD steadyMs, DWORD timeoutMs, int (*read)(HWND) = FrameOnScreen)
{
    int standing = -1;
    DWORD since = 0;
    if (!WaitUntil("a frame standing for " + std::to_string(steadyMs) + " ms", timeoutMs, [&] {
            const int frame = read(mainWindow);
            const DWORD now = GetTickCount();
            if (frame < 0 || frame != standing) {
                standing = frame;
                since = now;
                return false;
            }
            return now - since >= steadyMs;
        }))
        return -1;
    return standing;
}
