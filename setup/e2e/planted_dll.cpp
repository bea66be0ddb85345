// A library planted beside setup.exe under the names the launcher or the
// system libraries it uses could load: when it is loaded, it leaves a marker
// file next to itself (its own path followed by ".loaded"). Its version
// information says 99.0.0.0, so that as Msi.DLL it would pass for any engine.
#include <windows.h>

#include <stdio.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
        char marker[MAX_PATH + 16];
        if (n > 0 && n < MAX_PATH) {
            snprintf(marker, sizeof marker, "%s.loaded", path);
            HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    return TRUE;
}
