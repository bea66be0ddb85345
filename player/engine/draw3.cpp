// The third drawing path (VIDEOMEMORY_METHOD3): the processor reads the frame
// surface and composes the movie area in one pass into a system-memory surface
// of the area's size, which one clipped copy shows on the screen.
#include "engine/playback.h"

#include "diagnostics/log.h"
#include "stereo/compositor.h"
#include "stereo/stereo_geometry.h"

#include <string.h>

#include <vector>

namespace {

Compositor compositor;
IDirectDrawSurface *g_pProcessorSurface; // the composed movie area
int32_t processorWidth, processorHeight;
std::vector<uint32_t> frameCopy; // the frame in 32 bits, when it comes in another depth
std::vector<uint32_t> areaCopy;  // the area in 32 bits, when the screen has 24

// A lost surface is left to the frame step, which restores the surfaces and
// draws again, as with the other two methods.
HRESULT Checked(HRESULT hr, const char *callText)
{
    if (FAILED(hr) && hr != DDERR_SURFACELOST)
        CHECK_ERROR_DD(hr, callText);
    return hr;
}

bool SameSettings(const ComposeSettings &a, const ComposeSettings &b)
{
    return a.coding == b.coding && a.output == b.output && a.sampling == b.sampling && a.frameWidth == b.frameWidth &&
           a.frameHeight == b.frameHeight && a.areaWidth == b.areaWidth && a.areaHeight == b.areaHeight &&
           a.leftFirst == b.leftFirst && a.shift == b.shift;
}

// The system-memory surface of the area's size, made again only when the size changes.
HRESULT ProcessorSurface(int32_t width, int32_t height)
{
    if (g_pProcessorSurface && width == processorWidth && height == processorHeight)
        return S_OK;
    ReleaseProcessorSurface();
    if (!g_pDD3)
        return E_POINTER;
    DDSURFACEDESC ddsd;
    memset(&ddsd, 0, sizeof ddsd);
    ddsd.dwSize = sizeof ddsd;
    ddsd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    ddsd.dwWidth = (DWORD)width;
    ddsd.dwHeight = (DWORD)height;
    ddsd.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface *surface = NULL;
    const HRESULT hr = Checked(g_pDD3->CreateSurface(&ddsd, &surface, NULL),
                               "g_pDD3->CreateSurface(&ddsd, &g_pProcessorSurface, NULL)");
    if (FAILED(hr))
        return hr;
    g_pProcessorSurface = surface;
    processorWidth = width;
    processorHeight = height;
    return S_OK;
}

// The frame as 32-bit pixels: straight from the locked surface, or converted
// once into frameCopy. False for a depth the player cannot read.
bool FramePixels(const DDSURFACEDESC &ddsd, const RECT &rect, ComposeFrame *frame)
{
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    const DWORD bits = ddsd.ddpfPixelFormat.dwRGBBitCount;
    const int32_t bytes = (int32_t)bits / 8;
    const uint8_t *first = (const uint8_t *)ddsd.lpSurface + (size_t)rect.top * ddsd.lPitch + (size_t)rect.left * bytes;
    if (bits == 32) {
        *frame = {first, (int32_t)ddsd.lPitch, width, height};
        return true;
    }
    if (bits != 24 && bits != 16)
        return false;
    if (frameCopy.size() < (size_t)width * height)
        frameCopy.resize((size_t)width * height);
    for (int32_t y = 0; y < height; y++) {
        const uint8_t *in = first + (size_t)y * ddsd.lPitch;
        uint32_t *out = frameCopy.data() + (size_t)y * width;
        if (bits == 24)
            ConvertRow24To32(out, in, width);
        else if (ddsd.ddpfPixelFormat.dwGBitMask == 0x7E0)
            ConvertRow565To32(out, in, width);
        else
            ConvertRow555To32(out, in, width);
    }
    *frame = {(const uint8_t *)frameCopy.data(), width * 4, width, height};
    return true;
}

} // namespace

int ProcessorSettings(int32_t outputFormat, int32_t coding, int32_t eye, int32_t strength, int32_t frameWidth,
                      int32_t frameHeight, int32_t areaWidth, int32_t areaHeight, ComposeSettings *settings)
{
    ComposeSettings s;
    memset(&s, 0, sizeof s);
    s.sampling = COMPOSE_BILINEAR;
    s.frameWidth = frameWidth;
    s.frameHeight = frameHeight;
    s.areaWidth = areaWidth;
    s.areaHeight = areaHeight;
    s.leftFirst = eye == LEFT_TOP;
    switch (coding) {
    case SHIFTED_AB: s.coding = COMPOSE_SHIFTED_AB; break;
    case PURE_AB: s.coding = COMPOSE_PURE_AB; break;
    case PURE_LR: s.coding = COMPOSE_PURE_LR; break;
    case PURE_INTERLACED: s.coding = COMPOSE_PURE_INTERLACED; break;
    case HALF_LR: s.coding = COMPOSE_SBS_HALF; break;
    case HALF_AB: s.coding = COMPOSE_AB_HALF; break;
    default:
        s.coding = COMPOSE_CODING_COUNT; // undefined
        break;
    }
    static const struct {
        int32_t format;
        ComposeOutput output;
    } outputs[] = {
        {OUTPUT_PURE_INTERLACED, COMPOSE_ROWS},
        {OUTPUT_3D_TO_2D, COMPOSE_FIRST_VIEW},
        {OUTPUT_3D_TO_2D_SECOND, COMPOSE_SECOND_VIEW},
        {OUTPUT_ANAGLYPH_RED_CYAN, COMPOSE_ANAGLYPH_RC_DUBOIS},
        {OUTPUT_ANAGLYPH_RED_CYAN_HALF, COMPOSE_ANAGLYPH_RC_HALF},
        {OUTPUT_ANAGLYPH_RED_CYAN_COLOUR, COMPOSE_ANAGLYPH_RC_COLOUR},
        {OUTPUT_ANAGLYPH_RED_CYAN_GREY, COMPOSE_ANAGLYPH_RC_GREY},
        {OUTPUT_ANAGLYPH_GREEN_MAGENTA, COMPOSE_ANAGLYPH_GM_DUBOIS},
        {OUTPUT_ANAGLYPH_AMBER_BLUE, COMPOSE_ANAGLYPH_YB_DUBOIS},
        {OUTPUT_COLUMNS, COMPOSE_COLUMNS},
        {OUTPUT_CHECKERBOARD, COMPOSE_CHECKERBOARD},
        {OUTPUT_SIDE_BY_SIDE, COMPOSE_SBS_FULL},
        {OUTPUT_SIDE_BY_SIDE_HALF, COMPOSE_SBS_HALF_OUT},
        {OUTPUT_ABOVE_BELOW, COMPOSE_AB_FULL},
        {OUTPUT_ABOVE_BELOW_HALF, COMPOSE_AB_HALF_OUT},
    };
    if (outputFormat == OUTPUT_NO_STEREO) {
        s.coding = COMPOSE_2D;
        s.output = COMPOSE_PLAIN;
    } else if (outputFormat == OUTPUT_2D_TO_3D) {
        // The synthetic pair of crops, whatever the coding.
        s.coding = COMPOSE_2D;
        s.output = COMPOSE_ROWS;
        s.shift = SyntheticShift(frameWidth, strength);
    } else {
        bool known = false;
        for (const auto &o : outputs) {
            if (o.format == outputFormat) {
                s.output = o.output;
                known = true;
            }
        }
        if (!known)
            return PROCESSOR_UNDEFINED_OUTPUT;
        if (s.coding == COMPOSE_CODING_COUNT)
            return PROCESSOR_UNDEFINED_CODING;
    }
    *settings = s;
    return PROCESSOR_OK;
}

bool NeedsProcessor(int32_t outputFormat, int32_t coding)
{
    if (ProcessorOnlyOutput(outputFormat))
        return true;
    return (coding == HALF_LR || coding == HALF_AB) &&
           (outputFormat == OUTPUT_PURE_INTERLACED || outputFormat == OUTPUT_3D_TO_2D);
}

void ReleaseProcessorSurface()
{
    ReleaseHandle(g_pProcessorSurface);
    processorWidth = processorHeight = 0;
}

HRESULT Draw3()
{
    const int32_t areaWidth = state.rect.right - state.rect.left, areaHeight = state.rect.bottom - state.rect.top;
    const int32_t frameWidth = movie.rect.right - movie.rect.left, frameHeight = movie.rect.bottom - movie.rect.top;
    ComposeSettings wanted;
    switch (ProcessorSettings(output.OutputFormat, movie.StereoCodingFormat, movie.EyeCodingFormat,
                              output.StrenghtOf2Dto3DEffect, frameWidth, frameHeight, areaWidth, areaHeight, &wanted)) {
    case PROCESSOR_UNDEFINED_OUTPUT: LogMessage("Non defined output format for Draw3()\n"); return E_FAIL;
    case PROCESSOR_UNDEFINED_CODING:
        // The same words as the other two paths use.
        LogMessage("Non defined coding format for Draw3() OUTPUT_PURE_INTERLACED\n");
        return E_FAIL;
    default: break;
    }
    // Method 1 keeps the frame in the stream's surface, the others in the program's.
    IDirectDrawSurface *const frameSurface =
        output.VideomemoryMethod == VIDEOMEMORY_METHOD1 ? g_pDDDirectShowGenerated : g_pDDSoff_screen1;
    if (!frameSurface || !g_pPrimarySurface)
        return Checked(E_POINTER, "Draw3() frame surface");
    if (!compositor.Configured() || !SameSettings(compositor.Settings(), wanted)) {
        if (!compositor.Configure(wanted)) {
            LogFormat("Draw3(): cannot compose a %d x %d frame into %d x %d\n", (int)frameWidth, (int)frameHeight,
                      (int)areaWidth, (int)areaHeight);
            return E_FAIL;
        }
        LogFormat("Draw3(): composing %d x %d into %d x %d\n", (int)frameWidth, (int)frameHeight, (int)areaWidth,
                  (int)areaHeight);
    }
    HRESULT hr = ProcessorSurface(areaWidth, areaHeight);
    if (FAILED(hr))
        return hr;

    DDSURFACEDESC source;
    memset(&source, 0, sizeof source);
    source.dwSize = sizeof source;
    hr = Checked(frameSurface->Lock(NULL, &source, DDLOCK_WAIT | DDLOCK_READONLY, NULL),
                 "pFrame->Lock(NULL, &ddsd, DDLOCK_WAIT | DDLOCK_READONLY, NULL)");
    if (FAILED(hr))
        return hr;
    // Never read outside the locked surface, whatever movie.rect says.
    ComposeFrame frame;
    const bool inside = movie.rect.left >= 0 && movie.rect.top >= 0 && movie.rect.right <= (LONG)source.dwWidth &&
                        movie.rect.bottom <= (LONG)source.dwHeight;
    if (!inside || !FramePixels(source, movie.rect, &frame)) {
        frameSurface->Unlock(NULL);
        LogFormat("Draw3(): cannot read a %d-bit frame surface of %d x %d for the frame %d %d %d %d\n",
                  (int)source.ddpfPixelFormat.dwRGBBitCount, (int)source.dwWidth, (int)source.dwHeight,
                  (int)movie.rect.left, (int)movie.rect.top, (int)movie.rect.right, (int)movie.rect.bottom);
        return E_FAIL;
    }

    DDSURFACEDESC area;
    memset(&area, 0, sizeof area);
    area.dwSize = sizeof area;
    hr = Checked(g_pProcessorSurface->Lock(NULL, &area, DDLOCK_WAIT | DDLOCK_WRITEONLY, NULL),
                 "g_pProcessorSurface->Lock(NULL, &ddsd, DDLOCK_WAIT | DDLOCK_WRITEONLY, NULL)");
    if (FAILED(hr)) {
        frameSurface->Unlock(NULL);
        return hr;
    }
    bool composed = false;
    const DWORD areaBits = area.ddpfPixelFormat.dwRGBBitCount;
    if (areaBits == 32) {
        composed = compositor.Compose(frame, {(uint8_t *)area.lpSurface, (int32_t)area.lPitch, areaWidth, areaHeight},
                                      state.rect.left, state.rect.top);
    } else if (areaBits == 24) {
        if (areaCopy.size() < (size_t)areaWidth * areaHeight)
            areaCopy.resize((size_t)areaWidth * areaHeight);
        composed = compositor.Compose(frame, {(uint8_t *)areaCopy.data(), areaWidth * 4, areaWidth, areaHeight},
                                      state.rect.left, state.rect.top);
        for (int32_t y = 0; composed && y < areaHeight; y++)
            ConvertRow32To24((uint8_t *)area.lpSurface + (size_t)y * area.lPitch,
                             areaCopy.data() + (size_t)y * areaWidth, areaWidth);
    }
    g_pProcessorSurface->Unlock(NULL);
    frameSurface->Unlock(NULL);
    if (!composed) {
        LogFormat("Draw3(): cannot compose into a %d-bit screen\n", (int)areaBits);
        return E_FAIL;
    }
    RECT whole = {0, 0, areaWidth, areaHeight};
    return Checked(g_pPrimarySurface->Blt(&state.rect, g_pProcessorSurface, &whole, DDBLT_WAIT, NULL),
                   "g_pPrimarySurface->Blt(&state.rect, g_pProcessorSurface, &buffer_destination, DDBLT_WAIT, NULL)");
}
