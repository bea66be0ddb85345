#include "shell/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    return RunPlayer(instance, commandLine, showCommand);
}
