// Position slider arithmetic.
#include "shell/window.h"

#include <gtest/gtest.h>

namespace {

TEST(Trackbar, SeekTimeIsThePerMilleOfTheMovieTruncatedFirst)
{
    const struct {
        int64_t totalTime;
        uint32_t position;
        int64_t expected;
    } cases[] = {
        {100000000, 500, 50000000}, // 10 s movie, middle
        {100000000, 1000, 100000000},
        {100000000, 0, 0},
        {999, 1000, 0},   // under 1000 units: every position seeks to 0
        {1999, 1000, 1000},
        {0, 700, 0},
        {-5000, 500, -2500}, // a duration the stream never reports; no overflow or trap
        {INT64_MAX, 1000, (INT64_MAX / 1000) * 1000},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, TrackbarSeekTime(c.totalTime, c.position)) << c.totalTime << " at " << c.position;
}

} // namespace

namespace {

TEST(Seek, KeysAndWheelLandInsideTheMovie)
{
    const int64_t second = 10000000, frame = 400000; // 25 frames a second
    const struct {
        int64_t target, totalTime, frameLength, expected;
    } cases[] = {
        {5 * second, 20 * second, frame, 5 * second},
        {-3 * second, 20 * second, frame, 0},                  // before the start: the first frame
        {65 * second, 20 * second, frame, 20 * second - frame}, // past the end: the last frame
        {20 * second, 20 * second, frame, 20 * second - frame},
        {20 * second - frame, 20 * second, frame, 20 * second - frame},
        {5 * second, 20 * second, 0, 5 * second},        // no frame length: the end itself
        {65 * second, 20 * second, 0, 20 * second},
        {5 * second, 0, frame, 0},                        // no length at all
        {5 * second, frame / 2, frame, 0},                // shorter than a frame
        {INT64_MAX, INT64_MAX, frame, INT64_MAX - frame}, // no overflow
        {INT64_MIN, 20 * second, frame, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, ClampedSeekTime(c.target, c.totalTime, c.frameLength))
            << c.target << " in " << c.totalTime << " with frames of " << c.frameLength;
}

} // namespace
