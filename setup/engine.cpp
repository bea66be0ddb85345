#include "engine.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "dialogs.h"
#include "paths.h"
#include "payload.h"
#include "resources/resource.h"
#include "system_dlls.h"

static_assert(sizeof(OSVERSIONINFOA) == 148, "version record is 148 bytes");

const char RUN_ONCE_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char RUN_ONCE_VALUE[] = "Setup";

SystemVersionFunction g_pfnSystemVersion = systemVersion;
AdministratorFunction g_pfnIsAdministrator = isAdministrator;
StartProcessFunction g_pfnStartProcess = startProcess;
const char *g_runOnceKeyPath = RUN_ONCE_KEY;
ExitWindowsFunction g_pfnExitWindows = systemExitWindows;

namespace {

const char PACKAGE_RUNNER[] = "MSIEXEC.EXE";
const char ENGINE_LIBRARY[] = "Msi.DLL";
const unsigned ENGINE_RESTART_NEEDED = 3010;
const DWORD RESTART_REASON = 0xFFFF;
const DWORD LONGEST_MODULE_PATH = 32768;

// MSIEXEC.EXE of the system folder. Found through the search order it could be
// a file of that name lying beside a downloaded setup.exe.
bool packageRunnerPath(char *out, size_t size)
{
    char system[SETUP_TEXT_CHARS];
    UINT n = GetSystemDirectoryA(system, sizeof system);
    if (n == 0 || n >= sizeof system) {
        out[0] = '\0';
        return false;
    }
    return combinePath(system, PACKAGE_RUNNER, out, size);
}

std::string ownPath(HINSTANCE instance)
{
    std::vector<char> path(LONGEST_MODULE_PATH);
    DWORD n = GetModuleFileNameA(instance, path.data(), DWORD(path.size()));
    if (n == 0 || n >= path.size())
        return std::string();
    return std::string(path.data(), n);
}

STARTUPINFOA startupRecord(int show)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(show ? SW_SHOWNORMAL : SW_HIDE);
    return startup;
}

// A wait ends early on these, which the next message of the thread shows.
bool endsTheWait(UINT message)
{
    return message == WM_CLOSE || message == WM_QUERYENDSESSION || message == WM_QUIT;
}

// Free space on the drive of path is at least needKb; otherwise message 1201.
bool enoughSpace(const char *path, unsigned needKb)
{
    uint64_t freeKb = 0;
    if (g_pfnDiskFreeKb(path, &freeKb) && freeKb >= needKb)
        return true;
    char drive[SETUP_TEXT_CHARS];
    driveOf(path, drive, sizeof drive);
    showFormatted(IDS_ERROR_DISK_SPACE, static_cast<unsigned long>(needKb), drive);
    return false;
}

bool diskTests(SetupContext *context)
{
    char path[SETUP_TEXT_CHARS];
    DWORD n = GetTempPathA(sizeof path, path);
    if (n > 0 && n < sizeof path && !enoughSpace(path, context->diskSpaceKb))
        return false;
    UINT w = GetWindowsDirectoryA(path, sizeof path);
    if (w > 0 && w < sizeof path && !enoughSpace(path, context->diskSpaceKb))
        return false;
    return true;
}

// Runs the engine redistributable of the platform from the work folder, then
// launches the package, at once or after the restart the engine asks for.
int installEngine(SetupContext *context)
{
    if (isWindowsNT(context->platform) && !g_pfnIsAdministrator()) {
        showFormatted(IDS_ERROR_PRIVILEGES);
        return 0;
    }
    if (!diskTests(context))
        return 0;

    const char *name = engineInstallerName(context->platform);
    if (!name) {
        showFormatted(IDS_ENGINE_MISSING, "");
        return 0;
    }
    if (context->fileSource == Temporary && context->launchKind == Normal) {
        uint64_t offset = 0;
        if (!context->payload || !context->payload->find(name, &offset)) {
            showFormatted(IDS_ENGINE_MISSING, name);
            return 0;
        }
        if (!extractToWorkFolder(context, name))
            return 0;
    }
    char path[SETUP_TEXT_CHARS];
    const char *folder = context->workFolder ? context->workFolder : "";
    if (!combinePath(folder, name, path, sizeof path)) {
        showFormatted(IDS_ERROR_COMMAND_TOO_LONG, name);
        return 0;
    }
    if (!fileExists(path)) {
        showFormatted(IDS_ERROR_NO_INSTALLER, path);
        return 0;
    }
    char command[SETUP_TEXT_CHARS];
    if (!engineCommand(path, command, sizeof command)) {
        showFormatted(IDS_ERROR_COMMAND_TOO_LONG, path);
        return 0;
    }

    DWORD code = 0;
    switch (g_pfnStartProcess(path, command, 1, 1, &code)) {
    case PROCESS_ENDED:
        break;
    case PROCESS_WAIT_ABANDONED:
        showFormatted(IDS_ERROR_WAIT_ABANDONED, path);
        return 0;
    default:
        showFormatted(IDS_ERROR_NO_INSTALLER, path);
        return 0;
    }
    if (code == 0) {
        context->restartPending = 0;
        return launchPackage(context, 0);
    }
    if (code == ENGINE_RESTART_NEEDED) {
        context->restartPending = 1;
        if (launchPackage(context, 1))
            return 1;
        // Nothing will run after the restart: the extracted files go now.
        context->restartPending = 0;
        return 0;
    }
    showErrorCode(int(code));
    return 0;
}

}  // namespace

// System check

int systemVersion(SystemVersion *version)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return 0;
    version->platformId = info.dwPlatformId;
    version->major = info.dwMajorVersion;
    version->minor = info.dwMinorVersion;
    version->architecture = 0;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        version->architecture = LOWORD(system.dwOemId);
    }
    return 1;
}

int checkSystem(SetupContext *context)
{
    SystemVersion version = {};
    version.known = g_pfnSystemVersion(&version) != 0;
    PlatformRecord record;
    describePlatform(version, &record);
    context->platform = record.platform;
    snprintf(context->osVersion, sizeof context->osVersion, "%s", record.osVersion);
    context->osSupported = record.osSupported;
    return 1;
}

// Engine version

void readFileVersion(const char *file, char *out, size_t size)
{
    out[0] = '\0';
    DWORD ignored = 0;
    DWORD bytes = systemFileVersionInfoSize(file, &ignored);
    if (bytes == 0)
        return;
    std::vector<char> data(bytes);
    if (!systemFileVersionInfo(file, 0, bytes, data.data()))
        return;
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    char root[] = "\\";
    if (!systemVerQueryValue(data.data(), root, reinterpret_cast<void **>(&fixed), &length) || !fixed ||
        length < sizeof *fixed)
        return;
    snprintf(out, size, "%u.%u.%u.%u", unsigned(HIWORD(fixed->dwFileVersionMS)),
             unsigned(LOWORD(fixed->dwFileVersionMS)), unsigned(HIWORD(fixed->dwFileVersionLS)),
             unsigned(LOWORD(fixed->dwFileVersionLS)));
}

int checkEngineVersion(SetupContext *context)
{
    // The engine of the system folder: found through the library search, a
    // Msi.DLL beside setup.exe would decide whether the engine is installed.
    char engine[SETUP_TEXT_CHARS];
    context->installedEngineVersion[0] = '\0';
    if (systemFilePath(ENGINE_LIBRARY, engine, sizeof engine))
        readFileVersion(engine, context->installedEngineVersion, sizeof context->installedEngineVersion);
    return 1;
}

// Engine install and package launch

int configureEngine(SetupContext *context)
{
    context->restartPending = 0;
    if (CompareVersions(context->installedEngineVersion, context->requiredEngineVersion) == 1 &&
        context->launchKind == Normal) {
        if (CompareVersions(context->osVersion, "5.0") != 0)
            return installEngine(context);
        // Windows 2000 brings its engine with the system: only say that it is older.
        char installed[32], required[32];
        majorMinor(context->installedEngineVersion, installed, sizeof installed);
        majorMinor(context->requiredEngineVersion, required, sizeof required);
        if (CompareVersions(installed, required) != 0)
            showFormatted(IDS_OLDER_ENGINE, context->installedEngineVersion);
    }
    context->restartPending = 0;
    return launchPackage(context, 0);
}

int launchPackage(SetupContext *context, int restart)
{
    if (!extractToWorkFolder(context, context->packageName))
        return 0;
    const char *folder = context->workFolder ? context->workFolder : "";
    char path[SETUP_TEXT_CHARS];
    if (!combinePath(folder, context->packageName, path, sizeof path)) {
        showFormatted(IDS_ERROR_COMMAND_TOO_LONG, context->packageName);
        return 0;
    }
    if (!fileExists(path)) {
        showFormatted(IDS_ERROR_FILE_NOT_FOUND, path);
        return 0;
    }
    char transformed[SETUP_TEXT_CHARS];
    char properties[SETUP_TEXT_CHARS];
    char command[SETUP_TEXT_CHARS];
    if (!packageProperties(context->packageProperties, context->languageCount, context->locationsFromCommandLine,
                           context->transformName, transformed, sizeof transformed) ||
        !silentProperties(transformed, silentMode != 0, properties, sizeof properties) ||
        !packageCommand(context->installMode, context->modeOptions, path, properties, command, sizeof command)) {
        showFormatted(IDS_ERROR_COMMAND_TOO_LONG, path);
        return 0;
    }

    if (!restart) {
        if (context->progress)
            context->progress->hide();
        char runner[SETUP_TEXT_CHARS];
        if (!packageRunnerPath(runner, sizeof runner)) {
            showFormatted(IDS_ERROR_NO_INSTALLER, PACKAGE_RUNNER);
            return 0;
        }
        int wait = context->waitForPackage == 1 || (context->fileSource == Temporary && context->launchKind == Normal);
        DWORD code = 0;
        int outcome = g_pfnStartProcess(runner, command, 1, wait, &code);
        releaseHeldFiles(context);
        if (outcome == PROCESS_NOT_STARTED) {
            showFormatted(IDS_ERROR_NO_INSTALLER, runner);
            return 0;
        }
        // msiexec reports its own outcome; its exit code is not used.
        return 1;
    }

    // The restart question promises that setup goes on after the restart: it is
    // asked only when the RunOnce value that does so has been written.
    RegistryKey key;
    bool written = false;
    if (key.open(HKEY_LOCAL_MACHINE, g_runOnceKeyPath, KEY_ALL_ACCESS) == 0) {
        std::string own = ownPath(context->instance);
        bool temporary = context->fileSource == Temporary;
        // Every character of the texts at most doubled, and the switches.
        size_t size = 2 * (own.size() + strlen(folder) + strlen(context->packageName)) + 2 * strlen(properties) + 64;
        std::vector<char> value(size);
        written = !own.empty() &&
                  runOnceValue(own.c_str(), folder, context->packageName, properties, temporary, value.data(), size) &&
                  key.setString(RUN_ONCE_VALUE, value.data()) == 0;
    }
    key.close();
    if (!written) {
        showFormatted(IDS_ERROR_RUN_ONCE);
        return 0;
    }
    showRestart(IDS_RESTART_NEEDED);
    return 1;
}

// Administrator test

int holdsEnabledGroup(const TOKEN_GROUPS *groups, PSID group)
{
    // An administrator's unelevated token lists the group for deny only: it
    // grants nothing there.
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        DWORD attributes = groups->Groups[i].Attributes;
        if ((attributes & SE_GROUP_ENABLED) && !(attributes & SE_GROUP_USE_FOR_DENY_ONLY) &&
            EqualSid(groups->Groups[i].Sid, group))
            return 1;
    }
    return 0;
}

int isAdministrator()
{
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token)) {
        // Without a token of its own the thread acts with the process's token.
        if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return 0;
    }
    int member = 0;
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenGroups, nullptr, 0, &size) && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        std::vector<BYTE> buffer(size);
        TOKEN_GROUPS *groups = reinterpret_cast<TOKEN_GROUPS *>(buffer.data());
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID administrators = nullptr;
        if (GetTokenInformation(token, TokenGroups, groups, size, &size) &&
            AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                     &administrators)) {
            member = holdsEnabledGroup(groups, administrators);
            FreeSid(administrators);
        }
    }
    CloseHandle(token);
    return member;
}

// Processes

int runAndWait(const char *application, const char *command, int show, DWORD *exitCode)
{
    STARTUPINFOA startup = startupRecord(show);
    std::vector<char> text(command, command + strlen(command) + 1);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application, text.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return PROCESS_NOT_STARTED;
    CloseHandle(process.hThread);
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1)
            break;
        MSG message;
        if (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && endsTheWait(message.message))
            break;
    }
    int outcome = PROCESS_WAIT_ABANDONED;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        if (exitCode)
            *exitCode = code;
        outcome = PROCESS_ENDED;
    }
    CloseHandle(process.hProcess);
    return outcome;
}

int runDetached(const char *application, const char *command, int show)
{
    STARTUPINFOA startup = startupRecord(show);
    std::vector<char> text(command, command + strlen(command) + 1);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application, text.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return PROCESS_NOT_STARTED;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return PROCESS_STARTED;
}

int startProcess(const char *application, const char *command, int show, int wait, DWORD *exitCode)
{
    return wait ? runAndWait(application, command, show, exitCode) : runDetached(application, command, show);
}

// Registry

LONG RegistryKey::open(HKEY root, const char *path, REGSAM access)
{
    close();
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExA(root, path, 0, access, &opened);
    if (result == ERROR_SUCCESS)
        key = opened;
    return result;
}

LONG RegistryKey::setString(const char *name, const char *text)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text), DWORD(strlen(text) + 1));
}

void RegistryKey::close()
{
    if (key)
        RegCloseKey(key);
    key = nullptr;
}

// Restart

BOOL systemExitWindows(UINT flags, DWORD reason)
{
    return ExitWindowsEx(flags, reason);
}

int restartSystem()
{
    SystemVersion version = {};
    if (g_pfnSystemVersion(&version) && version.platformId == VER_PLATFORM_WIN32_NT) {
        HANDLE token = nullptr;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            TOKEN_PRIVILEGES privileges = {};
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
                AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
            CloseHandle(token);
        }
    }
    return g_pfnExitWindows(EWX_REBOOT, RESTART_REASON) ? 0 : 1;
}
