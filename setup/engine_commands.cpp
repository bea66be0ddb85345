#include "engine_commands.h"

#include <ctype.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>

namespace {

const char PACKAGE_RUNNER[] = "MSIEXEC.EXE";
const char TRANSFORMS_QUOTED[] = "TRANSFORMS=\"";
const char TRANSFORMS[] = "TRANSFORMS=";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Up to four parts as "%u.%u.%u.%u" reads them: blanks before a number are
// skipped, a part without digits or a missing point ends the reading, and a
// number too large for 32 bits stays at the largest value.
void readVersion(const char *text, unsigned parts[4])
{
    for (int i = 0; i < 4; ++i)
        parts[i] = 0;
    const char *p = text;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*p != '.')
                return;
            ++p;
        }
        while (isBlank(*p))
            ++p;
        if (!isDigit(*p))
            return;
        unsigned long long value = 0;
        for (; isDigit(*p); ++p) {
            value = value * 10 + unsigned(*p - '0');
            if (value > UINT_MAX)
                value = UINT_MAX;
        }
        parts[i] = unsigned(value);
    }
}

// snprintf that reports whether the whole text fitted; out is empty otherwise.
bool formatted(char *out, size_t size, int n)
{
    if (n < 0 || size_t(n) >= size) {
        if (size > 0)
            out[0] = '\0';
        return false;
    }
    return true;
}

bool append(char *out, size_t size, size_t *used, const char *text, size_t length)
{
    if (*used + length >= size)
        return false;
    memcpy(out + *used, text, length);
    *used += length;
    out[*used] = '\0';
    return true;
}

bool appendRepeated(char *out, size_t size, size_t *used, char c, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (!append(out, size, used, &c, 1))
            return false;
    return true;
}

// The first occurrence of pattern in text that starts the text or follows a
// blank, so that a property whose name merely ends in TRANSFORMS is not taken.
const char *findProperty(const char *text, const char *pattern)
{
    for (const char *p = strstr(text, pattern); p; p = strstr(p + 1, pattern))
        if (p == text || isBlank(p[-1]))
            return p;
    return NULL;
}

struct ModeForm {
    int mode;
    const char *format;
    bool options; // the operation letter takes the option letters
};

// The command of each msiexec operation; the last line serves every other mode.
// clang-format off
const ModeForm MODE_FORMS[] = {
    {Administrative, "%s /a \"%s\"%s", false},
    {Repair, "%s /f%s \"%s\" %s", true},
    {Advertise, "%s /j%s \"%s\" %s", true},
    {Uninstall, "%s /x \"%s\" %s", false},
    {Patch, "%s /p \"%s\" %s", false},
    {Install, "%s /i \"%s\" %s", false},
};
// clang-format on

} // namespace

int CompareVersions(const char *a, const char *b)
{
    if (!a || !b)
        return 0;
    unsigned left[4], right[4];
    readVersion(a, left);
    readVersion(b, right);
    for (int i = 0; i < 4; ++i) {
        if (left[i] < right[i])
            return 1;
        if (left[i] > right[i])
            return -1;
    }
    return 0;
}

void describePlatform(const SystemVersion &version, PlatformRecord *record)
{
    record->platform = PLATFORM_WIN9X;
    record->osVersion[0] = '\0';
    record->osSupported = 0;
    if (!version.known)
        return;
    switch (version.platformId) {
    case 0: record->platform = PLATFORM_WIN32S; break;
    case 1:
        snprintf(record->osVersion, sizeof record->osVersion, "%u.%u", version.major, version.minor);
        record->osSupported = 1;
        break;
    case 2:
        switch (version.architecture & 0xFFFF) {
        case 1: record->platform = PLATFORM_NT_MIPS; break;
        case 2: record->platform = PLATFORM_NT_ALPHA; break;
        case 3: record->platform = PLATFORM_NT_PPC; break;
        default: record->platform = PLATFORM_NT_X86; break;
        }
        record->osSupported = version.major >= 4;
        snprintf(record->osVersion, sizeof record->osVersion, "%u.%u", version.major, version.minor);
        break;
    default: break;
    }
}

bool isWindowsNT(PlatformCode platform) { return platform >= PLATFORM_NT_X86 && platform <= PLATFORM_NT_PPC; }

const char *engineInstallerName(PlatformCode platform)
{
    if (platform == PLATFORM_WIN9X)
        return "INSTMSIA.EXE";
    if (isWindowsNT(platform))
        return "INSTMSIW.EXE";
    return NULL;
}

void majorMinor(const char *version, char *out, size_t size)
{
    unsigned parts[4];
    readVersion(version ? version : "", parts);
    snprintf(out, size, "%u.%u", parts[0], parts[1]);
}

void driveOf(const char *path, char *out, size_t size)
{
    char c = path[0];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (letter && path[1] == ':')
        snprintf(out, size, "%c:\\", c);
    else
        snprintf(out, size, "%s", path);
}

bool packageProperties(const char *properties, unsigned languageCount, int locationsFromCommandLine,
                       const char *transformName, char *out, size_t size)
{
    if (languageCount <= 1 || locationsFromCommandLine)
        return formatted(out, size, snprintf(out, size, "%s", properties));

    const char *pattern = TRANSFORMS_QUOTED;
    const char *at = findProperty(properties, pattern);
    if (!at) {
        pattern = TRANSFORMS;
        at = findProperty(properties, pattern);
    }
    if (!at)
        return formatted(out, size, snprintf(out, size, "%s TRANSFORMS=\"%s\"", properties, transformName));
    size_t length = strlen(pattern);
    return formatted(
        out, size,
        snprintf(out, size, "%.*s%s%s;%s", int(at - properties), properties, pattern, transformName, at + length));
}

namespace {

// A word of the properties that sets msiexec's user-interface level: /q with
// any letters after it, or /passive; '-' serves as well as '/'.
bool choosesInterfaceLevel(const char *properties)
{
    for (const char *p = properties; *p; p++) {
        if ((*p != '/' && *p != '-') || (p != properties && !isBlank(p[-1])))
            continue;
        size_t length = 1;
        while (p[length] && !isBlank(p[length]))
            length++;
        const char *word = p + 1;
        const size_t letters = length - 1;
        if (letters > 0 && tolower((unsigned char)word[0]) == 'q')
            return true;
        static const char passive[] = "passive";
        size_t same = 0;
        while (same < letters && passive[same] && tolower((unsigned char)word[same]) == passive[same])
            same++;
        if (same == letters && same == sizeof passive - 1)
            return true;
    }
    return false;
}

} // namespace

bool silentProperties(const char *properties, bool silent, char *out, size_t size)
{
    if (!silent || choosesInterfaceLevel(properties))
        return formatted(out, size, snprintf(out, size, "%s", properties));
    return formatted(out, size, snprintf(out, size, "%s /qn", properties));
}

bool packageCommand(int installMode, const char *modeOptions, const char *packagePath, const char *properties,
                    char *out, size_t size)
{
    const ModeForm *form = &MODE_FORMS[sizeof MODE_FORMS / sizeof MODE_FORMS[0] - 1];
    for (const ModeForm &f : MODE_FORMS)
        if (f.mode == installMode) {
            form = &f;
            break;
        }
    int n = form->options ? snprintf(out, size, form->format, PACKAGE_RUNNER, modeOptions, packagePath, properties)
                          : snprintf(out, size, form->format, PACKAGE_RUNNER, packagePath, properties);
    return formatted(out, size, n);
}

bool engineCommand(const char *path, char *out, size_t size)
{
    return formatted(out, size, snprintf(out, size, "\"%s\" /q", path));
}

bool appendQuotedArgument(const char *text, char *out, size_t size)
{
    size_t start = strlen(out);
    size_t used = start;
    size_t backslashes = 0;
    bool ok = append(out, size, &used, "\"", 1);
    for (const char *p = text; ok && *p; ++p) {
        if (*p == '\\') {
            ++backslashes;
            continue;
        }
        if (*p == '"')
            ok = appendRepeated(out, size, &used, '\\', 2 * backslashes + 1);
        else
            ok = appendRepeated(out, size, &used, '\\', backslashes);
        ok = ok && append(out, size, &used, p, 1);
        backslashes = 0;
    }
    ok = ok && appendRepeated(out, size, &used, '\\', 2 * backslashes) && append(out, size, &used, "\"", 1);
    if (!ok)
        out[start] = '\0';
    return ok;
}

bool runOnceValue(const char *ownPath, const char *workFolder, const char *packageName, const char *properties,
                  bool temporary, char *out, size_t size)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    size_t used = 0;
    bool ok = appendQuotedArgument(ownPath, out, size);
    used = strlen(out);
    ok = ok && (temporary ? append(out, size, &used, " /k /t", 6) : append(out, size, &used, " /t", 3));
    ok = ok && appendQuotedArgument(workFolder, out, size);
    used = strlen(out);
    ok = ok && append(out, size, &used, " /m", 3) && appendQuotedArgument(packageName, out, size);
    used = strlen(out);
    ok = ok && (temporary ? append(out, size, &used, " /w /v", 6) : append(out, size, &used, " /v", 3));
    ok = ok && appendQuotedArgument(properties, out, size);
    used = strlen(out);
    // The tail: "/c" when the relaunched copy is to delete the extracted files.
    ok = ok && (temporary ? append(out, size, &used, " /c", 3) : append(out, size, &used, " ", 1));
    if (!ok)
        out[0] = '\0';
    return ok;
}
