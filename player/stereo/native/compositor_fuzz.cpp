// Fuzz target for the processor compositor: any coding, output, sampling,
// frame and area size, screen position and synthetic shift. The frame and the
// target are allocated to their exact size, so AddressSanitizer reports any
// read outside the frame or write outside the area; the three kernel sets must
// give the same bytes.
#include "stereo/compositor.h"

#include <stdlib.h>
#include <string.h>

namespace {

uint32_t Take(const uint8_t *&data, size_t &size, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes && size > 0; i++, data++, size--)
        value |= (uint32_t)*data << (8 * i);
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
    ComposeSettings s;
    s.coding = (ComposeCoding)(Take(data, size, 1) % (COMPOSE_CODING_COUNT + 1));
    s.output = (ComposeOutput)(Take(data, size, 1) % (COMPOSE_OUTPUT_COUNT + 1));
    s.sampling = (ComposeSampling)(Take(data, size, 1) % 3);
    s.leftFirst = Take(data, size, 1) & 1;
    // Sizes up to 300 keep each run quick; the arithmetic is the same at any size.
    s.frameWidth = (int32_t)(Take(data, size, 2) % 301);
    s.frameHeight = (int32_t)(Take(data, size, 2) % 301);
    s.areaWidth = (int32_t)(Take(data, size, 2) % 301);
    s.areaHeight = (int32_t)(Take(data, size, 2) % 301);
    s.shift = (int32_t)Take(data, size, 2) - 8;
    const int32_t sx = (int32_t)Take(data, size, 4), sy = (int32_t)Take(data, size, 4);

    Compositor reference(ComposeKernelsC());
    if (!reference.Configure(s))
        return 0;
    const size_t framePixels = (size_t)s.frameWidth * s.frameHeight;
    const size_t areaPixels = (size_t)s.areaWidth * s.areaHeight;
    uint32_t *frame = (uint32_t *)malloc(framePixels * 4);
    for (size_t i = 0; i < framePixels; i++)
        frame[i] = (uint32_t)(i * 2654435761u) ^ (size ? data[i % size] : 0);
    const ComposeFrame f = {(const uint8_t *)frame, s.frameWidth * 4, s.frameWidth, s.frameHeight};

    uint32_t *want = (uint32_t *)malloc(areaPixels * 4);
    Check(reference.Compose(f, {(uint8_t *)want, s.areaWidth * 4, s.areaWidth, s.areaHeight}, sx, sy));

    const ComposeKernels *sets[2] = {&ComposeKernelsSSE2(), ComposeKernelsAVX2()};
    uint32_t *got = (uint32_t *)malloc(areaPixels * 4);
    for (const ComposeKernels *k : sets) {
        if (!k)
            continue;
        Compositor c(*k);
        Check(c.Configure(s));
        memset(got, 0x5A, areaPixels * 4);
        Check(c.Compose(f, {(uint8_t *)got, s.areaWidth * 4, s.areaWidth, s.areaHeight}, sx, sy));
        Check(memcmp(want, got, areaPixels * 4) == 0);
    }
    free(got);
    free(want);
    free(frame);
    return 0;
}
