// The player's command line: one movie or MCF name, taken verbatim.
#pragma once

// Saves the command-line text into state.szCommandLine (cut to fit) and logs it.
void SaveCommandLine(const char *commandLine);
// Applies the saved command line: an MCF name (ending on "MCF" or "mcf") goes
// through the settings store and then the MCF; any other name is a local movie
// file played with the stored settings. The caller sets movie.source to
// No_source first and opens the movie when it has changed.
void ProcessCommandLine();
