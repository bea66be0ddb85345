#include "engine/records.h"

#include <string.h>

MovieRecord movie;
StateRecord state;
OutputRecord output;
DisplayRecord display;

HWND ghWnd;
IDirectDrawFactory *g_pDDF;
IDirectDraw *g_pDD;
IDirectDraw3 *g_pDD3;
IDirectDrawSurface *g_pPrimarySurface;
IDirectDrawSurface *g_pDDSoff_screen1;
IDirectDrawSurface *g_pDDSoff_screen2;
IDirectDrawClipper *g_pDDClipper;
IAMMultiMediaStream *g_pMMStream;
IMediaStream *g_pPrimaryVidStream;
IDirectDrawMediaStream *g_pDDStream;
IDirectDrawStreamSample *g_pSample;
IDirectDrawSurface *g_pDDDirectShowGenerated;

void ResetPlayerRecords()
{
    memset(&movie, 0, sizeof movie);
    memset(&state, 0, sizeof state);
    memset(&output, 0, sizeof output);
    memset(&display, 0, sizeof display);
}
