// Stands in for an installer engine redistributable in the tests. It appends
// how it was started to the file named by ENGINE_STUB_LOG (its command line,
// then "show <n>" with the show state it was given), waits ENGINE_STUB_SLEEP_MS
// milliseconds, and ends with the exit code in ENGINE_STUB_EXIT (0 without it).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

namespace {

unsigned long numberFromEnvironment(const char *name)
{
    char text[32] = {0};
    DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    if (n == 0 || n >= sizeof text)
        return 0;
    return strtoul(text, NULL, 10);
}

void appendToLog()
{
    char path[MAX_PATH] = {0};
    DWORD n = GetEnvironmentVariableA("ENGINE_STUB_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    char text[4096];
    int length = snprintf(text, sizeof text, "%s\r\nshow %d\r\n", GetCommandLineA(), show);
    if (length < 0)
        return;
    if (length >= int(sizeof text))
        length = int(sizeof text) - 1;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text, DWORD(length), &written, NULL);
    CloseHandle(file);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    appendToLog();
    unsigned long sleep = numberFromEnvironment("ENGINE_STUB_SLEEP_MS");
    if (sleep > 0)
        Sleep(DWORD(sleep));
    return int(numberFromEnvironment("ENGINE_STUB_EXIT"));
}
