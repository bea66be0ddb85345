#include "shell/commandline.h"

#include "diagnostics/log.h"
#include "engine/records.h"

#include <stdio.h>
#include <string.h>

void SaveCommandLine(const char *commandLine)
{
    snprintf(state.szCommandLine, sizeof state.szCommandLine, "%s", commandLine ? commandLine : "");
    LogMessage("Backup of the command line\n");
    LogMessage(commandLine ? commandLine : "");
    LogMessage("\n");
    LogMessage(state.szCommandLine);
    LogMessage("\n");
}

void ProcessCommandLine()
{
    LogMessage("ProcessingCommandLineString\n");
    LogMessage("CommandLineString backup:\n");
    LogMessage(state.szCommandLine);
    LogMessage("\n");
    const int length = (int)strlen(state.szCommandLine);
    LogFormat("Lenght of the commandline string: %d \n", length);
    if (length == 0) {
        LogMessage("No commandline parameters given, keepeing setting from inital movie or nothing\n");
        return;
    }
    snprintf(movie.szFileName, sizeof movie.szFileName, "%s", state.szCommandLine);
    movie.source = File;
}
