// Transport: Play, Pause and Stop + Rewind move movie.state and drive the stream.
#include "engine/playback.h"

#include "diagnostics/log.h"

namespace {

// How long Stop waits for the first frame of the movie.
const DWORD REWIND_FRAME_WAIT_MS = 3000;

HRESULT RunStream()
{
    return CHECK_ERROR_DS(g_pMMStream ? g_pMMStream->SetState(STREAMSTATE_RUN) : E_POINTER,
                          "g_pMMStream->SetState(STREAMSTATE_RUN)");
}

// Runs the stream from movie.StreamTime. The stream is stopped while it is
// sought and run afterwards: Wine's stream, sought while it runs, hangs in a
// later sample update or stop. An ASF movie from the internet is not sought.
void RunFromStreamTime()
{
    LogMessage("Going to execute:CHECK_ERROR_DS(g_pMMStream->Seek(movie.StreamTime.int64));\n");
    CancelFrameStep();
    if (g_pMMStream)
        g_pMMStream->SetState(STREAMSTATE_STOP); // mostly stopped already
    if (movie.source == Url_asf)
        LogMessage("Warning, I was not able to execute the Seek (playback of ASF from URL)\n");
    else
        CHECK_ERROR_DS(g_pMMStream ? g_pMMStream->Seek(movie.StreamTime) : E_POINTER,
                       "g_pMMStream->Seek(movie.StreamTime.int64)");
    RunStream();
}

} // namespace

void (*g_pfnPositionChanged)() = NULL;

void LogMovieState()
{
    switch (movie.state) {
    case Uninitialized: LogMessage("movie.state == Uninitialized\n"); break;
    case Stopped: LogMessage("movie.state == Stopped\n"); break;
    case Paused: LogMessage("movie.state == Paused\n"); break;
    case Playing: LogMessage("movie.state == Playing\n"); break;
    default: LogMessage("Warning !! undefined movie state\n"); break;
    }
}

HRESULT Play()
{
    LogMessage("Play()\n");
    switch (movie.state) {
    case Uninitialized: ShowMessageBox(ghWnd, "Please select a movie file first.", "Error", MB_OK); break;
    case Stopped:
        LogMessage("Play is interpreting Stopped situation\n");
        RunFromStreamTime();
        movie.state = Playing;
        break;
    case Paused:
        LogMessage("Play is interpreting Pause situation\n");
        LogMessage("Going to execute:CHECK_ERROR_DS(g_pMMStream->SetState(STREAMSTATE_RUN));\n");
        RunFromStreamTime();
        LogMessage("Going to execute:movie.state=Playing;\n");
        movie.state = Playing;
        break;
    case Playing: LogMessage("Play is interpreting Playing"); break;
    default: ShowMessageBox(ghWnd, "Undefined Movie State in Play.", "Error", MB_OK); break;
    }
    LogMessage("Play() finished\n");
    return 0;
}

HRESULT Pause()
{
    LogMessage("Pause()\n");
    if (movie.state == Uninitialized)
        return 0;
    CancelFrameStep();
    HRESULT hr = E_POINTER;
    if (g_pMMStream) {
        // The resume point is the time of the frame on the screen. (The stream's
        // own clock would do on the first run only: Wine's starts again from 0
        // at every run, wherever the stream was sought to.)
        int64_t now = 0;
        if (CurrentFrameTime(&now) || SUCCEEDED(g_pMMStream->GetTime(&now)))
            movie.StreamTime = now;
        hr = g_pMMStream->SetState(STREAMSTATE_STOP);
    }
    movie.state = Paused;
    return hr;
}

HRESULT Stop()
{
    LogMessage("Executing Stop\n");
    LogMovieState();
    if (movie.state == Uninitialized)
        return 0;
    movie.StreamTime = 0;
    RunFromStreamTime();
    if (g_pSample)
        CHECK_ERROR_DS(FetchFrameWaiting(REWIND_FRAME_WAIT_MS), "g_pSample->Update(0, NULL, NULL, 0)");
    HRESULT hr = CHECK_ERROR_DS(g_pMMStream ? g_pMMStream->SetState(STREAMSTATE_STOP) : E_POINTER,
                                "g_pMMStream->SetState(STREAMSTATE_STOP)");
    RestoreSurface();
    movie.state = Stopped;
    if (g_pfnPositionChanged)
        g_pfnPositionChanged();
    return hr;
}
