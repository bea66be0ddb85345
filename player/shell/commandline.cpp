#include "shell/commandline.h"

#include "config/mcf.h"
#include "config/mcf_setup.h"
#include "config/registry.h"
#include "diagnostics/log.h"
#include "engine/records.h"
#include "shell/recent_menu.h"

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
    // One name, verbatim: quotation marks and blanks stay, a percent sign is a
    // character like any other. It is never taken for an internet address.
    snprintf(movie.szFileName, sizeof movie.szFileName, "%s", state.szCommandLine);
    NoteFileRequested(movie.szFileName);
    if (EndsOnMCF(movie.szFileName)) {
        // The store first: the MCF carries neither the eye order nor the video-memory
        // method, and every value it does carry overrides the stored one.
        ReadRegistrySettings(movie, output, state);
        SetupFromMCF(movie, output, state);
        return;
    }
    ReadRegistrySettings(movie, output, state);
    ApplyLayoutFromName(movie);
    movie.source = File;
}
