#include "shell/quick_switches.h"

#include "diagnostics/log.h"
#include "engine/playback.h"
#include "engine/records.h"

#include <stdio.h>

namespace {

const char PROGRAM_TITLE[] = "Parallaxia";

struct Named {
    int value;
    const char *name;  // as the log and the MCF spell it
    const char *shown; // in the title
};

const Named OUTPUTS[] = {
    {OUTPUT_NO_STEREO, "OUTPUT_NO_STEREO", "Output: plain 2D"},
    {OUTPUT_PURE_INTERLACED, "OUTPUT_PURE_INTERLACED", "Output: line-interlaced stereo"},
    {OUTPUT_2D_TO_3D, "OUTPUT_2D_TO_3D", "Output: 2D to 3D"},
    {OUTPUT_3D_TO_2D, "OUTPUT_3D_TO_2D", "Output: 3D to 2D (one view)"},
};

const Named CODINGS[] = {
    {SHIFTED_AB, "SHIFTED_AB", "Input: above/below with band"},
    {PURE_AB, "PURE_AB", "Input: above/below"},
    {PURE_LR, "PURE_LR", "Input: side by side"},
    {PURE_INTERLACED, "PURE_INTERLACED", "Input: interlaced lines"},
};

const Named EYES[] = {
    {LEFT_TOP, "LEFT_TOP", "Eyes: left view first"},
    {RIGHT_TOP, "RIGHT_TOP", "Eyes: right view first"},
};

// The entry after `value` (the first one when value is none of them).
template <size_t N> const Named &Next(const Named (&list)[N], int value)
{
    for (size_t i = 0; i < N; i++) {
        if (list[i].value == value)
            return list[(i + 1) % N];
    }
    return list[0];
}

void Announce(const char *setting, const Named &chosen)
{
    LogFormat("Quick switch: %s %s\n", setting, chosen.name);
    char title[128];
    snprintf(title, sizeof title, "%s - %s", PROGRAM_TITLE, chosen.shown);
    SetWindowTextA(ghWnd, title);
    SetTimer(ghWnd, TITLE_TIMER, TITLE_SHOWN_MS, NULL);
    if (movie.state != Uninitialized)
        RestoreSurface();
}

} // namespace

void SwapEyesCommand()
{
    const Named &chosen = Next(EYES, movie.EyeCodingFormat);
    movie.EyeCodingFormat = (EyeCodingFormat)chosen.value;
    Announce("EyeCodingFormat", chosen);
}

void NextOutputCommand()
{
    const Named &chosen = Next(OUTPUTS, output.OutputFormat);
    output.OutputFormat = (OutputFormat)chosen.value;
    Announce("OutputFormat", chosen);
}

void NextCodingCommand()
{
    const Named &chosen = Next(CODINGS, movie.StereoCodingFormat);
    movie.StereoCodingFormat = (StereoCodingFormat)chosen.value;
    Announce("StereoCodingFormat", chosen);
}

void RestoreTitle(HWND window)
{
    KillTimer(window, TITLE_TIMER);
    SetWindowTextA(window, PROGRAM_TITLE);
}
