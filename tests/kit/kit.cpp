#include "kit.h"

#include <tlhelp32.h>

#include <stdio.h>
#include <string.h>

bool PollUntil(DWORD timeoutMs, const std::function<bool()> &condition, DWORD *tookMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const bool held = condition();
        const DWORD took = GetTickCount() - start;
        if (held || took >= timeoutMs) {
            if (tookMs)
                *tookMs = took;
            return held;
        }
        const DWORD left = timeoutMs - took;
        Sleep(left < KIT_POLL_MS ? left : KIT_POLL_MS);
    }
}

bool WaitUntil(const char *what, DWORD timeoutMs, const std::function<bool()> &condition)
{
    DWORD took = 0;
    if (PollUntil(timeoutMs, condition, &took))
        return true;
    printf("timed out after %lu ms waiting for %s\n", (unsigned long)took, what);
    fflush(stdout);
    return false;
}

bool NothingFor(const char *what, DWORD ms, const std::function<bool()> &happened)
{
    DWORD took = 0;
    if (!PollUntil(ms, happened, &took))
        return true;
    printf("saw %s after %lu ms\n", what, (unsigned long)took);
    fflush(stdout);
    return false;
}

bool TestProcess::Start(const std::string &program, const std::string &arguments, const char *workFolder,
                        const char *environment, int showCommand)
{
    End();
    std::string command = "\"" + program + "\"";
    if (!arguments.empty())
        command += " " + arguments;
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (showCommand != -1) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = (WORD)showCommand;
    }
    if (!CreateProcessA(program.c_str(), line.data(), NULL, NULL, FALSE, 0, (LPVOID)environment, workFolder, &startup,
                        &info_)) {
        info_ = {};
        return false;
    }
    const size_t slash = program.find_last_of("\\/");
    name_ = slash == std::string::npos ? program : program.substr(slash + 1);
    return true;
}

bool TestProcess::Running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

bool TestProcess::WaitForExit(DWORD timeoutMs, DWORD *exitCode)
{
    if (!info_.hProcess)
        return false;
    if (!WaitUntil("the end of " + name_, timeoutMs, [&] { return !Running(); }))
        return false;
    if (exitCode)
        GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

void TestProcess::End()
{
    if (!info_.hProcess)
        return;
    if (Running()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
}

std::string EnvironmentWith(const std::vector<std::string> &variables)
{
    std::string block;
    char *strings = GetEnvironmentStringsA();
    for (const char *p = strings; p && *p; p += strlen(p) + 1) {
        bool replaced = false;
        for (const std::string &variable : variables) {
            const size_t name = variable.find('=') + 1;
            replaced = replaced || _strnicmp(p, variable.c_str(), name) == 0;
        }
        if (!replaced) {
            block += p;
            block += '\0';
        }
    }
    if (strings)
        FreeEnvironmentStringsA(strings);
    for (const std::string &variable : variables)
        block += variable + '\0';
    block += '\0';
    return block;
}

namespace {

// Calls visit with every process entry of a snapshot.
void EachProcess(const std::function<void(const PROCESSENTRY32 &)> &visit)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        visit(entry);
    CloseHandle(snapshot);
}

struct WindowSearch {
    DWORD pid;
    const char *className;
    const char *title;
    int childId; // 0: no child asked for
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter)
{
    WindowSearch *search = (WindowSearch *)parameter;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->pid || !IsWindowVisible(window))
        return TRUE;
    char text[256] = {0};
    if (search->className) {
        GetClassNameA(window, text, sizeof text);
        if (strcmp(text, search->className) != 0)
            return TRUE;
    }
    if (search->title) {
        GetWindowTextA(window, text, sizeof text);
        if (strcmp(text, search->title) != 0)
            return TRUE;
    }
    if (search->childId && !GetDlgItem(window, search->childId))
        return TRUE;
    search->found = window;
    return FALSE;
}

const UINT TALK_TIMEOUT_MS = 2000;

} // namespace

std::vector<DWORD> ProcessesNamed(const char *name)
{
    std::vector<DWORD> found;
    EachProcess([&](const PROCESSENTRY32 &entry) {
        if (_stricmp(entry.szExeFile, name) == 0)
            found.push_back(entry.th32ProcessID);
    });
    return found;
}

std::vector<DWORD> ChildProcesses(DWORD parent)
{
    std::vector<DWORD> children;
    EachProcess([&](const PROCESSENTRY32 &entry) {
        if (entry.th32ParentProcessID == parent)
            children.push_back(entry.th32ProcessID);
    });
    return children;
}

void EndProcess(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process)
        return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

HWND FindTopWindow(DWORD pid, const char *className, const char *title)
{
    WindowSearch search = {pid, className, title, 0, NULL};
    EnumWindows(MatchWindow, (LPARAM)&search);
    return search.found;
}

HWND FindDialog(DWORD pid, int childId)
{
    WindowSearch search = {pid, "#32770", NULL, childId, NULL};
    EnumWindows(MatchWindow, (LPARAM)&search);
    return search.found;
}

HWND WaitForDialog(DWORD pid, int childId, DWORD ms)
{
    HWND found = NULL;
    char what[96];
    snprintf(what, sizeof what, "a dialog with control %d of process %lu", childId, (unsigned long)pid);
    WaitUntil(what, ms, [&] { return (found = FindDialog(pid, childId)) != NULL; });
    return found;
}

bool WaitUntilGone(HWND window, DWORD ms)
{
    char what[64];
    snprintf(what, sizeof what, "window %p to go", (void *)window);
    return WaitUntil(what, ms, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::string WindowText(HWND window)
{
    char text[4096] = {0};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, TALK_TIMEOUT_MS, &copied))
        return std::string();
    return std::string(text);
}

std::string ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::string();
}

void PressKey(HWND window, UINT key)
{
    const UINT scan = MapVirtualKeyA(key, 0);
    PostMessageA(window, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageA(window, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
}

void PressKeyAtFocus(HWND dialog, UINT key)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(dialog, NULL);
    HWND target = dialog;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus)
        target = info.hwndFocus;
    PressKey(target, key);
}

void ClickButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

void PushButton(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool ReadWholeFile(const std::string &path, std::string *bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0)
        bytes->append(buffer, got);
    CloseHandle(file);
    return true;
}

std::string ReadWholeFile(const std::string &path)
{
    std::string bytes;
    ReadWholeFile(path, &bytes);
    return bytes;
}

bool PathPresent(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string MakeTempFolder(const char *prefix)
{
    char temp[MAX_PATH] = {0};
    if (!GetTempPathA(sizeof temp, temp))
        return std::string();
    for (unsigned attempt = 0;; attempt++) {
        char folder[MAX_PATH + 96];
        snprintf(folder, sizeof folder, "%s%s%lu_%u", temp, prefix, (unsigned long)GetCurrentProcessId(), attempt);
        if (CreateDirectoryA(folder, NULL))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
}

void RemoveTree(const std::string &path)
{
    if (path.empty())
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, ".."))
                continue;
            const std::string child = path + "\\" + found.cFileName;
            // A link or junction goes itself; what it points to is left alone.
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(child);
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryA(child.c_str());
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::vector<std::string> FolderEntries(const std::string &folder, const char *pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string ProgramFolder()
{
    char path[MAX_PATH * 4] = {0};
    GetModuleFileNameA(NULL, path, sizeof path);
    char *slash = strrchr(path, '\\');
    if (slash)
        *slash = '\0';
    return path;
}
