#include "launcher.h"

#include <commctrl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

#include "cleanup.h"
#include "language_dialog.h"
#include "messages.h"
#include "progress.h"
#include "engine.h"
#include "paths.h"
#include "payload.h"
#include "texts.h"
#include "resources/resource.h"
#include "system_dlls.h"

static_assert(sizeof(INITCOMMONCONTROLSEX) == 8, "common controls record is 8 bytes");

namespace {

const DWORD PROGRESS_CLASS_FLAG = 0x20; // ICC_PROGRESS_CLASS

// The launcher's own path, however long.
std::string modulePath(HINSTANCE instance)
{
    std::vector<char> buffer(SETUP_TEXT_CHARS);
    for (;;) {
        DWORD n = GetModuleFileNameA(instance, buffer.data(), DWORD(buffer.size()));
        if (n == 0)
            return std::string();
        if (n < buffer.size())
            return std::string(buffer.data(), n);
        if (buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

bool copyIfFits(char *field, size_t size, const char *text)
{
    if (strlen(text) >= size)
        return false;
    snprintf(field, size, "%s", text);
    return true;
}

void loadCommonControls()
{
    typedef BOOL(WINAPI * InitEx)(const INITCOMMONCONTROLSEX *);
    typedef void(WINAPI * Init)();
    HMODULE comctl = loadSystemLibrary("COMCTL32.DLL");
    if (!comctl)
        return;
    FARPROC initEx = GetProcAddress(comctl, "InitCommonControlsEx");
    if (initEx) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, PROGRESS_CLASS_FLAG};
        reinterpret_cast<InitEx>(reinterpret_cast<void *>(initEx))(&classes);
    } else if (FARPROC init = GetProcAddress(comctl, "InitCommonControls")) {
        reinterpret_cast<Init>(reinterpret_cast<void *>(init))();
    }
}

} // namespace

// Run record

SetupContext::SetupContext(HINSTANCE module, const char *ownPath)
    : payload(std::make_unique<PayloadReader>(ownPath)), instance(module)
{
}

SetupContext::~SetupContext() { releaseHeldFiles(this); }

// Steps

SetupStep::SetupStep(int statusId, SetupContext *runContext) : context(runContext)
{
    char text[SETUP_MESSAGE_CHARS];
    LookupString(statusId, text, sizeof text);
    setStatusText(context, text);
}

void SetupStep::printName(std::ostream &out) const
{
    const char *text = name();
    out << (text ? text : "");
}

ExtractFilesStep::ExtractFilesStep(SetupContext *c) : SetupStep(IDS_CONFIGURING_SETUP, c) {}

int ExtractFilesStep::execute()
{
    if (!prepareWorkFolder(context))
        return 0;
    if (!readSetupIni(context)) {
        showTextId(IDS_ERROR_READING_INI);
        return 0;
    }
    return 1;
}

CheckSystemStep::CheckSystemStep(SetupContext *c) : SetupStep(IDS_CHECKING_SYSTEM, c) {}

int CheckSystemStep::execute() { return checkSystem(context); }

CheckEngineVersionStep::CheckEngineVersionStep(SetupContext *c) : SetupStep(IDS_CHECKING_ENGINE, c) {}

int CheckEngineVersionStep::execute() { return checkEngineVersion(context); }

ConfigureEngineStep::ConfigureEngineStep(SetupContext *c) : SetupStep(IDS_CONFIGURING_ENGINE, c) {}

int ConfigureEngineStep::execute() { return configureEngine(context); }

// Switches

int LauncherArguments::forEachSwitch(SwitchHandler handler, SetupContext *context) const
{
    for (int i = 1; i < count; ++i) {
        const char *argument = values[i];
        if (!argument || (argument[0] != '-' && argument[0] != '/'))
            return 0;
        if (!handler(context, argument + 1))
            return 0;
    }
    return 1;
}

void showUsage(SetupContext *context)
{
    if (currentLanguage == 0) {
        char folder[SETUP_TEXT_CHARS];
        splitPath(modulePath(context->instance).c_str(), folder, sizeof folder, NULL, 0);
        int language = 0;
        unsigned count = 0;
        resolveLanguage(context->instance, IDD_LANGUAGE, IDI_DIALOG, &language, &count, 0, folder);
    }
    char lines[4][256];
    const int ids[4] = {IDS_USAGE_TITLE, IDS_USAGE_LANGUAGE, IDS_USAGE_SILENT, IDS_USAGE_PROPERTIES};
    for (int i = 0; i < 4; ++i)
        LookupString(ids[i], lines[i], sizeof lines[i]);
    char text[MESSAGE_TEXT_CHARS];
    snprintf(text, sizeof text, "%s\r\n%s\r\n%s\r\n%s", lines[0], lines[1], lines[2], lines[3]);
    showText(text);
}

int handleSwitch(SetupContext *context, const char *text)
{
    char letter = text[0];
    if (letter >= 'a' && letter <= 'z')
        letter = char(letter - 'a' + 'A');
    const char *rest = letter ? text + 1 : text;
    bool ok = true;
    switch (letter) {
    case 'A':
        ok = context->installMode == Install;
        if (ok)
            context->installMode = Administrative;
        break;
    case 'C':
        context->fileSource = Temporary;
        context->locationsFromCommandLine = 1;
        break;
    case 'F':
    case 'J':
        // Option letters that do not fit are refused, never cut.
        ok = context->installMode == Install && copyIfFits(context->modeOptions, sizeof context->modeOptions, rest);
        if (ok)
            context->installMode = letter == 'F' ? Repair : Advertise;
        break;
    case 'L':
        context->selectedLanguage = int(strtol(rest, NULL, 10));
        currentLanguage = context->selectedLanguage;
        break;
    case 'M':
        ok = copyIfFits(context->packageName, sizeof context->packageName, rest);
        if (ok) {
            context->launchKind = PackageGiven;
            context->locationsFromCommandLine = 1;
        }
        break;
    case 'S': silentMode = 1; break;
    case 'T':
        SetupContext::assign(context->workFolder, rest);
        context->launchKind = FolderGiven;
        context->locationsFromCommandLine = 1;
        break;
    case 'V': ok = copyIfFits(context->packageProperties, sizeof context->packageProperties, rest); break;
    case 'W': context->waitForPackage = 1; break;
    case 'X':
        ok = context->installMode == Install;
        if (ok)
            context->installMode = Uninstall;
        break;
    default: ok = false; break;
    }
    if (!ok) {
        showUsage(context);
        return 0;
    }
    return 1;
}

// Flow

int runFullFlow(SetupContext *context)
{
    HINSTANCE instance = context->instance;
    {
        ExtractFilesStep step(context);
        if (!step.execute() || cancelRequested)
            return 0;
    }

    int resolved;
    if (context->selectedLanguage == 0) {
        resolved = resolveLanguage(instance, IDD_LANGUAGE, IDI_DIALOG, &context->selectedLanguage,
                                   &context->languageCount, context->languageDialogEnabled, context->workFolder);
    } else {
        int automatic = 0;
        resolved = resolveLanguage(instance, IDD_LANGUAGE, IDI_DIALOG, &automatic, &context->languageCount, 0,
                                   context->workFolder);
        currentLanguage = context->selectedLanguage;
    }
    if (resolved != LANGUAGE_OK)
        return 0;

    char codePage[20] = {0};
    UINT page = 0;
    if (GetLocaleInfoA(LCID(context->selectedLanguage), LOCALE_IDEFAULTANSICODEPAGE, codePage, sizeof codePage))
        page = UINT(strtoul(codePage, NULL, 10));
    if (!IsValidCodePage(page)) {
        char name[260];
        languageDisplayName(context->selectedLanguage, name, sizeof name);
        showFormatted(IDS_ERROR_CODE_PAGE, name);
        return 0;
    }

    snprintf(context->transformName, sizeof context->transformName, "%d.MST", context->selectedLanguage);
    if (context->payload && context->payload->entryCount() > 0 && context->languageCount > 1 &&
        !extractToWorkFolder(context, context->transformName))
        return 0;

    context->progress = std::make_unique<ProgressDialog>();
    context->progress->show(instance, context);
    char format[SETUP_TEXT_CHARS];
    LookupFormat(IDS_PREPARING, format, sizeof format);
    char mainText[MESSAGE_TEXT_CHARS];
    snprintf(mainText, sizeof mainText, format, context->productName);
    setMainText(context, mainText);

    if (pauseFor(1000))
        return 0;
    {
        CheckSystemStep step(context);
        if (!step.execute() || cancelRequested)
            return 0;
        if (!context->osSupported) {
            showTextId(IDS_ERROR_SYSTEM);
            return 0;
        }
    }
    if (pauseFor(1000))
        return 0;
    {
        CheckEngineVersionStep step(context);
        if (!step.execute() || cancelRequested)
            return 0;
    }
    if (pauseFor(2000))
        return 0;
    ConfigureEngineStep configure(context);
    if (pauseFor(1000) || cancelRequested)
        return 0;
    if (!configure.execute())
        return 0;
    context->progress.reset();
    return 1;
}

SetupLauncher::~SetupLauncher() = default;

int SetupLauncher::run(HINSTANCE module, int argc, char **argv)
{
    std::string own = modulePath(module);
    context = std::make_unique<SetupContext>(module, own.c_str());
    SetupContext *current = context.get();

    LauncherArguments arguments(argc, argv);
    if (!arguments.forEachSwitch(handleSwitch, current))
        return 0;

    char folder[SETUP_TEXT_CHARS];
    splitPath(own.c_str(), folder, sizeof folder, NULL, 0);
    SetupContext::assign(current->sourceFolder, folder);

    switch (current->launchKind) {
    case Normal: runFullFlow(current); break;
    case PackageGiven: {
        // "/M" without "/T": the package lies next to the launcher.
        if (!current->workFolder)
            SetupContext::assign(current->workFolder, current->sourceFolder);
        ConfigureEngineStep step(current);
        step.execute();
        break;
    }
    default: break;
    }
    ProgressDialog::close();
    releaseHeldFiles(current);

    // A copy started with "/c" deletes only in a folder of the launcher's own
    // naming: "/c /t" with any other folder would make it delete what a list
    // file there names.
    bool ownWorkFolder = current->launchKind == Normal || isWorkFolderPath(current->workFolder);
    if (current->fileSource == Temporary && !current->restartPending && current->workFolder && ownWorkFolder) {
        PendingDeletions cleanup(current->workFolder);
        cleanup.run(module);
    }
    return 1;
}

// Start

bool isRelaunchRequest(int argc, const char *commandText)
{
    return argc > 1 && commandText && (commandText[0] == '-' || commandText[0] == '/') &&
           (commandText[1] == 'k' || commandText[1] == 'K');
}

std::string relaunchCommandLine(const char *programPath, const char *commandText)
{
    // The program is quoted: a path with blanks must not start another program.
    std::string command = "\"";
    command += programPath;
    command += "\"";
    command += commandText + 2;
    return command;
}

int launcherMain(HINSTANCE instance, int argc, char **argv, const char *commandText)
{
    if (isRelaunchRequest(argc, commandText)) {
        std::string program = modulePath(NULL);
        if (program.empty())
            return 0;
        std::string command = relaunchCommandLine(program.c_str(), commandText);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOW;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(program.c_str(), &command[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        return 0;
    }
    loadCommonControls();
    silentMode = 0;
    SetupLauncher launcher(instance);
    launcher.run(instance, argc, argv);
    return 0;
}
