// Drives a launcher process from outside, as a user would: finds its dialogs,
// reads their texts, presses keys and buttons. Every wait is bounded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class LauncherProcess {
public:
    LauncherProcess() {}
    ~LauncherProcess();   // ends the process if it still runs
    // Starts program with arguments; TMP and TEMP point at tempFolder, and each
    // "NAME=value" of extra is added to the environment.
    bool start(const std::string &program, const std::string &arguments, const std::string &tempFolder,
               const std::vector<std::string> &extra = {});
    bool waitForExit(DWORD ms);
    bool running() const;
    DWORD id() const { return processId; }
    HANDLE handle() const { return process; }

private:
    HANDLE process = nullptr;
    DWORD processId = 0;
};

// A visible dialog of process pid that has a child control childId; waits up to ms.
HWND WaitForDialog(DWORD pid, int childId, DWORD ms);
// The same without waiting.
HWND FindDialog(DWORD pid, int childId);
bool WaitUntilGone(HWND window, DWORD ms);

std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
std::vector<std::string> ComboItems(HWND combo);

// Posts a key press to the control that has the focus in the dialog's thread.
void PressKey(HWND dialog, UINT key);
// Posts the command a click on the button would send.
void ClickButton(HWND dialog, int id);

// Processes started by parent.
std::vector<DWORD> ChildProcesses(DWORD parent);
// Running processes whose program file is named name (such as "setup.exe").
std::vector<DWORD> ProcessesNamed(const char *name);
void EndProcess(DWORD pid);

// Names of the entries of folder that match pattern ("_pw*").
std::vector<std::string> FolderEntries(const std::string &folder, const char *pattern);
// Folder of the running test program.
std::string ProgramFolder();

// A new empty folder under the temporary path, removed with its content at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const char *tag);
    ~ScratchFolder();
    const std::string &path() const { return folder; }

private:
    std::string folder;
};
void RemoveTree(const std::string &path);
bool PathPresent(const std::string &path);
// The whole file, opened so that its writer may go on writing.
bool ReadBytes(const std::string &path, std::string *bytes);
