// Where the list of recent files lives: the user's own key
// HKEY_CURRENT_USER\Software\Brontide\Vizor Cinema\recent, text values File1
// (the newest) to File8.
#pragma once

#include "config/recent_list.h"

extern const char szRecentKey[];

// Reads the list; values that are missing, not text, empty or too long are
// skipped, so a damaged list loses only those entries.
void LoadRecentFiles(RecentList &list);

// Replaces the stored list with this one. False when the key cannot be opened
// or created, or a value cannot be written.
bool SaveRecentFiles(const RecentList &list);
