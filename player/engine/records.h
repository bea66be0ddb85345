// The player's process-wide records and interface handles.
//
// Every part of the player reads and writes these directly; there is one main
// thread, so nothing here is locked. Field names are the names the log texts use
// ("movie.StreamTime.int64", "state.rect", "output.VideomemoryMethod").
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <mmstream.h>
#include <amstream.h>
#include <ddstream.h>
#include <stdint.h>

#include "engine/ddraw_factory.h"

enum OutputFormat : int32_t {
    OUTPUT_NO_STEREO = 1072,
    OUTPUT_PURE_INTERLACED = 1073,
    OUTPUT_2D_TO_3D = 1074,
    OUTPUT_3D_TO_2D = 1075,
    // Drawn by the processor compositor (VIDEOMEMORY_METHOD3; the other methods
    // hand them to it too).
    OUTPUT_3D_TO_2D_SECOND = 1101,          // the view that comes second in the frame
    OUTPUT_ANAGLYPH_RED_CYAN = 1102,        // Dubois least squares
    OUTPUT_ANAGLYPH_RED_CYAN_HALF = 1103,   // red from the left eye's grey, cyan in colour
    OUTPUT_ANAGLYPH_RED_CYAN_COLOUR = 1104, // full colour
    OUTPUT_ANAGLYPH_RED_CYAN_GREY = 1105,   // both eyes grey
    OUTPUT_ANAGLYPH_GREEN_MAGENTA = 1106,   // Dubois
    OUTPUT_ANAGLYPH_AMBER_BLUE = 1107,      // Dubois
    OUTPUT_COLUMNS = 1108,                  // left eye on odd screen columns
    OUTPUT_CHECKERBOARD = 1109,             // left eye where screen column + row is odd
    OUTPUT_SIDE_BY_SIDE = 1110,             // each eye in its half, keeping its shape
    OUTPUT_SIDE_BY_SIDE_HALF = 1111,        // each eye squeezed into its half (3D TVs)
    OUTPUT_ABOVE_BELOW = 1112,
    OUTPUT_ABOVE_BELOW_HALF = 1113,
};

// True for the output formats only the processor compositor draws.
inline bool ProcessorOnlyOutput(int32_t format)
{
    return format >= OUTPUT_3D_TO_2D_SECOND && format <= OUTPUT_ABOVE_BELOW_HALF;
}

enum StereoCodingFormat : int32_t {
    SHIFTED_AB = 1076,
    PURE_AB = 1077,
    PURE_LR = 1078,
    PURE_INTERLACED = 1079,
    // Half-size views, as 3D movies are distributed; the processor compositor
    // (VIDEOMEMORY_METHOD3) reads them.
    HALF_LR = 1115,
    HALF_AB = 1116,
};

enum EyeCodingFormat : int32_t {
    LEFT_TOP = 1080,
    RIGHT_TOP = 1081,
};

enum VideomemoryMethod : int32_t {
    VIDEOMEMORY_METHOD1 = 1082,
    VIDEOMEMORY_METHOD2 = 1083,
    // Frames land in g_pDDSoff_screen1 as with method 2; the processor composes
    // the movie area from them and one copy shows it (Draw3).
    VIDEOMEMORY_METHOD3 = 1114,
};

enum MovieState : int32_t {
    Uninitialized = 0,
    Stopped = 1,
    Paused = 2,
    Playing = 3,
};

enum MovieSource : int32_t {
    No_source = 0,
    Initial_movie = 1,
    Url = 2,
    File = 3,
    Url_asf = 4,
};

// Identifier of the static control over which the movie is drawn.
const int MOVIE_BACKGROUND = 1087;
// Height of the strip of transport buttons and slider below the movie area.
const int CONTROL_STRIP_HEIGHT = 30;

const int PATH_CHARS = 260;    // paths, URLs and the command line
const int MCF_TEXT_CHARS = 255; // texts taken from an MCF

struct MovieRecord {
    char szFileName[PATH_CHARS];
    int32_t totalFrames;
    double frameRate;
    int64_t frameLength;
    int64_t totalTime;
    MovieState state;
    MovieSource source;
    StereoCodingFormat StereoCodingFormat;
    EyeCodingFormat EyeCodingFormat;
    RECT rect;
    RECT mcfRect;
    int32_t bMCF;
    int64_t StreamTime;
    char szName[MCF_TEXT_CHARS];
    char szAuthor[MCF_TEXT_CHARS];
    char szCategory[MCF_TEXT_CHARS];
};

struct StateRecord {
    char szCommandLine[PATH_CHARS];
    int32_t bApplicationMinimized;
    RECT rect;
    int32_t frameCount;
    int32_t latestFramerate;
};

struct OutputRecord {
    OutputFormat OutputFormat;
    VideomemoryMethod VideomemoryMethod;
    int32_t StrenghtOf2Dto3DEffect;
};

struct DisplayRecord {
    int32_t screenWidth;
    int32_t screenHeight;
};

extern MovieRecord movie;
extern StateRecord state;
extern OutputRecord output;
extern DisplayRecord display;

extern HWND ghWnd;
extern IDirectDrawFactory *g_pDDF;
extern IDirectDraw *g_pDD;
extern IDirectDraw3 *g_pDD3;
extern IDirectDrawSurface *g_pPrimarySurface;
extern IDirectDrawSurface *g_pDDSoff_screen1;
extern IDirectDrawSurface *g_pDDSoff_screen2;
extern IDirectDrawClipper *g_pDDClipper;
extern IAMMultiMediaStream *g_pMMStream;
extern IMediaStream *g_pPrimaryVidStream;
extern IDirectDrawMediaStream *g_pDDStream;
extern IDirectDrawStreamSample *g_pSample;
extern IDirectDrawSurface *g_pDDDirectShowGenerated;

// Releases the object a handle holds (if any) and clears the handle.
template <class T> inline void ReleaseHandle(T *&handle)
{
    if (handle) {
        handle->Release();
        handle = nullptr;
    }
}

// Stores a new object into a handle, releasing the one it held before.
template <class T> inline void StoreHandle(T *&handle, T *object)
{
    if (handle == object)
        return;
    ReleaseHandle(handle);
    handle = object;
}

// Puts every record back to its process-start state (all zero). Tests use it.
void ResetPlayerRecords();
