// The player's command line: one movie or MCF name, taken verbatim.
#pragma once

// Saves the command-line text into state.szCommandLine (cut to fit) and logs it.
void SaveCommandLine(const char *commandLine);
// Applies the saved command line to the movie records.
void ProcessCommandLine();
