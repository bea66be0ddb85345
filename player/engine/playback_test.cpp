// Opening, pumping and the transport against a fake stream: the calls made on the
// stream, the states reached, the log written and the boxes shown. The drawing
// itself is checked end to end (tests/e2e), on the real screen.
#include "diagnostics/test_log.h"
#include "engine/fake_stream.h"
#include "shell/seams_test_support.h"
#include "engine/movie_math.h"
#include "engine/playback.h"

#include "diagnostics/log.h"
#include "shell/commandline.h"
#include "stereo/fake_surface.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <stdio.h>
#include <stdlib.h>
#include <string>

namespace {

std::vector<std::string> boxes;
int RecordBox(HWND, const char *text, const char *caption, UINT)
{
    boxes.push_back(std::string(caption) + ": " + text);
    return IDOK;
}

FakeStream *nextStream;
int streamsCreated;
HRESULT createResult = S_OK;
HRESULT CreateFakeStream(IAMMultiMediaStream **stream)
{
    streamsCreated++;
    if (FAILED(createResult)) {
        *stream = NULL;
        return createResult;
    }
    nextStream->AddRef();
    *stream = nextStream;
    return S_OK;
}

// Every test logs into its own file, starts from zeroed records and talks to a
// fake stream; real DirectDraw surfaces stand in where the player keeps surfaces.
class PlaybackTest : public ::testing::Test {
protected:
    SeamGuard seams;
    void SetUp() override
    {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        path = std::string(folder) + "vizor_playback_test_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        remove(path.c_str());
        SetEnvironmentVariableA("VIZOR_LOG", path.c_str());
        _putenv_s("VIZOR_LOG", path.c_str());
        ResetLogWriter();
        ResetPlayerRecords();
        ResetFrameTiming();
        boxes.clear();
        calls.clear();
        stream = FakeStream(&calls);
        video = FakeVideoStream(&calls);
        sample = FakeSample(&calls);
        g_pfnMessageBox = RecordBox;
        nextStream = &stream;
        streamsCreated = 0;
        createResult = S_OK;
        g_pfnCreateMultiMediaStream = CreateFakeStream;
        g_pfnOpenNextMovie = ProcessCommandLine; // as the shell sets it
        stream.video = &video;
        video.sample = &sample;
        display.screenWidth = 1024;
        display.screenHeight = 768;
    }
    void TearDown() override
    {
        ReleaseHandle(g_pMMStream);
        ReleaseHandle(g_pSample);
        ReleaseHandle(g_pDDStream);
        ReleaseHandle(g_pPrimaryVidStream);
        ReleaseHandle(g_pDDDirectShowGenerated);
        ReleaseHandle(g_pDDSoff_screen1);
        ReleaseHandle(g_pDD3);
        ReleaseHandle(frameSurface);
        ReleaseHandle(ddraw);
        ReleaseHandle(factory);
        ResetLogWriter();
        remove(path.c_str());
    }

    // Real DirectDraw surfaces where the player keeps surfaces (slow to set up,
    // so only the tests that hand surfaces around ask for them).
    void UseDirectDraw()
    {
        CoInitialize(NULL);
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_DirectDrawFactory, NULL, CLSCTX_INPROC_SERVER, IID_IDirectDrawFactory,
                                         (void **)&factory));
        ASSERT_EQ(S_OK, factory->CreateDirectDraw(NULL, GetDesktopWindow(), DDSCL_NORMAL, 0, NULL, &ddraw));
        ASSERT_EQ(S_OK, ddraw->QueryInterface(IID_IDirectDraw3, (void **)&g_pDD3));
        DDSURFACEDESC ddsd = {};
        ddsd.dwSize = sizeof ddsd;
        ddsd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        ddsd.dwWidth = 64;
        ddsd.dwHeight = 64;
        ddsd.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
        ASSERT_EQ(S_OK, g_pDD3->CreateSurface(&ddsd, &g_pDDSoff_screen1, NULL));
        ASSERT_EQ(S_OK, g_pDD3->CreateSurface(&ddsd, &frameSurface, NULL));
    }

    // A fresh start for the next case of a table.
    void Restart()
    {
        TearDown();
        SetUp();
    }

    // A movie open and in the given state, with the fake stream and sample.
    void OpenMovie(MovieState movieState, MovieSource source = File, bool withSample = true)
    {
        stream.AddRef();
        g_pMMStream = &stream;
        if (withSample) {
            sample.AddRef();
            g_pSample = &sample;
        }
        movie.state = movieState;
        movie.source = source;
        movie.StreamTime = 700;
        movie.rect = RECT{0, 0, 320, 240};
        output.VideomemoryMethod = VIDEOMEMORY_METHOD2;
        output.OutputFormat = OUTPUT_NO_STEREO;
    }

    // The log without its time stamp and empty line, with CR LF as "\n".
    std::string Body()
    {
        std::string all = ReadWholeFileBytes(path), text;
        size_t start = all.find("\r\n\r\n");
        all = start == std::string::npos ? all : all.substr(start + 4);
        for (size_t i = 0; i < all.size(); i++)
            if (!(all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n'))
                text += all[i];
        return text;
    }

    // The failure check's box, which names the log file.
    std::string CheckBox() const { return "Error: See " + path + " for error analysis"; }

    static ULONG References(IUnknown *object)
    {
        object->AddRef();
        return object->Release();
    }

    std::string path;
    CallList calls;
    FakeStream stream{&calls};
    FakeVideoStream video{&calls};
    FakeSample sample{&calls};
    IDirectDrawFactory *factory = NULL;
    IDirectDraw *ddraw = NULL;
    IDirectDrawSurface *frameSurface = NULL;
};

// The window is not there in these tests, so every redraw finds no movie area.
const std::string NO_AREA = "Warning !! Tring to render to unacceptable output rectangle\n"
                            "Problematic rendering area: l 0 r 0  t 0  b -30 \n";
const std::string SEEK_LINE = "Going to execute:CHECK_ERROR_DS(g_pMMStream->Seek(movie.StreamTime.int64));\n";

struct TransportCase {
    const char *name;
    int startState;
    MovieSource source;
    bool withSample;
    HRESULT (*command)();
    CallList calls;
    int endState;
    int64_t streamTime; // after the command (700 before it, 1234 from the stream)
    std::string log;
    std::vector<std::string> boxes;
};

// The stream is stopped while it is sought and run afterwards (Wine's stream,
// sought while running, hangs later).
const CallList REWIND = {"SetState(STOP)", "Seek(0)", "SetState(RUN)", "Update", "SetState(STOP)"};

TEST_F(PlaybackTest, TransportFollowsTheStateTable)
{
    // clang-format off
    const TransportCase cases[] = {
        {"Play, no movie", Uninitialized, No_source, false, Play, {}, Uninitialized, 700,
         "Play()\nPlay() finished\n", {"Error: Please select a movie file first."}},
        {"Play, stopped", Stopped, File, true, Play, {"SetState(STOP)", "Seek(700)", "SetState(RUN)"}, Playing, 700,
         "Play()\nPlay is interpreting Stopped situation\n" + SEEK_LINE + "Play() finished\n", {}},
        {"Play, paused", Paused, File, true, Play, {"SetState(STOP)", "Seek(700)", "SetState(RUN)"}, Playing, 700,
         "Play()\nPlay is interpreting Pause situation\n"
         "Going to execute:CHECK_ERROR_DS(g_pMMStream->SetState(STREAMSTATE_RUN));\n" +
             SEEK_LINE + "Going to execute:movie.state=Playing;\nPlay() finished\n",
         {}},
        {"Play, playing", Playing, File, true, Play, {}, Playing, 700,
         "Play()\nPlay is interpreting PlayingPlay() finished\n", {}},
        {"Play, undefined state", 9, File, true, Play, {}, 9, 700, "Play()\nPlay() finished\n",
         {"Error: Undefined Movie State in Play."}},
        {"Play, paused ASF address", Paused, Url_asf, true, Play, {"SetState(STOP)", "SetState(RUN)"}, Playing, 700,
         "Play()\nPlay is interpreting Pause situation\n"
         "Going to execute:CHECK_ERROR_DS(g_pMMStream->SetState(STREAMSTATE_RUN));\n" +
             SEEK_LINE + "Warning, I was not able to execute the Seek (playback of ASF from URL)\n"
                         "Going to execute:movie.state=Playing;\nPlay() finished\n",
         {}},
        {"Pause, no movie", Uninitialized, No_source, false, Pause, {}, Uninitialized, 700, "Pause()\n", {}},
        {"Pause, stopped", Stopped, File, true, Pause, {"GetSampleTimes", "GetTime", "SetState(STOP)"}, Paused, 1234,
         "Pause()\n", {}},
        {"Pause, paused", Paused, File, true, Pause, {"GetSampleTimes", "GetTime", "SetState(STOP)"}, Paused, 1234,
         "Pause()\n", {}},
        {"Pause, playing", Playing, File, true, Pause, {"GetSampleTimes", "GetTime", "SetState(STOP)"}, Paused, 1234,
         "Pause()\n", {}},
        {"Pause, playing, no sample", Playing, File, false, Pause, {"GetTime", "SetState(STOP)"}, Paused, 1234,
         "Pause()\n", {}},
        {"Stop, no movie", Uninitialized, No_source, false, Stop, {}, Uninitialized, 700,
         "Executing Stop\nmovie.state == Uninitialized\n", {}},
        {"Stop, stopped", Stopped, File, true, Stop, REWIND, Stopped,
         0, "Executing Stop\nmovie.state == Stopped\n" + SEEK_LINE + NO_AREA, {}},
        {"Stop, paused", Paused, File, true, Stop, REWIND, Stopped,
         0, "Executing Stop\nmovie.state == Paused\n" + SEEK_LINE + NO_AREA, {}},
        {"Stop, playing", Playing, File, true, Stop, REWIND, Stopped,
         0, "Executing Stop\nmovie.state == Playing\n" + SEEK_LINE + NO_AREA, {}},
        {"Stop, no sample", Playing, File, false, Stop, {"SetState(STOP)", "Seek(0)", "SetState(RUN)", "SetState(STOP)"},
         Stopped, 0,
         "Executing Stop\nmovie.state == Playing\n" + SEEK_LINE + NO_AREA, {}},
        {"Stop, ASF address", Paused, Url_asf, true, Stop, {"SetState(STOP)", "SetState(RUN)", "Update", "SetState(STOP)"},
         Stopped, 0,
         "Executing Stop\nmovie.state == Paused\n" + SEEK_LINE +
             "Warning, I was not able to execute the Seek (playback of ASF from URL)\n" + NO_AREA,
         {}},
        {"Stop, undefined state", 9, File, true, Stop, REWIND,
         Stopped, 0, "Executing Stop\nWarning !! undefined movie state\n" + SEEK_LINE + NO_AREA, {}},
    };
    // clang-format on
    for (const TransportCase &c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        if (c.source != No_source)
            OpenMovie((MovieState)c.startState, c.source, c.withSample);
        movie.StreamTime = 700;
        stream.times = {1234};
        calls.clear();
        EXPECT_EQ(0, (int)FAILED(c.command()));
        EXPECT_EQ(c.calls, calls);
        EXPECT_EQ(c.endState, (int)movie.state);
        EXPECT_EQ(c.streamTime, movie.StreamTime);
        EXPECT_EQ(c.log, Body());
        EXPECT_EQ(c.boxes, boxes);
    }
}

TEST_F(PlaybackTest, FailedStreamCallsInPlayAndStopAreReportedAndTheCommandCompletes)
{
    OpenMovie(Stopped);
    stream.setStateResult = E_FAIL;
    stream.seekResult = E_FAIL;
    Play();
    EXPECT_EQ(Playing, movie.state);
    EXPECT_EQ((std::vector<std::string>{CheckBox(), CheckBox()}), boxes);
    const std::string log = Body();
    EXPECT_NE(std::string::npos, log.find("g_pMMStream->SetState(STREAMSTATE_RUN)  failed with HRESULT(0x80004005)\n"
                                          "Unknown Direct Show error code\nErorr code decimal -2147467259\n"));
    EXPECT_NE(std::string::npos, log.find("g_pMMStream->Seek(movie.StreamTime.int64)  failed with "
                                          "HRESULT(0x80004005)\n"));

    boxes.clear();
    sample.updateResults = {E_POINTER};
    EXPECT_EQ(E_FAIL, Stop());
    EXPECT_EQ(Stopped, movie.state);
    EXPECT_EQ(0, movie.StreamTime);
    EXPECT_EQ(4u, boxes.size()) << "run, seek, update and stop";
    EXPECT_NE(std::string::npos, Body().find("g_pSample->Update(0, NULL, NULL, 0)  failed with HRESULT(0x80004003)\n"
                                             "E_POINTER This method tried to access an invalid pointer.\n"));
}

TEST_F(PlaybackTest, PauseReportsNothingAndKeepsTheTimeWhenTheStreamCannotTell)
{
    OpenMovie(Playing);
    stream.getTimeResult = E_FAIL;
    stream.setStateResult = E_FAIL;
    EXPECT_EQ(E_FAIL, Pause());
    EXPECT_EQ(Paused, movie.state);
    EXPECT_EQ(700, movie.StreamTime);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ("Pause()\n", Body());
}

TEST_F(PlaybackTest, PumpWithoutSampleDoesNothing)
{
    OpenMovie(Playing, File, false);
    EXPECT_FALSE(FramePumpReady());
    RenderNextFrame();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(0, state.frameCount);
    EXPECT_EQ("", Body());
}

TEST_F(PlaybackTest, PumpCountsFramesReadsTheTimeAndEndsThePlayback)
{
    OpenMovie(Playing);
    state.bApplicationMinimized = 1;
    stream.times = {400000, 800000};
    sample.updateResults = {S_OK, S_OK, MS_S_ENDOFSTREAM};
    RenderNextFrame();
    RenderNextFrame();
    EXPECT_EQ(2, state.frameCount);
    EXPECT_EQ(800000, movie.StreamTime);
    RenderNextFrame();
    EXPECT_EQ((CallList{"Update", "GetTime", "GetSampleTimes", "Update", "GetTime", "GetSampleTimes", "Update",
                        "SetState(STOP)"}),
              calls);
    EXPECT_EQ(Stopped, movie.state);
    EXPECT_EQ(0, state.frameCount);
    EXPECT_EQ(2, state.latestFramerate) << "under a second counts as one";
    EXPECT_EQ(800000, movie.StreamTime) << "the movie is not rewound";
    EXPECT_EQ(NO_AREA + NO_AREA +
                  "Source resolution  320 x 240 \nDestination resolution  0 x 0 \nFrames played: 2 \n"
                  "EXPERIENTAL FRAMERATE: 2 \nVIDEOMEMORY_METHOD2\n",
              Body());
    EXPECT_TRUE(boxes.empty());

    // A step after the end that is not Playing any more changes nothing.
    calls.clear();
    movie.state = Paused;
    sample.updateResults = {MS_S_ENDOFSTREAM};
    RenderNextFrame();
    EXPECT_EQ((CallList{"Update"}), calls);
    EXPECT_EQ(Paused, movie.state);
}

TEST_F(PlaybackTest, ThePositionIsTheTimeOfTheFrameWhenTheSampleTellsIt)
{
    // Wine's stream clock starts again at every run; the frames keep their movie times.
    OpenMovie(Playing);
    stream.times = {10000, 410000};
    sample.startTimes = {2000000, 2400000};
    RenderNextFrame();
    EXPECT_EQ(2000000, movie.StreamTime);
    RenderNextFrame();
    EXPECT_EQ(2400000, movie.StreamTime);
    calls.clear();
    Pause();
    EXPECT_EQ((CallList{"GetSampleTimes", "SetState(STOP)"}), calls);
    EXPECT_EQ(2400000, movie.StreamTime);
    calls.clear();
    Play();
    EXPECT_EQ((CallList{"SetState(STOP)", "Seek(2400000)", "SetState(RUN)"}), calls);
}

// The main loop's frame steps do not wait for the stream: a frame the stream
// owes leaves the window thread free, and every command first ends the fetch.
TEST_F(PlaybackTest, AnOutstandingFetchIsFinishedByTheLoopOrCancelledByTheTransport)
{
    OpenMovie(Playing);
    state.bApplicationMinimized = 1;
    sample.stalled = true;
    StartFrameStep();
    ASSERT_NE((HANDLE)NULL, FrameStepEvent());
    EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(FrameStepEvent(), 0));
    StartFrameStep(); // the loop asks again: still the same fetch
    EXPECT_EQ((CallList{"Update"}), calls);
    EXPECT_EQ(0, state.frameCount);

    sample.CompleteStalledUpdate();
    EXPECT_EQ((DWORD)WAIT_OBJECT_0, WaitForSingleObject(FrameStepEvent(), 0));
    FinishFrameStep();
    EXPECT_EQ((HANDLE)NULL, FrameStepEvent());
    EXPECT_EQ(1, state.frameCount);

    sample.stalled = false; // a frame that is there at once ends the step at once
    StartFrameStep();
    EXPECT_EQ((HANDLE)NULL, FrameStepEvent());
    EXPECT_EQ(2, state.frameCount);

    const struct {
        const char *name;
        void (*command)();
        CallList firstCalls;
        int endState;
    } commands[] = {
        {"Pause", [] { Pause(); }, {"CompletionStatus(ABORT)", "GetSampleTimes"}, Paused},
        {"Stop", [] { Stop(); }, {"CompletionStatus(ABORT)", "SetState(STOP)", "Seek(0)"}, Stopped},
        {"redraw", [] { RestoreSurface(); }, {"CompletionStatus(ABORT)"}, Playing},
    };
    for (const auto &command : commands) {
        SCOPED_TRACE(command.name);
        movie.state = Playing;
        sample.stalled = true;
        StartFrameStep();
        ASSERT_NE((HANDLE)NULL, FrameStepEvent());
        calls.clear();
        command.command();
        ASSERT_LE(command.firstCalls.size(), calls.size());
        EXPECT_EQ(command.firstCalls, CallList(calls.begin(), calls.begin() + command.firstCalls.size()));
        EXPECT_EQ((HANDLE)NULL, FrameStepEvent());
        EXPECT_EQ(command.endState, movie.state);
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PlaybackTest, TheWatchdogStopsAMovieThatDeliversNoFrameAndLeavesThePlayerUsable)
{
    OpenMovie(Playing);
    state.bApplicationMinimized = 1;
    sample.stalled = true;
    StartFrameStep();
    EXPECT_EQ(10000u, FrameStepMsLeft());
    FrameStepWaited(9999);
    EXPECT_EQ(1u, FrameStepMsLeft());
    FrameStepWaited(5000);
    EXPECT_EQ(0u, FrameStepMsLeft());
    calls.clear();
    AbandonStalledFrameStep();
    EXPECT_EQ((CallList{"CompletionStatus(ABORT)", "SetState(STOP)"}), calls);
    EXPECT_EQ((HANDLE)NULL, FrameStepEvent());
    EXPECT_EQ(Stopped, movie.state);
    EXPECT_EQ(0, movie.StreamTime);
    EXPECT_TRUE(LastFrameStepReportedFailure());
    EXPECT_EQ((std::vector<std::string>{"Error: The movie stopped delivering pictures, so it was stopped."}), boxes);
    EXPECT_EQ("Warning !! No frame came from the stream for 10 seconds: the movie is stopped\n", Body());

    // Play starts it again from the beginning, and frames come as before.
    sample.stalled = false;
    Play();
    EXPECT_EQ(Playing, movie.state);
    StartFrameStep();
    EXPECT_EQ(1, state.frameCount);

    // A start-up movie that stalls hands over to the command line as its end does.
    Restart();
    OpenMovie(Playing, Initial_movie);
    sample.stalled = true;
    StartFrameStep();
    FrameStepWaited(10000);
    AbandonStalledFrameStep();
    EXPECT_EQ(No_source, movie.source);
    EXPECT_NE(std::string::npos, Body().find("the movie is stopped\nRestarting after InitalMoviePlayback\n"));
}

TEST_F(PlaybackTest, ASingleFrameIsWaitedForABoundedTimeAndItsAbsenceIsNoEnd)
{
    OpenMovie(Playing);
    state.bApplicationMinimized = 1;
    sample.stalled = true;
    RenderNextFrame(); // as after a seek
    EXPECT_EQ((CallList{"Update", "CompletionStatus(ABORT)"}), calls);
    EXPECT_EQ((HANDLE)NULL, FrameStepEvent());
    EXPECT_EQ(Playing, movie.state) << "no frame in time is not the end of the movie";
    EXPECT_EQ(0, state.frameCount);
    EXPECT_EQ("Warning !! No frame came from the stream within 3000 ms\n", Body());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PlaybackTest, AnyOtherUpdateResultEndsThePlaybackToo)
{
    OpenMovie(Playing);
    output.VideomemoryMethod = VIDEOMEMORY_METHOD1;
    sample.updateResults = {E_FAIL};
    RenderNextFrame();
    EXPECT_EQ(Stopped, movie.state);
    EXPECT_NE(std::string::npos, Body().find("Frames played: 0 \nEXPERIENTAL FRAMERATE: 0 \nVIDEOMEMORY_METHOD1\n"));
}

TEST_F(PlaybackTest, AFetchThatFailsAfterFramesIsReportedOnceAndEndsThePlayback)
{
    OpenMovie(Playing);
    state.bApplicationMinimized = 1;
    sample.updateResults = {S_OK, HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION)};
    RenderNextFrame();
    RenderNextFrame();
    EXPECT_EQ(Stopped, movie.state);
    EXPECT_NE(std::string::npos, Body().find("g_pSample->Update(0, NULL, NULL, 0)  failed with HRESULT(0x80070021)\n"
                                             "Unknown Direct Show error code\nErorr code decimal -2147024863\n"));
    EXPECT_EQ((std::vector<std::string>{CheckBox()}), boxes);
}

TEST_F(PlaybackTest, StartupMovieEndHandsOverToTheEmptyCommandLine)
{
    OpenMovie(Playing, Initial_movie);
    sample.updateResults = {MS_S_ENDOFSTREAM};
    RenderNextFrame();
    EXPECT_EQ(Stopped, movie.state);
    EXPECT_EQ(No_source, movie.source);
    EXPECT_EQ(0, streamsCreated);
    const std::string log = Body();
    EXPECT_NE(std::string::npos, log.find("VIDEOMEMORY_METHOD2\nRestarting after InitalMoviePlayback\n"
                                          "ProcessingCommandLineString\n"));
    EXPECT_NE(std::string::npos, log.find("No commandline parameters given"));
}

TEST_F(PlaybackTest, AFailedStepIsRememberedUntilTheNextStep)
{
    OpenMovie(Playing);
    stream.getTimeResult = E_FAIL;
    RenderNextFrame();
    EXPECT_TRUE(LastFrameStepReportedFailure());
    EXPECT_EQ((std::vector<std::string>{CheckBox()}), boxes);
    EXPECT_EQ(1, state.frameCount) << "the frame still counts";
    stream.getTimeResult = S_OK;
    RenderNextFrame();
    EXPECT_FALSE(LastFrameStepReportedFailure());
}

TEST_F(PlaybackTest, UndefinedOutputFormatAndCodingAreLoggedWithoutDrawing)
{
    const struct {
        int method, format, coding;
        HRESULT (*draw)();
        const char *line;
    } cases[] = {
        {VIDEOMEMORY_METHOD1, 0, SHIFTED_AB, Draw1, "Non defined output format for Draw1()\n"},
        {VIDEOMEMORY_METHOD2, 1099, SHIFTED_AB, Draw2, "Non defined output format for Draw2()\n"},
        {VIDEOMEMORY_METHOD1, OUTPUT_PURE_INTERLACED, 1075, Draw1,
         "Non defined coding format for Draw1() OUTPUT_PURE_INTERLACED\n"},
        {VIDEOMEMORY_METHOD1, OUTPUT_3D_TO_2D, 1080, Draw1,
         "Non defined coding format for Draw1() OUTPUT_PURE_INTERLACED\n"},
        {VIDEOMEMORY_METHOD2, OUTPUT_PURE_INTERLACED, 0, Draw2,
         "Non defined coding format for Draw2() OUTPUT_PURE_INTERLACED\n"},
        {VIDEOMEMORY_METHOD2, OUTPUT_3D_TO_2D, 1080, Draw2,
         "Non defined coding format for Draw2() OUTPUT_PURE_INTERLACED\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        Restart();
        output.VideomemoryMethod = (VideomemoryMethod)c.method;
        output.OutputFormat = (OutputFormat)c.format;
        movie.StereoCodingFormat = (StereoCodingFormat)c.coding;
        EXPECT_EQ(E_FAIL, c.draw());
        EXPECT_EQ(c.line, Body());
        EXPECT_TRUE(boxes.empty()) << "the caller reports it";
    }
}

TEST_F(PlaybackTest, AnEmptyFrameSourceFailsTheDrawingPath)
{
    ReleaseHandle(g_pDDSoff_screen1);
    output.OutputFormat = OUTPUT_NO_STEREO;
    EXPECT_EQ(E_POINTER, Draw2());
    EXPECT_EQ("g_pPrimarySurface->Blt(&state.rect, g_pDDSoff_screen1, &movie.rect, DDBLT_WAIT, NULL)  failed with "
              "HRESULT(0x80004003)\nE_POINTER One or more of the required parameters is invalid.\n",
              Body());
    EXPECT_EQ((std::vector<std::string>{CheckBox()}), boxes);
}

// A surface whose video memory is lost (the screen was locked): every copy into
// it fails with DDERR_SURFACELOST until it is restored.
class LosingSurface : public FakeSurface {
public:
    LosingSurface(const char *name, CopyRecorder *recorder) : FakeSurface(name, recorder) {}
    bool lost = false;
    HRESULT restoreResult = DD_OK;
    int restores = 0;
    STDMETHOD(Blt)(LPRECT destination, LPDIRECTDRAWSURFACE source, LPRECT from, DWORD flags, LPDDBLTFX fx) override
    {
        if (lost)
            return DDERR_SURFACELOST;
        return FakeSurface::Blt(destination, source, from, flags, fx);
    }
    STDMETHOD(Restore)() override
    {
        restores++;
        if (SUCCEEDED(restoreResult))
            lost = false;
        return restoreResult;
    }
};

class LostSurfaceTest : public PlaybackTest {
protected:
    void SetUp() override
    {
        PlaybackTest::SetUp();
        OpenMovie(Playing);
        state.rect = RECT{10, 11, 330, 251};
        g_pPrimarySurface = &primary;
        g_pDDSoff_screen1 = &work1;
        g_pDDSoff_screen2 = &work2;
        g_pDDDirectShowGenerated = &streamSurface;
    }
    void TearDown() override
    {
        g_pPrimarySurface = g_pDDSoff_screen1 = g_pDDSoff_screen2 = g_pDDDirectShowGenerated = NULL;
        PlaybackTest::TearDown();
    }
    CopyRecorder recorder;
    LosingSurface primary{"screen", &recorder}, work1{"work1", &recorder}, work2{"work2", &recorder},
        streamSurface{"stream", &recorder};
};

const char RESTORED[] = "DirectDraw surfaces were lost and have been restored\n";

TEST_F(LostSurfaceTest, ALostSurfaceIsRestoredAndTheFrameDrawnAgainWithoutABox)
{
    const struct {
        int method;
        const char *frame;
        bool streamSurfaceRestored;
    } cases[] = {
        {VIDEOMEMORY_METHOD1, "stream", true},
        {VIDEOMEMORY_METHOD2, "work1", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.frame);
        ResetLogWriter();
        remove(path.c_str());
        recorder.copies.clear();
        for (LosingSurface *s : {&primary, &work1, &work2, &streamSurface})
            s->restores = 0;
        output.VideomemoryMethod = (VideomemoryMethod)c.method;
        primary.lost = true; // once

        EXPECT_EQ(DD_OK, DrawCurrentFrame());

        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(RESTORED, Body()) << "one line for the restore";
        EXPECT_EQ(1, primary.restores);
        EXPECT_EQ(1, work1.restores);
        EXPECT_EQ(1, work2.restores);
        EXPECT_EQ(c.streamSurfaceRestored ? 1 : 0, streamSurface.restores);
        EXPECT_EQ((std::vector<std::string>{BltText("screen", state.rect, c.frame, movie.rect, DDBLT_WAIT)}),
                  recorder.Texts())
            << "the frame drawn again";
        EXPECT_FALSE(LastFrameStepReportedFailure());
    }
}

// A frame that the stream finishes while a command cancels the fetch is shown:
// a pause keeps on the screen the frame whose time it resumes from.
TEST_F(LostSurfaceTest, AFrameThatComesWhileTheFetchIsCancelledIsDrawn)
{
    // The movie area is that of a window on the screen, 320x240 above its buttons.
    ghWnd = CreateWindowA("STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240 + CONTROL_STRIP_HEIGHT, NULL, NULL,
                          NULL, NULL);
    ASSERT_TRUE(ghWnd != NULL);
    sample.stalled = true;
    StartFrameStep();
    ASSERT_NE((HANDLE)NULL, FrameStepEvent());
    EXPECT_TRUE(recorder.Texts().empty());
    sample.startTimes = {1200000};
    sample.CompleteStalledUpdate(); // the frame is in; the main loop has not looked yet
    Pause();
    DestroyWindow(ghWnd);
    ghWnd = NULL;
    EXPECT_EQ(Paused, movie.state);
    EXPECT_EQ(1, state.frameCount);
    EXPECT_EQ(1200000, movie.StreamTime);
    EXPECT_EQ((std::vector<std::string>{BltText("screen", state.rect, "work1", movie.rect, DDBLT_WAIT)}),
              recorder.Texts())
        << "the frame paused at is the frame on the screen";
    EXPECT_TRUE(boxes.empty());
}

TEST_F(LostSurfaceTest, AFailedRestoreIsReportedOnceAndTriedAgainOnLaterFrames)
{
    primary.lost = true;
    primary.restoreResult = DDERR_WRONGMODE;
    for (int frame = 0; frame < 3; frame++)
        EXPECT_EQ(DDERR_SURFACELOST, DrawCurrentFrame()) << frame;
    EXPECT_EQ(3, primary.restores) << "tried on every frame";
    EXPECT_EQ(1u, boxes.size()) << "reported once";
    EXPECT_EQ("g_pPrimarySurface->Restore()  failed with HRESULT(0x8876024B)\n"
              "DDERR_WRONGMODE The surface was made in another display mode and cannot be restored.\n",
              Body());
    EXPECT_TRUE(recorder.Texts().empty());

    // The display is back: the next frame restores and draws.
    primary.restoreResult = DD_OK;
    EXPECT_EQ(DD_OK, DrawCurrentFrame());
    EXPECT_EQ(1u, recorder.Texts().size());
    EXPECT_NE(std::string::npos, Body().find(RESTORED));

    // A later failure is reported again.
    primary.lost = true;
    primary.restoreResult = DDERR_GENERIC;
    DrawCurrentFrame();
    DrawCurrentFrame();
    EXPECT_EQ(2u, boxes.size());
}

// The processor's path: the composed area's copy to a lost screen restores the
// surfaces and copies again, with no box, as the other two methods do.
TEST_F(PlaybackTest, TheProcessorsCopyToALostScreenIsRestoredWithoutABox)
{
    UseDirectDraw();
    OpenMovie(Playing);
    // A screen that takes any source, real surfaces too, and only counts copies.
    class LosingScreen : public LosingSurface {
    public:
        using LosingSurface::LosingSurface;
        int copies = 0;
        STDMETHOD(Blt)(LPRECT, LPDIRECTDRAWSURFACE, LPRECT, DWORD, LPDDBLTFX) override
        {
            if (lost)
                return DDERR_SURFACELOST;
            copies++;
            return DD_OK;
        }
    };
    CopyRecorder recorder;
    LosingScreen screen("screen", &recorder);
    g_pPrimarySurface = &screen;
    output.VideomemoryMethod = VIDEOMEMORY_METHOD3;
    output.OutputFormat = OUTPUT_ANAGLYPH_RED_CYAN;
    movie.StereoCodingFormat = PURE_LR;
    movie.rect = RECT{0, 0, 64, 64};
    state.rect = RECT{10, 11, 74, 75};
    screen.lost = true;

    EXPECT_EQ(DD_OK, DrawCurrentFrame());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(1, screen.restores);
    EXPECT_EQ(1, screen.copies) << "the frame drawn again";
    EXPECT_NE(std::string::npos, Body().find(RESTORED)) << Body();
    EXPECT_EQ(std::string::npos, Body().find("failed with")) << Body();
    EXPECT_FALSE(LastFrameStepReportedFailure());
    g_pPrimarySurface = NULL;
    ReleaseProcessorSurface();
}

// The stream decodes into a surface that was lost: the fetch restores the
// surfaces and fetches again; a restore that fails is no end of the movie.
TEST_F(LostSurfaceTest, AFetchIntoALostSurfaceRestoresAndFetchesAgain)
{
    output.VideomemoryMethod = VIDEOMEMORY_METHOD2;
    sample.updateResults = {DDERR_SURFACELOST};
    RenderNextFrame();
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(1, work1.restores);
    EXPECT_EQ(1, state.frameCount) << "the frame fetched again and counted";
    EXPECT_NE(std::string::npos, Body().find(RESTORED));
    EXPECT_EQ(std::string::npos, Body().find("Frames played")) << "no end of the movie";
    EXPECT_EQ(Playing, movie.state);

    // The display cannot be restored yet: reported once, the movie goes on.
    work1.restoreResult = DDERR_WRONGMODE;
    sample.updateResults = {DDERR_SURFACELOST, DDERR_SURFACELOST};
    RenderNextFrame();
    RenderNextFrame();
    EXPECT_EQ(1u, boxes.size());
    EXPECT_EQ(1, state.frameCount);
    EXPECT_EQ(Playing, movie.state);
    EXPECT_EQ(std::string::npos, Body().find("Frames played"));
}

TEST_F(LostSurfaceTest, AnyOtherFailedDrawIsStillReported)
{
    recorder.resultOf = [](size_t) { return DDERR_SURFACEBUSY; };
    EXPECT_EQ(DDERR_SURFACEBUSY, DrawCurrentFrame());
    EXPECT_EQ(0, primary.restores);
    EXPECT_EQ(2u, boxes.size()) << "the copy and the drawing path";
}

TEST_F(PlaybackTest, RestoreSurfaceWithoutMovieOnlyWarns)
{
    RestoreSurface();
    EXPECT_EQ("Warning: Calling RestoreSurface with non initialized movie\n", Body());
}

// A stream that hangs while it opens the file does not hold up the window: the
// opening gives it up after the limit, as a file the stream cannot open, and
// its thread ends when the stream comes back.
TEST_F(PlaybackTest, AStreamThatHangsInTheOpeningIsGivenUp)
{
    HANDLE hang = CreateEventA(NULL, TRUE, FALSE, NULL);
    stream.openHang = hang;
    g_openFileLimitMs = 1500;
    const DWORD start = GetTickCount();
    EXPECT_EQ(E_FAIL, RenderFileToMMStream("C:\\movies\\stuck.avi"));
    const DWORD took = GetTickCount() - start;
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 10000u);
    EXPECT_EQ((std::vector<std::string>{"Error: File format not supported."}), boxes);
    EXPECT_NE(std::string::npos, Body().find("Warning !! The stream did not open the file within 1 seconds\n"));
    EXPECT_EQ((IAMMultiMediaStream *)NULL, g_pMMStream);

    // The opening thread still holds the stream until the stream comes back.
    EXPECT_EQ(2u, stream.refs);
    SetEvent(hang);
    for (int i = 0; i < 200 && stream.refs != 1; i++)
        Sleep(10);
    EXPECT_EQ(1u, stream.refs) << "the test's only";
    CloseHandle(hang);
}

TEST_F(PlaybackTest, OpeningBindsVideoToTheDirectDrawObjectAndAddsDefaultAudio)
{
    UseDirectDraw();
    ASSERT_EQ(S_OK, RenderFileToMMStream("C:\\movies\\first movie.avi"));
    EXPECT_EQ((CallList{"Initialize", "AddMediaStream(video)", "AddMediaStream(audio)", "OpenFile"}), calls);
    EXPECT_EQ(L"C:\\movies\\first movie.avi", stream.openedName);
    EXPECT_EQ((IUnknown *)g_pDD3, stream.videoObject);
    EXPECT_EQ(&stream, g_pMMStream);
    EXPECT_EQ(2u, stream.refs) << "the test's and the player's";
    EXPECT_EQ("content of szFilename\nC:\\movies\\first movie.avi\n", Body());
}

TEST_F(PlaybackTest, ReopeningReleasesEveryObjectOfThePreviousMovie)
{
    UseDirectDraw();
    CallList oldCalls;
    FakeStream oldStream{&oldCalls};
    FakeVideoStream oldVideo{&oldCalls};
    FakeSample oldSample{&oldCalls};
    g_pMMStream = &oldStream;
    g_pPrimaryVidStream = &oldVideo;
    oldVideo.AddRef();
    g_pDDStream = &oldVideo;
    g_pSample = &oldSample;
    frameSurface->AddRef();
    g_pDDDirectShowGenerated = frameSurface;
    const ULONG surfaceRefs = References(frameSurface);

    ASSERT_EQ(S_OK, RenderFileToMMStream("next.avi"));
    EXPECT_EQ(0u, oldStream.refs);
    EXPECT_EQ(0u, oldVideo.refs);
    EXPECT_EQ(0u, oldSample.refs);
    EXPECT_EQ(surfaceRefs - 1, References(frameSurface));
    EXPECT_TRUE(g_pSample == NULL && g_pDDStream == NULL && g_pPrimaryVidStream == NULL &&
                g_pDDDirectShowGenerated == NULL);
    EXPECT_EQ(&stream, g_pMMStream);
    EXPECT_TRUE(oldCalls.empty());
}

TEST_F(PlaybackTest, AFileThatDoesNotOpenKeepsTheOpenMovieAndShowsTheBox)
{
    OpenMovie(Uninitialized);
    CallList newCalls;
    FakeStream failing{&newCalls};
    failing.openResult = 0x80040265; // VFW_E_UNSUPPORTED_STREAM
    nextStream = &failing;
    snprintf(movie.szFileName, sizeof movie.szFileName, "%s", "missing.avi");

    EXPECT_EQ(E_FAIL, StartRendering());
    EXPECT_EQ((std::vector<std::string>{"Error: File format not supported."}), boxes);
    EXPECT_EQ(1u, failing.refs) << "the player let go of the new stream";
    EXPECT_EQ(&stream, g_pMMStream);
    EXPECT_EQ(&sample, g_pSample);
    EXPECT_EQ(Uninitialized, movie.state);
    EXPECT_TRUE(calls.empty()) << "the open movie is left alone";
    EXPECT_EQ("content of szFilename\nmissing.avi\n"
              "Warning: Calling RestoreSurface with non initialized movie\n"
              "hr = RenderFileToMMStream(movie.szFileName); FailedUnknown Direct Show error code\n"
              "Erorr code decimal -2147467259\nWarning !!! Exit code will be normaly activated\n",
              Body());
}

TEST_F(PlaybackTest, AStreamObjectThatCannotBeCreatedIsReported)
{
    createResult = REGDB_E_CLASSNOTREG;
    EXPECT_EQ(E_FAIL, RenderFileToMMStream("x.avi"));
    EXPECT_EQ((std::vector<std::string>{CheckBox()}), boxes);
    EXPECT_EQ("content of szFilename\nx.avi\n"
              "CoCreateInstance(CLSID_AMMultiMediaStream, NULL, CLSCTX_INPROC_SERVER,IID_IAMMultiMediaStream, "
              "(void **)&pAMStream)  failed with HRESULT(0x80040154)\nREGDB_E_CLASSNOTREG\n",
              Body());
}

TEST_F(PlaybackTest, StartRenderingMakesTheSampleForEachMethodAndRunsTheStream)
{
    const std::string info = "Going to execute InitRenderToSurface()\n"
                             "g_pMMStream->GetInformation(&pdwFlags, NULL)  failed with HRESULT(0x80004001)\n"
                             "Unknown Direct Show error code\nErorr code decimal -2147467263\n"
                             "Warning !! File does not support seeking, unable to use functionalites related to "
                             "movie position\n"
                             "GetTimePerFrame 00000.04\nGetDuration 00100.00\nFrame Rate: 25.00\n"
                             "Total Movie Frames: 2499 (aprox.)\nTotal Movie Time Lengt: 00:01:40.00\n"
                             "Movie resolution 320 x 240 \n";
    const struct {
        int method;
        CallList sampleCalls;
        bool sampleMade;
        RECT rect;
        std::string log;
        // clang-format off
    } cases[] = {
        {VIDEOMEMORY_METHOD2, {"CreateSample(surface)"}, true, RECT{0, 0, 320, 240},
         info + "Window resized to iX,iY,nWidth,nHeight 348  226 328 316 \n"},
        {VIDEOMEMORY_METHOD1, {"CreateSample(NULL)", "GetSurface"}, true, RECT{0, 8, 320, 248},
         info + "Window resized to iX,iY,nWidth,nHeight 348  222 328 324 \n"},
        {0, {}, false, RECT{0, 0, 320, 240},
         info + "Non defined videomemory method in InitRenderToSurface()\n"
                "Window resized to iX,iY,nWidth,nHeight 348  226 328 316 \n"},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.method);
        Restart();
        UseDirectDraw();
        output.VideomemoryMethod = (VideomemoryMethod)c.method;
        sample.surface = frameSurface;
        sample.surfaceRect = RECT{0, 8, 320, 248};
        snprintf(movie.szFileName, sizeof movie.szFileName, "%s", "movie.avi");

        EXPECT_EQ(S_OK, StartRendering());
        CallList expected = {"Initialize",     "AddMediaStream(video)", "AddMediaStream(audio)",
                             "OpenFile",       "GetMediaStream",        "GetFormat",
                             "GetInformation", "GetTimePerFrame",       "GetDuration"};
        expected.insert(expected.end(), c.sampleCalls.begin(), c.sampleCalls.end());
        expected.push_back("SetState(RUN)");
        EXPECT_EQ(expected, calls);
        EXPECT_EQ(Playing, movie.state);
        EXPECT_EQ(c.sampleMade, g_pSample == &sample);
        EXPECT_EQ(c.sampleMade && c.method == VIDEOMEMORY_METHOD1, g_pDDDirectShowGenerated == frameSurface);
        if (c.method == VIDEOMEMORY_METHOD2) {
            EXPECT_EQ(g_pDDSoff_screen1, video.sampleSurface);
            EXPECT_TRUE(EqualRect(&video.sampleRect, &c.rect));
        }
        EXPECT_TRUE(EqualRect(&movie.rect, &c.rect));
        EXPECT_EQ(400000, movie.frameLength);
        EXPECT_EQ(1000000000, movie.totalTime);
        EXPECT_EQ("content of szFilename\nmovie.avi\n" + c.log, Body());
        EXPECT_TRUE(boxes.empty()) << "an unanswered GetInformation shows no box";
    }
}

// A frame larger than the work surfaces: they grow before the sample is made on
// the first one, so the second method decodes into a surface that holds it.
TEST_F(PlaybackTest, ALargeFrameGrowsTheWorkSurfacesBeforeTheSample)
{
    for (int method : {VIDEOMEMORY_METHOD2, VIDEOMEMORY_METHOD1}) {
        SCOPED_TRACE(method);
        Restart();
        UseDirectDraw();
        DDSURFACEDESC ddsd = {};
        ddsd.dwSize = sizeof ddsd;
        ASSERT_EQ(S_OK, g_pDDSoff_screen1->GetSurfaceDesc(&ddsd));
        ddsd.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        ASSERT_EQ(S_OK, g_pDD3->CreateSurface(&ddsd, &g_pDDSoff_screen2, NULL));
        output.VideomemoryMethod = (VideomemoryMethod)method;
        video.width = 1920;
        video.height = 1080;
        sample.surface = frameSurface;
        sample.surfaceRect = RECT{0, 0, 1920, 1080};
        snprintf(movie.szFileName, sizeof movie.szFileName, "%s", "hd.mp4");

        EXPECT_EQ(S_OK, StartRendering());
        for (IDirectDrawSurface *surface : {g_pDDSoff_screen1, g_pDDSoff_screen2}) {
            DDSURFACEDESC grown = {};
            grown.dwSize = sizeof grown;
            ASSERT_EQ(S_OK, surface->GetSurfaceDesc(&grown));
            EXPECT_EQ(1920u, grown.dwWidth);
            EXPECT_EQ(1080u, grown.dwHeight);
        }
        if (method == VIDEOMEMORY_METHOD2) {
            EXPECT_EQ(g_pDDSoff_screen1, video.sampleSurface);
        }
        EXPECT_NE(std::string::npos,
                  Body().find("Growing g_pDDSoff_screen1 and g_pDDSoff_screen2 from 64 x 64 to 1920 x 1080\n"
                              "result of DD surfaces creation\nDD_OK Success.\n"));
        EXPECT_TRUE(boxes.empty());
        ReleaseHandle(g_pDDSoff_screen2);
    }
}

// A frame that is empty or larger than 8192 is refused like a file that does not
// open: no sample, nothing open, the state stays Uninitialized.
TEST_F(PlaybackTest, AnUnsupportedFrameSizeIsRefusedBeforeAnySurface)
{
    const struct {
        DWORD width, height;
        const char *line;
    } cases[] = {
        {8193, 1080, "Warning !! Frame size 8193 x 1080 is not supported (1 to 8192 in each direction)\n"},
        {1920, 8193, "Warning !! Frame size 1920 x 8193 is not supported (1 to 8192 in each direction)\n"},
        {0, 0, "Warning !! Frame size 0 x 0 is not supported (1 to 8192 in each direction)\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        Restart();
        video.width = c.width;
        video.height = c.height;
        snprintf(movie.szFileName, sizeof movie.szFileName, "%s", "huge.mp4");

        EXPECT_TRUE(FAILED(StartRendering()));
        EXPECT_EQ((std::vector<std::string>{"Error: File format not supported."}), boxes);
        EXPECT_EQ(NULL, g_pMMStream);
        EXPECT_EQ(NULL, g_pSample);
        EXPECT_EQ(NULL, g_pDDStream);
        EXPECT_EQ(Uninitialized, movie.state);
        EXPECT_EQ((CallList{"Initialize", "AddMediaStream(video)", "AddMediaStream(audio)", "OpenFile",
                            "GetMediaStream", "GetFormat", "GetInformation", "GetTimePerFrame", "GetDuration"}),
                  calls)
            << "no sample, and the stream is never run";
        const std::string log = Body();
        EXPECT_NE(std::string::npos,
                  log.find(std::string(c.line) + "Warning: Calling RestoreSurface with non initialized movie\n"))
            << log;
        EXPECT_EQ(1u, stream.refs) << "the player let go of the refused stream";
    }
}

// The first frame of a movie that cannot be fetched or drawn is reported with a
// box (the draw's own box when drawing failed) and its result code; a movie with no length may end with no frame
// quietly.
TEST_F(PlaybackTest, AFirstFrameThatFailsIsReportedNotPlayedAsEmpty)
{
    const struct {
        const char *name;
        std::vector<HRESULT> updates;
        int64_t totalTime;
        int steps;
        int drawFrom;     // the first step with a movie area to draw into (none before: nothing drawn)
        const char *line; // null: no report
        // clang-format off
    } cases[] = {
        {"fetch fails", {E_FAIL}, 1000000000, 1, 9,
         "Warning !! The first frame of the movie could not be fetched, HRESULT(0x80004005)\n"},
        {"ends at once though it has a length", {MS_S_ENDOFSTREAM}, 1000000000, 1, 9,
         "Warning !! The first frame of the movie could not be fetched, HRESULT(0x00040003)\n"},
        {"ends at once with no length", {MS_S_ENDOFSTREAM}, 0, 1, 9, NULL},
        {"first frame cannot be drawn", {S_OK}, 1000000000, 1, 0,
         "Warning !! The first frame of the movie could not be drawn, HRESULT(0x80004005)\n"},
        {"a later fetch failing is the end", {S_OK, E_FAIL}, 1000000000, 2, 9, NULL},
        {"a later frame not drawn is no first-frame report", {S_OK, S_OK}, 1000000000, 2, 1, NULL},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        OpenMovie(Playing);
        movie.totalTime = c.totalTime;
        output.OutputFormat = (OutputFormat)1099; // every drawing fails
        sample.updateResults = c.updates;
        BeginMovieFrames();
        for (int i = 0; i < c.steps; i++) {
            // Drawing is attempted only into a movie area on the screen.
            if (i == c.drawFrom)
                ghWnd = CreateWindowA("STATIC", "main", WS_POPUP | WS_VISIBLE, 0, 0, 320, 270, NULL, NULL, NULL, NULL);
            RenderNextFrame();
        }
        DestroyWindow(ghWnd);
        ghWnd = NULL;
        const std::string log = Body();
        const std::string firstBox = "Error: Couldn't show the first frame of the movie";
        const bool boxShown = std::find(boxes.begin(), boxes.end(), firstBox) != boxes.end();
        if (!c.line) {
            EXPECT_FALSE(boxShown);
            EXPECT_EQ(std::string::npos, log.find("first frame")) << log;
            continue;
        }
        // A failed draw shows its own box; the first-frame box would be a second one.
        const bool drawn = strstr(c.line, "drawn") != NULL;
        EXPECT_EQ(!drawn, boxShown);
        EXPECT_EQ(1u, boxes.size());
        EXPECT_TRUE(LastFrameStepReportedFailure());
        EXPECT_NE(std::string::npos, log.find(c.line)) << log;
    }
}

TEST_F(PlaybackTest, GetInformationAnswersDecideTheSeekingLine)
{
    const struct {
        HRESULT result;
        DWORD flags;
        const char *line;
        size_t boxes;
    } cases[] = {
        {S_OK, MMSSF_SUPPORTSEEK | MMSSF_HASCLOCK, "File does support seeking (based on GetInformation)\n", 0},
        {S_OK, MMSSF_HASCLOCK, "Warning !! File does not support seeking", 0},
        {E_FAIL, MMSSF_SUPPORTSEEK, "Warning !! File does not support seeking", 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.line);
        Restart();
        stream.AddRef();
        g_pMMStream = &stream;
        stream.informationResult = c.result;
        stream.informationFlags = c.flags;
        output.VideomemoryMethod = (VideomemoryMethod)0; // no sample: only the information matters here
        InitRenderToSurface();
        EXPECT_NE(std::string::npos, Body().find(c.line));
        EXPECT_EQ(c.boxes, boxes.size());
    }
}

TEST_F(PlaybackTest, AFailingSampleStepIsReportedAndTheStreamStillRuns)
{
    UseDirectDraw();
    output.VideomemoryMethod = VIDEOMEMORY_METHOD2;
    video.createSampleResult = MS_E_SAMPLEALLOC;
    snprintf(movie.szFileName, sizeof movie.szFileName, "%s", "movie.avi");
    EXPECT_EQ(S_OK, StartRendering());
    EXPECT_EQ(Playing, movie.state);
    EXPECT_TRUE(g_pSample == NULL);
    EXPECT_FALSE(FramePumpReady());
    EXPECT_EQ((std::vector<std::string>{CheckBox(), CheckBox()}), boxes);
    const std::string log = Body();
    EXPECT_NE(std::string::npos, log.find("g_pDDStream->CreateSample(g_pDDSoff_screen1, &movie.rect, 0, &g_pSample)  "
                                          "failed with HRESULT(0x80040401)\n MS_E_SAMPLEALLOC"));
    EXPECT_NE(std::string::npos, log.find("InitRenderToSurface()  failed with HRESULT(0x80040401)\n"));
}

TEST_F(PlaybackTest, LogMovieInfoWritesTheTimingLines)
{
    const struct {
        int64_t frameLength, totalTime;
        int32_t totalFrames;
        double frameRate;
        const char *log;
    } cases[] = {
        {400000, 1000000000, 2499, 25.0,
         "GetTimePerFrame 00000.04\nGetDuration 00100.00\nFrame Rate: 25.00\nTotal Movie Frames: 2499 (aprox.)\n"
         "Total Movie Time Lengt: 00:01:40.00\nMovie resolution 720 x 576 \n"},
        {0, 50000000, 0, 0.0,
         "GetTimePerFrame 00000.00\nGetDuration 00005.00\nFrame Rate: 0.00\nTotal Movie Frames: 0 (aprox.)\n"
         "Total Movie Time Lengt: 00:00:5.00\nMovie resolution 720 x 576 \n"},
        {-5, 50000000, 0, 0.0,
         "GetTimePerFrame -0000.00\nGetDuration 00005.00\nFrame Rate: 0.00\nTotal Movie Frames: 0 (aprox.)\n"
         "Total Movie Time Lengt: 00:00:5.00\nMovie resolution 720 x 576 \n"},
        {333667, 37255000000, 111652, 10000000.0 / 333667,
         "GetTimePerFrame 00000.03\nGetDuration 03725.50\nFrame Rate: 29.97\nTotal Movie Frames: 111652 (aprox.)\n"
         "Total Movie Time Lengt: 01:02:5.50\nMovie resolution 720 x 576 \n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.totalTime);
        Restart();
        MovieRecord record = {};
        record.frameLength = c.frameLength;
        record.totalTime = c.totalTime;
        record.rect = RECT{0, 0, 720, 576};
        LogMovieInfo(&record);
        EXPECT_EQ(c.totalFrames, record.totalFrames);
        EXPECT_DOUBLE_EQ(c.frameRate, record.frameRate);
        EXPECT_EQ(c.log, Body());
    }
}

TEST_F(PlaybackTest, FitWindowToMovieLogsTheNewPlaceOrWhyNot)
{
    const struct {
        const char *name;
        RECT movieRect;
        int bMCF;
        RECT mcfRect;
        int format;
        std::string log;
        // clang-format off
    } cases[] = {
        {"320x240", {0, 0, 320, 240}, 0, {}, OUTPUT_NO_STEREO,
         "Window resized to iX,iY,nWidth,nHeight 348  226 328 316 \n"},
        {"interlaced", {0, 0, 320, 240}, 0, {}, OUTPUT_PURE_INTERLACED,
         "Warning: The resize method for stereoscopic modes is not clear\n"
         "Window resized to iX,iY,nWidth,nHeight 348  226 328 316 \n"},
        {"MCF output size", {0, 0, 320, 240}, 1, {0, 0, 640, 480}, OUTPUT_PURE_INTERLACED,
         "Window resized to iX,iY,nWidth,nHeight 188  106 648 556 \n"},
        {"just narrower", {0, 0, 1008, 16}, 0, {}, OUTPUT_NO_STEREO,
         "Window resized to iX,iY,nWidth,nHeight 4  338 1016 92 \n"},
        {"as wide as the screen", {0, 0, 1016, 16}, 0, {}, OUTPUT_NO_STEREO,
         "Warning: We can not fit into the screen with 1024 x 62 window\n"
         "Window fitted to the work area iX,iY,nWidth,nHeight 0  338 1024 92 \n"},
        {"as high as the screen", {0, 0, 320, 692}, 0, {}, OUTPUT_NO_STEREO,
         "Warning: We can not fit into the screen with 328 x 738 window\n"
         "Window fitted to the work area iX,iY,nWidth,nHeight 348  0 328 768 \n"},
        {"1920x1080 keeps its shape", {0, 0, 1920, 1080}, 0, {}, OUTPUT_NO_STEREO,
         "Warning: We can not fit into the screen with 1928 x 1126 window\n"
         "Window fitted to the work area iX,iY,nWidth,nHeight 0  60 1024 647 \n"},
        {"3840x1080 full side by side", {0, 0, 3840, 1080}, 0, {}, OUTPUT_PURE_INTERLACED,
         "Warning: The resize method for stereoscopic modes is not clear\n"
         "Warning: We can not fit into the screen with 3848 x 1126 window\n"
         "Window fitted to the work area iX,iY,nWidth,nHeight 0  203 1024 361 \n"},
        {"MCF output size too tall", {0, 0, 320, 240}, 1, {0, 0, 640, 960}, OUTPUT_NO_STEREO,
         "Warning: We can not fit into the screen with 328 x 286 window\n"
         "Window fitted to the work area iX,iY,nWidth,nHeight 277  0 469 768 \n"},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        movie.rect = c.movieRect;
        movie.bMCF = c.bMCF;
        movie.mcfRect = c.mcfRect;
        output.OutputFormat = (OutputFormat)c.format;
        FitWindowToMovie();
        EXPECT_EQ(c.log, Body());
    }
}

TEST(MovieMath, FitWindowCentresWhatIsStrictlySmallerThanTheScreen)
{
    const struct {
        int width, height;
        WindowFit expected;
    } cases[] = {
        {320, 240, {true, 348, 226, 328, 316}}, {640, 480, {true, 188, 106, 648, 556}},
        {1015, 16, {true, 0, 338, 1023, 92}},   {1016, 16, {false, 0, 0, 1024, 92}},
        {320, 691, {true, 348, 0, 328, 767}},   {320, 692, {false, 0, 0, 328, 768}},
        {0, 0, {true, 508, 346, 8, 76}},        {-20, -100, {true, 518, 396, -12, -24}},
    };
    for (const auto &c : cases) {
        const WindowFit fit = FitWindow(c.width, c.height, 30, 1024, 768);
        EXPECT_EQ(c.expected.fits, fit.fits) << c.width << "x" << c.height;
        EXPECT_EQ(c.expected.width, fit.width) << c.width << "x" << c.height;
        EXPECT_EQ(c.expected.height, fit.height) << c.width << "x" << c.height;
        if (fit.fits) {
            EXPECT_EQ(c.expected.x, fit.x) << c.width << "x" << c.height;
            EXPECT_EQ(c.expected.y, fit.y) << c.width << "x" << c.height;
        }
    }
}

TEST(MovieMath, FitWindowInAreaKeepsTheShapeAndCentresInTheArea)
{
    const struct {
        const char *name;
        int width, height, areaLeft, areaTop, areaWidth, areaHeight;
        WindowFit expected;
        // clang-format off
    } cases[] = {
        {"1080p on a 1024x768 screen", 1920, 1080, 0, 0, 1024, 768, {true, 0, 60, 1024, 647}},
        {"1080p on a 1366x768 laptop above its task bar", 1920, 1080, 0, 0, 1366, 728, {true, 99, 0, 1167, 728}},
        {"full side by side on a 1920x1080 screen less its bar", 3840, 1080, 0, 0, 1920, 1040,
         {true, 0, 213, 1920, 613}},
        {"fits at its own size: centred in the area", 320, 240, 100, 30, 800, 600, {true, 336, 172, 328, 316}},
        {"an area with no room", 320, 240, 0, 0, 8, 76, {false, 0, 0, 0, 0}},
        {"an empty movie", 0, 240, 0, 0, 1024, 768, {false, 0, 0, 0, 0}},
        {"a one-row movie", 8192, 1, 0, 0, 1024, 768, {false, 0, 0, 0, 0}},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const WindowFit fit = FitWindowInArea(c.width, c.height, 30, c.areaLeft, c.areaTop, c.areaWidth, c.areaHeight);
        EXPECT_EQ(c.expected.fits, fit.fits);
        if (!fit.fits)
            continue;
        EXPECT_EQ(c.expected.x, fit.x);
        EXPECT_EQ(c.expected.y, fit.y);
        EXPECT_EQ(c.expected.width, fit.width);
        EXPECT_EQ(c.expected.height, fit.height);
        EXPECT_LE(fit.x + fit.width, c.areaLeft + c.areaWidth);
        EXPECT_LE(fit.y + fit.height, c.areaTop + c.areaHeight);
    }
}

TEST(MovieMath, OutputRectAcceptableNeedsAVisibleNonEmptyAreaLeftOf2000)
{
    const struct {
        int minimized;
        int32_t l, t, r, b;
        bool ok;
        // clang-format off
    } cases[] = {
        {0, 348, 249, 668, 489, true},      {1, 348, 249, 668, 489, false}, {0, 1999, 0, 2100, 10, true},
        {0, 2000, 0, 2100, 10, false},      {0, 0, 10, 10, 10, false},      {0, 10, 0, 10, 10, false},
        {0, 10, 20, 5, 30, false},          {0, -500, -40, -100, -10, true},
        {0, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, true},
    };
    // clang-format on
    for (const auto &c : cases)
        EXPECT_EQ(c.ok, OutputRectAcceptable(c.minimized, c.l, c.t, c.r, c.b))
            << c.minimized << " " << c.l << " " << c.t << " " << c.r << " " << c.b;
}

TEST(MovieMath, AchievedFrameRateAndSliderPosition)
{
    EXPECT_EQ(25, AchievedFrameRate(250, 10));
    EXPECT_EQ(22, AchievedFrameRate(250, 11));
    EXPECT_EQ(8, AchievedFrameRate(8, 0));
    EXPECT_EQ(8, AchievedFrameRate(8, -3));
    EXPECT_EQ(0, AchievedFrameRate(0, 5));

    EXPECT_EQ(500, TrackbarPositionFor(50000000, 100000000));
    EXPECT_EQ(1000, TrackbarPositionFor(999, 999));
    EXPECT_EQ(0, TrackbarPositionFor(5000, 0));
    EXPECT_EQ(0, TrackbarPositionFor(5000, -10));
    EXPECT_EQ(999, TrackbarPositionFor(36000000000 - 1, 36000000000));
}

} // namespace
