// DirectDraw set-up: factory, DirectDraw object, primary surface, the two
// screen-sized work surfaces and the clipper on the movie area.
#pragma once

#include "engine/records.h"

HRESULT InitDirectDraw();
void LogSurfaceInfo(DDSURFACEDESC description);

// How the DirectDraw factory is created; tests put a fake factory in its place.
typedef HRESULT (*CreateFactoryFunction)(IDirectDrawFactory **factory);
extern CreateFactoryFunction g_pfnCreateDirectDrawFactory;
