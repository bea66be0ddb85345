#include "shell/quick_switches.h"

#include "diagnostics/log.h"
#include "engine/playback.h"
#include "engine/records.h"

#include <stdio.h>

namespace {

const char PROGRAM_TITLE[] = "Parallaxia";

void Announce(const char *setting, const SettingValue &chosen)
{
    LogFormat("Quick switch: %s %s\n", setting, chosen.name);
    char title[128];
    snprintf(title, sizeof title, "%s - %s", PROGRAM_TITLE, chosen.switchTitle);
    SetWindowTextA(ghWnd, title);
    SetTimer(ghWnd, TITLE_TIMER, TITLE_SHOWN_MS, NULL);
    if (movie.state != Uninitialized)
        RestoreSurface();
}

} // namespace

void SwapEyesCommand()
{
    const SettingValue &chosen = NextSwitchValue(Setting::Eyes, movie.EyeCodingFormat);
    movie.EyeCodingFormat = (EyeCodingFormat)chosen.number;
    Announce("EyeCodingFormat", chosen);
}

void NextOutputCommand()
{
    const SettingValue &chosen = NextSwitchValue(Setting::Output, output.OutputFormat);
    output.OutputFormat = (OutputFormat)chosen.number;
    Announce("OutputFormat", chosen);
}

void NextCodingCommand()
{
    const SettingValue &chosen = NextSwitchValue(Setting::Coding, movie.StereoCodingFormat);
    movie.StereoCodingFormat = (StereoCodingFormat)chosen.number;
    Announce("StereoCodingFormat", chosen);
}

void RestoreTitle(HWND window)
{
    KillTimer(window, TITLE_TIMER);
    SetWindowTextA(window, PROGRAM_TITLE);
}
