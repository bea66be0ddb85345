// Entry point of setup.exe.
#include <windows.h>

#include <cstdlib>

#include "launcher.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandText, int)
{
    SetSetupInstance(instance);
    return launcherMain(instance, __argc, __argv, commandText);
}
