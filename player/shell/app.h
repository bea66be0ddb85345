// Start-up, the main loop and the release of everything at the end.
#pragma once

#include <windows.h>

extern HINSTANCE g_hInstance;

// The whole program: start-up steps, then the main loop. Returns the exit code.
int RunPlayer(HINSTANCE instance, const char *commandLine, int showCommand);

void ExitCode();
void SetInitialMovieParameters();
void GetDisplayInfo();
void SetButtonImages(HWND window);
void InitTrackbar();

// The path of a file named name in the folder of programPath (everything after
// the last backslash replaced). Returns false, with out empty, when it would not fit.
bool PathBeside(const char *programPath, const char *name, char *out, size_t outSize);

// Builds the path of a file that lies beside the program: the program's full path
// with everything after its last backslash replaced by name. Returns false when
// the program path cannot be read or the result would not fit in outSize.
bool PathBesideProgram(const char *name, char *out, size_t outSize);
