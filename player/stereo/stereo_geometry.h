// Rectangle arithmetic of the stereo routines: where the two views lie in a
// frame, which screen rows each eye gets, and which frame rows feed each pair of
// destination rows. No platform calls, so it also builds natively for the
// sanitizer and fuzzing runs.
#pragma once

#include <stdint.h>

#include "settings.h"

// Same layout as the platform's RECT: right and bottom are exclusive.
struct StereoRect {
    int32_t left, top, right, bottom;
};

inline bool operator==(const StereoRect &a, const StereoRect &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const StereoRect &a, const StereoRect &b) { return !(a == b); }

// The rectangles of the first and second view of a frame. Returns false (and
// leaves both untouched) for a coding outside the four.
bool StereoViewRectangles(StereoRect source, int32_t coding, StereoRect *left_rect, StereoRect *right_rect);

// The row parity rule: true when the view that comes first in the frame goes to
// the destination's top row (and every second row below it). The first view
// lands on odd screen rows for LEFT_TOP and on even rows otherwise. The parity
// is that of the screen row itself, also for a top above the screen (negative).
bool FirstViewOnTopRow(int32_t destinationTop, int32_t eyeCoding);

// Horizontal disparity of the synthetic stereo pair, in source pixels:
// trunc(W * ((S * 0.06) * 0.01)) with the strength taken as unsigned, held to
// 0 .. W-1 so that both crops keep at least one column.
int32_t SyntheticShift(int32_t width, int32_t strength);

// Band of work-surface rows that frame row pair i (rows 2i, 2i+1 of a frame of
// `frameHeight` rows) is stretched over, for a work picture `height` rows high:
// rows (2i*height)/frameHeight .. (2(i+1)*height)/frameHeight, cut at `height`.
void FieldBand(int32_t i, int32_t frameHeight, int32_t height, int32_t *top, int32_t *bottom);

// Frame row of the second field (odd rows) for the wanted row, kept inside the
// frame: past the last row it falls back to the last odd row (row 0 for a
// frame of one row).
int32_t SecondFieldRow(int32_t row, int32_t frameHeight);

// The line routines: one pair of destination rows per step, each fed by one
// source row of each view.
enum LineKind {
    LINES_SHIFTED_AB,
    LINES_PURE_AB,
    LINES_PURE_LR,
    LINES_PURE_INTERLACED,
    LINES_2D_TO_3D,
};

// Everything a line routine decides once per frame.
struct LinePlan {
    LineKind kind;
    StereoRect source;
    int32_t destinationHeight; // D
    double lowerStart;         // first row of the lower view (SHIFTED_AB, PURE_AB)
    double upperScale;         // 0.475 or 0.5
    int32_t half;              // PURE_LR: (R - L) / 2
    int32_t shift;             // 2D to 3D
};

LinePlan MakeLinePlan(LineKind kind, StereoRect source, int32_t destinationHeight, int32_t strength);

// Source rows of the first and second view for the pair whose running sum is
// t = k * B (k the pair's offset from the destination top).
void LinePairSources(const LinePlan &plan, int64_t t, StereoRect *first, StereoRect *second);

// The work rectangle {0, 0, w, h} for a destination, held inside a work surface
// of the given size (a size of 0 or below means "unknown": not limited); sizes
// below zero count as zero.
StereoRect WorkRectangle(StereoRect destination, int32_t surfaceWidth, int32_t surfaceHeight);
