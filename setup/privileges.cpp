#include "privileges.h"

#include <vector>

#include "common/owned.h"

static_assert(sizeof(OSVERSIONINFOA) == 148, "version record is 148 bytes");

SystemVersionFunction g_pfnSystemVersion = systemVersion;
AdministratorFunction g_pfnIsAdministrator = isAdministrator;
ExitWindowsFunction g_pfnExitWindows = systemExitWindows;

namespace {

const DWORD RESTART_REASON = 0xFFFF;

} // namespace

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
    OwnedHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, token.Put())) {
        // Without a token of its own the thread acts with the process's token.
        if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()))
            return 0;
    }
    DWORD size = 0;
    if (GetTokenInformation(token.Get(), TokenGroups, NULL, 0, &size) || GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    std::vector<BYTE> buffer(size);
    TOKEN_GROUPS *groups = reinterpret_cast<TOKEN_GROUPS *>(buffer.data());
    if (!GetTokenInformation(token.Get(), TokenGroups, groups, size, &size))
        return 0;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = NULL;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return 0;
    int member = holdsEnabledGroup(groups, administrators);
    FreeSid(administrators);
    return member;
}

BOOL systemExitWindows(UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason); }

int restartSystem()
{
    SystemVersion version = {};
    if (g_pfnSystemVersion(&version) && version.platformId == VER_PLATFORM_WIN32_NT) {
        OwnedHandle token;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Put())) {
            TOKEN_PRIVILEGES privileges = {};
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            if (LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
                AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, NULL, NULL);
        }
    }
    return g_pfnExitWindows(EWX_REBOOT, RESTART_REASON) ? 0 : 1;
}
