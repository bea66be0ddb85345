// Applying a movie configuration file to the player records.
#pragma once

#include "config/mcf.h"
#include "engine/records.h"

// Reads the file named by movie.szFileName into mcfLines, validates it and, when
// it is valid, applies it: the movie's path or address and source, its name,
// author and category, stereo coding, output size, output format and strength;
// movie.bMCF becomes 1. Nothing changes when the file cannot be read or is
// invalid; a caller that set movie.source to No_source sees success by its change.
void SetupFromMCF(MovieRecord &movie, OutputRecord &output, StateRecord &state);

// A movie opened without an MCF: a stereo marker in its file name (such as
// "Movie.HSBS.mkv") sets movie.StereoCodingFormat and movie.EyeCodingFormat for
// this movie only, with one log line; the stored settings do not change.
// Does nothing while that is turned off in the panel.
void ApplyLayoutFromName(MovieRecord &movie);

// Whether a file name's marker is used: read from the settings store on first
// use, then as the panel's OK last set it.
bool LayoutFromNameEnabled();
void SetLayoutFromNameEnabled(bool on);
