// The main window with a movie open: the position slider and a change of the
// video-memory method in the configuration panel.
#include "driver.h"
#include "player_test.h"
#include "movie_marks.h"

#include <commctrl.h>
#include <functional>
#include <stdio.h>
#include <ostream>
#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 30000;

bool WaitForLines(ProgramUnderTest &player, const std::vector<std::string> &lines)
{
    return player.WaitForLines(lines, WAIT_MS);
}

// A frame that stands this long at the band's edge is not moving any more
// (five frames at 25 a second).
const DWORD STANDING_MS = 200;

// The frame number the movie area shows, read from the marker band at its left
// edge; -1 when the band shows no frame.
int FrameAtBandEdge(HWND window)
{
    const RECT area = MovieArea(window);
    const RECT probe = {area.left + 2, (area.top + area.bottom) / 2, area.left + 3, (area.top + area.bottom) / 2 + 1};
    ScreenPixels screen;
    if (!CaptureScreen(probe, &screen))
        return -1;
    const DWORD pixel = screen.At(probe.left, probe.top);
    return ClassifyMark(pixel) == Mark::LeftEye ? FrameCode(pixel) : -1;
}

bool WaitUntilClosed(HWND dialog)
{
    return WaitUntil("the dialog to close", WAIT_MS, [&] { return !IsWindow(dialog); });
}

// Waits until the band's edge shows a frame that wanted takes; -1 after WAIT_MS.
int WaitForBandFrame(HWND window, const char *what, const std::function<bool(int)> &wanted)
{
    return WaitForFrameWhere(window, what, WAIT_MS, wanted, FrameAtBandEdge);
}

// Waits until a frame stands at the band's edge; -1 after WAIT_MS.
int StandingBandFrame(HWND window) { return WaitForStandingFrame(window, STANDING_MS, WAIT_MS, FrameAtBandEdge); }

class PlayerWindow : public PlayerTest<> {
protected:
    void SetUp() override
    {
        // A 5-second movie (50 000 000 units), plain 2D, method 2.
        PlayerSettings settings;
        settings.OutputFormat = 1072;
        ASSERT_TRUE(StartPlayer(player, settings, TestMovie("transport.avi")));
        window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
        ASSERT_TRUE(WaitForLines(player, {"Starting Main Loop\n"})) << ReadLogText(player.log());
        // Playing, some way into the movie.
        ASSERT_GT(WaitForBandFrame(window, "frame 6 or later", [](int frame) { return frame > 5; }), 5);
    }
};

TEST_F(PlayerWindow, SliderSeeksToItsPerMilleAndLeavesTheMoviePaused)
{
    // Paused first, so no frame step can move the thumb between setting it and
    // the scroll message.
    PostMessageA(window, WM_COMMAND, 40007, 0);
    ASSERT_TRUE(WaitForLines(player, {"Pause()\n"}));
    HWND slider = GetDlgItem(window, 1059);
    ASSERT_TRUE(slider != NULL);
    SendMessageA(slider, TBM_SETPOS, TRUE, 500);
    PostMessageA(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 500), (LPARAM)slider);
    const std::string positionLine = "movie->StreamTime.int64, movie->totalTime.int64 ";
    ASSERT_TRUE(WaitForLines(player, {"HandleTrackBar\n", "Play()\n", "Pause()\n",
                                      "Tring to change the movie position\n", "dwPos 500\n", positionLine}))
        << ReadLogText(player.log());
    // The seek goes to 25 000 000; the pause then keeps the time of the frame shown,
    // which is within one frame (400 000 units at 25 frames a second) of it.
    const std::string log = ReadLogText(player.log());
    long long streamTime = -1, totalTime = -1;
    ASSERT_EQ(
        2, sscanf(log.c_str() + log.rfind(positionLine) + positionLine.size(), "%lld %lld", &streamTime, &totalTime));
    EXPECT_EQ(50000000, totalTime);
    EXPECT_NEAR(25000000, streamTime, 400000);
    // Paused: the screen shows the frame at the middle (frame 62 of 125) and keeps
    // showing it.
    const int shown = StandingBandFrame(window);
    EXPECT_NEAR(62, shown, 1);
    EXPECT_TRUE(NothingFor("another frame at the band's edge", 1000, [&] { return FrameAtBandEdge(window) != shown; }))
        << "nothing moves any more";
    // Play resumes from the new position: the first frame after the paused one.
    ProgramUnderTest::PressKey(window, VK_F5);
    EXPECT_TRUE(WaitForLines(player, {"dwPos 500\n", "Play()\n", "Play is interpreting Pause situation\n"}))
        << ReadLogText(player.log());
    const int playing = WaitForBandFrame(window, "a frame other than the paused one",
                                         [&](int frame) { return frame >= 0 && frame != shown; });
    EXPECT_GT(playing, shown) << "playing on from the middle";
    EXPECT_LT(playing, shown + 40);
}

// The user made the window larger, watched (or paused) for a while, then changed
// the video-memory method: the movie is prepared again and is back at the frame
// it showed, in the state it had, in the window of the size it had.
void ChangeTheMethod(ProgramUnderTest &player, HWND window, bool pausedFirst)
{
    RECT original;
    GetWindowRect(window, &original);
    // The player lays out its window anew on each size and logs where it stands.
    const char *laidOut = "screen position after Movie Window";
    const int layouts = player.CountInLog(laidOut);
    SetWindowPos(window, NULL, 0, 0, original.right - original.left + 64, original.bottom - original.top + 48,
                 SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(player.WaitForLog(laidOut, WAIT_MS, layouts + 1));
    RECT resized;
    GetWindowRect(window, &resized);
    int shown;
    if (pausedFirst) {
        PostMessageA(window, WM_COMMAND, 40007, 0);
        ASSERT_TRUE(WaitForLines(player, {"Pause()\n"}));
        shown = StandingBandFrame(window);
    } else {
        shown = WaitForBandFrame(window, "a frame in the larger window", [](int frame) { return frame > 5; });
    }
    ASSERT_GT(shown, 5) << "some way into the movie";

    PostMessageA(window, WM_COMMAND, 40009, 0);
    HWND panel = player.WaitForWindow("#32770", "Configuration panel", WAIT_MS);
    ASSERT_TRUE(panel != NULL);
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1082, BN_CLICKED), (LPARAM)GetDlgItem(panel, 1082));
    PostMessageA(panel, WM_COMMAND, 1069, 0);
    ASSERT_TRUE(WaitForLines(player, {"content of szFilename\n", "Configuration Executed with OK\n",
                                      "We will change the configuration\n", "content of szFilename\n",
                                      "Movie prepared again at the frame it showed\n"}))
        << ReadLogText(player.log());
    if (pausedFirst) {
        const int first = StandingBandFrame(window);
        EXPECT_NEAR(shown, first, 1) << "the frame it showed";
        EXPECT_TRUE(NothingFor("another frame at the band's edge", 600, [&] {
            return FrameAtBandEdge(window) != first;
        })) << "still paused";
    } else {
        // The first frame of the movie prepared again, then the next one.
        const int first =
            WaitForBandFrame(window, "a frame of the movie prepared again", [](int frame) { return frame >= 0; });
        EXPECT_GE(first, shown) << "not started again from the beginning";
        const int second =
            WaitForBandFrame(window, "the frame after it", [&](int frame) { return frame >= 0 && frame != first; });
        EXPECT_GT(second, first) << "playing on";
    }
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_EQ(resized.right - resized.left, after.right - after.left);
    EXPECT_EQ(resized.bottom - resized.top, after.bottom - after.top);
}

TEST_F(PlayerWindow, ChangingTheMethodInThePanelReopensThePlayingMovie) { ChangeTheMethod(player, window, false); }

TEST_F(PlayerWindow, ChangingTheMethodKeepsAPausedMovieAtItsFrame) { ChangeTheMethod(player, window, true); }

TEST_F(PlayerWindow, OnlyTheStrengthChangedDoesNotReopen)
{
    PostMessageA(window, WM_COMMAND, 40009, 0);
    HWND panel = player.WaitForWindow("#32770", "Configuration panel", WAIT_MS);
    ASSERT_TRUE(panel != NULL);
    // The panel sets its controls from the working values when it paints: the
    // slider is moved after that, or the first paint would move it back.
    ASSERT_TRUE(WaitForPaint(panel, WAIT_MS));
    SendDlgItemMessageA(panel, 1084, TBM_SETPOS, TRUE, 80);
    PostMessageA(panel, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)GetDlgItem(panel, 1084));
    PostMessageA(panel, WM_COMMAND, 1069, 0);
    ASSERT_TRUE(WaitForLines(player, {"We will change the configuration\n"}));
    EXPECT_TRUE(
        NothingFor("the movie opened again", 500, [&] { return player.CountInLog("content of szFilename\n") > 1; }));
    EXPECT_EQ(1, CountOf(ReadLogText(player.log()), "content of szFilename\n")) << ReadLogText(player.log());
    // Applied: the panel opened again shows the new strength (it checks its
    // buttons when it paints).
    PostMessageA(window, WM_COMMAND, 40009, 0);
    panel = player.WaitForWindow("#32770", "Configuration panel", WAIT_MS);
    ASSERT_TRUE(panel != NULL);
    EXPECT_TRUE(WaitForPaint(panel, WAIT_MS));
    RedrawWindow(panel, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(WaitForPaint(panel, WAIT_MS));
    EXPECT_EQ(80, (int)SendDlgItemMessageA(panel, 1084, TBM_GETPOS, 0, 0));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(panel, 1072)) << "the rest as it was";
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(panel, 1083));
    PostMessageA(panel, WM_COMMAND, 1070, 0);
    EXPECT_TRUE(WaitForLines(player, {"Configuration Executed with Cancel\n"}));
}

// Closing the file chooser or an empty URL box without a choice: a playing movie
// plays on from where it was, a paused one stays paused; nothing is opened.
struct NoChoice {
    const char *name;
    int command;
    const char *caption;
    bool pausedFirst;
};

void PrintTo(const NoChoice &c, std::ostream *out) { *out << c.name; }

class NothingChosen : public PlayerWindow, public ::testing::WithParamInterface<NoChoice> {};

TEST_P(NothingChosen, TheMovieGoesOnAsItWas)
{
    const NoChoice c = GetParam();
    int before;
    if (c.pausedFirst) {
        PostMessageA(window, WM_COMMAND, 40007, 0);
        ASSERT_TRUE(WaitForLines(player, {"Pause()\n"}));
        before = StandingBandFrame(window);
    } else {
        before = FrameAtBandEdge(window);
    }
    ASSERT_GE(before, 0) << "the movie shows its frames";
    const std::string logBefore = ReadLogText(player.log());

    PostMessageA(window, WM_COMMAND, c.command, 0);
    HWND dialog = player.WaitForWindow("#32770", c.caption, WAIT_MS);
    ASSERT_TRUE(dialog != NULL);
    if (c.command == 40003)
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    else
        ProgramUnderTest::PressKey(GetDlgItem(dialog, 1), VK_ESCAPE);
    ASSERT_TRUE(WaitUntilClosed(dialog));

    if (c.pausedFirst) {
        // No other frame comes. Under Wine the area behind a closed dialog is
        // repainted black after the player's redraw; a move of the window draws
        // the paused frame again.
        auto anotherFrame = [&] {
            const int frame = FrameAtBandEdge(window);
            return frame >= 0 && frame != before;
        };
        EXPECT_TRUE(NothingFor("another frame at the band's edge", 600, anotherFrame)) << "still paused";
        const int redraws = player.CountInLog("Restoring surface by Draw2()\n");
        RECT place;
        GetWindowRect(window, &place);
        SetWindowPos(window, NULL, place.left + 2, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ASSERT_TRUE(player.WaitForLog("Restoring surface by Draw2()\n", WAIT_MS, redraws + 1));
        const int first = StandingBandFrame(window);
        EXPECT_EQ(before, first) << "still paused at its frame";
        EXPECT_TRUE(NothingFor("another frame at the band's edge", 600, [&] {
            return FrameAtBandEdge(window) != first;
        })) << "still paused";
    } else {
        // The first frame after the dialog, then the next one.
        const int first = WaitForBandFrame(window, "a frame after the dialog", [](int frame) { return frame >= 0; });
        EXPECT_GE(first, before) << "not started again from the beginning";
        const int second =
            WaitForBandFrame(window, "the frame after it", [&](int frame) { return frame >= 0 && frame != first; });
        EXPECT_GT(second, first) << "playing on";
    }
    const std::string log = ReadLogText(player.log()).substr(logBefore.size());
    for (const char *line :
         {"content of szFilename", "Frames played", "read from registry", "File format not supported."})
        EXPECT_EQ(std::string::npos, log.find(line)) << line << "\n" << log;
}

INSTANTIATE_TEST_SUITE_P(, NothingChosen,
                         ::testing::Values(NoChoice{"CancelledOpenFilePlaying", 40003, "Open", false},
                                           NoChoice{"CancelledOpenFilePaused", 40003, "Open", true},
                                           NoChoice{"EmptyUrlEscPlaying", 40004, "Input URL", false},
                                           NoChoice{"EmptyUrlEscPaused", 40004, "Input URL", true}),
                         [](const ::testing::TestParamInfo<NoChoice> &info) { return std::string(info.param.name); });

} // namespace
