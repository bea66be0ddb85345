// Arithmetic of opening and playing a movie that needs no Windows call: the
// movie's timing figures, the window fitted to a movie, the acceptable output
// rectangle, the achieved frame rate and the slider position.
#pragma once

#include <stdint.h>

// 100 ns units per second: the multimedia stream's time unit.
const int64_t STREAM_TIME_UNITS_PER_SECOND = 10000000;

struct MovieTiming {
    int32_t totalFrames; // totalTime / frameLength - 1, 0 when frameLength <= 0
    double frameRate;    // 10 000 000 / frameLength, 0 when frameLength <= 0
    int hours, minutes;  // the duration split into hours, minutes and seconds
    double seconds;
};
MovieTiming ComputeMovieTiming(int64_t frameLength, int64_t totalTime);

// Window placement for a movie of width x height on a screen: the window is the
// movie plus fixed allowances for frame, caption, menu and the control strip,
// centred on the screen. fits is false when it would not be strictly smaller
// than the screen in both directions (then the window is left alone).
struct WindowFit {
    bool fits;
    int x, y, width, height;
};
const int WINDOW_EXTRA_WIDTH = 8;
const int WINDOW_EXTRA_HEIGHT = 46; // plus the control strip
WindowFit FitWindow(int movieWidth, int movieHeight, int controlStripHeight, int screenWidth, int screenHeight);

// The largest window for a movie of width x height that fits the area (a screen's
// work area: left, top, width, height) with the same allowances, keeping the
// movie's shape, centred in the area. fits is false when the movie is empty or
// the area cannot hold a movie area of at least one pixel each way.
WindowFit FitWindowInArea(int movieWidth, int movieHeight, int controlStripHeight, int areaLeft, int areaTop,
                          int areaWidth, int areaHeight);

// Whether drawing into the output rectangle is allowed.
bool OutputRectAcceptable(int minimized, int32_t left, int32_t top, int32_t right, int32_t bottom);

// Whole frames per second over a timing run; an elapsed time below 1 counts as 1.
int32_t AchievedFrameRate(int32_t frameCount, int64_t elapsedSeconds);

// Slider position (per mille of the movie) for a stream time; 0 when the movie
// has no positive length.
int32_t TrackbarPositionFor(int64_t streamTime, int64_t totalTime);
