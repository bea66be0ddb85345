// Helpers shared by the launcher's unit tests.
#pragma once

#include <windows.h>

#include "kit.h"

#include <stdint.h>
#include <string>
#include <vector>

// A new empty folder under the temporary path, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string &path() const { return folder; }
    std::string file(const std::string &name) const { return folder + "\\" + name; }

private:
    std::string folder;
};

// RemoveTree, ReadWholeFile, PathPresent and FolderEntries come from the test kit.
void WriteBytes(const std::string &path, const std::string &bytes);

// A program file for the container reader: DOS header, PE header and one
// section, whose data ends at sectionStart + sectionSize.
std::string FakeImage(uint32_t sectionStart = 0x200, uint32_t sectionSize = 0x40);
struct FixtureEntry {
    std::string name;
    std::string data;
};
// Header and entries; count < 0 stores the number of entries given.
std::string ContainerBytes(const std::vector<FixtureEntry> &entries, int count = -1,
                           const char *signature = "Packagewright");
// The same with each record carrying its data's SHA-256, as the packer writes it.
std::string DigestedContainerBytes(const std::vector<FixtureEntry> &entries);
// A record whose size field is given independently of the data that follows.
std::string EntryRecord(const std::string &name, uint32_t size);

// Messages are recorded instead of shown while this lives.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    std::vector<std::string> texts;
    std::vector<int> restarts;
};

// Processes are recorded instead of started while this lives. Each start takes
// the next answer; when the answers are used up a process "ends" with code 0.
struct StartedProcess {
    std::string application;
    std::string command;
    int show;
    int wait;
};
struct ProcessAnswer {
    int outcome; // ProcessOutcome
    DWORD exitCode;
};
class ProcessRecorder {
public:
    ProcessRecorder();
    ~ProcessRecorder();
    std::vector<StartedProcess> started;
    std::vector<ProcessAnswer> answers;
};

// Puts the launcher's process-wide state back to a fresh start and restores the
// seams when it ends.
class LauncherState {
public:
    LauncherState();
    ~LauncherState();
};

// Sets an environment variable for the test's lifetime.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char *name, const char *value);
    ~ScopedEnvironment();

private:
    std::string name;
    std::string old;
    bool had;
};


// The arguments the run-time start-up code of a started program would see in command.
std::vector<std::string> SplitArguments(const std::string &command);

// A visible dialog of the calling thread, or NULL.
HWND VisibleThreadDialog();
