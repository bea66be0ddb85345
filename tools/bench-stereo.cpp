// Frame rate of every stereo routine on system-memory DirectDraw surfaces: a
// 720x576 source frame into a 720x576 and into a 1024x768 destination, with
// 1024x768 work surfaces. Not a test: it prints figures.
//
//   bench-stereo.exe [seconds per case]       (default 1.5)
//
// Each line "ours <routine> <coding> <destination> <fps> <frames timed> <processor
// microseconds per frame, all threads>"
// is read by tools/bench-stereo.sh, which adds FFmpeg's figures.
#include "stereo/stereo.h"

#include "diagnostics/log.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

const int SOURCE_WIDTH = 720, SOURCE_HEIGHT = 576;
const int WORK_WIDTH = 1024, WORK_HEIGHT = 768;

IDirectDraw *directDraw;

IDirectDrawSurface *CreateSurface(int width, int height)
{
    DDSURFACEDESC description;
    memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    description.dwWidth = width;
    description.dwHeight = height;
    description.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    description.ddpfPixelFormat.dwSize = sizeof description.ddpfPixelFormat;
    description.ddpfPixelFormat.dwFlags = DDPF_RGB;
    description.ddpfPixelFormat.dwRGBBitCount = 32;
    description.ddpfPixelFormat.dwRBitMask = 0x00FF0000;
    description.ddpfPixelFormat.dwGBitMask = 0x0000FF00;
    description.ddpfPixelFormat.dwBBitMask = 0x000000FF;
    IDirectDrawSurface *surface = NULL;
    HRESULT hr = directDraw->CreateSurface(&description, &surface, NULL);
    if (FAILED(hr)) {
        fprintf(stderr, "CreateSurface %dx%d failed 0x%08lX\n", width, height, (unsigned long)hr);
        exit(1);
    }
    return surface;
}

// A frame with something in every row, so nothing is shortcut.
void Fill(IDirectDrawSurface *surface)
{
    DDSURFACEDESC description;
    memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    if (FAILED(surface->Lock(NULL, &description, DDLOCK_WAIT, NULL)))
        return;
    for (DWORD y = 0; y < description.dwHeight; y++) {
        uint32_t *row = (uint32_t *)((char *)description.lpSurface + y * description.lPitch);
        for (DWORD x = 0; x < description.dwWidth; x++)
            row[x] = (x * 3) ^ (y << 8) ^ 0x404040;
    }
    surface->Unlock(NULL);
}

// Reads one pixel so that every queued copy has been carried out.
void Finish(IDirectDrawSurface *surface)
{
    DDSURFACEDESC description;
    memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    RECT one = {0, 0, 1, 1};
    if (SUCCEEDED(surface->Lock(&one, &description, DDLOCK_WAIT | DDLOCK_READONLY, NULL)))
        surface->Unlock(NULL);
}

double Now()
{
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// Processor time of the whole process (every thread, Wine's own included).
double ProcessSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (double)(k.QuadPart + u.QuadPart) / 1e7;
}

struct Surfaces {
    IDirectDrawSurface *source, *destination, *left, *right;
    RECT sourceRect, destinationRect;
};

typedef HRESULT (*Routine)(const Surfaces &s, int coding);

HRESULT RunShifted(const Surfaces &s, int)
{
    return SHIFTED_AB_DisplayInterlaced(s.source, s.destination, s.sourceRect, s.destinationRect, LEFT_TOP);
}
HRESULT RunPureAB(const Surfaces &s, int)
{
    return PURE_AB_DisplayInterlaced(s.source, s.destination, s.sourceRect, s.destinationRect, LEFT_TOP);
}
HRESULT RunPureLR(const Surfaces &s, int)
{
    return PURE_LR_DisplayInterlaced(s.source, s.destination, s.sourceRect, s.destinationRect, LEFT_TOP);
}
HRESULT RunPureInterlaced(const Surfaces &s, int)
{
    return PURE_INTERLACED_DisplayInterlaced(s.source, s.destination, s.sourceRect, s.destinationRect, LEFT_TOP);
}
HRESULT RunMethod2(const Surfaces &s, int)
{
    return METHOD2_Display_2D_to_Interlaced(s.source, s.destination, s.sourceRect, s.destinationRect, 50, LEFT_TOP);
}
HRESULT RunUniversalInterlaced(const Surfaces &s, int coding)
{
    return Universal_Display_Interlaced(s.source, s.destination, s.left, s.right, s.sourceRect, s.destinationRect,
                                        coding, LEFT_TOP);
}
HRESULT RunMethod1(const Surfaces &s, int)
{
    return METHOD1_Display_2D_to_Interlaced(s.source, s.destination, s.left, s.right, s.sourceRect, s.destinationRect,
                                            50, LEFT_TOP);
}
HRESULT Run3Dto2D(const Surfaces &s, int coding)
{
    return Universal_Display_3D_to_2D(s.source, s.destination, s.left, s.sourceRect, s.destinationRect, coding);
}
// The plain stretch of OUTPUT_NO_STEREO, for comparison.
HRESULT RunPlainBlt(const Surfaces &s, int)
{
    RECT d = s.destinationRect, r = s.sourceRect;
    return s.destination->Blt(&d, s.source, &r, DDBLT_WAIT, NULL);
}

struct Case {
    const char *name;
    Routine run;
    int coding; // 0: the routine takes none
};

const Case cases[] = {
    {"SHIFTED_AB_DisplayInterlaced", RunShifted, 0},
    {"PURE_AB_DisplayInterlaced", RunPureAB, 0},
    {"PURE_LR_DisplayInterlaced", RunPureLR, 0},
    {"PURE_INTERLACED_DisplayInterlaced", RunPureInterlaced, 0},
    {"METHOD2_Display_2D_to_Interlaced", RunMethod2, 0},
    {"Universal_Display_Interlaced", RunUniversalInterlaced, SHIFTED_AB},
    {"Universal_Display_Interlaced", RunUniversalInterlaced, PURE_AB},
    {"Universal_Display_Interlaced", RunUniversalInterlaced, PURE_LR},
    {"Universal_Display_Interlaced", RunUniversalInterlaced, PURE_INTERLACED},
    {"METHOD1_Display_2D_to_Interlaced", RunMethod1, 0},
    {"Universal_Display_3D_to_2D", Run3Dto2D, SHIFTED_AB},
    {"Universal_Display_3D_to_2D", Run3Dto2D, PURE_AB},
    {"Universal_Display_3D_to_2D", Run3Dto2D, PURE_LR},
    {"Universal_Display_3D_to_2D", Run3Dto2D, PURE_INTERLACED},
    {"plain_Blt", RunPlainBlt, 0},
};

const char *CodingName(int coding)
{
    switch (coding) {
    case SHIFTED_AB: return "SHIFTED_AB";
    case PURE_AB: return "PURE_AB";
    case PURE_LR: return "PURE_LR";
    case PURE_INTERLACED: return "PURE_INTERLACED";
    default: return "-";
    }
}

// Frames per second of one case, over at least `seconds`.
double Measure(const Case &c, const Surfaces &s, double seconds, int *frames, double *cpuPerFrame)
{
    for (int i = 0; i < 3; i++)
        c.run(s, c.coding);
    Finish(s.destination);
    int n = 0;
    const double start = Now(), cpuStart = ProcessSeconds();
    double elapsed = 0;
    do {
        for (int i = 0; i < 10; i++)
            c.run(s, c.coding);
        n += 10;
        Finish(s.destination);
        elapsed = Now() - start;
    } while (elapsed < seconds);
    *frames = n;
    *cpuPerFrame = (ProcessSeconds() - cpuStart) * 1e6 / n;
    return n / elapsed;
}

// Time of one rectangle copy of the given size, averaged.
double MicrosecondsPerCopy(IDirectDrawSurface *destination, IDirectDrawSurface *source, RECT to, RECT from, int count,
                           DWORD flags = DDBLT_WAIT)
{
    const double start = Now();
    for (int i = 0; i < count; i++)
        destination->Blt(&to, source, &from, flags, NULL);
    Finish(destination);
    return (Now() - start) * 1e6 / count;
}

double MicrosecondsPerFastCopy(IDirectDrawSurface *destination, IDirectDrawSurface *source, RECT from, int count)
{
    const double start = Now();
    for (int i = 0; i < count; i++)
        destination->BltFast(0, (DWORD)(i % 700), source, &from, DDBLTFAST_WAIT);
    Finish(destination);
    return (Now() - start) * 1e6 / count;
}

double MicrosecondsPerMemcpy(size_t bytes)
{
    std::vector<char> from(bytes, 1), to(bytes, 0);
    memcpy(to.data(), from.data(), bytes);
    const int count = 200;
    const double start = Now();
    for (int i = 0; i < count; i++) {
        from[i % bytes] = (char)i;
        memcpy(to.data(), from.data(), bytes);
    }
    const double us = (Now() - start) * 1e6 / count;
    volatile char keep = to[bytes / 2];
    (void)keep;
    return us;
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? atof(argv[1]) : 1.5;
    // Failure texts would only slow the loop down: keep them out of the way.
    char logPath[MAX_PATH];
    GetTempPathA(sizeof logPath, logPath);
    strncat(logPath, "bench-stereo.log", sizeof logPath - strlen(logPath) - 1);
    SetEnvironmentVariableA("VIZOR_LOG", logPath);
    _putenv_s("VIZOR_LOG", logPath);

    HRESULT hr = DirectDrawCreate(NULL, &directDraw, NULL);
    if (FAILED(hr)) {
        fprintf(stderr, "DirectDrawCreate failed 0x%08lX\n", (unsigned long)hr);
        return 1;
    }
    directDraw->SetCooperativeLevel(NULL, DDSCL_NORMAL);

    Surfaces s;
    s.source = CreateSurface(SOURCE_WIDTH, SOURCE_HEIGHT);
    s.left = CreateSurface(WORK_WIDTH, WORK_HEIGHT);
    s.right = CreateSurface(WORK_WIDTH, WORK_HEIGHT);
    Fill(s.source);
    s.sourceRect = {0, 0, SOURCE_WIDTH, SOURCE_HEIGHT};

    const int sizes[2][2] = {{720, 576}, {1024, 768}};
    for (const auto &size : sizes) {
        s.destination = CreateSurface(size[0], size[1]);
        s.destinationRect = {0, 0, size[0], size[1]};
        for (const Case &c : cases) {
            int frames = 0;
            double cpu = 0;
            const double fps = Measure(c, s, seconds, &frames, &cpu);
            printf("ours %s %s %dx%d %.1f %d %.1f\n", c.name, CodingName(c.coding), size[0], size[1], fps, frames, cpu);
            fflush(stdout);
        }
        // What one copy costs, by kind: a one-row stretch, a one-row BltFast and a whole frame.
        const RECT row = {0, 10, SOURCE_WIDTH, 11};
        const RECT rowTo = {0, 10, size[0], 11};
        printf("copy row_stretch %dx%d %.2f\n", size[0], size[1],
               MicrosecondsPerCopy(s.destination, s.source, rowTo, row, 20000));
        // The same copy queued without waiting for it (not what the routines ask for).
        printf("copy row_stretch_async %dx%d %.2f\n", size[0], size[1],
               MicrosecondsPerCopy(s.destination, s.source, rowTo, row, 20000, DDBLT_WAIT | DDBLT_ASYNC));
        const RECT fastRow = {0, 10, size[0], 11};
        printf("copy row_bltfast %dx%d %.2f\n", size[0], size[1],
               MicrosecondsPerFastCopy(s.left, s.right, fastRow, 20000));
        const RECT tiny = {0, 10, 1, 11};
        printf("copy one_pixel %dx%d %.2f\n", size[0], size[1],
               MicrosecondsPerCopy(s.destination, s.source, tiny, tiny, 20000));
        const RECT same = {0, 0, SOURCE_WIDTH < size[0] ? SOURCE_WIDTH : size[0],
                           SOURCE_HEIGHT < size[1] ? SOURCE_HEIGHT : size[1]};
        printf("copy frame_unscaled %dx%d %.2f\n", size[0], size[1],
               MicrosecondsPerCopy(s.destination, s.source, same, same, 300));
        printf("memcpy frame %dx%d %.2f\n", size[0], size[1], MicrosecondsPerMemcpy((size_t)size[0] * size[1] * 4));
        fflush(stdout);
        s.destination->Release();
    }
    s.source->Release();
    s.left->Release();
    s.right->Release();
    directDraw->Release();
    return 0;
}
