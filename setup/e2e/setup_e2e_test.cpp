// End-to-end tests of the packed launcher: each starts setup with a container
// behind it, answers its dialogs like a user and checks the screen and the
// temporary folder. Every process a test starts is ended by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/driver.h"
#include "resources/resource.h"

namespace {

const DWORD DIALOG_WAIT_MS = 20000;
const DWORD EXIT_WAIT_MS = 30000; // the clean-up takes two 3-second passes

const char ONE_LANGUAGE[] = "setup_one_language.exe";
const char TWO_LANGUAGES[] = "setup_two_languages.exe";

const char CHECKING_SYSTEM[] = "Checking Operating System Version";
const char CHECKING_ENGINE[] = "Checking Windows\xAE Installer Version";
const char CONFIGURING_ENGINE[] = "Configuring Windows Installer";
const char PREPARING[] =
    "Packagewright\xAE is preparing the Installation Wizard, which will install Vizor Test Product on your "
    "computer. Please wait.";
const char USAGE[] = "Command line parameters:\r\n/L language ID\r\n/S silent mode\r\n/V parameters to MsiExec.exe";

std::string launcher(const char *name) { return ProgramFolder() + "\\" + name; }

std::string languageName(DWORD language)
{
    char name[260] = {0};
    VerLanguageNameA(language, name, sizeof name);
    return name;
}

// Status lines in the order they appeared, until the dialog is gone or the
// stop text shows (then the dialog is left open).
std::vector<std::string> watchStatus(HWND progress, const char *stopAt, DWORD ms)
{
    std::vector<std::string> seen;
    WaitUntil(stopAt ? "the status line \"" + std::string(stopAt) + "\"" : std::string("the progress dialog to close"),
              ms, [&] {
                  if (!IsWindow(progress))
                      return true;
                  std::string status = ItemText(progress, IDC_STATUS);
                  if (!status.empty() && (seen.empty() || seen.back() != status))
                      seen.push_back(status);
                  return stopAt && status == stopAt;
              });
    return seen;
}

std::string onlyWorkFolder(const std::string &temp)
{
    std::vector<std::string> folders = FolderEntries(temp, "_pw*");
    return folders.size() == 1 ? temp + "\\" + folders[0] : std::string();
}

} // namespace

TEST(SetupEndToEnd, ProgressShowsProductAndStatusLinesInOrderThenCleansUp)
{
    ScratchFolder temp("setup-e2e");
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ONE_LANGUAGE), "", temp.path()));

    HWND progress = WaitForDialog(setup.Id(), IDC_STATUS, DIALOG_WAIT_MS);
    ASSERT_NE(progress, nullptr) << "no progress dialog";
    EXPECT_EQ(WindowText(progress), "Packagewright");
    EXPECT_EQ(ItemText(progress, IDC_MAIN_TEXT), PREPARING);

    std::string work = onlyWorkFolder(temp.path());
    ASSERT_FALSE(work.empty()) << "no work folder in " << temp.path();
    EXPECT_TRUE(PathPresent(work + "\\Setup.INI"));
    EXPECT_TRUE(PathPresent(work + "\\_PWMSIDEL.INI"));

    std::vector<std::string> seen = watchStatus(progress, NULL, DIALOG_WAIT_MS);
    std::vector<std::string> expected = {CHECKING_SYSTEM, CHECKING_ENGINE, CONFIGURING_ENGINE};
    EXPECT_EQ(seen, expected);

    ASSERT_TRUE(setup.WaitForExit(EXIT_WAIT_MS)) << "setup did not end after its clean-up";
    EXPECT_FALSE(PathPresent(work)) << "work folder left behind";
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

TEST(SetupEndToEnd, CancelDuringPauseEndsRunAndDeletesSetupIni)
{
    ScratchFolder temp("setup-e2e");
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ONE_LANGUAGE), "", temp.path()));

    HWND progress = WaitForDialog(setup.Id(), IDC_STATUS, DIALOG_WAIT_MS);
    ASSERT_NE(progress, nullptr) << "no progress dialog";
    std::vector<std::string> seen = watchStatus(progress, CHECKING_SYSTEM, DIALOG_WAIT_MS);
    ASSERT_FALSE(seen.empty());
    ASSERT_EQ(seen.back(), CHECKING_SYSTEM);
    std::string work = onlyWorkFolder(temp.path());
    ASSERT_FALSE(work.empty());
    ASSERT_TRUE(PathPresent(work + "\\Setup.INI"));

    ClickButton(progress, IDCANCEL);
    EXPECT_TRUE(WaitUntilGone(progress, 5000)) << "progress dialog stays after Cancel";
    ASSERT_TRUE(setup.WaitForExit(EXIT_WAIT_MS));
    EXPECT_FALSE(PathPresent(work + "\\Setup.INI"));
    EXPECT_FALSE(PathPresent(work));
    // The run ended in the pause: the package was never brought out.
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

TEST(SetupEndToEnd, LanguageDialogListsBothLanguagesAndTheChosenOneSpeaks)
{
    ScratchFolder temp("setup-e2e");
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(TWO_LANGUAGES), "", temp.path()));

    HWND dialog = WaitForDialog(setup.Id(), IDC_LANGUAGE_LIST, DIALOG_WAIT_MS);
    ASSERT_NE(dialog, nullptr) << "no language dialog";
    std::string title = WindowText(dialog);
    EXPECT_TRUE(title == "Choose Setup Language" || title == "Sprache des Setups") << title;

    std::vector<std::string> items = ComboItems(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
    std::vector<std::string> expected = {languageName(0x0409), languageName(0x0407)};
    std::sort(items.begin(), items.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(items, expected);

    HWND combo = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
    std::string german = languageName(0x0407);
    DWORD_PTR index = 0;
    SendMessageTimeoutA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(german.c_str()),
                        SMTO_ABORTIFHUNG, 2000, &index);
    ASSERT_NE(LONG_PTR(index), LONG_PTR(CB_ERR));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(combo, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
    ClickButton(dialog, IDC_LANGUAGE_OK);

    HWND progress = WaitForDialog(setup.Id(), IDC_STATUS, DIALOG_WAIT_MS);
    ASSERT_NE(progress, nullptr) << "no progress dialog after the language was chosen";
    EXPECT_EQ(WindowText(progress), "Packagewright Setup DE");
    EXPECT_EQ(ItemText(progress, IDC_MAIN_TEXT),
              "Packagewright bereitet den Installations-Assistenten vor, der Vizor Test Product auf Ihrem Computer "
              "installiert. Bitte warten.");
    EXPECT_EQ(ItemText(progress, IDCANCEL), "Abbrechen");
    std::vector<std::string> seen = watchStatus(progress, "Betriebssystemversion wird geprueft", DIALOG_WAIT_MS);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "Betriebssystemversion wird geprueft");

    std::string work = onlyWorkFolder(temp.path());
    ASSERT_FALSE(work.empty());
    EXPECT_TRUE(PathPresent(work + "\\1031.MST"));
    EXPECT_FALSE(PathPresent(work + "\\1033.MST"));

    ClickButton(progress, IDCANCEL);
    ASSERT_TRUE(setup.WaitForExit(EXIT_WAIT_MS));
    EXPECT_FALSE(PathPresent(work));
}

TEST(SetupEndToEnd, MessageDialogIgnoresEscapeAndClosesOnEnter)
{
    ScratchFolder temp("setup-e2e");
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ONE_LANGUAGE), "/x /a", temp.path()));

    HWND message = WaitForDialog(setup.Id(), IDC_MESSAGE_TEXT, DIALOG_WAIT_MS);
    ASSERT_NE(message, nullptr) << "no usage message";
    EXPECT_EQ(WindowText(message), "Packagewright");
    EXPECT_EQ(ItemText(message, IDC_MESSAGE_TEXT), USAGE);

    PressKeyAtFocus(message, VK_ESCAPE);
    EXPECT_TRUE(NothingFor("the message closing on Escape", 1000, [&] {
        return !IsWindow(message) || !IsWindowVisible(message);
    })) << "Escape closed the message";
    EXPECT_TRUE(setup.Running());

    PressKeyAtFocus(message, VK_RETURN);
    EXPECT_TRUE(WaitUntilGone(message, 5000)) << "Enter did not close the message";
    ASSERT_TRUE(setup.WaitForExit(10000));
    // The switches stopped the run before anything was extracted.
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

TEST(SetupEndToEnd, BareWordEndsSilently)
{
    ScratchFolder temp("setup-e2e");
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ONE_LANGUAGE), "install", temp.path()));
    ASSERT_TRUE(setup.WaitForExit(10000));
    DWORD code = 1;
    GetExitCodeProcess(setup.Handle(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

// "/k" hands the rest of the command to a fresh copy; from a folder with blanks
// the copy must still see "/x /a" as its switches (and show the usage message).
TEST(SetupEndToEnd, RelaunchFromFolderWithBlanksPassesTheSwitches)
{
    ScratchFolder temp("setup-e2e");
    std::string folder = temp.path() + "\\Program Files Test";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    std::string copy = folder + "\\setup.exe";
    ASSERT_TRUE(CopyFileA(launcher(ONE_LANGUAGE).c_str(), copy.c_str(), FALSE));

    LauncherProcess setup;
    ASSERT_TRUE(setup.start(copy, "/k /x /a", temp.path()));
    // Whatever happens below, the copies this launcher started are ended.
    struct EndCopies {
        DWORD parent;
        ~EndCopies()
        {
            for (DWORD child : ChildProcesses(parent))
                EndProcess(child);
        }
    } endCopies{setup.Id()};
    DWORD relaunched = 0;
    WaitUntil("a copy started by the launcher", DIALOG_WAIT_MS, [&] {
        std::vector<DWORD> children = ChildProcesses(setup.Id());
        if (!children.empty())
            relaunched = children[0];
        return relaunched != 0;
    });
    ASSERT_NE(relaunched, 0u) << "no copy started";
    EXPECT_TRUE(setup.WaitForExit(10000)) << "the first launcher did not end at once";

    HWND message = WaitForDialog(relaunched, IDC_MESSAGE_TEXT, DIALOG_WAIT_MS);
    EXPECT_NE(message, nullptr) << "the copy did not take /x /a as its switches";
    if (message) {
        EXPECT_EQ(ItemText(message, IDC_MESSAGE_TEXT), USAGE);
        PressKeyAtFocus(message, VK_RETURN);
        WaitUntilGone(message, 5000);
    }
}

// "/S": no window at any time; the run still extracts, goes through its steps and cleans up.
TEST(SetupEndToEnd, SilentRunShowsNothingAndCleansUp)
{
    ScratchFolder temp("setup-e2e");
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ONE_LANGUAGE), "/S", temp.path()));
    bool sawWorkFolder = false;
    HWND shown = NULL;
    // Watched from its start to its end.
    WaitUntil("the end of the silent run", EXIT_WAIT_MS, [&] {
        const bool ended = !setup.Running();
        for (int id : {IDC_STATUS, IDC_MESSAGE_TEXT, IDC_LANGUAGE_LIST})
            if (!shown)
                shown = FindDialog(setup.Id(), id);
        if (!FolderEntries(temp.path(), "_pw*").empty())
            sawWorkFolder = true;
        return ended;
    });
    EXPECT_FALSE(setup.Running()) << "silent run did not end";
    EXPECT_EQ(shown, nullptr) << "a dialog was shown in silent mode";
    EXPECT_TRUE(sawWorkFolder);
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}
