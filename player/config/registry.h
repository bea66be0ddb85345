// The settings store: five numbers, read when a movie is loaded without an MCF
// and written with defaults on first use. Each is read from the user's own keys
// (HKEY_CURRENT_USER) when they hold it, else from the machine's keys
// (HKEY_LOCAL_MACHINE, where the installation package puts the presets). The
// player writes only the user's keys, so it needs no rights on the machine's.
//
// The keys live in the registry view of the running program: for the x86_64
// build that is the 64-bit view (no Wow6432Node).
#pragma once

#include <windows.h>

#include "common/owned.h"
#include "engine/records.h"

// Holds StereoCodingFormat and EyeCodingFormat.
extern const char szKey1[];
// Holds OutputFormat, VideomemoryMethod and StrenghtOf2Dto3DEffect.
extern const char szKey2[];

// Reads value szValueName of key szKey below root. Value names are matched with
// the letters a to z compared without regard to case. For a text, szResult is a
// buffer of nResultSize bytes (default szDefault); for a number, szResult is null
// and lResult receives the first four bytes of the value's data whatever its type
// (default lDefault; bytes a shorter value lacks read as 0).
// Returns 0 when the value was found and copied, 1 otherwise (defaults stay).
int RegistryRead(HKEY root, const char *szKey, const char *szValueName, char *szResult, int nResultSize, LONG *lResult,
                 const char *szDefault, LONG lDefault);

// Writes szValue as a text value when it is not null, otherwise lValue as a
// 32-bit number, creating the key when needed. Returns 0 when the value was
// stored, 1 when the key could not be opened or created or refused the value.
int RegistryWrite(HKEY root, const char *szKey, const char *szValueName, const char *szValue, LONG lValue);

// Whether key szKey below root is volatile: what it holds is gone when the user
// logs off (another program may have made it so). False when it is missing.
bool RegistryKeyIsVolatile(HKEY root, const char *szKey);

// Reads one setting: the user's value when there is one, else the machine's.
// Returns 0 when either was found, 1 otherwise (value 0).
int ReadSetting(const char *szKey, const char *szValueName, LONG &value);

// Loads the five settings into the records (0 for any that cannot be read);
// writes the defaults first when the store has none. Clears movie.bMCF,
// state.frameCount and state.bApplicationMinimized.
void ReadRegistrySettings(MovieRecord &movie, OutputRecord &output, StateRecord &state);

// Writes the five presets (settings.h) to the user's keys.
void InitializeRegistry();

// Whether a movie's file name may set its stereo layout: the value
// LayoutFromFileName (a number, 0 is off) in the settings' movie key, the
// user's before the machine's; on when neither holds it.
bool ReadLayoutFromNameSetting();
// Stores it in the user's key; false when that fails.
bool SaveLayoutFromNameSetting(bool on);
