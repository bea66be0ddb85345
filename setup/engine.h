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
// 0 when the system accepted the restart.
int restartSystem();
// 1 when the caller's token holds the local Administrators group, enabled.
int isAdministrator();
// 1 when groups hold group enabled (not for deny only).
int holdsEnabledGroup(const TOKEN_GROUPS *groups, PSID group);

// The file version of file ("%u.%u.%u.%u"); empty without version information.
void readFileVersion(const char *file, char *out, size_t size);

// Child processes. application is the program file (null: the first word of
// command, found by the system's search); command is the whole command text.
enum ProcessOutcome {
    PROCESS_NOT_STARTED = 0,
    PROCESS_ENDED = 1,            // waited for: exitCode holds its exit code
    PROCESS_STARTED = 2,          // started without waiting
    PROCESS_WAIT_ABANDONED = 3,   // a close, end-of-session or quit request ended the wait while it ran
};
// Starts the process and waits for it while looking at the thread's messages.
int runAndWait(const char *application, const char *command, int show, DWORD *exitCode);
// Starts the process with handle inheritance and does not wait.
int runDetached(const char *application, const char *command, int show);
// runAndWait when wait is set, else runDetached.
int startProcess(const char *application, const char *command, int show, int wait, DWORD *exitCode);

// The registry key the relaunch after a restart is written to, under HKEY_LOCAL_MACHINE.
extern const char RUN_ONCE_KEY[];
extern const char RUN_ONCE_VALUE[];   // "Setup"

// One open registry key.
class RegistryKey {
public:
    RegistryKey() : key(nullptr) {}
    ~RegistryKey() { close(); }
    // Closes a held key and opens path; 0 or the system error.
    LONG open(HKEY root, const char *path, REGSAM access);
    // A REG_SZ value whose length counts the terminating NUL; 0 or the system error.
    LONG setString(const char *name, const char *text);
    void close();

private:
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;
    HKEY key;
};

// Seams for tests: the system version, the administrator test, process start,
// the RunOnce key path and the system's restart call.
typedef int (*SystemVersionFunction)(SystemVersion *version);
extern SystemVersionFunction g_pfnSystemVersion;
int systemVersion(SystemVersion *version);

typedef int (*AdministratorFunction)();
extern AdministratorFunction g_pfnIsAdministrator;

typedef int (*StartProcessFunction)(const char *application, const char *command, int show, int wait,
                                    DWORD *exitCode);
extern StartProcessFunction g_pfnStartProcess;

extern const char *g_runOnceKeyPath;   // RUN_ONCE_KEY

typedef BOOL (*ExitWindowsFunction)(UINT flags, DWORD reason);
extern ExitWindowsFunction g_pfnExitWindows;
BOOL systemExitWindows(UINT flags, DWORD reason);
