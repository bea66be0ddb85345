// Drives a real program under test from outside: starts it in a fresh folder,
// finds its windows, presses keys, answers message boxes and reads its log.
// Every wait is bounded; the destructor ends a program that is still running.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::string ReadWholeFile(const std::string &path);
// The log as written, with CR LF turned into "\n".
std::string ReadLogText(const std::string &path);
// Full Windows path of a file built next to the tests (the build's bin folder).
std::string BuiltFile(const char *name);
// A new empty folder under the temporary folder; removed again by RemoveTree.
std::string MakeTempFolder(const char *prefix);
void RemoveTree(const std::string &folder);

// Ends every process whose program file has this name (for helpers a program under
// test starts, such as the system help viewer). Returns how many were ended.
int KillProcessesNamed(const char *exeName);

struct FoundWindow {
    HWND window;
    std::string title;
    std::string text; // static text of a message box
};

class ProgramUnderTest {
public:
    ProgramUnderTest() = default;
    ~ProgramUnderTest();

    // Copies the program (and the given extra files) into a fresh folder and starts
    // it there with commandLineTail after the program name; the log goes to log().
    bool Start(const char *programFile, const std::string &commandLineTail,
               const std::vector<std::pair<std::string, std::string>> &extraFiles = {},
               int showCommand = SW_SHOWNORMAL);

    // Waits for a top-level window of the program with the given class (and title,
    // when not null). Returns NULL after timeoutMs.
    HWND WaitForWindow(const char *className, const char *title, DWORD timeoutMs);
    // Waits for a message box with the given caption; fills its text.
    bool WaitForMessageBox(const char *caption, FoundWindow *box, DWORD timeoutMs);
    // Answers a message box with a button id (IDYES, IDNO, IDOK) and waits until it is gone.
    static void Answer(const FoundWindow &box, int buttonId);
    // Posts a key press (down and up) to a window.
    static void PressKey(HWND window, UINT virtualKey);

    // Waits for the program to end; false (and the program is ended) on timeout.
    bool WaitForExit(DWORD timeoutMs, DWORD *exitCode);
    bool Running() const;
    void Kill();

    const std::string &folder() const { return folder_; }
    const std::string &log() const { return log_; }
    DWORD pid() const { return info_.dwProcessId; }

private:
    PROCESS_INFORMATION info_ = {};
    std::string folder_;
    std::string log_;
};
