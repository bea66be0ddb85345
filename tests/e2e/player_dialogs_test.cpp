// The small dialogs of the running player: About, movie description, help.
#include "driver.h"

#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 30000;

class PlayerDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(player.Start("Vizor_Movie.exe", ""));
        window = player.WaitForWindow("Vizor_Main", "Parallaxia", WAIT_MS);
        ASSERT_TRUE(window != NULL);
        WaitForLog("Starting Main Loop\n");
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
        EXPECT_TRUE(player.WaitForExit(WAIT_MS, &code));
        EXPECT_EQ(0u, code);
    }
    bool WaitForLog(const std::string &text)
    {
        const DWORD start = GetTickCount();
        while (GetTickCount() - start < WAIT_MS) {
            if (ReadLogText(player.log()).find(text) != std::string::npos)
                return true;
            Sleep(50);
        }
        return false;
    }
    HWND WaitForDialog(const char *caption) { return player.WaitForWindow("#32770", caption, WAIT_MS); }

    ProgramUnderTest player;
    HWND window = NULL;
};

TEST_F(PlayerDialogs, AboutClosesWithOk)
{
    PostMessageA(window, WM_COMMAND, 40011, 0);
    HWND about = WaitForDialog("About");
    ASSERT_TRUE(about != NULL);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForLog("Dialogue About Executed \nAbout executed\n")) << ReadLogText(player.log());
}

TEST_F(PlayerDialogs, DescriptionWithoutAMovieIsEmptyAndEscIsAnotherCommand)
{
    PostMessageA(window, WM_COMMAND, 40010, 0);
    HWND description = WaitForDialog("Movie description");
    ASSERT_TRUE(description != NULL);
    Sleep(300); // let it paint
    EXPECT_EQ(0, (int)SendDlgItemMessageA(description, 1086, LB_GETCOUNT, 0, 0));
    ProgramUnderTest::PressKey(GetDlgItem(description, 1069), VK_ESCAPE);
    EXPECT_TRUE(WaitForLog("Executing Movie Description\nMovie Description Executed with other command\n"))
        << ReadLogText(player.log());
}

TEST_F(PlayerDialogs, HelpOpensTheHelpFileBesideTheProgram)
{
    PostMessageA(window, WM_COMMAND, 40012, 0);
    EXPECT_TRUE(WaitForLog("Help required\n" + player.folder() + "\\Vizorm.HLP\n")) << ReadLogText(player.log());
    // The system help viewer reports the missing file in a window of its own; the
    // player carries on.
    Sleep(500);
    EXPECT_TRUE(player.Running());
    // The viewer would outlive the test and keep its output open.
    const DWORD start = GetTickCount();
    while (!KillProcessesNamed("winhlp32.exe") && GetTickCount() - start < 5000)
        Sleep(100);
}

} // namespace
