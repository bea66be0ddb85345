// End-to-end tests that install Parallaxia through Wine's own msiexec: the
// distributable setup.exe, and the same package behind an engine requirement
// no system meets, with a stand-in engine installer whose exit code each test
// chooses. They run in a Wine prefix and on a screen of their own
// (install-prefix.sh), one at a time. Every process a test starts is ended by it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "e2e/driver.h"
#include "resources/resource.h"

namespace {

const char DIST[] = DIST_SETUP;
const char FILES_LIST[] = PACKAGE_FILES;
const char PRODUCT_CODE[] = PACKAGE_PRODUCT_CODE;
const char ENGINE_UPGRADE[] = "setup_engine_upgrade.exe";

const DWORD RUN_WAIT_MS = 90000;      // extraction, msiexec and two 3-second clean-up passes
const DWORD WINDOW_WAIT_MS = 30000;
const DWORD POLL_MS = 100;

const char RUN_ONCE_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::string systemFolder()
{
    char folder[MAX_PATH] = {0};
    GetSystemDirectoryA(folder, sizeof folder);
    return folder;
}

std::string installFolder()
{
    char folder[MAX_PATH] = {0};
    SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
    return std::string(folder) + "\\Parallaxia";
}

// The shortcut, for all users or (as Wine's installer puts it) for this user.
std::string shortcut()
{
    for (int where : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        char folder[MAX_PATH] = {0};
        SHGetFolderPathA(nullptr, where, nullptr, 0, folder);
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

// Runs a program of the system folder and waits for it (bounded).
DWORD runSystemProgram(const std::string &name, const std::string &arguments, DWORD ms)
{
    std::string program = systemFolder() + "\\" + name;
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return DWORD(-1);
    CloseHandle(info.hThread);
    DWORD code = DWORD(-2);
    if (WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(info.hProcess, &code);
    else
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    return code;
}

bool readRunOnce(std::string *value)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char buffer[4096] = {0};
    DWORD size = sizeof buffer - 1, type = 0;
    LONG result = RegQueryValueExA(key, "Setup", nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size);
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

bool waitFor(DWORD ms, const std::function<bool()> &done)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(POLL_MS);
    }
    return true;
}

struct Found {
    DWORD pid;
    const char *className;
    HWND window;
};

BOOL CALLBACK matchClass(HWND window, LPARAM parameter)
{
    Found *found = reinterpret_cast<Found *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {0};
    GetClassNameA(window, name, sizeof name);
    if (owner == found->pid && IsWindowVisible(window) && strcmp(name, found->className) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

HWND visibleWindow(DWORD pid, const char *className)
{
    Found found = {pid, className, nullptr};
    EnumWindows(matchClass, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

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

struct InstallFixture : ::testing::Test {
    ScratchFolder temp{"install-e2e"};
    ScratchFolder notes{"install-notes"};

    // Whatever an earlier run left: the product, a RunOnce value, launcher copies.
    void SetUp() override
    {
        endAll("setup.exe");
        endAll(ENGINE_UPGRADE);
        deleteRunOnce();
        runSystemProgram("msiexec.exe", std::string("/x ") + PRODUCT_CODE + " /qn", RUN_WAIT_MS);
        ASSERT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe")) << "an earlier installation stays";
    }
    void TearDown() override
    {
        endAll("Vizor_Movie.exe");
        endAll("setup.exe");
        endAll(ENGINE_UPGRADE);
        deleteRunOnce();
        runSystemProgram("msiexec.exe", std::string("/x ") + PRODUCT_CODE + " /qn", RUN_WAIT_MS);
    }
    std::string launcher(const char *name) const { return ProgramFolder() + "\\" + name; }
    std::string onlyWorkFolder() const
    {
        std::vector<std::string> folders = FolderEntries(temp.path(), "_pw*");
        return folders.size() == 1 ? temp.path() + "\\" + folders[0] : std::string();
    }
    void expectInstalled()
    {
        for (const std::string &name : packageFiles())
            EXPECT_TRUE(PathPresent(installFolder() + "\\" + name)) << name << " not installed";
        EXPECT_FALSE(shortcut().empty()) << "no Start menu shortcut";
    }
};

// Starts the installed player, waits for its main loop and ends it through its
// exit question. The player's log goes to the notes folder.
void startAndEndInstalledPlayer(const std::string &notes)
{
    std::string log = notes + "\\Vizor_Cinema.log";
    LauncherProcess player;
    ASSERT_TRUE(player.start(installFolder() + "\\Vizor_Movie.exe", "", notes, {"VIZOR_LOG=" + log}));
    HWND window = nullptr;
    std::string error;
    bool started = waitFor(WINDOW_WAIT_MS, [&] {
        if (HWND box = visibleWindow(player.id(), "#32770")) {
            error = WindowText(box) + ": " + boxText(box);
            return true;
        }
        std::string text;
        window = visibleWindow(player.id(), "Vizor_Main");
        return window && ReadBytes(log, &text) && text.find("Starting Main Loop") != std::string::npos;
    });
    ASSERT_TRUE(started) << "the installed player did not come up";
    ASSERT_EQ(error, "") << "the installed player reported a failure";
    std::vector<std::string> files = packageFiles();
    if (std::find(files.begin(), files.end(), "Vizor_Initial.avi") != files.end()) {
        std::string text;
        ReadBytes(log, &text);
        EXPECT_NE(text.find("Going to perform the inital movie rendering"), std::string::npos)
            << "the start-up movie is not where the player looks for it";
    }

    PostMessageA(window, WM_CLOSE, 0, 0);
    HWND question = nullptr;
    ASSERT_TRUE(waitFor(WINDOW_WAIT_MS, [&] { return (question = visibleWindow(player.id(), "#32770")) != nullptr; }))
        << "no exit question";
    EXPECT_EQ(boxText(question), "Exit the Program?");
    ClickButton(question, IDYES);
    EXPECT_TRUE(player.waitForExit(WINDOW_WAIT_MS)) << "the player did not end after Yes";
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
        if (RegGetValueA(HKEY_LOCAL_MACHINE, p.key, p.name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
                ERROR_SUCCESS &&
            value == p.value)
            present++;
    }
    return present;
}

}  // namespace

// setup.exe as downloaded, next to a planted MSIEXEC.EXE that must never run.
TEST_F(InstallFixture, SilentSetupInstallsThePlayerAndUninstalls)
{
    ScratchFolder download("download");
    std::string downloaded = download.path() + "\\setup.exe";
    ASSERT_TRUE(CopyFileA(DIST, downloaded.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(launcher("setup_engine_stub.exe").c_str(), (download.path() + "\\MSIEXEC.EXE").c_str(),
                          FALSE));
    std::string planted = notes.path() + "\\planted.log";

    LauncherProcess setup;
    ASSERT_TRUE(setup.start(downloaded, "/S", temp.path(), {"ENGINE_STUB_LOG=" + planted}));
    std::string shown;
    ASSERT_TRUE(waitFor(RUN_WAIT_MS, [&] {
        shown = launcherMessage("setup.exe");
        return !shown.empty() || !setup.running();
    }));
    EXPECT_EQ(shown, "") << "a silent run showed a message";
    ASSERT_TRUE(setup.waitForExit(RUN_WAIT_MS));

    EXPECT_FALSE(PathPresent(planted)) << "the MSIEXEC.EXE beside setup.exe ran";
    expectInstalled();
    EXPECT_EQ(SettingsPresetsPresent(), 5) << "the settings' presets for every user";
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty()) << "work folder or its list file left behind";
    startAndEndInstalledPlayer(notes.path());

    // The same setup.exe removes it again.
    LauncherProcess uninstall;
    ASSERT_TRUE(uninstall.start(DIST, "/S /X", temp.path()));
    ASSERT_TRUE(uninstall.waitForExit(RUN_WAIT_MS));
    for (const std::string &name : packageFiles())
        EXPECT_FALSE(PathPresent(installFolder() + "\\" + name)) << name << " stays after uninstall";
    EXPECT_FALSE(PathPresent(installFolder())) << "the program folder stays";
    EXPECT_EQ(shortcut(), "") << "the shortcut stays";
    EXPECT_EQ(SettingsPresetsPresent(), 0) << "the settings' presets stay";
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

// The engine installer asks for a restart: in silent mode the relaunch is
// written to RunOnce without a question; wineboot runs it as a restarted system
// would, and the relaunched copy installs the kept package and deletes it.
TEST_F(InstallFixture, EngineRestartRunsOnceThroughWineboot)
{
    std::string stubLog = notes.path() + "\\engine.log";
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ENGINE_UPGRADE), "/S", temp.path(),
                            {"ENGINE_STUB_EXIT=3010", "ENGINE_STUB_LOG=" + stubLog}));
    std::string shown;
    ASSERT_TRUE(waitFor(RUN_WAIT_MS, [&] {
        shown = launcherMessage(ENGINE_UPGRADE);
        return !shown.empty() || !setup.running();
    }));
    EXPECT_EQ(shown, "") << "a silent run showed a message";
    ASSERT_TRUE(setup.waitForExit(RUN_WAIT_MS));

    std::string work = onlyWorkFolder();
    ASSERT_FALSE(work.empty()) << "the extracted files must wait for the restart";
    std::string engineRun;
    ASSERT_TRUE(ReadBytes(stubLog, &engineRun));
    EXPECT_EQ(engineRun, "\"" + work + "\\INSTMSIW.EXE\" /q\r\nshow 1\r\n");
    for (const char *name : {"Setup.INI", "INSTMSIW.EXE", "Parallaxia.msi", "_PWMSIDEL.INI"})
        EXPECT_TRUE(PathPresent(work + "\\" + name)) << name;
    std::string value;
    ASSERT_TRUE(readRunOnce(&value));
    EXPECT_EQ(value, "\"" + launcher(ENGINE_UPGRADE) + "\" /k /t\"" + work + "\" /m\"Parallaxia.msi\" /w /v\"\" /c");
    EXPECT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe")) << "installed before the restart";

    // The next start of the system.
    EXPECT_EQ(runSystemProgram("wineboot.exe", "-r", RUN_WAIT_MS), 0u);
    EXPECT_FALSE(readRunOnce(&value)) << "the RunOnce value is taken once";
    bool copySeen = false;
    shown.clear();
    bool finished = waitFor(RUN_WAIT_MS, [&] {
        copySeen = copySeen || !ProcessesNamed(ENGINE_UPGRADE).empty();
        shown = launcherMessage(ENGINE_UPGRADE);
        return !shown.empty() || (PathPresent(installFolder() + "\\Vizor_Movie.exe") && !PathPresent(work) &&
                                  ProcessesNamed(ENGINE_UPGRADE).empty());
    });
    EXPECT_EQ(shown, "") << "the relaunched copy showed a message";
    ASSERT_TRUE(finished) << "the relaunched copy did not install and clean up";
    EXPECT_TRUE(copySeen) << "no relaunched copy ran";
    expectInstalled();
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
    // The stand-in ran once only: the relaunched copy goes straight to msiexec.
    ASSERT_TRUE(ReadBytes(stubLog, &engineRun));
    EXPECT_EQ(engineRun, "\"" + work + "\\INSTMSIW.EXE\" /q\r\nshow 1\r\n");
}

// The same request with the dialogs on: the restart question, whose Enter
// closes it without restarting.
TEST_F(InstallFixture, EngineRestartQuestionWithoutRestarting)
{
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ENGINE_UPGRADE), "", temp.path(), {"ENGINE_STUB_EXIT=3010"}));
    HWND question = WaitForDialog(setup.id(), IDC_MESSAGE_TEXT, RUN_WAIT_MS);
    ASSERT_NE(question, nullptr) << "no restart question";
    EXPECT_EQ(ItemText(question, IDC_MESSAGE_TEXT),
              "Setup has completed configuring the Windows Installer on your system. The system needs to be "
              "restarted in order to continue with the installation. Please click Restart to reboot the system.");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(question, IDOK)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(question, IDC_RESTART)));
    EXPECT_EQ(ItemText(question, IDC_RESTART), "Restart");
    std::string value;
    EXPECT_TRUE(readRunOnce(&value)) << "the relaunch is written before the question";

    PressKey(question, VK_RETURN);
    EXPECT_TRUE(WaitUntilGone(question, 5000));
    ASSERT_TRUE(setup.waitForExit(RUN_WAIT_MS));
    EXPECT_FALSE(onlyWorkFolder().empty()) << "the files wait for the restart";
    EXPECT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe"));
}

// An engine installer exit code other than 0 and 3010 is shown with its text,
// and nothing is installed.
TEST_F(InstallFixture, EngineInstallerFailureShowsItsText)
{
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher(ENGINE_UPGRADE), "", temp.path(), {"ENGINE_STUB_EXIT=1603"}));
    HWND message = WaitForDialog(setup.id(), IDC_MESSAGE_TEXT, RUN_WAIT_MS);
    ASSERT_NE(message, nullptr) << "no message";
    EXPECT_EQ(ItemText(message, IDC_MESSAGE_TEXT),
              "1603: You need administrator privileges to install the Windows Installer engine.");
    PressKey(message, VK_RETURN);
    EXPECT_TRUE(WaitUntilGone(message, 5000));
    ASSERT_TRUE(setup.waitForExit(RUN_WAIT_MS));
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty()) << "the extracted files are deleted";
    EXPECT_FALSE(PathPresent(installFolder() + "\\Vizor_Movie.exe"));
    std::string value;
    EXPECT_FALSE(readRunOnce(&value));
}
