// A high-definition movie on a screen smaller than its frame: a 1920x1080 half
// side-by-side H.264 movie on the 1024x768 test screen, in every output with
// both drawing methods. Every frame plays (the work surfaces grow to hold it),
// the window is the largest of the frame's shape that the screen's work area
// holds, and every screen row shows the view its parity asks for.
#include "driver.h"
#include "player_test.h"
#include "movie_marks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>

namespace {

const DWORD WAIT_MS = 120000;
const int FRAMES = 12; // tests/CMakeLists.txt: halfwidth_1920x1080.mp4
const int WIDTH = 1920, HEIGHT = 1080;

enum { PURE_LR = 1078 };
enum { LEFT_TOP = 1080, RIGHT_TOP };
enum { NO_STEREO = 1072, INTERLACED, TWO_D_TO_3D, THREE_D_TO_2D };
enum { METHOD1 = 1082, METHOD2, METHOD3 = 1114 };

struct HdCase {
    int output, eye, method;
};

std::string NameOf(const HdCase &c)
{
    const char *outputs[] = {"Plain2D", "Interlaced", "TwoDToThreeD", "ThreeDToTwoD"};
    return std::string(outputs[c.output - NO_STEREO]) + (c.eye == LEFT_TOP ? "_LeftTop" : "_RightTop") +
           (c.method == METHOD1   ? "_Method1"
            : c.method == METHOD2 ? "_Method2"
                                  : "_Method3");
}
std::string CaseName(const ::testing::TestParamInfo<HdCase> &info) { return NameOf(info.param); }
void PrintTo(const HdCase &c, std::ostream *os) { *os << NameOf(c); }

class PlaybackHd : public PlayerTest<::testing::TestWithParam<HdCase>> {};

TEST_P(PlaybackHd, PlaysEveryFrameInAFittedWindowWithTheRightRows)
{
    const HdCase c = GetParam();
    PlayerSettings settings;
    settings.StereoCodingFormat = PURE_LR;
    settings.OutputFormat = c.output;
    settings.EyeCodingFormat = c.eye;
    settings.VideomemoryMethod = c.method;
    ASSERT_TRUE(StartPlayer(player, settings, TestMovie("halfwidth_1920x1080.mp4")));
    window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS)) << ReadLogText(player.log());

    const std::string log = ReadLogText(player.log());
    EXPECT_NE(std::string::npos, log.find("Movie resolution 1920 x 1080 \n")) << log;
    EXPECT_EQ(0, CountOf(log, "failed with") - CountOf(log, "GetInformation(&pdwFlags, NULL)  failed with")) << log;
    EXPECT_EQ(std::string::npos, log.find("first frame")) << log;
    const int played = (int)NumberAfterLast(log, "Frames played: ");
    EXPECT_GE(played, FRAMES - 1) << log;
    EXPECT_LE(played, FRAMES) << log;
    // The test screen cannot hold the frame: the work surfaces grow, and the
    // window takes the work area's width with the frame's shape.
    EXPECT_NE(std::string::npos, log.find("to 1920 x 1080\nresult of DD surfaces creation\nDD_OK Success.\n")) << log;
    EXPECT_NE(std::string::npos, log.find("Window fitted to the work area iX,iY,nWidth,nHeight ")) << log;

    const RECT area = MovieArea(window);
    const int width = area.right - area.left, height = area.bottom - area.top;
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    EXPECT_NEAR((double)WIDTH / HEIGHT, (double)width / height, 0.02) << width << "x" << height;
    RECT work;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_GE(placed.left, work.left);
    EXPECT_GE(placed.top, work.top);
    EXPECT_LE(placed.right, work.right);
    EXPECT_LE(placed.bottom, work.bottom);
    EXPECT_GT(width, (work.right - work.left) * 9 / 10) << "the largest window that fits";

    // The last frame stands. The column read lies inside the marker band of the
    // left view in every output (the band is the view's leftmost eighth; 2D to
    // 3D moves it by its shift of 3 % of the frame).
    ScreenPixels screen;
    ASSERT_TRUE(CaptureScreen(area, &screen));
    const int x = area.left + width / 64;
    int wrong = 0, unreadable = 0;
    std::vector<int> frames;
    for (int y = area.top; y < area.bottom; y++) {
        const DWORD pixel = screen.At(x, y);
        const Mark seen = LossyMark(pixel);
        if (seen == Mark::Other) {
            // The stretch filter may blend the row below the frame into the last rows.
            if (y < area.bottom - 3 && unreadable++ < 5)
                ADD_FAILURE() << "screen row " << y << " pixel " << std::hex << pixel << " is no marker";
            continue;
        }
        Mark expected = Mark::LeftEye;
        if (c.output == INTERLACED)
            expected = (y % 2 == 1) == (c.eye == LEFT_TOP) ? Mark::LeftEye : Mark::RightEye;
        if (seen != expected) {
            if (wrong++ < 5)
                ADD_FAILURE() << "screen row " << y << " shows " << MarkName(seen) << ", expected "
                              << MarkName(expected);
            continue;
        }
        frames.push_back(LossyFrame(pixel));
    }
    EXPECT_EQ(0, wrong);
    EXPECT_EQ(0, unreadable);
    ASSERT_FALSE(frames.empty());
    std::nth_element(frames.begin(), frames.begin() + frames.size() / 2, frames.end());
    EXPECT_NEAR(FRAMES - 1, frames[frames.size() / 2], 1) << "the last frame stands";
}

std::vector<HdCase> AllCases()
{
    std::vector<HdCase> cases;
    for (int method : {METHOD1, METHOD2, METHOD3}) {
        cases.push_back({NO_STEREO, LEFT_TOP, method});
        cases.push_back({INTERLACED, LEFT_TOP, method});
        cases.push_back({INTERLACED, RIGHT_TOP, method});
        cases.push_back({TWO_D_TO_3D, LEFT_TOP, method});
        cases.push_back({THREE_D_TO_2D, LEFT_TOP, method});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(HighDefinition, PlaybackHd, ::testing::ValuesIn(AllCases()), CaseName);

} // namespace
