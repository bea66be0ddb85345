// The launcher's run record, shared by every step of one run, and the few
// process-wide flags.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <memory>
#include <string>

#include "run_kinds.h"

class PayloadReader;
class ProgressDialog;

// Text buffers of the launcher: paths, initialisation values and command lines.
const int SETUP_TEXT_CHARS = 1024;
// Message texts composed for the message dialog.
const int SETUP_MESSAGE_CHARS = 300;
// Extracted files held open until their program has started (Setup.INI, a
// transform, an engine redistributable and the package).
const unsigned SETUP_HELD_FILES = 8;

// A text held on the heap, or none: converts to NULL until a text is assigned.
class HeapText {
public:
    operator const char *() const { return held ? text.c_str() : NULL; }
    // Replaces the text with a copy of value (NULL: none).
    void assign(const char *value)
    {
        held = value != NULL;
        text = held ? value : "";
    }

private:
    std::string text;
    bool held = false;
};

class SetupContext {
public:
    // Opens the container reader on the launcher's own file.
    SetupContext(HINSTANCE instance, const char *ownPath);
    virtual ~SetupContext();

    // Replaces a held text with a copy of text (NULL clears it).
    static void assign(HeapText &field, const char *text) { field.assign(text); }

    int waitForPackage = 0;
    int languageDialogEnabled = 0;
    char requiredEngineVersion[SETUP_TEXT_CHARS] = {0};
    char productName[SETUP_TEXT_CHARS] = {0};
    char packageName[SETUP_TEXT_CHARS] = {0};
    char transformName[SETUP_TEXT_CHARS] = {0};
    unsigned languageCount = 0;
    unsigned diskSpaceKb = 0;
    char packageProperties[SETUP_TEXT_CHARS] = {0};
    int locationsFromCommandLine = 0;
    int selectedLanguage = 0;
    int installMode = Install;
    // Option letters of "/F" or "/J"; as large as the other command-line texts.
    char modeOptions[SETUP_TEXT_CHARS] = {0};
    std::unique_ptr<ProgressDialog> progress;
    PlatformCode platform = 0;
    char osVersion[SETUP_TEXT_CHARS] = {0};
    int osSupported = 0;
    std::unique_ptr<PayloadReader> payload;
    char installedEngineVersion[SETUP_TEXT_CHARS] = {0};
    HeapText workFolder;
    HeapText sourceFolder;
    uint64_t payloadTotalSize = 0;
    int fileSource = SourceFolder;
    HWND mainTextControl = NULL;
    HWND statusControl = NULL;
    unsigned extractedCount = 0;
    HINSTANCE instance = NULL;
    int launchKind = Normal;
    int restartPending = 0;
    HANDLE heldFiles[SETUP_HELD_FILES] = {};
    unsigned heldCount = 0;
};

// Process-wide state.
extern int currentLanguage; // language of texts, fonts and the code-page test; 0 until set
extern int silentMode;
extern int cancelRequested; // set by the progress dialog

// Module whose resources (string table, dialogs, icons) the launcher uses.
HINSTANCE SetupInstance();
void SetSetupInstance(HINSTANCE instance);
