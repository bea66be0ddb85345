// What people expect of a movie player beyond the menus: the stereo layout taken
// from the movie's file name.
#include "driver.h"
#include "movie_marks.h"
#include "player_test.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <stdio.h>

#include <stdlib.h>
#include <string.h>

namespace {

const DWORD WAIT_MS = 30000;

struct NamedMovie {
    const char *name; // the file name the side-by-side test movie is given
    const char *line; // the log line, or NULL when no marker may be found
    Mark oddRows;     // what the odd screen rows show on interlaced output
};
void PrintTo(const NamedMovie &c, std::ostream *os) { *os << c.name; }

class LayoutFromName : public ::testing::TestWithParam<NamedMovie> {
protected:
    void TearDown() override
    {
        if (player.Running())
            player.Kill();
        if (!folder.empty())
            RemoveTree(folder);
    }
    ProgramUnderTest player;
    std::string folder;
};

// The stored settings say SHIFTED_AB with the left eye first; the movie is
// side by side with the left eye's view on the left.
TEST_P(LayoutFromName, AMarkerInTheNameSetsTheCodingForThatMovie)
{
    const NamedMovie c = GetParam();
    folder = MakeTempFolder("layout_");
    const std::string movie = folder + "\\" + c.name;
    ASSERT_TRUE(CopyFileA(TestMovie("plr_320.avi").c_str(), movie.c_str(), FALSE));
    PlayerSettings settings; // SHIFTED_AB, LEFT_TOP, interlaced, method 2
    ASSERT_TRUE(StartPlayer(player, settings, movie));
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS)) << ReadLogText(player.log());
    const std::string log = ReadLogText(player.log());
    EXPECT_EQ(c.line ? 1 : 0, CountOf(log, "Stereo layout from the file name")) << log;
    if (!c.line)
        return;
    EXPECT_EQ(1, CountOf(log, c.line)) << log;

    ScreenPixels screen;
    ASSERT_TRUE(CaptureScreen(MovieArea(window), &screen));
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16;
    const Mark evenRows = c.oddRows == Mark::LeftEye ? Mark::RightEye : Mark::LeftEye;
    int wrong = 0;
    for (int y = a.top; y < a.bottom; y++) {
        const Mark expected = y % 2 ? c.oddRows : evenRows;
        if (ClassifyMark(screen.At(x, y)) != expected && wrong++ < 5)
            ADD_FAILURE() << "screen row " << y << " shows " << MarkName(ClassifyMark(screen.At(x, y)));
    }
    EXPECT_EQ(0, wrong);
}

INSTANTIATE_TEST_SUITE_P(
    , LayoutFromName,
    ::testing::Values(NamedMovie{"Trip [Half-SBS].avi",
                                 "Stereo layout from the file name: marker \"Half-SBS\", PURE_LR LEFT_TOP\n",
                                 Mark::LeftEye},
                      NamedMovie{"trip.rl.avi", "Stereo layout from the file name: marker \"rl\", PURE_LR RIGHT_TOP\n",
                                 Mark::RightEye},
                      NamedMovie{"TABLE tennis.avi", NULL, Mark::Other}),
    [](const ::testing::TestParamInfo<NamedMovie> &info) {
        return std::string(info.param.line ? (info.param.oddRows == Mark::LeftEye ? "HalfSBS" : "RL") : "NoMarker");
    });

} // namespace

namespace {

const char *const POSITION = "movie->StreamTime.int64, movie->totalTime.int64 ";
const long long SECOND = 10000000, FRAME = 400000; // the test movie: 20 s at 25 frames a second

// The usual keys and the wheel, on a 20-second movie: each seek goes the
// slider's way (its log lines) and lands inside the movie.
class Keys : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlayerSettings settings;
        settings.OutputFormat = 1072; // plain 2D
        ASSERT_TRUE(StartPlayer(player, settings, TestMovie("seek_20s.avi")));
        window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
    }
    void TearDown() override
    {
        if (player.Running())
            player.Kill();
    }
    // Presses a key (or turns the wheel) and returns the position the seek logged.
    long long SeekWith(UINT key, int wheel = 0)
    {
        const int seeks = player.CountInLog(POSITION);
        if (wheel) {
            const RECT area = MovieArea(window);
            PostMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(0, wheel),
                         MAKELPARAM((area.left + area.right) / 2, (area.top + area.bottom) / 2));
        } else {
            ProgramUnderTest::PressKey(window, key);
        }
        if (!player.WaitForLog(POSITION, WAIT_MS, seeks + 1)) {
            ADD_FAILURE() << "no seek\n" << ReadLogText(player.log());
            return -1;
        }
        const std::string log = ReadLogText(player.log());
        return atoll(log.c_str() + log.rfind(POSITION) + strlen(POSITION));
    }
    ProgramUnderTest player;
    HWND window = NULL;
};

TEST_F(Keys, SpaceArrowsHomeAndTheWheelSeekThroughTheSlidersPath)
{
    ProgramUnderTest::PressKey(window, VK_SPACE);
    ASSERT_TRUE(player.WaitForLog("Pause()\n", WAIT_MS));
    EXPECT_EQ(0, SeekWith(VK_HOME));
    EXPECT_NEAR(5 * SECOND, SeekWith(VK_RIGHT), FRAME);
    EXPECT_NEAR(20 * SECOND - FRAME, SeekWith(VK_UP), FRAME); // past the end: the last frame
    EXPECT_NEAR(15 * SECOND - FRAME, SeekWith(VK_LEFT), FRAME);
    EXPECT_EQ(0, SeekWith(VK_DOWN));                          // before the start: the first frame
    EXPECT_NEAR(5 * SECOND, SeekWith(0, WHEEL_DELTA), FRAME); // a notch away from the user
    EXPECT_EQ(0, SeekWith(0, -2 * WHEEL_DELTA));
    const std::string log = ReadLogText(player.log());
    EXPECT_EQ(7, CountOf(log, "Tring to change the movie position\n")) << log;

    // Paused before, paused after; Space plays again, and a seek while playing
    // plays on: the slider's way resumes once inside the seek and once after it.
    const char *const resume = "Play is interpreting Pause situation\n";
    const int resumed = player.CountInLog(resume);
    ProgramUnderTest::PressKey(window, VK_SPACE);
    ASSERT_TRUE(player.WaitForLog(resume, WAIT_MS, resumed + 1));
    EXPECT_NEAR(5 * SECOND, SeekWith(VK_RIGHT), SECOND); // from wherever it had got to
    EXPECT_TRUE(player.WaitForLog(resume, WAIT_MS, resumed + 3)) << "the movie plays on";
}

} // namespace

namespace {

class DragAndDrop : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlayerSettings settings;
        settings.OutputFormat = 1072; // plain 2D
        ASSERT_TRUE(StartPlayer(player, settings, TestMovie("seek_20s.avi")));
        window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
        folder = MakeTempFolder("drop_");
    }
    void TearDown() override
    {
        if (player.Running())
            player.Kill();
        RemoveTree(folder);
    }
    ProgramUnderTest player;
    HWND window = NULL;
    std::string folder;
};

TEST_F(DragAndDrop, TheFirstDroppedMovieOpensAsIfChosen)
{
    const std::string first = TestMovie("short_2d.avi"), second = TestMovie("sab_320.avi");
    ASSERT_TRUE(DropFiles(player, window, {first, second}));
    ASSERT_TRUE(player.WaitForLog("Frames played: 10 \n", WAIT_MS)) << ReadLogText(player.log());
    const std::string log = ReadLogText(player.log());
    const size_t dropped = log.find("Files dropped: 2\n");
    EXPECT_NE(std::string::npos, dropped) << log;
    EXPECT_NE(std::string::npos, log.find("Input from File:\n" + first + "\n", dropped)) << log;
    EXPECT_NE(std::string::npos, log.find("content of szFilename\n" + first + "\n")) << log;
    EXPECT_EQ(std::string::npos, log.find(second)) << log;
}

TEST_F(DragAndDrop, ADroppedMcfGoesThroughTheMcfPath)
{
    const std::string mcf = folder + "\\dropped.mcf";
    const std::string movie = TestMovie("short_2d.avi");
    const char *lines[] = {
        "1.0",     "1", "not available", "",    "",    movie.c_str(), "Dropped",          "Tests", "Demo", "", "",
        "PURE_2D", "",  "160",           "120", "160", "120",         "OUTPUT_NO_STEREO", "50",    "",     "", "25"};
    FILE *f = fopen(mcf.c_str(), "wb");
    ASSERT_TRUE(f != NULL);
    for (const char *line : lines)
        fprintf(f, "%s\r\n", line);
    fclose(f);
    ASSERT_TRUE(DropFiles(player, window, {mcf}));
    ASSERT_TRUE(player.WaitForLog("Frames played: 10 \n", WAIT_MS)) << ReadLogText(player.log());
    const std::string log = ReadLogText(player.log());
    EXPECT_NE(std::string::npos, log.find("Input from File:\n" + mcf + "\n")) << log;
    EXPECT_NE(std::string::npos, log.find("content of szFilename\n" + movie + "\n")) << log;
}

TEST_F(DragAndDrop, ANameTooLongForThePlayerOpensNothing)
{
    const std::string name = "Z:\\" + std::string(300, 'x') + ".avi";
    const int opened = player.CountInLog("content of szFilename\n");
    ASSERT_TRUE(DropFiles(player, window, {name}));
    ASSERT_TRUE(player.WaitForLog("The dropped file's name is too long\n", WAIT_MS)) << ReadLogText(player.log());
    EXPECT_EQ(opened, player.CountInLog("content of szFilename\n"));
}

} // namespace

namespace {

// Interlaced SHIFTED_AB with the left view first: after Swap eyes the odd
// screen rows show the right eye instead.
Mark OddRowsShow(const ScreenPixels &screen, int *mixed)
{
    const RECT &a = screen.area;
    const int x = a.left + (a.right - a.left) / 16;
    const int firstOdd = a.top | 1;
    const Mark mark = ClassifyMark(screen.At(x, firstOdd));
    *mixed = 0;
    for (int y = firstOdd; y < a.bottom; y += 2)
        *mixed += ClassifyMark(screen.At(x, y)) != mark;
    return mark;
}

std::string TitleOf(HWND window)
{
    char title[128] = {};
    GetWindowTextA(window, title, sizeof title);
    return title;
}

// Waits, bounded, until the window's title reads title: the player logs a
// quick switch just before it sets the title.
bool WaitForTitle(HWND window, const std::string &title, DWORD timeoutMs)
{
    return WaitUntil("the title \"" + title + "\"", timeoutMs, [&] { return TitleOf(window) == title; });
}

TEST(QuickSwitches, EyesOutputAndCodingChangeAtOnceAndShowInTheTitle)
{
    ProgramUnderTest player;
    ASSERT_TRUE(StartPlayer(player, PlayerSettings(), TestMovie("sab_320.avi")));
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS));
    ScreenPixels screen;
    int mixed = 0;
    ASSERT_TRUE(CaptureScreen(MovieArea(window), &screen));
    EXPECT_EQ(Mark::LeftEye, OddRowsShow(screen, &mixed));
    EXPECT_EQ(0, mixed);

    const int redraws = player.CountInLog("Restoring surface by Draw");
    PostMessageA(window, WM_COMMAND, 40107, 0); // View > Swap eyes (Ctrl+E)
    ASSERT_TRUE(player.WaitForLog("Quick switch: EyeCodingFormat RIGHT_TOP\n", WAIT_MS));
    ASSERT_TRUE(player.WaitForLog("Restoring surface by Draw", WAIT_MS, redraws + 1));
    EXPECT_TRUE(WaitForTitle(window, "Parallaxia - Eyes: right view first", 1000)) << TitleOf(window);
    ASSERT_TRUE(CaptureScreen(MovieArea(window), &screen));
    EXPECT_EQ(Mark::RightEye, OddRowsShow(screen, &mixed));
    EXPECT_EQ(0, mixed);

    // The title shows the program's name again after a moment.
    EXPECT_TRUE(WaitForTitle(window, "Parallaxia", 10000)) << TitleOf(window);

    PostMessageA(window, WM_COMMAND, 40108, 0); // Next output format (Ctrl+D)
    ASSERT_TRUE(player.WaitForLog("Quick switch: OutputFormat OUTPUT_2D_TO_3D\n", WAIT_MS));
    EXPECT_TRUE(WaitForTitle(window, "Parallaxia - Output: 2D to 3D", 1000)) << TitleOf(window);
    PostMessageA(window, WM_COMMAND, 40109, 0); // Next input coding (Ctrl+I)
    ASSERT_TRUE(player.WaitForLog("Quick switch: StereoCodingFormat PURE_AB\n", WAIT_MS));
    EXPECT_EQ(0, player.CountInLog("content of szFilename\n") - 1) << "nothing is opened again";
    player.Kill();
}

} // namespace

namespace {

// Full screen on the 1024x768 test screen with a 16:9 side-by-side movie: the
// frame fills the width, black bars above and below, and every row keeps the
// view of its absolute screen row; leaving restores the window.
class FullScreen : public ::testing::TestWithParam<int> {
protected:
    void TearDown() override
    {
        if (player.Running())
            player.Kill();
    }
    bool WaitForRedraw(int before)
    {
        const bool drawn = player.WaitForLog("Restoring surface by Draw", WAIT_MS, before + 1);
        // The screen settles: a late repaint of the area would show as a failure.
        const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        ScreenPixels settled;
        return drawn && WaitForSteadyScreen(screen, 300, WAIT_MS, &settled);
    }
    // Plays the 16:9 side-by-side movie (left eye first) to its end, notes the
    // window's place in *before, then goes full screen (F11) and reads the
    // whole screen once the frame is drawn there.
    void PlayThenFullScreen(PlayerSettings settings, RECT *before, ScreenPixels *screen)
    {
        settings.StereoCodingFormat = 1078; // PURE_LR
        ASSERT_TRUE(StartPlayer(player, settings, TestMovie("plr_16x9.avi")));
        window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
        ASSERT_TRUE(player.WaitForLog("EXPERIENTAL FRAMERATE: ", WAIT_MS));
        GetWindowRect(window, before);
        const int redraws = player.CountInLog("Restoring surface by Draw");
        ProgramUnderTest::PressKey(window, VK_F11);
        ASSERT_TRUE(player.WaitForLog("Full screen on\n", WAIT_MS));
        ASSERT_TRUE(WaitForRedraw(redraws));
        const RECT whole = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        ASSERT_TRUE(CaptureScreen(whole, screen));
    }
    ProgramUnderTest player;
    HWND window = NULL;
};

TEST_P(FullScreen, TheFrameFillsTheMonitorWithBarsAndKeepsRowParity)
{
    PlayerSettings settings;
    settings.VideomemoryMethod = GetParam();
    RECT before;
    ScreenPixels screen;
    ASSERT_NO_FATAL_FAILURE(PlayThenFullScreen(settings, &before, &screen));
    const RECT &whole = screen.area;
    const int fittedHeight = whole.right * 180 / 320, top = (whole.bottom - fittedHeight) / 2;
    const int x = whole.right / 16;
    int wrong = 0;
    for (int y = 0; y < whole.bottom; y++) {
        Mark expected = y % 2 ? Mark::LeftEye : Mark::RightEye;
        if (y < top || y >= top + fittedHeight)
            expected = Mark::Black;
        const Mark seen = ClassifyMark(screen.At(x, y));
        // The stretch filter may blend a view's last row into the row next to a bar.
        if (seen != expected && !(y == top + fittedHeight - 1 && seen == Mark::Other) && wrong++ < 5)
            ADD_FAILURE() << "screen row " << y << " shows " << MarkName(seen) << " (" << std::hex << screen.At(x, y)
                          << std::dec << "), expected " << MarkName(expected);
    }
    EXPECT_EQ(0, wrong);
    // Esc leaves full screen without asking to exit; the window is back in its place.
    ProgramUnderTest::PressKey(window, VK_ESCAPE);
    ASSERT_TRUE(player.WaitForLog("Full screen off\n", WAIT_MS));
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&before, &after))
        << after.left << "," << after.top << " " << after.right << "," << after.bottom;
    EXPECT_EQ(0, player.CountInLog("Interpreting IDM_EXIT\n"));
    EXPECT_TRUE(GetMenu(window) != NULL);

    // A double-click on the movie toggles it too.
    const RECT area = MovieArea(window);
    POINT middle = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
    ScreenToClient(window, &middle);
    PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(middle.x, middle.y));
    ASSERT_TRUE(player.WaitForLog("Full screen on\n", WAIT_MS, 2));
    PostMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 100));
    ASSERT_TRUE(player.WaitForLog("Full screen off\n", WAIT_MS, 2));
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
}

INSTANTIATE_TEST_SUITE_P(, FullScreen, ::testing::Values(1082, 1083), [](const ::testing::TestParamInfo<int> &info) {
    return std::string(info.param == 1082 ? "Method1" : "Method2");
});

// The processor's column and checkerboard outputs keep their screen-column
// parity in full screen: the frame is scaled to the monitor, and each screen
// pixel still takes its eye from its own column (and row).
class FullScreenColumns : public FullScreen {};

TEST_P(FullScreenColumns, EveryScreenColumnShowsItsEye)
{
    const int output = GetParam();
    PlayerSettings settings;
    settings.VideomemoryMethod = 1114; // the processor
    settings.OutputFormat = output;
    RECT before;
    ScreenPixels screen;
    ASSERT_NO_FATAL_FAILURE(PlayThenFullScreen(settings, &before, &screen));
    const RECT &whole = screen.area;
    // Rows inside the fitted picture, columns inside both views' marker bands
    // (each view's leftmost eighth, an eighth of the screen's width, less the
    // columns that bilinear scaling blends with the picture beside the band).
    const int fittedHeight = whole.right * 180 / 320, top = (whole.bottom - fittedHeight) / 2;
    int wrong = 0;
    for (int y = top + 4; y < top + fittedHeight - 4; y += 7) {
        for (int x = 2; x < whole.right / 8 - 12; x++) {
            const bool leftEye = ((output == 1109 ? x + y : x) & 1) == 1;
            const Mark expected = leftEye ? Mark::LeftEye : Mark::RightEye;
            const Mark seen = ClassifyMark(screen.At(x, y));
            if (seen != expected && wrong++ < 5)
                ADD_FAILURE() << "screen pixel " << x << "," << y << " shows " << MarkName(seen) << ", expected "
                              << MarkName(expected);
        }
    }
    EXPECT_EQ(0, wrong);
    ProgramUnderTest::PressKey(window, VK_ESCAPE);
    ASSERT_TRUE(player.WaitForLog("Full screen off\n", WAIT_MS));
}

INSTANTIATE_TEST_SUITE_P(, FullScreenColumns, ::testing::Values(1108, 1109),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param == 1108 ? "Columns" : "Checkerboard");
                         });

} // namespace

namespace {

// Wine keeps a window's menu within the process that made it, so these tests
// follow the list through the registry and the log; the menu itself is checked
// by the player's own unit test (recent_menu_test).
const int IDM_RECENT_FIRST = 40120;
const char RECENT_KEY[] = "Software\\Brontide\\Vizor Cinema\\recent";

// The list in the user's registry key.
std::vector<std::string> RecentStored()
{
    std::vector<std::string> paths;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, RECENT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return paths;
    for (int i = 1; i <= 8; i++) {
        char path[600] = {};
        DWORD size = sizeof path - 1, type = 0;
        if (RegQueryValueExA(key, ("File" + std::to_string(i)).c_str(), NULL, &type, (BYTE *)path, &size) ==
            ERROR_SUCCESS)
            paths.push_back(path);
    }
    RegCloseKey(key);
    return paths;
}

using Strings = std::vector<std::string>;

class RecentFiles : public PlayerTest<> {
protected:
    void SetUp() override
    {
        folder = MakeTempFolder("recent_");
        movieA = folder + "\\Tom & Jerry.avi";
        movieB = folder + "\\b.avi";
        gone = folder + "\\gone.avi";
        ASSERT_TRUE(CopyFileA(TestMovie("short_2d.avi").c_str(), movieA.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(TestMovie("short_2d.avi").c_str(), movieB.c_str(), FALSE));
        settings.OutputFormat = 1072; // plain 2D
    }
    void TearDown() override
    {
        PlayerTest<>::TearDown();
        if (player.Running())
            player.Kill();
        RemoveTree(folder);
    }
    void Start(const std::string &commandLine)
    {
        ASSERT_TRUE(StartPlayer(player, settings, commandLine));
        window = WaitForPlayerWindow(player, WAIT_MS);
        ASSERT_TRUE(window != NULL);
    }
    PlayerSettings settings;
    std::string folder, movieA, movieB, gone;
};

TEST_F(RecentFiles, AChosenFileOpensAndOneThatIsGoneLeavesTheList)
{
    settings.recentFiles = {gone, movieA};
    Start("");

    // A file that is gone: a message, and it leaves the list.
    PostMessageA(window, WM_COMMAND, IDM_RECENT_FIRST, 0);
    std::string text;
    ASSERT_TRUE(player.AnswerMessageBox("Recent files", IDOK, WAIT_MS, &text)) << ReadLogText(player.log());
    EXPECT_NE(std::string::npos, text.find(gone)) << text;
    EXPECT_NE(std::string::npos, text.find("no longer exists")) << text;
    EXPECT_EQ(Strings({movieA}), RecentStored());
    EXPECT_EQ(0, player.CountInLog("content of szFilename\n"));

    // One that is there opens as if chosen in Open file.
    PostMessageA(window, WM_COMMAND, IDM_RECENT_FIRST, 0);
    ASSERT_TRUE(player.WaitForLog("Frames played: 10 \n", WAIT_MS)) << ReadLogText(player.log());
    EXPECT_EQ(1, player.CountInLog("Recent file chosen:\n" + movieA + "\nInput from File:\n" + movieA + "\n"))
        << ReadLogText(player.log());
    EXPECT_EQ(Strings({movieA}), RecentStored());

    // A dropped movie goes to the top once it has opened.
    ASSERT_TRUE(DropFiles(player, window, {movieB}));
    ASSERT_TRUE(player.WaitForLog("Frames played: 10 \n", WAIT_MS, 2)) << ReadLogText(player.log());
    EXPECT_EQ(Strings({movieB, movieA}), RecentStored());
}

TEST_F(RecentFiles, TheCommandLinesMovieJoinsAndAFileThatDoesNotOpenDoesNot)
{
    settings.recentFiles = {movieA};
    Start(movieB);
    ASSERT_TRUE(player.WaitForLog("Frames played: 10 \n", WAIT_MS)) << ReadLogText(player.log());
    EXPECT_EQ(Strings({movieB, movieA}), RecentStored());

    const std::string text = folder + "\\notes.avi";
    FILE *f = fopen(text.c_str(), "wb");
    ASSERT_TRUE(f != NULL);
    fputs("not a movie\r\n", f);
    fclose(f);
    ASSERT_TRUE(DropFiles(player, window, {text}));
    ASSERT_TRUE(player.AnswerMessageBox("Error", IDOK, WAIT_MS)) << ReadLogText(player.log());
    EXPECT_EQ(Strings({movieB, movieA}), RecentStored());
}

// The panel's check box turns the file name's marker off; Save stores that.
TEST(LayoutFromNameSwitch, ThePanelTurnsItOffAndSaveKeepsItOff)
{
    ProgramUnderTest player;
    const std::string folder = MakeTempFolder("layout_off_");
    const std::string movie = folder + "\\Trip [Half-SBS].avi";
    ASSERT_TRUE(CopyFileA(TestMovie("short_2d.avi").c_str(), movie.c_str(), FALSE));
    PlayerSettings settings;
    settings.OutputFormat = 1072;
    ASSERT_TRUE(StartPlayer(player, settings, ""));
    HWND window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);

    PostMessageA(window, WM_COMMAND, 40009, 0); // View, Control panel
    HWND panel = player.WaitForWindow("#32770", "Configuration panel", WAIT_MS);
    ASSERT_TRUE(panel != NULL);
    HWND box = GetDlgItem(panel, 1117);
    ASSERT_TRUE(box != NULL);
    EXPECT_TRUE(WaitForPaint(panel, WAIT_MS));                    // the panel checks its buttons when it first paints
    EXPECT_EQ(BST_CHECKED, SendMessageA(box, BM_GETCHECK, 0, 0)); // on by default
    ProgramUnderTest::ClickButton(panel, 1117);
    ProgramUnderTest::ClickButton(panel, 1071); // Save
    ASSERT_TRUE(player.WaitForLog("Configuration Changes Saved to Registry \n", WAIT_MS));
    ProgramUnderTest::ClickButton(panel, 1069); // OK
    ASSERT_TRUE(player.WaitForLog("Configuration Executed with OK\n", WAIT_MS));

    HKEY key;
    DWORD stored = 42, size = sizeof stored;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Brontide\\Vizor Cinema\\movie", 0, KEY_READ, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "LayoutFromFileName", NULL, NULL, (BYTE *)&stored, &size));
    RegCloseKey(key);
    EXPECT_EQ(0u, stored);

    ASSERT_TRUE(DropFiles(player, window, {movie}));
    ASSERT_TRUE(player.WaitForLog("Frames played: 10 \n", WAIT_MS)) << ReadLogText(player.log());
    const std::string log = ReadLogText(player.log());
    EXPECT_EQ(1, CountOf(log, "Stereo layout from the file name is turned off: marker \"Half-SBS\" not used\n")) << log;
    EXPECT_EQ(0, CountOf(log, "Stereo layout from the file name: ")) << log;
    EXPECT_TRUE(ExitPlayer(player, window, WAIT_MS));
    RemoveTree(folder);
}

} // namespace
