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
