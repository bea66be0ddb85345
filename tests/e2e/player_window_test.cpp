// The main window with a movie open: the position slider and a change of the
// video-memory method in the configuration panel.
#include "driver.h"

#include <commctrl.h>
#include <stdio.h>
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

class PlayerWindow : public ::testing::Test {
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
    void TearDown() override
    {
        if (!window || !player.Running())
            return;
        PostMessageA(window, WM_COMMAND, 40005, 0);
        FoundWindow box;
        if (player.WaitForMessageBox("Exit", &box, WAIT_MS))
            ProgramUnderTest::Answer(box, IDYES);
        DWORD code = 99;
        EXPECT_TRUE(player.WaitForExit(WAIT_MS, &code)) << ReadLogText(player.log());
    }
    ProgramUnderTest player;
    HWND window = NULL;
};

TEST_F(PlayerWindow, SliderSeeksToItsPerMilleAndLeavesTheMoviePaused)
{
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
    // Paused: nothing moves any more, and Play resumes from the new position.
    const std::string before = ReadLogText(player.log());
    Sleep(1000);
    EXPECT_EQ(CountOf(before, "Frames played"), CountOf(ReadLogText(player.log()), "Frames played"));
    ProgramUnderTest::PressKey(window, VK_F5);
    EXPECT_TRUE(WaitForLines(player, {"dwPos 500\n", "Play()\n", "Play is interpreting Pause situation\n"}))
        << ReadLogText(player.log());
}

TEST_F(PlayerWindow, ChangingTheMethodInThePanelReopensThePlayingMovie)
{
    PostMessageA(window, WM_COMMAND, 40009, 0);
    HWND panel = player.WaitForWindow("#32770", "Configuration panel", WAIT_MS);
    ASSERT_TRUE(panel != NULL);
    PostMessageA(panel, WM_COMMAND, MAKEWPARAM(1082, BN_CLICKED), (LPARAM)GetDlgItem(panel, 1082));
    PostMessageA(panel, WM_COMMAND, 1069, 0);
    EXPECT_TRUE(WaitForLines(player, {"content of szFilename\n", "Configuration Executed with OK\n",
                                      "We will change the configuration\n", "content of szFilename\n",
                                      "VIDEOMEMORY_METHOD1"}))
        << ReadLogText(player.log());
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
}

} // namespace
