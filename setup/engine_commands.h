// What the installer engine step decides without asking the system: version
// comparison, the platform record, and the command texts given to msiexec, to
// the engine redistributable and to the RunOnce list. No Windows calls, so it
// also builds natively for the fuzzer.
//
// Every builder writes a NUL-terminated text of at most size - 1 characters and
// returns false, leaving out empty, when the whole text does not fit: a command
// is never cut into a different command.
#pragma once

#include <stddef.h>

#include "run_kinds.h"

// Longest version text of the platform record, with its NUL.
const size_t OS_VERSION_CHARS = 1024;

// Reads up to four unsigned decimal numbers separated by points; missing or
// unreadable parts are 0. Returns 1 when a is older than b, -1 when a is newer,
// 0 when they are equal or either text is missing.
int CompareVersions(const char *a, const char *b);

// The running system as the platform reports it.
struct SystemVersion {
    bool known;          // the platform answered at all
    unsigned platformId; // 0 Win32s, 1 Windows 9x, 2 Windows NT
    unsigned major;
    unsigned minor;
    unsigned architecture; // processor architecture (low 16 bits of the OEM id)
};

struct PlatformRecord {
    PlatformCode platform;
    char osVersion[OS_VERSION_CHARS]; // "major.minor", empty when not known
    int osSupported;                  // Windows 9x, or Windows NT 4.0 or later
};

void describePlatform(const SystemVersion &version, PlatformRecord *record);

// Windows NT on any processor.
bool isWindowsNT(PlatformCode platform);
// The engine redistributable for the platform: "INSTMSIA.EXE" on Windows 9x,
// "INSTMSIW.EXE" on Windows NT; null where there is none.
const char *engineInstallerName(PlatformCode platform);

// "major.minor" of a version text, the parts read as CompareVersions reads them.
void majorMinor(const char *version, char *out, size_t size);

// The drive of a path for the disk-space message: "C:\" for "C:\Windows";
// any other path stands for itself.
void driveOf(const char *path, char *out, size_t size);

// The properties msiexec gets. With several languages (and the setup files not
// named on the command line) the language transform is put first into an
// existing TRANSFORMS list, or a TRANSFORMS property is added.
bool packageProperties(const char *properties, unsigned languageCount, int locationsFromCommandLine,
                       const char *transformName, char *out, size_t size);

// The properties of a silent launch (/S): msiexec gets " /qn" after them, so
// that the package's wizard does not show either, unless they already choose a
// user-interface level (/q..., /passive, also with '-'). Other launches get the
// properties unchanged.
bool silentProperties(const char *properties, bool silent, char *out, size_t size);

// "MSIEXEC.EXE /i "package" properties" and the forms of the other operations.
bool packageCommand(int installMode, const char *modeOptions, const char *packagePath, const char *properties,
                    char *out, size_t size);

// The engine redistributable's command: its quoted path and "/q".
bool engineCommand(const char *path, char *out, size_t size);

// text as one quoted argument that the run-time start-up code splits back into
// text: quotes are escaped with a backslash, and backslashes before a quote or
// before the closing quote are doubled. Appends to the text in out, which stays
// as it was when the argument does not fit.
bool appendQuotedArgument(const char *text, char *out, size_t size);

// The RunOnce value that carries the installation on after a restart: the
// launcher itself with the work folder, the package and the properties; files
// extracted to a folder of the launcher's (temporary) go through "/k" and are
// deleted by the relaunched copy ("/c").
bool runOnceValue(const char *ownPath, const char *workFolder, const char *packageName, const char *properties,
                  bool temporary, char *out, size_t size);
