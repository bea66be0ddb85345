#include "process.h"

#include <string.h>

#include <vector>

#include "common/owned.h"

StartProcessFunction g_pfnStartProcess = startProcess;

namespace {

STARTUPINFOA startupRecord(int show)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = WORD(show ? SW_SHOWNORMAL : SW_HIDE);
    return startup;
}

// A wait ends early on these, which the next message of the thread shows.
bool endsTheWait(UINT message) { return message == WM_CLOSE || message == WM_QUERYENDSESSION || message == WM_QUIT; }

// CreateProcessA may write into the command text: it gets a copy.
bool start(const char *application, const char *command, int show, BOOL inherit, OwnedHandle *process)
{
    STARTUPINFOA startup = startupRecord(show);
    std::vector<char> text(command, command + strlen(command) + 1);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(application, text.data(), NULL, NULL, inherit, NORMAL_PRIORITY_CLASS, NULL, NULL, &startup,
                        &started))
        return false;
    CloseHandle(started.hThread);
    process->Reset(started.hProcess);
    return true;
}

} // namespace

int runAndWait(const char *application, const char *command, int show, DWORD *exitCode)
{
    OwnedHandle process;
    if (!start(application, command, show, FALSE, &process))
        return PROCESS_NOT_STARTED;
    HANDLE waited = process.Get();
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &waited, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1)
            break;
        MSG message;
        if (PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE) && endsTheWait(message.message))
            break;
    }
    if (WaitForSingleObject(waited, 0) != WAIT_OBJECT_0)
        return PROCESS_WAIT_ABANDONED;
    DWORD code = 0;
    GetExitCodeProcess(waited, &code);
    if (exitCode)
        *exitCode = code;
    return PROCESS_ENDED;
}

int runDetached(const char *application, const char *command, int show)
{
    OwnedHandle process;
    return start(application, command, show, TRUE, &process) ? PROCESS_STARTED : PROCESS_NOT_STARTED;
}

int startProcess(const char *application, const char *command, int show, int wait, DWORD *exitCode)
{
    return wait ? runAndWait(application, command, show, exitCode) : runDetached(application, command, show);
}
