// The system check, the installer engine check and the package launch.
#pragma once

#include <windows.h>

#include "context.h"
#include "engine_commands.h"

int checkSystem(SetupContext *context);
int checkEngineVersion(SetupContext *context);
// Installs or upgrades the engine when it is older than Setup.INI requires, then
// starts msiexec on the package (or arranges a relaunch after a restart).
int configureEngine(SetupContext *context);
int launchPackage(SetupContext *context, int restart);
// The file version of file ("%u.%u.%u.%u"); empty without version information.
void readFileVersion(const char *file, char *out, size_t size);

// The registry key the relaunch after a restart is written to, under HKEY_LOCAL_MACHINE.
extern const char RUN_ONCE_KEY[];
extern const char RUN_ONCE_VALUE[]; // "Setup"

// Seam for tests: the RunOnce key path (RUN_ONCE_KEY).
extern const char *g_runOnceKeyPath;
