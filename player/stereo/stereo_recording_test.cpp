// The exact copies each stereo routine makes, seen through recording surfaces:
// rectangles, flags, surfaces and order, the row parity rule, results and
// failure texts.
#include "stereo/stereo.h"

#include "stereo/fake_surface.h"
#include "stereo/stereo_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const RECT PAL = MakeRect(0, 0, 720, 576);

class StereoRecordingTest : public StereoLogTest {
protected:
    CopyRecorder recorder;
    FakeSurface source{"source", &recorder};
    FakeSurface screen{"screen", &recorder};
    FakeSurface left{"left", &recorder};
    FakeSurface right{"right", &recorder};

    std::vector<std::string> Copies() const { return recorder.Texts(); }
    // Fails copy number n (from 0) with the given result; the others succeed.
    void FailCopy(size_t n, HRESULT result)
    {
        recorder.resultOf = [n, result](size_t i) { return i == n ? result : DD_OK; };
    }
};

// ---------------------------------------------------------------------------
// CalculateStereoRectanglesFast

TEST_F(StereoRecordingTest, ViewRectanglesOfThePalFrame)
{
    struct {
        int coding;
        RECT left, right;
    } cases[] = {
        {SHIFTED_AB, MakeRect(0, 0, 720, 274), MakeRect(0, 302, 720, 576)},
        {PURE_AB, MakeRect(0, 0, 720, 288), MakeRect(0, 289, 720, 576)},
        {PURE_LR, MakeRect(0, 0, 360, 576), MakeRect(361, 0, 720, 576)},
        {PURE_INTERLACED, PAL, PAL},
    };
    for (const auto &c : cases) {
        RECT l = {}, r = {};
        CalculateStereoRectanglesFast(PAL, &l, &r, c.coding);
        EXPECT_EQ(RectText(&c.left), RectText(&l)) << c.coding;
        EXPECT_EQ(RectText(&c.right), RectText(&r)) << c.coding;
    }
    EXPECT_EQ("", Logged());
}

TEST_F(StereoRecordingTest, UndefinedCodingIsLoggedAndLeavesRectangles)
{
    RECT l = MakeRect(1, 2, 3, 4), r = MakeRect(5, 6, 7, 8);
    CalculateStereoRectanglesFast(PAL, &l, &r, 1075);
    EXPECT_EQ("{1,2,3,4}", RectText(&l));
    EXPECT_EQ("{5,6,7,8}", RectText(&r));
    EXPECT_EQ("Error !! non acceptable StereoCodingFormat in CalculateStereoRectanglesFast\n", Logged());
}

// ---------------------------------------------------------------------------
// Interlace2

struct InterlaceCase {
    const char *name;
    RECT buffer_destination;
    int flag;
    std::vector<long> rows;
};

const InterlaceCase interlaceCases[] = {
    {"height 1 flag 0", MakeRect(0, 0, 720, 1), 0, {}},
    {"height 1 flag 1", MakeRect(0, 0, 720, 1), 1, {0}},
    {"height 5 flag 0", MakeRect(0, 0, 720, 5), 0, {1, 3}},
    {"height 5 flag 1", MakeRect(0, 0, 720, 5), 1, {0, 2, 4}},
    {"height 0", MakeRect(0, 0, 720, 0), 1, {}},
    // Left and top are not used: rows start at column 0 and row 0 or 1.
    {"left and top ignored", MakeRect(7, 3, 100, 4), 0, {1, 3}},
};

TEST_F(StereoRecordingTest, Interlace2ReplacesOddOrEvenRows)
{
    for (const InterlaceCase &c : interlaceCases) {
        recorder.copies.clear();
        EXPECT_EQ(DD_OK, Interlace2(&left, &right, c.buffer_destination, c.flag)) << c.name;
        std::vector<std::string> expected;
        for (long row : c.rows)
            expected.push_back(BltFastText("left", 0, row, "right",
                                           MakeRect(0, row, c.buffer_destination.right, row + 1), DDBLTFAST_WAIT));
        EXPECT_EQ(expected, Copies()) << c.name;
    }
}

TEST_F(StereoRecordingTest, Interlace2GoesOnAfterAFailedRowAndReturnsTheLast)
{
    FailCopy(1, DDERR_SURFACEBUSY);
    EXPECT_EQ(DD_OK, Interlace2(&left, &right, MakeRect(0, 0, 16, 6), 1));
    EXPECT_EQ(3u, Copies().size());

    recorder.copies.clear();
    FailCopy(2, DDERR_SURFACELOST);
    EXPECT_EQ(DDERR_SURFACELOST, Interlace2(&left, &right, MakeRect(0, 0, 16, 6), 1));
    EXPECT_EQ(3u, Copies().size());
    EXPECT_EQ("", Logged()) << "the caller logs";
}

TEST_F(StereoRecordingTest, Interlace2WithoutAWorkSurface)
{
    EXPECT_EQ(E_INVALIDARG, Interlace2(NULL, &right, MakeRect(0, 0, 16, 6), 0));
    EXPECT_EQ(E_INVALIDARG, Interlace2(&left, NULL, MakeRect(0, 0, 16, 6), 1));
    EXPECT_TRUE(Copies().empty());
}

// ---------------------------------------------------------------------------
// SplitInterlacedFrame and ExtractFirstField

TEST_F(StereoRecordingTest, SplitInterlacedFrame480RowsInto600)
{
    const RECT frame = MakeRect(0, 0, 640, 480);
    SplitInterlacedFrame(frame, 800, 600, &source, &left, &right);
    std::vector<std::string> expected;
    for (long i = 0; 2 * i < 480; i++) {
        const RECT band = MakeRect(0, (2 * i * 600) / 480, 800, (2 * (i + 1) * 600) / 480);
        expected.push_back(BltText("left", band, "source", MakeRect(0, 2 * i, 640, 2 * i + 1), 0));
        expected.push_back(BltText("right", band, "source", MakeRect(0, 2 * i + 1, 640, 2 * i + 2), 0));
    }
    EXPECT_EQ(expected, Copies());
    // Spot checks of the bands: 2 or 3 rows each, ending on the last work row.
    EXPECT_EQ(BltText("left", MakeRect(0, 0, 800, 2), "source", MakeRect(0, 0, 640, 1), 0), Copies()[0]);
    EXPECT_EQ(BltText("right", MakeRect(0, 2, 800, 5), "source", MakeRect(0, 3, 640, 4), 0), Copies()[3]);
    EXPECT_EQ(BltText("right", MakeRect(0, 597, 800, 600), "source", MakeRect(0, 479, 640, 480), 0), Copies().back());
}

TEST_F(StereoRecordingTest, ExtractFirstFieldTakesTheEvenRows)
{
    const RECT frame = MakeRect(0, 0, 640, 480);
    ExtractFirstField(frame, 800, 600, &source, &left);
    std::vector<std::string> expected;
    for (long i = 0; 2 * i < 480; i++)
        expected.push_back(BltText("left", MakeRect(0, (2 * i * 600) / 480, 800, (2 * (i + 1) * 600) / 480), "source",
                                   MakeRect(0, 2 * i, 640, 2 * i + 1), 0));
    EXPECT_EQ(expected, Copies());
}

TEST_F(StereoRecordingTest, OddFrameHeightStaysInsideFrameAndWorkPicture)
{
    // A 5-row frame into 10 work rows: the last pair has no odd frame row and its
    // band would end at row 12. The second view repeats its last row (3) and the
    // band stops at row 10.
    SplitInterlacedFrame(MakeRect(0, 0, 8, 5), 16, 10, &source, &left, &right);
    const std::vector<std::string> expected = {
        BltText("left", MakeRect(0, 0, 16, 4), "source", MakeRect(0, 0, 8, 1), 0),
        BltText("right", MakeRect(0, 0, 16, 4), "source", MakeRect(0, 1, 8, 2), 0),
        BltText("left", MakeRect(0, 4, 16, 8), "source", MakeRect(0, 2, 8, 3), 0),
        BltText("right", MakeRect(0, 4, 16, 8), "source", MakeRect(0, 3, 8, 4), 0),
        BltText("left", MakeRect(0, 8, 16, 10), "source", MakeRect(0, 4, 8, 5), 0),
        BltText("right", MakeRect(0, 8, 16, 10), "source", MakeRect(0, 3, 8, 4), 0),
    };
    EXPECT_EQ(expected, Copies());

    recorder.copies.clear();
    ExtractFirstField(MakeRect(0, 0, 8, 5), 16, 10, &source, &left);
    ASSERT_EQ(3u, Copies().size());
    EXPECT_EQ(BltText("left", MakeRect(0, 8, 16, 10), "source", MakeRect(0, 4, 8, 5), 0), Copies()[2]);
}

TEST_F(StereoRecordingTest, EmptyFrameCopiesNothing)
{
    SplitInterlacedFrame(MakeRect(0, 0, 720, 0), 720, 576, &source, &left, &right);
    ExtractFirstField(MakeRect(0, 0, 720, -4), 720, 576, &source, &left);
    EXPECT_TRUE(Copies().empty());
}

// ---------------------------------------------------------------------------
// Line routines

enum LineRoutine { SHIFTED, AB, LR, INTERLACED, SYNTHETIC };

const char *LineRoutineName(LineRoutine r)
{
    static const char *names[] = {"SHIFTED_AB_DisplayInterlaced", "PURE_AB_DisplayInterlaced",
                                  "PURE_LR_DisplayInterlaced", "PURE_INTERLACED_DisplayInterlaced",
                                  "METHOD2_Display_2D_to_Interlaced"};
    return names[r];
}

HRESULT RunLineRoutine(LineRoutine r, IDirectDrawSurface *src, IDirectDrawSurface *dst, RECT s, RECT d, int eye,
                       int strength)
{
    switch (r) {
    case SHIFTED: return SHIFTED_AB_DisplayInterlaced(src, dst, s, d, eye);
    case AB: return PURE_AB_DisplayInterlaced(src, dst, s, d, eye);
    case LR: return PURE_LR_DisplayInterlaced(src, dst, s, d, eye);
    case INTERLACED: return PURE_INTERLACED_DisplayInterlaced(src, dst, s, d, eye);
    case SYNTHETIC: return METHOD2_Display_2D_to_Interlaced(src, dst, s, d, strength, eye);
    }
    return E_UNEXPECTED;
}

struct PairCase {
    const char *name;
    LineRoutine routine;
    RECT source, destination;
    int eye, strength;
    long k;
    RECT topRow, bottomRow; // source rows copied to rows DT + k and DT + k + 1
};

const RECT AREA_201 = MakeRect(100, 201, 820, 681); // D = 480, odd top
const RECT AREA_200 = MakeRect(100, 200, 820, 680); // D = 480, even top

// clang-format off
const PairCase pairCases[] = {
    // Worked example: pair 2 lands on rows 203 (upper view, row 1) and 204 (lower view, row 303).
    {"SHIFTED_AB top 201 LEFT_TOP", SHIFTED, PAL, AREA_201, LEFT_TOP, 0, 2, MakeRect(0, 1, 720, 2),
     MakeRect(0, 303, 720, 304)},
    {"SHIFTED_AB last pair", SHIFTED, PAL, AREA_201, LEFT_TOP, 0, 478, MakeRect(0, 272, 720, 273),
     MakeRect(0, 574, 720, 575)},
    // One row higher the upper view still lands on the odd row (203).
    {"SHIFTED_AB top 200 LEFT_TOP", SHIFTED, PAL, AREA_200, LEFT_TOP, 0, 2, MakeRect(0, 303, 720, 304),
     MakeRect(0, 1, 720, 2)},
    {"SHIFTED_AB top 201 RIGHT_TOP", SHIFTED, PAL, AREA_201, RIGHT_TOP, 0, 2, MakeRect(0, 303, 720, 304),
     MakeRect(0, 1, 720, 2)},
    {"SHIFTED_AB top 200 RIGHT_TOP", SHIFTED, PAL, AREA_200, RIGHT_TOP, 0, 2, MakeRect(0, 1, 720, 2),
     MakeRect(0, 303, 720, 304)},
    {"PURE_AB top 201", AB, PAL, AREA_201, LEFT_TOP, 0, 2, MakeRect(0, 1, 720, 2), MakeRect(0, 289, 720, 290)},
    {"PURE_AB pair 0", AB, PAL, AREA_201, LEFT_TOP, 0, 0, MakeRect(0, 0, 720, 1), MakeRect(0, 288, 720, 289)},
    {"PURE_AB top 200", AB, PAL, AREA_200, LEFT_TOP, 0, 0, MakeRect(0, 288, 720, 289), MakeRect(0, 0, 720, 1)},
    // Left view columns 0..359, right view 360..719.
    {"PURE_LR top 201", LR, PAL, AREA_201, LEFT_TOP, 0, 6, MakeRect(0, 7, 360, 8), MakeRect(360, 7, 720, 8)},
    {"PURE_LR top 200", LR, PAL, AREA_200, LEFT_TOP, 0, 6, MakeRect(360, 7, 720, 8), MakeRect(0, 7, 360, 8)},
    {"PURE_LR RIGHT_TOP", LR, PAL, AREA_200, RIGHT_TOP, 0, 0, MakeRect(0, 0, 360, 1), MakeRect(360, 0, 720, 1)},
    // q / e pairs for B = 576, D = 480.
    {"PURE_INTERLACED pair 2", INTERLACED, PAL, AREA_201, LEFT_TOP, 0, 2, MakeRect(0, 2, 720, 3),
     MakeRect(0, 3, 720, 4)},
    {"PURE_INTERLACED pair 4", INTERLACED, PAL, AREA_201, LEFT_TOP, 0, 4, MakeRect(0, 4, 720, 5),
     MakeRect(0, 5, 720, 6)},
    {"PURE_INTERLACED pair 6", INTERLACED, PAL, AREA_201, LEFT_TOP, 0, 6, MakeRect(0, 6, 720, 7),
     MakeRect(0, 7, 720, 8)},
    {"PURE_INTERLACED RIGHT_TOP", INTERLACED, PAL, AREA_201, RIGHT_TOP, 0, 6, MakeRect(0, 7, 720, 8),
     MakeRect(0, 6, 720, 7)},
    // Odd frame height: pair 8 of 10 rows asks for row 5 of a 5-row frame; the
    // second view keeps its last row, 3.
    {"PURE_INTERLACED odd frame", INTERLACED, MakeRect(0, 0, 8, 5), MakeRect(0, 11, 16, 21), LEFT_TOP, 0, 8,
     MakeRect(0, 4, 8, 5), MakeRect(0, 3, 8, 4)},
    // Synthetic pair: shifts of 21 and 43 pixels at W = 720, 24 at W = 800.
    {"2D to 3D strength 50", SYNTHETIC, PAL, AREA_201, LEFT_TOP, 50, 2, MakeRect(21, 2, 720, 3),
     MakeRect(0, 2, 699, 3)},
    {"2D to 3D strength 100", SYNTHETIC, PAL, AREA_201, LEFT_TOP, 100, 2, MakeRect(43, 2, 720, 3),
     MakeRect(0, 2, 677, 3)},
    {"2D to 3D width 800", SYNTHETIC, MakeRect(0, 0, 800, 600), MakeRect(0, 1, 800, 601), LEFT_TOP, 50, 0,
     MakeRect(24, 0, 800, 1), MakeRect(0, 0, 776, 1)},
    {"2D to 3D top 200", SYNTHETIC, PAL, AREA_200, LEFT_TOP, 50, 2, MakeRect(0, 2, 699, 3),
     MakeRect(21, 2, 720, 3)},
    {"2D to 3D strength 0", SYNTHETIC, PAL, AREA_201, LEFT_TOP, 0, 4, MakeRect(0, 4, 720, 5),
     MakeRect(0, 4, 720, 5)},
    // A strength past the frame width (or negative, read as unsigned) keeps one column.
    {"2D to 3D huge strength", SYNTHETIC, PAL, AREA_201, LEFT_TOP, 5000, 0, MakeRect(719, 0, 720, 1),
     MakeRect(0, 0, 1, 1)},
    {"2D to 3D negative strength", SYNTHETIC, PAL, AREA_201, LEFT_TOP, -1, 0, MakeRect(719, 0, 720, 1),
     MakeRect(0, 0, 1, 1)},
};
// clang-format on

TEST_F(StereoRecordingTest, LineRoutinesCopyOneSourceRowPerDestinationRow)
{
    for (const PairCase &c : pairCases) {
        SCOPED_TRACE(c.name);
        recorder.copies.clear();
        ASSERT_EQ(DD_OK, RunLineRoutine(c.routine, &source, &screen, c.source, c.destination, c.eye, c.strength));
        const std::vector<std::string> copies = Copies();
        const long D = c.destination.bottom - c.destination.top;
        ASSERT_EQ((size_t)D, copies.size()) << "one copy per destination row, none below it";
        const long top = c.destination.top + c.k;
        EXPECT_EQ(BltText("screen", MakeRect(c.destination.left, top, c.destination.right, top + 1), "source", c.topRow,
                          DDBLT_WAIT),
                  copies[c.k]);
        EXPECT_EQ(BltText("screen", MakeRect(c.destination.left, top + 1, c.destination.right, top + 2), "source",
                          c.bottomRow, DDBLT_WAIT),
                  copies[c.k + 1]);
    }
}

// Every row of the destination in order, each exactly once, with the wait flag.
TEST_F(StereoRecordingTest, LineRoutinesDrawEveryDestinationRowInOrder)
{
    for (LineRoutine r : {SHIFTED, AB, LR, INTERLACED, SYNTHETIC}) {
        for (const RECT &area : {AREA_200, AREA_201, MakeRect(3, 7, 50, 12)}) {
            SCOPED_TRACE(testing::Message() << LineRoutineName(r) << " " << RectText(&area));
            recorder.copies.clear();
            RunLineRoutine(r, &source, &screen, PAL, area, LEFT_TOP, 50);
            const std::vector<std::string> copies = Copies();
            ASSERT_EQ((size_t)(area.bottom - area.top), copies.size());
            for (long row = area.top; row < area.bottom; row++) {
                const RECT line = MakeRect(area.left, row, area.right, row + 1);
                const std::string prefix = "screen Blt " + RectText(&line) + " <- source {";
                ASSERT_EQ(0u, copies[row - area.top].find(prefix)) << copies[row - area.top];
                ASSERT_NE(std::string::npos, copies[row - area.top].find("flags 0x1000000"));
            }
        }
    }
}

TEST_F(StereoRecordingTest, LineRoutinesWithoutDestinationRowsDrawNothing)
{
    for (LineRoutine r : {SHIFTED, AB, LR, INTERLACED, SYNTHETIC}) {
        for (const RECT &area : {MakeRect(0, 100, 720, 100), MakeRect(0, 100, 720, 90)}) {
            EXPECT_EQ(E_FAIL, RunLineRoutine(r, &source, &screen, PAL, area, LEFT_TOP, 50)) << LineRoutineName(r);
        }
    }
    EXPECT_TRUE(Copies().empty());
    EXPECT_EQ("", Logged());
}

TEST_F(StereoRecordingTest, OneRowDestinationDrawsOnlyThatRow)
{
    struct {
        int eye;
        RECT row;
    } cases[] = {{LEFT_TOP, MakeRect(0, 0, 720, 1)}, {RIGHT_TOP, MakeRect(0, 288, 720, 289)}};
    for (const auto &c : cases) {
        recorder.copies.clear();
        EXPECT_EQ(DD_OK, PURE_AB_DisplayInterlaced(&source, &screen, PAL, MakeRect(10, 41, 730, 42), c.eye));
        EXPECT_EQ(std::vector<std::string>{BltText("screen", MakeRect(10, 41, 730, 42), "source", c.row, DDBLT_WAIT)},
                  Copies());
    }
}

TEST_F(StereoRecordingTest, LineRoutineLogsAFailedCopyAndGoesOn)
{
    // Row 3 of 6 fails: its text and the DirectDraw text are logged, the other rows
    // are drawn, and the result is that of the last copy.
    FailCopy(2, DDERR_SURFACEBUSY);
    EXPECT_EQ(DD_OK, SHIFTED_AB_DisplayInterlaced(&source, &screen, PAL, MakeRect(0, 10, 720, 16), LEFT_TOP));
    EXPECT_EQ(6u, Copies().size());
    EXPECT_EQ("pDestination->Blt(&destination_line, pSource, &source_line, DDBLT_WAIT, NULL)  failed with "
              "HRESULT(0x887601AE)\nDDERR_SURFACEBUSY\n",
              Logged());

    // A failing last copy becomes the result.
    for (LineRoutine r : {SHIFTED, AB, LR, INTERLACED}) {
        ClearLog();
        recorder.copies.clear();
        FailCopy(5, DDERR_SURFACELOST);
        EXPECT_EQ(DDERR_SURFACELOST, RunLineRoutine(r, &source, &screen, PAL, MakeRect(0, 10, 720, 16), LEFT_TOP, 0));
        EXPECT_EQ("pDestination->Blt(&destination_line, pSource, &source_line, DDBLT_WAIT, NULL)  failed with "
                  "HRESULT(0x887601C2)\nDDERR_SURFACELOST The surface's video memory was lost (screen locked or "
                  "display mode changed); it must be restored.\n",
                  Logged())
            << LineRoutineName(r);
    }
}

struct SyntheticFailureCase {
    const char *name;
    RECT destination;
    size_t failing;
    HRESULT result;
    const char *log;
};

const SyntheticFailureCase syntheticFailures[] = {
    // First order (odd top, LEFT_TOP): the left crop is on row DT + k.
    {"first order, left crop", MakeRect(100, 201, 820, 205), 2, DDERR_SURFACEBUSY,
     "left image firs situationDDERR_SURFACEBUSY\n"
     "source_line_left 21 720 1 2 \n"
     "destination_line 100 820 203 204 \n"},
    {"first order, right crop", MakeRect(100, 201, 820, 205), 3, E_FAIL,
     "right image first situationDDERR_GENERIC\n"
     "source_line_right 0 699 1 2 \n"
     "destination_line 100 820 204 205 \n"},
    // In the first order any result but zero counts as a failure.
    {"first order, positive result", MakeRect(100, 201, 820, 205), 0, S_FALSE,
     "left image firs situationUnknown Direct Draw error code\nError code decimal 1\n"
     "source_line_left 21 720 0 1 \n"
     "destination_line 100 820 201 202 \n"},
    // Second order (even top): the right crop is on row DT + k.
    {"second order, right crop", MakeRect(100, 200, 820, 204), 2, DDERR_SURFACEBUSY,
     "pDestination->Blt(&destination_line, pSource, &source_line_right, DDBLT_WAIT, NULL)  failed with "
     "HRESULT(0x887601AE)\nDDERR_SURFACEBUSY\n"},
    {"second order, left crop", MakeRect(100, 200, 820, 204), 3, E_FAIL,
     "pDestination->Blt(&destination_line, pSource, &source_line_left, DDBLT_WAIT, NULL)  failed with "
     "HRESULT(0x80004005)\nDDERR_GENERIC\n"},
    {"second order, positive result", MakeRect(100, 200, 820, 204), 0, S_FALSE, ""},
};

TEST_F(StereoRecordingTest, SyntheticPairFailureTexts)
{
    for (const SyntheticFailureCase &c : syntheticFailures) {
        ClearLog();
        recorder.copies.clear();
        FailCopy(c.failing, c.result);
        // A 2-row frame over 4 rows: pair 0 reads source row 0, pair 2 row 1.
        METHOD2_Display_2D_to_Interlaced(&source, &screen, MakeRect(0, 0, 720, 2), c.destination, 50, LEFT_TOP);
        EXPECT_EQ(4u, Copies().size()) << c.name;
        EXPECT_EQ(c.log, Logged()) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Work-surface routines

std::vector<std::string> InterlaceRows(int flag, long width, long height)
{
    std::vector<std::string> rows;
    for (long r = flag == 0 ? 1 : 0; r < height; r += 2)
        rows.push_back(BltFastText("left", 0, r, "right", MakeRect(0, r, width, r + 1), DDBLTFAST_WAIT));
    return rows;
}

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct WorkCase {
    const char *name;
    int coding;
    RECT source, destination;
    int eye;
    RECT leftRect, rightRect;
    int flag;
};

// clang-format off
const WorkCase workCases[] = {
    // Worked example: top 100 is even and LEFT_TOP asks for odd, so flag 1 puts the
    // right view on buffer rows 0, 2, ...; buffer row 1 (left view) lands on row 101.
    {"PURE_LR worked example", PURE_LR, MakeRect(0, 0, 1440, 576), MakeRect(0, 100, 720, 676), LEFT_TOP,
     MakeRect(0, 0, 720, 576), MakeRect(721, 0, 1440, 576), 1},
    {"PURE_LR one row lower", PURE_LR, MakeRect(0, 0, 1440, 576), MakeRect(0, 101, 720, 677), LEFT_TOP,
     MakeRect(0, 0, 720, 576), MakeRect(721, 0, 1440, 576), 0},
    {"PURE_LR RIGHT_TOP", PURE_LR, MakeRect(0, 0, 1440, 576), MakeRect(0, 100, 720, 676), RIGHT_TOP,
     MakeRect(0, 0, 720, 576), MakeRect(721, 0, 1440, 576), 0},
    {"PURE_AB", PURE_AB, PAL, MakeRect(100, 201, 820, 681), LEFT_TOP, MakeRect(0, 0, 720, 288),
     MakeRect(0, 289, 720, 576), 0},
    {"SHIFTED_AB", SHIFTED_AB, PAL, MakeRect(100, 200, 820, 680), LEFT_TOP, MakeRect(0, 0, 720, 274),
     MakeRect(0, 302, 720, 576), 1},
    {"SHIFTED_AB one row", SHIFTED_AB, PAL, MakeRect(100, 201, 820, 202), LEFT_TOP, MakeRect(0, 0, 720, 274),
     MakeRect(0, 302, 720, 576), 0},
    {"SHIFTED_AB one row RIGHT_TOP", SHIFTED_AB, PAL, MakeRect(100, 201, 820, 202), RIGHT_TOP,
     MakeRect(0, 0, 720, 274), MakeRect(0, 302, 720, 576), 1},
};
// clang-format on

TEST_F(StereoRecordingTest, UniversalDisplayInterlacedFillsMergesAndShows)
{
    for (const WorkCase &c : workCases) {
        recorder.copies.clear();
        EXPECT_EQ(DD_OK, Universal_Display_Interlaced(&source, &screen, &left, &right, c.source, c.destination,
                                                      c.coding, c.eye))
            << c.name;
        const long w = c.destination.right - c.destination.left, h = c.destination.bottom - c.destination.top;
        const RECT work = MakeRect(0, 0, w, h);
        std::vector<std::string> expected = {BltText("left", work, "source", c.leftRect, DDBLT_WAIT),
                                             BltText("right", work, "source", c.rightRect, DDBLT_WAIT)};
        expected = Join(expected, InterlaceRows(c.flag, w, h));
        expected.push_back(BltText("screen", c.destination, "left", work, DDBLT_WAIT));
        EXPECT_EQ(expected, Copies()) << c.name;
    }
    EXPECT_EQ("", Logged());
}

TEST_F(StereoRecordingTest, UniversalDisplayInterlacedSplitsAnInterlacedFrame)
{
    const RECT frame = MakeRect(0, 0, 640, 480), area = MakeRect(10, 21, 810, 621);
    EXPECT_EQ(DD_OK,
              Universal_Display_Interlaced(&source, &screen, &left, &right, frame, area, PURE_INTERLACED, LEFT_TOP));
    std::vector<std::string> expected;
    for (long i = 0; 2 * i < 480; i++) {
        const RECT band = MakeRect(0, (2 * i * 600) / 480, 800, (2 * (i + 1) * 600) / 480);
        expected.push_back(BltText("left", band, "source", MakeRect(0, 2 * i, 640, 2 * i + 1), 0));
        expected.push_back(BltText("right", band, "source", MakeRect(0, 2 * i + 1, 640, 2 * i + 2), 0));
    }
    expected = Join(expected, InterlaceRows(0, 800, 600));
    expected.push_back(BltText("screen", area, "left", MakeRect(0, 0, 800, 600), DDBLT_WAIT));
    EXPECT_EQ(expected, Copies());
}

struct SyntheticWorkCase {
    const char *name;
    RECT source;
    int strength;
    RECT leftRect, rightRect;
};

const SyntheticWorkCase syntheticWorkCases[] = {
    {"strength 50", PAL, 50, MakeRect(21, 0, 720, 576), MakeRect(0, 0, 699, 576)},
    {"strength 100", PAL, 100, MakeRect(43, 0, 720, 576), MakeRect(0, 0, 677, 576)},
    {"width 800", MakeRect(0, 0, 800, 600), 50, MakeRect(24, 0, 800, 600), MakeRect(0, 0, 776, 600)},
    {"strength 0: two equal pictures", PAL, 0, PAL, PAL},
    // Rows T..B-1 of the source, unlike the line routine.
    {"source below row 0", MakeRect(0, 8, 720, 584), 50, MakeRect(21, 8, 720, 584), MakeRect(0, 8, 699, 584)},
    {"huge strength", PAL, 1 << 30, MakeRect(719, 0, 720, 576), MakeRect(0, 0, 1, 576)},
    {"negative strength", PAL, -100, MakeRect(719, 0, 720, 576), MakeRect(0, 0, 1, 576)},
};

TEST_F(StereoRecordingTest, Method1SyntheticPairThroughTheWorkSurfaces)
{
    const RECT area = MakeRect(0, 51, 720, 627);
    for (const SyntheticWorkCase &c : syntheticWorkCases) {
        recorder.copies.clear();
        EXPECT_EQ(DD_OK, METHOD1_Display_2D_to_Interlaced(&source, &screen, &left, &right, c.source, area, c.strength,
                                                          LEFT_TOP))
            << c.name;
        const RECT work = MakeRect(0, 0, 720, 576);
        std::vector<std::string> expected = {BltText("left", work, "source", c.leftRect, DDBLT_WAIT),
                                             BltText("right", work, "source", c.rightRect, DDBLT_WAIT)};
        expected = Join(expected, InterlaceRows(0, 720, 576));
        expected.push_back(BltText("screen", area, "left", work, DDBLT_WAIT));
        EXPECT_EQ(expected, Copies()) << c.name;
    }
}

TEST_F(StereoRecordingTest, ThreeDTo2DShowsTheFirstView)
{
    const RECT area = MakeRect(5, 6, 805, 606);
    struct {
        int coding;
        RECT leftRect;
    } cases[] = {
        {SHIFTED_AB, MakeRect(0, 0, 720, 274)},
        {PURE_AB, MakeRect(0, 0, 720, 288)},
        {PURE_LR, MakeRect(0, 0, 360, 576)},
    };
    for (const auto &c : cases) {
        recorder.copies.clear();
        EXPECT_EQ(DD_OK, Universal_Display_3D_to_2D(&source, &screen, &left, PAL, area, c.coding));
        EXPECT_EQ(std::vector<std::string>{BltText("screen", area, "source", c.leftRect, DDBLT_WAIT)}, Copies())
            << c.coding;
    }

    recorder.copies.clear();
    const RECT frame = MakeRect(0, 0, 640, 480);
    EXPECT_EQ(DD_OK, Universal_Display_3D_to_2D(&source, &screen, &left, frame, area, PURE_INTERLACED));
    // The even rows, unscaled, one under the other; then one stretch of that
    // one-view picture: no row of the other view is ever next to one of the first.
    std::vector<std::string> expected;
    for (long i = 0; 2 * i < 480; i++)
        expected.push_back(
            BltText("left", MakeRect(0, i, 640, i + 1), "source", MakeRect(0, 2 * i, 640, 2 * i + 1), DDBLT_WAIT));
    expected.push_back(BltText("screen", area, "left", MakeRect(0, 0, 640, 240), DDBLT_WAIT));
    EXPECT_EQ(expected, Copies());

    // An odd number of rows: the last even row is the picture's last.
    recorder.copies.clear();
    EXPECT_EQ(DD_OK, Universal_Display_3D_to_2D(&source, &screen, &left, MakeRect(0, 0, 8, 5), area, PURE_INTERLACED));
    EXPECT_EQ(BltText("left", MakeRect(0, 2, 8, 3), "source", MakeRect(0, 4, 8, 5), DDBLT_WAIT), Copies()[2]);
    EXPECT_EQ(BltText("screen", area, "left", MakeRect(0, 0, 8, 3), DDBLT_WAIT), Copies().back());
    EXPECT_EQ(4u, Copies().size());
}

TEST_F(StereoRecordingTest, WorkRectangleIsCutToTheWorkSurfaces)
{
    // Screen-sized work surfaces and a destination wider and taller than the
    // screen: the work picture fills the surfaces and the final copy stays unscaled.
    left.width = right.width = 1024;
    left.height = right.height = 768;
    const RECT area = MakeRect(-100, 11, 1200, 900);
    EXPECT_EQ(DD_OK, Universal_Display_Interlaced(&source, &screen, &left, &right, PAL, area, PURE_AB, LEFT_TOP));
    const RECT work = MakeRect(0, 0, 1024, 768);
    // clang-format off
    std::vector<std::string> expected = {
        BltText("left", work, "source", MakeRect(0, 0, 720, 288), DDBLT_WAIT),
        BltText("right", work, "source", MakeRect(0, 289, 720, 576), DDBLT_WAIT)};
    // clang-format on
    expected = Join(expected, InterlaceRows(0, 1024, 768));
    expected.push_back(BltText("screen", MakeRect(-100, 11, 924, 779), "left", work, DDBLT_WAIT));
    EXPECT_EQ(expected, Copies());

    // The smaller of the two surfaces decides; the 3D-to-2D field copy is cut too.
    recorder.copies.clear();
    right.height = 500;
    METHOD1_Display_2D_to_Interlaced(&source, &screen, &left, &right, PAL, area, 0, LEFT_TOP);
    EXPECT_EQ(BltText("screen", MakeRect(-100, 11, 924, 511), "left", MakeRect(0, 0, 1024, 500), DDBLT_WAIT),
              Copies().back());

    // The 3D-to-2D field picture is cut to the work surface too (a frame wider
    // and taller than it), and stretched onto the whole destination.
    recorder.copies.clear();
    left.height = 200;
    Universal_Display_3D_to_2D(&source, &screen, &left, MakeRect(0, 0, 1300, 576), area, PURE_INTERLACED);
    for (const std::string &copy : Copies()) {
        if (copy.find("left Blt") == 0) {
            const size_t brace = copy.find('{');
            int l, t, r, b;
            ASSERT_EQ(4, sscanf(copy.c_str() + brace, "{%d,%d,%d,%d}", &l, &t, &r, &b)) << copy;
            EXPECT_LE(r, 1024) << copy;
            EXPECT_LE(b, 200) << copy;
        }
    }
    EXPECT_EQ(201u, Copies().size());
    EXPECT_EQ(BltText("screen", area, "left", MakeRect(0, 0, 1024, 200), DDBLT_WAIT), Copies().back());
}

TEST_F(StereoRecordingTest, WorkRoutineLogsEachFailedStepAndGoesOn)
{
    // Copy 0 fills the left picture, copy 1 the right one, copies 2..4 merge rows
    // 1, 3, 5 of a 6-row picture, copy 5 is the final one.
    struct {
        size_t failing;
        HRESULT result;
        HRESULT returned;
        const char *log;
    } cases[] = {
        {0, DDERR_SURFACEBUSY, DD_OK,
         "pBufferLeft->Blt(&buffer_destination, pSource, &left_rect, DDBLT_WAIT, NULL)  failed with "
         "HRESULT(0x887601AE)\nDDERR_SURFACEBUSY\n"},
        {1, E_FAIL, DD_OK,
         "pBufferRight->Blt(&buffer_destination, pSource, &right_rect, DDBLT_WAIT, NULL)  failed with "
         "HRESULT(0x80004005)\nDDERR_GENERIC\n"},
        // A failed row in the middle of the merge is not the merge's result.
        {3, E_FAIL, DD_OK, ""},
        {4, DDERR_SURFACELOST, DD_OK,
         "Interlace2(pBufferLeft,pBufferRight,buffer_destination,0)  failed with HRESULT(0x887601C2)\n"
         "DDERR_SURFACELOST The surface's video memory was lost (screen locked or display mode changed); it must be "
         "restored.\n"},
        {5, DDERR_INVALIDRECT, DDERR_INVALIDRECT,
         "pDestination->Blt(&destination, pBufferLeft, &buffer_destination, DDBLT_WAIT, NULL)  failed with "
         "HRESULT(0x88760096)\n DDERR_INVALIDRECT The specified clipping rectangle is invalid. \n"},
    };
    for (const auto &c : cases) {
        ClearLog();
        recorder.copies.clear();
        FailCopy(c.failing, c.result);
        EXPECT_EQ(c.returned, Universal_Display_Interlaced(&source, &screen, &left, &right, PAL, MakeRect(0, 1, 720, 7),
                                                           PURE_AB, LEFT_TOP))
            << c.failing;
        EXPECT_EQ(6u, Copies().size()) << c.failing;
        EXPECT_EQ(c.log, Logged()) << c.failing;
    }
}

TEST_F(StereoRecordingTest, WorkRoutineFailureTextsPerRoutine)
{
    // METHOD1 in the second order: the merge text names flag 1.
    FailCopy(4, E_FAIL);
    METHOD1_Display_2D_to_Interlaced(&source, &screen, &left, &right, PAL, MakeRect(0, 0, 720, 6), 50, LEFT_TOP);
    EXPECT_EQ("Interlace2(pBufferLeft,pBufferRight,buffer_destination,1)  failed with HRESULT(0x80004005)\n"
              "DDERR_GENERIC\n",
              Logged());

    ClearLog();
    recorder.copies.clear();
    FailCopy(0, E_FAIL);
    EXPECT_EQ(E_FAIL, Universal_Display_3D_to_2D(&source, &screen, &left, PAL, MakeRect(0, 0, 720, 6), PURE_LR));
    EXPECT_EQ("pDestination->Blt(&destination, pSource, &left_rect, DDBLT_WAIT, NULL)  failed with "
              "HRESULT(0x80004005)\nDDERR_GENERIC\n",
              Logged());

    ClearLog();
    recorder.copies.clear();
    FailCopy(3, DDERR_SURFACEBUSY); // the final copy after 3 field rows
    EXPECT_EQ(DDERR_SURFACEBUSY, Universal_Display_3D_to_2D(&source, &screen, &left, MakeRect(0, 0, 8, 6),
                                                            MakeRect(0, 0, 8, 6), PURE_INTERLACED));
    EXPECT_EQ("pDestination->Blt(&destination, pBufferLeft, &buffer_destination, DDBLT_WAIT, NULL)  failed with "
              "HRESULT(0x887601AE)\nDDERR_SURFACEBUSY\n",
              Logged());
}

TEST_F(StereoRecordingTest, MissingWorkSurface)
{
    // The right picture cannot be filled or merged: both are logged and the left
    // picture (first view only) is still shown.
    EXPECT_EQ(DD_OK, Universal_Display_Interlaced(&source, &screen, &left, NULL, PAL, MakeRect(0, 1, 720, 5), PURE_AB,
                                                  LEFT_TOP));
    EXPECT_EQ("pBufferRight->Blt(&buffer_destination, pSource, &right_rect, DDBLT_WAIT, NULL)  failed with "
              "HRESULT(0x80070057)\nDDERR_INVALIDPARAMS\n"
              "Interlace2(pBufferLeft,pBufferRight,buffer_destination,0)  failed with HRESULT(0x80070057)\n"
              "DDERR_INVALIDPARAMS\n",
              Logged());
    const std::vector<std::string> expected = {
        BltText("left", MakeRect(0, 0, 720, 4), "source", MakeRect(0, 0, 720, 288), DDBLT_WAIT),
        BltText("screen", MakeRect(0, 1, 720, 5), "left", MakeRect(0, 0, 720, 4), DDBLT_WAIT)};
    EXPECT_EQ(expected, Copies());
}

TEST_F(StereoRecordingTest, MissingLeftWorkSurfaceFailsTheFinalCopy)
{
    // Nothing could be put together: the final copy has no source and is not
    // made (a copy from no surface would be a colour fill of the movie area).
    const char *finalCopyFailed = "pDestination->Blt(&destination, pBufferLeft, &buffer_destination, DDBLT_WAIT, "
                                  "NULL)  failed with HRESULT(0x80070057)\nDDERR_INVALIDPARAMS\n";
    EXPECT_EQ(E_INVALIDARG, Universal_Display_Interlaced(&source, &screen, NULL, &right, PAL, MakeRect(0, 1, 720, 5),
                                                         PURE_AB, LEFT_TOP));
    EXPECT_NE(std::string::npos, Logged().find(finalCopyFailed)) << Logged();
    for (const std::string &copy : Copies())
        EXPECT_NE(0u, copy.find("screen")) << copy;

    for (int coding : {PURE_AB, PURE_INTERLACED}) {
        ClearLog();
        recorder.copies.clear();
        EXPECT_EQ(E_INVALIDARG, METHOD1_Display_2D_to_Interlaced(&source, &screen, NULL, &right, PAL,
                                                                 MakeRect(0, 1, 720, 5), 50, LEFT_TOP));
        EXPECT_NE(std::string::npos, Logged().find(finalCopyFailed)) << Logged();
        ClearLog();
        recorder.copies.clear();
        const HRESULT result = Universal_Display_3D_to_2D(&source, &screen, NULL, PAL, MakeRect(0, 1, 720, 5), coding);
        if (coding == PURE_INTERLACED) {
            EXPECT_EQ(E_INVALIDARG, result);
            EXPECT_EQ(finalCopyFailed, Logged());
            EXPECT_TRUE(Copies().empty());
        } else {
            EXPECT_EQ(DD_OK, result) << "no work surface needed";
        }
    }
}

TEST_F(StereoRecordingTest, WorkRoutinesHaveNoGuardForAnEmptyDestination)
{
    // They make their copies and return the final one's result.
    recorder.resultOf = [](size_t) { return DDERR_INVALIDRECT; };
    EXPECT_EQ(DDERR_INVALIDRECT, Universal_Display_Interlaced(&source, &screen, &left, &right, PAL,
                                                              MakeRect(0, 100, 720, 100), PURE_AB, LEFT_TOP));
    const std::vector<std::string> expected = {
        BltText("left", MakeRect(0, 0, 720, 0), "source", MakeRect(0, 0, 720, 288), DDBLT_WAIT),
        BltText("right", MakeRect(0, 0, 720, 0), "source", MakeRect(0, 289, 720, 576), DDBLT_WAIT),
        BltText("screen", MakeRect(0, 100, 720, 100), "left", MakeRect(0, 0, 720, 0), DDBLT_WAIT)};
    EXPECT_EQ(expected, Copies());

    recorder.copies.clear();
    EXPECT_EQ(DDERR_INVALIDRECT,
              Universal_Display_3D_to_2D(&source, &screen, &left, PAL, MakeRect(0, 100, 720, 100), PURE_LR));
    EXPECT_EQ(1u, Copies().size());
}

} // namespace
