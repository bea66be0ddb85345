// The main window's commands that open movies and the configuration panel.
#pragma once

#include <windows.h>

#include <shellapi.h>

void OpenFileCommand();
void OpenUrlCommand();
void ControlPanelCommand();
// Files dropped on the main window: the first one opens as if chosen in Open file.
void OpenDroppedFiles(HDROP drop);
// Opens a file as if chosen in Open file (a dropped file, a recent one).
void OpenChosenFile(const char *name);

// Shows the system open-file dialog for szFileName (PATH_CHARS); true when a file was picked.
bool ChooseMovieFile(char *szFileName);

// The chooser's filter list (label, pattern pairs, double-NUL ended).
extern const char movieFileFilters[];
