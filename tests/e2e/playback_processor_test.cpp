// The outputs only the processor draws (method 3), end to end: the player plays
// the generated side-by-side movie to its end and the movie area is read back
// from the screen. Columns and checkerboard follow the absolute screen column
// and row, so the window is moved one row down and one column right and the
// redrawn frame checked again; the anaglyphs are checked against the published
// matrices, computed here.
#include "driver.h"
#include "movie_marks.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace {

const DWORD WAIT_MS = 30000;
const int LAST_FRAME = 7; // the test movies have 8 frames
const int WIDTH = 320, HEIGHT = 240;

enum { PURE_AB = 1077, PURE_LR = 1078, LEFT_TOP = 1080, RIGHT_TOP, METHOD2 = 1083, METHOD3 = 1114 };
enum { INTERLACED = 1073, HALF_LR = 1115, HALF_AB = 1116 };
enum {
    SECOND_VIEW = 1101,
    RED_CYAN,
    RED_CYAN_HALF,
    RED_CYAN_COLOUR,
    RED_CYAN_GREY,
    GREEN_MAGENTA,
    AMBER_BLUE,
    COLUMNS,
    CHECKERBOARD,
    SIDE_BY_SIDE,
    SIDE_BY_SIDE_HALF,
    ABOVE_BELOW,
    ABOVE_BELOW_HALF,
};

// One run of the player.
struct Session {
    ProgramUnderTest player;
    HWND window = NULL;
};

// Plays plr_320.avi (left eye in the left half, each view 160 x 240) to its end,
// or another movie in another coding.
void PlayToTheEnd(Session &s, int output, int eye, int method = METHOD3, const char *movie = "plr_320.avi",
                  int coding = PURE_LR)
{
    PlayerSettings settings;
    settings.OutputFormat = output;
    settings.StereoCodingFormat = coding;
    settings.EyeCodingFormat = eye;
    settings.VideomemoryMethod = method;
    ASSERT_TRUE(StartPlayer(s.player, settings, TestMovie(movie)));
    s.window = WaitForPlayerWindow(s.player, WAIT_MS);
    ASSERT_TRUE(s.window != NULL);
    ASSERT_TRUE(s.player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS)) << ReadLogText(s.player.log());
    EXPECT_EQ(1, s.player.CountInLog("Frames played: 8 \n")) << ReadLogText(s.player.log());
    EXPECT_EQ(s.player.CountInLog("GetInformation(&pdwFlags, NULL)  failed with"), s.player.CountInLog("failed with"))
        << ReadLogText(s.player.log());
}

// Moves the window and waits until the frame is drawn again.
void MoveBy(Session &s, int dx, int dy)
{
    const int restored = s.player.CountInLog("Restoring surface by Draw3()");
    RECT placed;
    GetWindowRect(s.window, &placed);
    SetWindowPos(s.window, NULL, placed.left + dx, placed.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(s.player.WaitForLog("Restoring surface by Draw3()", WAIT_MS, restored + 1));
    // The window settles: a late repaint of the area would show as a failure.
    ScreenPixels settled;
    ASSERT_TRUE(WaitForSteadyScreen(MovieArea(s.window), 300, WAIT_MS, &settled));
}

void Capture(Session &s, ScreenPixels *screen)
{
    ASSERT_TRUE(CaptureScreen(MovieArea(s.window), screen));
    ASSERT_EQ(WIDTH, screen->width);
    ASSERT_EQ(HEIGHT, screen->height);
}

// The marker band of a view (its leftmost eighth) doubled in width: 20 source
// columns, 40 screen columns. Columns 2..30 are inside it for both views.
const int BAND_FROM = 2, BAND_TO = 30;

void ExpectInterleaved(const ScreenPixels &screen, int eye, bool checkerboard)
{
    const RECT &a = screen.area;
    int wrong = 0;
    for (int y = a.top; y < a.bottom; y++) {
        for (int x = a.left + BAND_FROM; x < a.left + BAND_TO; x++) {
            const bool leftEye = ((checkerboard ? x + y : x) & 1) == 1;
            const bool firstView = leftEye == (eye == LEFT_TOP);
            const Mark expected = firstView ? Mark::LeftEye : Mark::RightEye;
            const DWORD pixel = screen.At(x, y);
            if (ClassifyMark(pixel) != expected) {
                if (wrong++ < 5)
                    ADD_FAILURE() << "screen pixel " << x << "," << y << " shows " << MarkName(ClassifyMark(pixel))
                                  << " (" << std::hex << pixel << "), expected " << MarkName(expected);
                continue;
            }
            EXPECT_EQ(LAST_FRAME, FrameCode(pixel)) << x << "," << y;
        }
    }
    EXPECT_EQ(0, wrong);
}

TEST(ProcessorOutputs, ColumnsAndCheckerboardFollowTheScreenColumnAndRow)
{
    for (int output : {COLUMNS, CHECKERBOARD}) {
        for (int eye : {LEFT_TOP, RIGHT_TOP}) {
            SCOPED_TRACE(std::string(output == COLUMNS ? "columns" : "checkerboard") +
                         (eye == LEFT_TOP ? ", left eye first" : ", right eye first"));
            Session run;
            ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(run, output, eye));
            const int moves[][2] = {{0, 0}, {0, 1}, {1, 0}};
            for (const auto &move : moves) {
                SCOPED_TRACE("moved by " + std::to_string(move[0]) + "," + std::to_string(move[1]));
                if (move[0] || move[1]) {
                    ASSERT_NO_FATAL_FAILURE(MoveBy(run, move[0], move[1]));
                }
                ScreenPixels screen;
                ASSERT_NO_FATAL_FAILURE(Capture(run, &screen));
                ExpectInterleaved(screen, eye, output == CHECKERBOARD);
            }
        }
    }
}

struct Published {
    int output;
    const char *name;
    double left[3][3], right[3][3]; // rows: output R, G, B; columns: input R, G, B
};

// The published least-squares matrices (Dubois) and the plain red/cyan kinds.
// clang-format off
const Published kMatrices[] = {
    {RED_CYAN,
     "red/cyan",
     {{0.456100, 0.500484, 0.176381}, {-0.0400822, -0.0378246, -0.0157589}, {-0.0152161, -0.0205971, -0.00546856}},
     {{-0.0434706, -0.0879388, -0.00155529}, {0.378476, 0.73364, -0.0184503}, {-0.0721527, -0.112961, 1.2264}}},
    {RED_CYAN_HALF, "red/cyan half colour", {{0.299, 0.587, 0.114}, {0, 0, 0}, {0, 0, 0}},
     {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
    {RED_CYAN_COLOUR, "red/cyan colour", {{1, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
    {RED_CYAN_GREY, "red/cyan grey", {{0.299, 0.587, 0.114}, {0, 0, 0}, {0, 0, 0}},
     {{0, 0, 0}, {0.299, 0.587, 0.114}, {0.299, 0.587, 0.114}}},
    {GREEN_MAGENTA,
     "green/magenta",
     {{-0.062, -0.158, -0.039}, {0.284, 0.668, 0.143}, {-0.015, -0.027, 0.021}},
     {{0.529, 0.705, 0.024}, {-0.016, -0.015, -0.065}, {0.009, 0.075, 0.937}}},
    {AMBER_BLUE,
     "amber/blue",
     {{1.062, -0.205, 0.299}, {-0.026, 0.908, 0.068}, {-0.038, -0.173, 0.022}},
     {{-0.016, -0.123, -0.017}, {0.006, 0.062, -0.017}, {0.094, 0.185, 0.911}}},
};
// clang-format on

TEST(ProcessorOutputs, AnaglyphPixelsFollowThePublishedMatrices)
{
    for (const Published &m : kMatrices) {
        SCOPED_TRACE(m.name);
        Session run;
        ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(run, m.output, LEFT_TOP));
        ScreenPixels screen;
        ASSERT_NO_FATAL_FAILURE(Capture(run, &screen));
        const RECT &a = screen.area;
        int wrong = 0;
        for (int y = a.top; y < a.bottom; y++) {
            // Inside both marker bands, the movie's pixels are known: the left eye's
            // red 255, blue the frame number; the right eye's blue 255, red the frame
            // number; green the relative row for both (the views are 240 rows high,
            // as the area, so every screen row is one frame row).
            const double g = (double)(((y - a.top) * 256) / HEIGHT);
            const double left[3] = {255, g, LAST_FRAME}, right[3] = {LAST_FRAME, g, 255};
            for (int x = a.left + BAND_FROM; x < a.left + BAND_TO; x += 7) {
                const DWORD pixel = screen.At(x, y);
                const int got[3] = {Red(pixel), Green(pixel), Blue(pixel)};
                for (int c = 0; c < 3; c++) {
                    double v = 0;
                    for (int j = 0; j < 3; j++)
                        v += m.left[c][j] * left[j] + m.right[c][j] * right[j];
                    v = v < 0 ? 0 : v > 255 ? 255 : v;
                    if (fabs(got[c] - v) > 1.0 && wrong++ < 5)
                        ADD_FAILURE() << "screen pixel " << x << "," << y << " channel " << c << ": " << got[c]
                                      << ", expected " << v;
                }
            }
        }
        EXPECT_EQ(0, wrong);
    }
}

TEST(ProcessorOutputs, SideBySideAndAboveBelowForTelevisions)
{
    // Area columns whose mark is known: a view's marker band (its leftmost
    // eighth, scaled with the view) and the black bars; every third row.
    struct Check {
        int x;
        Mark upper, lower; // in the upper and lower half of the area
    };
    struct Case {
        int output, eye;
        const char *name;
        std::vector<Check> checks;
        // clang-format off
    } cases[] = {
        {SIDE_BY_SIDE_HALF, LEFT_TOP, "side by side, half",
         {{3, Mark::LeftEye, Mark::LeftEye}, {163, Mark::RightEye, Mark::RightEye}}},
        // The movie's first view is then the right eye, so it goes right.
        {SIDE_BY_SIDE_HALF, RIGHT_TOP, "side by side, half, right eye first in the movie",
         {{3, Mark::RightEye, Mark::RightEye}, {163, Mark::LeftEye, Mark::LeftEye}}},
        // Full-size views of 160 x 240 fill each 160 x 240 half as they are.
        {SIDE_BY_SIDE, LEFT_TOP, "side by side",
         {{3, Mark::LeftEye, Mark::LeftEye}, {163, Mark::RightEye, Mark::RightEye}}},
        {ABOVE_BELOW_HALF, LEFT_TOP, "above/below, half", {{3, Mark::LeftEye, Mark::RightEye}}},
        // Each 320 x 120 half holds a view of 160 x 240 as 80 x 120 at columns 120..199.
        {ABOVE_BELOW, LEFT_TOP, "above/below",
         {{3, Mark::Black, Mark::Black},
          {110, Mark::Black, Mark::Black},
          {123, Mark::LeftEye, Mark::RightEye},
          {205, Mark::Black, Mark::Black}}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Session run;
        ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(run, c.output, c.eye));
        ScreenPixels screen;
        ASSERT_NO_FATAL_FAILURE(Capture(run, &screen));
        const RECT &a = screen.area;
        for (const Check &check : c.checks) {
            for (int y = 0; y < HEIGHT; y += 3) {
                const Mark want = y < HEIGHT / 2 ? check.upper : check.lower;
                const Mark seen = ClassifyMark(screen.At(a.left + check.x, a.top + y));
                ASSERT_EQ(want, seen) << "area pixel " << check.x << "," << y << " shows " << MarkName(seen)
                                      << ", expected " << MarkName(want);
            }
        }
    }
}

TEST(ProcessorOutputs, SecondViewAloneAndMethodTwoHandsNewOutputsToTheProcessor)
{
    // 3D to 2D, other eye: the second view over the whole area.
    Session run;
    ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(run, SECOND_VIEW, LEFT_TOP));
    ScreenPixels screen;
    ASSERT_NO_FATAL_FAILURE(Capture(run, &screen));
    for (int y = screen.area.top; y < screen.area.bottom; y++)
        ASSERT_EQ(Mark::RightEye, ClassifyMark(screen.At(screen.area.left + 10, y))) << "screen row " << y;

    // With method 2 the same output is drawn by the processor as well.
    Session second;
    ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(second, COLUMNS, LEFT_TOP, METHOD2));
    ASSERT_NO_FATAL_FAILURE(Capture(second, &screen));
    ExpectInterleaved(screen, LEFT_TOP, false);
}

// The half-size codings 3D movies are handed around in: each view squeezed to
// half the width (or height) of the frame, so it shows at the frame's shape.
TEST(ProcessorOutputs, HalfSizeCodingsShowEachViewAtTheFramesShape)
{
    struct Band {
        int x, fromY, toY; // area columns and rows
        Mark mark;
    };
    struct Case {
        const char *name, *movie;
        int coding, output, method;
        std::vector<Band> bands;
        // clang-format off
    } cases[] = {
        // A 320 x 240 view in each 160 x 240 half: 160 x 120, with bars above and below.
        {"side by side, half width, into side by side", "plr_320.avi", HALF_LR, SIDE_BY_SIDE, METHOD3,
         {{3, 0, 58, Mark::Black},
          {3, 62, 178, Mark::LeftEye},
          {3, 182, 240, Mark::Black},
          {163, 62, 178, Mark::RightEye}}},
        // A 320 x 240 view in each 320 x 120 half: 160 x 120, with bars left and right.
        {"above/below, half height, into above/below", "pab_320.avi", HALF_AB, ABOVE_BELOW, METHOD3,
         {{3, 0, 240, Mark::Black}, {83, 0, 118, Mark::LeftEye}, {83, 122, 240, Mark::RightEye}}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Session run;
        ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(run, c.output, LEFT_TOP, c.method, c.movie, c.coding));
        ScreenPixels screen;
        ASSERT_NO_FATAL_FAILURE(Capture(run, &screen));
        const RECT &a = screen.area;
        for (const Band &band : c.bands) {
            for (int y = band.fromY; y < band.toY; y++) {
                const Mark seen = ClassifyMark(screen.At(a.left + band.x, a.top + y));
                ASSERT_EQ(band.mark, seen) << "area pixel " << band.x << "," << y << " shows " << MarkName(seen)
                                           << ", expected " << MarkName(band.mark);
            }
        }
    }

    // Interlaced output of a half-width movie: method 2 hands it to the
    // processor, and the rows alternate between the eyes by screen row.
    Session interlaced;
    ASSERT_NO_FATAL_FAILURE(PlayToTheEnd(interlaced, INTERLACED, RIGHT_TOP, METHOD2, "plr_320.avi", HALF_LR));
    ScreenPixels screen;
    ASSERT_NO_FATAL_FAILURE(Capture(interlaced, &screen));
    const RECT &a = screen.area;
    for (int y = a.top; y < a.bottom; y++) {
        // Right eye top: the movie's first view (marked as the left eye's) takes the even rows.
        const Mark want = (y % 2 == 1) ? Mark::RightEye : Mark::LeftEye;
        ASSERT_EQ(want, ClassifyMark(screen.At(a.left + 10, y))) << "screen row " << y;
    }
}

} // namespace
