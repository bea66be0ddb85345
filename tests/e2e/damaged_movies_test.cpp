// Damaged movies end to end: each file of the damaged corpus
// (tools/make-damaged-movies.py), opened from the command line and through
// File > Open file, is either refused as a file that does not open or played as
// far as it decodes to the normal end of a movie, in bounded time, with the
// window answering all along; the player then still plays a good movie.
#include "driver.h"

#include <gtest/gtest.h>

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

#include <memory>
#include <ostream>
#include <string>

namespace {

const DWORD WAIT_MS = 30000;
// A window that stops answering for this long is frozen. It is well above what
// opening takes (about 2 s with a refusal: Wine's message box keeps its owner
// from answering that long while it comes up), so that a loaded machine does
// not fail the test, and far below a hang.
const DWORD ANSWER_BOUND_MS = 3000;
// Beyond this the window is frozen for good: the case stops waiting.
const DWORD FROZEN_MS = 10000;
const char *const END_LINE = "EXPERIENTAL FRAMERATE: ";
const char *const REFUSED = "File format not supported.";

enum class Path {
    Refused,   // the box "File format not supported.", nothing open afterwards
    PlaysToEnd // what decodes is played, then the normal end of the movie
};

struct DamagedCase {
    const char *file; // in the damaged corpus
    Path path;
    const char *line;         // Refused: the log line that tells why
    int minFrames, maxFrames; // PlaysToEnd: the frames played
    const char *box;          // PlaysToEnd: the one error box on the way, if any
};

std::ostream &operator<<(std::ostream &out, const DamagedCase &c) { return out << c.file; }

// The refusal when Wine's stream does not open the file at all, and when it
// opens it but reports a frame size the player does not take.
const char *const NOT_OPENED = "hr = RenderFileToMMStream(movie.szFileName); Failed";

// The good movie they are made from has 25 frames of 96 x 72 at 25 frames/s,
// with sound.
const char *const NO_FIRST_FRAME = "Couldn't show the first frame of the movie";
// clang-format off
const DamagedCase CASES[] = {
    {"cut_10.avi", Path::PlaysToEnd, NULL, 1, 3, NULL},
    {"cut_50.avi", Path::PlaysToEnd, NULL, 11, 13, NULL},
    {"cut_90.avi", Path::PlaysToEnd, NULL, 21, 23, NULL},
    {"size_0.avi", Path::Refused, "Warning !! Frame size 0 x 0 is not supported", 0, 0, NULL},
    // The frames are read as 1 x 1 pictures of their first bytes.
    {"size_1x1.avi", Path::PlaysToEnd, NULL, 25, 25, NULL},
    {"size_16000.avi", Path::Refused, "Warning !! Frame size 16000 x 16000 is not supported", 0, 0, NULL},
    {"fps_0.avi", Path::Refused, "Warning !! The movie's headers give no frame rate (rate 0 / scale 1)\n", 0, 0,
     NULL},
    // The stream counts the frames there are; the headers' counts are not used.
    {"frames_more.avi", Path::PlaysToEnd, NULL, 25, 25, NULL},
    {"length_2g.avi", Path::PlaysToEnd, NULL, 25, 25, NULL},
    {"no_index.avi", Path::PlaysToEnd, NULL, 25, 25, NULL},
    // The stream follows the index and finds nothing there.
    {"index_past_end.avi", Path::PlaysToEnd, NULL, 0, 0, NO_FIRST_FRAME},
    {"bytes_changed.avi", Path::PlaysToEnd, NULL, 25, 25, NULL},
    // Found by tools/fuzz-movies.sh: Wine's stream now and then never returns from
    // opening such a file.
    {"no_stream_header.avi", Path::Refused, "Warning !! A stream of the movie has no stream header or no format\n", 0,
     0, NULL},
    {"empty.avi", Path::Refused, NOT_OPENED, 0, 0, NULL},
    {"text.avi", Path::Refused, NOT_OPENED, 0, 0, NULL},
    // Wine's stream now and then never returns from opening this file (about one
    // opening in fifteen): the player gives the opening up after 15 s, refused
    // all the same.
    {"moov_cut.mp4", Path::Refused, NOT_OPENED, 0, 0, NULL},
};
// clang-format on

std::string DamagedMovie(const char *file) { return TestMovie("damaged") + "\\" + file; }

class DamagedMovies : public ::testing::TestWithParam<DamagedCase> {
protected:
    void TearDown() override
    {
        probe.reset();
        if (window && player.Running()) {
            EXPECT_TRUE(ExitPlayer(player, window, WAIT_MS)) << ReadLogText(player.log());
        }
    }

    // Chooses a file in File > Open file. The window's slowest answer until the
    // chooser is up goes to *chooserMs (the probe then starts again): Wine takes
    // about 2 s to make the chooser, which is no part of opening the movie.
    void OpenThroughTheChooser(const std::string &file, DWORD *chooserMs = NULL)
    {
        PostMessageA(window, WM_COMMAND, 40003, 0);
        HWND chooser = player.WaitForWindow("#32770", "Open", WAIT_MS);
        ASSERT_TRUE(chooser != NULL);
        if (chooserMs) {
            // The ping sent while it was made is answered.
            const int pings = probe->Pings();
            WaitUntil("the window's answer to a ping", WAIT_MS, [&] { return probe->Pings() > pings; });
            *chooserMs = probe->SlowestMs();
            probe->Reset();
        }
        SetDlgItemTextA(chooser, 0x47c, file.c_str()); // the file name field
        PostMessageA(chooser, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(player.WaitForLog("Input from File:\n" + file + "\n", WAIT_MS)) << ReadLogText(player.log());
    }

    // Follows the case's path from an opening that has begun (the probe has
    // watched the window since before it): ends, refusals and error boxes are
    // taken from the log and the screen as they come.
    // logBefore: how much log there was before the opening; chooserMs: the
    // slowest answer while the chooser was made, for the figures.
    void ExpectThePath(const DamagedCase &c, const char *how, size_t logBefore, DWORD chooserMs = 0)
    {
        const int endsBefore = CountOf(ReadLogText(player.log()).substr(0, logBefore), END_LINE);
        const DWORD start = GetTickCount();
        std::string boxText, secondBox;
        bool ended = false;
        bool frozen = false;
        WaitUntil(c.path == Path::Refused ? "the refusal's box" : "the end of the movie", WAIT_MS, [&] {
            if (!player.Running())
                return true;
            if (probe->SlowestMs() > FROZEN_MS) {
                frozen = true;
                return true;
            }
            FoundWindow box;
            if (FindTopWindow(player.pid(), "#32770", "Error") && player.WaitForMessageBox("Error", &box, 0)) {
                if (!boxText.empty()) {
                    secondBox = box.text;
                    return true;
                }
                boxText = box.text;
                ProgramUnderTest::Answer(box, IDOK);
                return c.path == Path::Refused;
            }
            if (player.CountInLog(END_LINE) > endsBefore) {
                ended = true;
                return true;
            }
            return false;
        });
        ASSERT_TRUE(secondBox.empty()) << "a second box: " << secondBox;
        ASSERT_TRUE(player.Running()) << "the player ended\n" << ReadLogText(player.log());
        ASSERT_FALSE(frozen) << "the window did not answer for " << probe->SlowestMs() << " ms\n"
                             << ReadLogText(player.log());
        if (c.path == Path::Refused) {
            ASSERT_EQ(REFUSED, boxText) << ReadLogText(player.log());
            // The opening is over once the main loop runs (from the command
            // line) or the chooser's command has returned (its log line).
            ASSERT_TRUE(player.WaitForLog("Starting Main Loop\n", WAIT_MS));
            // No further box, and no playback that should not start.
            FoundWindow box;
            EXPECT_TRUE(NothingFor("a further box or a playback", 550, [&] {
                return FindTopWindow(player.pid(), "#32770", "Error") != NULL ||
                       ReadLogText(player.log()).find("Frames played: ", logBefore) != std::string::npos;
            })) << (player.AnotherMessageBox("Error", 0, &box) ? box.text : std::string());
        }
        const DWORD tookMs = GetTickCount() - start;
        const DWORD slowest = probe->SlowestMs();
        const std::string log = ReadLogText(player.log()).substr(logBefore);
        printf("[ damaged  ] %-20s %-12s %-7s slowest answer %4lu ms (%3d pings) in %5lu ms", c.file, how,
               c.path == Path::Refused ? "refused" : "played", (unsigned long)slowest, probe->Pings(),
               (unsigned long)tookMs);
        if (chooserMs)
            printf("; making the chooser %lu ms", (unsigned long)chooserMs);
        printf("\n");
        EXPECT_LT(slowest, ANSWER_BOUND_MS) << "the window did not answer";
        if (c.path == Path::Refused) {
            if (c.line) {
                EXPECT_NE(std::string::npos, log.find(c.line)) << log;
            }
            EXPECT_EQ(std::string::npos, log.find("Frames played: ")) << log;
            return;
        }
        ASSERT_TRUE(ended) << "no end of the movie" << (boxText.empty() ? "" : ", box: ") << boxText << "\n" << log;
        EXPECT_EQ(c.box ? c.box : "", boxText);
        const double frames = NumberAfterLast(log, "Frames played: ");
        EXPECT_LE(c.minFrames, frames) << log;
        EXPECT_GE(c.maxFrames, frames) << log;
    }

    // The player is still usable: a good movie opened through the chooser plays
    // to its end.
    void ExpectAGoodMovieToPlay()
    {
        const int endsBefore = player.CountInLog(END_LINE);
        DWORD chooserMs = 0;
        OpenThroughTheChooser(TestMovie("short_2d.avi"), &chooserMs);
        ASSERT_TRUE(player.WaitForLog(END_LINE, WAIT_MS, endsBefore + 1)) << ReadLogText(player.log());
        const std::string log = ReadLogText(player.log());
        EXPECT_EQ(10, NumberAfterLast(log, "Frames played: ")) << log;
        EXPECT_LT(probe->SlowestMs(), ANSWER_BOUND_MS);
    }

    ProgramUnderTest player;
    HWND window = NULL;
    std::unique_ptr<ResponsivenessProbe> probe;
};

TEST_P(DamagedMovies, FromTheCommandLine)
{
    const DamagedCase &c = GetParam();
    ASSERT_TRUE(StartPlayer(player, Plain2D(), DamagedMovie(c.file), {}, "StartRendering()\n"));
    window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    probe.reset(new ResponsivenessProbe(window));
    ExpectThePath(c, "command line", 0);
    ExpectAGoodMovieToPlay();
}

TEST_P(DamagedMovies, ThroughOpenFile)
{
    const DamagedCase &c = GetParam();
    ASSERT_TRUE(StartPlayer(player, Plain2D(), ""));
    window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    probe.reset(new ResponsivenessProbe(window));
    const size_t logBefore = ReadLogText(player.log()).size();
    DWORD chooserMs = 0;
    OpenThroughTheChooser(DamagedMovie(c.file), &chooserMs);
    ExpectThePath(c, "Open file", logBefore, chooserMs);
    ExpectAGoodMovieToPlay();
}

std::string CaseName(const ::testing::TestParamInfo<DamagedCase> &info)
{
    std::string name;
    for (const char *p = info.param.file; *p; p++)
        name += isalnum((unsigned char)*p) ? *p : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedMovies, ::testing::ValuesIn(CASES), CaseName);

} // namespace
