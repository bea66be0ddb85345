// The path rules that ask the system.
#include <windows.h>

#include <string.h>
#include <string>

#include "paths.h"

const char *PathNextChar(const char *p) { return CharNextA(p); }

bool createPath(const char *path)
{
    std::string text(path);
    text += '\\';
    for (const char *p = text.c_str(); *p; p = CharNextA(p)) {
        if (*p != '\\' || p == text.c_str())
            continue;
        std::string folder(text.c_str(), size_t(p - text.c_str()));
        if (folder.size() == 2 && folder[1] == ':')
            continue; // a drive, not a folder
        if (!CreateDirectoryA(folder.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

bool fileExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool folderExists(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
