// The launcher's run: switches, steps and the order they run in.
#pragma once

#include <windows.h>

#include <memory>
#include <ostream>
#include <string>

#include "context.h"

class SetupStep {
public:
    // Shows the text of statusId in the progress dialog's status line.
    SetupStep(int statusId, SetupContext *context);
    virtual ~SetupStep() {}
    virtual const char *name() const { return NULL; }
    virtual void printName(std::ostream &out) const;
    virtual int execute() = 0;

protected:
    SetupContext *context;
};

class ExtractFilesStep : public SetupStep {
public:
    explicit ExtractFilesStep(SetupContext *context);
    int execute() override;
};

class CheckSystemStep : public SetupStep {
public:
    explicit CheckSystemStep(SetupContext *context);
    int execute() override;
};

class CheckEngineVersionStep : public SetupStep {
public:
    explicit CheckEngineVersionStep(SetupContext *context);
    int execute() override;
};

class ConfigureEngineStep : public SetupStep {
public:
    explicit ConfigureEngineStep(SetupContext *context);
    int execute() override;
};

// The arguments as the run-time start-up code split them (quotes removed).
class LauncherArguments {
public:
    typedef int (*SwitchHandler)(SetupContext *context, const char *text);
    LauncherArguments(int count, char **values) : count(count), values(values) {}
    virtual ~LauncherArguments() {}
    // Calls handler with the text behind "-" or "/" of each argument after the
    // program name. Returns 0 as soon as an argument is not a switch or the handler
    // refuses one, 1 otherwise.
    int forEachSwitch(SwitchHandler handler, SetupContext *context) const;

private:
    int count;
    char **values;
};

// Applies one switch ("L1031" for "/L1031"). 1 to go on; 0 (after the usage
// message) for a switch that is unknown, a second mode, or too long.
int handleSwitch(SetupContext *context, const char *text);
// The usage message, in the language of Setup.INI next to the launcher when no
// language is set yet.
void showUsage(SetupContext *context);

class SetupLauncher {
public:
    explicit SetupLauncher(HINSTANCE instance) : instance(instance) {}
    virtual ~SetupLauncher();
    // 1 when the flow ran, 0 when the switches stopped it.
    int run(HINSTANCE instance, int argc, char **argv);
    SetupContext *runContext() const { return context.get(); }

private:
    HINSTANCE instance;
    std::unique_ptr<SetupContext> context;
};

// The steps of a normal run, from extraction to the package launch.
int runFullFlow(SetupContext *context);

// "/k" relaunch: the command for the fresh copy, or empty when the command text
// does not begin with "/k" or "-k". Never cut.
bool isRelaunchRequest(int argc, const char *commandText);
std::string relaunchCommandLine(const char *programPath, const char *commandText);
// The launcher's entry, behind WinMain.
int launcherMain(HINSTANCE instance, int argc, char **argv, const char *commandText);
