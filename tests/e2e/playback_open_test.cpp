// Opening and playing movies end to end: the start-up movie, the window fitted
// to the movie, the frame-rate lines at the end, a file that cannot be opened.
#include "driver.h"
#include "movie_marks.h"

#include <gtest/gtest.h>

#include <stdio.h>

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
