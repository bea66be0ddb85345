// The player started with no start-up movie and an empty command line: what it
// logs, and how it ends through Esc and the exit question.
#include "driver.h"

#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 30000;

// Each expected line must appear, in this order.
void ExpectLinesInOrder(const std::string &log, const std::vector<std::string> &lines)
{
    size_t at = 0;
    for (const std::string &line : lines) {
        size_t found = log.find(line, at);
        ASSERT_NE(std::string::npos, found) << "missing after offset " << at << ": " << line << "\nlog:\n" << log;
        at = found + line.size();
    }
}

TEST(PlayerStartup, EmptyCommandLineThenEscAndYesEndsWithExitCodeZero)
{
    ProgramUnderTest player;
    ASSERT_TRUE(player.Start("Vizor_Movie.exe", ""));
    HWND window = player.WaitForWindow("Vizor_Main", "Parallaxia", WAIT_MS);
    ASSERT_TRUE(window != NULL);

    // Wait until the main loop runs, then ask to leave.
    player.WaitForLog("Starting Main Loop\n", WAIT_MS);
    ProgramUnderTest::PressKey(window, VK_ESCAPE);
    FoundWindow box;
    ASSERT_TRUE(player.WaitForMessageBox("Exit", &box, WAIT_MS));
    EXPECT_EQ("Exit the Program?", box.text);
    ProgramUnderTest::Answer(box, IDYES);

    DWORD exitCode = 99;
    ASSERT_TRUE(player.WaitForExit(WAIT_MS, &exitCode));
    EXPECT_EQ(0u, exitCode);

    const std::string log = ReadLogText(player.log());
    // Time stamp line "Www Mmm dd hh:mm:ss yyyy" and an empty line.
    ASSERT_GT(log.size(), 26u);
    EXPECT_EQ("\n\n", log.substr(24, 2));
    EXPECT_EQ(':', log[13]);
    char screen[128];
    snprintf(screen, sizeof screen, "ddsd.dwHeight %d ddsd.dwWidth %d\n", GetSystemMetrics(SM_CYSCREEN),
             GetSystemMetrics(SM_CXSCREEN));
    ExpectLinesInOrder(log, {
                                "g_pPrimarySurface\n",
                                "Active Multimedia Stream DD surface parameters\n",
                                screen,
                                "result of DD surfaces creation\nDD_OK Success.\n",
                                "ddsd2(g_pDDSoff_screen2+g_pDDSoff_screen1)\n",
                                screen,
                                "Backup of the command line\n\n\n",
                                "Path for the inital movie:\n" + player.folder() + "\\Vizor_Initial.avi\n",
                                "Vizor_Initial.mpgs does not exist, no initial movie plyaback\n",
                                "ProcessingCommandLineString\nCommandLineString backup:\n\n",
                                "Lenght of the commandline string: 0 \n",
                                "No commandline parameters given, keepeing setting from inital movie or nothing\n",
                                "Starting Main Loop\n",
                                "Interpreting IDM_EXIT\n",
                                "HandleDestroy\n",
                                "Going to execute ExitCode()\n",
                            });
    EXPECT_EQ(std::string::npos, log.find("StartRendering()")) << "nothing is opened";
}

TEST(PlayerStartup, AnsweringNoKeepsItRunningAndTheCloseBoxAsksAgain)
{
    ProgramUnderTest player;
    ASSERT_TRUE(player.Start("Vizor_Movie.exe", ""));
    HWND window = player.WaitForWindow("Vizor_Main", "Parallaxia", WAIT_MS);
    ASSERT_TRUE(window != NULL);

    ProgramUnderTest::PressKey(window, VK_ESCAPE);
    FoundWindow box;
    ASSERT_TRUE(player.WaitForMessageBox("Exit", &box, WAIT_MS));
    ProgramUnderTest::Answer(box, IDNO);
    EXPECT_TRUE(NothingFor("the player ending after No", 1000, [&] { return !player.Running() || !IsWindow(window); }));
    EXPECT_TRUE(player.Running());
    EXPECT_TRUE(IsWindow(window));

    // The close box goes through WM_CLOSE and the same question.
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(player.WaitForMessageBox("Exit", &box, WAIT_MS));
    ProgramUnderTest::Answer(box, IDYES);
    DWORD exitCode = 99;
    ASSERT_TRUE(player.WaitForExit(WAIT_MS, &exitCode));
    EXPECT_EQ(0u, exitCode);
    const std::string log = ReadLogText(player.log());
    ExpectLinesInOrder(
        log, {"Interpreting IDM_EXIT\n", "WM_CLOSE event\n", "HandleDestroy\n", "Going to execute ExitCode()\n"});
}

} // namespace
