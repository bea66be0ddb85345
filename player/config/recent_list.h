// The list of recently opened movies and MCF files, newest first, as the File
// menu shows it. Free of Windows calls, so it builds natively as well.
#pragma once

#include <stddef.h>

const int RECENT_MAX = 8;
const int RECENT_PATH_CHARS = 260; // as the player's own path buffers

struct RecentList {
    int count = 0;
    char paths[RECENT_MAX][RECENT_PATH_CHARS] = {};
};

// Puts path at the front; the same path met further down (letter case ignored,
// as the file system does) moves up instead of standing twice, and the oldest
// falls off a full list. An empty path, or one too long to keep whole, is left
// out. Returns whether the list changed.
bool RecentAdd(RecentList &list, const char *path);

// Takes out the entry at index (0 is the newest); false when there is none.
bool RecentRemove(RecentList &list, int index);

// The index of path in the list (letter case ignored), or -1.
int RecentFind(const RecentList &list, const char *path);

// The menu text of entry index: "&1 " and the path, every '&' doubled so that
// it shows as itself, and a long path shortened in its middle to
// "C:\first folder\...\file name" so that the menu stays narrow; the file name
// itself is never shortened (only the size of label can cut it). Always
// terminated.
void RecentMenuLabel(const char *path, int index, char *label, size_t labelSize);
