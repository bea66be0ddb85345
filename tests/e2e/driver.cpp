#include "driver.h"

#include <shlobj.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

int KillProcessesNamed(const char *exeName)
{
    const std::vector<DWORD> found = ProcessesNamed(exeName);
    for (DWORD pid : found)
        EndProcess(pid);
    return (int)found.size();
}

int CountProcessesNamed(const char *exeName) { return (int)ProcessesNamed(exeName).size(); }

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

    return process_.Start(program, commandLineTail, folder_.c_str(), NULL, showCommand);
}

namespace {

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
    HWND found = NULL;
    bool ended = false;
    const std::string what = std::string("a window \"") + (title ? title : "") + "\" of class " + className;
    WaitUntil(what, timeoutMs, [&] {
        if ((found = FindTopWindow(pid(), className, title)) != NULL)
            return true;
        ended = !Running();
        return ended;
    });
    if (ended)
        printf("the program ended while waiting for %s\n", what.c_str());
    return found;
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
    WaitUntil("the box \"" + box.title + "\" to close", 10000, [&] { return !IsWindow(box.window); });
}

void ProgramUnderTest::PressKey(HWND window, UINT virtualKey) { ::PressKey(window, virtualKey); }

void ProgramUnderTest::ClickButton(HWND window, int buttonId) { PushButton(window, buttonId); }

bool ProgramUnderTest::AnswerMessageBox(const char *caption, int buttonId, DWORD timeoutMs, std::string *text)
{
    FoundWindow box;
    if (!WaitForMessageBox(caption, &box, timeoutMs))
        return false;
    if (text)
        *text = box.text;
    Answer(box, buttonId);
    return WaitUntil("the box \"" + box.title + "\" to close", timeoutMs, [&] { return !IsWindow(box.window); });
}

bool ProgramUnderTest::NoMessageBox(const char *caption, DWORD ms, FoundWindow *box)
{
    HWND found = NULL;
    if (NothingFor(std::string("a message box \"") + caption + "\"", ms,
                   [&] { return (found = FindTopWindow(pid(), "#32770", caption)) != NULL; }))
        return true;
    // Its text, as WaitForMessageBox reads it.
    WaitForMessageBox(caption, box, 0);
    return false;
}

bool ProgramUnderTest::AnotherMessageBox(const char *caption, DWORD quietMs, FoundWindow *box)
{
    // Its text, as WaitForMessageBox reads it; gone again between the two looks
    // counts as none.
    return PollUntil(quietMs, [&] { return FindTopWindow(pid(), "#32770", caption) != NULL; }) &&
           WaitForMessageBox(caption, box, 0);
}

int ProgramUnderTest::AnswerEveryMessageBox(const char *caption, int buttonId, DWORD quietMs)
{
    int answered = 0;
    FoundWindow box;
    while (AnotherMessageBox(caption, quietMs, &box)) {
        Answer(box, buttonId);
        answered++;
    }
    return answered;
}

bool ProgramUnderTest::Running() const { return process_.Running(); }

bool ProgramUnderTest::WaitForExit(DWORD timeoutMs, DWORD *exitCode)
{
    if (!process_.Handle())
        return false;
    if (!process_.WaitForExit(timeoutMs, exitCode)) {
        Kill();
        return false;
    }
    return true;
}

void ProgramUnderTest::Kill() { process_.End(); }

std::string TestMovie(const char *name) { return std::string(TEST_MOVIE_DIR) + "\\" + name; }

int CountOf(const std::string &haystack, const std::string &text)
{
    int count = 0;
    for (size_t at = haystack.find(text); at != std::string::npos; at = haystack.find(text, at + text.size()))
        count++;
    return count;
}

int ProgramUnderTest::CountInLog(const std::string &text) const { return CountOf(ReadLogText(log_), text); }

namespace {

bool LinesInOrder(const std::string &log, const std::vector<std::string> &lines)
{
    size_t at = 0;
    for (const std::string &line : lines) {
        at = log.find(line, at);
        if (at == std::string::npos)
            return false;
        at += line.size();
    }
    return true;
}

// The text of a log line for what a wait waits for: its line ends as "\n".
std::string Quoted(const std::string &text)
{
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '\n' ? std::string("\\n") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

// Waits until the log holds what found looks for; false after timeoutMs or when
// the program ended without writing it.
bool ProgramUnderTest::WaitForLogWhere(const std::string &what, DWORD timeoutMs, const std::function<bool()> &found)
{
    bool ended = false;
    if (WaitUntil(what, timeoutMs,
                  [&] {
                      if (found())
                          return true;
                      ended = !Running();
                      return ended;
                  }) &&
        !ended)
        return true;
    if (ended && found())
        return true;
    if (ended)
        printf("the program ended without %s\n", what.c_str());
    return false;
}

bool ProgramUnderTest::WaitForLog(const std::string &text, DWORD timeoutMs, int times)
{
    std::string what = "the log line " + Quoted(text);
    if (times > 1)
        what += " " + std::to_string(times) + " times";
    return WaitForLogWhere(what, timeoutMs, [&] { return CountInLog(text) >= times; });
}

bool ProgramUnderTest::WaitForLines(const std::vector<std::string> &lines, DWORD timeoutMs)
{
    std::string what = "the log lines";
    for (const std::string &line : lines)
        what += " " + Quoted(line);
    return WaitForLogWhere(what, timeoutMs, [&] { return LinesInOrder(ReadLogText(log_), lines); });
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
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brontide\\Vizor Cinema\\recent", 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &recent, NULL) != ERROR_SUCCESS)
        return false;
    bool stored = true;
    for (size_t i = 0; i < settings.recentFiles.size(); i++) {
        const std::string name = "File" + std::to_string(i + 1);
        const std::string &path = settings.recentFiles[i];
        stored &= RegSetValueExA(recent, name.c_str(), 0, REG_SZ, (const BYTE *)path.c_str(), (DWORD)path.size() + 1) ==
                  ERROR_SUCCESS;
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

bool WaitForSteadyScreen(const RECT &area, DWORD steadyMs, DWORD timeoutMs, ScreenPixels *out)
{
    ScreenPixels last;
    bool captured = false;
    DWORD since = 0;
    char what[96];
    snprintf(what, sizeof what, "the screen area (%ld,%ld)-(%ld,%ld) unchanged for %lu ms", area.left, area.top,
             area.right, area.bottom, (unsigned long)steadyMs);
    return WaitUntil(what, timeoutMs, [&] {
        ScreenPixels now;
        if (!CaptureScreen(area, &now))
            return false;
        const DWORD at = GetTickCount();
        if (!captured || now.pixels != last.pixels) {
            last = now;
            captured = true;
            since = at;
            return false;
        }
        *out = now;
        return at - since >= steadyMs;
    });
}

bool WaitForPaint(HWND window, DWORD timeoutMs)
{
    // A window not shown yet has nothing to paint either: it counts once visible.
    return WaitUntil("the window to paint", timeoutMs,
                     [&] { return IsWindowVisible(window) && !GetUpdateRect(window, NULL, FALSE); });
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

bool DropFiles(const ProgramUnderTest &player, HWND window, const std::vector<std::string> &names)
{
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES header = {};
    header.pFiles = sizeof header;
    memcpy(&block[0], &header, sizeof header);
    for (const std::string &name : names)
        block += name + '\0';
    block += '\0';
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, player.pid());
    if (!process)
        return false;
    void *remote = VirtualAllocEx(process, NULL, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool written = remote && WriteProcessMemory(process, remote, block.data(), block.size(), NULL);
    CloseHandle(process);
    return written && PostMessageA(window, WM_DROPFILES, (WPARAM)remote, 0);
}
