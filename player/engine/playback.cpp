// Movie opening, frame pump and transport. Until the stream is wired up the
// entry points only log and report that nothing can be played.
#include "engine/playback.h"

#include "diagnostics/log.h"

HRESULT StartRendering()
{
    movie.state = Uninitialized;
    return E_FAIL;
}

void RenderNextFrame() {}

void RestoreSurface() {}

HRESULT Play() { return 0; }

HRESULT Pause() { return 0; }

HRESULT Stop() { return 0; }
