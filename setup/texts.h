// Setup.INI: the keys of a run, the text lookup by identifier, and the choice of
// the setup language.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "context.h"

// Longest text taken from a language section for a string id.
const int SETUP_INI_TEXT_CHARS = 300;
// Most languages a Setup.INI may offer; a larger Count is refused.
const unsigned MAX_LANGUAGES = 1024;

// Result codes of resolveLanguage.
enum {
    LANGUAGE_OK = 0,
    LANGUAGE_CANCELLED = -1,
    LANGUAGE_DIALOG_FAILED = -3,
    LANGUAGE_NO_MEMORY = -4,
    LANGUAGE_NO_TITLE = -5,
    LANGUAGE_KEY_MISSING = -6,
};

// Reads the Startup and Info keys from Setup.INI in the work folder.
int readSetupIni(SetupContext *context);

// Text of id: the current language's section of Setup.INI (once a resolution
// has named the file), else the built-in string table, else empty. Cut to
// maximum - 1 characters; returns the length delivered.
int LookupString(int id, char *buffer, int maximum);
// LookupString, but a text from Setup.INI whose conversions do not fit the
// arguments passed with id is replaced by the built-in text.
int LookupFormat(int id, char *buffer, int maximum);

// Path of the Setup.INI that LookupString and the language readers use ("" for none).
const char *SetupIniPath();
void SetSetupIniPath(const char *path);

// "0x0409" for 1033: "0x" and at least four lower-case hexadecimal digits.
void languageSectionName(int language, char *out, size_t outSize);
// A key of the language's section (OK, CANCEL, Description, ...), empty when absent.
void readLanguageKey(int language, const char *key, char *out, int outSize);
// Title of the language's section, tried as "0x0409" and then as "0409".
bool readLanguageTitle(int language, char *out, int outSize);

// Count of the Languages section of the Setup.INI named (0 when absent), and
// its Default (false when absent).
unsigned readLanguagesCount();
bool readDefaultLanguage(int *language);

// The languages on offer during one resolution, with the user's default language.
struct LanguageList {
    uint32_t *entries;
    unsigned count;
    unsigned userLanguage;
};
extern LanguageList g_languages;
// Reads key0 .. key<count-1>. Returns LANGUAGE_OK, LANGUAGE_NO_MEMORY or LANGUAGE_KEY_MISSING.
int readLanguageList(unsigned count);
void freeLanguageList();
bool languageListed(uint32_t language);

// The first entry whose primary language (low 10 bits) is primary; a later one
// with sublanguage 1 replaces it. 0 when none matches.
uint32_t bestPrimaryMatch(uint32_t primary);
// The system's name of a language; a language without sublanguage that the
// system does not name is named with sublanguage 1.
void languageDisplayName(int language, char *out, int outSize);

// Seams over the system's locale for tests.
typedef DWORD (*LanguageNameFunction)(DWORD language, char *out, DWORD outSize);
extern LanguageNameFunction g_pfnLanguageName;
typedef unsigned (*UserLanguageFunction)();
extern UserLanguageFunction g_pfnUserDefaultLanguage;
DWORD systemLanguageName(DWORD language, char *out, DWORD outSize);
unsigned systemUserLanguage();
