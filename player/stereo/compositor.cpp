#include "stereo/compositor.h"

#include <string.h>

const PackingRecord kPackingTable[COMPOSE_CODING_COUNT] = {
    {COMPOSE_SHIFTED_AB, "shifted above/below", SPLIT_BANDED_ROWS, 0, 0},
    {COMPOSE_PURE_AB, "above/below", SPLIT_ROWS, 1, 0},
    {COMPOSE_PURE_LR, "side by side, full-size views", SPLIT_COLUMNS, 1, 1},
    {COMPOSE_PURE_INTERLACED, "interlaced", SPLIT_LINES, 0, 0},
    {COMPOSE_SBS_HALF, "side by side, half-size views", SPLIT_COLUMNS, 0, 0},
    {COMPOSE_AB_HALF, "above/below, half-size views", SPLIT_ROWS, 0, 0},
    {COMPOSE_2D, "2D", SPLIT_NONE, 0, 0},
};

namespace {

const int32_t MAX_SIDE = 16384;

// clang-format off
const AnaglyphMatrix kAnaglyphs[] = {
    // Red/cyan, Dubois least squares.
    {{{7473, 8200, 2890, -712, -1441, -25}, {-657, -620, -258, 6201, 12020, -302}, {-249, -337, -90, -1182, -1851, 20093}}},
    // Red/cyan, half colour: red from the left eye's luminance.
    {{{4899, 9617, 1868, 0, 0, 0}, {0, 0, 0, 0, 16384, 0}, {0, 0, 0, 0, 0, 16384}}},
    // Red/cyan, full colour.
    {{{16384, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 16384, 0}, {0, 0, 0, 0, 0, 16384}}},
    // Red/cyan, grey.
    {{{4899, 9617, 1868, 0, 0, 0}, {0, 0, 0, 4899, 9617, 1868}, {0, 0, 0, 4899, 9617, 1868}}},
    // Green/magenta, Dubois.
    {{{-1016, -2589, -639, 8667, 11551, 393}, {4653, 10945, 2343, -262, -246, -1065}, {-246, -442, 344, 147, 1229, 15352}}},
    // Amber/blue, Dubois.
    {{{17400, -3359, 4899, -262, -2015, -279}, {-426, 14877, 1114, 98, 1016, -279}, {-623, -2834, 360, 1540, 3031, 14926}}},
};
// clang-format on

bool IsAnaglyph(ComposeOutput output)
{
    return output >= COMPOSE_ANAGLYPH_RC_DUBOIS && output <= COMPOSE_ANAGLYPH_YB_DUBOIS;
}

// --- The reference kernels -------------------------------------------------

void BlendRowsC(uint32_t *out, const uint32_t *a, const uint32_t *b, uint32_t w, int32_t n)
{
    for (int32_t i = 0; i < n; i++)
        out[i] = BlendPixel(a[i], b[i], w);
}

void GatherNearestC(uint32_t *out, const uint32_t *row, const int32_t *x0, int32_t n)
{
    for (int32_t i = 0; i < n; i++)
        out[i] = row[x0[i]];
}

void GatherBilinearC(uint32_t *out, const uint32_t *row, const int32_t *x0, const int32_t *x1, const uint16_t *w,
                     int32_t n)
{
    for (int32_t i = 0; i < n; i++)
        out[i] = BlendPixel(row[x0[i]], row[x1[i]], w[i]);
}

void AlternateC(uint32_t *out, const uint32_t *a, const uint32_t *b, int32_t phase, int32_t n)
{
    for (int32_t i = 0; i < n; i++)
        out[i] = ((i + phase) & 1) ? b[i] : a[i];
}

void AnaglyphC(uint32_t *out, const uint32_t *left, const uint32_t *right, const AnaglyphMatrix &m, int32_t n)
{
    for (int32_t i = 0; i < n; i++)
        out[i] = AnaglyphPixel(left[i], right[i], m);
}

const ComposeKernels kKernelsC = {"C", BlendRowsC, GatherNearestC, GatherBilinearC, AlternateC, AnaglyphC};

// Source position of destination index d when `count` destination pixels cover
// `size` source pixels: nearest takes the pixel under the destination pixel's
// centre; bilinear the two around it and the fraction (of 256) of the second.
void SourceIndex(ComposeSampling sampling, int32_t d, int32_t count, int32_t size, int32_t *i0, int32_t *i1,
                 uint16_t *w)
{
    const int64_t centre = (2 * (int64_t)d + 1) * size; // in halves of a destination pixel, times count
    if (sampling == COMPOSE_NEAREST) {
        int64_t s = centre / (2 * (int64_t)count);
        if (s > size - 1)
            s = size - 1;
        *i0 = *i1 = (int32_t)s;
        *w = 0;
        return;
    }
    int64_t p = (centre * 256) / (2 * (int64_t)count) - 128; // in 1/256 source pixels
    if (p < 0)
        p = 0;
    int64_t s = p >> 8;
    int64_t f = p & 255;
    if (s >= size - 1) {
        s = size - 1;
        f = 0;
    }
    *i0 = (int32_t)s;
    *i1 = (int32_t)(f ? s + 1 : s);
    *w = (uint16_t)f;
}

} // namespace

uint32_t BlendPixel(uint32_t a, uint32_t b, uint32_t w)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t ca = (a >> shift) & 255, cb = (b >> shift) & 255;
        out |= ((ca * (256 - w) + cb * w + 128) >> 8) << shift;
    }
    return out;
}

uint32_t AnaglyphPixel(uint32_t left, uint32_t right, const AnaglyphMatrix &m)
{
    const int32_t in[6] = {(int32_t)((left >> 16) & 255),  (int32_t)((left >> 8) & 255),  (int32_t)(left & 255),
                           (int32_t)((right >> 16) & 255), (int32_t)((right >> 8) & 255), (int32_t)(right & 255)};
    uint32_t out = 0;
    for (int c = 0; c < 3; c++) {
        int32_t s = 8192;
        for (int j = 0; j < 6; j++)
            s += m.k[c][j] * in[j];
        s >>= 14; // arithmetic: rounds toward minus infinity, as the vector kernels do
        if (s < 0)
            s = 0;
        if (s > 255)
            s = 255;
        out |= (uint32_t)s << (16 - 8 * c);
    }
    return out;
}

const AnaglyphMatrix &AnaglyphFor(ComposeOutput output)
{
    if (!IsAnaglyph(output))
        return kAnaglyphs[0];
    return kAnaglyphs[output - COMPOSE_ANAGLYPH_RC_DUBOIS];
}

const ComposeKernels &ComposeKernelsC() { return kKernelsC; }

const ComposeKernels &ComposeKernelsBest()
{
    const ComposeKernels *avx2 = ComposeKernelsAVX2();
    return avx2 ? *avx2 : ComposeKernelsSSE2();
}

bool ComposeViews(ComposeCoding coding, int32_t W, int32_t H, int32_t shift, ComposeView views[2])
{
    if (coding < 0 || coding >= COMPOSE_CODING_COUNT || W < 1 || H < 1)
        return false;
    const PackingRecord &rec = kPackingTable[coding];
    ComposeView &a = views[0], &b = views[1];
    a = b = ComposeView{0, 0, W, H, 1};
    switch (rec.split) {
    case SPLIT_NONE:
        if (shift < 0 || shift >= W)
            return false;
        a.left = shift;
        a.width = W - shift;
        b.width = W - shift;
        break;
    case SPLIT_COLUMNS:
        a.width = W / 2;
        b.left = W / 2 + rec.seam;
        b.width = W - b.left;
        break;
    case SPLIT_ROWS:
        a.height = H / 2;
        b.top = H / 2 + rec.seam;
        b.height = H - b.top;
        break;
    case SPLIT_BANDED_ROWS: {
        const int32_t gap = (5 * H) / 100;
        a.height = (H - gap) / 2;
        b.top = gap + a.height;
        b.height = H - b.top;
        break;
    }
    case SPLIT_LINES:
        a.rowStep = b.rowStep = 2;
        a.height = (H + 1) / 2;
        b.top = 1;
        b.height = H / 2;
        break;
    }
    return a.width > 0 && a.height > 0 && b.width > 0 && b.height > 0;
}

Compositor::Compositor() : Compositor(ComposeKernelsBest()) {}

Compositor::Compositor(const ComposeKernels &kernels) : k(&kernels), settings(), configured(false), views() {}

void Compositor::BuildPlacement(Placement &p, const ComposeView &view, int32_t x0, int32_t x1, int32_t y0, int32_t y1)
{
    p.x0 = x0;
    p.x1 = x1;
    p.viewLeft = view.left;
    p.viewWidth = view.width;
    p.y0 = y0;
    p.y1 = y1;
    const int32_t pw = x1 - x0, ph = y1 - y0;
    p.srcX0.resize(pw > 0 ? pw : 0);
    p.srcX1.resize(pw > 0 ? pw : 0);
    p.wx.resize(pw > 0 ? pw : 0);
    p.srcY0.resize(ph > 0 ? ph : 0);
    p.srcY1.resize(ph > 0 ? ph : 0);
    p.wy.resize(ph > 0 ? ph : 0);
    p.identityX = pw == view.width;
    for (int32_t d = 0; d < pw; d++) {
        SourceIndex(settings.sampling, d, pw, view.width, &p.srcX0[d], &p.srcX1[d], &p.wx[d]);
        if (p.srcX0[d] != d || p.wx[d] != 0)
            p.identityX = false;
    }
    for (int32_t d = 0; d < ph; d++) {
        int32_t r0, r1;
        SourceIndex(settings.sampling, d, ph, view.height, &r0, &r1, &p.wy[d]);
        p.srcY0[d] = view.top + r0 * view.rowStep;
        p.srcY1[d] = view.top + r1 * view.rowStep;
    }
}

bool Compositor::Configure(const ComposeSettings &s)
{
    configured = false;
    if (s.coding < 0 || s.coding >= COMPOSE_CODING_COUNT || s.output < 0 || s.output >= COMPOSE_OUTPUT_COUNT ||
        (s.sampling != COMPOSE_NEAREST && s.sampling != COMPOSE_BILINEAR))
        return false;
    if (s.frameWidth < 1 || s.frameHeight < 1 || s.areaWidth < 1 || s.areaHeight < 1 || s.frameWidth > MAX_SIDE ||
        s.frameHeight > MAX_SIDE || s.areaWidth > MAX_SIDE || s.areaHeight > MAX_SIDE)
        return false;
    settings = s;
    if (s.output == COMPOSE_PLAIN) {
        views[0] = views[1] = ComposeView{0, 0, s.frameWidth, s.frameHeight, 1};
    } else if (!ComposeViews(s.coding, s.frameWidth, s.frameHeight, s.coding == COMPOSE_2D ? s.shift : 0, views)) {
        return false;
    }
    // placements[0] shows the left eye, placements[1] the right eye, except for
    // the one-view outputs, which use placements[0] for their view.
    const int left = s.leftFirst ? 0 : 1;
    ComposeView eye[2] = {views[left], views[1 - left]};
    if (s.output == COMPOSE_PLAIN || s.output == COMPOSE_FIRST_VIEW)
        eye[0] = eye[1] = views[0];
    else if (s.output == COMPOSE_SECOND_VIEW)
        eye[0] = eye[1] = views[1];

    const int32_t W = s.areaWidth, H = s.areaHeight;
    const PackingRecord &rec = kPackingTable[s.coding];
    // The size a view shows at: its own, or the whole frame's.
    const int32_t naturalW = rec.fullSizeViews ? views[0].width : s.frameWidth;
    const int32_t naturalH = rec.fullSizeViews ? views[0].height * views[0].rowStep : s.frameHeight;
    switch (s.output) {
    case COMPOSE_SBS_HALF_OUT:
        BuildPlacement(placements[0], eye[0], 0, W / 2, 0, H);
        BuildPlacement(placements[1], eye[1], W / 2, W, 0, H);
        break;
    case COMPOSE_AB_HALF_OUT:
        BuildPlacement(placements[0], eye[0], 0, W, 0, H / 2);
        BuildPlacement(placements[1], eye[1], 0, W, H / 2, H);
        break;
    case COMPOSE_SBS_FULL:
    case COMPOSE_AB_FULL: {
        // Each half holds its view at the view's own shape, centred.
        const bool sbs = s.output == COMPOSE_SBS_FULL;
        const int32_t cellW = sbs ? W / 2 : W, cellH = sbs ? H : H / 2;
        int64_t pw = cellW, ph = (int64_t)cellW * naturalH / naturalW;
        if (ph > cellH) {
            ph = cellH;
            pw = (int64_t)cellH * naturalW / naturalH;
        }
        for (int e = 0; e < 2; e++) {
            const int32_t cellX = sbs ? e * (W / 2) : 0, cellY = sbs ? 0 : e * (H / 2);
            const int32_t cw = sbs && e ? W - W / 2 : cellW, ch = !sbs && e ? H - H / 2 : cellH;
            const int32_t x = cellX + (int32_t)((cw - pw) / 2), y = cellY + (int32_t)((ch - ph) / 2);
            BuildPlacement(placements[e], eye[e], x, x + (int32_t)pw, y, y + (int32_t)ph);
        }
        break;
    }
    default:
        BuildPlacement(placements[0], eye[0], 0, W, 0, H);
        BuildPlacement(placements[1], eye[1], 0, W, 0, H);
        break;
    }
    for (int v = 0; v < 2; v++) {
        verticalRow[v].resize(s.frameWidth);
        viewRow[v].resize(W);
    }
    configured = true;
    return true;
}

void Compositor::ViewRow(const ComposeFrame &frame, const Placement &p, int32_t y, uint32_t *out, int scratch)
{
    const uint32_t *row0 = (const uint32_t *)(frame.pixels + (size_t)p.srcY0[y] * frame.pitch) + p.viewLeft;
    const uint32_t *row = row0;
    if (p.wy[y]) {
        const uint32_t *row1 = (const uint32_t *)(frame.pixels + (size_t)p.srcY1[y] * frame.pitch) + p.viewLeft;
        k->blendRows(verticalRow[scratch].data(), row0, row1, p.wy[y], p.viewWidth);
        row = verticalRow[scratch].data();
    }
    const int32_t n = p.x1 - p.x0;
    if (p.identityX)
        memcpy(out, row, (size_t)n * 4);
    else if (settings.sampling == COMPOSE_NEAREST)
        k->gatherNearest(out, row, p.srcX0.data(), n);
    else
        k->gatherBilinear(out, row, p.srcX0.data(), p.srcX1.data(), p.wx.data(), n);
}

bool Compositor::Compose(const ComposeFrame &frame, const ComposeTarget &target, int32_t screenX, int32_t screenY)
{
    if (!configured || !frame.pixels || !target.pixels)
        return false;
    const int32_t W = settings.areaWidth, H = settings.areaHeight;
    if (frame.width != settings.frameWidth || frame.height != settings.frameHeight || target.width != W ||
        target.height != H)
        return false;
    if ((int64_t)frame.pitch < (int64_t)frame.width * 4 || (int64_t)target.pitch < (int64_t)W * 4)
        return false;

    // Parities in unsigned arithmetic: a position left of or above the screen
    // keeps the parity of its own row or column.
    const uint32_t column0 = (uint32_t)screenX, row0 = (uint32_t)screenY;
    const AnaglyphMatrix &matrix = AnaglyphFor(settings.output);
    uint32_t *const a = viewRow[0].data(), *const b = viewRow[1].data();
    for (int32_t y = 0; y < H; y++) {
        uint32_t *out = (uint32_t *)(target.pixels + (size_t)y * target.pitch);
        const uint32_t screenRow = row0 + (uint32_t)y;
        switch (settings.output) {
        case COMPOSE_ROWS:
            // The left eye on odd screen rows.
            ViewRow(frame, placements[(screenRow & 1) ? 0 : 1], y, out, 0);
            break;
        case COMPOSE_PLAIN:
        case COMPOSE_FIRST_VIEW:
        case COMPOSE_SECOND_VIEW: ViewRow(frame, placements[0], y, out, 0); break;
        case COMPOSE_COLUMNS:
            // The left eye on odd screen columns: the right eye where column0 + i is even.
            ViewRow(frame, placements[0], y, a, 0);
            ViewRow(frame, placements[1], y, b, 1);
            k->alternate(out, a, b, (int32_t)((column0 + 1) & 1), W);
            break;
        case COMPOSE_CHECKERBOARD:
            ViewRow(frame, placements[0], y, a, 0);
            ViewRow(frame, placements[1], y, b, 1);
            k->alternate(out, a, b, (int32_t)((column0 + screenRow + 1) & 1), W);
            break;
        case COMPOSE_SBS_FULL:
        case COMPOSE_SBS_HALF_OUT:
        case COMPOSE_AB_FULL:
        case COMPOSE_AB_HALF_OUT: {
            // The placements do not overlap and the first lies left of or above
            // the second; the rest of the row is black.
            int32_t x = 0;
            for (int e = 0; e < 2; e++) {
                const Placement &p = placements[e];
                if (y < p.y0 || y >= p.y1)
                    continue;
                if (p.x0 > x)
                    memset(out + x, 0, (size_t)(p.x0 - x) * 4);
                ViewRow(frame, p, y - p.y0, out + p.x0, e);
                x = p.x1;
            }
            if (x < W)
                memset(out + x, 0, (size_t)(W - x) * 4);
            break;
        }
        default: // the anaglyphs
            ViewRow(frame, placements[0], y, a, 0);
            ViewRow(frame, placements[1], y, b, 1);
            k->anaglyph(out, a, b, matrix, W);
            break;
        }
    }
    return true;
}

void ConvertRow24To32(uint32_t *out, const uint8_t *in, int32_t n)
{
    for (int32_t i = 0; i < n; i++, in += 3)
        out[i] = (uint32_t)in[0] | ((uint32_t)in[1] << 8) | ((uint32_t)in[2] << 16);
}

void ConvertRow565To32(uint32_t *out, const uint8_t *in, int32_t n)
{
    for (int32_t i = 0; i < n; i++, in += 2) {
        const uint32_t v = (uint32_t)in[0] | ((uint32_t)in[1] << 8);
        const uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, bl = v & 31;
        out[i] = ((bl << 3) | (bl >> 2)) | (((g << 2) | (g >> 4)) << 8) | (((r << 3) | (r >> 2)) << 16);
    }
}

void ConvertRow555To32(uint32_t *out, const uint8_t *in, int32_t n)
{
    for (int32_t i = 0; i < n; i++, in += 2) {
        const uint32_t v = (uint32_t)in[0] | ((uint32_t)in[1] << 8);
        const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, bl = v & 31;
        out[i] = ((bl << 3) | (bl >> 2)) | (((g << 3) | (g >> 2)) << 8) | (((r << 3) | (r >> 2)) << 16);
    }
}

void ConvertRow32To24(uint8_t *out, const uint32_t *in, int32_t n)
{
    for (int32_t i = 0; i < n; i++, out += 3) {
        out[0] = (uint8_t)in[i];
        out[1] = (uint8_t)(in[i] >> 8);
        out[2] = (uint8_t)(in[i] >> 16);
    }
}
