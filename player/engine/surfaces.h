// DirectDraw set-up: factory, DirectDraw object, primary surface, the two
// screen-sized work surfaces and the clipper on the movie area.
#pragma once

#include "engine/records.h"

HRESULT InitDirectDraw();
void LogSurfaceInfo(DDSURFACEDESC description);

// The largest frame side the player takes; a movie whose frame is larger in
// either direction, or empty, is refused before any surface is made for it.
const int MAX_FRAME_SIDE = 8192;
bool FrameSizeSupported(int64_t width, int64_t height);

// Makes both work surfaces at least width x height (never smaller than they are),
// in video memory when there is room, else in system memory, in the format they
// have. S_OK when they already were large enough or were replaced; on a failure
// the surfaces they had stay and the creation result is returned.
HRESULT GrowWorkSurfaces(DWORD width, DWORD height);

// How the DirectDraw factory is created; tests put a fake factory in its place.
typedef HRESULT (*CreateFactoryFunction)(IDirectDrawFactory **factory);
extern CreateFactoryFunction g_pfnCreateDirectDrawFactory;
