// Transport end to end: Play, Pause and Stop + Rewind through the keys F5, F6,
// F7 and through the three buttons, on a movie whose frames carry their number
// in the marker band, so the screen tells which frame stands.
#include "driver.h"
#include "movie_marks.h"

#include <gtest/gtest.h>

namespace {

const DWORD WAIT_MS = 30000;
const int PLAY_BUTTON = 1063, PAUSE_BUTTON = 1064, STOP_BUTTON = 1065;
// Stop + Rewind has drawn the first frame.
const char *const REWOUND = "Going to execute:CHECK_ERROR_DS(g_pMMStream->Seek(movie.StreamTime.int64));\n"
                            "Restoring surface by Draw2()\n";
// A frame that stands this long on the screen is not moving any more (five
// frames at 25 a second).
const DWORD STANDING_MS = 200;

// The three commands, given through the keys or through the buttons.
struct Controls {
    const char *name;
    bool keys;
};

class Transport : public ::testing::TestWithParam<Controls> {
public:
    void Start(const char *movie, const PlayerSettings &settings = Plain2D())
    {
        ASSERT_TRUE(StartPlayer(player, settings, movie[0] ? TestMovie(movie) : ""));
        window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
    }
    void Command(UINT key, int button)
    {
        if (GetParam().keys)
            ProgramUnderTest::PressKey(window, key);
        else
            ProgramUnderTest::ClickButton(window, button);
    }
    void PlayCommand() { Command(VK_F5, PLAY_BUTTON); }
    void PauseCommand() { Command(VK_F6, PAUSE_BUTTON); }
    void StopCommand() { Command(VK_F7, STOP_BUTTON); }

    // Gives a command and waits until the log shows it was carried out.
    void Do(void (Transport::*command)(), const std::string &doneLine)
    {
        const int before = player.CountInLog(doneLine);
        (this->*command)();
        ASSERT_TRUE(player.WaitForLog(doneLine, WAIT_MS, before + 1)) << ReadLogText(player.log());
    }
    // Waits until the movie area shows the first frame.
    bool WaitForFirstFrame() { return WaitForFrameWhere(window, "the first frame", WAIT_MS, IsFirst) == 0; }
    static bool IsFirst(int frame) { return frame == 0; }

    ProgramUnderTest player;
    HWND window = NULL;
};

TEST_P(Transport, PauseHoldsTheFrameAndPlayResumesAtThePausePoint)
{
    ASSERT_NO_FATAL_FAILURE(Start("transport.avi")); // 125 frames, 5 s, with sound
    ASSERT_TRUE(player.WaitForLog("Starting Main Loop\n", WAIT_MS));
    ASSERT_GE(WaitForFrameWhere(window, "frame 20 or later", WAIT_MS, [](int frame) { return frame >= 20; }), 20);

    ASSERT_NO_FATAL_FAILURE(Do(&Transport::PauseCommand, "Pause()\n"));
    const int paused = WaitForStandingFrame(window, STANDING_MS, WAIT_MS);
    ASSERT_GE(paused, 20) << "about 1.5 s played";
    EXPECT_TRUE(NothingFor("another frame while paused", 1000, [&] { return FrameOnScreen(window) != paused; }))
        << "the frame stands while paused";

    ASSERT_NO_FATAL_FAILURE(Do(&Transport::PlayCommand, "Play() finished\n"));
    // The first frame after the paused one tells where the movie went on.
    const int resumed = WaitForFrameWhere(window, "a frame other than the paused one", WAIT_MS,
                                          [&](int frame) { return frame >= 0 && frame != paused; });
    EXPECT_GE(resumed, paused) << "not from the start";
    EXPECT_LE(resumed, paused + 12) << "from the pause point, not from where the movie would have been";
    const std::string log = ReadLogText(player.log());
    EXPECT_NE(std::string::npos,
              log.find("Play()\nPlay is interpreting Pause situation\n"
                       "Going to execute:CHECK_ERROR_DS(g_pMMStream->SetState(STREAMSTATE_RUN));\n"
                       "Going to execute:CHECK_ERROR_DS(g_pMMStream->Seek(movie.StreamTime.int64));\n"
                       "Going to execute:movie.state=Playing;\nPlay() finished\n"))
        << log;

    // Playing on reaches the end of the movie: every frame was counted once, the
    // paused stretch included in the time.
    ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS));
    EXPECT_EQ(124, FrameOnScreen(window)) << "the last frame stands";
}

TEST_P(Transport, StopRewindShowsTheFirstFrameAndStaysStopped)
{
    ASSERT_NO_FATAL_FAILURE(Start("transport.avi"));
    ASSERT_TRUE(player.WaitForLog("Starting Main Loop\n", WAIT_MS));
    ASSERT_GE(WaitForFrameWhere(window, "frame 10 or later", WAIT_MS, [](int frame) { return frame >= 10; }), 10);

    ASSERT_NO_FATAL_FAILURE(Do(&Transport::StopCommand, REWOUND));
    EXPECT_TRUE(WaitForFirstFrame());
    EXPECT_TRUE(NothingFor("another frame while stopped", 1000, [&] { return FrameOnScreen(window) != 0; }))
        << "stays stopped";

    // Again while stopped: the first frame once more, still stopped.
    ASSERT_NO_FATAL_FAILURE(Do(&Transport::StopCommand, REWOUND));
    EXPECT_TRUE(WaitForFirstFrame());
    const std::string log = ReadLogText(player.log());
    EXPECT_EQ(1, CountOf(log, "Executing Stop\nmovie.state == Playing\n"));
    EXPECT_EQ(1, CountOf(log, "Executing Stop\nmovie.state == Stopped\n"));
    EXPECT_EQ(2, CountOf(log, REWOUND));

    // Play starts from the first frame.
    ASSERT_NO_FATAL_FAILURE(Do(&Transport::PlayCommand, "Play is interpreting Stopped situation\n"));
    const int playing = WaitForFrameWhere(window, "frame 5 or later", WAIT_MS, [](int frame) { return frame >= 5; });
    EXPECT_GE(playing, 5);
    EXPECT_LE(playing, 40);
}

TEST_P(Transport, PlayAfterTheEndPlaysTheRestAndEndsAgain)
{
    ASSERT_NO_FATAL_FAILURE(Start("short_2d.avi")); // 10 frames
    ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS));
    EXPECT_EQ(9, FrameOnScreen(window));

    ASSERT_NO_FATAL_FAILURE(Do(&Transport::PlayCommand, "Play is interpreting Stopped situation\n"));
    ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS, 2)) << ReadLogText(player.log());
    const std::string log = ReadLogText(player.log());
    const size_t second = log.rfind("Frames played: ");
    ASSERT_NE(std::string::npos, second);
    EXPECT_LE(atoi(log.c_str() + second + 15), 2) << "only what was left after the last frame";
    EXPECT_EQ(9, FrameOnScreen(window));

    ASSERT_NO_FATAL_FAILURE(Do(&Transport::StopCommand, REWOUND));
    EXPECT_TRUE(WaitForFirstFrame());
}

TEST_P(Transport, PlayWithoutAMovieAsksForOne)
{
    ASSERT_NO_FATAL_FAILURE(Start(""));
    ASSERT_TRUE(player.WaitForLog("Starting Main Loop\n", WAIT_MS));
    PlayCommand();
    std::string text;
    ASSERT_TRUE(player.AnswerMessageBox("Error", IDOK, WAIT_MS, &text));
    EXPECT_EQ("Please select a movie file first.", text);
    // Pause and Stop + Rewind do nothing.
    ASSERT_NO_FATAL_FAILURE(Do(&Transport::PauseCommand, "Pause()\n"));
    ASSERT_NO_FATAL_FAILURE(Do(&Transport::StopCommand, "Executing Stop\nmovie.state == Uninitialized\n"));
    EXPECT_TRUE(NothingFor("a frame on the screen", 200, [&] { return FrameOnScreen(window) != -1; }));
    EXPECT_TRUE(player.Running());
}

INSTANTIATE_TEST_SUITE_P(, Transport, ::testing::Values(Controls{"Keys", true}, Controls{"Buttons", false}),
                         [](const ::testing::TestParamInfo<Controls> &info) { return std::string(info.param.name); });

// A fault that comes back on every frame shows its box every frame; after each
// box the user still gets to stop the movie or to quit.
TEST(PersistentFault, TheUserCanStopTheMovieOrQuit)
{
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "quit" : "stop");
        ProgramUnderTest player;
        PlayerSettings settings = Plain2D();
        settings.OutputFormat = 1099; // not an output format: every frame's drawing fails
        ASSERT_TRUE(StartPlayer(player, settings, TestMovie("transport.avi")));
        HWND window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);

        for (int box = 0; box < 2; box++) // a box per frame
            ASSERT_TRUE(player.AnswerMessageBox("Error", IDOK, WAIT_MS));
        if (quit) {
            ProgramUnderTest::PressKey(window, VK_ESCAPE);
            std::string text;
            ASSERT_TRUE(player.AnswerMessageBox("Exit", IDYES, WAIT_MS, &text));
            EXPECT_EQ("Exit the Program?", text);
            DWORD code = 99;
            ASSERT_TRUE(player.WaitForExit(WAIT_MS, &code));
            EXPECT_EQ(0u, code);
        } else {
            ProgramUnderTest::PressKey(window, VK_F7);
            ASSERT_TRUE(player.WaitForLog("Executing Stop\nmovie.state == Playing\n", WAIT_MS));
            // Stop + Rewind redraws the first frame, which fails the same way.
            ASSERT_TRUE(player.AnswerMessageBox("Error", IDOK, WAIT_MS));
            FoundWindow more;
            EXPECT_TRUE(player.NoMessageBox("Error", 3000, &more)) << "stopped: no more frames, no more boxes";
        }
        const std::string log = ReadLogText(player.log());
        EXPECT_NE(std::string::npos, log.find("Non defined output format for Draw2()\n"
                                              "Draw2()  failed with HRESULT(0x80004005)\nDDERR_GENERIC\n"));
    }
}

} // namespace
