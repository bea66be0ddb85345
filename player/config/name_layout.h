// The stereo layout a movie's file name announces: most 3D movies carry a
// marker such as "HSBS" or "TAB" as a word of their name ("Movie.HSBS.mkv",
// "Clip_TAB.mp4"). Free of Windows calls, so it builds natively as well.
#pragma once

#include <stddef.h>

enum class NamePacking { None, SideBySide, AboveBelow };

struct NameLayout {
    NamePacking packing = NamePacking::None;
    bool rightFirst = false; // the first view (left half, upper half) is the right eye
    char marker[32] = {};    // the marker as the name spells it, such as "Half-SBS"
};

// Looks for the first marker in the last component of a path. A marker is a
// whole word, letter case ignored, between the name's start or end and the
// separators dot, blank, dash, underscore and brackets:
//   side by side:  SBS, HSBS, Half-SBS, LR (left eye first), RL (right eye first)
//   above/below:   TAB, HTAB, Half-TAB, OU, HOU, Half-OU, AB (left eye first), BA (right eye first)
NameLayout FindLayoutInName(const char *path);
