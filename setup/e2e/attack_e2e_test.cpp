// End-to-end tests of the launcher against the attacks an installer meets where
// it is downloaded and run: libraries planted beside it, a container crafted to
// turn its clean-up against the user's files, a changed byte in its payload,
// and a quit request while msiexec runs. They install through Wine's msiexec in
// the Wine prefix of the installing tests (install-prefix.sh), one at a time.
// Every process a test starts is ended by it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <stdint.h>
#include <string.h>
#include <string>
#include <vector>

#include "e2e/driver.h"
#include "resources/resource.h"

namespace {

const char DIST[] = DIST_SETUP;
const char PRODUCT_CODE[] = PACKAGE_PRODUCT_CODE;
const char ENGINE_UPGRADE[] = "setup_engine_upgrade.exe";

const DWORD RUN_WAIT_MS = 90000;

// Names the launcher or the system libraries it uses could ask the loader for.
// Wine takes its built-in libraries before any file of these names unless told
// otherwise: the tests run with "n,b" for them (SETUP_DLL_SEARCH_LIKE_WINDOWS in
// install-prefix.sh), so that Wine searches like Windows, program folder first.
// All but version.dll: Wine's own USER32 imports it, so with "n,b" any program
// using USER32 would load a planted version.dll before its first instruction
// (on Windows USER32 is a known DLL, whose imports come from the system folder).
// version.dll is planted all the same; that the launcher no longer imports it is
// the import check's part (setup_imports).
const char *const PLANTED_NAMES[] = {"version.dll", "comctl32.dll", "msi.dll", "uxtheme.dll", "cryptbase.dll"};

std::string installFolder()
{
    char folder[MAX_PATH] = {0};
    SHGetFolderPathA(NULL, CSIDL_PROGRAM_FILES, NULL, 0, folder);
    return std::string(folder) + "\\Parallaxia";
}

std::string systemFolder()
{
    char folder[MAX_PATH] = {0};
    GetSystemDirectoryA(folder, sizeof folder);
    return folder;
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

void endAll(const char *programName)
{
    for (DWORD pid : ProcessesNamed(programName))
        EndProcess(pid);
}

bool writeFile(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, NULL) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

uint32_t le32(const std::string &bytes, size_t at)
{
    uint32_t value = 0;
    memcpy(&value, bytes.data() + at, 4);
    return value;
}

uint16_t le16(const std::string &bytes, size_t at)
{
    uint16_t value = 0;
    memcpy(&value, bytes.data() + at, 2);
    return value;
}

// Where the section data of a program file ends: where its container starts.
size_t containerStart(const std::string &image)
{
    uint32_t pe = le32(image, 60);
    uint16_t sections = le16(image, pe + 6);
    size_t table = pe + 24 + le16(image, pe + 20);
    size_t start = le32(image, table + 20);
    size_t total = 0;
    for (uint16_t i = 0; i < sections; ++i)
        total += le32(image, table + 40 * i + 16);
    return start + total;
}

// Offset and size of the data of the container entry named name; 0 when absent.
size_t entryData(const std::string &file, const char *name, uint32_t *size)
{
    size_t at = containerStart(file);
    uint16_t count = le16(file, at + 14);
    at += 46;
    for (uint16_t i = 0; i < count && at + 312 <= file.size(); ++i) {
        uint32_t length = le32(file, at + 268);
        if (_stricmp(file.c_str() + at, name) == 0) {
            *size = length;
            return at + 312;
        }
        at += 312 + length;
    }
    return 0;
}

struct Entry {
    std::string name;
    std::string data;
};

// The launcher with a container of the given entries (records without digests,
// as containers made before digests have them).
std::string packedLauncher(const std::vector<Entry> &entries)
{
    std::string image;
    if (!ReadWholeFile(ProgramFolder() + "\\setup.exe", &image) || image.size() < 64)
        return std::string();
    image.resize(containerStart(image));
    std::string header(46, '\0');
    memcpy(&header[0], "Packagewright", 13);
    header[14] = char(entries.size());
    image += header;
    for (const Entry &e : entries) {
        std::string record(312, '\0');
        memcpy(&record[0], e.name.data(), e.name.size());
        uint32_t size = uint32_t(e.data.size());
        memcpy(&record[268], &size, 4);
        image += record + e.data;
    }
    return image;
}

struct AttackFixture : ::testing::Test {
    ScratchFolder temp{"attack-e2e"};
    ScratchFolder download{"attack-download"};
    ScratchFolder notes{"attack-notes"};

    void SetUp() override
    {
        endAll("setup.exe");
        endAll(ENGINE_UPGRADE);
        runSystemProgram("msiexec.exe", std::string("/x ") + PRODUCT_CODE + " /qn", RUN_WAIT_MS);
    }
    void TearDown() override
    {
        endAll("setup.exe");
        endAll(ENGINE_UPGRADE);
        runSystemProgram("msiexec.exe", std::string("/x ") + PRODUCT_CODE + " /qn", RUN_WAIT_MS);
    }
    bool installed() const { return PathPresent(installFolder() + "\\Vizor_Movie.exe"); }
    void plant(const std::string &folder)
    {
        for (const char *name : PLANTED_NAMES)
            ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\planted.dll").c_str(), (folder + "\\" + name).c_str(), FALSE))
                << name;
    }
    std::vector<std::string> markers(const std::string &folder) const { return FolderEntries(folder, "*.loaded"); }
};

} // namespace

// A library under each name, beside setup.exe as a browser leaves them: none is
// ever loaded, and setup installs as usual.
TEST_F(AttackFixture, PlantedLibrariesAreNeverLoaded)
{
    std::string downloaded = download.path() + "\\setup.exe";
    ASSERT_TRUE(CopyFileA(DIST, downloaded.c_str(), FALSE));
    plant(download.path());

    LauncherProcess setup;
    ASSERT_TRUE(setup.start(downloaded, "/S /V/qn", temp.path()));
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_EQ(markers(download.path()), std::vector<std::string>{}) << "a planted library was loaded";
    EXPECT_TRUE(installed()) << "setup did not install";
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

// A Msi.DLL of version 99 beside the launcher must not pass for the installed
// engine: the engine requirement of 99.0 still runs the engine installer.
TEST_F(AttackFixture, PlantedEngineLibraryDoesNotDecideTheEngineVersion)
{
    std::string downloaded = download.path() + "\\" + ENGINE_UPGRADE;
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\" + ENGINE_UPGRADE).c_str(), downloaded.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\planted.dll").c_str(), (download.path() + "\\Msi.DLL").c_str(), FALSE));
    std::string stubLog = notes.path() + "\\engine.log";

    LauncherProcess setup;
    ASSERT_TRUE(setup.start(downloaded, "/S /V/qn", temp.path(), {"ENGINE_STUB_EXIT=0", "ENGINE_STUB_LOG=" + stubLog}));
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_TRUE(PathPresent(stubLog)) << "the planted Msi.DLL was taken for the installed engine";
    EXPECT_EQ(markers(download.path()), std::vector<std::string>{});
    EXPECT_TRUE(installed());
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

// Setup.INI names the clean-up list as its package and the container carries a
// list naming a file outside the work folder: the list is never replaced, and
// the file survives.
TEST_F(AttackFixture, CraftedCleanUpListDeletesNothingOutside)
{
    std::string victim = notes.path() + "\\victim.txt";
    ASSERT_TRUE(writeFile(victim, "precious"));
    std::string launcher = download.path() + "\\setup.exe";
    ASSERT_TRUE(writeFile(launcher, packedLauncher({
                                        {"Setup.INI", "[Startup]\r\nProduct=Crafted\r\nPackageName=_PWMSIDEL.INI\r\n"
                                                      "MsiVersion=1.0\r\nEnableLangDlg=N\r\n[Languages]\r\n"
                                                      "Count=1\r\nDefault=409\r\nkey0=409\r\n"},
                                        {"_PWMSIDEL.INI", "[Files]\r\nFile1=" + victim + "\r\n"},
                                    })));
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(launcher, "/S /V/qn", temp.path()));
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_TRUE(PathPresent(victim)) << "the clean-up deleted a file outside its work folder";
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty()) << "the work folder stays";
}

// One changed byte in the package: an extraction failure, nothing is run, and
// the extracted files go.
TEST_F(AttackFixture, ChangedPackageByteIsAnExtractionFailure)
{
    std::string file;
    ASSERT_TRUE(ReadWholeFile(DIST, &file));
    uint32_t size = 0;
    size_t data = entryData(file, "Parallaxia.msi", &size);
    ASSERT_NE(data, 0u) << "no package in " << DIST;
    file[data + size / 2] = char(file[data + size / 2] ^ 0x20);
    std::string changed = download.path() + "\\setup.exe";
    ASSERT_TRUE(writeFile(changed, file));

    LauncherProcess setup;
    ASSERT_TRUE(setup.start(changed, "", temp.path()));
    HWND message = WaitForDialog(setup.Id(), IDC_MESSAGE_TEXT, RUN_WAIT_MS);
    ASSERT_NE(message, nullptr) << "no message";
    std::string text = ItemText(message, IDC_MESSAGE_TEXT);
    EXPECT_EQ(text.rfind("1152: Error extracting '" + temp.path() + "\\_pw", 0), 0u) << text;
    EXPECT_NE(text.find("\\Parallaxia.msi' to the temporary location"), std::string::npos) << text;
    EXPECT_TRUE(ChildProcesses(setup.Id()).empty()) << "something was started";
    PressKeyAtFocus(message, VK_RETURN);
    EXPECT_TRUE(WaitUntilGone(message, 5000));
    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_FALSE(installed());
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty());
}

// A quit request reaching the launcher while msiexec runs: the clean-up still
// waits for msiexec and deletes the extracted files.
TEST_F(AttackFixture, QuitWhileMsiexecRunsStillCleansUp)
{
    LauncherProcess setup;
    ASSERT_TRUE(setup.start(DIST, "/S /V/qn", temp.path()));
    ASSERT_TRUE(WaitUntil("msiexec started by setup", RUN_WAIT_MS,
                          [&] { return !ChildProcesses(setup.Id()).empty() || !setup.Running(); }));
    ASSERT_TRUE(setup.Running()) << "setup ended before msiexec was seen";

    DWORD thread = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more && !thread; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == setup.Id())
            thread = entry.th32ThreadID;
    CloseHandle(snapshot);
    ASSERT_NE(thread, 0u);
    ASSERT_TRUE(PostThreadMessageA(thread, WM_QUIT, 0, 0));

    ASSERT_TRUE(setup.WaitForExit(RUN_WAIT_MS));
    EXPECT_TRUE(installed()) << "msiexec went on";
    EXPECT_TRUE(FolderEntries(temp.path(), "*").empty()) << "the extracted files stay behind";
}
