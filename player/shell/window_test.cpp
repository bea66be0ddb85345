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
