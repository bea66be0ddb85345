// Opening a movie, the frame pump and the transport.
#pragma once

#include "engine/records.h"

// Opening (open.cpp): makes the stream for movie.szFileName, its sample, fits the
// window and runs the stream.
HRESULT StartRendering();
HRESULT RenderFileToMMStream(const char *name);
HRESULT InitRenderToSurface();
HRESULT FitWindowToMovie();
void LogMovieInfo(MovieRecord *record);
// Creates the multimedia stream object; tests put a fake in its place.
typedef HRESULT (*CreateStreamFunction)(IAMMultiMediaStream **stream);
extern CreateStreamFunction g_pfnCreateMultiMediaStream;
// How long the stream may take to open a file (on a thread of its own) before
// the player gives the file up as one it cannot open; tests shorten it.
extern DWORD g_openFileLimitMs;

// Frame pump (pump.cpp). A frame step fetches the next frame into the sample
// and draws it. The main loop's steps do not wait for the stream: StartFrameStep
// asks for the frame and, while FrameStepEvent is not null, the loop serves
// messages until that event is set and then calls FinishFrameStep.
// RenderNextFrame is one whole step that waits a bounded time for its frame (a
// seek's single frame).
void RenderNextFrame();
void StartFrameStep();
HANDLE FrameStepEvent();
void FinishFrameStep();
// The watchdog of an outstanding step: the loop adds the time it waited for the
// frame; when none is left the stream is taken to have stalled, and
// AbandonStalledFrameStep stops the movie with a log line and a box.
DWORD FrameStepMsLeft();
void FrameStepWaited(DWORD ms);
void AbandonStalledFrameStep();
// Ends an outstanding fetch before anything else uses the stream or draws from
// the sample's surface (a frame that came meanwhile is counted). False when the
// stream still writes into the surface.
bool CancelFrameStep();
// Fetches one frame and waits for it at most timeoutMs; MS_S_PENDING (after a
// log line) when none came in that time.
HRESULT FetchFrameWaiting(DWORD timeoutMs);
HRESULT Draw1();
HRESULT Draw2();
// The processor compositor's path (draw3.cpp): composes the movie area from the
// locked frame surface and shows it with one copy.
HRESULT Draw3();
// True when only the processor can draw this output or coding; Draw1 and Draw2
// then hand the frame to Draw3.
bool NeedsProcessor(int32_t outputFormat, int32_t coding);
// The compositor's settings for the player's values.
struct ComposeSettings;
enum { PROCESSOR_OK, PROCESSOR_UNDEFINED_OUTPUT, PROCESSOR_UNDEFINED_CODING };
int ProcessorSettings(int32_t outputFormat, int32_t coding, int32_t eye, int32_t strength, int32_t frameWidth,
                      int32_t frameHeight, int32_t areaWidth, int32_t areaHeight, ComposeSettings *settings);
// Releases the composed area's surface.
void ReleaseProcessorSurface();
// Ends an outstanding frame fetch and releases every object the player holds,
// in the order they must go.
void ReleasePlayerObjects();
void UpdateOutputRect();
// Set by the shell while the output rectangle is its own (full screen): called
// with the rectangle UpdateOutputRect computed, to replace it.
extern void (*g_pfnAdjustOutputRect)(RECT *rect);
// Set by the shell: called at the end of every StartRendering, with whether the
// movie opened (and runs).
extern void (*g_pfnOpeningEnded)(bool opened);
// Set by the shell: called when the start-up movie has ended, to choose the
// movie that follows it (movie.source stays No_source when there is none).
extern void (*g_pfnOpenNextMovie)();
// Set by the shell: called when Stop has moved the movie to its beginning, so
// that the slider follows.
extern void (*g_pfnPositionChanged)();
int IsOutputRectAcceptable();
void RestoreSurface();
// The movie time of the frame in the sample (its start time); false when the
// sample cannot tell.
bool CurrentFrameTime(int64_t *time);
// Draws the current frame through the path of the current method, as a frame
// step does, reporting a failed draw. When a surface was lost it restores the
// surfaces (RestoreLostSurfaces) and draws the frame again, with no box.
HRESULT DrawCurrentFrame();
// Restores the primary surface, both work surfaces and, for method 1, the
// stream's surface. Logs one line when all came back; a failure is reported
// (box) once, and again only after a restore succeeded in between.
HRESULT RestoreLostSurfaces();
// A movie was opened: the next frame step is its first, and a failure to fetch
// or draw it is reported to the user.
void BeginMovieFrames();
// True when a frame step can do anything (a sample exists).
bool FramePumpReady();
// True when the last frame step reported a failure to the user (and showed the
// error box): the main loop then lets the user act before the next step.
bool LastFrameStepReportedFailure();
// Forgets the frame-timing run (tests use it).
void ResetFrameTiming();

// Transport (transport.cpp).
HRESULT Play();
HRESULT Pause();
HRESULT Stop();
void LogMovieState();
