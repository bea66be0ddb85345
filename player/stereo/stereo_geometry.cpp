#include "stereo/stereo_geometry.h"

bool StereoViewRectangles(StereoRect source, int32_t coding, StereoRect *left_rect, StereoRect *right_rect)
{
    const int32_t L = source.left, T = source.top, R = source.right, B = source.bottom;
    switch (coding) {
    case SHIFTED_AB: {
        // Upper view, a band of 5 % of the frame height, lower view.
        const int32_t gap = (5 * B) / 100;
        const int32_t height = (B - gap) / 2;
        *left_rect = {L, 0, R, height};
        *right_rect = {L, gap + height, R, B};
        return true;
    }
    case PURE_AB:
        *left_rect = {L, 0, R, B / 2};
        *right_rect = {L, B / 2 + 1, R, B};
        return true;
    case PURE_LR:
        *left_rect = {L, T, R / 2, B};
        *right_rect = {R / 2 + 1, T, R, B};
        return true;
    case PURE_INTERLACED:
        // Both views span the whole frame; the callers pick the lines.
        *left_rect = {L, T, R, B};
        *right_rect = {L, T, R, B};
        return true;
    default: return false;
    }
}

bool FirstViewOnTopRow(int32_t destinationTop, int32_t eyeCoding)
{
    // The row's own parity (bit 0), so a top row of -1 counts as odd like row 1.
    const int32_t parity = destinationTop & 1;
    return parity == (eyeCoding == LEFT_TOP ? 1 : 0);
}

int32_t SyntheticShift(int32_t width, int32_t strength)
{
    const double fraction = ((double)(uint32_t)strength * 0.06) * 0.01;
    const double shift = (double)width * fraction;
    if (width <= 0 || shift < 0.0)
        return 0;
    // At W or more the crops would turn inside out (and a huge strength would
    // overflow the conversion): keep one column.
    if (shift >= (double)(width - 1))
        return width - 1;
    return (int32_t)shift;
}

void FieldBand(int32_t i, int32_t frameHeight, int32_t height, int32_t *top, int32_t *bottom)
{
    if (height < 0)
        height = 0;
    if (frameHeight <= 0) {
        *top = *bottom = 0;
        return;
    }
    const uint64_t h = (uint64_t)height, b = (uint64_t)frameHeight, row = 2 * (uint64_t)(uint32_t)i;
    const uint64_t t = row * h / b;
    const uint64_t e = (row + 2) * h / b;
    *top = (int32_t)(t < h ? t : h);
    *bottom = (int32_t)(e < h ? e : h);
}

int32_t SecondFieldRow(int32_t row, int32_t frameHeight)
{
    if (row < frameHeight)
        return row;
    const int32_t lastOdd = (frameHeight % 2 == 0) ? frameHeight - 1 : frameHeight - 2;
    return lastOdd > 0 ? lastOdd : 0;
}

LinePlan MakeLinePlan(LineKind kind, StereoRect source, int32_t destinationHeight, int32_t strength)
{
    LinePlan plan = {};
    plan.kind = kind;
    plan.source = source;
    plan.destinationHeight = destinationHeight;
    const int32_t B = source.bottom;
    switch (kind) {
    case LINES_SHIFTED_AB:
        plan.upperScale = 0.475;
        plan.lowerStart = 0.525 * B;
        break;
    case LINES_PURE_AB:
        plan.upperScale = 0.5;
        plan.lowerStart = 0.5 * B;
        break;
    case LINES_PURE_LR: plan.half = (source.right - source.left) / 2; break;
    case LINES_PURE_INTERLACED: break;
    case LINES_2D_TO_3D: plan.shift = SyntheticShift(source.right - source.left, strength); break;
    }
    return plan;
}

void LinePairSources(const LinePlan &plan, int64_t t, StereoRect *first, StereoRect *second)
{
    const int32_t L = plan.source.left, R = plan.source.right, D = plan.destinationHeight;
    switch (plan.kind) {
    case LINES_SHIFTED_AB:
    case LINES_PURE_AB: {
        const double y = ((double)t * plan.upperScale) / D;
        const int32_t upper = (int32_t)y;
        const int32_t lower = (int32_t)(y + plan.lowerStart);
        *first = {L, upper, R, upper + 1};
        *second = {L, lower, R, lower + 1};
        break;
    }
    case LINES_PURE_LR: {
        const int32_t y = (int32_t)(t / D);
        // The left view ends at `half` itself and the right view starts there.
        *first = {L, y, plan.half, y + 1};
        *second = {plan.half, y, R, y + 1};
        break;
    }
    case LINES_PURE_INTERLACED: {
        const int32_t q = (int32_t)(t / D);
        const int32_t even = q - (q % 2);
        const int32_t odd = SecondFieldRow(even + 1, plan.source.bottom);
        *first = {L, even, R, even + 1};
        *second = {L, odd, R, odd + 1};
        break;
    }
    case LINES_2D_TO_3D: {
        const int32_t y = (int32_t)(t / D);
        *first = {L + plan.shift, y, R, y + 1};
        *second = {L, y, R - plan.shift, y + 1};
        break;
    }
    }
}

StereoRect WorkRectangle(StereoRect destination, int32_t surfaceWidth, int32_t surfaceHeight)
{
    int64_t w = (int64_t)destination.right - destination.left;
    int64_t h = (int64_t)destination.bottom - destination.top;
    if (w < 0)
        w = 0;
    if (h < 0)
        h = 0;
    if (surfaceWidth > 0 && w > surfaceWidth)
        w = surfaceWidth;
    if (surfaceHeight > 0 && h > surfaceHeight)
        h = surfaceHeight;
    if (w > INT32_MAX)
        w = INT32_MAX;
    if (h > INT32_MAX)
        h = INT32_MAX;
    return {0, 0, (int32_t)w, (int32_t)h};
}
