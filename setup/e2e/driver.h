// Drives a launcher process from outside, as a user would: finds its dialogs,
// reads their texts, presses keys and buttons with the kit (tests/kit/kit.h).
// Every wait is bounded and named.
#pragma once

#include "kit.h"

#include <windows.h>

#include <string>
#include <vector>

// A launcher (or any program the tests start) that sees a temporary folder of
// the test's choice; the destructor ends the process if it still runs.
class LauncherProcess : public TestProcess {
public:
    // Starts program with arguments; TMP and TEMP point at tempFolder, and each
    // "NAME=value" of extra is added to the environment.
    bool start(const std::string &program, const std::string &arguments, const std::string &tempFolder,
               const std::vector<std::string> &extra = {});
};

// The items of a combo box of any process.
std::vector<std::string> ComboItems(HWND combo);
