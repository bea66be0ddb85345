#include "test_support.h"

#include <shellapi.h>

#include <stdio.h>
#include <string.h>

#include "container.h"
#include "context.h"
#include "controls.h"
#include "language_dialog.h"
#include "messages.h"
#include "privileges.h"
#include "process.h"
#include "progress.h"
#include "engine.h"
#include "payload.h"
#include "sha256.h"
#include "texts.h"

namespace {

MessageRecorder *g_recorder;

int recordMessage(HINSTANCE, const char *text, int restart)
{
    if (g_recorder) {
        g_recorder->texts.push_back(text);
        g_recorder->restarts.push_back(restart);
    }
    return 1;
}

ProcessRecorder *g_processes;

int recordProcess(const char *application, const char *command, int show, int wait, DWORD *exitCode)
{
    if (!g_processes)
        return PROCESS_NOT_STARTED;
    g_processes->started.push_back({application ? application : "", command, show, wait});
    size_t n = g_processes->started.size();
    ProcessAnswer answer = {wait ? PROCESS_ENDED : PROCESS_STARTED, 0};
    if (n <= g_processes->answers.size())
        answer = g_processes->answers[n - 1];
    if (answer.outcome == PROCESS_ENDED && exitCode)
        *exitCode = answer.exitCode;
    return answer.outcome;
}

int g_folderSerial;

} // namespace

TempFolder::TempFolder()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    for (;;) {
        char name[MAX_PATH + 64];
        snprintf(name, sizeof name, "%ssetup-test-%lu-%d", base, GetCurrentProcessId(), ++g_folderSerial);
        if (CreateDirectoryA(name, NULL)) {
            folder = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            folder = name;
            return;
        }
    }
}

TempFolder::~TempFolder() { RemoveTree(folder); }

void WriteBytes(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, NULL);
    CloseHandle(file);
}

std::string FakeImage(uint32_t sectionStart, uint32_t sectionSize)
{
    std::string image(64, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    uint32_t peOffset = 64;
    memcpy(&image[60], &peOffset, 4);

    PeFileHeader header = {};
    memcpy(&header.signature, "PE\0\0", 4);
    header.machine = 0x8664;
    header.numberOfSections = 1;
    header.sizeOfOptionalHeader = 0;
    image.append(reinterpret_cast<const char *>(&header), sizeof header);

    PeSectionHeader section = {};
    memcpy(section.name, ".text", 5);
    section.sizeOfRawData = sectionSize;
    section.pointerToRawData = sectionStart;
    image.append(reinterpret_cast<const char *>(&section), sizeof section);
    image.resize(sectionStart + sectionSize, '\0');
    return image;
}

std::string EntryRecord(const std::string &name, uint32_t size)
{
    PayloadEntry entry = {};
    memcpy(entry.name, name.data(), name.size() < sizeof entry.name ? name.size() : sizeof entry.name);
    entry.size = size;
    return std::string(reinterpret_cast<const char *>(&entry), sizeof entry);
}

std::string ContainerBytes(const std::vector<FixtureEntry> &entries, int count, const char *signature)
{
    PayloadHeader header = {};
    snprintf(header.signature, sizeof header.signature, "%s", signature);
    header.entryCount = uint16_t(count < 0 ? int(entries.size()) : count);
    std::string bytes(reinterpret_cast<const char *>(&header), sizeof header);
    for (const FixtureEntry &e : entries)
        bytes += EntryRecord(e.name, uint32_t(e.data.size())) + e.data;
    return bytes;
}

std::string DigestedContainerBytes(const std::vector<FixtureEntry> &entries)
{
    PayloadHeader header = {};
    snprintf(header.signature, sizeof header.signature, "%s", PAYLOAD_SIGNATURE);
    header.entryCount = uint16_t(entries.size());
    std::string bytes(reinterpret_cast<const char *>(&header), sizeof header);
    for (const FixtureEntry &e : entries) {
        PayloadEntry entry = {};
        memcpy(entry.name, e.name.data(), e.name.size() < sizeof entry.name ? e.name.size() : sizeof entry.name);
        entry.size = uint32_t(e.data.size());
        Sha256Digest(e.data.data(), e.data.size(), entry.digest);
        memcpy(entry.digestMarker, PAYLOAD_DIGEST_MARKER, sizeof entry.digestMarker);
        bytes += std::string(reinterpret_cast<const char *>(&entry), sizeof entry) + e.data;
    }
    return bytes;
}

MessageRecorder::MessageRecorder()
{
    g_recorder = this;
    g_pfnMessageDialog = recordMessage;
}

MessageRecorder::~MessageRecorder()
{
    g_pfnMessageDialog = runMessageDialog;
    g_recorder = NULL;
}

ProcessRecorder::ProcessRecorder()
{
    g_processes = this;
    g_pfnStartProcess = recordProcess;
}

ProcessRecorder::~ProcessRecorder()
{
    g_pfnStartProcess = startProcess;
    g_processes = NULL;
}

LauncherState::LauncherState()
{
    currentLanguage = 0;
    silentMode = 0;
    cancelRequested = 0;
    SetSetupIniPath("");
    freeLanguageList();
}

LauncherState::~LauncherState()
{
    ProgressDialog::close();
    currentLanguage = 0;
    silentMode = 0;
    cancelRequested = 0;
    SetSetupIniPath("");
    freeLanguageList();
    g_languages.userLanguage = 0;
    g_pfnDiskFreeKb = diskFreeKb;
    g_pfnTempFileName = GetTempFileNameA;
    g_pfnLanguageName = systemLanguageName;
    g_pfnUserDefaultLanguage = systemUserLanguage;
    g_pfnMessageDialog = runMessageDialog;
    g_pfnSystemVersion = systemVersion;
    g_pfnIsAdministrator = isAdministrator;
    g_pfnStartProcess = startProcess;
    g_runOnceKeyPath = RUN_ONCE_KEY;
    g_pfnExitWindows = systemExitWindows;
    g_pfnRestartSystem = restartSystem;
}

ScopedEnvironment::ScopedEnvironment(const char *variable, const char *value) : name(variable), had(false)
{
    char buffer[32768];
    DWORD n = GetEnvironmentVariableA(variable, buffer, sizeof buffer);
    if (n > 0 && n < sizeof buffer) {
        had = true;
        old = buffer;
    }
    SetEnvironmentVariableA(variable, value);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableA(name.c_str(), had ? old.c_str() : NULL); }

std::vector<std::string> SplitArguments(const std::string &command)
{
    std::vector<std::string> out;
    std::wstring wide(command.begin(), command.end());
    int count = 0;
    LPWSTR *arguments = CommandLineToArgvW(wide.c_str(), &count);
    for (int i = 0; arguments && i < count; ++i) {
        std::wstring w = arguments[i];
        out.push_back(std::string(w.begin(), w.end()));
    }
    LocalFree(arguments);
    return out;
}

namespace {

BOOL CALLBACK visibleDialog(HWND window, LPARAM found)
{
    char name[16] = {0};
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND *>(found) = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND VisibleThreadDialog()
{
    HWND dialog = NULL;
    EnumThreadWindows(GetCurrentThreadId(), visibleDialog, reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}
