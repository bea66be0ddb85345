// The processor compositor: draws any stereo output from any frame packing in
// one pass over the movie area, reading the frame's pixels and writing every
// pixel of the area once.
//
// One packing table says where each view lies in a frame; one row kernel per
// output decides which view every destination pixel takes, by its absolute
// screen row and column, so moving the window by a row or a column never swaps
// the eyes. Scaling goes through source-index tables built by Configure (when
// the movie or the movie area changes), never per frame; bilinear sampling
// blends only inside one view. Pixels are 32-bit B, G, R, X in memory order.
//
// No platform calls, so it builds natively for the sanitizer, unit and fuzzing
// runs. Compose allocates nothing.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

// How the two views are packed in a frame.
enum ComposeCoding : int32_t {
    COMPOSE_SHIFTED_AB,      // above/below with a band of 5 % of the height between them
    COMPOSE_PURE_AB,         // above/below (the second view starts one row below the middle)
    COMPOSE_PURE_LR,         // side by side, full-size views (the second starts one column right of the middle)
    COMPOSE_PURE_INTERLACED, // first view on even rows, second on odd rows
    COMPOSE_SBS_HALF,        // side by side, each view squeezed to half the width
    COMPOSE_AB_HALF,         // above/below, each view squeezed to half the height
    COMPOSE_2D,              // one picture; a synthetic pair when the strength is above 0
    COMPOSE_CODING_COUNT
};

enum ComposeOutput : int32_t {
    COMPOSE_ROWS,        // line-interlaced: left eye on odd screen rows
    COMPOSE_PLAIN,       // the whole frame as it is
    COMPOSE_FIRST_VIEW,  // the view that comes first in the frame, over the whole area
    COMPOSE_SECOND_VIEW, // the other view
    COMPOSE_ANAGLYPH_RC_DUBOIS,
    COMPOSE_ANAGLYPH_RC_HALF,
    COMPOSE_ANAGLYPH_RC_COLOUR,
    COMPOSE_ANAGLYPH_RC_GREY,
    COMPOSE_ANAGLYPH_GM_DUBOIS,
    COMPOSE_ANAGLYPH_YB_DUBOIS,
    COMPOSE_COLUMNS,      // left eye on odd screen columns
    COMPOSE_CHECKERBOARD, // left eye where screen column + row is odd
    COMPOSE_SBS_FULL,     // left eye in the left half, right eye in the right half, each keeping its shape
    COMPOSE_SBS_HALF_OUT, // each eye squeezed into its half (3D TVs' side-by-side input)
    COMPOSE_AB_FULL,      // left eye above, right eye below, each keeping its shape
    COMPOSE_AB_HALF_OUT,  // each eye squeezed into its half (3D TVs' top-and-bottom input)
    COMPOSE_OUTPUT_COUNT
};

enum ComposeSampling : int32_t { COMPOSE_NEAREST, COMPOSE_BILINEAR };

// Where a coding puts its views: one record per coding.
enum PackingSplit : uint8_t {
    SPLIT_NONE,        // one picture (both views are crops of it)
    SPLIT_COLUMNS,     // first view left, second right
    SPLIT_ROWS,        // first view above, second below
    SPLIT_BANDED_ROWS, // above/below with a band of 5 % between
    SPLIT_LINES,       // alternate rows
};

struct PackingRecord {
    ComposeCoding coding;
    const char *name;
    PackingSplit split;
    uint8_t seam;          // frame rows or columns skipped before the second view
    uint8_t fullSizeViews; // 1: a view shows at its own size; 0: at the size of the whole frame
};

// The packing table (indexed by ComposeCoding).
extern const PackingRecord kPackingTable[COMPOSE_CODING_COUNT];

// A view inside the frame: rows top, top + rowStep, ... (height of them),
// columns left .. left + width - 1.
struct ComposeView {
    int32_t left, top, width, height, rowStep;
};

// The two views of a frame of the given size; `shift` is the synthetic
// disparity for COMPOSE_2D (0 gives two copies of the whole frame). Returns
// false when the frame is too small to hold both views.
bool ComposeViews(ComposeCoding coding, int32_t frameWidth, int32_t frameHeight, int32_t shift, ComposeView views[2]);

// The anaglyph matrices: rows are the output's red, green and blue; columns
// the left eye's red, green, blue, then the right eye's. Fixed point, 1.0 = 16384.
struct AnaglyphMatrix {
    int16_t k[3][6];
};
const AnaglyphMatrix &AnaglyphFor(ComposeOutput output);

// One pixel of the reference arithmetic (the kernels' tails use it too).
uint32_t BlendPixel(uint32_t a, uint32_t b, uint32_t w);
uint32_t AnaglyphPixel(uint32_t left, uint32_t right, const AnaglyphMatrix &m);

// Per-pixel building blocks of the row kernels; one set per instruction set.
// All sets give the same bytes.
struct ComposeKernels {
    const char *name;
    // out = (a * (256 - w) + b * w + 128) >> 8 per byte, w in 0..255.
    void (*blendRows)(uint32_t *out, const uint32_t *a, const uint32_t *b, uint32_t w, int32_t n);
    // out[i] = row[x0[i]]
    void (*gatherNearest)(uint32_t *out, const uint32_t *row, const int32_t *x0, int32_t n);
    // out[i] = blend of row[x0[i]] and row[x1[i]] by w[i]
    void (*gatherBilinear)(uint32_t *out, const uint32_t *row, const int32_t *x0, const int32_t *x1, const uint16_t *w,
                           int32_t n);
    // out[i] = ((i + phase) & 1) ? b[i] : a[i]
    void (*alternate)(uint32_t *out, const uint32_t *a, const uint32_t *b, int32_t phase, int32_t n);
    // out = the matrix applied to the left and right pixels, X byte 0.
    void (*anaglyph)(uint32_t *out, const uint32_t *left, const uint32_t *right, const AnaglyphMatrix &m, int32_t n);
};

const ComposeKernels &ComposeKernelsC();
const ComposeKernels &ComposeKernelsSSE2();
// Null when the processor (or the build) lacks AVX2.
const ComposeKernels *ComposeKernelsAVX2();
// The fastest set this processor runs.
const ComposeKernels &ComposeKernelsBest();

struct ComposeSettings {
    ComposeCoding coding;
    ComposeOutput output;
    ComposeSampling sampling;
    int32_t frameWidth, frameHeight; // the frame's size in pixels
    int32_t areaWidth, areaHeight;   // the movie area's size
    bool leftFirst;                  // the first view is the left eye
    int32_t shift;                   // synthetic disparity for COMPOSE_2D, in source pixels
};

struct ComposeFrame {
    const uint8_t *pixels; // top-left pixel of the frame
    int32_t pitch;         // bytes from one row to the next
    int32_t width, height;
};

struct ComposeTarget {
    uint8_t *pixels; // top-left pixel of the movie area's picture
    int32_t pitch;
    int32_t width, height;
};

class Compositor {
public:
    Compositor();
    explicit Compositor(const ComposeKernels &kernels);

    // Builds the index tables for a movie and an area; allocates only when a
    // table has to grow. False (and nothing configured) for sizes outside
    // 1..16384, an unknown coding or output, or a frame too small for its views.
    bool Configure(const ComposeSettings &settings);
    bool Configured() const { return configured; }
    const ComposeSettings &Settings() const { return settings; }

    // Draws one frame into the target. screenX, screenY: the absolute screen
    // position of the target's top-left pixel (the parity of rows and columns).
    // False, with nothing written, when the frame or target does not match the
    // configured sizes or a pitch is too small.
    bool Compose(const ComposeFrame &frame, const ComposeTarget &target, int32_t screenX, int32_t screenY);

    // The views in use (after Configure).
    const ComposeView &View(int v) const { return views[v]; }

private:
    // One view drawn into a rectangle of the area.
    struct Placement {
        int32_t x0, x1, y0, y1; // destination rectangle (exclusive ends)
        int32_t viewLeft, viewWidth;
        std::vector<int32_t> srcX0, srcX1; // per destination column, relative to the view's left
        std::vector<uint16_t> wx;
        std::vector<int32_t> srcY0, srcY1; // per destination row, absolute frame rows
        std::vector<uint16_t> wy;
        bool identityX; // columns map one to one
    };

    void BuildPlacement(Placement &p, const ComposeView &view, int32_t x0, int32_t x1, int32_t y0, int32_t y1);
    // Resamples row y (relative to the placement's top) of the view horizontally into out.
    void ViewRow(const ComposeFrame &frame, const Placement &p, int32_t y, uint32_t *out, int scratch);

    const ComposeKernels *k;
    ComposeSettings settings;
    bool configured;
    ComposeView views[2];
    Placement placements[2];
    std::vector<uint32_t> verticalRow[2]; // a view row blended from two frame rows
    std::vector<uint32_t> viewRow[2];     // a view row at the area's width
};

// Converts a row of 24-bit B, G, R pixels (or 16-bit 5-6-5 / 5-5-5) to 32-bit
// pixels, and 32-bit pixels back to 24-bit.
void ConvertRow24To32(uint32_t *out, const uint8_t *in, int32_t n);
void ConvertRow565To32(uint32_t *out, const uint8_t *in, int32_t n);
void ConvertRow555To32(uint32_t *out, const uint8_t *in, int32_t n);
void ConvertRow32To24(uint8_t *out, const uint32_t *in, int32_t n);
