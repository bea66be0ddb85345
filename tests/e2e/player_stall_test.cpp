// A stream that stops delivering frames while a movie plays. The stall is made
// for real: every thread of the player but its window thread is suspended, the
// stream's and the decoder's among them. The window must go on answering, and
// after 10 s without a frame the movie is stopped with a box and plays again.
#include "driver.h"
#include "movie_marks.h"
#include "player_test.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <stdio.h>

namespace {

const DWORD WAIT_MS = 30000;
const char *const STALL_LINE = "Warning !! No frame came from the stream for 10 seconds: the movie is stopped\n";
const char *const STALL_BOX = "The movie stopped delivering pictures, so it was stopped.";

// Suspends every thread of a process but one; resumes them when it goes.
class SuspendedThreads {
public:
    SuspendedThreads(DWORD pid, DWORD keepThread)
    {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return;
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID != pid || entry.th32ThreadID == keepThread)
                continue;
            HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
            if (thread && SuspendThread(thread) != (DWORD)-1)
                threads_.push_back(thread);
            else if (thread)
                CloseHandle(thread);
        }
        CloseHandle(snapshot);
    }
    ~SuspendedThreads() { Resume(); }
    void Resume()
    {
        for (HANDLE thread : threads_) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
        threads_.clear();
    }
    size_t Count() const { return threads_.size(); }

private:
    std::vector<HANDLE> threads_;
};

// Waits until the movie area shows a frame other than `than` (-1: any frame)
// and not before frame `from`.
int WaitForNewFrame(HWND window, int than, DWORD timeoutMs, int from = 0)
{
    return WaitForFrameWhere(
        window, "a frame other than " + std::to_string(than) + " from frame " + std::to_string(from) + " on", timeoutMs,
        [&](int frame) { return frame >= from && frame != than; });
}

class Stall : public PlayerTest<> {};

TEST_F(Stall, TheWindowAnswersWhileTheStreamStallsAndTheWatchdogStopsTheMovie)
{
    ASSERT_TRUE(StartPlayer(player, Plain2D(), TestMovie("count_250.avi"))); // 10 s with sound
    window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    const int first = WaitForNewFrame(window, -1, WAIT_MS);
    ASSERT_GE(first, 0) << ReadLogText(player.log());

    ResponsivenessProbe probe(window);
    ASSERT_GE(WaitForNewFrame(window, first, WAIT_MS, 25), 0) << "the movie plays";
    const DWORD playingSlowest = probe.SlowestMs();

    DWORD uiThread = GetWindowThreadProcessId(window, NULL);
    SuspendedThreads stalled(player.pid(), uiThread);
    ASSERT_GT(stalled.Count(), 0u);
    probe.Reset();
    const DWORD stallStart = GetTickCount();
    // A frame already on its way to the screen may still land: the frozen one
    // is the frame that then stands.
    const int frozen = WaitForStandingFrame(window, 200, 5000);
    // Until the watchdog gives up, the frozen frame stands. (Its box may then
    // cover the movie area: an unreadable area is no other frame.)
    int otherFrame = -1;
    const bool watchdog = WaitUntil("the watchdog's log line", 20000, [&] {
        if (player.CountInLog(STALL_LINE) > 0)
            return true;
        const int now = FrameOnScreen(window);
        if (now >= 0 && now != frozen)
            otherFrame = now;
        return false;
    });
    const DWORD stallMs = GetTickCount() - stallStart;
    const DWORD stalledSlowest = probe.SlowestMs();
    const int stalledPings = probe.Pings();
    // The stream's threads come back: the stop the watchdog asked for completes.
    stalled.Resume();
    printf("slowest answer: %lu ms playing, %lu ms in a %lu ms stall (%d pings)\n", (unsigned long)playingSlowest,
           (unsigned long)stalledSlowest, (unsigned long)stallMs, stalledPings);
    ASSERT_TRUE(watchdog) << ReadLogText(player.log());
    EXPECT_GE(stallMs, 9000u) << "the watchdog waits 10 s";
    EXPECT_LT(stalledSlowest, 1000u) << "the window answered throughout the stall";
    EXPECT_GT(stalledPings, 100);
    EXPECT_EQ(-1, otherFrame) << "no frame came while the stream stalled (frame " << frozen << " stood)";

    std::string text;
    ASSERT_TRUE(player.AnswerMessageBox("Error", IDOK, WAIT_MS, &text)) << ReadLogText(player.log());
    EXPECT_EQ(STALL_BOX, text);
    EXPECT_EQ(1, player.CountInLog(STALL_LINE));

    // Stopped and rewound: Play starts the movie again from its beginning.
    ProgramUnderTest::PressKey(window, VK_F5);
    ASSERT_TRUE(player.WaitForLog("Play is interpreting Stopped situation\n", WAIT_MS));
    const int again = WaitForNewFrame(window, frozen, WAIT_MS);
    EXPECT_GE(again, 0) << "frames come again after Play";
    EXPECT_LT(again, frozen) << "from the beginning, not from the frame of the stall";
}

// The window's slowest answer to a ping every 20 ms while the movie plays, is
// paused, is sought with the slider and plays on. A seek waits for its one
// frame, so it is the slowest of these.
TEST_F(Stall, TheWindowAnswersWhileTheMoviePlaysPausesAndSeeks)
{
    ASSERT_TRUE(StartPlayer(player, Plain2D(), TestMovie("count_250.avi")));
    window = WaitForPlayerWindow(player, WAIT_MS);
    ASSERT_TRUE(window != NULL);
    const int first = WaitForNewFrame(window, -1, WAIT_MS);
    ASSERT_GE(first, 0) << ReadLogText(player.log());
    HWND slider = GetDlgItem(window, 1059);
    ASSERT_TRUE(slider != NULL);

    ResponsivenessProbe probe(window);
    struct Phase {
        const char *name;
        DWORD slowest;
    } phases[3] = {{"playing"}, {"pause"}, {"seeks"}};
    ASSERT_GE(WaitForNewFrame(window, first, WAIT_MS, first + 25), 0);
    phases[0].slowest = probe.SlowestMs();

    probe.Reset();
    ProgramUnderTest::PressKey(window, VK_F6);
    ASSERT_TRUE(player.WaitForLog("Pause()\n", WAIT_MS));
    phases[1].slowest = probe.SlowestMs();

    probe.Reset();
    const std::string sought = "Tring to change the movie position\n";
    const int positions[] = {500, 100, 900, 300};
    for (int i = 0; i < 4; i++) {
        SendMessageA(slider, TBM_SETPOS, TRUE, positions[i]);
        PostMessageA(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, positions[i]), (LPARAM)slider);
        ASSERT_TRUE(player.WaitForLog(sought, WAIT_MS, i + 1)) << ReadLogText(player.log());
    }
    phases[2].slowest = probe.SlowestMs();

    for (const Phase &phase : phases) {
        printf("slowest answer while %s: %lu ms\n", phase.name, (unsigned long)phase.slowest);
        EXPECT_LT(phase.slowest, 1000u) << phase.name;
    }
    EXPECT_EQ(0, player.CountInLog("No frame came from the stream"));
}

} // namespace
