// Opening a movie, the frame pump and the transport.
#pragma once

#include "engine/records.h"

HRESULT StartRendering();
void RenderNextFrame();
void RestoreSurface();
HRESULT Play();
HRESULT Pause();
HRESULT Stop();
