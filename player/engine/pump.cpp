// The frame pump: fetch the next frame into the sample, draw it through one of
// the two drawing paths, and notice the end of the movie.
#include "engine/movie_math.h"
#include "engine/playback.h"

#include "diagnostics/log.h"
#include "stereo/stereo.h"
#include "stereo/stereo_geometry.h"

#include <string.h>
#include <time.h>

namespace {

// The frame-timing run.
int32_t bTimingStarted;
int64_t playStartTime;

bool stepReportedFailure;

// The frame fetch outstanding. Until its event is set the stream may be writing
// into the sample's surface, so nothing draws from that surface meanwhile.
HANDLE fetchEvent;
bool fetchPending;
// The time the window thread has spent waiting for the outstanding fetch (time
// in a dialog's own message loop does not count: the frame may be long there).
DWORD fetchWaitedMs;

// How long a frame step waits for a frame the stream owes before it gives the
// movie up.
const DWORD STALL_LIMIT_MS = 10000;
// How long a cancelled fetch may take to finish a frame the stream is writing.
const DWORD SETTLE_MS = 500;
// How long a single frame (after a seek, a rewind or a lost surface) is waited
// for, with the window not answering meanwhile.
const DWORD STILL_FRAME_WAIT_MS = 3000;

// Set when a movie was opened, cleared by its first frame step: a movie whose
// first frame cannot be fetched or drawn is reported, never played as empty.
bool firstFramePending;

// A draw that failed has shown its own box already: one box for one failure.
void ReportFirstFrameFailure(HRESULT result, const char *what)
{
    const bool boxShown = stepReportedFailure;
    stepReportedFailure = true;
    LogFormat("Warning !! The first frame of the movie could not be %s, HRESULT(0x%8.8X)\n", what, (unsigned)result);
    if (!boxShown)
        ShowMessageBox(ghWnd, "Couldn't show the first frame of the movie", "Error", MB_OK);
}

// Reports a failed call of the frame step; remembers that the user was shown a box.
HRESULT CheckStep(HRESULT result, const char *callText, ErrorTable table)
{
    if (FAILED(result))
        stepReportedFailure = true;
    return CheckError(result, callText, table);
}

bool CodingDefined(int coding) { return coding >= SHIFTED_AB && coding <= PURE_INTERLACED; }

// Reports a failed draw call. A lost surface (the screen was locked, a UAC
// prompt or a display-mode change took the video memory) is not reported: the
// frame step restores the surfaces and draws again.
HRESULT Checked(HRESULT hr, const char *callText)
{
    if (FAILED(hr) && hr != DDERR_SURFACELOST)
        CHECK_ERROR_DD(hr, callText);
    return hr;
}

// Stretches the whole frame onto the movie area.
HRESULT BlitFrame(IDirectDrawSurface *source, const char *callText)
{
    HRESULT hr = E_POINTER;
    if (source && g_pPrimarySurface)
        hr = g_pPrimarySurface->Blt(&state.rect, source, &movie.rect, DDBLT_WAIT, NULL);
    return Checked(hr, callText);
}

// The line routines of the second method, one per stereo coding.
typedef HRESULT (*LineRoutine)(IDirectDrawSurface *, IDirectDrawSurface *, RECT, RECT, int);
struct LineRoutineEntry {
    int coding;
    LineRoutine routine;
    const char *callText;
};
const LineRoutineEntry lineRoutines[] = {
    {SHIFTED_AB, SHIFTED_AB_DisplayInterlaced,
     "SHIFTED_AB_DisplayInterlaced(g_pDDSoff_screen1, g_pPrimarySurface, movie.rect, state.rect, "
     "movie.EyeCodingFormat)"},
    {PURE_AB, PURE_AB_DisplayInterlaced,
     "PURE_AB_DisplayInterlaced(g_pDDSoff_screen1, g_pPrimarySurface, movie.rect, state.rect, "
     "movie.EyeCodingFormat)"},
    {PURE_LR, PURE_LR_DisplayInterlaced,
     "PURE_LR_DisplayInterlaced(g_pDDSoff_screen1, g_pPrimarySurface, movie.rect, state.rect, "
     "movie.EyeCodingFormat)"},
    {PURE_INTERLACED, PURE_INTERLACED_DisplayInterlaced,
     "PURE_INTERLACED_DisplayInterlaced(g_pDDSoff_screen1, g_pPrimarySurface, movie.rect, state.rect, "
     "movie.EyeCodingFormat)"},
};

// Where a line routine of the second method draws. Each of its copies is one
// row; onto the screen surface every copy is a round trip to the display, and a
// row that has to be stretched on the way is slower still, so neither keeps up
// with a movie. The rows are therefore put together in the second work surface
// (free with this method): as wide as the source rows they come from, so that
// every row copy is a plain one, and with a top row whose parity is that of the
// movie area's top screen row, so that every row gets the view the parity rule
// gives its screen row. One copy then shows the whole area, stretched to its
// width and clipped like any other. When the work surface cannot hold the rows,
// the routine draws onto the screen directly.
struct LineTarget {
    IDirectDrawSurface *surface;
    RECT rect;
    bool composed;
};

LineTarget ChooseLineTarget(int64_t rowWidth)
{
    LineTarget target = {g_pPrimarySurface, state.rect, false};
    if (!g_pDDSoff_screen2)
        return target;
    DDSURFACEDESC ddsd;
    memset(&ddsd, 0, sizeof ddsd);
    ddsd.dwSize = sizeof ddsd;
    if (FAILED(g_pDDSoff_screen2->GetSurfaceDesc(&ddsd)))
        return target;
    const int64_t width = (int64_t)state.rect.right - state.rect.left;
    const int64_t height = (int64_t)state.rect.bottom - state.rect.top;
    const LONG parity = state.rect.top & 1;
    // The last pair of an odd-height area reaches one row below it.
    if (width <= 0 || height <= 0 || rowWidth <= 0 || rowWidth > (int64_t)ddsd.dwWidth ||
        parity + height + 1 > (int64_t)ddsd.dwHeight)
        return target;
    target.surface = g_pDDSoff_screen2;
    target.rect = RECT{0, parity, (LONG)rowWidth, parity + (LONG)height};
    target.composed = true;
    return target;
}

// Width of the source rows a line routine copies for the current movie.
int64_t SourceRowWidth()
{
    const int64_t width = (int64_t)movie.rect.right - movie.rect.left;
    if (output.OutputFormat == OUTPUT_2D_TO_3D)
        return width - SyntheticShift((int32_t)width, output.StrenghtOf2Dto3DEffect);
    if (movie.StereoCodingFormat == PURE_LR)
        return width / 2;
    return width;
}

// Shows what a line routine put together in the work surface; returns the
// routine's failure if it had one, else the result of showing it.
HRESULT ShowLineTarget(const LineTarget &target, HRESULT drawn)
{
    if (!target.composed)
        return drawn;
    RECT source = target.rect;
    const HRESULT shown = Checked(g_pPrimarySurface->Blt(&state.rect, g_pDDSoff_screen2, &source, DDBLT_WAIT, NULL),
                                  "g_pPrimarySurface->Blt(&state.rect, g_pDDSoff_screen2, &buffer_destination, "
                                  "DDBLT_WAIT, NULL)");
    return FAILED(drawn) ? drawn : shown;
}

// Set while a failed restore of lost surfaces has been reported: later frames
// try again without a box.
bool restoreFailureReported;

// One draw; after a lost surface the surfaces are restored and the frame drawn
// again. *lossHandled tells the caller that the result is a loss already dealt
// with (restored and lost again at once, or a restore that failed and was
// reported once), not a failed draw to report.
HRESULT DrawRestoringLostSurfaces(HRESULT (*draw)(), bool *lossHandled)
{
    *lossHandled = false;
    HRESULT hr = draw();
    if (hr != DDERR_SURFACELOST)
        return hr;
    *lossHandled = true;
    if (FAILED(RestoreLostSurfaces()))
        return hr;
    hr = draw();
    *lossHandled = hr == DDERR_SURFACELOST;
    return hr;
}

// The drawing path of each video-memory method.
struct MethodEntry {
    int method;
    HRESULT (*draw)();
    const char *callText;    // in a failure's log line
    const char *restoreLine; // logged when the window asks for the frame again
};
const MethodEntry methods[] = {
    {VIDEOMEMORY_METHOD1, Draw1, "Draw1()", "Restoring surface by Draw1()\n"},
    {VIDEOMEMORY_METHOD2, Draw2, "Draw2()", "Restoring surface by Draw2()\n"},
    {VIDEOMEMORY_METHOD3, Draw3, "Draw3()", "Restoring surface by Draw3()\n"},
};

// The entry of the current method; null (after the warning) when it is not defined.
const MethodEntry *CurrentMethod()
{
    for (const MethodEntry &entry : methods)
        if (entry.method == output.VideomemoryMethod)
            return &entry;
    LogMessage("Warning !! Undefined videomemory managment method");
    return NULL;
}

// Draws through the drawing path of the current method; returns false (after the
// warning) when the method is not defined.
bool DrawByMethod(HRESULT *result)
{
    const MethodEntry *entry = CurrentMethod();
    if (!entry)
        return false;
    bool lossHandled;
    *result = DrawRestoringLostSurfaces(entry->draw, &lossHandled);
    if (FAILED(*result) && !lossHandled)
        CheckStep(*result, entry->callText, ERROR_TABLE_DD);
    return true;
}

} // namespace

void BeginMovieFrames() { firstFramePending = true; }

bool FramePumpReady() { return g_pSample != NULL; }

HRESULT RestoreLostSurfaces()
{
    // The stream draws into a surface of its own with method 1 only.
    // clang-format off
    IDirectDrawSurface *const surfaces[] = {
        g_pPrimarySurface, g_pDDSoff_screen1, g_pDDSoff_screen2,
        output.VideomemoryMethod == VIDEOMEMORY_METHOD1 ? g_pDDDirectShowGenerated : NULL};
    // clang-format on
    const char *const names[] = {"g_pPrimarySurface->Restore()", "g_pDDSoff_screen1->Restore()",
                                 "g_pDDSoff_screen2->Restore()", "g_pDDDirectShowGenerated->Restore()"};
    HRESULT failure = DD_OK;
    const char *failed = NULL;
    for (size_t i = 0; i < sizeof surfaces / sizeof surfaces[0]; i++) {
        if (!surfaces[i])
            continue;
        const HRESULT hr = surfaces[i]->Restore();
        if (FAILED(hr) && !failed) {
            failure = hr;
            failed = names[i];
        }
    }
    if (!failed) {
        LogMessage("DirectDraw surfaces were lost and have been restored\n");
        restoreFailureReported = false;
        return DD_OK;
    }
    if (!restoreFailureReported) {
        CheckStep(failure, failed, ERROR_TABLE_DD);
        restoreFailureReported = true;
    }
    return failure;
}

HRESULT DrawCurrentFrame()
{
    if (!CancelFrameStep())
        return S_FALSE; // the stream is still writing the frame
    HRESULT result = E_FAIL;
    DrawByMethod(&result);
    return result;
}

bool CurrentFrameTime(int64_t *time)
{
    STREAM_TIME start = 0, end = 0, current = 0;
    if (!g_pSample || FAILED(g_pSample->GetSampleTimes(&start, &end, &current)))
        return false;
    *time = start;
    return true;
}

bool LastFrameStepReportedFailure() { return stepReportedFailure; }

void ResetFrameTiming()
{
    bTimingStarted = 0;
    playStartTime = 0;
    stepReportedFailure = false;
    restoreFailureReported = false;
    firstFramePending = false;
    fetchPending = false;
    fetchWaitedMs = 0;
}

namespace {

// The drawing routines of the first two methods, one row per method and output
// format: the frame surface the stream decodes into, the routine with its
// arguments, and the call text a failure is logged with. The first method's
// frame is the stream's own surface, the second's the first work surface (the
// second work surface is then free for the line routines' rows).
HRESULT DrawPlain(IDirectDrawSurface *frame, const char *callText) { return BlitFrame(frame, callText); }

HRESULT DrawInterlaced1(IDirectDrawSurface *frame, const char *callText)
{
    return Checked(Universal_Display_Interlaced(frame, g_pPrimarySurface, g_pDDSoff_screen1, g_pDDSoff_screen2,
                                                movie.rect, state.rect, movie.StereoCodingFormat,
                                                movie.EyeCodingFormat),
                   callText);
}

HRESULT Draw2Dto3D1(IDirectDrawSurface *frame, const char *callText)
{
    return Checked(METHOD1_Display_2D_to_Interlaced(frame, g_pPrimarySurface, g_pDDSoff_screen1, g_pDDSoff_screen2,
                                                    movie.rect, state.rect, output.StrenghtOf2Dto3DEffect,
                                                    movie.EyeCodingFormat),
                   callText);
}

HRESULT DrawOneView1(IDirectDrawSurface *frame, const char *callText)
{
    return Checked(Universal_Display_3D_to_2D(frame, g_pPrimarySurface, g_pDDSoff_screen1, movie.rect, state.rect,
                                              movie.StereoCodingFormat),
                   callText);
}

HRESULT DrawInterlaced2(IDirectDrawSurface *frame, const char *callText)
{
    for (const LineRoutineEntry &entry : lineRoutines) {
        if (entry.coding != movie.StereoCodingFormat)
            continue;
        const LineTarget target = ChooseLineTarget(SourceRowWidth());
        const HRESULT hr =
            Checked(entry.routine(frame, target.surface, movie.rect, target.rect, movie.EyeCodingFormat), callText);
        return ShowLineTarget(target, hr);
    }
    return E_FAIL; // not reached: the coding was checked first
}

HRESULT Draw2Dto3D2(IDirectDrawSurface *frame, const char *callText)
{
    const LineTarget target = ChooseLineTarget(SourceRowWidth());
    const HRESULT hr = Checked(METHOD2_Display_2D_to_Interlaced(frame, target.surface, movie.rect, target.rect,
                                                                output.StrenghtOf2Dto3DEffect, movie.EyeCodingFormat),
                               callText);
    return ShowLineTarget(target, hr);
}

HRESULT DrawOneView2(IDirectDrawSurface *frame, const char *callText)
{
    return Checked(Universal_Display_3D_to_2D(frame, g_pPrimarySurface, g_pDDSoff_screen2, movie.rect, state.rect,
                                              movie.StereoCodingFormat),
                   callText);
}

struct DrawRow {
    int method;
    int outputFormat;
    bool needsCoding; // draws only the four codings of the line routines
    HRESULT (*draw)(IDirectDrawSurface *frame, const char *callText);
    const char *callText; // null: the line routine's own
};

const DrawRow drawRows[] = {
    {VIDEOMEMORY_METHOD1, OUTPUT_NO_STEREO, false, DrawPlain,
     "g_pPrimarySurface->Blt(&state.rect, g_pDDDirectShowGenerated, &movie.rect, DDBLT_WAIT, NULL)"},
    {VIDEOMEMORY_METHOD1, OUTPUT_PURE_INTERLACED, true, DrawInterlaced1,
     "Universal_Display_Interlaced( g_pDDDirectShowGenerated, g_pPrimarySurface, g_pDDSoff_screen1, "
     "g_pDDSoff_screen2, movie.rect, state.rect, movie.StereoCodingFormat, movie.EyeCodingFormat)"},
    {VIDEOMEMORY_METHOD1, OUTPUT_2D_TO_3D, false, Draw2Dto3D1,
     "METHOD1_Display_2D_to_Interlaced(g_pDDDirectShowGenerated, g_pPrimarySurface, g_pDDSoff_screen1, "
     "g_pDDSoff_screen2, movie.rect, state.rect, output.StrenghtOf2Dto3DEffect, movie.EyeCodingFormat)"},
    {VIDEOMEMORY_METHOD1, OUTPUT_3D_TO_2D, true, DrawOneView1,
     "Universal_Display_3D_to_2D( g_pDDDirectShowGenerated, g_pPrimarySurface, g_pDDSoff_screen1, movie.rect, "
     "state.rect, movie.StereoCodingFormat)"},
    {VIDEOMEMORY_METHOD2, OUTPUT_NO_STEREO, false, DrawPlain,
     "g_pPrimarySurface->Blt(&state.rect, g_pDDSoff_screen1, &movie.rect, DDBLT_WAIT, NULL)"},
    {VIDEOMEMORY_METHOD2, OUTPUT_PURE_INTERLACED, true, DrawInterlaced2, NULL},
    {VIDEOMEMORY_METHOD2, OUTPUT_2D_TO_3D, false, Draw2Dto3D2,
     "METHOD2_Display_2D_to_Interlaced(g_pDDSoff_screen1, g_pPrimarySurface, movie.rect, state.rect, "
     "output.StrenghtOf2Dto3DEffect, movie.EyeCodingFormat)"},
    {VIDEOMEMORY_METHOD2, OUTPUT_3D_TO_2D, true, DrawOneView2,
     "Universal_Display_3D_to_2D( g_pDDSoff_screen1, g_pPrimarySurface, g_pDDSoff_screen2, movie.rect, "
     "state.rect, movie.StereoCodingFormat)"},
};

// Draw1 and Draw2: the row of the method and output format, or the processor
// for what only it draws.
HRESULT DrawByTable(int method, IDirectDrawSurface *frame, const char *undefinedOutput, const char *undefinedCoding)
{
    if (NeedsProcessor(output.OutputFormat, movie.StereoCodingFormat))
        return Draw3();
    for (const DrawRow &row : drawRows) {
        if (row.method != method || row.outputFormat != output.OutputFormat)
            continue;
        if (row.needsCoding && !CodingDefined(movie.StereoCodingFormat)) {
            LogMessage(undefinedCoding);
            return E_FAIL;
        }
        const char *callText = row.callText;
        if (!callText)
            for (const LineRoutineEntry &entry : lineRoutines)
                if (entry.coding == movie.StereoCodingFormat)
                    callText = entry.callText;
        if (!frame || !g_pPrimarySurface)
            return Checked(E_POINTER, callText);
        return row.draw(frame, callText);
    }
    LogMessage(undefinedOutput);
    return E_FAIL;
}

} // namespace

HRESULT Draw1()
{
    return DrawByTable(VIDEOMEMORY_METHOD1, g_pDDDirectShowGenerated, "Non defined output format for Draw1()\n",
                       "Non defined coding format for Draw1() OUTPUT_PURE_INTERLACED\n");
}

HRESULT Draw2()
{
    return DrawByTable(VIDEOMEMORY_METHOD2, g_pDDSoff_screen1, "Non defined output format for Draw2()\n",
                       "Non defined coding format for Draw2() OUTPUT_PURE_INTERLACED\n");
}

void (*g_pfnAdjustOutputRect)(RECT *rect) = NULL;
void (*g_pfnOpenNextMovie)() = NULL;

void UpdateOutputRect()
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(ghWnd, &client);
    POINT topLeft = {client.left, client.top};
    POINT bottomRight = {client.right, client.bottom};
    ClientToScreen(ghWnd, &topLeft);
    ClientToScreen(ghWnd, &bottomRight);
    state.rect.left = topLeft.x;
    state.rect.top = topLeft.y;
    state.rect.right = bottomRight.x;
    state.rect.bottom = bottomRight.y - CONTROL_STRIP_HEIGHT;
    if (g_pfnAdjustOutputRect)
        g_pfnAdjustOutputRect(&state.rect);
}

int IsOutputRectAcceptable()
{
    if (OutputRectAcceptable(state.bApplicationMinimized, state.rect.left, state.rect.top, state.rect.right,
                             state.rect.bottom))
        return 1;
    LogMessage("Warning !! Tring to render to unacceptable output rectangle\n");
    LogFormat("Problematic rendering area: l %d r %d  t %d  b %d \n", (int)state.rect.left, (int)state.rect.right,
              (int)state.rect.top, (int)state.rect.bottom);
    return 0;
}

void RestoreSurface()
{
    if (movie.state == Uninitialized) {
        LogMessage("Warning: Calling RestoreSurface with non initialized movie\n");
        return;
    }
    if (!CancelFrameStep())
        return; // the stream is still writing the frame
    UpdateOutputRect();
    UpdateWindow(GetDlgItem(ghWnd, MOVIE_BACKGROUND));
    if (!IsOutputRectAcceptable())
        return;
    const MethodEntry *entry = CurrentMethod();
    if (!entry)
        return;
    LogMessage(entry->restoreLine);
    bool lossHandled;
    const HRESULT hr = DrawRestoringLostSurfaces(entry->draw, &lossHandled);
    if (FAILED(hr) && !lossHandled)
        CHECK_ERROR_DD(hr, entry->callText);
}

namespace {

// The movie after the start-up movie: the one of the command line, if any.
void GoOnAfterInitialMovie()
{
    if (movie.source != Initial_movie)
        return;
    LogMessage("Restarting after InitalMoviePlayback\n");
    movie.source = No_source;
    if (g_pfnOpenNextMovie)
        g_pfnOpenNextMovie();
    if (movie.source != No_source)
        StartRendering();
}

} // namespace

// The end of a playback: stop the stream, log the achieved frame rate and, after
// the start-up movie, go on with the movie of the command line.
static void EndPlayback()
{
    CheckStep(g_pMMStream->SetState(STREAMSTATE_STOP), "g_pMMStream->SetState(STREAMSTATE_STOP)", ERROR_TABLE_DS);

    state.latestFramerate = AchievedFrameRate(state.frameCount, (int64_t)time(NULL) - playStartTime);

    RECT client = {0, 0, 0, 0};
    GetClientRect(ghWnd, &client);
    state.rect = client;

    LogFormat("Source resolution  %d x %d \n", (int)(movie.rect.right - movie.rect.left),
              (int)(movie.rect.bottom - movie.rect.top));
    LogFormat("Destination resolution  %d x %d \n", (int)(state.rect.right - state.rect.left),
              (int)(state.rect.bottom - state.rect.top));
    LogFormat("Frames played: %d \n", (int)state.frameCount);
    LogFormat("EXPERIENTAL FRAMERATE: %d \n", (int)state.latestFramerate);
    // Any method but the first and the third is reported as the second.
    const int32_t method =
        output.VideomemoryMethod == VIDEOMEMORY_METHOD1 || output.VideomemoryMethod == VIDEOMEMORY_METHOD3
            ? output.VideomemoryMethod
            : VIDEOMEMORY_METHOD2;
    LogFormat("%s\n", SettingName(Setting::Method, method));

    state.frameCount = 0;
    bTimingStarted = 0;
    movie.state = Stopped;
    GoOnAfterInitialMovie();
}

namespace {

// Asks the stream for the next frame. With an event the stream answers at once
// and sets the event when the frame is in the sample (or the update ended
// otherwise); MS_S_PENDING then says the fetch is outstanding.
HRESULT BeginFetch()
{
    if (!fetchEvent)
        fetchEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (!fetchEvent)
        return g_pSample->Update(0, NULL, NULL, 0);
    ResetEvent(fetchEvent);
    const HRESULT hr = g_pSample->Update(SSUPDATE_ASYNC, fetchEvent, NULL, 0);
    if (hr == MS_S_PENDING) {
        fetchPending = true;
        fetchWaitedMs = 0;
    }
    return hr;
}

// The result of the fetch whose event is set.
HRESULT TakeFetchResult()
{
    fetchPending = false;
    return g_pSample->CompletionStatus(0, 0);
}

// Ends the outstanding fetch: aborts it or, when the stream is writing the frame
// already, lets it finish that. *result (when given) is how the fetch ended: S_OK
// when the frame came in time. False when the fetch is still outstanding.
bool SettleFetch(HRESULT *result)
{
    if (!fetchPending)
        return true;
    HRESULT hr = g_pSample->CompletionStatus(COMPSTAT_ABORT, 0);
    if (hr == MS_S_PENDING && WaitForSingleObject(fetchEvent, SETTLE_MS) == WAIT_OBJECT_0)
        hr = g_pSample->CompletionStatus(0, 0);
    if (hr == MS_S_PENDING)
        return false;
    fetchPending = false;
    if (result)
        *result = hr;
    return true;
}

void StartTiming()
{
    if (!bTimingStarted) {
        playStartTime = (int64_t)time(NULL);
        bTimingStarted = 1;
    }
}

// A frame is in the sample: count it and take its time as the movie's position.
void NoteFetchedFrame()
{
    UpdateOutputRect();
    state.frameCount++;
    STREAM_TIME now = 0;
    HRESULT hr = g_pMMStream->GetTime(&now);
    if (SUCCEEDED(CheckStep(hr, "g_pMMStream->GetTime(&movie.StreamTime.int64)", ERROR_TABLE_DS)))
        movie.StreamTime = now;
    // The movie's position is the time of the frame just fetched: Wine's
    // stream clock starts again from 0 at every run, wherever it was sought to.
    int64_t frameTime;
    if (CurrentFrameTime(&frameTime))
        movie.StreamTime = frameTime;
}

// A frame is in the sample: count it and put it on the screen.
void ShowFetchedFrame()
{
    NoteFetchedFrame();
    if (IsOutputRectAcceptable()) {
        HRESULT drawn;
        if (DrawByMethod(&drawn) && FAILED(drawn) && firstFramePending)
            ReportFirstFrameFailure(drawn, "drawn");
    }
    firstFramePending = false;
}

// The rest of a frame step, once the fetch has ended with update.
void FinishStep(HRESULT update)
{
    if (update == DDERR_SURFACELOST) {
        // The surface the stream decodes into lost its video memory (a screen
        // lock, a display-mode change): restore it and fetch again. A restore
        // that fails was reported once; a later frame step tries again. Either
        // way this is no end of the movie.
        if (FAILED(RestoreLostSurfaces()))
            return;
        update = FetchFrameWaiting(STILL_FRAME_WAIT_MS);
        if (update == DDERR_SURFACELOST || update == MS_S_PENDING)
            return;
    }
    if (update == S_OK) {
        ShowFetchedFrame();
        return;
    }

    if (movie.state != Playing)
        return;
    // An end before any frame is only normal for a movie that has no length.
    if (firstFramePending && (FAILED(update) || movie.totalTime > 0))
        ReportFirstFrameFailure(update, "fetched");
    // A fetch that fails after frames were shown is no end of the movie: its file
    // could not be read any more (locked by another program, its drive or share
    // gone). Said once, then the playback ends as at the end.
    else if (FAILED(update))
        CheckStep(update, "g_pSample->Update(0, NULL, NULL, 0)", ERROR_TABLE_DS);
    firstFramePending = false;
    EndPlayback();
}

// Waits at most timeoutMs for the fetch that update tells of; MS_S_PENDING when
// no frame came in that time (the fetch is then cancelled).
HRESULT AwaitFetch(HRESULT update, DWORD timeoutMs)
{
    if (update != MS_S_PENDING)
        return update;
    if (WaitForSingleObject(fetchEvent, timeoutMs) == WAIT_OBJECT_0)
        return TakeFetchResult();
    if (!SettleFetch(&update)) {
        fetchPending = false; // the stream holds on to the sample: not waited for any longer
        return MS_S_PENDING;
    }
    if (update == S_OK)
        return update;
    LogFormat("Warning !! No frame came from the stream within %d ms\n", (int)timeoutMs);
    return MS_S_PENDING;
}

// Starts a frame step (false when there is no sample); *update is the fetch's
// first answer.
bool BeginStep(HRESULT *update)
{
    CancelFrameStep();
    stepReportedFailure = false;
    if (!g_pSample)
        return false;
    StartTiming();
    *update = BeginFetch();
    return true;
}

} // namespace

HRESULT FetchFrameWaiting(DWORD timeoutMs)
{
    if (!g_pSample)
        return E_POINTER;
    CancelFrameStep();
    return AwaitFetch(BeginFetch(), timeoutMs);
}

void RenderNextFrame()
{
    HRESULT update;
    if (!BeginStep(&update))
        return;
    update = AwaitFetch(update, STILL_FRAME_WAIT_MS);
    if (update != MS_S_PENDING)
        FinishStep(update);
}

void StartFrameStep()
{
    if (fetchPending)
        return;
    HRESULT update;
    if (!BeginStep(&update))
        return;
    if (update == MS_S_PENDING) {
        if (WaitForSingleObject(fetchEvent, 0) != WAIT_OBJECT_0)
            return; // the main loop waits for the event
        update = TakeFetchResult();
    }
    FinishStep(update);
}

HANDLE FrameStepEvent() { return fetchPending ? fetchEvent : NULL; }

void FinishFrameStep()
{
    if (fetchPending)
        FinishStep(TakeFetchResult());
}

DWORD FrameStepMsLeft() { return fetchWaitedMs >= STALL_LIMIT_MS ? 0 : STALL_LIMIT_MS - fetchWaitedMs; }

void FrameStepWaited(DWORD ms)
{
    fetchWaitedMs = ms >= STALL_LIMIT_MS - fetchWaitedMs ? STALL_LIMIT_MS : fetchWaitedMs + ms;
}

bool CancelFrameStep()
{
    HRESULT result = MS_S_NOUPDATE;
    if (!SettleFetch(&result))
        return false;
    // A frame that came just in time is shown like any other: the screen and the
    // sample (whose time is the resume point of a pause) keep to the same frame.
    if (result == S_OK)
        ShowFetchedFrame();
    return true;
}

void AbandonStalledFrameStep()
{
    if (!fetchPending)
        return;
    LogFormat("Warning !! No frame came from the stream for %d seconds: the movie is stopped\n",
              (int)(STALL_LIMIT_MS / 1000));
    SettleFetch(NULL);
    if (g_pMMStream)
        g_pMMStream->SetState(STREAMSTATE_STOP);
    // A stream that holds on to the sample even when stopped is not waited for
    // any longer: the player has to stay usable.
    fetchPending = false;
    stepReportedFailure = true;
    firstFramePending = false;
    state.frameCount = 0;
    bTimingStarted = 0;
    movie.StreamTime = 0;
    movie.state = Stopped;
    ShowMessageBox(ghWnd, "The movie stopped delivering pictures, so it was stopped.", "Error", MB_OK);
    GoOnAfterInitialMovie();
}
