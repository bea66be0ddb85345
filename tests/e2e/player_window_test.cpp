// The main window with a movie open: the position slider and a change of the
// video-memory method in the configuration panel.
#include "driver.h"
#include "player_test.h"
#include "movie_marks.h"

#include <commctrl.h>
#include <stdio.h>
#include <ostream>
#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 30000;

bool LinesInOrder(const std::string &log, const std::vector<std::string> &lines)
{
    size_t at = 0;
    for (const std::string &line : lines) {
        at = log.find(line, at);
        if (at == std::string::npos)
            return false;
        at += line.size();
    }
    return true;
}

bool WaitForLines(ProgramUnderTest &player, const std::vector<std::string> &lines)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < WAIT_MS) {
        if (LinesInOrder(ReadLogText(player.log()), lines))
            return true;
        Sleep(50);
    }
    return false;
}

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

bool WaitUntilGone(HWND dialog)
{
    const DWORD start = GetTickCount();
    while (IsWindow(dialog) && GetTickCount() - start < WAIT_MS)
        Sleep(50);
    return !IsWindow(dialog);
}

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
        Sleep(1000); // playing
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
    ASSERT_TRUE(WaitForLines(player, {"HandleTrackBar\n", "Play()\n", "Pause()\n", "Tring to change the movie position\n",
                                      "dwPos 500\n", positionLine}))
        << ReadLogText(player.log());
    // The seek goes to 25 000 000; the pause then keeps the time of the frame shown,
    // which is within one frame (400 000 units at 25 frames a second) of it.
    const std::string log = ReadLogText(player.log());
    long long streamTime = -1, totalTime = -1;
    ASSERT_EQ(2, sscanf(log.c_str() + log.rfind(positionLine) + positionLine.size(), "%lld %lld", &streamTime,
                        &totalTime));
    EXPECT_EQ(50000000, totalTime);
    EXPECT_NEAR(25000000, streamTime, 400000);
    // Paused: the screen shows the frame at the middle (frame 62 of 125) and keeps
    // showing it.
    Sleep(300);
    const int shown = FrameAtBandEdge(window);
    EXPECT_NEAR(62, shown, 1);
    Sleep(1000);
    EXPECT_EQ(shown, FrameAtBandEdge(window)) << "nothing moves any more";
    // Play resumes from the new position.
    ProgramUnderTest::PressKey(window, VK_F5);
    EXPECT_TRUE(WaitForLines(player, {"dwPos 500\n", "Play()\n", "Play is interpreting Pause situation\n"}))
        << ReadLogText(player.log());
    Sleep(600);
    const int playing = FrameAtBandEdge(window);
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
    SetWindowPos(window, NULL, 0, 0, original.right - original.left + 64, original.bottom - original.top + 48,
                 SWP_NOMOVE | SWP_NOZORDER);
    Sleep(300);
    RECT resized;
    GetWindowRect(window, &resized);
    if (pausedFirst) {
        PostMessageA(window, WM_COMMAND, 40007, 0);
        ASSERT_TRUE(WaitForLines(player, {"Pause()\n"}));
        Sleep(300);
    }
    const int shown = FrameAtBandEdge(window);
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
    Sleep(400);
    const int first = FrameAtBandEdge(window);
    Sleep(600);
    const int second = FrameAtBandEdge(window);
    if (pausedFirst) {
        EXPECT_NEAR(shown, first, 1) << "the frame it showed";
        EXPECT_EQ(first, second) << "still paused";
    } else {
        EXPECT_GE(first, shown) << "not started again from the beginning";
        EXPECT_GT(second, first) << "playing on";
    }
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_EQ(resized.right - resized.left, after.right - after.left);
    EXPECT_EQ(resized.bottom - resized.top, after.bottom - after.top);
}

TEST_F(PlayerWindow, ChangingTheMethodInThePanelReopensThePlayingMovie)
{
    ChangeTheMethod(player, window, false);
}

TEST_F(PlayerWindow, ChangingTheMethodKeepsAPausedMovieAtItsFrame)
{
    ChangeTheMethod(player, window, true);
}

TEST_F(PlayerWindow, OnlyTheStrengthChangedDoesNotReopen)
{
    PostMessageA(window, WM_COMMAND, 40009, 0);
    HWND panel = player.WaitForWindow("#32770", "Configuration panel", WAIT_MS);
    ASSERT_TRUE(panel != NULL);
    SendDlgItemMessageA(panel, 1084, TBM_SETPOS, TRUE, 80);
    PostMessageA(panel, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)GetDlgItem(panel, 1084));
    PostMessageA(panel, WM_COMMAND, 1069, 0);
    ASSERT_TRUE(WaitForLines(player, {"We will change the configuration\n"}));
    Sleep(500);
    EXPECT_EQ(1, CountOf(ReadLogText(player.log()), "content of szFilename\n")) << ReadLogText(player.log());
    // Applied: the panel opened again shows the new strength.
    PostMessageA(window, WM_COMMAND, 40009, 0);
    panel = player.WaitForWindow("#32770", "Configuration panel", WAIT_MS);
    ASSERT_TRUE(panel != NULL);
    Sleep(300);
    RedrawWindow(panel, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    Sleep(300);
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
    if (c.pausedFirst) {
        PostMessageA(window, WM_COMMAND, 40007, 0);
        ASSERT_TRUE(WaitForLines(player, {"Pause()\n"}));
        Sleep(300);
    }
    const int before = FrameAtBandEdge(window);
    ASSERT_GE(before, 0) << "the movie shows its frames";
    const std::string logBefore = ReadLogText(player.log());

    PostMessageA(window, WM_COMMAND, c.command, 0);
    HWND dialog = player.WaitForWindow("#32770", c.caption, WAIT_MS);
    ASSERT_TRUE(dialog != NULL);
    if (c.command == 40003)
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    else
        ProgramUnderTest::PressKey(GetDlgItem(dialog, 1), VK_ESCAPE);
    ASSERT_TRUE(WaitUntilGone(dialog));

    Sleep(600);
    if (c.pausedFirst) {
        // Under Wine the area behind a closed dialog is repainted black after the
        // player's redraw; a move of the window draws the paused frame again.
        const int redraws = player.CountInLog("Restoring surface by Draw2()\n");
        RECT place;
        GetWindowRect(window, &place);
        SetWindowPos(window, NULL, place.left + 2, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ASSERT_TRUE(player.WaitForLog("Restoring surface by Draw2()\n", WAIT_MS, redraws + 1));
        Sleep(400);
    }
    const int first = FrameAtBandEdge(window);
    Sleep(600);
    const int second = FrameAtBandEdge(window);
    if (c.pausedFirst) {
        EXPECT_EQ(before, first) << "still paused at its frame";
        EXPECT_EQ(before, second);
    } else {
        EXPECT_GE(first, before) << "not started again from the beginning";
        EXPECT_GT(second, first) << "playing on";
    }
    const std::string log = ReadLogText(player.log()).substr(logBefore.size());
    for (const char *line : {"content of szFilename", "Frames played", "read from registry", "File format not supported."})
        EXPECT_EQ(std::string::npos, log.find(line)) << line << "\n" << log;
}

INSTANTIATE_TEST_SUITE_P(, NothingChosen,
                         ::testing::Values(NoChoice{"CancelledOpenFilePlaying", 40003, "Open", false},
                                           NoChoice{"CancelledOpenFilePaused", 40003, "Open", true},
                                           NoChoice{"EmptyUrlEscPlaying", 40004, "Input URL", false},
                                           NoChoice{"EmptyUrlEscPaused", 40004, "Input URL", true}),
                         [](const ::testing::TestParamInfo<NoChoice> &info) { return std::string(info.param.name); });

} // namespace
