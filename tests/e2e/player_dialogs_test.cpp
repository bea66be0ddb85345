// The small dialogs of the running player: About, movie description, help.
#include "driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <ostream>

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
    bool WaitForLog(const std::string &text) { return player.WaitForLog(text, WAIT_MS); }
    // Waits until the lines appear in the log in this order (others may stand between).
    bool WaitForLines(const std::vector<std::string> &lines) { return player.WaitForLines(lines, WAIT_MS); }
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
    EXPECT_TRUE(WaitForPaint(description, WAIT_MS));
    EXPECT_EQ(0, (int)SendDlgItemMessageA(description, 1086, LB_GETCOUNT, 0, 0));
    ProgramUnderTest::PressKey(GetDlgItem(description, 1069), VK_ESCAPE);
    EXPECT_TRUE(WaitForLog("Executing Movie Description\nMovie Description Executed with other command\n"))
        << ReadLogText(player.log());
}

TEST_F(PlayerDialogs, DescriptionStaysOpenWhileItsListIsUsedAndClosesOnOkOrClose)
{
    for (int closing : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(closing == IDOK ? "OK" : "close box");
        PostMessageA(window, WM_COMMAND, 40010, 0);
        HWND description = WaitForDialog("Movie description");
        ASSERT_TRUE(description != NULL);
        HWND list = GetDlgItem(description, 1086);
        // The list's notifications come as commands: focus (a click or Tab), selection.
        for (WORD code : {LBN_SETFOCUS, LBN_SELCHANGE, LBN_KILLFOCUS, LBN_DBLCLK})
            PostMessageA(description, WM_COMMAND, MAKEWPARAM(1086, code), (LPARAM)list);
        ProgramUnderTest::PressKey(GetDlgItem(description, 1069), VK_TAB);
        const int executed = closing == IDOK ? 0 : 1; // the OK of the first round
        EXPECT_TRUE(NothingFor("the description closing on its list's notifications", 700, [&] {
            return !IsWindow(description) || !IsWindowVisible(description) ||
                   CountOf(ReadLogText(player.log()), "Movie Description Executed") != executed;
        }));
        EXPECT_TRUE(IsWindow(description) && IsWindowVisible(description)) << ReadLogText(player.log());
        EXPECT_EQ(executed, CountOf(ReadLogText(player.log()), "Movie Description Executed"));
        if (closing == IDOK)
            ProgramUnderTest::ClickButton(description, 1069);
        else
            PostMessageA(description, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForLog(closing == IDOK ? "Movie Description Executed with OK\n"
                                               : "Movie Description Executed with other command\n"))
            << ReadLogText(player.log());
        WaitUntil("the description to close", WAIT_MS, [&] { return !IsWindow(description); });
        EXPECT_FALSE(IsWindow(description));
        if (closing == IDOK) { // no line of the notifications stands before the OK line
            EXPECT_EQ(1, CountOf(ReadLogText(player.log()), "Movie Description Executed"));
        }
    }
}

TEST_F(PlayerDialogs, HelpOpensTheHelpFileBesideTheProgram)
{
    PostMessageA(window, WM_COMMAND, 40012, 0);
    EXPECT_TRUE(WaitForLog("Help required\n" + player.folder() + "\\Vizorm.HLP\n")) << ReadLogText(player.log());
    // The system help viewer reports the missing file in a window of its own; the
    // player carries on.
    EXPECT_TRUE(NothingFor("the player ending beside the help viewer", 500, [&] { return !player.Running(); }));
    EXPECT_TRUE(player.Running());
    // The viewer is closed when the player ends.
    WaitUntil("the help viewer", 5000, [] { return CountProcessesNamed("winhlp32.exe") > 0; });
    EXPECT_EQ(1, CountProcessesNamed("winhlp32.exe")) << "the viewer was started";
    PostMessageA(window, WM_COMMAND, 40005, 0);
    FoundWindow box;
    ASSERT_TRUE(player.WaitForMessageBox("Exit", &box, WAIT_MS));
    ProgramUnderTest::Answer(box, IDYES);
    DWORD code = 99;
    EXPECT_TRUE(player.WaitForExit(WAIT_MS, &code));
    EXPECT_TRUE(WaitForLog("Closing the help viewer\n"));
    WaitUntil("the end of the help viewer", 10000, [] { return CountProcessesNamed("winhlp32.exe") == 0; });
    EXPECT_EQ(0, CountProcessesNamed("winhlp32.exe")) << "the help viewer outlived the player";
    KillProcessesNamed("winhlp32.exe"); // whatever a failure left behind
}

// Which radio button of a group is checked (0 when none).
int CheckedIn(HWND dialog, int first, int last)
{
    for (int id = first; id <= last; id++)
        if (IsDlgButtonChecked(dialog, id) == BST_CHECKED)
            return id;
    return 0;
}

struct PanelView {
    int output, coding, eye, method, strength;
    bool operator==(const PanelView &o) const
    {
        return output == o.output && coding == o.coding && eye == o.eye && method == o.method && strength == o.strength;
    }
};

std::ostream &operator<<(std::ostream &out, const PanelView &v)
{
    return out << "{" << v.output << ", " << v.coding << ", " << v.eye << ", " << v.method << ", " << v.strength << "}";
}

PanelView ReadPanel(HWND panel)
{
    // The panel checks its buttons when it paints: once when it shows, and
    // again when told to.
    EXPECT_TRUE(WaitForPaint(panel, WAIT_MS));
    RedrawWindow(panel, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(WaitForPaint(panel, WAIT_MS));
    return {CheckedIn(panel, 1072, 1075), CheckedIn(panel, 1076, 1079), CheckedIn(panel, 1080, 1081),
            CheckedIn(panel, 1082, 1083), (int)SendDlgItemMessageA(panel, 1084, TBM_GETPOS, 0, 0)};
}

// A number from the user's settings keys, where Save writes (0xFFFFFFFF when missing).
DWORD RegistryNumber(const char *key, const char *name)
{
    DWORD value = 0xFFFFFFFF, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, NULL, &value, &size);
    return value;
}

TEST_F(PlayerDialogs, PanelOkAppliesCancelAndEscDropSaveWritesTheRegistry)
{
    // A fresh player has no settings yet: nothing is checked but the strength's 0.
    PostMessageA(window, WM_COMMAND, 40009, 0);
    HWND panel = WaitForDialog("Configuration panel");
    ASSERT_TRUE(panel != NULL);
    EXPECT_EQ((PanelView{0, 0, 0, 0, 0}), ReadPanel(panel));

    // Choose settings and take them with OK.
    for (int id : {1074, 1078, 1081, 1082})
        PostMessageA(panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(panel, id));
    SendDlgItemMessageA(panel, 1084, TBM_SETPOS, TRUE, 70);
    PostMessageA(panel, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)GetDlgItem(panel, 1084));
    PostMessageA(panel, WM_COMMAND, 1069, 0);
    ASSERT_TRUE(WaitForLines({"WM_HCROLL\nConfiguration Executed with OK\n", "We will change the configuration\n"}))
        << ReadLogText(player.log());

    // Reopened, it shows the applied settings; a change dropped by Cancel is gone.
    PostMessageA(window, WM_COMMAND, 40009, 0);
    panel = WaitForDialog("Configuration panel");
    ASSERT_TRUE(panel != NULL);
    const PanelView applied = {1074, 1078, 1081, 1082, 70};
    EXPECT_EQ(applied, ReadPanel(panel));
    PostMessageA(panel, WM_COMMAND, 1072, (LPARAM)GetDlgItem(panel, 1072));
    // Save writes what the panel shows now, without applying it, each value to its
    // own key of the user's settings.
    const char *output = "Software\\Brontide\\Vizor Cinema\\output";
    const char *movieKey = "Software\\Brontide\\Vizor Cinema\\movie";
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brontide\\Vizor Cinema");
    PostMessageA(panel, WM_COMMAND, 1071, 0);
    ASSERT_TRUE(WaitForLog("Configuration Changes Saved to Registry \n"));
    const struct {
        const char *key, *name;
        DWORD value;
        // clang-format off
    } saved[] = {
        {output, "StereoCodingFormat", 1078}, {output, "EyeCodingFormat", 1081},
        {movieKey, "OutputFormat", 1072},     {movieKey, "VideomemoryMethod", 1082},
        {movieKey, "StrenghtOf2Dto3DEffect", 70},
    };
    // clang-format on
    for (const auto &v : saved) {
        EXPECT_EQ(v.value, RegistryNumber(v.key, v.name)) << v.name;
        const char *otherKey = v.key == output ? movieKey : output;
        EXPECT_EQ(0xFFFFFFFFu, RegistryNumber(otherKey, v.name)) << v.name << " only in its own key";
    }

    // Keys that cannot be written: each of the five writes is logged, and one box
    // says the settings were not saved.
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brontide\\Vizor Cinema");
    HKEY volatileKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brontide\\Vizor Cinema", 0, NULL,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL, &volatileKey, NULL));
    RegCloseKey(volatileKey);
    PostMessageA(panel, WM_COMMAND, 1071, 0);
    const bool logged = WaitForLines(
        {"Configuration Changes Saved to Registry \n",
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"StereoCodingFormat\", NULL, movie.StereoCodingFormat)  failed "
         "with HRESULT(0x00000001)\n",
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey1,\"EyeCodingFormat\", NULL, movie.EyeCodingFormat)  failed with "
         "HRESULT(0x00000001)\n",
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"OutputFormat\",NULL,output.OutputFormat)  failed with "
         "HRESULT(0x00000001)\n",
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"VideomemoryMethod\",NULL,output.VideomemoryMethod)  failed with "
         "HRESULT(0x00000001)\n",
         "RegistryWrite(HKEY_LOCAL_MACHINE,szKey2,\"StrenghtOf2Dto3DEffect\",NULL, output.StrenghtOf2Dto3DEffect)  "
         "failed with HRESULT(0x00000001)\n",
         "Configuration Changes Saved to Registry \n", "Warning !! The settings could not be saved to the registry\n"});
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brontide\\Vizor Cinema");
    EXPECT_TRUE(logged) << ReadLogText(player.log());
    std::string boxText;
    EXPECT_TRUE(player.AnswerMessageBox("Error", IDOK, WAIT_MS, &boxText));
    EXPECT_EQ("Couldn't save the settings", boxText);
    FoundWindow error;
    EXPECT_TRUE(player.NoMessageBox("Error", 500, &error)) << "one box for one Save";
    PostMessageA(panel, WM_COMMAND, 1070, 0);
    ASSERT_TRUE(WaitForLines({"Configuration Executed with Cancel\n", "Cofiguration change was canceled\n"}));

    // Esc closes the panel like Cancel, as an unknown command.
    PostMessageA(window, WM_COMMAND, 40009, 0);
    panel = WaitForDialog("Configuration panel");
    ASSERT_TRUE(panel != NULL);
    EXPECT_EQ(applied, ReadPanel(panel));
    PostMessageA(panel, WM_COMMAND, 1073, (LPARAM)GetDlgItem(panel, 1073));
    ProgramUnderTest::PressKey(GetDlgItem(panel, 1069), VK_ESCAPE);
    ASSERT_TRUE(WaitForLines({"Configuration Executed with Unknowen command\n", "Cofiguration change was canceled\n"}));
    PostMessageA(window, WM_COMMAND, 40009, 0);
    panel = WaitForDialog("Configuration panel");
    ASSERT_TRUE(panel != NULL);
    EXPECT_EQ(applied, ReadPanel(panel));
    PostMessageA(panel, WM_COMMAND, 1070, 0);
    EXPECT_TRUE(WaitForLines({"Configuration Executed with Unknowen command\n", "Configuration Executed with Cancel\n",
                              "Cofiguration change was canceled\n"}));
}

TEST_F(PlayerDialogs, UrlBoxEscTakesTheTypedText)
{
    ProgramUnderTest::PressKey(window, 'L'); // without Ctrl: nothing
    PostMessageA(window, WM_COMMAND, 40004, 0);
    HWND box = WaitForDialog("Input URL");
    ASSERT_TRUE(box != NULL);
    SetDlgItemTextA(box, 1085, "http://127.0.0.1:9/100%25.avi");
    ProgramUnderTest::PressKey(GetDlgItem(box, 1), VK_ESCAPE);
    EXPECT_TRUE(WaitForLog("Content of URL_NAME \nhttp://127.0.0.1:9/100%25.avi\n"
                           "Content of szFileName set from URL\nhttp://127.0.0.1:9/100%25.avi\n"
                           "Input from URL:\nhttp://127.0.0.1:9/100%25.avi\n"))
        << ReadLogText(player.log());
    // The address cannot be opened: the player says so and keeps running.
    player.AnswerEveryMessageBox("Error", IDOK, 3000);
}

TEST_F(PlayerDialogs, CancelledFileChooserOpensNothing)
{
    const std::string before = ReadLogText(player.log());
    PostMessageA(window, WM_COMMAND, 40003, 0);
    HWND chooser = WaitForDialog("Open");
    ASSERT_TRUE(chooser != NULL);
    PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitForLog("Input from File:\n\n")) << ReadLogText(player.log());
    FoundWindow box;
    EXPECT_TRUE(player.NoMessageBox("Error", 1000, &box)) << box.text;
    const std::string after = ReadLogText(player.log()).substr(before.size());
    // Nothing is opened: no movie name taken, no settings read, no MCF read.
    for (const char *line : {"content of szFilename", "read from registry", "Making Setup From MCF file"})
        EXPECT_EQ(std::string::npos, after.find(line)) << line << "\n" << after;
    // The player still answers.
    PostMessageA(window, WM_COMMAND, 40011, 0);
    HWND about = WaitForDialog("About");
    ASSERT_TRUE(about != NULL);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForLog("About executed\n"));
}

TEST_F(PlayerDialogs, AnMcfChosenInTheFileChooserIsReadWithoutTheRegistry)
{
    const std::string mcf = player.folder() + "\\canyon.mcf";
    FILE *f = fopen(mcf.c_str(), "w");
    ASSERT_TRUE(f != NULL);
    const char *lines[] = {"1.0",    "1",        "not available",
                           "",       "",         "C:\\no such folder\\canyon.avi",
                           "Canyon", "A. Maker", "Nature",
                           "",       "",         "PURE_LR",
                           "",       "640",      "240",
                           "320",    "240",      "OUTPUT_PURE_INTERLACED",
                           "40",     "",         "",
                           "25"};
    for (const char *line : lines)
        fprintf(f, "%s\n", line);
    fclose(f);

    PostMessageA(window, WM_COMMAND, 40003, 0);
    HWND chooser = WaitForDialog("Open");
    ASSERT_TRUE(chooser != NULL);
    SetDlgItemTextA(chooser, 0x47c, mcf.c_str()); // the file name field
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForLog("Input from File:\n" + mcf + "\n")) << ReadLogText(player.log());
    ASSERT_TRUE(WaitForLog("Making Setup From MCF file\n"));
    // The movie it names does not exist: opening it is reported.
    player.AnswerEveryMessageBox("Error", IDOK, 3000);
    const std::string log = ReadLogText(player.log());
    const std::string afterChoice = log.substr(log.find("Input from File:"));
    EXPECT_EQ(std::string::npos, afterChoice.find("read from registry")) << afterChoice;
}

TEST_F(PlayerDialogs, UnknownCommandAsksToExit)
{
    PostMessageA(window, WM_COMMAND, 40099, 0);
    FoundWindow box;
    ASSERT_TRUE(player.WaitForMessageBox("Exit", &box, WAIT_MS));
    EXPECT_EQ("Exit the Program?", box.text);
    ProgramUnderTest::Answer(box, IDNO);
    EXPECT_TRUE(WaitForLog("Interpreting unknowen message event as IDM_EXIT\n"));
}

} // namespace
