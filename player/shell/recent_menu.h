// The File menu's list of recent movies and MCF files: the last eight opened,
// kept per user in the registry, newest first.
#pragma once

#include <windows.h>

#include "config/recent_list.h"

// Reads the stored list and shows it in the main window's (ghWnd) File menu.
void InitRecentFiles();

// The player asked to open this file (command line, Open file, a drop, the
// list itself); it joins the list once the movie has opened.
void NoteFileRequested(const char *path);
// An internet address was asked for instead: nothing joins the list.
void NoteNothingRequested();

// Chooses entry index of the list (0 is the newest). A file that no longer
// exists is taken out of the list, with a message; any other opens as if
// chosen in Open file.
void OpenRecentFile(int index);

// The list as the menu shows it (tests read it).
const RecentList &RecentFiles();
