// Path texts of the launcher: single-byte code-page strings stepped through
// character by character, so a double-byte character whose second byte looks
// like a backslash is never taken for one.
#pragma once

#include <stddef.h>

// The next character of a code-page string (CharNextA on Windows, one byte natively).
const char *PathNextChar(const char *p);

// Appends "\" unless the text already ends with one. False when it does not fit
// (the text is then unchanged).
bool addBackslash(char *path, size_t size);

// out := folder, a backslash unless folder ends with one, then name.
// False when the result does not fit; out is then empty.
bool combinePath(const char *folder, const char *name, char *out, size_t outSize);

// folder := text before the last backslash, name := text after it (both cut to
// fit; either pointer may be null). Without a backslash folder is empty and name is all.
void splitPath(const char *path, char *folder, size_t folderSize, char *name, size_t nameSize);

// "\" alone, or a letter, a colon and a backslash and nothing more.
bool isRootPath(const char *path);

// True for a name that stays inside the folder it is written to: not empty,
// shorter than 260, no "\" "/" ":" or control characters, not only dots and
// blanks (".", ".."), and not a device name such as CON or LPT1.
bool isPlainFileName(const char *name);

// Two names of one file in one folder: equal without regard to case once trailing
// dots and blanks, which the system drops, are cut.
bool sameFileName(const char *a, const char *b);

// Names of the launcher's own work folders: "_pw" followed by one to four
// hexadecimal digits (a unique temporary name without its extension).
const size_t SETUP_PATH_NAME_CHARS = 260;
bool isWorkFolderName(const char *name);
// The last part of path is such a name.
bool isWorkFolderPath(const char *path);

// path names a file (a plain name) directly inside folder, compared without
// regard to case; "..", further folders or another drive never are.
bool isDirectlyInside(const char *folder, const char *path);

// Windows-only helpers (paths_win.cpp).
// Creates every folder along path; an existing folder counts as created.
bool createPath(const char *path);
bool fileExists(const char *path);
bool folderExists(const char *path);
