// The main window's commands that open movies and the configuration panel.
#pragma once

#include <windows.h>

void OpenFileCommand();
void OpenUrlCommand();
void ControlPanelCommand();

// Shows the system open-file dialog for szFileName (PATH_CHARS); true when a file was picked.
bool ChooseMovieFile(char *szFileName);

// The chooser's filter list (label, pattern pairs, double-NUL ended).
extern const char movieFileFilters[];
