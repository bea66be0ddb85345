#include "paths.h"

#include <stdio.h>
#include <string.h>

namespace {

// The last character's start, or null for an empty text.
const char *lastChar(const char *text)
{
    const char *last = NULL;
    for (const char *p = text; *p; p = PathNextChar(p))
        last = p;
    return last;
}

const char *lastBackslash(const char *text)
{
    const char *found = NULL;
    for (const char *p = text; *p; p = PathNextChar(p))
        if (*p == '\\')
            found = p;
    return found;
}

void copyCut(char *out, size_t outSize, const char *from, size_t length)
{
    if (!out || outSize == 0)
        return;
    if (length > outSize - 1)
        length = outSize - 1;
    memcpy(out, from, length);
    out[length] = '\0';
}

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool isLetter(char c)
{
    c = upperAscii(c);
    return c >= 'A' && c <= 'Z';
}

// The digits that make COM and LPT names devices: 1 to 9 and the code page's
// superscript one, two and three, which the system takes as the same ports.
bool isPortDigit(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= '1' && u <= '9') || u == 0xB9 || u == 0xB2 || u == 0xB3;
}

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices even with an extension.
bool isDeviceName(const char *name)
{
    static const char *const names[] = {"CON", "PRN", "AUX", "NUL"};
    size_t stem = strcspn(name, ".");
    while (stem > 0 && name[stem - 1] == ' ')
        --stem;
    char upper[5] = {0};
    if (stem < 3 || stem > 4)
        return false;
    for (size_t i = 0; i < stem; ++i)
        upper[i] = upperAscii(name[i]);
    if (stem == 3) {
        for (const char *device : names)
            if (strcmp(upper, device) == 0)
                return true;
        return false;
    }
    return (strncmp(upper, "COM", 3) == 0 || strncmp(upper, "LPT", 3) == 0) && isPortDigit(upper[3]);
}

} // namespace

bool addBackslash(char *path, size_t size)
{
    const char *last = lastChar(path);
    if (last && *last == '\\')
        return true;
    size_t length = strlen(path);
    if (length + 2 > size)
        return false;
    path[length] = '\\';
    path[length + 1] = '\0';
    return true;
}

bool combinePath(const char *folder, const char *name, char *out, size_t outSize)
{
    if (outSize == 0)
        return false;
    const char *last = lastChar(folder);
    const char *separator = (last && *last == '\\') ? "" : "\\";
    int n = snprintf(out, outSize, "%s%s%s", folder, separator, name);
    if (n < 0 || size_t(n) >= outSize) {
        out[0] = '\0';
        return false;
    }
    return true;
}

void splitPath(const char *path, char *folder, size_t folderSize, char *name, size_t nameSize)
{
    const char *slash = lastBackslash(path);
    if (!slash) {
        copyCut(folder, folderSize, path, 0);
        copyCut(name, nameSize, path, strlen(path));
        return;
    }
    copyCut(folder, folderSize, path, size_t(slash - path));
    copyCut(name, nameSize, slash + 1, strlen(slash + 1));
}

bool isRootPath(const char *path)
{
    if (strcmp(path, "\\") == 0)
        return true;
    return isLetter(path[0]) && path[1] == ':' && path[2] == '\\' && path[3] == '\0';
}

bool isPlainFileName(const char *name)
{
    if (!name || !*name)
        return false;
    size_t length = strlen(name);
    if (length >= 260)
        return false;
    bool onlyDotsAndBlanks = true;
    for (const char *p = name; *p; p = PathNextChar(p)) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || c == '\\' || c == '/' || c == ':')
            return false;
        if (c != '.' && c != ' ')
            onlyDotsAndBlanks = false;
    }
    return !onlyDotsAndBlanks && !isDeviceName(name);
}

bool sameFileName(const char *a, const char *b)
{
    // The system drops trailing dots and blanks from a name it opens.
    size_t na = strlen(a), nb = strlen(b);
    while (na > 0 && (a[na - 1] == '.' || a[na - 1] == ' '))
        --na;
    while (nb > 0 && (b[nb - 1] == '.' || b[nb - 1] == ' '))
        --nb;
    if (na != nb)
        return false;
    for (size_t i = 0; i < na; ++i)
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    return true;
}

bool isWorkFolderName(const char *name)
{
    // "_pw" and the 1 to 4 hexadecimal digits of a unique temporary name.
    if (!name || upperAscii(name[0]) != '_' || upperAscii(name[1]) != 'P' || upperAscii(name[2]) != 'W')
        return false;
    size_t digits = 0;
    for (const char *p = name + 3; *p; ++p, ++digits) {
        char c = upperAscii(*p);
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return digits >= 1 && digits <= 4;
}

bool isWorkFolderPath(const char *path)
{
    char name[SETUP_PATH_NAME_CHARS];
    const char *slash = path ? lastBackslash(path) : NULL;
    if (!slash || slash[1] == '\0')
        return false;
    copyCut(name, sizeof name, slash + 1, strlen(slash + 1));
    return isWorkFolderName(name);
}

bool isDirectlyInside(const char *folder, const char *path)
{
    if (!folder || !path)
        return false;
    const char *slash = lastBackslash(path);
    if (!slash || !isPlainFileName(slash + 1))
        return false;
    size_t parent = size_t(slash - path);
    size_t length = strlen(folder);
    const char *last = lastChar(folder);
    if (last && *last == '\\')
        --length; // "C:\work\" names the same folder as "C:\work"
    if (parent != length)
        return false;
    for (size_t i = 0; i < length; ++i)
        if (upperAscii(folder[i]) != upperAscii(path[i]))
            return false;
    return true;
}
