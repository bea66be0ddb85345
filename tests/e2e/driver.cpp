#include "driver.h"

#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

std::string ReadWholeFile(const std::string &path)
{
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    fclose(f);
    return bytes;
}

std::string ReadLogText(const std::string &path)
{
    std::string raw = ReadWholeFile(path), text;
    text.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); i++) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
            continue;
        text += raw[i];
    }
    return text;
}

std::string BuiltFile(const char *name)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string folder(self);
    folder.resize(folder.rfind('\\') + 1);
    // Test programs live in a subfolder of the build; the programs in build\bin.
    std::string candidate = folder + name;
    if (GetFileAttributesA(candidate.c_str()) != INVALID_FILE_ATTRIBUTES)
        return candidate;
    return std::string(BUILD_BIN_DIR) + "\\" + name;
}

std::string MakeTempFolder(const char *prefix)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    for (unsigned attempt = 0;; attempt++) {
        char folder[MAX_PATH];
        snprintf(folder, sizeof folder, "%s%s%lu_%u", temp, prefix, GetCurrentProcessId(), attempt);
        if (CreateDirectoryA(folder, NULL))
            return folder;
    }
}

void RemoveTree(const std::string &folder)
{
    if (folder.empty())
        return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, ".."))
                continue;
            std::string path = folder + "\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

int KillProcessesNamed(const char *exeName)
{
    int ended = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (_stricmp(entry.szExeFile, exeName) != 0)
            continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 5000);
            CloseHandle(process);
            ended++;
        }
    }
    CloseHandle(snapshot);
    return ended;
}

int CountProcessesNamed(const char *exeName)
{
    int found = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (_stricmp(entry.szExeFile, exeName) == 0)
            found++;
    CloseHandle(snapshot);
    return found;
}

ProgramUnderTest::~ProgramUnderTest()
{
    Kill();
    RemoveTree(folder_);
}

bool ProgramUnderTest::Start(const char *programFile, const std::string &commandLineTail,
                             const std::vector<std::pair<std::string, std::string>> &extraFiles, int showCommand)
{
    folder_ = MakeTempFolder("e2e_");
    std::string program = folder_ + "\\" + programFile;
    if (!CopyFileA(BuiltFile(programFile).c_str(), program.c_str(), FALSE))
        return false;
    for (const auto &file : extraFiles) {
        if (!CopyFileA(file.first.c_str(), (folder_ + "\\" + file.second).c_str(), FALSE))
            return false;
    }
    if (localAppData_.empty()) {
        log_ = folder_ + "\\program.log";
        SetEnvironmentVariableA("VIZOR_LOG", log_.c_str());
    } else {
        log_ = localAppData_ + "\\Parallaxia\\Vizor_Cinema.log";
        SetEnvironmentVariableA("VIZOR_LOG", NULL);
        SetEnvironmentVariableA("LOCALAPPDATA", localAppData_.c_str());
    }

    std::string commandLine = "\"" + program + "\"";
    if (!commandLineTail.empty())
        commandLine += " " + commandLineTail;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = (WORD)showCommand;
    return CreateProcessA(program.c_str(), buffer.data(), NULL, NULL, FALSE, 0, NULL, folder_.c_str(), &startup,
                          &info_) != 0;
}

namespace {

struct Search {
    DWORD pid;
    const char *className;
    const char *title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param)
{
    Search *search = (Search *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != search->pid || !IsWindowVisible(window))
        return TRUE;
    char name[256];
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, search->className) != 0)
        return TRUE;
    if (search->title) {
        GetWindowTextA(window, name, sizeof name);
        if (strcmp(name, search->title) != 0)
            return TRUE;
    }
    search->found = window;
    return FALSE;
}

BOOL CALLBACK FindStaticText(HWND child, LPARAM param)
{
    char name[64];
    GetClassNameA(child, name, sizeof name);
    if (_stricmp(name, "Static") == 0) {
        char text[1024];
        GetWindowTextA(child, text, sizeof text);
        if (text[0]) {
            *(std::string *)param = text;
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace

HWND ProgramUnderTest::WaitForWindow(const char *className, const char *title, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    do {
        Search search = {info_.dwProcessId, className, title, NULL};
        EnumWindows(MatchWindow, (LPARAM)&search);
        if (search.found)
            return search.found;
        if (!Running())
            return NULL;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return NULL;
}

bool ProgramUnderTest::WaitForMessageBox(const char *caption, FoundWindow *box, DWORD timeoutMs)
{
    HWND window = WaitForWindow("#32770", caption, timeoutMs);
    if (!window)
        return false;
    box->window = window;
    char title[256];
    GetWindowTextA(window, title, sizeof title);
    box->title = title;
    box->text.clear();
    EnumChildWindows(window, FindStaticText, (LPARAM)&box->text);
    return true;
}

void ProgramUnderTest::Answer(const FoundWindow &box, int buttonId)
{
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), (LPARAM)GetDlgItem(box.window, buttonId));
    // The answer is taken once the box is gone.
    const DWORD start = GetTickCount();
    while (IsWindow(box.window) && GetTickCount() - start < 10000)
        Sleep(20);
}

void ProgramUnderTest::PressKey(HWND window, UINT virtualKey)
{
    UINT scan = MapVirtualKeyA(virtualKey, 0);
    PostMessageA(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

void ProgramUnderTest::ClickButton(HWND window, int buttonId)
{
    PostMessageA(GetDlgItem(window, buttonId), BM_CLICK, 0, 0);
}

bool ProgramUnderTest::AnswerMessageBox(const char *caption, int buttonId, DWORD timeoutMs, std::string *text)
{
    FoundWindow box;
    if (!WaitForMessageBox(caption, &box, timeoutMs))
        return false;
    if (text)
        *text = box.text;
    Answer(box, buttonId);
    for (const DWORD start = GetTickCount(); IsWindow(box.window);) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
    return true;
}

bool ProgramUnderTest::Running() const
{
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool ProgramUnderTest::WaitForExit(DWORD timeoutMs, DWORD *exitCode)
{
    if (!info_.hProcess)
        return false;
    if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        Kill();
        return false;
    }
    GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}

void ProgramUnderTest::Kill()
{
    if (!info_.hProcess)
        return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
    info_ = {};
}

std::string TestMovie(const char *name) { return std::string(TEST_MOVIE_DIR) + "\\" + name; }

int CountOf(const std::string &haystack, const std::string &text)
{
    int count = 0;
    for (size_t at = haystack.find(text); at != std::string::npos; at = haystack.find(text, at + text.size()))
        count++;
    return count;
}

int ProgramUnderTest::CountInLog(const std::string &text) const { return CountOf(ReadLogText(log_), text); }

bool ProgramUnderTest::WaitForLog(const std::string &text, DWORD timeoutMs, int times)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (CountInLog(text) >= times)
            return true;
        if (!Running())
            return CountInLog(text) >= times;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(30);
    }
}

bool WritePlayerSettings(const PlayerSettings &settings)
{
    // As installed: the presets in the machine's keys, nothing yet in the user's
    // (which the player reads first and writes).
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brontide\\Vizor Cinema");
    const struct {
        const char *key;
        const char *name;
        DWORD value;
    } values[] = {
        {"Software\\Brontide\\Vizor Cinema\\output", "StereoCodingFormat", settings.StereoCodingFormat},
        {"Software\\Brontide\\Vizor Cinema\\output", "EyeCodingFormat", settings.EyeCodingFormat},
        {"Software\\Brontide\\Vizor Cinema\\movie", "OutputFormat", settings.OutputFormat},
        {"Software\\Brontide\\Vizor Cinema\\movie", "VideomemoryMethod", settings.VideomemoryMethod},
        {"Software\\Brontide\\Vizor Cinema\\movie", "StrenghtOf2Dto3DEffect", settings.StrenghtOf2Dto3DEffect},
    };
    for (const auto &v : values) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, v.key, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
            return false;
        LONG stored = RegSetValueExA(key, v.name, 0, REG_DWORD, (const BYTE *)&v.value, sizeof v.value);
        RegCloseKey(key);
        if (stored != ERROR_SUCCESS)
            return false;
    }
    if (settings.recentFiles.empty())
        return true;
    HKEY recent;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brontide\\Vizor Cinema\\recent", 0, NULL, 0, KEY_ALL_ACCESS,
                        NULL, &recent, NULL) != ERROR_SUCCESS)
        return false;
    bool stored = true;
    for (size_t i = 0; i < settings.recentFiles.size(); i++) {
        const std::string name = "File" + std::to_string(i + 1);
        const std::string &path = settings.recentFiles[i];
        stored &= RegSetValueExA(recent, name.c_str(), 0, REG_SZ, (const BYTE *)path.c_str(),
                                 (DWORD)path.size() + 1) == ERROR_SUCCESS;
    }
    RegCloseKey(recent);
    return stored;
}

bool StartPlayer(ProgramUnderTest &player, const PlayerSettings &settings, const std::string &commandLineTail,
                 const std::vector<std::pair<std::string, std::string>> &extraFiles, const char *readyLine,
                 int showCommand)
{
    HANDLE lock = CreateMutexA(NULL, FALSE, "Parallaxia.e2e.PlayerSettings");
    if (!lock)
        return false;
    const DWORD waited = WaitForSingleObject(lock, 120000);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(lock);
        return false;
    }
    bool started = WritePlayerSettings(settings) &&
                   player.Start("Vizor_Movie.exe", commandLineTail, extraFiles, showCommand) &&
                   player.WaitForLog(readyLine, 60000);
    ReleaseMutex(lock);
    CloseHandle(lock);
    return started;
}

HWND WaitForPlayerWindow(ProgramUnderTest &player, DWORD timeoutMs)
{
    return player.WaitForWindow("Vizor_Main", "Parallaxia", timeoutMs);
}

RECT MovieArea(HWND mainWindow)
{
    RECT client = {};
    GetClientRect(mainWindow, &client);
    POINT topLeft = {client.left, client.top}, bottomRight = {client.right, client.bottom};
    ClientToScreen(mainWindow, &topLeft);
    ClientToScreen(mainWindow, &bottomRight);
    return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y - 30};
}

bool CaptureScreen(const RECT &area, ScreenPixels *out)
{
    out->area = area;
    out->width = area.right - area.left;
    out->height = area.bottom - area.top;
    if (out->width <= 0 || out->height <= 0)
        return false;
    out->pixels.assign((size_t)out->width * out->height, 0);

    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = out->width;
    info.bmiHeader.biHeight = -out->height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, out->width, out->height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT) != 0;
        GdiFlush();
        const DWORD *source = (const DWORD *)bits;
        for (size_t i = 0; i < out->pixels.size(); i++)
            out->pixels[i] = source[i] & 0xFFFFFF;
        SelectObject(memory, old);
    }
    if (bitmap)
        DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return ok;
}

double NumberAfterLast(const std::string &log, const std::string &label)
{
    const size_t at = log.rfind(label);
    return at == std::string::npos ? -1 : atof(log.c_str() + at + label.size());
}

bool ExitPlayer(ProgramUnderTest &player, HWND window, DWORD timeoutMs)
{
    PostMessageA(window, WM_COMMAND, 40005, 0);
    FoundWindow box;
    if (player.WaitForMessageBox("Exit", &box, timeoutMs))
        ProgramUnderTest::Answer(box, IDYES);
    DWORD code = 99;
    return player.WaitForExit(timeoutMs, &code);
}

ResponsivenessProbe::ResponsivenessProbe(HWND window, DWORD periodMs) : window_(window), periodMs_(periodMs)
{
    InitializeCriticalSection(&lock_);
    stop_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    thread_ = CreateThread(NULL, 0, Run, this, 0, NULL);
}

ResponsivenessProbe::~ResponsivenessProbe()
{
    SetEvent(stop_);
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    CloseHandle(stop_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI ResponsivenessProbe::Run(LPVOID self)
{
    ((ResponsivenessProbe *)self)->Loop();
    return 0;
}

void ResponsivenessProbe::Loop()
{
    // Each send waits at most this long, so that the destructor never waits
    // long on a window that does not answer; a ping that is not answered in
    // time stays pending and the next send goes on measuring from its start.
    const UINT SEND_SLICE_MS = 250;
    while (WaitForSingleObject(stop_, 0) == WAIT_TIMEOUT) {
        EnterCriticalSection(&lock_);
        if (!pending_) {
            pending_ = true;
            pendingSince_ = GetTickCount();
        }
        LeaveCriticalSection(&lock_);

        DWORD_PTR result = 0;
        const bool answered = SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, SEND_SLICE_MS, &result) != 0;
        const bool gone = !answered && !IsWindow(window_);
        EnterCriticalSection(&lock_);
        if (answered) {
            const DWORD took = GetTickCount() - pendingSince_;
            if (took > slowest_)
                slowest_ = took;
            pings_++;
            pending_ = false;
        } else if (gone) {
            pending_ = false; // a window that is gone is not a window that hangs
        }
        LeaveCriticalSection(&lock_);
        if (gone)
            break;
        if (answered)
            WaitForSingleObject(stop_, periodMs_);
    }
}

void ResponsivenessProbe::Reset()
{
    EnterCriticalSection(&lock_);
    slowest_ = 0;
    pings_ = 0;
    if (pending_) // its wait from now on still counts
        pendingSince_ = GetTickCount();
    LeaveCriticalSection(&lock_);
}

DWORD ResponsivenessProbe::SlowestMs() const
{
    EnterCriticalSection(&lock_);
    DWORD slowest = slowest_;
    if (pending_ && GetTickCount() - pendingSince_ > slowest)
        slowest = GetTickCount() - pendingSince_;
    LeaveCriticalSection(&lock_);
    return slowest;
}

int ResponsivenessProbe::Pings() const
{
    EnterCriticalSection(&lock_);
    const int pings = pings_;
    LeaveCriticalSection(&lock_);
    return pings;
}
