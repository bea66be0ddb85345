#include "system_dlls.h"

#include <stdio.h>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32; named here for older headers.
const DWORD SEARCH_SYSTEM_FOLDER = 0x00000800;

bool g_searchFlagsKnown; // the system takes LOAD_LIBRARY_SEARCH_* flags

template <typename F> F exported(HMODULE module, const char *name)
{
    return module ? reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(module, name))) : NULL;
}

struct VersionFunctions {
    typedef DWORD(WINAPI *Size)(LPCSTR, LPDWORD);
    typedef BOOL(WINAPI *Info)(LPCSTR, DWORD, DWORD, LPVOID);
    typedef BOOL(WINAPI *Query)(LPCVOID, LPCSTR, LPVOID *, PUINT);
    bool loaded = false;
    Size size = NULL;
    Info info = NULL;
    Query query = NULL;
};

VersionFunctions &versionFunctions()
{
    static VersionFunctions functions;
    if (!functions.loaded) {
        functions.loaded = true;
        HMODULE version = loadSystemLibrary("VERSION.DLL");
        functions.size = exported<VersionFunctions::Size>(version, "GetFileVersionInfoSizeA");
        functions.info = exported<VersionFunctions::Info>(version, "GetFileVersionInfoA");
        functions.query = exported<VersionFunctions::Query>(version, "VerQueryValueA");
    }
    return functions;
}

} // namespace

void restrictDllSearch()
{
    typedef BOOL(WINAPI * SetDefault)(DWORD);
    typedef BOOL(WINAPI * SetDirectory)(LPCSTR);
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    // The current folder leaves the search as well (where the system knows how).
    if (SetDirectory setDirectory = exported<SetDirectory>(kernel, "SetDllDirectoryA"))
        setDirectory("");
    if (SetDefault setDefault = exported<SetDefault>(kernel, "SetDefaultDllDirectories"))
        g_searchFlagsKnown = setDefault(SEARCH_SYSTEM_FOLDER) != 0;
}

bool systemFilePath(const char *name, char *path, size_t size)
{
    char folder[MAX_PATH];
    UINT n = GetSystemDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) {
        if (size)
            path[0] = '\0';
        return false;
    }
    int written = snprintf(path, size, "%s\\%s", folder, name);
    return written > 0 && size_t(written) < size;
}

HMODULE loadSystemLibrary(const char *name)
{
    // By name with the search flag, so that the side-by-side version the
    // program's manifest names (Common Controls 6) is still found; by the full
    // path of the system folder where the system has no such flag.
    if (g_searchFlagsKnown)
        return LoadLibraryExA(name, NULL, SEARCH_SYSTEM_FOLDER);
    char path[MAX_PATH];
    if (!systemFilePath(name, path, sizeof path))
        return NULL;
    return LoadLibraryA(path);
}

DWORD systemFileVersionInfoSize(const char *file, DWORD *handle)
{
    VersionFunctions &f = versionFunctions();
    return f.size ? f.size(file, handle) : 0;
}

BOOL systemFileVersionInfo(const char *file, DWORD handle, DWORD size, void *data)
{
    VersionFunctions &f = versionFunctions();
    return f.info ? f.info(file, handle, size, data) : FALSE;
}

BOOL systemVerQueryValue(const void *block, const char *subBlock, void **buffer, UINT *length)
{
    VersionFunctions &f = versionFunctions();
    return f.query ? f.query(block, subBlock, buffer, length) : FALSE;
}
