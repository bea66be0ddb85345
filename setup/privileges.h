// What the system is and what this process may do there: the system's version,
// the administrator test and the restart.
#pragma once

#include <windows.h>

#include "engine_commands.h"

int systemVersion(SystemVersion *version);
// 1 when the caller's token holds the local Administrators group, enabled.
int isAdministrator();
// 1 when groups hold group enabled (not for deny only).
int holdsEnabledGroup(const TOKEN_GROUPS *groups, PSID group);
// Asks the system to restart, with the shutdown privilege enabled where the
// system has privileges. 0 when the system accepted the restart.
int restartSystem();
BOOL systemExitWindows(UINT flags, DWORD reason);

// Seams for tests: the system version, the administrator test and the system's
// restart call.
typedef int (*SystemVersionFunction)(SystemVersion *version);
extern SystemVersionFunction g_pfnSystemVersion;
typedef int (*AdministratorFunction)();
extern AdministratorFunction g_pfnIsAdministrator;
typedef BOOL (*ExitWindowsFunction)(UINT flags, DWORD reason);
extern ExitWindowsFunction g_pfnExitWindows;
