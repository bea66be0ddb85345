// Movies as people have them, end to end: the generated stereo scene compressed
// by ffmpeg (H.264 with AAC in MP4 and Matroska, MPEG-4 part 2 with MP3 in AVI,
// Motion JPEG in AVI), in the packings 3D movies are handed around in (half side
// by side 1280x720, full above/below). Each movie opens with its own size, rate
// and length, plays to its end at its own pace, shows the right view on every
// screen row, and a seek lands on the frame asked for, within a group of
// pictures. Lossy coding moves colours a little, so the marker band is read
// with a tolerance, never by exact value.
#include "driver.h"
#include "player_test.h"
#include "movie_marks.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>

namespace {

const DWORD WAIT_MS = 60000;
const DWORD SCREEN_WAIT_MS = 5000;
const int FRAMES = 48, FPS = 24;
const int GOP = 12; // the encoders' key-frame distance (tests/CMakeLists.txt)

enum { SHIFTED_AB = 1076, PURE_AB, PURE_LR };
enum { LEFT_TOP = 1080, RIGHT_TOP };
enum { INTERLACED = 1073, THREE_D_TO_2D = 1075 };
enum { METHOD1 = 1082, METHOD2 };

struct FormatCase {
    const char *name;  // test name
    const char *file;  // in the tests' movie folder
    int width, height; // of the frame
    int coding, output, eye, method;
};
void PrintTo(const FormatCase &c, std::ostream *os) { *os << c.name; }

// The frame number most rows of the area carry, and how many rows showed
// which view on which parity.
struct RowCensus {
    int rows = 0, wrongView = 0, unreadable = 0;
    std::vector<int> frames;
};

RowCensus ReadRows(const ScreenPixels &screen, const FormatCase &c)
{
    RowCensus census;
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16; // the middle of the marker band
    for (int y = a.top; y < a.bottom; y++) {
        const DWORD pixel = screen.At(x, y);
        const Mark seen = LossyMark(pixel);
        census.rows++;
        // A view stretched to twice its height or more: the stretch filter may
        // blend the frame row below the view (the band) into the area's last rows.
        if (seen == Mark::Other) {
            if (y < a.bottom - 3 && census.unreadable++ < 5)
                ADD_FAILURE() << "screen row " << y << " pixel " << std::hex << pixel << " is no marker";
            continue;
        }
        Mark expected = Mark::LeftEye; // one view: the first, the left eye in these movies
        if (c.output == INTERLACED) {
            const bool firstView = (y % 2 == 1) == (c.eye == LEFT_TOP);
            expected = firstView ? Mark::LeftEye : Mark::RightEye;
        }
        if (seen != expected) {
            if (census.wrongView++ < 5)
                ADD_FAILURE() << "screen row " << y << " shows " << MarkName(seen) << " (" << std::hex << pixel
                              << "), expected " << MarkName(expected);
            continue;
        }
        census.frames.push_back(LossyFrame(pixel));
    }
    return census;
}

int Median(std::vector<int> values)
{
    if (values.empty())
        return -1;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The frame number most marker pixels of the area's band carry (-1 when none
// is readable), without judging the views.
int ShownFrame(const ScreenPixels &screen)
{
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16;
    std::vector<int> frames;
    for (int y = a.top; y < a.bottom; y++) {
        const DWORD pixel = screen.At(x, y);
        if (LossyMark(pixel) != Mark::Other)
            frames.push_back(LossyFrame(pixel));
    }
    return Median(frames);
}

// Captures the area until the frame it shows is within tolerance of the one
// expected, or timeoutMs has passed; *screen holds the last capture.
bool WaitForShownFrame(const RECT &area, int frame, int tolerance, DWORD timeoutMs, ScreenPixels *screen)
{
    bool captured = true;
    return WaitUntil("frame " + std::to_string(frame) + " on the screen", timeoutMs,
                     [&] {
                         if (!(captured = CaptureScreen(area, screen)))
                             return true;
                         const int shown = ShownFrame(*screen);
                         return shown >= 0 && abs(shown - frame) <= tolerance;
                     }) &&
           captured;
}

class PlaybackFormats : public PlayerTest<::testing::TestWithParam<FormatCase>> {};

TEST_P(PlaybackFormats, OpensPlaysShowsTheRightViewsAndSeeks)
{
    const FormatCase c = GetParam();
    PlayerSettings settings;
    settings.StereoCodingFormat = c.coding;
    settings.OutputFormat = c.output;
    settings.EyeCodingFormat = c.eye;
    settings.VideomemoryMethod = c.method;
    ASSERT_TRUE(StartPlayer(player, settings, TestMovie(c.file)));
    window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS)) << ReadLogText(player.log());

    // What the stream tells of the file.
    const std::string log = ReadLogText(player.log());
    char resolution[64];
    snprintf(resolution, sizeof resolution, "Movie resolution %d x %d \n", c.width, c.height);
    EXPECT_NE(std::string::npos, log.find(resolution)) << log;
    EXPECT_NE(std::string::npos, log.find("Frame Rate: 24.00\n")) << log;
    EXPECT_NEAR(2.0, NumberAfterLast(log, "GetDuration "), 0.1) << log;
    EXPECT_EQ(0, CountOf(log, "failed with") - CountOf(log, "GetInformation(&pdwFlags, NULL)  failed with")) << log;

    // Played to the end, every frame, and not faster than its own rate: the
    // logged rate is whole frames over whole seconds, so a movie that ran
    // short of its two seconds would report more than 24.
    const int played = (int)NumberAfterLast(log, "Frames played: ");
    EXPECT_GE(played, FRAMES - 1) << log;
    EXPECT_LE(played, FRAMES) << log;
    EXPECT_LE((int)NumberAfterLast(log, "EXPERIENTAL FRAMERATE: "), FPS) << log;

    // The last frame stands: every row shows the view its row parity asks for.
    ScreenPixels screen;
    ASSERT_TRUE(CaptureScreen(MovieArea(window), &screen));
    RowCensus census = ReadRows(screen, c);
    EXPECT_EQ(0, census.wrongView);
    EXPECT_EQ(0, census.unreadable);
    EXPECT_NEAR(FRAMES - 1, Median(census.frames), 1);

    // The slider to the middle: the stream is sought to 1 s and the movie
    // paused there. A compressed stream lands within a group of pictures of the
    // frame asked for, and so does the position the player takes from the frame.
    HWND slider = GetDlgItem(window, 1059);
    ASSERT_TRUE(slider != NULL);
    const std::string positionLine = "movie->StreamTime.int64, movie->totalTime.int64 ";
    const int positions = player.CountInLog(positionLine);
    SendMessageA(slider, TBM_SETPOS, TRUE, 500);
    PostMessageA(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 500), (LPARAM)slider);
    ASSERT_TRUE(player.WaitForLog(positionLine, WAIT_MS, positions + 1)) << ReadLogText(player.log());
    const double streamTime = NumberAfterLast(ReadLogText(player.log()), positionLine);
    EXPECT_NEAR(FRAMES / 2, streamTime * FPS / 1e7, GOP) << "stream time " << streamTime;
    // The frame drawn after the seek reaches the screen through the display
    // server, which the test reads as another client: wait for it, bounded.
    ASSERT_TRUE(WaitForShownFrame(MovieArea(window), FRAMES / 2, GOP, SCREEN_WAIT_MS, &screen))
        << "the frame shown after the seek";
    census = ReadRows(screen, c);
    EXPECT_EQ(0, census.wrongView);
    EXPECT_NEAR(FRAMES / 2, Median(census.frames), GOP) << "the frame shown after the seek";
}

// Frames larger than the 1024x768 test screen play with both methods: the work
// surfaces grow to hold them.
// clang-format off
const FormatCase CASES[] = {
    {"HalfSideBySide_H264_MP4_Interlaced", "halfwidth_1280x720.mp4", 1280, 720, PURE_LR, INTERLACED, LEFT_TOP, METHOD1},
    {"HalfSideBySide_H264_MP4_OneView", "halfwidth_1280x720.mp4", 1280, 720, PURE_LR, THREE_D_TO_2D, LEFT_TOP, METHOD1},
    {"HalfSideBySide_H264_MP4_Interlaced_Method2", "halfwidth_1280x720.mp4", 1280, 720, PURE_LR, INTERLACED, RIGHT_TOP,
     METHOD2},
    {"HalfSideBySide_H264_MP4_OneView_Method2", "halfwidth_1280x720.mp4", 1280, 720, PURE_LR, THREE_D_TO_2D, LEFT_TOP,
     METHOD2},
    {"HalfSideBySide_H264_Matroska_Interlaced", "halfwidth_1280x720.mkv", 1280, 720, PURE_LR, INTERLACED, RIGHT_TOP,
     METHOD1},
    {"FullAboveBelow_H264_MP4_Interlaced", "fab_640x720.mp4", 640, 720, PURE_AB, INTERLACED, LEFT_TOP, METHOD2},
    {"FullAboveBelow_H264_MP4_OneView", "fab_640x720.mp4", 640, 720, PURE_AB, THREE_D_TO_2D, LEFT_TOP, METHOD1},
    {"AboveBelow_MPEG4_AVI_Interlaced", "xvid_640x480.avi", 640, 480, PURE_AB, INTERLACED, RIGHT_TOP, METHOD2},
    {"AboveBelow_MPEG4_AVI_OneView", "xvid_640x480.avi", 640, 480, PURE_AB, THREE_D_TO_2D, LEFT_TOP, METHOD2},
    {"ShiftedAB_MotionJPEG_AVI_Interlaced", "mjpeg_480x360.avi", 480, 360, SHIFTED_AB, INTERLACED, LEFT_TOP,
     METHOD1},
    {"ShiftedAB_MotionJPEG_AVI_OneView", "mjpeg_480x360.avi", 480, 360, SHIFTED_AB, THREE_D_TO_2D, LEFT_TOP,
     METHOD2},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(RealWorld, PlaybackFormats, ::testing::ValuesIn(CASES),
                         [](const ::testing::TestParamInfo<FormatCase> &info) { return info.param.name; });

} // namespace
