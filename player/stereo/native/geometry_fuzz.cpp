// Fuzz target for the stereo rectangle arithmetic: any frame, destination and
// strength. The sanitizers catch overflow; the checks below catch rows or bands
// that leave the frame or the work picture.
#include "stereo/stereo_geometry.h"

#include <stdlib.h>
#include <string.h>

namespace {

int32_t Take(const uint8_t *&data, size_t &size)
{
    int32_t value = 0;
    const size_t n = size < sizeof value ? size : sizeof value;
    memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

void Check(bool ok)
{
    if (!ok)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StereoRect source = {Take(data, size), Take(data, size), Take(data, size), Take(data, size)};
    const int32_t coding = Take(data, size);
    const int32_t height = Take(data, size);
    const int32_t strength = Take(data, size);
    const int32_t top = Take(data, size);
    const int32_t pair = Take(data, size);

    StereoRect left, right;
    // Any input is fine here as long as nothing overflows.
    if (source.bottom > -(1 << 24) && source.bottom < (1 << 24) && source.right > -(1 << 24) &&
        source.right < (1 << 24))
        StereoViewRectangles(source, coding, &left, &right);
    FirstViewOnTopRow(top, coding);

    const int32_t width = source.right;
    const int32_t s = SyntheticShift(width, strength);
    Check(s >= 0 && (width <= 0 || s < width));

    // Bands of a frame with rows 0..B-1 over a work picture of `height` rows.
    const int32_t B = source.bottom;
    if (B > 0) {
        const int32_t i = (int32_t)((uint32_t)pair % (((uint32_t)B + 1) / 2));
        int32_t bandTop, bandBottom;
        FieldBand(i, B, height, &bandTop, &bandBottom);
        Check(0 <= bandTop && bandTop <= bandBottom && bandBottom <= (height > 0 ? height : 0));
        const int32_t row = SecondFieldRow(2 * i + 1, B);
        Check(row >= 0 && row < B && (B == 1 || row % 2 == 1));
    }

    // Line routines over a sane frame at the origin.
    if (B > 0 && B < (1 << 16) && source.right > 0 && source.right < (1 << 16) && height > 0 && height < (1 << 16)) {
        const StereoRect frame = {0, 0, source.right, B};
        const int32_t k = (int32_t)((uint32_t)pair % (uint32_t)height) & ~1;
        for (int kind = LINES_SHIFTED_AB; kind <= LINES_2D_TO_3D; kind++) {
            const LinePlan plan = MakeLinePlan((LineKind)kind, frame, height, strength);
            StereoRect first, second;
            LinePairSources(plan, (int64_t)k * B, &first, &second);
            Check(first.top >= 0 && first.bottom <= B && second.top >= 0 && second.bottom <= B);
            Check(first.left >= 0 && first.right <= source.right && second.left >= 0 && second.right <= source.right);
        }
    }

    WorkRectangle(source, height, strength);
    return 0;
}
