// Entry point of setup.exe.
#include <windows.h>

#include <stdlib.h>

#include "launcher.h"
#include "system_dlls.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandText, int)
{
    restrictDllSearch();
    SetSetupInstance(instance);
    return launcherMain(instance, __argc, __argv, commandText);
}
