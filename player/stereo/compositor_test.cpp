// The processor compositor: packing table, eye placement by absolute screen
// row and column, sampling that stays inside one view, the anaglyph matrices,
// the three kernel sets agreeing byte for byte, and no allocation per frame.
#include "stereo/compositor.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <new>
#include <string>
#include <vector>

// Counts every allocation of the program, for the test that composes many
// frames and expects none.
static long g_allocations = 0;
void *operator new(size_t size)
{
    g_allocations++;
    void *p = malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void operator delete(void *p) noexcept { free(p); }
void operator delete(void *p, size_t) noexcept { free(p); }

namespace {

struct Picture {
    int32_t width = 0, height = 0, pitchPixels = 0;
    std::vector<uint32_t> pixels;

    Picture(int32_t w, int32_t h, int32_t padding = 0) : width(w), height(h), pitchPixels(w + padding)
    {
        pixels.assign((size_t)pitchPixels * h, 0xDEADBEEF);
    }
    uint32_t &At(int32_t x, int32_t y) { return pixels[(size_t)y * pitchPixels + x]; }
    ComposeFrame Frame() const { return {(const uint8_t *)pixels.data(), pitchPixels * 4, width, height}; }
    ComposeTarget Target() { return {(uint8_t *)pixels.data(), pitchPixels * 4, width, height}; }
};

uint32_t g_seed = 12345;
uint32_t Random()
{
    g_seed = g_seed * 1664525u + 1013904223u;
    return g_seed ^ (g_seed >> 13);
}

Picture RandomPicture(int32_t w, int32_t h)
{
    Picture p(w, h, 3);
    for (uint32_t &px : p.pixels)
        px = Random();
    return p;
}

std::vector<const ComposeKernels *> AllKernels()
{
    std::vector<const ComposeKernels *> sets = {&ComposeKernelsC(), &ComposeKernelsSSE2()};
    if (ComposeKernelsAVX2())
        sets.push_back(ComposeKernelsAVX2());
    return sets;
}

ComposeSettings Settings(ComposeCoding coding, ComposeOutput output, int32_t fw, int32_t fh, int32_t aw, int32_t ah,
                         ComposeSampling sampling = COMPOSE_NEAREST, bool leftFirst = true)
{
    ComposeSettings s;
    s.coding = coding;
    s.output = output;
    s.sampling = sampling;
    s.frameWidth = fw;
    s.frameHeight = fh;
    s.areaWidth = aw;
    s.areaHeight = ah;
    s.leftFirst = leftFirst;
    s.shift = coding == COMPOSE_2D ? fw / 10 : 0;
    return s;
}

// Composes one frame; an empty picture when the settings are refused.
Picture ComposeWith(const ComposeKernels &kernels, const ComposeSettings &s, const Picture &frame, int32_t sx,
                    int32_t sy)
{
    Compositor c(kernels);
    if (!c.Configure(s))
        return Picture(0, 0);
    Picture out(s.areaWidth, s.areaHeight, 2);
    EXPECT_TRUE(c.Compose(frame.Frame(), out.Target(), sx, sy));
    return out;
}

// --- Packing table --------------------------------------------------------

TEST(PackingTable, ViewsOfA320By240Frame)
{
    struct Case {
        ComposeCoding coding;
        ComposeView first, second;
    } cases[] = {
        {COMPOSE_SHIFTED_AB, {0, 0, 320, 114, 1}, {0, 126, 320, 114, 1}},
        {COMPOSE_PURE_AB, {0, 0, 320, 120, 1}, {0, 121, 320, 119, 1}},
        {COMPOSE_PURE_LR, {0, 0, 160, 240, 1}, {161, 0, 159, 240, 1}},
        {COMPOSE_PURE_INTERLACED, {0, 0, 320, 120, 2}, {0, 1, 320, 120, 2}},
        {COMPOSE_SBS_HALF, {0, 0, 160, 240, 1}, {160, 0, 160, 240, 1}},
        {COMPOSE_AB_HALF, {0, 0, 320, 120, 1}, {0, 120, 320, 120, 1}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(kPackingTable[c.coding].name);
        EXPECT_EQ(c.coding, kPackingTable[c.coding].coding);
        ComposeView v[2];
        ASSERT_TRUE(ComposeViews(c.coding, 320, 240, 0, v));
        const ComposeView *want[2] = {&c.first, &c.second};
        for (int i = 0; i < 2; i++) {
            EXPECT_EQ(want[i]->left, v[i].left) << "view " << i;
            EXPECT_EQ(want[i]->top, v[i].top) << "view " << i;
            EXPECT_EQ(want[i]->width, v[i].width) << "view " << i;
            EXPECT_EQ(want[i]->height, v[i].height) << "view " << i;
            EXPECT_EQ(want[i]->rowStep, v[i].rowStep) << "view " << i;
        }
    }
}

TEST(PackingTable, SyntheticPairIsTwoCropsAndTooSmallFramesAreRefused)
{
    ComposeView v[2];
    ASSERT_TRUE(ComposeViews(COMPOSE_2D, 720, 576, 21, v));
    EXPECT_EQ(21, v[0].left);
    EXPECT_EQ(699, v[0].width);
    EXPECT_EQ(0, v[1].left);
    EXPECT_EQ(699, v[1].width);
    EXPECT_FALSE(ComposeViews(COMPOSE_2D, 10, 10, 10, v)) << "a shift of the whole width leaves nothing";
    EXPECT_FALSE(ComposeViews(COMPOSE_PURE_LR, 1, 10, 0, v)) << "one column holds no second view";
    EXPECT_FALSE(ComposeViews(COMPOSE_PURE_INTERLACED, 10, 1, 0, v)) << "one row holds no second field";
    EXPECT_FALSE(ComposeViews(COMPOSE_CODING_COUNT, 10, 10, 0, v));

    Compositor c;
    EXPECT_FALSE(c.Configure(Settings(COMPOSE_SBS_HALF, COMPOSE_ROWS, 0, 10, 10, 10)));
    EXPECT_FALSE(c.Configure(Settings(COMPOSE_SBS_HALF, COMPOSE_ROWS, 10, 10, 16385, 10)));
    EXPECT_FALSE(c.Configure(Settings(COMPOSE_SBS_HALF, COMPOSE_OUTPUT_COUNT, 10, 10, 10, 10)));
    EXPECT_FALSE(c.Configured());
}

// --- Eye placement by absolute screen position ----------------------------

const uint32_t FIRST = 0x00C01020, SECOND = 0x002010C0;

// A side-by-side frame whose first view is all FIRST and second all SECOND.
Picture TwoColourFrame(int32_t w, int32_t h)
{
    Picture p(w, h);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            p.At(x, y) = x < w / 2 ? FIRST : SECOND;
    return p;
}

TEST(EyePlacement, RowsColumnsAndCheckerboardFollowTheScreenPosition)
{
    // Which view a pixel at screen (sx, sy) shows, for the left eye first in the frame.
    struct Case {
        ComposeOutput output;
        const char *name;
        bool (*leftEyeAt)(int32_t sx, int32_t sy);
    } cases[] = {
        {COMPOSE_ROWS, "rows", [](int32_t, int32_t sy) { return (sy & 1) == 1; }},
        {COMPOSE_COLUMNS, "columns", [](int32_t sx, int32_t) { return (sx & 1) == 1; }},
        {COMPOSE_CHECKERBOARD, "checkerboard", [](int32_t sx, int32_t sy) { return ((sx + sy) & 1) == 1; }},
    };
    const Picture frame = TwoColourFrame(16, 6);
    for (const Case &c : cases) {
        for (bool leftFirst : {true, false}) {
            for (int32_t sx : {100, 101, -1}) {
                for (int32_t sy : {200, 201, -3}) {
                    SCOPED_TRACE(std::string(c.name) + (leftFirst ? " left first" : " right first") + " at " +
                                 std::to_string(sx) + "," + std::to_string(sy));
                    for (const ComposeKernels *k : AllKernels()) {
                        ComposeSettings s =
                            Settings(COMPOSE_SBS_HALF, c.output, 16, 6, 9, 5, COMPOSE_BILINEAR, leftFirst);
                        Picture out = ComposeWith(*k, s, frame, sx, sy);
                        int wrong = 0;
                        for (int32_t y = 0; y < 5; y++) {
                            for (int32_t x = 0; x < 9; x++) {
                                const bool left = c.leftEyeAt(sx + x, sy + y);
                                const uint32_t want = left == leftFirst ? FIRST : SECOND;
                                if (out.At(x, y) != want && wrong++ < 3)
                                    ADD_FAILURE() << k->name << ": pixel " << x << "," << y << " is " << std::hex
                                                  << out.At(x, y) << ", expected " << want;
                            }
                        }
                    }
                }
            }
        }
    }
}

TEST(EyePlacement, SideBySideAndAboveBelowPutTheLeftEyeFirst)
{
    const Picture frame = TwoColourFrame(16, 8); // half-size views: each shows at 16 x 8
    struct Case {
        ComposeOutput output;
        bool leftFirst;
        // expected pixel at (x, y) of a 16 x 8 area
        uint32_t (*expected)(int32_t x, int32_t y, uint32_t leftEye, uint32_t rightEye);
        // clang-format off
    } cases[] = {
        {COMPOSE_SBS_HALF_OUT, true, [](int32_t x, int32_t, uint32_t l, uint32_t r) { return x < 8 ? l : r; }},
        {COMPOSE_SBS_HALF_OUT, false, [](int32_t x, int32_t, uint32_t l, uint32_t r) { return x < 8 ? l : r; }},
        {COMPOSE_AB_HALF_OUT, true, [](int32_t, int32_t y, uint32_t l, uint32_t r) { return y < 4 ? l : r; }},
        // Full size: an 8 x 8 half holds a 2:1 view as 8 x 4, rows 2..5; black above and below.
        {COMPOSE_SBS_FULL, true,
         [](int32_t x, int32_t y, uint32_t l, uint32_t r) { return y < 2 || y >= 6 ? 0u : x < 8 ? l : r; }},
        // A 16 x 4 half holds it as 8 x 4, columns 4..11.
        {COMPOSE_AB_FULL, true,
         [](int32_t x, int32_t y, uint32_t l, uint32_t r) { return x < 4 || x >= 12 ? 0u : y < 4 ? l : r; }},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE("output " + std::to_string(c.output) + (c.leftFirst ? " left first" : " right first"));
        const uint32_t leftEye = c.leftFirst ? FIRST : SECOND, rightEye = c.leftFirst ? SECOND : FIRST;
        for (const ComposeKernels *k : AllKernels()) {
            Picture out = ComposeWith(
                *k, Settings(COMPOSE_SBS_HALF, c.output, 16, 8, 16, 8, COMPOSE_BILINEAR, c.leftFirst), frame, 3, 5);
            for (int32_t y = 0; y < 8; y++)
                for (int32_t x = 0; x < 16; x++)
                    ASSERT_EQ(c.expected(x, y, leftEye, rightEye), out.At(x, y)) << k->name << " at " << x << "," << y;
        }
    }
}

// --- Sampling inside one view ---------------------------------------------

TEST(Sampling, BilinearNeverBlendsAcrossViewsOrTheBand)
{
    const uint32_t OTHER = 0x00808080;
    for (ComposeCoding coding : {COMPOSE_SHIFTED_AB, COMPOSE_PURE_AB, COMPOSE_PURE_LR, COMPOSE_PURE_INTERLACED,
                                 COMPOSE_SBS_HALF, COMPOSE_AB_HALF}) {
        SCOPED_TRACE(kPackingTable[coding].name);
        const int32_t fw = 37, fh = 41;
        ComposeView v[2];
        ASSERT_TRUE(ComposeViews(coding, fw, fh, 0, v));
        Picture frame(fw, fh);
        for (int32_t y = 0; y < fh; y++)
            for (int32_t x = 0; x < fw; x++)
                frame.At(x, y) = OTHER;
        for (int i = 0; i < 2; i++)
            for (int32_t r = 0; r < v[i].height; r++)
                for (int32_t x = v[i].left; x < v[i].left + v[i].width; x++)
                    frame.At(x, v[i].top + r * v[i].rowStep) = i ? SECOND : FIRST;
        for (ComposeOutput output : {COMPOSE_ROWS, COMPOSE_FIRST_VIEW, COMPOSE_SECOND_VIEW, COMPOSE_COLUMNS,
                                     COMPOSE_CHECKERBOARD, COMPOSE_SBS_HALF_OUT, COMPOSE_AB_HALF_OUT}) {
            for (int32_t area : {13, 50, 97}) {
                Picture out =
                    ComposeWith(ComposeKernelsBest(),
                                Settings(coding, output, fw, fh, area, area + 7, COMPOSE_BILINEAR), frame, 0, 0);
                for (int32_t y = 0; y < out.height; y++)
                    for (int32_t x = 0; x < out.width; x++) {
                        const uint32_t px = out.At(x, y);
                        ASSERT_TRUE(px == FIRST || px == SECOND) << "output " << output << " area " << area << " pixel "
                                                                 << x << "," << y << " is " << std::hex << px;
                    }
            }
        }
    }
}

TEST(Sampling, SameSizeIsAnExactCopyAndScalingKeepsTheEdges)
{
    const Picture frame = RandomPicture(31, 17);
    for (ComposeSampling sampling : {COMPOSE_NEAREST, COMPOSE_BILINEAR}) {
        Picture out = ComposeWith(ComposeKernelsBest(), Settings(COMPOSE_2D, COMPOSE_PLAIN, 31, 17, 31, 17, sampling),
                                  frame, 0, 0);
        for (int32_t y = 0; y < 17; y++)
            for (int32_t x = 0; x < 31; x++)
                ASSERT_EQ(frame.pixels[(size_t)y * frame.pitchPixels + x], out.At(x, y)) << x << "," << y;
    }
    // Doubling with nearest sampling repeats every pixel twice.
    Picture out = ComposeWith(ComposeKernelsBest(), Settings(COMPOSE_2D, COMPOSE_PLAIN, 31, 17, 62, 34), frame, 0, 0);
    for (int32_t y = 0; y < 34; y++)
        for (int32_t x = 0; x < 62; x++)
            ASSERT_EQ(frame.pixels[(size_t)(y / 2) * frame.pitchPixels + x / 2], out.At(x, y)) << x << "," << y;
}

// --- Anaglyphs against the published matrices ------------------------------

struct FloatMatrix {
    ComposeOutput output;
    const char *name;
    double left[3][3], right[3][3]; // rows: output R, G, B; columns: input R, G, B
};

// Written out here from the published least-squares matrices (Dubois) and the
// plain definitions of the other red/cyan kinds, independently of the
// compositor's fixed-point table.
// clang-format off
const FloatMatrix kPublished[] = {
    {COMPOSE_ANAGLYPH_RC_DUBOIS,
     "red/cyan Dubois",
     {{0.456100, 0.500484, 0.176381}, {-0.0400822, -0.0378246, -0.0157589}, {-0.0152161, -0.0205971, -0.00546856}},
     {{-0.0434706, -0.0879388, -0.00155529}, {0.378476, 0.73364, -0.0184503}, {-0.0721527, -0.112961, 1.2264}}},
    {COMPOSE_ANAGLYPH_RC_HALF,
     "red/cyan half colour",
     {{0.299, 0.587, 0.114}, {0, 0, 0}, {0, 0, 0}},
     {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
    {COMPOSE_ANAGLYPH_RC_COLOUR, "red/cyan colour", {{1, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
    {COMPOSE_ANAGLYPH_RC_GREY,
     "red/cyan grey",
     {{0.299, 0.587, 0.114}, {0, 0, 0}, {0, 0, 0}},
     {{0, 0, 0}, {0.299, 0.587, 0.114}, {0.299, 0.587, 0.114}}},
    {COMPOSE_ANAGLYPH_GM_DUBOIS,
     "green/magenta Dubois",
     {{-0.062, -0.158, -0.039}, {0.284, 0.668, 0.143}, {-0.015, -0.027, 0.021}},
     {{0.529, 0.705, 0.024}, {-0.016, -0.015, -0.065}, {0.009, 0.075, 0.937}}},
    {COMPOSE_ANAGLYPH_YB_DUBOIS,
     "amber/blue Dubois",
     {{1.062, -0.205, 0.299}, {-0.026, 0.908, 0.068}, {-0.038, -0.173, 0.022}},
     {{-0.016, -0.123, -0.017}, {0.006, 0.062, -0.017}, {0.094, 0.185, 0.911}}},
};
// clang-format on

TEST(Anaglyph, PixelsMatchThePublishedMatricesWithinOne)
{
    const int32_t w = 40, h = 9;
    Picture frame = RandomPicture(2 * w, h);
    // A few pure and extreme colours as well.
    const uint32_t extremes[] = {0x00FFFFFF, 0, 0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFF00, 0x0000FFFF};
    for (int i = 0; i < 7; i++) {
        frame.At(i, 0) = extremes[i];
        frame.At(w + i, 0) = extremes[(i + 3) % 7];
    }
    for (const FloatMatrix &m : kPublished) {
        SCOPED_TRACE(m.name);
        for (bool leftFirst : {true, false}) {
            for (const ComposeKernels *k : AllKernels()) {
                Picture out = ComposeWith(
                    *k, Settings(COMPOSE_SBS_HALF, m.output, 2 * w, h, w, h, COMPOSE_NEAREST, leftFirst), frame, 1, 1);
                for (int32_t y = 0; y < h; y++) {
                    for (int32_t x = 0; x < w; x++) {
                        const uint32_t first = frame.At(x, y), second = frame.At(w + x, y);
                        const uint32_t L = leftFirst ? first : second, R = leftFirst ? second : first;
                        const double l[3] = {(double)((L >> 16) & 255), (double)((L >> 8) & 255), (double)(L & 255)};
                        const double r[3] = {(double)((R >> 16) & 255), (double)((R >> 8) & 255), (double)(R & 255)};
                        const uint32_t px = out.At(x, y);
                        for (int c = 0; c < 3; c++) {
                            double v = 0;
                            for (int j = 0; j < 3; j++)
                                v += m.left[c][j] * l[j] + m.right[c][j] * r[j];
                            v = v < 0 ? 0 : v > 255 ? 255 : v;
                            const int got = (int)((px >> (16 - 8 * c)) & 255);
                            ASSERT_LE(fabs(got - v), 1.0) << k->name << " pixel " << x << "," << y << " channel " << c;
                        }
                    }
                }
            }
        }
    }
}

// --- The three kernel sets ---------------------------------------------------

TEST(Kernels, BuildingBlocksAgreeForEveryLength)
{
    const std::vector<const ComposeKernels *> sets = AllKernels();
    printf("kernel sets on this processor:");
    for (const ComposeKernels *k : sets)
        printf(" %s", k->name);
    printf("\n");
    const int32_t rowWidth = 97;
    std::vector<uint32_t> a(80), b(80), row(rowWidth);
    std::vector<int32_t> x0(80), x1(80);
    std::vector<uint16_t> w(80);
    for (int round = 0; round < 20; round++) {
        for (uint32_t &v : a)
            v = Random();
        for (uint32_t &v : b)
            v = Random();
        for (uint32_t &v : row)
            v = Random();
        for (int i = 0; i < 80; i++) {
            x0[i] = (int32_t)(Random() % rowWidth);
            x1[i] = (int32_t)(Random() % rowWidth);
            w[i] = (uint16_t)(Random() % 256);
        }
        const uint32_t weight = Random() % 256;
        const AnaglyphMatrix &m = AnaglyphFor((ComposeOutput)(COMPOSE_ANAGLYPH_RC_DUBOIS + round % 6));
        for (int32_t n = 0; n <= 70; n++) {
            std::vector<uint32_t> want[5], got(80);
            const ComposeKernels &c = ComposeKernelsC();
            for (std::vector<uint32_t> &v : want)
                v.assign(80, 0);
            c.blendRows(want[0].data(), a.data(), b.data(), weight, n);
            c.gatherNearest(want[1].data(), row.data(), x0.data(), n);
            c.gatherBilinear(want[2].data(), row.data(), x0.data(), x1.data(), w.data(), n);
            c.alternate(want[3].data(), a.data(), b.data(), n & 1, n);
            c.anaglyph(want[4].data(), a.data(), b.data(), m, n);
            for (const ComposeKernels *k : sets) {
                SCOPED_TRACE(std::string(k->name) + " n=" + std::to_string(n));
                got.assign(80, 0);
                k->blendRows(got.data(), a.data(), b.data(), weight, n);
                ASSERT_EQ(want[0], got) << "blendRows";
                k->gatherNearest(got.data(), row.data(), x0.data(), n);
                ASSERT_EQ(want[1], got) << "gatherNearest";
                k->gatherBilinear(got.data(), row.data(), x0.data(), x1.data(), w.data(), n);
                ASSERT_EQ(want[2], got) << "gatherBilinear";
                k->alternate(got.data(), a.data(), b.data(), n & 1, n);
                ASSERT_EQ(want[3], got) << "alternate";
                k->anaglyph(got.data(), a.data(), b.data(), m, n);
                ASSERT_EQ(want[4], got) << "anaglyph";
            }
        }
    }
}

TEST(Kernels, EveryCodingAndOutputGivesTheSameBytes)
{
    const std::vector<const ComposeKernels *> sets = AllKernels();
    const int32_t frames[][2] = {{2, 2}, {3, 5}, {17, 9}, {64, 48}};
    const int32_t areas[][2] = {{1, 1}, {7, 3}, {13, 11}, {35, 17}, {64, 48}};
    int compared = 0;
    for (int coding = 0; coding < COMPOSE_CODING_COUNT; coding++) {
        for (const auto &f : frames) {
            const Picture frame = RandomPicture(f[0], f[1]);
            for (int output = 0; output < COMPOSE_OUTPUT_COUNT; output++) {
                for (ComposeSampling sampling : {COMPOSE_NEAREST, COMPOSE_BILINEAR}) {
                    for (const auto &a : areas) {
                        const ComposeSettings s = Settings((ComposeCoding)coding, (ComposeOutput)output, f[0], f[1],
                                                           a[0], a[1], sampling, (output & 1) == 0);
                        const int32_t sx = output - 3, sy = coding + 1;
                        const Picture want = ComposeWith(ComposeKernelsC(), s, frame, sx, sy);
                        for (const ComposeKernels *k : sets) {
                            const Picture got = ComposeWith(*k, s, frame, sx, sy);
                            ASSERT_EQ(want.pixels, got.pixels)
                                << k->name << " coding " << coding << " output " << output << " frame " << f[0] << "x"
                                << f[1] << " area " << a[0] << "x" << a[1] << " sampling " << sampling;
                            compared++;
                        }
                    }
                }
            }
        }
    }
    printf("%d compositions compared\n", compared);
}

// --- Frame-time behaviour ----------------------------------------------------

TEST(Compose, AllocatesNothingPerFrame)
{
    const Picture frame = RandomPicture(72, 58);
    Picture out(101, 77);
    for (int output = 0; output < COMPOSE_OUTPUT_COUNT; output++) {
        Compositor c;
        ASSERT_TRUE(
            c.Configure(Settings(COMPOSE_SHIFTED_AB, (ComposeOutput)output, 72, 58, 101, 77, COMPOSE_BILINEAR)));
        const long before = g_allocations;
        for (int i = 0; i < 200; i++)
            ASSERT_TRUE(c.Compose(frame.Frame(), out.Target(), i, i / 3));
        EXPECT_EQ(before, g_allocations) << "output " << output;
    }
}

TEST(Compose, RefusesFramesAndTargetsThatDoNotMatch)
{
    const Picture frame = RandomPicture(20, 10);
    Compositor c;
    ASSERT_TRUE(c.Configure(Settings(COMPOSE_SBS_HALF, COMPOSE_ROWS, 20, 10, 8, 6)));
    Picture out(8, 6);
    const std::vector<uint32_t> untouched = out.pixels;
    ComposeFrame f = frame.Frame();
    ComposeTarget t = out.Target();
    struct Case {
        const char *name;
        ComposeFrame frame;
        ComposeTarget target;
    } cases[] = {
        {"frame narrower than configured", {f.pixels, f.pitch, 19, 10}, t},
        {"frame taller than configured", {f.pixels, f.pitch, 20, 11}, t},
        {"frame pitch below a row", {f.pixels, 79, 20, 10}, t},
        {"no frame pixels", {NULL, f.pitch, 20, 10}, t},
        {"target of another size", f, {t.pixels, t.pitch, 9, 6}},
        {"target pitch below a row", f, {t.pixels, 31, 8, 6}},
    };
    for (const Case &k : cases) {
        EXPECT_FALSE(c.Compose(k.frame, k.target, 0, 0)) << k.name;
        EXPECT_EQ(untouched, out.pixels) << k.name;
    }
    EXPECT_TRUE(c.Compose(f, t, 0, 0));
}

TEST(Convert, PixelFormatsToThirtyTwoBitsAndBack)
{
    const uint8_t bgr[6] = {1, 2, 3, 250, 251, 252};
    uint32_t px[2];
    ConvertRow24To32(px, bgr, 2);
    EXPECT_EQ(0x00030201u, px[0]);
    EXPECT_EQ(0x00FCFBFAu, px[1]);
    uint8_t back[6];
    ConvertRow32To24(back, px, 2);
    EXPECT_EQ(0, memcmp(bgr, back, 6));
    const uint8_t white565[2] = {0xFF, 0xFF}, red555[2] = {0x00, 0x7C};
    ConvertRow565To32(px, white565, 1);
    EXPECT_EQ(0x00FFFFFFu, px[0]);
    ConvertRow555To32(px, red555, 1);
    EXPECT_EQ(0x00FF0000u, px[0]);
}

} // namespace
