// The installer engine step: system and engine checks, the engine install with
// its exit codes, the package launch, the RunOnce relaunch and the restart.
// Processes are recorded through the process-start seam unless a test starts
// the stand-in engine installer for real.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <string.h>
#include <memory>
#include <string>
#include <vector>

#include "context.h"
#include "common/owned.h"
#include "controls.h"
#include "language_dialog.h"
#include "messages.h"
#include "privileges.h"
#include "process.h"
#include "progress.h"
#include "engine.h"
#include "launcher.h"
#include "paths.h"
#include "payload.h"
#include "test_support.h"
#include "resources/resource.h"

namespace {

const char OLDER_ENGINE_NOTICE[] =
    "1207: Windows\xAE Installer 1.1.4000.0 found.\nThis is an older version of the Windows\xAE Installer.\n\n\n"
    "Click OK to continue";
const char NOT_ADMINISTRATOR[] =
    "1202: You do not have sufficient privileges to complete this installation for all users of the machine. Log on "
    "as administrator and then retry this installation";
const char ENGINE_NEEDS_ADMIN[] = "1603: You need administrator privileges to install the Windows Installer engine.";
const char RESTART_QUESTION[] =
    "[restart] Setup has completed configuring the Windows Installer on your system. The system needs to be "
    "restarted in order to continue with the installation. Please click Restart to reboot the system.";

// What a started process looks like in the expectations.
const char MSIEXEC[] = "{system}\\MSIEXEC.EXE | MSIEXEC.EXE /i \"{work}\\Vizor.msi\"  | wait";
const char ENGINE_W[] = "{work}\\INSTMSIW.EXE | \"{work}\\INSTMSIW.EXE\" /q | wait";
const char ENGINE_A[] = "{work}\\INSTMSIA.EXE | \"{work}\\INSTMSIA.EXE\" /q | wait";

uint64_t g_tempFreeKb, g_windowsFreeKb;

// The temporary folder lies on Z: in these tests, the Windows folder on C:.
int freeByDrive(const char *path, uint64_t *freeKb)
{
    *freeKb = (path[0] == 'Z' || path[0] == 'z') ? g_tempFreeKb : g_windowsFreeKb;
    return 1;
}

int g_administrator;
int administrator() { return g_administrator; }

std::string systemFolder()
{
    char folder[MAX_PATH] = {0};
    GetSystemDirectoryA(folder, sizeof folder);
    return folder;
}

std::string replaceAll(std::string text, const std::string &from, const std::string &to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string describe(const StartedProcess &p)
{
    return p.application + " | " + p.command + " | " + (p.wait ? "wait" : "no wait");
}

bool readRunOnce(std::string *value, DWORD *type, DWORD *size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    char buffer[4096] = {0};
    *size = sizeof buffer;
    LONG result = RegQueryValueExA(key, RUN_ONCE_VALUE, NULL, type, reinterpret_cast<BYTE *>(buffer), size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    *value = buffer;
    return true;
}

void deleteRunOnce()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUN_ONCE_KEY, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, RUN_ONCE_VALUE);
        RegCloseKey(key);
    }
}

struct EngineFixture : ::testing::Test {
    LauncherState state;
    TempFolder folder;
    MessageRecorder messages;
    ProcessRecorder processes;
    std::string program = folder.file("setup.exe");
    std::string work = folder.file("work");
    std::unique_ptr<SetupContext> context;

    void SetUp() override
    {
        g_tempFreeKb = g_windowsFreeKb = uint64_t(1) << 30;
        g_pfnDiskFreeKb = freeByDrive;
        g_administrator = 1;
        g_pfnIsAdministrator = administrator;
        CreateDirectoryA(work.c_str(), NULL);
        pack({{"Setup.INI", "[Startup]\r\n"},
              {"Vizor.msi", "package"},
              {"INSTMSIW.EXE", "engine for NT"},
              {"INSTMSIA.EXE", "engine for 9x"}});
    }
    void TearDown() override { deleteRunOnce(); }

    // A launcher file with these entries and a run that has extracted Setup.INI.
    void pack(const std::vector<FixtureEntry> &entries)
    {
        context.reset();
        // A fresh work folder, as every run has: an extraction never replaces a file.
        RemoveTree(work);
        CreateDirectoryA(work.c_str(), NULL);
        WriteBytes(program, FakeImage() + ContainerBytes(entries));
        context.reset(new SetupContext(GetModuleHandleA(NULL), program.c_str()));
        SetupContext::assign(context->sourceFolder, folder.path().c_str());
        SetupContext::assign(context->workFolder, work.c_str());
        context->fileSource = Temporary;
        context->launchKind = Normal;
        snprintf(context->packageName, sizeof context->packageName, "Vizor.msi");
        context->platform = PLATFORM_NT_X86;
        snprintf(context->osVersion, sizeof context->osVersion, "6.1");
        context->osSupported = 1;
        context->diskSpaceKb = 8000;
        context->languageCount = 1;
        snprintf(context->transformName, sizeof context->transformName, "1033.MST");
    }
    std::string expand(const std::string &text) const
    {
        return replaceAll(replaceAll(text, "{work}", work), "{system}", systemFolder());
    }
    std::vector<std::string> startedProcesses() const
    {
        std::vector<std::string> out;
        for (const StartedProcess &p : processes.started)
            out.push_back(describe(p));
        return out;
    }
    std::vector<std::string> shownMessages() const
    {
        std::vector<std::string> out;
        for (size_t i = 0; i < messages.texts.size(); ++i)
            out.push_back((messages.restarts[i] ? "[restart] " : "") + messages.texts[i]);
        return out;
    }
    std::vector<std::string> expandAll(const std::vector<std::string> &texts) const
    {
        std::vector<std::string> out;
        for (const std::string &t : texts)
            out.push_back(expand(t));
        return out;
    }
};

} // namespace

TEST_F(EngineFixture, SystemCheckFillsThePlatformRecord)
{
    struct Case {
        SystemVersion version;
        int answered;
        PlatformCode platform;
        const char *osVersion;
        int supported;
        // clang-format off
    } cases[] = {
        {{false, 2, 6, 1, 9}, 1, PLATFORM_NT_X86, "6.1", 1},
        {{false, 1, 4, 90, 0}, 1, PLATFORM_WIN9X, "4.90", 1},
        {{false, 2, 3, 51, 2}, 1, PLATFORM_NT_ALPHA, "3.51", 0},
        {{false, 0, 1, 30, 0}, 1, PLATFORM_WIN32S, "", 0},
        {{false, 2, 6, 1, 0}, 0, PLATFORM_WIN9X, "", 0},   // the platform did not answer
    };
    // clang-format on
    for (const Case &c : cases) {
        static Case current;
        current = c;
        g_pfnSystemVersion = [](SystemVersion *v) {
            *v = current.version;
            return current.answered;
        };
        snprintf(context->osVersion, sizeof context->osVersion, "stale");
        EXPECT_EQ(checkSystem(context.get()), 1);
        EXPECT_EQ(context->platform, c.platform);
        EXPECT_STREQ(context->osVersion, c.osVersion);
        EXPECT_EQ(context->osSupported, c.supported);
    }

    // Wine reports Windows 7 (6.1) on x64 by default.
    g_pfnSystemVersion = systemVersion;
    checkSystem(context.get());
    EXPECT_EQ(context->platform, PLATFORM_NT_X86);
    EXPECT_STREQ(context->osVersion, "6.1");
    EXPECT_EQ(context->osSupported, 1);
}

TEST_F(EngineFixture, EngineVersionIsTheFileVersionOfMsiDll)
{
    EXPECT_EQ(checkEngineVersion(context.get()), 1);
    unsigned parts[4];
    char rest = 0;
    EXPECT_EQ(
        sscanf(context->installedEngineVersion, "%u.%u.%u.%u%c", &parts[0], &parts[1], &parts[2], &parts[3], &rest), 4)
        << context->installedEngineVersion;
    EXPECT_EQ(CompareVersions(context->installedEngineVersion, "3.1"), -1) << context->installedEngineVersion;

    // No file, or a file without version information: empty.
    char version[64] = "stale";
    readFileVersion("NoSuchEngine.DLL", version, sizeof version);
    EXPECT_STREQ(version, "");
    std::string plain = folder.file("plain.dll");
    WriteBytes(plain, "not a program");
    snprintf(version, sizeof version, "stale");
    readFileVersion(plain.c_str(), version, sizeof version);
    EXPECT_STREQ(version, "");
}

TEST_F(EngineFixture, EngineInstallDecisionsAndExitCodes)
{
    struct Case {
        const char *name;
        PlatformCode platform;
        const char *osVersion;
        const char *installed;
        const char *required;
        int admin;
        std::vector<ProcessAnswer> answers;
        int result;
        int restartPending;
        std::vector<std::string> messages;
        std::vector<std::string> started;
        // clang-format off
    } cases[] = {
        {"same version: no engine work", PLATFORM_NT_X86, "6.1", "1.10.1029.1", "1.10.1029.1", 1, {}, 1, 0, {},
         {MSIEXEC}},
        {"installed newer", PLATFORM_NT_X86, "6.1", "4.5.6001.22308", "3.1", 1, {}, 1, 0, {}, {MSIEXEC}},
        {"no Msi.DLL on NT", PLATFORM_NT_X86, "4.0", "", "2.0", 1, {}, 1, 0, {}, {ENGINE_W, MSIEXEC}},
        {"no Msi.DLL on Windows 9x, no administrator test", PLATFORM_WIN9X, "4.10", "", "2.0", 0, {}, 1, 0, {},
         {ENGINE_A, MSIEXEC}},
        {"1.1.4000.0 is older than 1.2", PLATFORM_NT_X86, "6.1", "1.1.4000.0", "1.2", 1, {}, 1, 0, {},
         {ENGINE_W, MSIEXEC}},
        {"NT on Alpha takes the NT engine", PLATFORM_NT_ALPHA, "4.0", "", "2.0", 1, {}, 1, 0, {}, {ENGINE_W, MSIEXEC}},
        {"system 5.0, older in the second part: notice only", PLATFORM_NT_X86, "5.0", "1.1.4000.0", "1.2", 1, {}, 1, 0,
         {OLDER_ENGINE_NOTICE}, {MSIEXEC}},
        {"system 5.0, older only in the third part: nothing", PLATFORM_NT_X86, "5.0", "1.2.3.0", "1.2.4", 1, {}, 1, 0,
         {}, {MSIEXEC}},
        {"system 5.1 installs like the older ones", PLATFORM_NT_X86, "5.1", "1.1.4000.0", "1.2", 1, {}, 1, 0, {},
         {ENGINE_W, MSIEXEC}},
        {"NT without administrator rights", PLATFORM_NT_X86, "6.1", "", "2.0", 0, {}, 0, 0, {NOT_ADMINISTRATOR}, {}},
        {"engine installer fails with 1603", PLATFORM_NT_X86, "6.1", "", "2.0", 1, {{PROCESS_ENDED, 1603}}, 0, 0,
         {ENGINE_NEEDS_ADMIN}, {ENGINE_W}},
        {"an exit code without a text", PLATFORM_NT_X86, "6.1", "", "2.0", 1, {{PROCESS_ENDED, 1}}, 0, 0,
         {"1: Internal error in Windows Installer"}, {ENGINE_W}},
        {"engine installer cannot be started", PLATFORM_NT_X86, "6.1", "", "2.0", 1, {{PROCESS_NOT_STARTED, 0}}, 0, 0,
         {"1154: Installer not found in '{work}\\INSTMSIW.EXE'"}, {ENGINE_W}},
        {"the wait was abandoned while it ran", PLATFORM_NT_X86, "6.1", "", "2.0", 1,
         {{PROCESS_WAIT_ABANDONED, STILL_ACTIVE}}, 0, 0,
         {"1158: Setup stopped waiting for '{work}\\INSTMSIW.EXE' while it was still running"}, {ENGINE_W}},
        {"engine installer asks for a restart", PLATFORM_NT_X86, "6.1", "", "2.0", 1, {{PROCESS_ENDED, 3010}}, 1, 1,
         {RESTART_QUESTION}, {ENGINE_W}},
        {"msiexec cannot be started", PLATFORM_NT_X86, "6.1", "2.0", "2.0", 1, {{PROCESS_NOT_STARTED, 0}}, 0, 0,
         {"1154: Installer not found in '{system}\\MSIEXEC.EXE'"}, {MSIEXEC}},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        pack({{"Vizor.msi", "package"}, {"INSTMSIW.EXE", "engine for NT"}, {"INSTMSIA.EXE", "engine for 9x"}});
        messages.texts.clear();
        messages.restarts.clear();
        processes.started.clear();
        processes.answers = c.answers;
        g_administrator = c.admin;
        context->platform = c.platform;
        snprintf(context->osVersion, sizeof context->osVersion, "%s", c.osVersion);
        snprintf(context->installedEngineVersion, sizeof context->installedEngineVersion, "%s", c.installed);
        snprintf(context->requiredEngineVersion, sizeof context->requiredEngineVersion, "%s", c.required);

        EXPECT_EQ(configureEngine(context.get()), c.result);
        EXPECT_EQ(context->restartPending, c.restartPending);
        EXPECT_EQ(shownMessages(), expandAll(c.messages));
        EXPECT_EQ(startedProcesses(), expandAll(c.started));
        for (const StartedProcess &p : processes.started)
            EXPECT_EQ(p.show, 1) << "every child's window is shown";
        deleteRunOnce();
    }
}

TEST_F(EngineFixture, DiskTestsOnTheTemporaryAndTheWindowsDrive)
{
    ScopedEnvironment tmp("TMP", "Z:\\tmp");
    snprintf(context->requiredEngineVersion, sizeof context->requiredEngineVersion, "2.0");
    char windows[MAX_PATH] = {0};
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string windowsDrive = std::string(1, windows[0]) + ":\\";
    struct Case {
        uint64_t tempKb;
        uint64_t windowsKb;
        unsigned needKb;
        std::string message; // empty: the engine is installed
        // clang-format off
    } cases[] = {
        {7999, 1 << 20, 8000,
         "1201: Setup needs 8000 KB free disk space in Z:\\. Please free up some space and try again"},
        {8000, 7999, 8000,
         "1201: Setup needs 8000 KB free disk space in " + windowsDrive + ". Please free up some space and try again"},
        {8000, 8000, 8000, ""},   // exactly enough is enough
        // Above 4 GB free: counted in 64 bits, not wrapped to a small number.
        {(uint64_t(1) << 32) + 10, (uint64_t(1) << 32) + 10, 4000000000u, ""},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.tempKb << " KB and " << c.windowsKb << " KB free, " << c.needKb
                                        << " KB needed");
        pack({{"Setup.INI", "[Startup]\r\n"},
              {"Vizor.msi", "package"},
              {"INSTMSIW.EXE", "engine for NT"},
              {"INSTMSIA.EXE", "engine for 9x"}});
        snprintf(context->requiredEngineVersion, sizeof context->requiredEngineVersion, "2.0");
        messages.texts.clear();
        processes.started.clear();
        g_tempFreeKb = c.tempKb;
        g_windowsFreeKb = c.windowsKb;
        context->diskSpaceKb = c.needKb;
        int result = configureEngine(context.get());
        if (c.message.empty()) {
            EXPECT_EQ(result, 1);
            EXPECT_TRUE(messages.texts.empty());
            EXPECT_EQ(startedProcesses(), expandAll({ENGINE_W, MSIEXEC}));
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(messages.texts, std::vector<std::string>{c.message});
            EXPECT_TRUE(processes.started.empty());
        }
    }
}

TEST_F(EngineFixture, EngineRedistributableMissing)
{
    // Not in the container.
    pack({{"Vizor.msi", "package"}, {"INSTMSIA.EXE", "engine for 9x"}});
    snprintf(context->requiredEngineVersion, sizeof context->requiredEngineVersion, "2.0");
    EXPECT_EQ(configureEngine(context.get()), 0);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"1604: This setup does not contain the Windows Installer engine "
                                                       "(INSTMSIW.EXE) required to run the installation on this "
                                                       "operating system."});
    EXPECT_TRUE(processes.started.empty());

    // Setup files used where they lie: not beside the launcher either.
    messages.texts.clear();
    context->fileSource = SourceFolder;
    SetupContext::assign(context->workFolder, folder.path().c_str());
    EXPECT_EQ(configureEngine(context.get()), 0);
    EXPECT_EQ(messages.texts,
              std::vector<std::string>{"1154: Installer not found in '" + folder.path() + "\\INSTMSIW.EXE'"});
    EXPECT_TRUE(processes.started.empty());

    // Beside the launcher: run from there, nothing extracted.
    messages.texts.clear();
    WriteBytes(folder.file("INSTMSIW.EXE"), "engine");
    WriteBytes(folder.file("Vizor.msi"), "package");
    EXPECT_EQ(configureEngine(context.get()), 1);
    EXPECT_TRUE(messages.texts.empty());
    ASSERT_EQ(processes.started.size(), 2u);
    EXPECT_EQ(processes.started[0].command, "\"" + folder.path() + "\\INSTMSIW.EXE\" /q");
    EXPECT_EQ(processes.started[1].wait, 0) << "setup files beside the launcher: msiexec is not waited for";
    EXPECT_FALSE(PathPresent(work + "\\INSTMSIW.EXE"));
}

TEST_F(EngineFixture, PackageLaunchCommandsAndWaiting)
{
    struct Case {
        const char *name;
        unsigned languages;
        const char *transform;
        const char *properties;
        int mode;
        const char *options;
        int source;
        int kind;
        int waitSwitch;
        const char *command;
        int wait;
        // clang-format off
    } cases[] = {
        {"two languages, empty properties", 2, "1033.MST", "", Install, "", Temporary, Normal, 0,
         "MSIEXEC.EXE /i \"{work}\\Vizor.msi\"  TRANSFORMS=\"1033.MST\"", 1},
        {"language transform first in the list", 2, "1031.MST", "ADDLOCAL=ALL TRANSFORMS=\"custom.mst\"", Install, "",
         Temporary, Normal, 0, "MSIEXEC.EXE /i \"{work}\\Vizor.msi\" ADDLOCAL=ALL TRANSFORMS=\"1031.MST;custom.mst\"",
         1},
        {"one language", 1, "1033.MST", "ADDLOCAL=ALL", Install, "", Temporary, Normal, 0,
         "MSIEXEC.EXE /i \"{work}\\Vizor.msi\" ADDLOCAL=ALL", 1},
        {"administrative install ends with the quote", 1, "1033.MST", "", Administrative, "", Temporary, Normal, 0,
         "MSIEXEC.EXE /a \"{work}\\Vizor.msi\"", 1},
        {"repair with its option letters", 1, "1033.MST", "", Repair, "omus", Temporary, Normal, 0,
         "MSIEXEC.EXE /fomus \"{work}\\Vizor.msi\" ", 1},
        {"advertise", 1, "1033.MST", "", Advertise, "m", Temporary, Normal, 0,
         "MSIEXEC.EXE /jm \"{work}\\Vizor.msi\" ", 1},
        {"uninstall", 1, "1033.MST", "", Uninstall, "", Temporary, Normal, 0, "MSIEXEC.EXE /x \"{work}\\Vizor.msi\" ",
         1},
        {"patch", 1, "1033.MST", "", Patch, "", Temporary, Normal, 0, "MSIEXEC.EXE /p \"{work}\\Vizor.msi\" ", 1},
        {"files beside the launcher: not waited for", 1, "1033.MST", "", Install, "", SourceFolder, Normal, 0,
         "MSIEXEC.EXE /i \"{work}\\Vizor.msi\" ", 0},
        {"files beside the launcher with /W", 1, "1033.MST", "", Install, "", SourceFolder, Normal, 1,
         "MSIEXEC.EXE /i \"{work}\\Vizor.msi\" ", 1},
        {"package named on the command line", 2, "1033.MST", "A=1", Install, "", SourceFolder, PackageGiven, 0,
         "MSIEXEC.EXE /i \"{work}\\Vizor.msi\" A=1", 0},
        {"relaunched copy deleting its files, with /W", 2, "1033.MST", "A=1", Install, "", Temporary, PackageGiven,
         1, "MSIEXEC.EXE /i \"{work}\\Vizor.msi\" A=1", 1},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        pack({{"Vizor.msi", "package"}});
        if (c.kind != Normal)
            WriteBytes(work + "\\Vizor.msi", "package");
        processes.started.clear();
        context->languageCount = c.languages;
        snprintf(context->transformName, sizeof context->transformName, "%s", c.transform);
        snprintf(context->packageProperties, sizeof context->packageProperties, "%s", c.properties);
        context->installMode = c.mode;
        snprintf(context->modeOptions, sizeof context->modeOptions, "%s", c.options);
        context->fileSource = c.source;
        context->launchKind = c.kind;
        context->locationsFromCommandLine = c.kind != Normal;
        context->waitForPackage = c.waitSwitch;
        if (c.source == SourceFolder && c.kind == Normal)
            WriteBytes(work + "\\Vizor.msi", "package");

        EXPECT_EQ(launchPackage(context.get(), 0), 1);
        EXPECT_TRUE(messages.texts.empty()) << messages.texts[0];
        ASSERT_EQ(processes.started.size(), 1u);
        EXPECT_EQ(processes.started[0].application, systemFolder() + "\\MSIEXEC.EXE");
        EXPECT_EQ(processes.started[0].command, expand(c.command));
        EXPECT_EQ(processes.started[0].wait, c.wait);
        EXPECT_EQ(context->extractedCount, c.kind == Normal && c.source == Temporary ? 1u : 0u);
        RemoveTree(work);
        CreateDirectoryA(work.c_str(), NULL);
    }
}

TEST_F(EngineFixture, PackageLaunchFailures)
{
    // Missing from the container: the extraction says so.
    pack({{"Other.msi", "package"}});
    EXPECT_EQ(launchPackage(context.get(), 0), 0);
    EXPECT_EQ(messages.texts.back(), "1152: Error extracting '" + work + "\\Vizor.msi' to the temporary location");

    // Used where it lies, and not there.
    context->fileSource = SourceFolder;
    EXPECT_EQ(launchPackage(context.get(), 0), 0);
    EXPECT_EQ(messages.texts.back(), "1155: File '" + work + "\\Vizor.msi' not found");

    // Properties that would make the command longer than 1023 characters: refused, not cut.
    WriteBytes(work + "\\Vizor.msi", "package");
    std::string properties(1000, 'p');
    snprintf(context->packageProperties, sizeof context->packageProperties, "%s", properties.c_str());
    EXPECT_EQ(launchPackage(context.get(), 0), 0);
    EXPECT_EQ(messages.texts.back(), "1157: The command line to start '" + work + "\\Vizor.msi' is too long");
    EXPECT_TRUE(processes.started.empty());
    EXPECT_EQ(messages.texts.size(), 3u);
}

TEST_F(EngineFixture, RunOnceValueCarriesTheInstallationOverTheRestart)
{
    char own[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, own, sizeof own);
    struct Case {
        const char *name;
        int source;
        int silent;
        std::string value;
    } cases[] = {
        {"extracted files", Temporary, 0,
         "\"" + std::string(own) + "\" /k /t\"" + work +
             "\" /m\"Vizor.msi\" /w /v\"ADDLOCAL=ALL TRANSFORMS=\\\"1031.MST;custom.mst\\\"\" /c"},
        // A silent run stays quiet after the restart: msiexec gets /qn there as well.
        {"extracted files, silent", Temporary, 1,
         "\"" + std::string(own) + "\" /k /t\"" + work +
             "\" /m\"Vizor.msi\" /w /v\"ADDLOCAL=ALL TRANSFORMS=\\\"1031.MST;custom.mst\\\" /qn\" /c"},
        {"files beside the launcher", SourceFolder, 0,
         "\"" + std::string(own) + "\" /t\"" + work +
             "\" /m\"Vizor.msi\" /v\"ADDLOCAL=ALL TRANSFORMS=\\\"1031.MST;custom.mst\\\"\" "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        deleteRunOnce();
        pack({{"Vizor.msi", "package"}, {"INSTMSIW.EXE", "engine for NT"}});
        if (c.source == SourceFolder) {
            WriteBytes(work + "\\Vizor.msi", "package");
            WriteBytes(work + "\\INSTMSIW.EXE", "engine");
        }
        messages.texts.clear();
        messages.restarts.clear();
        processes.started.clear();
        processes.answers = {{PROCESS_ENDED, 3010}};
        silentMode = c.silent;
        context->fileSource = c.source;
        context->languageCount = 2;
        snprintf(context->transformName, sizeof context->transformName, "1031.MST");
        snprintf(context->packageProperties, sizeof context->packageProperties,
                 "ADDLOCAL=ALL TRANSFORMS=\"custom.mst\"");
        snprintf(context->requiredEngineVersion, sizeof context->requiredEngineVersion, "9.0");

        EXPECT_EQ(configureEngine(context.get()), 1);
        EXPECT_EQ(context->restartPending, 1);
        ASSERT_EQ(processes.started.size(), 1u) << "msiexec waits for the restart";
        std::string value;
        DWORD type = 0, size = 0;
        ASSERT_TRUE(readRunOnce(&value, &type, &size));
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_EQ(size, value.size() + 1) << "the stored length counts the terminating NUL";
        EXPECT_EQ(value, c.value);
        if (c.silent) {
            EXPECT_TRUE(messages.texts.empty()) << "silent: no restart question";
        } else {
            EXPECT_EQ(shownMessages(), std::vector<std::string>{RESTART_QUESTION});
        }
        EXPECT_TRUE(PathPresent(work + "\\Vizor.msi")) << "the package waits for the relaunched copy";
        RemoveTree(work);
        CreateDirectoryA(work.c_str(), NULL);
    }
}

// The copy that RunOnce starts after the restart reads the value back into its
// run record and starts msiexec on the kept package with the same properties.
TEST_F(EngineFixture, RelaunchedCopyInstallsWithTheSameProperties)
{
    processes.answers = {{PROCESS_ENDED, 3010}};
    context->languageCount = 2;
    snprintf(context->transformName, sizeof context->transformName, "1031.MST");
    snprintf(context->packageProperties, sizeof context->packageProperties,
             "INSTALLDIR=\"C:\\Program Files\\Vizor\\\" TRANSFORMS=custom.mst");
    snprintf(context->requiredEngineVersion, sizeof context->requiredEngineVersion, "9.0");
    ASSERT_EQ(configureEngine(context.get()), 1);
    std::string value;
    DWORD type = 0, size = 0;
    ASSERT_TRUE(readRunOnce(&value, &type, &size));

    // WinMain hands everything behind "/k" to a fresh copy.
    char own[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, own, sizeof own);
    ASSERT_EQ(value.rfind("\"" + std::string(own) + "\" /k ", 0), 0u) << value;
    std::vector<std::string> arguments = SplitArguments(relaunchCommandLine(own, value.c_str() + value.find("/k")));
    std::vector<char *> argv;
    for (std::string &a : arguments)
        argv.push_back(&a[0]);
    SetupContext copy(GetModuleHandleA(NULL), program.c_str());
    LauncherArguments parsed(int(argv.size()), argv.data());
    ASSERT_EQ(parsed.forEachSwitch(handleSwitch, &copy), 1);
    EXPECT_EQ(copy.launchKind, PackageGiven);
    EXPECT_EQ(copy.fileSource, Temporary);
    EXPECT_EQ(copy.waitForPackage, 1);
    EXPECT_STREQ(copy.workFolder, work.c_str());
    EXPECT_STREQ(copy.packageName, "Vizor.msi");

    processes.started.clear();
    EXPECT_EQ(configureEngine(&copy), 1);
    ASSERT_EQ(processes.started.size(), 1u);
    EXPECT_EQ(processes.started[0].command,
              "MSIEXEC.EXE /i \"" + work +
                  "\\Vizor.msi\" INSTALLDIR=\"C:\\Program Files\\Vizor\\\" TRANSFORMS=1031.MST;custom.mst");
    EXPECT_EQ(processes.started[0].wait, 1);
}

// The restart question promises that setup goes on after the restart: without
// the RunOnce value it is not asked, the failure is shown and the extracted
// files are not kept.
TEST_F(EngineFixture, RunOnceThatCannotBeWrittenIsAFailure)
{
    g_runOnceKeyPath = "Software\\Parallaxia Test\\No Such Key";
    RegistryKey probe;
    ASSERT_NE(probe.Open(HKEY_LOCAL_MACHINE, g_runOnceKeyPath, KEY_ALL_ACCESS), 0);
    for (int silent : {0, 1}) {
        SCOPED_TRACE(silent ? "silent" : "with dialogs");
        pack({{"Vizor.msi", "package"}, {"INSTMSIW.EXE", "engine for NT"}});
        silentMode = silent;
        messages.texts.clear();
        messages.restarts.clear();
        processes.started.clear();
        processes.answers = {{PROCESS_ENDED, 3010}};
        snprintf(context->requiredEngineVersion, sizeof context->requiredEngineVersion, "9.0");
        EXPECT_EQ(configureEngine(context.get()), 0);
        EXPECT_EQ(context->restartPending, 0) << "the clean-up must run";
        if (silent) {
            EXPECT_TRUE(messages.texts.empty());
        } else {
            EXPECT_EQ(shownMessages(),
                      std::vector<std::string>{"1159: Setup cannot arrange to continue the installation after a "
                                               "restart of the system. Restart the system and run setup again"});
        }
        EXPECT_EQ(processes.started.size(), 1u) << "only the engine installer ran";
        std::string value;
        DWORD type = 0, size = 0;
        EXPECT_FALSE(readRunOnce(&value, &type, &size));
    }
}

TEST_F(EngineFixture, RestartFailureAfter3010KeepsNoFiles)
{
    // The package is missing: nothing could run after the restart, so nothing is kept for it.
    pack({{"INSTMSIW.EXE", "engine for NT"}});
    processes.answers = {{PROCESS_ENDED, 3010}};
    snprintf(context->requiredEngineVersion, sizeof context->requiredEngineVersion, "9.0");
    EXPECT_EQ(configureEngine(context.get()), 0);
    EXPECT_EQ(context->restartPending, 0);
    std::string value;
    DWORD type = 0, size = 0;
    EXPECT_FALSE(readRunOnce(&value, &type, &size));
}

TEST(EngineRegistry, RegistryKeyWritesStringsWithTheirTerminator)
{
    const char path[] = "Software\\Parallaxia Test\\RegistryKey";
    HKEY created;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);

    RegistryKey key;
    EXPECT_EQ(key.SetString("x", "y"), ERROR_INVALID_HANDLE) << "no key open yet";
    EXPECT_EQ(key.Open(HKEY_CURRENT_USER, "Software\\Parallaxia Test\\Missing", KEY_ALL_ACCESS), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(key.Open(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS), ERROR_SUCCESS);
    EXPECT_EQ(key.SetString("Setup", "\"C:\\a b\\setup.exe\" /k"), ERROR_SUCCESS);
    EXPECT_EQ(key.SetString("Empty", ""), ERROR_SUCCESS);
    key.Close();

    HKEY read;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &read), ERROR_SUCCESS);
    char buffer[64] = {0};
    DWORD type = 0, size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(read, "Setup", nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_STREQ(buffer, "\"C:\\a b\\setup.exe\" /k");
    EXPECT_EQ(size, strlen(buffer) + 1);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(read, "Empty", nullptr, &type, reinterpret_cast<BYTE *>(buffer), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    RegCloseKey(read);
    RegDeleteKeyA(HKEY_CURRENT_USER, path);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parallaxia Test");
}

TEST(EngineSystem, AdministratorTestOnWinesToken)
{
    // Wine's user holds the local Administrators group, enabled.
    EXPECT_EQ(isAdministrator(), 1);
}

// An administrator's unelevated token lists the Administrators group for deny
// only: such a token is no administrator's.
TEST(EngineSystem, AdministratorsGroupCountsOnlyWhenEnabled)
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = NULL, users = NULL;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                         &administrators));
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0,
                                         &users));
    struct Case {
        const char *why;
        DWORD adminAttributes;
        int expected;
    } cases[] = {
        {"enabled (elevated)", SE_GROUP_ENABLED | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_MANDATORY | SE_GROUP_OWNER, 1},
        {"for deny only (unelevated administrator)", SE_GROUP_USE_FOR_DENY_ONLY, 0},
        {"enabled and for deny only", SE_GROUP_ENABLED | SE_GROUP_USE_FOR_DENY_ONLY, 0},
        {"present but disabled", SE_GROUP_MANDATORY, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        std::vector<BYTE> buffer(sizeof(TOKEN_GROUPS) + 2 * sizeof(SID_AND_ATTRIBUTES));
        TOKEN_GROUPS *groups = reinterpret_cast<TOKEN_GROUPS *>(buffer.data());
        groups->GroupCount = 2;
        groups->Groups[0].Sid = users;
        groups->Groups[0].Attributes = SE_GROUP_ENABLED;
        groups->Groups[1].Sid = administrators;
        groups->Groups[1].Attributes = c.adminAttributes;
        EXPECT_EQ(holdsEnabledGroup(groups, administrators), c.expected);
    }
    FreeSid(users);
    FreeSid(administrators);
}

namespace {

std::vector<std::pair<UINT, DWORD>> g_exitRequests;
BOOL g_exitAccepted;
BOOL recordExit(UINT flags, DWORD reason)
{
    g_exitRequests.push_back({flags, reason});
    return g_exitAccepted;
}

bool shutdownPrivilegeEnabled()
{
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    LUID shutdown;
    LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &shutdown);
    std::vector<BYTE> buffer(4096);
    DWORD size = 0;
    bool enabled = false;
    if (GetTokenInformation(token, TokenPrivileges, buffer.data(), DWORD(buffer.size()), &size)) {
        TOKEN_PRIVILEGES *list = reinterpret_cast<TOKEN_PRIVILEGES *>(buffer.data());
        for (DWORD i = 0; i < list->PrivilegeCount; ++i)
            if (list->Privileges[i].Luid.LowPart == shutdown.LowPart &&
                list->Privileges[i].Luid.HighPart == shutdown.HighPart)
                enabled = (list->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    CloseHandle(token);
    return enabled;
}

} // namespace

TEST(EngineSystem, RestartAsksTheSystemToRebootWithTheShutdownPrivilege)
{
    LauncherState state;
    g_pfnExitWindows = recordExit;
    g_exitRequests.clear();
    g_exitAccepted = TRUE;
    EXPECT_EQ(restartSystem(), 0);
    ASSERT_EQ(g_exitRequests.size(), 1u);
    EXPECT_EQ(g_exitRequests[0].first, UINT(EWX_REBOOT));
    EXPECT_EQ(g_exitRequests[0].second, 0xFFFFu);
    EXPECT_TRUE(shutdownPrivilegeEnabled());

    g_exitAccepted = FALSE;
    EXPECT_NE(restartSystem(), 0) << "a refused restart is not reported as accepted";
}

// The stand-in engine installer started for real.
namespace {

const char STUB[] = SETUP_ENGINE_STUB;

// Stand-in processes this test program started and that still run are ended.
void endStubs()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId())
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
    CloseHandle(snapshot);
}

struct PostRequest {
    DWORD thread;
    UINT message;
};

DWORD WINAPI postLater(void *parameter)
{
    const PostRequest *request = static_cast<const PostRequest *>(parameter);
    Sleep(300);
    PostThreadMessageA(request->thread, request->message, 0, 0);
    return 0;
}

// Posts message to this thread from another thread after 300 ms.
HANDLE postToThisThreadLater(PostRequest *request, UINT message)
{
    request->thread = GetCurrentThreadId();
    request->message = message;
    return CreateThread(NULL, 0, postLater, request, 0, NULL);
}

} // namespace

TEST(EngineProcesses, RunAndWaitGivesTheExitCode)
{
    TempFolder folder;
    std::string log = folder.file("stub.log");
    ScopedEnvironment logVariable("ENGINE_STUB_LOG", log.c_str());
    std::string command = std::string("\"") + STUB + "\" /q";
    struct Case {
        const char *exit;
        int show;
        DWORD code;
        const char *shown;
    } cases[] = {
        {"0", 1, 0, "show 1"},
        {"3010", 1, 3010, "show 1"},
        {"1603", 0, 1603, "show 0"},
    };
    for (const Case &c : cases) {
        ScopedEnvironment exit("ENGINE_STUB_EXIT", c.exit);
        DeleteFileA(log.c_str());
        DWORD code = 12345;
        EXPECT_EQ(runAndWait(STUB, command.c_str(), c.show, &code), PROCESS_ENDED);
        EXPECT_EQ(code, c.code);
        std::string text;
        ASSERT_TRUE(ReadWholeFile(log, &text));
        EXPECT_EQ(text, command + "\r\n" + c.shown + "\r\n");
    }

    DWORD code = 12345;
    std::string missing = folder.file("INSTMSIW.EXE");
    EXPECT_EQ(runAndWait(missing.c_str(), ("\"" + missing + "\" /q").c_str(), 1, &code), PROCESS_NOT_STARTED);
    EXPECT_EQ(code, 12345u);
}

TEST(EngineProcesses, RunAndWaitLooksAtMessagesWithoutEndingOnOrdinaryOnes)
{
    ScopedEnvironment sleep("ENGINE_STUB_SLEEP_MS", "1000");
    ScopedEnvironment exit("ENGINE_STUB_EXIT", "7");
    PostRequest later = {};
    HANDLE poster = postToThisThreadLater(&later, WM_USER + 5);
    DWORD code = 0;
    std::string command = std::string("\"") + STUB + "\" /q";
    EXPECT_EQ(runAndWait(STUB, command.c_str(), 1, &code), PROCESS_ENDED);
    EXPECT_EQ(code, 7u);
    WaitForSingleObject(poster, 5000);
    CloseHandle(poster);
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE)) << "the message is left for the loop";
}

TEST(EngineProcesses, RunAndWaitIsAbandonedOnCloseAndQuit)
{
    ScopedEnvironment sleep("ENGINE_STUB_SLEEP_MS", "20000");
    std::string command = std::string("\"") + STUB + "\" /q";
    for (UINT message : {UINT(WM_CLOSE), UINT(WM_QUERYENDSESSION), UINT(WM_QUIT)}) {
        SCOPED_TRACE(testing::Message() << "message " << message);
        PostRequest later = {};
        HANDLE poster = postToThisThreadLater(&later, message);
        DWORD start = GetTickCount();
        DWORD code = 12345;
        EXPECT_EQ(runAndWait(STUB, command.c_str(), 1, &code), PROCESS_WAIT_ABANDONED);
        EXPECT_LT(GetTickCount() - start, 10000u) << "the wait did not end on the request";
        EXPECT_EQ(code, 12345u) << "no exit code of a process that still runs";
        WaitForSingleObject(poster, 5000);
        CloseHandle(poster);
        MSG m;
        EXPECT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) << "the request stays for the caller";
        EXPECT_EQ(m.message, message);
        endStubs();
    }
}

TEST(EngineProcesses, RunDetachedDoesNotWait)
{
    TempFolder folder;
    std::string log = folder.file("stub.log");
    ScopedEnvironment logVariable("ENGINE_STUB_LOG", log.c_str());
    ScopedEnvironment sleep("ENGINE_STUB_SLEEP_MS", "20000");
    std::string command = std::string("\"") + STUB + "\" /x";
    DWORD start = GetTickCount();
    EXPECT_EQ(runDetached(STUB, command.c_str(), 1), PROCESS_STARTED);
    EXPECT_LT(GetTickCount() - start, 10000u);
    std::string text;
    for (int i = 0; i < 200 && !(ReadWholeFile(log, &text) && !text.empty()); ++i)
        Sleep(50);
    EXPECT_EQ(text, command + "\r\nshow 1\r\n");
    endStubs();

    std::string missing = folder.file("missing.exe");
    EXPECT_EQ(runDetached(missing.c_str(), missing.c_str(), 1), PROCESS_NOT_STARTED);
}
