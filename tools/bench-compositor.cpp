// Processor time per frame of the processor compositor for every input coding,
// output and sampling: a 720x576 frame into a 720x576 and into a 1024x768 movie
// area, and one memory copy of the destination for reference. Not a test: it
// prints figures, read by tools/bench-compositor-report.py.
//
//   bench-compositor [seconds per case]        (default 0.1)
//
// Lines: "compose <kernels> <coding> <output> <sampling> <WxH> <microseconds per frame>"
//        "memcpy <WxH> <microseconds per frame>"
#include "stereo/compositor.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <vector>

namespace {

const int32_t WIDTH = 720, HEIGHT = 576;
const char *const CODINGS[] = {"SHIFTED_AB", "PURE_AB", "PURE_LR", "PURE_INTERLACED", "HALF_LR", "HALF_AB", "2D"};
const char *const OUTPUTS[] = {"rows",     "plain",    "first_view", "second_view", "arcd",    "arch",
                               "arcc",     "arcg",     "agmd",       "aybd",        "columns", "checkerboard",
                               "sbs_full", "sbs_half", "ab_full",    "ab_half"};

double CpuSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Best of five batches, each at least `seconds` / 5 long.
template <class F> double MicrosecondsPerCall(F f, double seconds)
{
    double best = 1e30;
    for (int batch = 0; batch < 5; batch++) {
        int calls = 0;
        const double start = CpuSeconds();
        double now = start;
        while (now - start < seconds / 5 || calls < 3) {
            f();
            calls++;
            now = CpuSeconds();
        }
        const double us = (now - start) * 1e6 / calls;
        if (us < best)
            best = us;
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? atof(argv[1]) : 0.1;
    std::vector<uint32_t> frame((size_t)WIDTH * HEIGHT);
    for (int32_t y = 0; y < HEIGHT; y++)
        for (int32_t x = 0; x < WIDTH; x++)
            frame[(size_t)y * WIDTH + x] = ((uint32_t)x * 3) ^ ((uint32_t)y << 8) ^ 0x404040;
    const ComposeFrame f = {(const uint8_t *)frame.data(), WIDTH * 4, WIDTH, HEIGHT};
    const int32_t sizes[][2] = {{720, 576}, {1024, 768}};

    std::vector<const ComposeKernels *> sets = {&ComposeKernelsC(), &ComposeKernelsSSE2()};
    if (ComposeKernelsAVX2())
        sets.push_back(ComposeKernelsAVX2());
    const ComposeKernels &best = ComposeKernelsBest();

    for (const auto &size : sizes) {
        std::vector<uint32_t> area((size_t)size[0] * size[1]);
        const ComposeTarget t = {(uint8_t *)area.data(), size[0] * 4, size[0], size[1]};
        std::vector<uint32_t> copy(area.size());
        printf("memcpy %dx%d %.1f\n", size[0], size[1],
               MicrosecondsPerCall([&] { memcpy(copy.data(), area.data(), area.size() * 4); }, seconds));
        for (const ComposeKernels *k : sets) {
            for (int coding = 0; coding < COMPOSE_CODING_COUNT; coding++) {
                for (int output = 0; output < COMPOSE_OUTPUT_COUNT; output++) {
                    for (int sampling = 0; sampling < 2; sampling++) {
                        // Every case with the fastest kernels; the slower sets only
                        // for the bilinear sampling the player uses.
                        if (k != &best && sampling != COMPOSE_BILINEAR)
                            continue;
                        ComposeSettings s = {(ComposeCoding)coding,
                                             (ComposeOutput)output,
                                             (ComposeSampling)sampling,
                                             WIDTH,
                                             HEIGHT,
                                             size[0],
                                             size[1],
                                             true,
                                             coding == COMPOSE_2D ? 21 : 0};
                        Compositor c(*k);
                        if (!c.Configure(s))
                            continue;
                        const double us = MicrosecondsPerCall([&] { c.Compose(f, t, 100, 201); }, seconds);
                        printf("compose %s %s %s %s %dx%d %.1f\n", k->name, CODINGS[coding], OUTPUTS[output],
                               sampling ? "bilinear" : "nearest", size[0], size[1], us);
                        fflush(stdout);
                    }
                }
            }
        }
    }
    return 0;
}
