#include "texts.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "format_check.h"
#include "paths.h"
#include "resources/resource.h"

namespace {

const unsigned DEFAULT_DISK_SPACE_KB = 8000;
const unsigned UNRECOGNISED_LANGUAGE = 0x3CFF;
const int LANGUAGE_ID_CHARS = 19; // hexadecimal ids: 18 characters
const int TITLE_CHARS = 127;

char iniPath[SETUP_TEXT_CHARS];

// Reads a key into a zeroed buffer; "" when the file names no file yet.
void readProfile(const char *section, const char *key, char *out, int outSize, const char *path)
{
    memset(out, 0, size_t(outSize));
    if (!path || !path[0])
        return;
    GetPrivateProfileStringA(section, key, "", out, DWORD(outSize), path);
}

uint32_t readHex(const char *text) { return uint32_t(strtoul(text, NULL, 16)); }

// The leading decimal digits of text (a comment behind them is ignored).
unsigned leadingNumber(const char *text)
{
    uint64_t value = 0;
    for (const char *p = text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + unsigned(*p - '0');
        if (value > UINT32_MAX)
            return UINT32_MAX;
    }
    return unsigned(value);
}

} // namespace

LanguageList g_languages = {NULL, 0, 0};
LanguageNameFunction g_pfnLanguageName = systemLanguageName;
UserLanguageFunction g_pfnUserDefaultLanguage = systemUserLanguage;

DWORD systemLanguageName(DWORD language, char *out, DWORD outSize) { return VerLanguageNameA(language, out, outSize); }

unsigned systemUserLanguage() { return LOWORD(GetUserDefaultLCID()); }

const char *SetupIniPath() { return iniPath; }

void SetSetupIniPath(const char *path) { snprintf(iniPath, sizeof iniPath, "%s", path ? path : ""); }

int readSetupIni(SetupContext *context)
{
    char path[SETUP_TEXT_CHARS];
    if (!context->workFolder || !combinePath(context->workFolder, "Setup.INI", path, sizeof path))
        return 0;

    struct {
        const char *key;
        char *out;
        int size;
    } required[] = {
        {"Product", context->productName, sizeof context->productName},
        {"PackageName", context->packageName, sizeof context->packageName},
        {"MsiVersion", context->requiredEngineVersion, sizeof context->requiredEngineVersion},
    };
    for (auto &r : required) {
        readProfile("Startup", r.key, r.out, r.size, path);
        if (!r.out[0])
            return 0;
    }
    char enable[2];
    readProfile("Startup", "EnableLangDlg", enable, sizeof enable, path);
    if (!enable[0])
        return 0;
    context->languageDialogEnabled = ((enable[0] == 'Y' || enable[0] == 'y') && !silentMode) ? 1 : 0;

    char diskSpace[260];
    readProfile("Info", "DiskSpace", diskSpace, sizeof diskSpace, path);
    context->diskSpaceKb = diskSpace[0] ? leadingNumber(diskSpace) : DEFAULT_DISK_SPACE_KB;

    if (!context->packageProperties[0])
        readProfile("Startup", "CmdLine", context->packageProperties, sizeof context->packageProperties, path);
    if (context->installMode == Install)
        context->installMode = int(GetPrivateProfileIntA("Startup", "Mode", 0, path));
    return 1;
}

void languageSectionName(int language, char *out, size_t outSize)
{
    snprintf(out, outSize, "0x%04x", unsigned(language));
}

void readLanguageKey(int language, const char *key, char *out, int outSize)
{
    char section[16];
    languageSectionName(language, section, sizeof section);
    readProfile(section, key, out, outSize, iniPath);
}

bool readLanguageTitle(int language, char *out, int outSize)
{
    readLanguageKey(language, "Title", out, outSize);
    if (out[0])
        return true;
    char section[16];
    snprintf(section, sizeof section, "%04x", unsigned(language));
    readProfile(section, "Title", out, outSize, iniPath);
    return out[0] != '\0';
}

int LookupString(int id, char *buffer, int maximum)
{
    if (!buffer || maximum <= 0)
        return 0;
    buffer[0] = '\0';
    if (iniPath[0]) {
        char key[16];
        snprintf(key, sizeof key, "%u", unsigned(id));
        char text[SETUP_INI_TEXT_CHARS];
        readLanguageKey(currentLanguage, key, text, sizeof text);
        if (text[0]) {
            snprintf(buffer, size_t(maximum), "%s", text);
            return int(strlen(buffer));
        }
    }
    int n = LoadStringA(SetupInstance(), UINT(id), buffer, maximum);
    if (n <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return n;
}

int LookupFormat(int id, char *buffer, int maximum)
{
    int n = LookupString(id, buffer, maximum);
    if (formatMatches(buffer, formatKindsForId(id)))
        return n;
    n = LoadStringA(SetupInstance(), UINT(id), buffer, maximum);
    if (n <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return n;
}

int readLanguageList(unsigned count)
{
    freeLanguageList();
    if (count == 0 || count > MAX_LANGUAGES)
        return LANGUAGE_NO_MEMORY;
    uint32_t *entries = static_cast<uint32_t *>(calloc(count, sizeof(uint32_t)));
    if (!entries)
        return LANGUAGE_NO_MEMORY;
    for (unsigned i = 0; i < count; ++i) {
        char key[32], value[LANGUAGE_ID_CHARS];
        snprintf(key, sizeof key, "%s%d", "key", int(i));
        readProfile("Languages", key, value, sizeof value, iniPath);
        if (!value[0]) {
            free(entries);
            return LANGUAGE_KEY_MISSING;
        }
        entries[i] = readHex(value);
    }
    g_languages.entries = entries;
    g_languages.count = count;
    return LANGUAGE_OK;
}

void freeLanguageList()
{
    free(g_languages.entries);
    g_languages.entries = NULL;
    g_languages.count = 0;
}

bool languageListed(uint32_t language)
{
    for (unsigned i = 0; i < g_languages.count; ++i)
        if (g_languages.entries[i] == language)
            return true;
    return false;
}

uint32_t bestPrimaryMatch(uint32_t primary)
{
    uint32_t best = 0;
    bool found = false;
    for (unsigned i = 0; i < g_languages.count; ++i) {
        uint32_t entry = g_languages.entries[i];
        if ((entry & 0x3FF) != primary)
            continue;
        if (!found) {
            best = entry;
            found = true;
        } else if (((entry >> 10) & 0x3F) == 1) {
            best = entry;
        }
    }
    return best;
}

void languageDisplayName(int language, char *out, int outSize)
{
    out[0] = '\0';
    g_pfnLanguageName(DWORD(language), out, DWORD(outSize));
    char unrecognised[260] = {0};
    g_pfnLanguageName(UNRECOGNISED_LANGUAGE, unrecognised, sizeof unrecognised);
    if (lstrcmpiA(out, unrecognised) == 0 && language < 0x400) {
        out[0] = '\0';
        g_pfnLanguageName(DWORD(language | 0x400), out, DWORD(outSize));
    }
}

unsigned readLanguagesCount() { return iniPath[0] ? GetPrivateProfileIntA("Languages", "Count", 0, iniPath) : 0; }

bool readDefaultLanguage(int *language)
{
    char value[LANGUAGE_ID_CHARS];
    readProfile("Languages", "Default", value, sizeof value, iniPath);
    if (!value[0])
        return false;
    *language = int(readHex(value));
    return true;
}
