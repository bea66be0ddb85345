// The plumbing the end-to-end tests of both programs share: a process started
// and ended by the test, the windows of a process, files and folders, and the
// named waits every test waits with.
//
// A wait names what it waits for. When the thing does not come, the wait prints
// one line, "timed out after N ms waiting for <what>", so that a failing test
// says what it waited for:
//
//     ASSERT_TRUE(WaitUntil("the progress dialog", 20000, [&] { return FindDialog(pid, IDC_STATUS) != NULL; }));
//
// Where the point of a check is that something does not happen, NothingFor
// watches for it a given time:
//
//     EXPECT_TRUE(NothingFor("the message closing on Escape", 1000, [&] { return !IsWindowVisible(message); }));
//
// The polling loop of both is the only place where the tests sleep.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// How often the waits look again.
const DWORD KIT_POLL_MS = 20;

// Looks at condition until it holds, at least once and for at most timeoutMs.
// Prints nothing; *tookMs (when given) is the time from the start to the last look.
bool PollUntil(DWORD timeoutMs, const std::function<bool()> &condition, DWORD *tookMs = NULL);
// PollUntil that prints "timed out after N ms waiting for <what>" when condition
// did not come to hold.
bool WaitUntil(const char *what, DWORD timeoutMs, const std::function<bool()> &condition);
inline bool WaitUntil(const std::string &what, DWORD timeoutMs, const std::function<bool()> &condition)
{
    return WaitUntil(what.c_str(), timeoutMs, condition);
}
// Watches for ms that happened stays false: true when it did all along. When it
// comes true, prints "saw <what> after N ms" and returns false at once.
bool NothingFor(const char *what, DWORD ms, const std::function<bool()> &happened);
inline bool NothingFor(const std::string &what, DWORD ms, const std::function<bool()> &happened)
{
    return NothingFor(what.c_str(), ms, happened);
}

// A process the test starts; the destructor ends it when it still runs.
class TestProcess {
public:
    TestProcess() = default;
    ~TestProcess() { End(); }
    TestProcess(const TestProcess &) = delete;
    TestProcess &operator=(const TestProcess &) = delete;

    // Starts program with arguments after its quoted name, in workFolder (the
    // test's own when NULL), with environment (a block as EnvironmentWith makes;
    // this process's own when NULL) and, when showCommand is not -1, that show state.
    bool Start(const std::string &program, const std::string &arguments, const char *workFolder = NULL,
               const char *environment = NULL, int showCommand = -1);
    // Waits until the process has ended; its exit code goes to *exitCode.
    // False after timeoutMs (the process then still runs).
    bool WaitForExit(DWORD timeoutMs, DWORD *exitCode = NULL);
    bool Running() const;
    // Ends the process if it still runs and lets go of it.
    void End();
    DWORD Id() const { return info_.dwProcessId; }
    HANDLE Handle() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_ = {};
    std::string name_; // the program's file name, for what a wait waits for
};

// This process's environment block with each "NAME=value" of variables set
// (replacing a variable of the same name).
std::string EnvironmentWith(const std::vector<std::string> &variables);

// Running processes whose program file is named name (such as "setup.exe").
std::vector<DWORD> ProcessesNamed(const char *name);
// Processes started by parent.
std::vector<DWORD> ChildProcesses(DWORD parent);
// Ends process pid and waits (bounded) until it has ended.
void EndProcess(DWORD pid);

// A visible top-level window of process pid with this class (any when NULL)
// and title (any when NULL).
HWND FindTopWindow(DWORD pid, const char *className, const char *title);
// A visible dialog of process pid that has a child control childId.
HWND FindDialog(DWORD pid, int childId);
HWND WaitForDialog(DWORD pid, int childId, DWORD ms);
// Waits until the window is destroyed or hidden.
bool WaitUntilGone(HWND window, DWORD ms);

// The text of a window of any process (asked with a time limit; empty when
// the window does not answer).
std::string WindowText(HWND window);
// The text of the control id of a dialog.
std::string ItemText(HWND dialog, int id);

// Posts a key press (down and up) to the window.
void PressKey(HWND window, UINT key);
// Posts a key press to the control that has the focus in the dialog's thread.
void PressKeyAtFocus(HWND dialog, UINT key);
// Posts the command a click on the button id of the dialog sends.
void ClickButton(HWND dialog, int id);
// Posts a click to the button id itself (as the mouse would): a check box
// changes its state.
void PushButton(HWND dialog, int id);

// The whole file, opened so that its writer may go on writing; false when it
// cannot be opened.
bool ReadWholeFile(const std::string &path, std::string *bytes);
// The same, empty when the file cannot be opened.
std::string ReadWholeFile(const std::string &path);
bool PathPresent(const std::string &path);
// A new empty folder under the temporary folder (empty when none can be made).
std::string MakeTempFolder(const char *prefix);
// Removes the folder with all its content (nothing when path is empty).
// A link or junction inside is removed itself, never what it points to.
void RemoveTree(const std::string &path);
// Names of the entries of folder that match pattern ("_pw*").
std::vector<std::string> FolderEntries(const std::string &folder, const char *pattern);
// The folder of the running test program.
std::string ProgramFolder();

// A new empty folder under the temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const char *tag) : folder_(MakeTempFolder(tag)) {}
    ~ScratchFolder() { RemoveTree(folder_); }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    const std::string &path() const { return folder_; }

private:
    std::string folder_;
};
