// Child processes: the package runner, the engine redistributable and the
// relaunch of the launcher itself.
#pragma once

#include <windows.h>

// application is the program file (NULL: the first word of command, found by the
// system's search); command is the whole command text.
enum ProcessOutcome {
    PROCESS_NOT_STARTED = 0,
    PROCESS_ENDED = 1,          // waited for: exitCode holds its exit code
    PROCESS_STARTED = 2,        // started without waiting
    PROCESS_WAIT_ABANDONED = 3, // a close, end-of-session or quit request ended the wait while it ran
};

// Starts the process and waits for it while looking at the thread's messages.
int runAndWait(const char *application, const char *command, int show, DWORD *exitCode);
// Starts the process with handle inheritance and does not wait.
int runDetached(const char *application, const char *command, int show);
// runAndWait when wait is set, else runDetached.
int startProcess(const char *application, const char *command, int show, int wait, DWORD *exitCode);

// Seam for tests: how a process is started.
typedef int (*StartProcessFunction)(const char *application, const char *command, int show, int wait, DWORD *exitCode);
extern StartProcessFunction g_pfnStartProcess;
