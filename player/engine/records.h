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
#include "settings.h"

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

const int PATH_CHARS = 260;     // paths, URLs and the command line
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
        handle = NULL;
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
