// Opening and playing movies end to end: the start-up movie, the window fitted
// to the movie, the frame-rate lines at the end, a file that cannot be opened.
#include "driver.h"
#include "movie_marks.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const DWORD WAIT_MS = 30000;
const char *const END_LINE = "EXPERIENTAL FRAMERATE: ";

void ExpectLinesInOrder(const std::string &log, const std::vector<std::string> &lines)
{
    size_t at = 0;
    for (const std::string &line : lines) {
        size_t found = log.find(line, at);
        ASSERT_NE(std::string::npos, found) << "missing after offset " << at << ": " << line << "\nlog:\n" << log;
        at = found + line.size();
    }
}

// A 2D movie drawn by a plain stretch: every row of the movie area shows the
// left-eye marker, its relative row grows with the screen row, and all rows
// come from the same frame.
void ExpectPlainPicture(const ScreenPixels &screen, int expectedFrameCode)
{
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16;
    const int height = a.bottom - a.top;
    for (int y = a.top; y < a.bottom; y++) {
        const DWORD pixel = screen.At(x, y);
        ASSERT_EQ(Mark::LeftEye, ClassifyMark(pixel)) << "row " << y << " pixel " << std::hex << pixel;
        const int expected = ((y - a.top) * 256) / height;
        EXPECT_NEAR(expected, RelativeRow(pixel), 256 / height + 2) << "row " << y;
        EXPECT_EQ(expectedFrameCode, FrameCode(pixel)) << "row " << y;
    }
}

TEST(PlaybackOpen, StartupMovieWithEmptyCommandLinePlaysIn2DAndStaysStopped)
{
    ProgramUnderTest player;
    ASSERT_TRUE(StartPlayer(player, PlayerSettings(), "", {{TestMovie("2d_320.avi"), "Vizor_Initial.avi"}}));
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(player.WaitForLog(END_LINE, WAIT_MS));

    ScreenPixels screen;
    ASSERT_TRUE(CaptureScreen(MovieArea(window), &screen));
    EXPECT_EQ(320, screen.width);
    EXPECT_EQ(240, screen.height);
    ExpectPlainPicture(screen, 7);

    // Stop + Rewind tells the state: the hand-over opened nothing.
    ProgramUnderTest::PressKey(window, VK_F7);
    ASSERT_TRUE(player.WaitForLog("Executing Stop\n", WAIT_MS));
    const std::string log = ReadLogText(player.log());
    ExpectLinesInOrder(log, {"Going to perform the inital movie rendering\n",
                             "Setting parameter for inital movie\n",
                             "StartRendering()\n",
                             "content of szFilename\n" + player.folder() + "\\Vizor_Initial.avi\n",
                             "Going to execute InitRenderToSurface()\n",
                             "GetTimePerFrame 00000.04\n",
                             "GetDuration 00000.32\n",
                             "Frame Rate: 25.00\n",
                             "Total Movie Frames: 7 (aprox.)\n",
                             "Total Movie Time Lengt: 00:00:0.32\n",
                             "Movie resolution 320 x 240 \n",
                             "Window resized to iX,iY,nWidth,nHeight 348  226 328 316 \n",
                             "Starting Main Loop\n",
                             "Source resolution  320 x 240 \n",
                             "Destination resolution  320 x 270 \n",
                             "Frames played: 8 \n",
                             "EXPERIENTAL FRAMERATE: 8 \n",
                             "VIDEOMEMORY_METHOD2\n",
                             "Restarting after InitalMoviePlayback\n",
                             "No commandline parameters given, keepeing setting from inital movie or nothing\n",
                             "Executing Stop\n",
                             "movie.state == Stopped\n"});
    EXPECT_EQ(1, CountOf(log, "content of szFilename\n")) << "nothing else is opened";
}

} // namespace

namespace {

// The number after the n-th occurrence (from 1) of prefix in the log, or -1.
int NumberAfter(const std::string &log, const std::string &prefix, int occurrence = 1)
{
    size_t at = std::string::npos, from = 0;
    for (int i = 0; i < occurrence; i++) {
        at = log.find(prefix, from);
        if (at == std::string::npos)
            return -1;
        from = at + prefix.size();
    }
    return atoi(log.c_str() + from);
}

TEST(PlaybackOpen, A250FrameMovieLogsItsFramesAndTheRateItAchieved)
{
    ProgramUnderTest player;
    ASSERT_TRUE(StartPlayer(player, Plain2D(), TestMovie("count_250.avi"))); // 25 fps, with sound
    const DWORD started = GetTickCount();
    ASSERT_TRUE(player.WaitForLog(END_LINE, WAIT_MS)) << ReadLogText(player.log());
    const double seconds = (GetTickCount() - started) / 1000.0;
    EXPECT_NEAR(10.0, seconds, 1.5) << "played at its own pace";

    const std::string log = ReadLogText(player.log());
    const int frames = NumberAfter(log, "Frames played: ");
    const int rate = NumberAfter(log, END_LINE);
    EXPECT_EQ(250, frames) << log;
    // The rate is whole frames over whole calendar seconds: 250 frames in 10 s
    // give 25; a run that straddles one more second boundary gives 250 / 11.
    EXPECT_TRUE(rate == frames / 10 || rate == frames / 11) << "rate " << rate << " for " << frames << " frames";
    EXPECT_NE(std::string::npos, log.find("Frame Rate: 25.00\nTotal Movie Frames: 249 (aprox.)\n"
                                          "Total Movie Time Lengt: 00:00:10.00\nMovie resolution 160 x 120 \n"));
}

TEST(PlaybackOpen, StartupMovieThenTheCommandLineMovieInOrder)
{
    ProgramUnderTest player;
    PlayerSettings settings; // interlaced SHIFTED_AB for the command-line movie
    ASSERT_TRUE(StartPlayer(player, settings, TestMovie("sab_320.avi"),
                            {{TestMovie("short_2d.avi"), "Vizor_Initial.avi"}}, "Movie parameters read from registry"));
    ASSERT_TRUE(player.WaitForLog(END_LINE, WAIT_MS, 2)) << ReadLogText(player.log());
    const std::string log = ReadLogText(player.log());
    ExpectLinesInOrder(log, {"content of szFilename\n" + player.folder() + "\\Vizor_Initial.avi\n",
                             "Movie resolution 160 x 120 \n", "Starting Main Loop\n", "Frames played: 10 \n",
                             "VIDEOMEMORY_METHOD2\n", "Restarting after InitalMoviePlayback\n",
                             "ProcessingCommandLineString\n", "Input Coding 1076 Requested Output 1073 \n",
                             "content of szFilename\n" + TestMovie("sab_320.avi") + "\n",
                             "Warning: The resize method for stereoscopic modes is not clear\n",
                             "Window resized to iX,iY,nWidth,nHeight 348  226 328 316 \n", "Frames played: 8 \n"});
    EXPECT_EQ(2, CountOf(log, "content of szFilename\n"));
}

TEST(PlaybackOpen, AnMcfOnTheCommandLineSizesTheWindowFromItsOutputSize)
{
    // Written in a folder of its own; it names the test movie by its full path.
    const std::string scratch = MakeTempFolder("mcf_");
    const std::string mcf = scratch + "\\movie.mcf";
    {
        FILE *f = fopen(mcf.c_str(), "w");
        ASSERT_TRUE(f != NULL);
        const char *lines[] = {"1.0",        "1",      "not available",
                               "",           "",       "@MOVIE@",
                               "Test movie", "Tester", "Tests",
                               "",           "",       "SHIFTED_AB",
                               "",           "320",    "240",
                               "640",        "480",    "OUTPUT_PURE_INTERLACED",
                               "50",         "",       "",
                               "25"};
        for (const char *line : lines)
            fprintf(f, "%s\n", strcmp(line, "@MOVIE@") ? line : TestMovie("sab_320.avi").c_str());
        fclose(f);
    }
    ProgramUnderTest mcfPlayer;
    ASSERT_TRUE(StartPlayer(mcfPlayer, Plain2D(), mcf));
    HWND window = WaitForPlayerWindow(mcfPlayer, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(mcfPlayer.WaitForLog(END_LINE, WAIT_MS)) << ReadLogText(mcfPlayer.log());
    const std::string log = ReadLogText(mcfPlayer.log());
    EXPECT_NE(std::string::npos, log.find("Window resized to iX,iY,nWidth,nHeight 188  106 648 556 \n")) << log;
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(648, placed.right - placed.left);
    EXPECT_EQ(556, placed.bottom - placed.top);
    RemoveTree(scratch);
}

TEST(PlaybackOpen, AFileThatDoesNotOpenShowsTheBoxAndLeavesNothingOpen)
{
    ProgramUnderTest player;
    ASSERT_TRUE(StartPlayer(player, Plain2D(), "Z:\\no\\such\\movie.avi", {}, "StartRendering()\n"));
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    std::string text;
    ASSERT_TRUE(player.AnswerMessageBox("Error", IDOK, WAIT_MS, &text));
    EXPECT_EQ("File format not supported.", text);
    ASSERT_TRUE(player.WaitForLog("Starting Main Loop\n", WAIT_MS));
    ProgramUnderTest::PressKey(window, VK_F7);
    ASSERT_TRUE(player.WaitForLog("Executing Stop\n", WAIT_MS));
    const std::string log = ReadLogText(player.log());
    ExpectLinesInOrder(log, {"content of szFilename\nZ:\\no\\such\\movie.avi\n",
                             "Warning: Calling RestoreSurface with non initialized movie\n",
                             "hr = RenderFileToMMStream(movie.szFileName); FailedUnknown Direct Show error code\n"
                             "Erorr code decimal -2147467259\nWarning !!! Exit code will be normaly activated\n",
                             "Starting Main Loop\n", "Executing Stop\nmovie.state == Uninitialized\n"});
}

TEST(PlaybackOpen, TheWindowIsFittedToTheMovieWhenItFits)
{
    const struct {
        const char *movie;
        std::string line;
        int width, height; // of the window afterwards; 0: left as it was
    } cases[] = {
        {"sab_320.avi", "Window resized to iX,iY,nWidth,nHeight 348  226 328 316 \n", 328, 316},
        // Narrow enough by a pixel; no lower than the window's smallest height.
        {"wide_1008.avi", "Window resized to iX,iY,nWidth,nHeight 4  338 1016 92 \n", 1016, 270},
        // Exactly as wide as the screen: not resized.
        {"wide_1016.avi", "Warning: We can not fit into the screen with 1024 x 62 window\n", 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.movie);
        ProgramUnderTest player;
        ASSERT_TRUE(StartPlayer(player, Plain2D(), TestMovie(c.movie)));
        HWND window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
        RECT before;
        GetWindowRect(window, &before);
        ASSERT_TRUE(player.WaitForLog(END_LINE, WAIT_MS));
        EXPECT_NE(std::string::npos, ReadLogText(player.log()).find(c.line)) << ReadLogText(player.log());
        RECT after;
        GetWindowRect(window, &after);
        EXPECT_EQ(c.width ? c.width : before.right - before.left, after.right - after.left);
        EXPECT_EQ(c.height ? c.height : before.bottom - before.top, after.bottom - after.top);
    }
}

TEST(PlaybackOpen, MinimizedFramesAreCountedButNotDrawnAndRestoreRedraws)
{
    ProgramUnderTest player;
    ASSERT_TRUE(StartPlayer(player, Plain2D(), TestMovie("short_2d.avi"), {}, "Starting Main Loop\n", SW_MINIMIZE));
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(player.WaitForLog(END_LINE, WAIT_MS));
    EXPECT_TRUE(IsIconic(window));
    std::string log = ReadLogText(player.log());
    EXPECT_NE(std::string::npos, log.find("state.bApplicationMinimized=TRUE\n"));
    EXPECT_NE(std::string::npos, log.find("Frames played: 10 \n")) << log;
    EXPECT_EQ(10, CountOf(log, "Warning !! Tring to render to unacceptable output rectangle\n"
                               "Problematic rendering area: l "))
        << "each fetched frame";
    EXPECT_EQ(0, CountOf(log, "Restoring surface by Draw"));

    ShowWindow(window, SW_RESTORE);
    ASSERT_TRUE(player.WaitForLog("Restoring surface by Draw2()\n", WAIT_MS));
    // The window settles: a late repaint of the area would show as a failure.
    ScreenPixels screen;
    ASSERT_TRUE(WaitForSteadyScreen(MovieArea(window), 300, WAIT_MS, &screen));
    log = ReadLogText(player.log());
    EXPECT_NE(std::string::npos, log.find("state.bApplicationMinimized=FALSE\n", log.find("Frames played: ")));
    const DWORD pixel = screen.At(screen.area.left + screen.width / 16, screen.area.top + screen.height / 2);
    EXPECT_EQ(Mark::LeftEye, ClassifyMark(pixel));
    EXPECT_EQ(9, FrameCode(pixel)) << "the last frame, drawn again";
}

TEST(PlaybackOpen, TheWindowCannotBeMadeSmallerThan320By270)
{
    ProgramUnderTest player;
    ASSERT_TRUE(StartPlayer(player, Plain2D(), ""));
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    SetWindowPos(window, NULL, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(320, placed.right - placed.left);
    EXPECT_EQ(270, placed.bottom - placed.top);
}

} // namespace
