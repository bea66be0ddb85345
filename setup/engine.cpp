#include "engine.h"

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "common/owned.h"
#include "messages.h"
#include "paths.h"
#include "payload.h"
#include "privileges.h"
#include "process.h"
#include "progress.h"
#include "resources/resource.h"
#include "system_dlls.h"

const char RUN_ONCE_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char RUN_ONCE_VALUE[] = "Setup";

const char *g_runOnceKeyPath = RUN_ONCE_KEY;

namespace {

const char PACKAGE_RUNNER[] = "MSIEXEC.EXE";
const char ENGINE_LIBRARY[] = "Msi.DLL";
const unsigned ENGINE_RESTART_NEEDED = 3010;
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
    case PROCESS_ENDED: break;
    case PROCESS_WAIT_ABANDONED: showFormatted(IDS_ERROR_WAIT_ABANDONED, path); return 0;
    default: showFormatted(IDS_ERROR_NO_INSTALLER, path); return 0;
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

} // namespace

// System check

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
    VS_FIXEDFILEINFO *fixed = NULL;
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
    if (key.Open(HKEY_LOCAL_MACHINE, g_runOnceKeyPath, KEY_ALL_ACCESS) == 0) {
        std::string own = ownPath(context->instance);
        bool temporary = context->fileSource == Temporary;
        // Every character of the texts at most doubled, and the switches.
        size_t size = 2 * (own.size() + strlen(folder) + strlen(context->packageName)) + 2 * strlen(properties) + 64;
        std::vector<char> value(size);
        written = !own.empty() &&
                  runOnceValue(own.c_str(), folder, context->packageName, properties, temporary, value.data(), size) &&
                  key.SetString(RUN_ONCE_VALUE, value.data()) == 0;
    }
    key.Close();
    if (!written) {
        showFormatted(IDS_ERROR_RUN_ONCE);
        return 0;
    }
    showRestart(IDS_RESTART_NEEDED);
    return 1;
}
