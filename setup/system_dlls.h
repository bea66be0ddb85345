// Libraries of the system folder only. A browser's download folder collects
// files of every name, and Windows looks for a library in the program's own
// folder first: a version.dll lying beside setup.exe would run inside it
// (elevated when setup is). The launcher therefore imports only libraries the
// loader always takes from the system, and loads every other one from there.
#pragma once

#include <windows.h>

#include <stddef.h>

// Limits the library search of the process to the system folder, where the
// system offers that; first thing at start-up.
void restrictDllSearch();

// name (such as "COMCTL32.DLL") from the system folder; null when absent.
HMODULE loadSystemLibrary(const char *name);

// path := the system folder, a backslash and name. False when it does not fit.
bool systemFilePath(const char *name, char *path, size_t size);

// The file version functions, from the system folder's VERSION.DLL. Each
// returns 0 (as the system's would on failure) when that library is missing.
DWORD systemFileVersionInfoSize(const char *file, DWORD *handle);
BOOL systemFileVersionInfo(const char *file, DWORD handle, DWORD size, void *data);
BOOL systemVerQueryValue(const void *block, const char *subBlock, void **buffer, UINT *length);
