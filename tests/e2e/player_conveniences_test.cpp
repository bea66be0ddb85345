// What people expect of a movie player beyond the menus: the stereo layout taken
// from the movie's file name.
#include "driver.h"
#include "movie_marks.h"

#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 30000;

struct NamedMovie {
    const char *name;        // the file name the side-by-side test movie is given
    const char *line;        // the log line, or nullptr when no marker may be found
    Mark oddRows;            // what the odd screen rows show on interlaced output
};
void PrintTo(const NamedMovie &c, std::ostream *os) { *os << c.name; }

class LayoutFromName : public ::testing::TestWithParam<NamedMovie> {
protected:
    void TearDown() override
    {
        if (player.Running())
            player.Kill();
        if (!folder.empty())
            RemoveTree(folder);
    }
    ProgramUnderTest player;
    std::string folder;
};

// The stored settings say SHIFTED_AB with the left eye first; the movie is
// side by side with the left eye's view on the left.
TEST_P(LayoutFromName, AMarkerInTheNameSetsTheCodingForThatMovie)
{
    const NamedMovie c = GetParam();
    folder = MakeTempFolder("layout_");
    const std::string movie = folder + "\\" + c.name;
    ASSERT_TRUE(CopyFileA(TestMovie("plr_320.avi").c_str(), movie.c_str(), FALSE));
    PlayerSettings settings; // SHIFTED_AB, LEFT_TOP, interlaced, method 2
    ASSERT_TRUE(StartPlayer(player, settings, movie));
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS)) << ReadLogText(player.log());
    const std::string log = ReadLogText(player.log());
    EXPECT_EQ(c.line ? 1 : 0, CountOf(log, "Stereo layout from the file name")) << log;
    if (!c.line)
        return;
    EXPECT_EQ(1, CountOf(log, c.line)) << log;

    ScreenPixels screen;
    ASSERT_TRUE(CaptureScreen(MovieArea(window), &screen));
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16;
    const Mark evenRows = c.oddRows == Mark::LeftEye ? Mark::RightEye : Mark::LeftEye;
    int wrong = 0;
    for (int y = a.top; y < a.bottom; y++) {
        const Mark expected = y % 2 ? c.oddRows : evenRows;
        if (ClassifyMark(screen.At(x, y)) != expected && wrong++ < 5)
            ADD_FAILURE() << "screen row " << y << " shows " << MarkName(ClassifyMark(screen.At(x, y)));
    }
    EXPECT_EQ(0, wrong);
}

INSTANTIATE_TEST_SUITE_P(
    , LayoutFromName,
    ::testing::Values(
        NamedMovie{"Trip [Half-SBS].avi", "Stereo layout from the file name: marker \"Half-SBS\", PURE_LR LEFT_TOP\n",
                   Mark::LeftEye},
        NamedMovie{"trip.rl.avi", "Stereo layout from the file name: marker \"rl\", PURE_LR RIGHT_TOP\n",
                   Mark::RightEye},
        NamedMovie{"TABLE tennis.avi", nullptr, Mark::Other}),
    [](const ::testing::TestParamInfo<NamedMovie> &info) {
        return std::string(info.param.line ? (info.param.oddRows == Mark::LeftEye ? "HalfSBS" : "RL") : "NoMarker");
    });

} // namespace
