#include "e2e/driver.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

const DWORD POLL_MS = 50;
const UINT TALK_TIMEOUT_MS = 2000;

struct Search {
    DWORD pid;
    int childId;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter)
{
    Search *search = reinterpret_cast<Search *>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->pid || !IsWindowVisible(window))
        return TRUE;
    char className[64] = {0};
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0 || !GetDlgItem(window, search->childId))
        return TRUE;
    search->found = window;
    return FALSE;
}

// The environment block of this process with TMP and TEMP replaced and extra added.
std::string environmentWithTemp(const std::string &temp, const std::vector<std::string> &extra)
{
    std::vector<std::string> added = {"TMP=" + temp, "TEMP=" + temp};
    added.insert(added.end(), extra.begin(), extra.end());
    std::string block;
    char *strings = GetEnvironmentStringsA();
    for (const char *p = strings; p && *p; p += strlen(p) + 1) {
        bool replaced = false;
        for (const std::string &variable : added) {
            size_t name = variable.find('=') + 1;
            replaced = replaced || _strnicmp(p, variable.c_str(), name) == 0;
        }
        if (!replaced) {
            block += p;
            block += '\0';
        }
    }
    if (strings)
        FreeEnvironmentStringsA(strings);
    for (const std::string &variable : added)
        block += variable + '\0';
    block += '\0';
    return block;
}

}  // namespace

LauncherProcess::~LauncherProcess()
{
    if (process) {
        if (running()) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
        }
        CloseHandle(process);
    }
}

bool LauncherProcess::start(const std::string &program, const std::string &arguments, const std::string &tempFolder,
                            const std::vector<std::string> &extra)
{
    std::string command = "\"" + program + "\"";
    if (!arguments.empty())
        command += " " + arguments;
    std::string environment = environmentWithTemp(tempFolder, extra);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, &environment[0], nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    process = info.hProcess;
    processId = info.dwProcessId;
    return true;
}

bool LauncherProcess::waitForExit(DWORD ms)
{
    return process && WaitForSingleObject(process, ms) == WAIT_OBJECT_0;
}

bool LauncherProcess::running() const
{
    return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

HWND FindDialog(DWORD pid, int childId)
{
    Search search = {pid, childId, nullptr};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(DWORD pid, int childId, DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND found = FindDialog(pid, childId);
        if (found || GetTickCount() - start >= ms)
            return found;
        Sleep(POLL_MS);
    }
}

bool WaitUntilGone(HWND window, DWORD ms)
{
    DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(POLL_MS);
    }
    return true;
}

std::string WindowText(HWND window)
{
    char text[4096] = {0};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             TALK_TIMEOUT_MS, &copied))
        return std::string();
    return std::string(text);
}

std::string ItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    return item ? WindowText(item) : std::string();
}

std::vector<std::string> ComboItems(HWND combo)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, TALK_TIMEOUT_MS, &count))
        return items;
    // Asked in UTF-16: the system marshals the wide message between processes
    // in full; the text is turned back into the code page here.
    for (DWORD_PTR i = 0; i < count && LONG_PTR(count) != CB_ERR; ++i) {
        WCHAR wide[512] = {0};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, TALK_TIMEOUT_MS, &length);
        if (length >= sizeof wide / sizeof wide[0])
            continue;
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG,
                            TALK_TIMEOUT_MS, &ignored);
        char text[1024] = {0};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        items.push_back(text);
    }
    return items;
}

void PressKey(HWND dialog, UINT key)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    HWND target = dialog;
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus)
        target = info.hwndFocus;
    UINT scan = MapVirtualKeyA(key, 0);
    PostMessageA(target, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, key, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

void ClickButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<DWORD> ChildProcesses(DWORD parent)
{
    std::vector<DWORD> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return children;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent)
            children.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return children;
}

std::vector<DWORD> ProcessesNamed(const char *name)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, name) == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
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
    GetModuleFileNameA(nullptr, path, sizeof path);
    char *slash = strrchr(path, '\\');
    if (slash)
        *slash = '\0';
    return path;
}

ScratchFolder::ScratchFolder(const char *tag)
{
    static int serial;
    char base[MAX_PATH] = {0};
    GetTempPathA(sizeof base, base);
    for (;;) {
        char name[MAX_PATH + 96];
        snprintf(name, sizeof name, "%s%s-%lu-%d", base, tag, GetCurrentProcessId(), ++serial);
        if (CreateDirectoryA(name, nullptr) || GetLastError() != ERROR_ALREADY_EXISTS) {
            folder = name;
            return;
        }
    }
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(folder);
}

void RemoveTree(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

bool PathPresent(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool ReadBytes(const std::string &path, std::string *bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes->append(buffer, got);
    CloseHandle(file);
    return true;
}
