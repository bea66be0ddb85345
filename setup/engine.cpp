#include "engine.h"

#include <cstdio>

#include "dialogs.h"
#include "paths.h"
#include "payload.h"
#include "resources/resource.h"

static_assert(sizeof(OSVERSIONINFOA) == 148, "version record is 148 bytes");


int checkSystem(SetupContext *context)
{
    struct {
        PlatformCode platform;
        char version[SETUP_TEXT_CHARS];
        int supported;
    } record = {PLATFORM_WIN9X, {0}, 0};

    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (GetVersionExA(&info)) {
        switch (info.dwPlatformId) {
        case VER_PLATFORM_WIN32s:
            record.platform = PLATFORM_WIN32S;
            break;
        case VER_PLATFORM_WIN32_WINDOWS:
            snprintf(record.version, sizeof record.version, "%u.%u", unsigned(info.dwMajorVersion),
                     unsigned(info.dwMinorVersion));
            record.supported = 1;
            break;
        case VER_PLATFORM_WIN32_NT: {
            record.platform = PLATFORM_NT_X86;
            SYSTEM_INFO system;
            GetSystemInfo(&system);
            switch (LOWORD(system.dwOemId)) {
            case 1: record.platform = PLATFORM_NT_MIPS; break;
            case 2: record.platform = PLATFORM_NT_ALPHA; break;
            case 3: record.platform = PLATFORM_NT_PPC; break;
            }
            record.supported = info.dwMajorVersion >= 4;
            snprintf(record.version, sizeof record.version, "%u.%u", unsigned(info.dwMajorVersion),
                     unsigned(info.dwMinorVersion));
            break;
        }
        }
    }
    context->platform = record.platform;
    snprintf(context->osVersion, sizeof context->osVersion, "%s", record.version);
    context->osSupported = record.supported;
    return 1;
}

// The installed engine's version is not read yet: the text stays empty.
int checkEngineVersion(SetupContext *context)
{
    return 1;
}

// Installing or upgrading the engine is not done yet; the package is prepared.
int configureEngine(SetupContext *context)
{
    context->restartPending = 0;
    return launchPackage(context, 0);
}

// Brings the package into the work folder. Starting MSIEXEC.EXE on it is not done yet.
int launchPackage(SetupContext *context, int restart)
{
    if (!extractToWorkFolder(context, context->packageName))
        return 0;
    char path[SETUP_TEXT_CHARS];
    const char *folder = context->workFolder ? context->workFolder : "";
    if (!combinePath(folder, context->packageName, path, sizeof path) || !fileExists(path)) {
        showFormatted(IDS_ERROR_FILE_NOT_FOUND, path);
        return 0;
    }
    if (context->progress)
        context->progress->hide();
    return 1;
}

// Restarting is not done yet: the request is never accepted.
int restartSystem()
{
    return 1;
}
