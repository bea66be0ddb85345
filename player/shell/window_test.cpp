// Position slider arithmetic.
#include "shell/window.h"
#include "shell/seams_test_support.h"

#include <gtest/gtest.h>

namespace {

TEST(Trackbar, SeekTimeIsThePerMilleOfTheMovieTruncatedFirst)
{
    const struct {
        int64_t totalTime;
        uint32_t position;
        int64_t expected;
        // clang-format off
    } cases[] = {
        {100000000, 500, 50000000}, // 10 s movie, middle
        {100000000, 1000, 100000000},
        {100000000, 0, 0},
        {999, 1000, 0},   // under 1000 units: every position seeks to 0
        {1999, 1000, 1000},
        {0, 700, 0},
        {-5000, 500, -2500}, // a duration the stream never reports; no overflow or trap
        {INT64_MAX, 1000, (INT64_MAX / 1000) * 1000},
    };
    // clang-format on
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, TrackbarSeekTime(c.totalTime, c.position)) << c.totalTime << " at " << c.position;
}

} // namespace

namespace {

TEST(Seek, KeysAndWheelLandInsideTheMovie)
{
    const int64_t second = 10000000, frame = 400000; // 25 frames a second
    const struct {
        int64_t target, totalTime, frameLength, expected;
        // clang-format off
    } cases[] = {
        {5 * second, 20 * second, frame, 5 * second},
        {-3 * second, 20 * second, frame, 0},                  // before the start: the first frame
        {65 * second, 20 * second, frame, 20 * second - frame}, // past the end: the last frame
        {20 * second, 20 * second, frame, 20 * second - frame},
        {20 * second - frame, 20 * second, frame, 20 * second - frame},
        {5 * second, 20 * second, 0, 5 * second},        // no frame length: the end itself
        {65 * second, 20 * second, 0, 20 * second},
        {5 * second, 0, frame, 0},                        // no length at all
        {5 * second, frame / 2, frame, 0},                // shorter than a frame
        {INT64_MAX, INT64_MAX, frame, INT64_MAX - frame}, // no overflow
        {INT64_MIN, 20 * second, frame, 0},
    };
    // clang-format on
    for (const auto &c : cases)
        EXPECT_EQ(c.expected, ClampedSeekTime(c.target, c.totalTime, c.frameLength))
            << c.target << " in " << c.totalTime << " with frames of " << c.frameLength;
}

} // namespace

#include "diagnostics/test_log.h"
#include "resource.h"
#include "shell/app.h"

namespace {

// F1 through the two help viewers' seams: with no WinHelp file beside the
// program but its HTML Help file there, the HTML Help file opens.
struct HelpCall {
    int htmlCalls = 0, winHelpCalls = 0;
    std::string file;
    UINT command = 99;
} help;

HWND WINAPI RecordHtmlHelp(HWND, const char *file, UINT command, DWORD_PTR)
{
    help.htmlCalls++;
    help.file = file;
    help.command = command;
    return (HWND)1;
}

BOOL WINAPI RecordWinHelp(HWND, const char *file, UINT command, ULONG_PTR)
{
    help.winHelpCalls++;
    help.file = file;
    help.command = command;
    return TRUE;
}

class Help : public ::testing::Test {
protected:
    void SetUp() override
    {
        help = HelpCall();
        g_pfnHtmlHelp = RecordHtmlHelp;
        g_pfnWinHelp = RecordWinHelp;
        ASSERT_TRUE(PathBesideProgram("Vizor_Movie.chm", chm, sizeof chm));
        ASSERT_TRUE(PathBesideProgram("Vizorm.HLP", hlp, sizeof hlp));
    }
    void TearDown() override
    {
        DeleteFileA(chm);
        DeleteFileA(hlp);
    }
    static void Touch(const char *path)
    {
        FILE *f = fopen(path, "wb");
        ASSERT_TRUE(f != NULL);
        fclose(f);
    }
    SeamGuard seams;
    char chm[MAX_PATH], hlp[MAX_PATH];
    TestLog log;
};

TEST_F(Help, TheHtmlHelpFileOpensWhenNoWinHelpFileIsThere)
{
    Touch(chm);
    HandleCommand(NULL, IDM_HELP);
    EXPECT_EQ(1, help.htmlCalls);
    EXPECT_EQ(0, help.winHelpCalls);
    EXPECT_EQ(chm, help.file);
    EXPECT_EQ(HTML_HELP_DISPLAY_TOPIC, help.command);
    EXPECT_EQ(std::string("Help required\n") + hlp + "\nOpening the HTML help file\n" + chm + "\n", log.Body());
}

TEST_F(Help, AWinHelpFileBesideTheProgramKeepsWinHelp)
{
    Touch(chm);
    Touch(hlp);
    HandleCommand(NULL, IDM_HELP);
    EXPECT_EQ(0, help.htmlCalls);
    EXPECT_EQ(1, help.winHelpCalls);
    EXPECT_EQ(hlp, help.file);
    EXPECT_EQ((UINT)HELP_FORCEFILE, help.command);
}

TEST_F(Help, WithNeitherFileWinHelpIsAskedAsBefore)
{
    HandleCommand(NULL, IDM_HELP);
    EXPECT_EQ(0, help.htmlCalls);
    EXPECT_EQ(1, help.winHelpCalls);
}

} // namespace

#include "shell/full_screen.h"

namespace {

TEST(FullScreenFit, TheFrameKeepsItsShapeCentredWithBars)
{
    const RECT screen = {0, 0, 1024, 768};
    const struct {
        RECT area;
        long width, height;
        RECT expected;
        // clang-format off
    } cases[] = {
        {screen, 320, 180, {0, 96, 1024, 672}},   // 16:9 on 4:3: bars above and below
        {screen, 320, 240, {0, 0, 1024, 768}},    // the same shape: no bars
        {screen, 240, 320, {224, 0, 800, 768}},   // taller: bars left and right
        {{1024, 0, 2944, 1080}, 1280, 720, {1024, 0, 2944, 1080}}, // a second monitor
        {screen, 0, 180, screen},                 // no frame size yet: the whole area
        {screen, 320, -5, screen},
        {{0, 0, 0, 0}, 320, 240, {0, 0, 0, 0}},
        {screen, 8192, 1, {0, 384, 1024, 384}},   // thinner than a row: nothing to draw into
    };
    // clang-format on
    for (const auto &c : cases) {
        const RECT r = FitKeepingShape(c.area, c.width, c.height);
        EXPECT_TRUE(EqualRect(&r, &c.expected))
            << c.width << "x" << c.height << " gives " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

} // namespace
