// The rectangle arithmetic of the stereo routines, case by case. No platform
// calls: this program also runs natively under the sanitizers.
#include "stereo/stereo_geometry.h"

#include <gtest/gtest.h>

#include <ostream>

std::ostream &operator<<(std::ostream &out, const StereoRect &r)
{
    return out << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

struct ViewCase {
    const char *name;
    StereoRect source;
    int32_t coding;
    StereoRect left, right;
};

const ViewCase viewCases[] = {
    {"SHIFTED_AB PAL", {0, 0, 720, 576}, SHIFTED_AB, {0, 0, 720, 274}, {0, 302, 720, 576}},
    {"PURE_AB PAL", {0, 0, 720, 576}, PURE_AB, {0, 0, 720, 288}, {0, 289, 720, 576}},
    {"PURE_LR PAL", {0, 0, 720, 576}, PURE_LR, {0, 0, 360, 576}, {361, 0, 720, 576}},
    {"PURE_INTERLACED PAL", {0, 0, 720, 576}, PURE_INTERLACED, {0, 0, 720, 576}, {0, 0, 720, 576}},
    // Below 20 rows the band is empty and the views touch.
    {"SHIFTED_AB 10 rows", {0, 0, 16, 10}, SHIFTED_AB, {0, 0, 16, 5}, {0, 5, 16, 10}},
    {"SHIFTED_AB 20 rows", {0, 0, 16, 20}, SHIFTED_AB, {0, 0, 16, 9}, {0, 10, 16, 20}},
    {"PURE_LR wide", {0, 0, 1440, 576}, PURE_LR, {0, 0, 720, 576}, {721, 0, 1440, 576}},
    {"PURE_AB odd height", {0, 0, 720, 577}, PURE_AB, {0, 0, 720, 288}, {0, 289, 720, 577}},
    // The left and top of the source are used as the table says, nothing more.
    {"SHIFTED_AB offset", {8, 4, 728, 580}, SHIFTED_AB, {8, 0, 728, 275}, {8, 304, 728, 580}},
    {"PURE_LR offset", {8, 4, 728, 580}, PURE_LR, {8, 4, 364, 580}, {365, 4, 728, 580}},
};

TEST(StereoGeometry, ViewRectanglesOfEachCoding)
{
    for (const ViewCase &c : viewCases) {
        StereoRect left = {-1, -1, -1, -1}, right = {-1, -1, -1, -1};
        ASSERT_TRUE(StereoViewRectangles(c.source, c.coding, &left, &right)) << c.name;
        EXPECT_EQ(c.left, left) << c.name;
        EXPECT_EQ(c.right, right) << c.name;
    }
}

TEST(StereoGeometry, UndefinedCodingLeavesRectanglesUntouched)
{
    for (int32_t coding : {0, 1075, 1080, -1}) {
        StereoRect left = {1, 2, 3, 4}, right = {5, 6, 7, 8};
        EXPECT_FALSE(StereoViewRectangles({0, 0, 720, 576}, coding, &left, &right)) << coding;
        EXPECT_EQ((StereoRect{1, 2, 3, 4}), left);
        EXPECT_EQ((StereoRect{5, 6, 7, 8}), right);
    }
}

struct ParityCase {
    int32_t top;
    int32_t eye;
    bool firstViewOnTop;
};

// The first view goes to odd screen rows for LEFT_TOP and to even rows for
// RIGHT_TOP, wherever the destination starts.
// clang-format off
const ParityCase parityCases[] = {
    {200, LEFT_TOP, false}, {201, LEFT_TOP, true},  {200, RIGHT_TOP, true},
    {201, RIGHT_TOP, false}, {0, LEFT_TOP, false},   {0, RIGHT_TOP, true},
    // Above the screen's top edge the row keeps its parity: -1 is odd, -2 even.
    {-1, LEFT_TOP, true},   {-1, RIGHT_TOP, false}, {-2, LEFT_TOP, false},
    {-2, RIGHT_TOP, true},
};
// clang-format on

TEST(StereoGeometry, RowParityRule)
{
    for (const ParityCase &c : parityCases) {
        EXPECT_EQ(c.firstViewOnTop, FirstViewOnTopRow(c.top, c.eye))
            << "top " << c.top << (c.eye == LEFT_TOP ? " LEFT_TOP" : " RIGHT_TOP");
        // Rows of the first view, absolute: odd for LEFT_TOP.
        const int32_t firstViewRow = c.firstViewOnTop ? c.top : c.top + 1;
        EXPECT_EQ(c.eye == LEFT_TOP ? 1 : 0, firstViewRow & 1) << "top " << c.top;
    }
}

struct ShiftCase {
    int32_t width;
    int32_t strength;
    int32_t shift;
};

// clang-format off
const ShiftCase shiftCases[] = {
    {720, 50, 21}, {720, 100, 43}, {800, 50, 24}, {720, 0, 0}, {1440, 50, 43}, {720, 1, 0},
    // Strengths that would reach the frame width keep one column.
    {720, 2314, 719},
    {720, 100000, 719},
    {720, INT32_MAX, 719},
    // A negative strength is read as a huge unsigned one.
    {720, -1, 719},
    {720, -50, 719},
    {1, 100, 0},
    {0, 50, 0},
    {-720, 50, 0},
};
// clang-format on

TEST(StereoGeometry, SyntheticShiftFromStrength)
{
    for (const ShiftCase &c : shiftCases)
        EXPECT_EQ(c.shift, SyntheticShift(c.width, c.strength)) << "W " << c.width << " strength " << c.strength;
}

TEST(StereoGeometry, FieldBandsOf480RowsOver600)
{
    // Each pair of frame rows gets 2 or 3 work rows; the bands tile 0..600 exactly.
    int32_t expectedTop = 0;
    int twos = 0, threes = 0;
    for (int32_t i = 0; 2 * i < 480; i++) {
        int32_t top, bottom;
        FieldBand(i, 480, 600, &top, &bottom);
        ASSERT_EQ(expectedTop, top) << "pair " << i;
        ASSERT_EQ((2 * (i + 1) * 600) / 480, bottom) << "pair " << i;
        const int32_t rows = bottom - top;
        ASSERT_TRUE(rows == 2 || rows == 3) << "pair " << i << " rows " << rows;
        (rows == 2 ? twos : threes)++;
        expectedTop = bottom;
    }
    EXPECT_EQ(600, expectedTop);
    EXPECT_EQ(120, twos);
    EXPECT_EQ(120, threes);
}

struct BandCase {
    int32_t i, frameHeight, height;
    int32_t top, bottom;
};

const BandCase bandCases[] = {
    {0, 480, 600, 0, 2},
    {1, 480, 600, 2, 5},
    {239, 480, 600, 597, 600},
    // Shrinking: some pairs get an empty band.
    {0, 576, 480, 0, 1},
    {1, 576, 480, 1, 3},
    // Odd frame height: the last pair's band stops at the last work row.
    {2, 5, 10, 8, 10},
    {2, 5, 5, 4, 5},
    {0, 1, 7, 0, 7},
    // No work rows.
    {3, 480, 0, 0, 0},
    {3, 480, -5, 0, 0},
};

TEST(StereoGeometry, FieldBandEdges)
{
    for (const BandCase &c : bandCases) {
        int32_t top = -1, bottom = -1;
        FieldBand(c.i, c.frameHeight, c.height, &top, &bottom);
        EXPECT_EQ(c.top, top) << "pair " << c.i << " of " << c.frameHeight << " into " << c.height;
        EXPECT_EQ(c.bottom, bottom) << "pair " << c.i << " of " << c.frameHeight << " into " << c.height;
    }
}

TEST(StereoGeometry, SecondFieldRowStaysInTheFrame)
{
    EXPECT_EQ(1, SecondFieldRow(1, 576));
    EXPECT_EQ(575, SecondFieldRow(575, 576));
    EXPECT_EQ(3, SecondFieldRow(5, 5)); // last odd row of a 5-row frame
    EXPECT_EQ(575, SecondFieldRow(577, 577));
    EXPECT_EQ(0, SecondFieldRow(1, 1)); // a one-row frame has no odd row
}

struct PairCase {
    const char *name;
    LineKind kind;
    StereoRect source;
    int32_t D;
    int32_t strength;
    int32_t k;
    StereoRect first, second;
};

// clang-format off
const PairCase pairCases[] = {
    // t = 1152: y = 547.2 / 480 = 1.14; lower row trunc(1.14 + 302.4) = 303.
    {"SHIFTED_AB pair 2", LINES_SHIFTED_AB, {0, 0, 720, 576}, 480, 0, 2, {0, 1, 720, 2}, {0, 303, 720, 304}},
    {"SHIFTED_AB pair 0", LINES_SHIFTED_AB, {0, 0, 720, 576}, 480, 0, 0, {0, 0, 720, 1}, {0, 302, 720, 303}},
    {"SHIFTED_AB last pair", LINES_SHIFTED_AB, {0, 0, 720, 576}, 480, 0, 478, {0, 272, 720, 273},
     {0, 574, 720, 575}},
    {"PURE_AB pair 0", LINES_PURE_AB, {0, 0, 720, 576}, 480, 0, 0, {0, 0, 720, 1}, {0, 288, 720, 289}},
    {"PURE_AB pair 2", LINES_PURE_AB, {0, 0, 720, 576}, 480, 0, 2, {0, 1, 720, 2}, {0, 289, 720, 290}},
    {"PURE_AB last pair", LINES_PURE_AB, {0, 0, 720, 576}, 480, 0, 478, {0, 286, 720, 287}, {0, 574, 720, 575}},
    // The left view ends at half, the right starts there (columns 0..359, 360..719).
    {"PURE_LR pair 0", LINES_PURE_LR, {0, 0, 720, 576}, 480, 0, 0, {0, 0, 360, 1}, {360, 0, 720, 1}},
    {"PURE_LR pair 6", LINES_PURE_LR, {0, 0, 720, 576}, 480, 0, 6, {0, 7, 360, 8}, {360, 7, 720, 8}},
    {"PURE_INTERLACED pair 2", LINES_PURE_INTERLACED, {0, 0, 720, 576}, 480, 0, 2, {0, 2, 720, 3},
     {0, 3, 720, 4}},
    {"PURE_INTERLACED pair 4", LINES_PURE_INTERLACED, {0, 0, 720, 576}, 480, 0, 4, {0, 4, 720, 5},
     {0, 5, 720, 6}},
    {"PURE_INTERLACED pair 6", LINES_PURE_INTERLACED, {0, 0, 720, 576}, 480, 0, 6, {0, 6, 720, 7},
     {0, 7, 720, 8}},
    // Odd frame height: q = 4 * 5 / 5 = 4 asks for row 5, one past the frame;
    // the second view keeps its last row, 3.
    {"PURE_INTERLACED odd frame", LINES_PURE_INTERLACED, {0, 0, 8, 5}, 5, 0, 4, {0, 4, 8, 5}, {0, 3, 8, 4}},
    {"2D to 3D strength 50", LINES_2D_TO_3D, {0, 0, 720, 576}, 480, 50, 2, {21, 2, 720, 3}, {0, 2, 699, 3}},
    {"2D to 3D strength 100", LINES_2D_TO_3D, {0, 0, 720, 576}, 480, 100, 0, {43, 0, 720, 1}, {0, 0, 677, 1}},
    {"2D to 3D width 800", LINES_2D_TO_3D, {0, 0, 800, 600}, 600, 50, 0, {24, 0, 800, 1}, {0, 0, 776, 1}},
    {"2D to 3D strength 0", LINES_2D_TO_3D, {0, 0, 720, 576}, 480, 0, 4, {0, 4, 720, 5}, {0, 4, 720, 5}},
    {"2D to 3D huge strength", LINES_2D_TO_3D, {0, 0, 720, 576}, 480, -1, 0, {719, 0, 720, 1}, {0, 0, 1, 1}},
};
// clang-format on

TEST(StereoGeometry, SourceRowsOfALinePair)
{
    for (const PairCase &c : pairCases) {
        const LinePlan plan = MakeLinePlan(c.kind, c.source, c.D, c.strength);
        StereoRect first = {}, second = {};
        LinePairSources(plan, (int64_t)c.k * c.source.bottom, &first, &second);
        EXPECT_EQ(c.first, first) << c.name;
        EXPECT_EQ(c.second, second) << c.name;
    }
}

// Every row that any pair reads lies inside the frame and inside its own view,
// for frame and destination heights around the usual sizes, odd ones included.
TEST(StereoGeometry, LineRowsStayInsideTheirViews)
{
    const LineKind kinds[] = {LINES_SHIFTED_AB, LINES_PURE_AB, LINES_PURE_LR, LINES_PURE_INTERLACED, LINES_2D_TO_3D};
    for (LineKind kind : kinds) {
        for (int32_t B : {1, 2, 3, 5, 10, 19, 20, 21, 240, 479, 480, 575, 576, 577}) {
            for (int32_t D : {1, 2, 3, 7, 200, 479, 480, 576, 600, 767, 768}) {
                const LinePlan plan = MakeLinePlan(kind, {0, 0, 64, B}, D, 50);
                for (int32_t k = 0; k < D; k += 2) {
                    StereoRect first, second;
                    LinePairSources(plan, (int64_t)k * B, &first, &second);
                    SCOPED_TRACE(testing::Message() << "kind " << kind << " B " << B << " D " << D << " k " << k);
                    ASSERT_GE(first.top, 0);
                    ASSERT_LE(first.bottom, B);
                    ASSERT_GE(second.top, 0);
                    ASSERT_LE(second.bottom, B);
                    ASSERT_EQ(first.top + 1, first.bottom);
                    ASSERT_EQ(second.top + 1, second.bottom);
                    ASSERT_LT(first.left, first.right);
                    ASSERT_LT(second.left, second.right);
                    if (kind == LINES_SHIFTED_AB) { // the top and bottom 47.5 %
                        ASSERT_LT(first.top, 0.475 * B);
                        ASSERT_GE(second.top, (int32_t)(0.525 * B));
                    }
                    if (kind == LINES_PURE_AB) {
                        ASSERT_LT(first.top, 0.5 * B);
                        ASSERT_GE(second.top, (int32_t)(0.5 * B));
                    }
                    if (kind == LINES_PURE_INTERLACED && B >= 2) {
                        ASSERT_EQ(0, first.top % 2);
                        ASSERT_EQ(1, second.top % 2);
                    }
                }
            }
        }
    }
}

struct WorkCase {
    const char *name;
    StereoRect destination;
    int32_t surfaceWidth, surfaceHeight;
    StereoRect work;
};

const WorkCase workCases[] = {
    {"fits", {100, 201, 820, 681}, 1024, 768, {0, 0, 720, 480}},
    {"whole screen", {0, 0, 1024, 768}, 1024, 768, {0, 0, 1024, 768}},
    {"wider than the surface", {-100, 10, 1200, 400}, 1024, 768, {0, 0, 1024, 390}},
    {"taller than the surface", {0, -50, 640, 900}, 1024, 768, {0, 0, 640, 768}},
    {"size unknown", {0, 0, 1300, 900}, 0, 0, {0, 0, 1300, 900}},
    {"empty", {10, 10, 10, 10}, 1024, 768, {0, 0, 0, 0}},
    {"inverted", {10, 10, 5, 2}, 1024, 768, {0, 0, 0, 0}},
};

TEST(StereoGeometry, WorkRectangleFitsTheWorkSurface)
{
    for (const WorkCase &c : workCases)
        EXPECT_EQ(c.work, WorkRectangle(c.destination, c.surfaceWidth, c.surfaceHeight)) << c.name;
}

} // namespace
