#include "engine/movie_math.h"

MovieTiming ComputeMovieTiming(int64_t frameLength, int64_t totalTime)
{
    MovieTiming timing = {};
    if (frameLength > 0) {
        timing.totalFrames = (int32_t)(totalTime / frameLength - 1);
        timing.frameRate = 10000000.0 / (double)frameLength;
    }
    double s = (double)totalTime * 1e-7;
    timing.hours = (int)(s * (1.0 / 3600.0));
    if (timing.hours != 0)
        s -= timing.hours * 3600.0;
    timing.minutes = (int)(s * (1.0 / 60.0));
    if (timing.minutes != 0)
        s -= timing.minutes * 60.0;
    timing.seconds = s;
    return timing;
}

WindowFit FitWindow(int movieWidth, int movieHeight, int controlStripHeight, int screenWidth, int screenHeight)
{
    WindowFit fit = {};
    fit.width = movieWidth + WINDOW_EXTRA_WIDTH;
    fit.height = movieHeight + controlStripHeight + WINDOW_EXTRA_HEIGHT;
    fit.fits = fit.width < screenWidth && fit.height < screenHeight;
    if (fit.fits) {
        fit.x = (screenWidth - fit.width) / 2;
        fit.y = (screenHeight - fit.height) / 2;
    }
    return fit;
}

WindowFit FitWindowInArea(int movieWidth, int movieHeight, int controlStripHeight, int areaLeft, int areaTop,
                          int areaWidth, int areaHeight)
{
    WindowFit fit = {};
    const int64_t roomWidth = (int64_t)areaWidth - WINDOW_EXTRA_WIDTH;
    const int64_t roomHeight = (int64_t)areaHeight - controlStripHeight - WINDOW_EXTRA_HEIGHT;
    if (movieWidth <= 0 || movieHeight <= 0 || roomWidth <= 0 || roomHeight <= 0)
        return fit;
    int64_t width = movieWidth, height = movieHeight;
    if (width > roomWidth || height > roomHeight) {
        // The side that is tighter decides the scale; the other is rounded down.
        if (width * roomHeight >= height * roomWidth) {
            height = height * roomWidth / width;
            width = roomWidth;
        } else {
            width = width * roomHeight / height;
            height = roomHeight;
        }
    }
    if (width <= 0 || height <= 0)
        return fit;
    fit.fits = true;
    fit.width = (int)width + WINDOW_EXTRA_WIDTH;
    fit.height = (int)height + controlStripHeight + WINDOW_EXTRA_HEIGHT;
    fit.x = areaLeft + (areaWidth - fit.width) / 2;
    fit.y = areaTop + (areaHeight - fit.height) / 2;
    return fit;
}

bool OutputRectAcceptable(int minimized, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return minimized == 0 && left < 2000 && (int64_t)bottom - top > 0 && (int64_t)right - left > 0;
}

int32_t AchievedFrameRate(int32_t frameCount, int64_t elapsedSeconds)
{
    if (elapsedSeconds < 1) // under a second (or a clock set back) counts as one second
        elapsedSeconds = 1;
    return (int32_t)(frameCount / elapsedSeconds);
}

int32_t TrackbarPositionFor(int64_t streamTime, int64_t totalTime)
{
    if (totalTime <= 0)
        return 0;
    return (int32_t)((streamTime * 1000) / totalTime);
}
