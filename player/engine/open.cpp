// Opening a movie: the multimedia stream, its video sample, the window size.
#include "common/owned.h"
#include "engine/movie_headers.h"
#include "engine/movie_math.h"
#include "engine/playback.h"
#include "engine/surfaces.h"

#include "diagnostics/log.h"

#include <string.h>

static HRESULT CreateSystemStream(IAMMultiMediaStream **stream)
{
    return CoCreateInstance(CLSID_AMMultiMediaStream, NULL, CLSCTX_INPROC_SERVER, IID_IAMMultiMediaStream,
                            (void **)stream);
}

CreateStreamFunction g_pfnCreateMultiMediaStream = CreateSystemStream;

namespace {

// Drops the stream objects of the movie that was open before, the sample first,
// so that nothing can use a sample of a stream that is going away.
void ReleaseMovieObjects()
{
    CancelFrameStep();
    ReleaseHandle(g_pSample);
    ReleaseHandle(g_pDDDirectShowGenerated);
    ReleaseHandle(g_pDDStream);
    ReleaseHandle(g_pPrimaryVidStream);
}

} // namespace

// Every object the player holds goes in this order when it ends: the stream and
// what it made, the DirectDraw factory, the surfaces and their clipper, the
// composed area's surface, and the DirectDraw objects last of all.
void ReleasePlayerObjects()
{
    void (*const inOrder[])() = {
        [] { ReleaseHandle(g_pMMStream); },
        [] { ReleaseHandle(g_pSample); },
        [] { ReleaseHandle(g_pDDStream); },
        [] { ReleaseHandle(g_pPrimaryVidStream); },
        [] { ReleaseHandle(g_pDDF); },
        [] { ReleaseHandle(g_pPrimarySurface); },
        [] { ReleaseHandle(g_pDDSoff_screen1); },
        [] { ReleaseHandle(g_pDDSoff_screen2); },
        [] { ReleaseHandle(g_pDDDirectShowGenerated); },
        [] { ReleaseHandle(g_pDDClipper); },
        ReleaseProcessorSurface,
        [] { ReleaseHandle(g_pDD3); },
        [] { ReleaseHandle(g_pDD); },
    };
    CancelFrameStep();
    for (void (*release)() : inOrder)
        release();
}

namespace {

// A frame the stream reported that the player does not take (empty, or larger
// than MAX_FRAME_SIDE in a direction): the user is told as for a file that does
// not open, and the movie is closed before any surface or sample is made for it.
// (A stream that cannot tell its format is reported by its check and goes on.)
bool RefuseUnsupportedFrame()
{
    const int64_t width = (int64_t)movie.rect.right - movie.rect.left;
    const int64_t height = (int64_t)movie.rect.bottom - movie.rect.top;
    if (FrameSizeSupported(width, height))
        return false;
    LogFormat("Warning !! Frame size %d x %d is not supported (1 to %d in each direction)\n", (int)width, (int)height,
              MAX_FRAME_SIDE);
    ShowMessageBox(ghWnd, "File format not supported.", "Error", MB_OK);
    ReleaseMovieObjects();
    ReleaseHandle(g_pMMStream);
    return true;
}

// Makes the work surfaces large enough for the movie's frame before any sample
// is made on them; a failure is reported and the open goes on (the drawing then
// reports what it cannot do).
void FitWorkSurfacesToFrame()
{
    const HRESULT hr =
        GrowWorkSurfaces((DWORD)(movie.rect.right - movie.rect.left), (DWORD)(movie.rect.bottom - movie.rect.top));
    if (FAILED(hr))
        CHECK_ERROR_DD(hr, "GrowWorkSurfaces(movie.rect)");
}

// The part of the screen that windows may take (the screen less the task bar),
// never outside the screen the player measured at start-up.
RECT ScreenWorkArea()
{
    RECT area = {0, 0, display.screenWidth, display.screenHeight};
    RECT work;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        IntersectRect(&area, &area, &work);
    return area;
}

// A movie too large for the screen at its own size: the largest window of the
// movie's shape that the work area holds, centred in it.
HRESULT FitWindowToWorkArea(int width, int height, const RECT &area)
{
    const WindowFit fit = FitWindowInArea(width, height, CONTROL_STRIP_HEIGHT, area.left, area.top,
                                          area.right - area.left, area.bottom - area.top);
    if (!fit.fits)
        return 0;
    const BOOL moved = MoveWindow(ghWnd, fit.x, fit.y, fit.width, fit.height, TRUE);
    LogFormat("Window fitted to the work area iX,iY,nWidth,nHeight %d  %d %d %d \n", fit.x, fit.y, fit.width,
              fit.height);
    return moved;
}

// An AVI file whose headers the stream cannot be trusted with: a video frame
// size the player does not take (Wine's stream hangs in OpenFile on a width or
// height of 0, or of 32768 and more) or no frame rate (the stream then makes one up,
// 1 s a frame, and the movie crawls), or a stream list without its header
// (with the sound stream added, OpenFile never returns). Refused before the
// stream sees the file.
// A file that cannot be read here (an internet address) is left to the stream.
bool RefuseAviHeaders(const char *name)
{
    static uint8_t start[AVI_HEADER_BYTES];
    DWORD got = 0;
    {
        OwnedFile file(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
        if (!file)
            return false;
        if (!ReadFile(file.Get(), start, sizeof start, &got, NULL))
            got = 0;
    }
    const AviVideoHeaders headers = ReadAviVideoHeaders(start, got);
    const int64_t height = headers.height < 0 ? -(int64_t)headers.height : headers.height;
    if (headers.headerlessStream)
        LogMessage("Warning !! A stream of the movie has no stream header or no format\n");
    else if (!headers.found)
        return false;
    else if (!FrameSizeSupported(headers.width, height))
        LogFormat("Warning !! Frame size %d x %d is not supported (1 to %d in each direction)\n", (int)headers.width,
                  (int)headers.height, MAX_FRAME_SIDE);
    else if (headers.rate == 0 || headers.scale == 0)
        LogFormat("Warning !! The movie's headers give no frame rate (rate %u / scale %u)\n", (unsigned)headers.rate,
                  (unsigned)headers.scale);
    else
        return false;
    ShowMessageBox(ghWnd, "File format not supported.", "Error", MB_OK);
    RestoreSurface();
    return true;
}

} // namespace

void LogMovieInfo(MovieRecord *record)
{
    LogFormat("GetTimePerFrame %08.2f\n", (double)record->frameLength * 1e-7);
    LogFormat("GetDuration %08.2f\n", (double)record->totalTime * 1e-7);
    const MovieTiming timing = ComputeMovieTiming(record->frameLength, record->totalTime);
    record->totalFrames = timing.totalFrames;
    record->frameRate = timing.frameRate;
    LogFormat("Frame Rate: %02.2f\n", record->frameRate);
    LogFormat("Total Movie Frames: %d (aprox.)\n", (int)record->totalFrames);
    LogFormat("Total Movie Time Lengt: %02d:%02d:%02.2f\n", timing.hours, timing.minutes, timing.seconds);
    LogFormat("Movie resolution %d x %d \n", (int)(record->rect.right - record->rect.left),
              (int)(record->rect.bottom - record->rect.top));
}

DWORD g_openFileLimitMs = 15000;

namespace {

// One opening on its thread. The window thread and the opening thread each hold
// a reference; the last to let go frees it and releases the stream.
struct OpenJob {
    LONG references;
    IAMMultiMediaStream *stream;
    WCHAR name[PATH_CHARS];
    HRESULT result;
};

void ReleaseOpenJob(OpenJob *job)
{
    if (InterlockedDecrement(&job->references) != 0)
        return;
    job->stream->Release();
    HeapFree(GetProcessHeap(), 0, job);
}

DWORD WINAPI OpenOnItsThread(LPVOID parameter)
{
    OpenJob *job = (OpenJob *)parameter;
    const HRESULT com = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    job->result = job->stream->OpenFile(job->name, 0);
    if (SUCCEEDED(com))
        CoUninitialize();
    ReleaseOpenJob(job);
    return 0;
}

// The stream opens the file on a thread of its own: a stream that hangs there
// (a damaged file, a source that stops answering) must not freeze the window.
// Meanwhile the window thread serves the messages sent to it, but no input and
// no posted command, so nothing starts another command while this one is not
// done. A stream that has not opened the file within g_openFileLimitMs is given
// up, and its thread left to end when it can; *gaveUp then tells.
HRESULT OpenFileBounded(IAMMultiMediaStream *stream, const WCHAR *name, bool *gaveUp)
{
    *gaveUp = false;
    OpenJob *job = (OpenJob *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OpenJob));
    if (!job)
        return stream->OpenFile(name, 0);
    job->references = 2;
    job->stream = stream;
    stream->AddRef();
    lstrcpynW(job->name, name, PATH_CHARS);
    OwnedHandle thread(CreateThread(NULL, 0, OpenOnItsThread, job, 0, NULL));
    if (!thread) {
        job->references = 1;
        ReleaseOpenJob(job);
        return stream->OpenFile(name, 0);
    }
    const DWORD start = GetTickCount();
    DWORD woke = WAIT_TIMEOUT;
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= g_openFileLimitMs)
            break;
        const HANDLE opening = thread.Get();
        woke = MsgWaitForMultipleObjects(1, &opening, FALSE, g_openFileLimitMs - waited, QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE); // delivers the sent messages
    }
    thread.Reset();
    HRESULT hr = E_FAIL;
    if (woke == WAIT_OBJECT_0)
        hr = job->result;
    else
        *gaveUp = true;
    ReleaseOpenJob(job);
    return hr;
}

} // namespace

HRESULT RenderFileToMMStream(const char *name)
{
    LogMessage("content of szFilename\n");
    LogMessage(name);
    LogMessage("\n");

    WCHAR wideName[PATH_CHARS];
    if (!MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, PATH_CHARS))
        wideName[0] = 0; // too long to convert: opens nothing
    wideName[PATH_CHARS - 1] = 0;
    if (RefuseAviHeaders(name))
        return E_FAIL;

    IAMMultiMediaStream *pAMStream = NULL;
    HRESULT hr = g_pfnCreateMultiMediaStream(&pAMStream);
    if (FAILED(CHECK_ERROR_COM(hr, "CoCreateInstance(CLSID_AMMultiMediaStream, NULL, CLSCTX_INPROC_SERVER,"
                                   "IID_IAMMultiMediaStream, (void **)&pAMStream)")))
        return E_FAIL;

    CHECK_ERROR_DS(pAMStream->Initialize(STREAMTYPE_READ, 0, NULL), "pAMStream->Initialize(STREAMTYPE_READ, 0, NULL)");
    CHECK_ERROR_DS(pAMStream->AddMediaStream(g_pDD3, &MSPID_PrimaryVideo, 0, NULL),
                   "pAMStream->AddMediaStream(g_pDD3, &MSPID_PrimaryVideo, 0, NULL)");
    CHECK_ERROR_DS(pAMStream->AddMediaStream(NULL, &MSPID_PrimaryAudio, AMMSF_ADDDEFAULTRENDERER, NULL),
                   "pAMStream->AddMediaStream(NULL, &MSPID_PrimaryAudio, AMMSF_ADDDEFAULTRENDERER, NULL)");

    bool gaveUp;
    hr = OpenFileBounded(pAMStream, wideName, &gaveUp);
    if (gaveUp)
        LogFormat("Warning !! The stream did not open the file within %d seconds\n", (int)(g_openFileLimitMs / 1000));
    if (FAILED(hr)) {
        ShowMessageBox(ghWnd, "File format not supported.", "Error", MB_OK);
        RestoreSurface();
        pAMStream->Release();
        return E_FAIL;
    }

    ReleaseMovieObjects();
    StoreHandle(g_pMMStream, pAMStream);
    return S_OK;
}

HRESULT InitRenderToSurface()
{
    LogMessage("Going to execute InitRenderToSurface()\n");

    IMediaStream *videoStream = NULL;
    CHECK_ERROR_DS(g_pMMStream->GetMediaStream(MSPID_PrimaryVideo, &videoStream),
                   "g_pMMStream->GetMediaStream(MSPID_PrimaryVideo, &g_pPrimaryVidStream)");
    StoreHandle(g_pPrimaryVidStream, videoStream);

    IDirectDrawMediaStream *ddStream = NULL;
    HRESULT hr = E_POINTER;
    if (g_pPrimaryVidStream)
        hr = g_pPrimaryVidStream->QueryInterface(IID_IDirectDrawMediaStream, (void **)&ddStream);
    CHECK_ERROR_DS(hr, "g_pPrimaryVidStream->QueryInterface(IID_IDirectDrawMediaStream, (void **)&g_pDDStream)");
    StoreHandle(g_pDDStream, ddStream);

    DDSURFACEDESC ddsd;
    memset(&ddsd, 0, sizeof ddsd);
    ddsd.dwSize = sizeof ddsd;
    hr = g_pDDStream ? g_pDDStream->GetFormat(&ddsd, NULL, NULL, NULL) : E_POINTER;
    CHECK_ERROR_DS(hr, "g_pDDStream->GetFormat(&ddsd, NULL, NULL, NULL)");
    const bool formatRead = SUCCEEDED(hr);

    DWORD pdwFlags = 0;
    hr = g_pMMStream->GetInformation(&pdwFlags, NULL);
    if (hr == E_NOTIMPL) // the stream cannot tell: logged, but not worth stopping the user for
        LogCallFailure(hr, "g_pMMStream->GetInformation(&pdwFlags, NULL)", ERROR_TABLE_DS);
    else
        CHECK_ERROR_DS(hr, "g_pMMStream->GetInformation(&pdwFlags, NULL)");
    if (SUCCEEDED(hr) && (pdwFlags & MMSSF_SUPPORTSEEK))
        LogMessage("File does support seeking (based on GetInformation)\n");
    else
        LogMessage("Warning !! File does not support seeking, unable to use functionalites related to movie "
                   "position\n");

    STREAM_TIME frameLength = 0;
    hr = g_pDDStream ? g_pDDStream->GetTimePerFrame(&frameLength) : E_POINTER;
    CHECK_ERROR_DS(hr, "g_pDDStream->GetTimePerFrame(&movie.frameLength.int64)");
    movie.frameLength = SUCCEEDED(hr) ? frameLength : 0;

    STREAM_TIME duration = 0;
    hr = g_pMMStream->GetDuration(&duration);
    HRESULT result = CHECK_ERROR_DS(hr, "g_pMMStream->GetDuration(&movie.totalTime.int64)");
    movie.totalTime = SUCCEEDED(hr) ? duration : 0;

    movie.rect.left = 0;
    movie.rect.top = 0;
    movie.rect.right = (LONG)ddsd.dwWidth;
    movie.rect.bottom = (LONG)ddsd.dwHeight;

    LogMovieInfo(&movie);
    if (formatRead && RefuseUnsupportedFrame())
        return E_FAIL;
    FitWorkSurfacesToFrame();

    switch (output.VideomemoryMethod) {
    case VIDEOMEMORY_METHOD1: {
        ReleaseHandle(g_pDDDirectShowGenerated);
        IDirectDrawStreamSample *sample = NULL;
        result = g_pDDStream ? g_pDDStream->CreateSample(NULL, NULL, 0, &sample) : E_POINTER;
        CHECK_ERROR_DS(result, "g_pDDStream->CreateSample(NULL, NULL, 0, &g_pSample)");
        StoreHandle(g_pSample, sample);
        if (g_pSample) {
            IDirectDrawSurface *surface = NULL;
            RECT rect = movie.rect;
            result = g_pSample->GetSurface(&surface, &rect);
            CHECK_ERROR_DS(result, "g_pSample->GetSurface(&g_pDDDirectShowGenerated, &movie.rect)");
            StoreHandle(g_pDDDirectShowGenerated, surface);
            if (SUCCEEDED(result))
                movie.rect = rect;
        }
        break;
    }
    case VIDEOMEMORY_METHOD2:
    case VIDEOMEMORY_METHOD3: { // the processor reads the frame from the program's surface
        IDirectDrawStreamSample *sample = NULL;
        result = g_pDDStream && g_pDDSoff_screen1
                     ? g_pDDStream->CreateSample(g_pDDSoff_screen1, &movie.rect, 0, &sample)
                     : E_POINTER;
        CHECK_ERROR_DS(result, "g_pDDStream->CreateSample(g_pDDSoff_screen1, &movie.rect, 0, &g_pSample)");
        StoreHandle(g_pSample, sample);
        break;
    }
    default: LogMessage("Non defined videomemory method in InitRenderToSurface()\n"); break;
    }

    FitWindowToMovie();
    return result;
}

HRESULT FitWindowToMovie()
{
    int width, height;
    if (movie.bMCF) {
        width = movie.mcfRect.right;
        height = movie.mcfRect.bottom;
    } else {
        if (output.OutputFormat == OUTPUT_PURE_INTERLACED)
            LogMessage("Warning: The resize method for stereoscopic modes is not clear\n");
        width = movie.rect.right;
        height = movie.rect.bottom;
    }
    const WindowFit fit = FitWindow(width, height, CONTROL_STRIP_HEIGHT, display.screenWidth, display.screenHeight);
    const RECT area = ScreenWorkArea();
    if (fit.fits && fit.width <= area.right - area.left && fit.height <= area.bottom - area.top) {
        const BOOL moved = MoveWindow(ghWnd, fit.x, fit.y, fit.width, fit.height, TRUE);
        LogFormat("Window resized to iX,iY,nWidth,nHeight %d  %d %d %d \n", fit.x, fit.y, fit.width, fit.height);
        return moved;
    }
    if (!fit.fits)
        LogFormat("Warning: We can not fit into the screen with %d x %d window\n",
                  (int)movie.rect.right + WINDOW_EXTRA_WIDTH, (int)movie.rect.bottom + WINDOW_EXTRA_HEIGHT);
    return FitWindowToWorkArea(width, height, area);
}

void (*g_pfnOpeningEnded)(bool opened) = NULL;

namespace {

HRESULT OpenAndRun()
{
    movie.state = Uninitialized;

    HRESULT hr = RenderFileToMMStream(movie.szFileName);
    if (FAILED(hr)) {
        LogMessage("hr = RenderFileToMMStream(movie.szFileName); Failed");
        LogDirectShowErrorText(hr);
        LogMessage("Warning !!! Exit code will be normaly activated\n");
        return hr;
    }

    hr = InitRenderToSurface();
    if (!g_pMMStream) {
        // The frame was refused: nothing is open, as when the file does not open.
        RestoreSurface();
        return hr;
    }
    if (FAILED(hr))
        CHECK_ERROR_DS(hr, "InitRenderToSurface()");
    BeginMovieFrames();

    movie.state = Playing;
    return CHECK_ERROR_DS(g_pMMStream->SetState(STREAMSTATE_RUN), "g_pMMStream->SetState(STREAMSTATE_RUN)");
}

} // namespace

HRESULT StartRendering()
{
    const HRESULT hr = OpenAndRun();
    if (g_pfnOpeningEnded)
        g_pfnOpeningEnded(movie.state == Playing);
    return hr;
}
