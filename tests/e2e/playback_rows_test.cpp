// Every output format, stereo coding, eye order and video-memory method (the
// processor's method 3 too), end to
// end: the player plays a generated movie with the settings from the registry,
// and the screen rows of the movie area are read back while the last frame
// stands. Each row's marker band tells which view (and which row of it) landed
// there; the row parity rule works on absolute screen rows, so the window is then
// moved down by one row and the redrawn frame is checked again.
#include "driver.h"
#include "movie_marks.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>

namespace {

const DWORD WAIT_MS = 30000;
const int LAST_FRAME = 7; // the test movies have 8 frames
const int MOVIE_WIDTH = 320;
const int BAND = MOVIE_WIDTH / 8; // marker band of a full-width view

enum { SHIFTED_AB = 1076, PURE_AB, PURE_LR, PURE_INTERLACED };
enum { LEFT_TOP = 1080, RIGHT_TOP };
enum { NO_STEREO = 1072, INTERLACED, TWO_D_TO_3D, THREE_D_TO_2D };
enum { METHOD1 = 1082, METHOD2, METHOD3 = 1114 };
const int UNDEFINED_CODING = 1099;

const char *MovieFor(int coding)
{
    switch (coding) {
    case SHIFTED_AB: return "sab_320.avi";
    case PURE_AB: return "pab_320.avi";
    case PURE_LR: return "plr_320.avi";
    case PURE_INTERLACED: return "pil_320.avi";
    default: return "2d_320.avi";
    }
}

std::string CaseName(int output, int coding, int eye, int method)
{
    char name[96];
    snprintf(name, sizeof name, "output %d coding %d eye %d method %d", output, coding, eye, method);
    return name;
}

// Checks that a view's relative rows run down the screen from its top to its
// bottom (each view stretched over the whole movie area).
struct RowRun {
    int first = -1, last = -1, backwards = 0;
    void Add(int relativeRow)
    {
        if (first < 0)
            first = relativeRow;
        else if (relativeRow + 3 < last)
            backwards++;
        last = relativeRow;
    }
    void Expect(const char *view) const
    {
        EXPECT_LT(first, 24) << view << " starts at relative row " << first;
        EXPECT_GT(last, 230) << view << " ends at relative row " << last;
        EXPECT_EQ(0, backwards) << view << " runs backwards";
    }
};

// Interlaced output: every row shows one view, the first view on odd screen
// rows with LEFT_TOP and on even rows with RIGHT_TOP, both from the last frame.
void ExpectInterlacedRows(const ScreenPixels &screen, int eye)
{
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16;
    RowRun left, right;
    int wrong = 0;
    for (int y = a.top; y < a.bottom; y++) {
        const DWORD pixel = screen.At(x, y);
        const bool firstView = (y % 2 == 1) == (eye == LEFT_TOP);
        const Mark expected = firstView ? Mark::LeftEye : Mark::RightEye;
        const Mark seen = ClassifyMark(pixel);
        if (seen != expected) {
            if (wrong++ < 5)
                ADD_FAILURE() << "screen row " << y << " shows " << MarkName(seen) << " (" << std::hex << pixel
                              << "), expected " << MarkName(expected);
            continue;
        }
        EXPECT_EQ(LAST_FRAME, FrameCode(pixel)) << "screen row " << y;
        (firstView ? left : right).Add(RelativeRow(pixel));
    }
    EXPECT_EQ(0, wrong) << "rows with the wrong view";
    left.Expect("left eye");
    right.Expect("right eye");
}

// 3D to 2D: the first view alone, stretched over the whole area.
void ExpectFirstViewOnly(const ScreenPixels &screen)
{
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16;
    RowRun run;
    int wrong = 0;
    for (int y = a.top; y < a.bottom; y++) {
        const DWORD pixel = screen.At(x, y);
        // Wine stretches with a linear filter, which blends the frame row below the
        // view into the last screen row: that row may show a mix, never the other view.
        if (y == a.bottom - 1 && ClassifyMark(pixel) == Mark::Other)
            continue;
        if (ClassifyMark(pixel) != Mark::LeftEye) {
            if (wrong++ < 5)
                ADD_FAILURE() << "screen row " << y << " shows " << MarkName(ClassifyMark(pixel));
            continue;
        }
        EXPECT_EQ(LAST_FRAME, FrameCode(pixel)) << "screen row " << y;
        run.Add(RelativeRow(pixel));
    }
    EXPECT_EQ(0, wrong);
    run.Expect("first view");
}

// Plain 2D of a 2D movie: the frame's rows in order, one screen row each.
void ExpectPlainPicture(const ScreenPixels &screen)
{
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16, height = a.bottom - a.top;
    for (int y = a.top; y < a.bottom; y++) {
        const DWORD pixel = screen.At(x, y);
        ASSERT_EQ(Mark::LeftEye, ClassifyMark(pixel)) << "screen row " << y;
        EXPECT_NEAR(((y - a.top) * 256) / height, RelativeRow(pixel), 256 / height + 2) << "screen row " << y;
    }
}

// Plain 2D of a SHIFTED_AB movie: the upper view, the grey band (5 % of the
// frame), the lower view, as they lie in the frame.
void ExpectWholeShiftedFrame(const ScreenPixels &screen)
{
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16, height = a.bottom - a.top;
    const int gap = (5 * 240) / 100, view = (240 - gap) / 2; // frame rows of the band and of a view
    for (int y = a.top; y < a.bottom; y++) {
        const int frameRow = ((y - a.top) * 240) / height;
        const Mark expected = frameRow < view ? Mark::LeftEye : frameRow < view + gap ? Mark::Band : Mark::RightEye;
        EXPECT_EQ(expected, ClassifyMark(screen.At(x, y))) << "screen row " << y << " frame row " << frameRow;
    }
}

// 2D to 3D: both crops of the frame stretched over the area; the crop without
// its first `shift` columns goes to the rows of the first view, so the edge of
// the marker band stands `shift` source columns further left on those rows.
void ExpectShiftedRows(const ScreenPixels &screen, int eye, int strength)
{
    const RECT &a = screen.area;
    const int width = a.right - a.left;
    const int shift = (int)(MOVIE_WIDTH * ((strength * 0.06) * 0.01));
    const double scale = (double)width / (MOVIE_WIDTH - shift);
    const double firstEdge = (BAND - shift) * scale, secondEdge = BAND * scale;
    int wrong = 0;
    for (int y = a.top; y < a.bottom; y++) {
        int edge = 0;
        while (edge < width && ClassifyMark(screen.At(a.left + edge, y)) == Mark::LeftEye)
            edge++;
        const bool firstView = (y % 2 == 1) == (eye == LEFT_TOP);
        const double expected = firstView ? firstEdge : secondEdge;
        if (fabs(edge - expected) > 1.5 && wrong++ < 5)
            ADD_FAILURE() << "screen row " << y << ": band edge at " << edge << ", expected about " << expected
                          << (firstView ? " (first view)" : " (second view)");
    }
    EXPECT_EQ(0, wrong);
}

// No view anywhere in the area: nothing was drawn.
void ExpectNothingDrawn(const ScreenPixels &screen)
{
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16;
    for (int y = a.top; y < a.bottom; y++) {
        const Mark seen = ClassifyMark(screen.At(x, y));
        ASSERT_TRUE(seen != Mark::LeftEye && seen != Mark::RightEye) << "screen row " << y << " shows a view";
    }
}

struct RowCase {
    int output, coding, eye, method;
};

class PlaybackRows : public ::testing::TestWithParam<RowCase> {
protected:
    // Plays the case's movie to its end; the window and its movie area after that.
    void PlayToTheEnd(const RowCase &c, int strength = 50)
    {
        PlayerSettings settings;
        settings.OutputFormat = c.output;
        settings.StereoCodingFormat = c.coding;
        settings.EyeCodingFormat = c.eye;
        settings.VideomemoryMethod = c.method;
        settings.StrenghtOf2Dto3DEffect = strength;
        ASSERT_TRUE(StartPlayer(player, settings, TestMovie(MovieFor(c.coding))));
        window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
        ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS)) << ReadLogText(player.log());
        EXPECT_EQ(1, player.CountInLog("Frames played: 8 \n")) << ReadLogText(player.log());
        // Only the stream's unanswered seeking question is logged as a failure.
        EXPECT_EQ(player.CountInLog("GetInformation(&pdwFlags, NULL)  failed with"), player.CountInLog("failed with"))
            << ReadLogText(player.log());
    }

    // Moves the window down by one row and waits until the frame is drawn again.
    void MoveDownOneRow()
    {
        const int restored = player.CountInLog("Restoring surface by Draw");
        RECT placed;
        GetWindowRect(window, &placed);
        SetWindowPos(window, NULL, placed.left, placed.top + 1, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(player.WaitForLog("Restoring surface by Draw", WAIT_MS, restored + 1));
        // The window settles: a late repaint of the area would show as a failure.
        ScreenPixels settled;
        ASSERT_TRUE(WaitForSteadyScreen(MovieArea(window), 300, WAIT_MS, &settled));
    }

    void Capture(ScreenPixels *screen)
    {
        ASSERT_TRUE(CaptureScreen(MovieArea(window), screen));
        ASSERT_EQ(MOVIE_WIDTH, screen->width);
        ASSERT_EQ(240, screen->height);
    }

    ProgramUnderTest player;
    HWND window = NULL;
};

TEST_P(PlaybackRows, EachScreenRowShowsTheRightView)
{
    const RowCase c = GetParam();
    SCOPED_TRACE(CaseName(c.output, c.coding, c.eye, c.method));
    ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(c));

    for (int position = 0; position < 2; position++) {
        SCOPED_TRACE(position ? "moved down one row" : "where the movie ended");
        if (position) {
            ASSERT_NO_FATAL_FAILURE(MoveDownOneRow());
        }
        ScreenPixels screen;
        ASSERT_NO_FATAL_FAILURE(Capture(&screen));
        switch (c.output) {
        case INTERLACED: ExpectInterlacedRows(screen, c.eye); break;
        case THREE_D_TO_2D: ExpectFirstViewOnly(screen); break;
        case TWO_D_TO_3D: ExpectShiftedRows(screen, c.eye, 50); break;
        default:
            if (c.coding == SHIFTED_AB) {
                ExpectWholeShiftedFrame(screen);
            } else {
                ExpectPlainPicture(screen);
            }
            break;
        }
    }
}

std::vector<RowCase> AllCases()
{
    std::vector<RowCase> cases;
    for (int method : {METHOD1, METHOD2, METHOD3}) {
        for (int coding : {SHIFTED_AB, PURE_AB, PURE_LR, PURE_INTERLACED}) {
            for (int eye : {LEFT_TOP, RIGHT_TOP})
                cases.push_back({INTERLACED, coding, eye, method});
            cases.push_back({THREE_D_TO_2D, coding, coding == PURE_LR ? RIGHT_TOP : LEFT_TOP, method});
        }
        for (int eye : {LEFT_TOP, RIGHT_TOP})
            cases.push_back({TWO_D_TO_3D, UNDEFINED_CODING, eye, method}); // draws whatever the coding
        cases.push_back({NO_STEREO, UNDEFINED_CODING, LEFT_TOP, method});
        cases.push_back({NO_STEREO, SHIFTED_AB, LEFT_TOP, method});
    }
    return cases;
}

std::string ParamName(const ::testing::TestParamInfo<RowCase> &info)
{
    const RowCase &c = info.param;
    const char *outputs[] = {"Plain2D", "Interlaced", "TwoDToThreeD", "ThreeDToTwoD"};
    const char *codings[] = {"ShiftedAB", "PureAB", "PureLR", "PureInterlaced"};
    std::string name =
        std::string(outputs[c.output - NO_STEREO]) + "_" +
        (c.coding >= SHIFTED_AB && c.coding <= PURE_INTERLACED ? codings[c.coding - SHIFTED_AB] : "2DMovie") +
        (c.eye == LEFT_TOP ? "_LeftTop" : "_RightTop") +
        (c.method == METHOD1   ? "_Method1"
         : c.method == METHOD2 ? "_Method2"
                               : "_Method3");
    return name;
}

INSTANTIATE_TEST_SUITE_P(Modes, PlaybackRows, ::testing::ValuesIn(AllCases()), ParamName);

// A coding outside 1076..1079 draws nothing for the outputs that need one: every
// frame logs the undefined coding and the pump reports the drawing path as
// failed. The user answers the box and pauses the movie within the grace time.
class UndefinedCoding : public PlaybackRows {};

TEST_P(UndefinedCoding, DrawsNothingAndTheUserCanPause)
{
    const RowCase c = GetParam();
    SCOPED_TRACE(CaseName(c.output, c.coding, c.eye, c.method));
    PlayerSettings settings;
    settings.OutputFormat = c.output;
    settings.StereoCodingFormat = c.coding;
    settings.VideomemoryMethod = c.method;
    ASSERT_TRUE(StartPlayer(player, settings, TestMovie("transport.avi")));
    window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);

    FoundWindow box;
    ASSERT_TRUE(player.WaitForMessageBox("Error", &box, WAIT_MS));
    EXPECT_EQ("See " + player.log() + " for error analysis", box.text);
    ProgramUnderTest::Answer(box, IDOK);
    WaitUntil("the box to close", WAIT_MS, [&] { return !IsWindow(box.window); });
    ProgramUnderTest::PressKey(window, VK_F6); // within the grace time after the box
    ASSERT_TRUE(player.WaitForLog("Pause()\n", WAIT_MS));

    const std::string draw = c.method == METHOD1 ? "Draw1()" : c.method == METHOD2 ? "Draw2()" : "Draw3()";
    EXPECT_TRUE(
        NothingFor("another failed drawing", 300, [&] { return player.CountInLog(draw + "  failed with") > 1; }));
    const std::string log = ReadLogText(player.log());
    EXPECT_NE(std::string::npos, log.find("Non defined coding format for " + draw + " OUTPUT_PURE_INTERLACED\n" + draw +
                                          "  failed with HRESULT(0x80004005)\nDDERR_GENERIC\n"))
        << log;
    EXPECT_EQ(1, CountOf(log, draw + "  failed with")) << "one box, then paused";
    ScreenPixels screen;
    ASSERT_TRUE(CaptureScreen(MovieArea(window), &screen));
    ExpectNothingDrawn(screen);
}

INSTANTIATE_TEST_SUITE_P(Modes, UndefinedCoding,
                         ::testing::Values(RowCase{INTERLACED, UNDEFINED_CODING, LEFT_TOP, METHOD1},
                                           RowCase{INTERLACED, UNDEFINED_CODING, LEFT_TOP, METHOD2},
                                           RowCase{THREE_D_TO_2D, UNDEFINED_CODING, LEFT_TOP, METHOD1},
                                           RowCase{THREE_D_TO_2D, UNDEFINED_CODING, LEFT_TOP, METHOD2},
                                           RowCase{INTERLACED, UNDEFINED_CODING, LEFT_TOP, METHOD3},
                                           RowCase{THREE_D_TO_2D, UNDEFINED_CODING, LEFT_TOP, METHOD3}),
                         ParamName);

} // namespace
