// The configuration panel: the five settings of the player, applied with OK,
// dropped with Cancel, written to the registry with Save.
#pragma once

#include "engine/records.h"

// The panel's working copy of the five settings, and of the check box that
// lets a file name's stereo marker set the layout.
struct PanelSettings {
    int32_t OutputFormat;
    int32_t StereoCodingFormat;
    int32_t EyeCodingFormat;
    int32_t VideomemoryMethod;
    int32_t StrenghtOf2Dto3DEffect;
    int32_t layoutFromName = 1;
};
extern PanelSettings panelSettings;
extern int bPanelAccepted;

void RunConfigurationPanel(HINSTANCE instance, HWND owner, MovieRecord &movie, OutputRecord &output,
                           StateRecord &state);
// Writes panelSettings to the user's keys. When they are not all kept for good
// the user is told in a box owned by owner (the main window when null).
void SaveConfiguration(HWND owner = NULL);

// Applies panelSettings to the records after the panel closed (step after the
// dialog; re-opens an open movie when the video-memory method changed).
void ApplyConfigurationPanel(MovieRecord &movie, OutputRecord &output);
