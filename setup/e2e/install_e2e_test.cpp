// End-to-end tests that install Parallaxia through Wine's own msiexec: the
// distributable setup.exe, driven through the package's installation wizard as
// a user would or run quietly, and the same package behind an engine
// requirement no system meets, with a stand-in engine installer whose exit code
// each test chooses. They run in a Wine prefix and on a screen of their own
// (install-prefix.sh), one at a time. Every process a test starts is ended by it.
//
// With WIZARD_PAGE_FILE set in the environment, the wizard tests stop on each
// page, write its name to that file and go on once the file is gone: the
// screenshot script (tools/wizard-screenshots.sh) takes its picture meanwhile.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/driver.h"
#include "resources/resource.h"

namespace {

const char DIST[] = DIST_SETUP;
const char FILES_LIST[] = PACKAGE_FILES;
const char PRODUCT_CODE[] = PACKAGE_PRODUCT_CODE;
const char PACKAGE[] = PACKAGE_MSI;
const char ENGINE_UPGRADE[] = "setup_engine_upgrade.exe";

const DWORD RUN_WAIT_MS = 90000; // extraction, msiexec and two 3-second clean-up passes
const DWORD WINDOW_WAIT_MS = 30000;

const char RUN_ONCE_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char WIZARD_TITLE[] = "Parallaxia Setup";
// A folder of the user's choice instead of Program Files\Parallaxia.
const char CHOSEN_FOLDER[] = "C:\\Games\\Parallaxia 3D";

std::string systemFolder()
{
    char folder[MAX_PATH] = {0};
    GetSystemDirectoryA(folder, sizeof folder);
    return folder;
}

std::string installFolder()
{
    char folder[MAX_PATH] = {0};
    SHGetFolderPathA(NULL, CSIDL_PROGRAM_FILES, NULL, 0, folder);
    return std::string(folder) + "\\Parallaxia";
}

// The shortcut, for all users or (as Wine's installer puts it) for this user.
std::string shortcut()
{
    for (int where : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        char folder[MAX_PATH] = {0};
        SHGetFolderPathA(NULL, where, NULL, 0, folder);
        std::string path = std::string(folder) + "\\Parallaxia\\Vizor Movie.lnk";
        if (PathPresent(path))
            return path;
    }
    return std::string();
}

std::vector<std::string> packageFiles()
{
    std::vector<std::string> names;
    std::ifstream in(FILES_LIST);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            names.push_back(line);
    }
    return names;
}

// Runs a program of the system folder and waits for it (bounded; ended after ms).
DWORD runSystemProgram(const std::string &name, const std::string &arguments, DWORD ms)
{
    TestProcess program;
    if (!program.Start(systemFolder() + "\\" + name, arguments))
        return DWORD(-1);
    DWORD code = DWORD(-2);
    program.WaitForExit(ms, &code);
    return code;
}

bool readRunOnce(std::string *value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char buffer[4096] = {0};
    DWORD size = sizeof buffer - 1, type = 0;
    LONG result = RegQueryValueExA(key, "Setup", NULL, &type, reinterpret_cast<BYTE *>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return false;
    *value = buffer;
    return true;
}

void deleteRunOnce()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "Setup");
        RegCloseKey(key);
    }
}

void endAll(const char *programName)
{
    for (DWORD pid : ProcessesNamed(programName))
        EndProcess(pid);
}

HWND visibleWindow(DWORD pid, const char *className) { return FindTopWindow(pid, className, NULL); }

BOOL CALLBACK collectStatic(HWND child, LPARAM parameter)
{
    char name[32] = {0};
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, "Static") == 0) {
        std::string text = WindowText(child);
        if (!text.empty())
            *reinterpret_cast<std::string *>(parameter) += text;
    }
    return TRUE;
}

std::string boxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, collectStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

// Any dialog a launcher process shows: its message text, or empty.
std::string launcherMessage(const char *programName)
{
    for (DWORD pid : ProcessesNamed(programName)) {
        HWND message = FindDialog(pid, IDC_MESSAGE_TEXT);
        if (message)
            return ItemText(message, IDC_MESSAGE_TEXT);
    }
    return std::string();
}

// The product's entry in the installed-programs list.
struct UninstallEntry {
    bool present = false;
    std::string displayName, displayIcon, helpLink, installLocation, publisher;
    DWORD estimatedSize = 0;
};

std::string readString(HKEY key, const char *name)
{
    char buffer[2048] = {0};
    DWORD size = sizeof buffer - 1, type = 0;
    if (RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE *>(buffer), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    return buffer;
}

UninstallEntry uninstallEntry()
{
    UninstallEntry entry;
    HKEY key;
    std::string path = std::string(UNINSTALL_KEY) + PRODUCT_CODE;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return entry;
    entry.present = true;
    entry.displayName = readString(key, "DisplayName");
    entry.displayIcon = readString(key, "DisplayIcon");
    entry.helpLink = readString(key, "HelpLink");
    entry.installLocation = readString(key, "InstallLocation");
    entry.publisher = readString(key, "Publisher");
    DWORD size = sizeof entry.estimatedSize, type = 0;
    if (RegQueryValueExA(key, "EstimatedSize", NULL, &type, reinterpret_cast<BYTE *>(&entry.estimatedSize), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        entry.estimatedSize = 0;
    RegCloseKey(key);
    return entry;
}

// The wizard, as a user sees it: top-level windows titled "Parallaxia Setup"
// of any process (msiexec shows them), their controls found by their texts.
struct TopSearch {
    const char *heading;
    HWND found;
};

BOOL CALLBACK matchHeading(HWND child, LPARAM parameter)
{
    TopSearch *search = reinterpret_cast<TopSearch *>(parameter);
    if (IsWindowVisible(child) && WindowText(child) == search->heading) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK matchWizard(HWND window, LPARAM parameter)
{
    TopSearch *search = reinterpret_cast<TopSearch *>(parameter);
    char title[128] = {0};
    GetWindowTextA(window, title, sizeof title);
    if (!IsWindowVisible(window) || strcmp(title, WIZARD_TITLE) != 0)
        return TRUE;
    if (!search->heading) {
        search->found = window;
        return FALSE;
    }
    TopSearch inner = {search->heading, NULL};
    EnumChildWindows(window, matchHeading, reinterpret_cast<LPARAM>(&inner));
    if (inner.found) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible wizard window; with a heading, the one that shows that text.
HWND wizardWindow(const char *heading = NULL)
{
    TopSearch search = {heading, NULL};
    EnumWindows(matchWizard, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND waitForPage(const char *heading, DWORD ms = WINDOW_WAIT_MS)
{
    HWND page = NULL;
    WaitUntil("the wizard page \"" + std::string(heading) + "\"", ms,
              [&] { return (page = wizardWindow(heading)) != NULL; });
    if (page) {
        // The wizard moves on by events the page's controls handle: the page
        // is ready once its thread, done with making and showing it, answers.
        WaitUntil("the wizard page \"" + std::string(heading) + "\" to answer", WINDOW_WAIT_MS, [&] {
            DWORD_PTR ignored = 0;
            return !IsWindow(page) || SendMessageTimeoutA(page, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored) != 0;
        });
        if (const char *file = getenv("WIZARD_PAGE_FILE")) {
            std::ofstream(file) << heading << "\n";
            WaitUntil("the screenshot of the page", RUN_WAIT_MS, [&] { return !PathPresent(file); });
        }
    }
    return page;
}

HWND control(HWND page, const char *text)
{
    TopSearch search = {text, NULL};
    EnumChildWindows(page, matchHeading, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string controlClass(HWND window)
{
    char name[64] = {0};
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK matchEdit(HWND child, LPARAM parameter)
{
    if (IsWindowVisible(child) && _stricmp(controlClass(child).c_str(), "Edit") == 0) {
        *reinterpret_cast<HWND *>(parameter) = child;
        return FALSE;
    }
    return TRUE;
}

HWND editOf(HWND page)
{
    HWND edit = NULL;
    EnumChildWindows(page, matchEdit, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

// Clicks the button (or check box) with that text; posted, because a click
// that opens a modal dialog returns only when that dialog ends.
bool click(HWND page, const char *text)
{
    HWND button = control(page, text);
    if (!button || !IsWindowEnabled(button))
        return false;
    return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool checked(HWND box)
{
    DWORD_PTR state = 0;
    SendMessageTimeoutA(box, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return state == BST_CHECKED;
}

// The pages' headings.
const char PAGE_WELCOME[] = "Welcome to the Installation Wizard for Parallaxia";
const char PAGE_LICENCE[] = "End-User License Agreement";
const char PAGE_FOLDER[] = "Destination Folder";
const char PAGE_BROWSE[] = "Change destination folder";
const char PAGE_READY[] = "Ready to Install Parallaxia";
const char PAGE_PROGRESS[] = "Installing Parallaxia";
const char PAGE_FINISHED[] = "Completing the Parallaxia Installation Wizard";
const char PAGE_INTERRUPTED[] = "Parallaxia Installation Wizard was interrupted";
const char PAGE_CANCEL[] = "Are you sure you want to cancel the installation of Parallaxia?";
const char PAGE_MAINTENANCE_WELCOME[] =
    "The Installation Wizard will allow you to repair or remove Parallaxia. To continue, click Next.";
const char PAGE_MAINTENANCE[] = "Repair or remove Parallaxia";
const char PAGE_REPAIR[] = "Repair Parallaxia";
const char PAGE_REMOVE[] = "Remove Parallaxia";
const char ACCEPT[] = "I &accept the terms in the License Agreement";

struct InstallFixture : ::testing::Test {
    ScratchFolder temp{"install-e2e"};
    ScratchFolder notes{"install-notes"};

    // Whatever an earlier run left: the product, a RunOnce value, launcher copies.
    void SetUp() override
    {
        endAll("setup.exe");
        endAll(ENGINE_UPGRADE);
        endAll("msiexec.exe");
        deleteRunOnce();
        runSystemProgram("msiexec.exe", std::string("/x ") + PRODUCT_CODE + " /qn", RUN_WAIT_MS);
        ASSERT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe")) << "an earlier installation stays";
        ASSERT_FALSE(PathPresent(std::string(CHOSEN_FOLDER) + "\\Vizor_Movie.exe")) << "an earlier installation stays";
    }
    void TearDown() override
    {
        endAll("Vizor_Movie.exe");
        endAll("setup.exe");
        endAll(ENGINE_UPGRADE);
        endAll("msiexec.exe");
        deleteRunOnce();
        runSystemProgram("msiexec.exe", std::string("/x ") + PRODUCT_CODE + " /qn", RUN_WAIT_MS);
        RemoveTree(CHOSEN_FOLDER);
    }
    std::string launcher(const char *name) const { return ProgramFolder() + "\\" + name; }
    std::string onlyWorkFolder() const
    {
        std::vector<std::string> folders = FolderEntries(temp.path(), "_pw*");
        return folders.size() == 1 ? temp.path() + "\\" + folders[0] : std::string();
    }
    void expectInstalled(const std::string &folder = installFolder())
    {
        for (const std::string &name : packageFiles())
            EXPECT_TRUE(PathPresent(folder + "\\" + name)) << name << " not installed in " << folder;
        EXPECT_FALSE(shortcut().empty()) << "no Start menu shortcut";
    }
    void expectNothingInstalled(const std::string &folder = installFolder())
    {
        EXPECT_FALSE(PathPresent(folder)) << folder << " is there";
        EXPECT_EQ(shortcut(), "") << "a shortcut is there";
        EXPECT_FALSE(uninstallEntry().present) << "the product is in the installed-programs list";
    }
};

// Waits for the main loop of the player running as process pid, which logs to
// log, and ends it through its exit question.
void expectPlayerUpAndEndIt(DWORD pid, HANDLE process, const std::string &log)
{
    HWND window = NULL;
    std::string error;
    bool started = WaitUntil("the installed player's main loop", WINDOW_WAIT_MS, [&] {
        if (HWND box = visibleWindow(pid, "#32770")) {
            error = WindowText(box) + ": " + boxText(box);
            return true;
        }
        std::string text;
        window = visibleWindow(pid, "Vizor_Main");
        return window && ReadWholeFile(log, &text) && text.find("Starting Main Loop") != std::string::npos;
    });
    ASSERT_TRUE(started) << "the installed player did not come up";
    ASSERT_EQ(error, "") << "the installed player reported a failure";
    std::vector<std::string> files = packageFiles();
    if (std::find(files.begin(), files.end(), "Vizor_Initial.avi") != files.end()) {
        std::string text;
        ReadWholeFile(log, &text);
        EXPECT_NE(text.find("Going to perform the inital movie rendering"), std::string::npos)
            << "the start-up movie is not where the player looks for it";
    }

    PostMessageA(window, WM_CLOSE, 0, 0);
    HWND question = NULL;
    ASSERT_TRUE(WaitUntil("the player's exit question", WINDOW_WAIT_MS, [&] {
        return (question = visibleWindow(pid, "#32770")) != nullptr;
    })) << "no exit question";
    EXPECT_EQ(boxText(question), "Exit the Program?");
    ClickButton(question, IDYES);
    EXPECT_TRUE(WaitUntil("the player's end", WINDOW_WAIT_MS, [&] {
        return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    })) << "the player did not end after Yes";
}

// Starts the installed player, waits for its main loop and ends it through its
// exit question. The player's log goes to the notes folder.
void startAndEndInstalledPlayer(const std::string &notes)
{
    std::string log = notes + "\\Vizor_Cinema.log";
    LauncherProcess player;
    ASSERT_TRUE(player.start(installFolder() + "\\Vizor_Movie.exe", "", notes, {"VIZOR_LOG=" + log}));
    expectPlayerUpAndEndIt(player.Id(), player.Handle(), log);
}

// The five player settings' presets the package puts in the machine's keys:
// how many of them hold their preset value.
int SettingsPresetsPresent()
{
    const struct {
        const char *key, *name;
        DWORD value;
    } presets[] = {
        {"Software\\Brontide\\Vizor Cinema\\output", "StereoCodingFormat", 1076},
        {"Software\\Brontide\\Vizor Cinema\\output", "EyeCodingFormat", 1080},
        {"Software\\Brontide\\Vizor Cinema\\movie", "OutputFormat", 1073},
        {"Software\\Brontide\\Vizor Cinema\\movie", "VideomemoryMethod", 1083},
        {"Software\\Brontide\\Vizor Cinema\\movie", "StrenghtOf2Dto3DEffect", 50},
    };
    int present = 0;
    for (const auto &p : presets) {
        DWORD value = 0, size = sizeof value;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, p.key, p.name, RRF_RT_REG_DWORD, NULL, &value, &size) == ERROR_SUCCESS &&
            value == p.value)
            present++;
    }
    return present;
}

} // namespace

// setup.exe as downloaded, next to a planted MSIEXEC.EXE that must never run,
// quiet: "/S" silences the launcher and, since it passes /qn to msiexec, the
// package's wizard as well.
TEST_F(InstallFixture, SilentSetupInstallsThePlayerAndUninstalls)
{
    ScratchFolder download("download");
    std::string downloaded = download.path() + "\\setup.exe";
    ASSERT_TRUE(CopyFileA(DIST, downloaded.c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA(launcher("setup_engine_stub.exe").c_str(), (download.path() + "\\MSIEXEC.EXE").c_str(), FALSE));
    std::string planted = notes.path() + "\\planted.log";

    LauncherProcess setup;
    ASSERT_TRUE(setup.start(downloaded, "/S", temp.path(), {"ENGINE_STUB_LOG=" + planted}));
    std::string shown;
    bool wizard = false;
    ASSERT_TRUE(WaitUntil("the end of the silent setup (or a message)", RUN_WAIT_MS, [&] {
        shown = launcherMessage("setup.exe");
        wizard = wizard || wizardWindow() != nullptr;
        return !shown.empty() || !setup.Running();
    }));
    EXPECT_EQ(shown, "") << "a silent run showed a message";
    EXPECT_FALSE(wizard) << "a quiet run showed the wizard";
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));

    EXPECT_FALSE(PathPresent(planted)) << "the MSIEXEC.EXE beside setup.exe ran";
    expectInstalled();
    EXPECT_EQ(SettingsPresetsPresent(), 5) << "the settings' presets for every user";
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty()) << "work folder or its list file left behind";
    startAndEndInstalledPlayer(notes.path());

    // The same setup.exe removes it again.
    LauncherProcess uninstall;
    ASSERT_TRUE(uninstall.start(DIST, "/S /X", temp.path()));
    ASSERT_TRUE(WaitUntil("the end of the silent removal", RUN_WAIT_MS, [&] {
        wizard = wizard || wizardWindow() != nullptr;
        return !uninstall.Running();
    }));
    EXPECT_FALSE(wizard) << "a quiet removal showed the wizard";
    for (const std::string &name : packageFiles())
        EXPECT_FALSE(PathPresent(installFolder() + "\\" + name)) << name << " stays after uninstall";
    EXPECT_FALSE(PathPresent(installFolder())) << "the program folder stays";
    EXPECT_EQ(shortcut(), "") << "the shortcut stays";
    EXPECT_EQ(SettingsPresetsPresent(), 0) << "the settings' presets stay";
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

// The engine installer asks for a restart: in silent mode the relaunch is
// written to RunOnce without a question; wineboot runs it as a restarted system
// would, and the relaunched copy installs the kept package, quietly as the
// properties given with /V say, and deletes it.
TEST_F(InstallFixture, EngineRestartRunsOnceThroughWineboot)
{
    std::string stubLog = notes.path() + "\\engine.log";
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ENGINE_UPGRADE), "/S /V/qn", temp.path(),
                            {"ENGINE_STUB_EXIT=3010", "ENGINE_STUB_LOG=" + stubLog}));
    std::string shown;
    ASSERT_TRUE(WaitUntil("the end of the silent engine upgrade (or a message)", RUN_WAIT_MS, [&] {
        shown = launcherMessage(ENGINE_UPGRADE);
        return !shown.empty() || !setup.Running();
    }));
    EXPECT_EQ(shown, "") << "a silent run showed a message";
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));

    std::string work = onlyWorkFolder();
    ASSERT_FALSE(work.empty()) << "the extracted files must wait for the restart";
    std::string engineRun;
    ASSERT_TRUE(ReadWholeFile(stubLog, &engineRun));
    EXPECT_EQ(engineRun, "\"" + work + "\\INSTMSIW.EXE\" /q\r\nshow 1\r\n");
    for (const char *name : {"Setup.INI", "INSTMSIW.EXE", "Parallaxia.msi", "_PWMSIDEL.INI"})
        EXPECT_TRUE(PathPresent(work + "\\" + name)) << name;
    std::string value;
    ASSERT_TRUE(readRunOnce(&value));
    EXPECT_EQ(value, "\"" + launcher(ENGINE_UPGRADE) + "\" /k /t\"" + work + "\" /m\"Parallaxia.msi\" /w /v\"/qn\" /c");
    EXPECT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe")) << "installed before the restart";

    // The next start of the system.
    EXPECT_EQ(runSystemProgram("wineboot.exe", "-r", RUN_WAIT_MS), 0u);
    EXPECT_FALSE(readRunOnce(&value)) << "the RunOnce value is taken once";
    bool copySeen = false;
    shown.clear();
    bool finished = WaitUntil("the relaunched copy's installation and clean-up (or a message)", RUN_WAIT_MS, [&] {
        copySeen = copySeen || !ProcessesNamed(ENGINE_UPGRADE).empty();
        shown = launcherMessage(ENGINE_UPGRADE);
        if (wizardWindow())
            shown = "the wizard";
        return !shown.empty() || (PathPresent(installFolder() + "\\Vizor_Movie.exe") && !PathPresent(work) &&
                                  ProcessesNamed(ENGINE_UPGRADE).empty());
    });
    EXPECT_EQ(shown, "") << "the relaunched copy showed a message";
    ASSERT_TRUE(finished) << "the relaunched copy did not install and clean up";
    EXPECT_TRUE(copySeen) << "no relaunched copy ran";
    expectInstalled();
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
    // The stand-in ran once only: the relaunched copy goes straight to msiexec.
    ASSERT_TRUE(ReadWholeFile(stubLog, &engineRun));
    EXPECT_EQ(engineRun, "\"" + work + "\\INSTMSIW.EXE\" /q\r\nshow 1\r\n");
}

// The same request with the dialogs on: the restart question, whose Enter
// closes it without restarting.
TEST_F(InstallFixture, EngineRestartQuestionWithoutRestarting)
{
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ENGINE_UPGRADE), "", temp.path(), {"ENGINE_STUB_EXIT=3010"}));
    HWND question = WaitForDialog(setup.Id(), IDC_MESSAGE_TEXT, RUN_WAIT_MS);
    ASSERT_NE(question, nullptr) << "no restart question";
    EXPECT_EQ(ItemText(question, IDC_MESSAGE_TEXT),
              "Setup has completed configuring the Windows Installer on your system. The system needs to be "
              "restarted in order to continue with the installation. Please click Restart to reboot the system.");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(question, IDOK)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(question, IDC_RESTART)));
    EXPECT_EQ(ItemText(question, IDC_RESTART), "Restart");
    std::string value;
    EXPECT_TRUE(readRunOnce(&value)) << "the relaunch is written before the question";

    PressKeyAtFocus(question, VK_RETURN);
    EXPECT_TRUE(WaitUntilGone(question, 5000));
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_FALSE(onlyWorkFolder().empty()) << "the files wait for the restart";
    EXPECT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe"));
}

// The restart would find nothing to go on with when the RunOnce value cannot be
// written (here: the key is missing, and the launcher never makes it): that is
// a failure with its message, no restart question, and the clean-up runs.
TEST_F(InstallFixture, RunOnceThatCannotBeWrittenIsAFailure)
{
    struct KeyAway {
        KeyAway() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY); }
        ~KeyAway()
        {
            HKEY key;
            if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) ==
                ERROR_SUCCESS)
                RegCloseKey(key);
        }
    } away;
    HKEY probe;
    ASSERT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, 0, KEY_READ, &probe), ERROR_SUCCESS);

    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ENGINE_UPGRADE), "", temp.path(), {"ENGINE_STUB_EXIT=3010"}));
    HWND message = WaitForDialog(setup.Id(), IDC_MESSAGE_TEXT, RUN_WAIT_MS);
    ASSERT_NE(message, nullptr) << "no message";
    EXPECT_EQ(ItemText(message, IDC_MESSAGE_TEXT),
              "1159: Setup cannot arrange to continue the installation after a restart of the system. Restart "
              "the system and run setup again");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(message, IDC_RESTART))) << "a restart question";
    PressKeyAtFocus(message, VK_RETURN);
    EXPECT_TRUE(WaitUntilGone(message, 5000));
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty()) << "the extracted files stay behind";
    EXPECT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe"));
    std::string value;
    EXPECT_FALSE(readRunOnce(&value));
}

// An engine installer exit code other than 0 and 3010 is shown with its text,
// and nothing is installed.
TEST_F(InstallFixture, EngineInstallerFailureShowsItsText)
{
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ENGINE_UPGRADE), "", temp.path(), {"ENGINE_STUB_EXIT=1603"}));
    HWND message = WaitForDialog(setup.Id(), IDC_MESSAGE_TEXT, RUN_WAIT_MS);
    ASSERT_NE(message, nullptr) << "no message";
    EXPECT_EQ(ItemText(message, IDC_MESSAGE_TEXT),
              "1603: You need administrator privileges to install the Windows Installer engine.");
    PressKeyAtFocus(message, VK_RETURN);
    EXPECT_TRUE(WaitUntilGone(message, 5000));
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty()) << "the extracted files are deleted";
    EXPECT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe"));
    std::string value;
    EXPECT_FALSE(readRunOnce(&value));
}

// One step through the wizard: on the page with this heading, click this.
struct Step {
    const char *page;
    const char *click;
};

// The steps from the first page to the one where the installation starts.
const std::vector<Step> TO_READY = {
    {PAGE_WELCOME, "&Next"}, {PAGE_LICENCE, ACCEPT}, {PAGE_LICENCE, "&Next"}, {PAGE_FOLDER, "&Next"}};

bool walk(const std::vector<Step> &steps, size_t count)
{
    for (size_t i = 0; i < count && i < steps.size(); ++i) {
        HWND page = waitForPage(steps[i].page);
        if (!page) {
            ADD_FAILURE() << "no page \"" << steps[i].page << "\"";
            return false;
        }
        if (!click(page, steps[i].click)) {
            ADD_FAILURE() << "no \"" << steps[i].click << "\" to click on \"" << steps[i].page << "\"";
            return false;
        }
        // A next step on the same page waits until what it clicks takes clicks
        // (Next, once the licence is accepted).
        if (i + 1 < count && std::string(steps[i + 1].page) == steps[i].page)
            WaitUntil("\"" + std::string(steps[i + 1].click) + "\" enabled on \"" + steps[i].page + "\"",
                      WINDOW_WAIT_MS, [&] {
                          HWND next = control(page, steps[i + 1].click);
                          return next && IsWindowEnabled(next);
                      });
    }
    return true;
}

// The size of the files the package installs, in KB.
DWORD packageKB(const std::string &folder)
{
    unsigned long long bytes = 0;
    for (const std::string &name : packageFiles()) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA((folder + "\\" + name).c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return DWORD(bytes / 1024);
}

// dist/setup.exe as a user double-clicks it: the launcher hands over to the
// wizard, which installs where the user chooses and starts the player from its
// last page; the installed-programs list shows the player's icon, its size, the
// help link and the folder.
TEST_F(InstallFixture, WizardInstallsIntoTheChosenFolderAndStartsThePlayer)
{
    std::string log = notes.path() + "\\Vizor_Cinema.log";
    std::string chosen = std::string(CHOSEN_FOLDER) + "\\";
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(DIST, "", temp.path(), {"VIZOR_LOG=" + log}));
    HWND page = waitForPage(PAGE_WELCOME, RUN_WAIT_MS);
    ASSERT_NE(page, nullptr) << "no wizard";
    EXPECT_EQ(FindDialog(setup.Id(), IDC_STATUS), nullptr) << "the launcher's progress dialog stays beside the wizard";
    EXPECT_TRUE(setup.Running()) << "the launcher waits for the wizard";
    EXPECT_FALSE(IsWindowEnabled(control(page, "&Back")));

    ASSERT_TRUE(click(page, "&Next"));
    page = waitForPage(PAGE_LICENCE);
    ASSERT_NE(page, nullptr);
    HWND accept = control(page, ACCEPT);
    ASSERT_NE(accept, nullptr);
    EXPECT_FALSE(checked(accept));
    EXPECT_FALSE(IsWindowEnabled(control(page, "&Next"))) << "Next before the licence is accepted";
    ASSERT_TRUE(click(page, ACCEPT));
    EXPECT_TRUE(WaitUntil("Next enabled by the accepted licence", 5000,
                          [&] { return IsWindowEnabled(control(page, "&Next")) != FALSE; }));
    ASSERT_TRUE(click(page, "&Next"));

    page = waitForPage(PAGE_FOLDER);
    ASSERT_NE(page, nullptr);
    HWND edit = editOf(page);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(WindowText(edit), installFolder() + "\\");
    // Change... opens the folder browser on the same folder; its Cancel keeps it.
    ASSERT_TRUE(click(page, "&Change..."));
    HWND browse = waitForPage(PAGE_BROWSE);
    ASSERT_NE(browse, nullptr);
    EXPECT_EQ(WindowText(editOf(browse)), installFolder() + "\\");
    ASSERT_TRUE(click(browse, "Cancel"));
    ASSERT_TRUE(WaitUntilGone(browse, WINDOW_WAIT_MS));
    DWORD_PTR done = 0;
    ASSERT_TRUE(SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()), SMTO_ABORTIFHUNG,
                                    5000, &done));
    ASSERT_TRUE(click(page, "&Next"));

    page = waitForPage(PAGE_READY);
    ASSERT_NE(page, nullptr);
    EXPECT_NE(control(page, ("Parallaxia will be installed in: " + chosen).c_str()), nullptr);
    EXPECT_FALSE(PathPresent(CHOSEN_FOLDER)) << "installed before Install";
    ASSERT_TRUE(click(page, "&Install"));
    if (getenv("WIZARD_PAGE_FILE"))
        waitForPage(PAGE_PROGRESS, 10000); // only for its picture: it may come and go between two looks

    page = waitForPage(PAGE_FINISHED, RUN_WAIT_MS);
    ASSERT_NE(page, nullptr) << "no finish page";
    EXPECT_NE(control(page, ("Parallaxia has been installed in " + chosen + ".").c_str()), nullptr);
    HWND start = control(page, "Start Parallaxia");
    ASSERT_NE(start, nullptr);
    EXPECT_TRUE(checked(start)) << "Start Parallaxia is ticked at first";
    expectInstalled(CHOSEN_FOLDER);
    EXPECT_FALSE(PathPresent(installFolder())) << "Program Files\\Parallaxia made as well";

    UninstallEntry entry = uninstallEntry();
    ASSERT_TRUE(entry.present) << "not in the installed-programs list";
    EXPECT_EQ(entry.displayName, "Parallaxia");
    EXPECT_EQ(entry.publisher, "Brontide");
    EXPECT_EQ(entry.installLocation, chosen);
    EXPECT_EQ(entry.helpLink.compare(0, 7, "http://"), 0) << entry.helpLink;
    EXPECT_EQ(entry.displayIcon, chosen + "Vizor_Movie.exe,0");
    EXPECT_GT(ExtractIconExA((chosen + "Vizor_Movie.exe").c_str(), -1, nullptr, nullptr, 0), 0u)
        << "the icon file has no icon";
    EXPECT_GE(entry.estimatedSize, packageKB(CHOSEN_FOLDER));
    EXPECT_LE(entry.estimatedSize, packageKB(CHOSEN_FOLDER) + packageFiles().size());

    ASSERT_TRUE(click(page, "&Finish"));
    std::vector<DWORD> players;
    ASSERT_TRUE(WaitUntil("the player started by Finish", WINDOW_WAIT_MS, [&] {
        return !(players = ProcessesNamed("Vizor_Movie.exe")).empty();
    })) << "Finish did not start the player";
    HANDLE player = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, players[0]);
    ASSERT_NE(player, nullptr);
    expectPlayerUpAndEndIt(players[0], player, log);
    CloseHandle(player);
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_EQ(wizardWindow(), nullptr);
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty()) << "work folder or its list file left behind";
}

// Cancel, then Yes, on any page before the installation ends the wizard on its
// "interrupted" page with nothing installed; No goes back to the page.
TEST_F(InstallFixture, CancelOnAnyPageLeavesNothingInstalled)
{
    struct Case {
        const char *page;
        size_t steps; // of TO_READY, to reach the page
    };
    const Case cases[] = {{PAGE_WELCOME, 0}, {PAGE_LICENCE, 2}, {PAGE_FOLDER, 3}, {PAGE_READY, 4}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.page);
        LauncherProcess setup;
        ASSERT_TRUE(setup.start(DIST, "", temp.path()));
        ASSERT_NE(waitForPage(PAGE_WELCOME, RUN_WAIT_MS), nullptr);
        ASSERT_TRUE(walk(TO_READY, c.steps));
        HWND page = waitForPage(c.page);
        ASSERT_NE(page, nullptr);
        ASSERT_TRUE(click(page, "Cancel"));
        HWND question = waitForPage(PAGE_CANCEL);
        ASSERT_NE(question, nullptr);
        if (c.steps == 0) {
            ASSERT_TRUE(click(question, "&No"));
            ASSERT_TRUE(WaitUntilGone(question, WINDOW_WAIT_MS));
            ASSERT_EQ(waitForPage(c.page), page) << "No does not go back to the page";
            ASSERT_TRUE(click(page, "Cancel"));
            question = waitForPage(PAGE_CANCEL);
            ASSERT_NE(question, nullptr);
        }
        ASSERT_TRUE(click(question, "&Yes"));
        HWND interrupted = waitForPage(PAGE_INTERRUPTED);
        ASSERT_NE(interrupted, nullptr);
        ASSERT_TRUE(click(interrupted, "&Finish"));
        ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
        EXPECT_EQ(wizardWindow(), nullptr);
        expectNothingInstalled(CHOSEN_FOLDER);
        expectNothingInstalled();
        EXPECT_TRUE(ProcessesNamed("Vizor_Movie.exe").empty());
        EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
    }
}

// Run again on an installed product, the wizard offers Repair and Remove: Repair
// brings back a deleted file where the product is, Remove takes all of it away.
TEST_F(InstallFixture, RunningAgainRepairsAndRemoves)
{
    std::string chosen = std::string(CHOSEN_FOLDER) + "\\";
    ASSERT_EQ(runSystemProgram("msiexec.exe", std::string("/i \"") + PACKAGE + "\" /qn INSTALLDIR=\"" + chosen + "\"",
                               RUN_WAIT_MS),
              0u);
    expectInstalled(CHOSEN_FOLDER);
    std::string player = chosen + "Vizor_Movie.exe";
    ASSERT_TRUE(DeleteFileA(player.c_str()));

    {
        LauncherProcess setup;
        ASSERT_TRUE(setup.start(DIST, "", temp.path()));
        ASSERT_TRUE(
            walk({{PAGE_MAINTENANCE_WELCOME, "&Next"}, {PAGE_MAINTENANCE, "&Repair"}, {PAGE_REPAIR, "&Repair"}}, 3));
        HWND page = waitForPage(PAGE_FINISHED, RUN_WAIT_MS);
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(PathPresent(player)) << "Repair did not bring the player back";
        EXPECT_FALSE(PathPresent(installFolder())) << "Repair installed into Program Files";
        HWND start = control(page, "Start Parallaxia");
        ASSERT_NE(start, nullptr);
        ASSERT_TRUE(click(page, "Start Parallaxia"));
        ASSERT_TRUE(WaitUntil("Start Parallaxia unticked", 5000, [&] { return !checked(start); }));
        ASSERT_TRUE(click(page, "&Finish"));
        ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
        EXPECT_TRUE(NothingFor("a player started though not ticked", 1000,
                               [&] { return !ProcessesNamed("Vizor_Movie.exe").empty(); }));
    }
    expectInstalled(CHOSEN_FOLDER);

    LauncherProcess setup;
    ASSERT_TRUE(setup.start(DIST, "", temp.path()));
    ASSERT_TRUE(
        walk({{PAGE_MAINTENANCE_WELCOME, "&Next"}, {PAGE_MAINTENANCE, "Re&move"}, {PAGE_REMOVE, "Re&move"}}, 3));
    HWND page = waitForPage(PAGE_FINISHED, RUN_WAIT_MS);
    ASSERT_NE(page, nullptr);
    EXPECT_NE(control(page, "Parallaxia has been removed from your computer."), nullptr);
    EXPECT_EQ(control(page, "Start Parallaxia"), nullptr) << "Start Parallaxia offered after removing";
    ASSERT_TRUE(click(page, "&Finish"));
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    expectNothingInstalled(CHOSEN_FOLDER);
    EXPECT_TRUE(ProcessesNamed("Vizor_Movie.exe").empty());
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}
