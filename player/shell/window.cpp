#include "shell/window.h"

#include "diagnostics/log.h"
#include "engine/movie_math.h"
#include "engine/playback.h"
#include "engine/records.h"
#include "resource.h"
#include "shell/app.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/full_screen.h"
#include "shell/quick_switches.h"
#include "shell/recent_menu.h"

#include <commctrl.h>
#include <stdio.h>

void ConfirmExit(HWND owner)
{
    if (ShowMessageBox(owner, "Exit the Program?", "Exit", MB_YESNO) == IDYES)
        SendMessageA(ghWnd, WM_DESTROY, 0, 0);
}

void HandleClose(HWND window)
{
    LogMessage("WM_CLOSE event\n");
    ConfirmExit(window);
}

namespace {
// The help file the viewer was last asked for (empty when help was never opened).
char szHelpOpened[PATH_CHARS];
} // namespace

// The help viewer started with F1 would outlive the player: tell it help is no
// longer needed, which closes it.
void CloseHelpViewer()
{
    if (!szHelpOpened[0])
        return;
    LogMessage("Closing the help viewer\n");
    g_pfnWinHelp(ghWnd, szHelpOpened, HELP_QUIT, 0);
    szHelpOpened[0] = 0;
}

void HandleDestroy()
{
    LogMessage("HandleDestroy\n");
    CloseHelpViewer();
    ExitCode();
}

void HandleSize(HWND window, UINT sizeType)
{
    RECT outer;
    GetWindowRect(window, &outer);
    LogFormat("screen position before Movie Window  l %d r %d  t %d  b %d \n", (int)outer.left, (int)outer.right,
              (int)outer.top, (int)outer.bottom);
    GetWindowRect(window, &outer);
    LogFormat("screen position after Movie Window  l %d r %d  t %d  b %d \n", (int)outer.left, (int)outer.right,
              (int)outer.top, (int)outer.bottom);

    POINT topLeft = {outer.left, outer.top};
    POINT bottomRight = {outer.right, outer.bottom};
    ScreenToClient(window, &topLeft);
    ScreenToClient(window, &bottomRight);
    const int L = topLeft.x, T = topLeft.y, R = bottomRight.x, B = bottomRight.y;

    MoveWindow(GetDlgItem(window, IDC_PLAY), L + 8, B - 28, 20, 20, TRUE);
    MoveWindow(GetDlgItem(window, IDC_PAUSE), L + 36, B - 28, 20, 20, TRUE);
    MoveWindow(GetDlgItem(window, IDC_STOP), L + 64, B - 28, 20, 20, TRUE);
    MoveWindow(GetDlgItem(window, IDC_TRACKBAR), L + 92, B - 28, R - 2 * L - 100, 20, TRUE);
    if (IsFullScreen()) {
        LayOutFullScreen(window);
    } else {
        HWND area = GetDlgItem(window, IDC_MOVIE_BACKGROUND);
        MoveWindow(area, L, T, R - L, B - T - CONTROL_STRIP_HEIGHT - 4, TRUE);
        UpdateWindow(area);
    }

    if (sizeType == SIZE_MINIMIZED) {
        state.bApplicationMinimized = 1;
        LogMessage("state.bApplicationMinimized=TRUE\n");
    } else {
        state.bApplicationMinimized = 0;
        LogMessage("state.bApplicationMinimized=FALSE\n");
        RestoreSurface();
    }
}

void HandleMove()
{
    LogMessage("HandleMove\n");
    RestoreSurface();
}

int64_t TrackbarSeekTime(int64_t totalTime, uint32_t dwPos) { return (totalTime / 1000) * (int64_t)dwPos; }

namespace {

// HTML Help lives in hhctrl.ocx, loaded on first use by its full path in the
// system folder, never from the program's own folder.
HWND WINAPI SystemHtmlHelp(HWND owner, const char *file, UINT command, DWORD_PTR data)
{
    static HtmlHelpFunction htmlHelp = NULL;
    static bool loaded = false;
    if (!loaded) {
        loaded = true;
        char library[MAX_PATH];
        const UINT length = GetSystemDirectoryA(library, sizeof library);
        if (length > 0 && length < sizeof library - 12) {
            snprintf(library + length, sizeof library - length, "\\hhctrl.ocx");
            if (HMODULE module = LoadLibraryA(library))
                htmlHelp = (HtmlHelpFunction)(void *)GetProcAddress(module, "HtmlHelpA");
        }
    }
    return htmlHelp ? htmlHelp(owner, file, command, data) : NULL;
}

} // namespace

HtmlHelpFunction g_pfnHtmlHelp = SystemHtmlHelp;
WinHelpFunction g_pfnWinHelp = WinHelpA;

int64_t ClampedSeekTime(int64_t target, int64_t totalTime, int64_t frameLength)
{
    // The last frame starts one frame before the end; a movie the stream gives
    // no sensible length or frame length for ends at its start.
    int64_t last = totalTime - (frameLength > 0 ? frameLength : 0);
    if (last < 0)
        last = 0;
    if (target > last)
        return last;
    return target < 0 ? 0 : target;
}

namespace {

// The slider's way to a new position: the stream is sought while stopped, the
// frame there drawn, and the movie left paused; then its log lines.
void SeekMovieTo(int64_t time, uint32_t dwPos)
{
    movie.StreamTime = time;
    movie.state = Paused;
    Play();
    RenderNextFrame();
    Pause();
    LogMessage("Tring to change the movie position\n");
    LogFormat("dwPos %d\n", (int)dwPos);
    LogFormat("movie->StreamTime.int64, movie->totalTime.int64 %lld %lld\n", (long long)movie.StreamTime,
              (long long)movie.totalTime);
}

bool CanSeek() { return movie.state != Uninitialized && movie.source != Url_asf; }

} // namespace

void HandleTrackBar(HWND trackbar)
{
    LogMessage("HandleTrackBar\n");
    const uint32_t dwPos = (uint32_t)SendMessageA(trackbar, TBM_GETPOS, 0, 0);
    if (!CanSeek())
        return;
    SeekMovieTo(TrackbarSeekTime(movie.totalTime, dwPos), dwPos);
}

void SeekFromHere(int64_t delta, bool fromStart)
{
    if (!CanSeek())
        return;
    const bool wasPlaying = movie.state == Playing;
    if (wasPlaying)
        Pause(); // takes the time of the frame on the screen
    const int64_t target =
        ClampedSeekTime(fromStart ? delta : movie.StreamTime + delta, movie.totalTime, movie.frameLength);
    SeekMovieTo(target, (uint32_t)TrackbarPositionFor(target, movie.totalTime));
    UpdateTrackbarPosition();
    if (wasPlaying)
        Play();
}

bool HandleMouseWheel(const MSG &msg)
{
    if (msg.message != WM_MOUSEWHEEL || !ghWnd)
        return false;
    RECT area;
    const POINT at = {(short)LOWORD(msg.lParam), (short)HIWORD(msg.lParam)};
    HWND movieArea = GetDlgItem(ghWnd, IDC_MOVIE_BACKGROUND);
    if (!movieArea || !GetWindowRect(movieArea, &area) || !PtInRect(&area, at))
        return false;
    // Whole notches; a finer wheel's part of a notch still counts as one.
    const int delta = GET_WHEEL_DELTA_WPARAM(msg.wParam);
    int notches = delta / WHEEL_DELTA;
    if (notches == 0)
        notches = delta > 0 ? 1 : -1;
    SeekFromHere((int64_t)notches * SHORT_SEEK, false);
    return true;
}

void UpdateTrackbarPosition()
{
    // A movie without a positive length leaves the thumb at 0 instead of dividing by it.
    int32_t position = 0;
    if (movie.state != Uninitialized)
        position = TrackbarPositionFor(movie.StreamTime, movie.totalTime);
    SendDlgItemMessageA(ghWnd, IDC_TRACKBAR, TBM_SETPOS, TRUE, (LPARAM)position);
}

namespace {

void PlayCommand() { Play(); }
void PauseCommand() { Pause(); }
void StopCommand() { Stop(); }
// Space: the one key for both, as in every player.
void PlayPauseCommand()
{
    if (movie.state == Playing)
        Pause();
    else
        Play();
}
void SeekBackCommand() { SeekFromHere(-SHORT_SEEK, false); }
void SeekForwardCommand() { SeekFromHere(SHORT_SEEK, false); }
void SeekBackLongCommand() { SeekFromHere(-LONG_SEEK, false); }
void SeekForwardLongCommand() { SeekFromHere(LONG_SEEK, false); }
void SeekStartCommand() { SeekFromHere(0, true); }
// Runs a modal dialog with a playing movie paused around it.
void RunPaused(void (*dialog)(), bool redraw)
{
    const bool wasPlaying = movie.state == Playing;
    if (wasPlaying)
        Pause();
    dialog();
    if (redraw && movie.state != Uninitialized)
        RestoreSurface();
    if (wasPlaying)
        Play();
}

void PanelCommand() { RunPaused(ControlPanelCommand, true); }

void AboutCommand()
{
    RunPaused([] { RunAboutDialog(g_hInstance, ghWnd); }, true);
}

void DescriptionCommand()
{
    RunPaused([] { RunMovieDescription(g_hInstance, ghWnd, movie, output, state); }, false);
}

bool FileExists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// The help of today's Windows: the HTML Help file beside the program, opened
// when no WinHelp file lies there (WinHelp is not part of Windows since Vista).
void HelpCommand()
{
    LogMessage("Help required\n");
    char path[PATH_CHARS];
    if (!PathBesideProgram("Vizorm.HLP", path, sizeof path)) {
        LogMessage("The help file's path is too long\n");
        return;
    }
    LogMessage(path);
    LogMessage("\n");
    char chm[PATH_CHARS];
    if (!FileExists(path) && PathBesideProgram("Vizor_Movie.chm", chm, sizeof chm) && FileExists(chm)) {
        LogMessage("Opening the HTML help file\n");
        LogMessage(chm);
        LogMessage("\n");
        if (!g_pfnHtmlHelp(ghWnd, chm, HTML_HELP_DISPLAY_TOPIC, 0)) {
            LogMessage("The HTML help viewer could not be started\n");
            ShowMessageBox(ghWnd, "The help viewer could not be started.", "Help", MB_OK);
        }
        return;
    }
    g_pfnWinHelp(ghWnd, path, HELP_FORCEFILE, 0);
    snprintf(szHelpOpened, sizeof szHelpOpened, "%s", path);
}

void ExitCommand()
{
    LogMessage("Interpreting IDM_EXIT\n");
    ConfirmExit(ghWnd);
}

// Esc leaves full screen; in a window it is Exit, as it always was.
void EscapeCommand()
{
    if (IsFullScreen())
        LeaveFullScreen();
    else
        ExitCommand();
}

struct CommandEntry {
    int id;
    void (*action)();
};

// clang-format off
const CommandEntry commands[] = {
    {IDM_EXIT, ExitCommand},
    {IDM_PLAY, PlayCommand},   {IDC_PLAY, PlayCommand},
    {IDM_PAUSE, PauseCommand}, {IDC_PAUSE, PauseCommand},
    {IDM_STOP, StopCommand},   {IDC_STOP, StopCommand},
    {IDM_OPEN_FILE, OpenFileCommand},
    {IDM_OPEN_URL, OpenUrlCommand},
    {IDM_CONTROL_PANEL, PanelCommand},
    {IDM_DESCRIPTION, DescriptionCommand},
    {IDM_ABOUT, AboutCommand},
    {IDM_HELP, HelpCommand},
    {IDM_PLAY_PAUSE, PlayPauseCommand},
    {IDM_SEEK_BACK, SeekBackCommand},
    {IDM_SEEK_FORWARD, SeekForwardCommand},
    {IDM_SEEK_BACK_LONG, SeekBackLongCommand},
    {IDM_SEEK_FORWARD_LONG, SeekForwardLongCommand},
    {IDM_SEEK_START, SeekStartCommand},
    {IDM_SWAP_EYES, SwapEyesCommand},
    {IDM_NEXT_OUTPUT, NextOutputCommand},
    {IDM_NEXT_CODING, NextCodingCommand},
    {IDM_FULL_SCREEN, ToggleFullScreen},
    {IDM_ESCAPE, EscapeCommand},
};
// clang-format on

} // namespace

void HandleCommand(HWND window, int commandId)
{
    if (commandId >= IDM_RECENT_FIRST && commandId < IDM_RECENT_FIRST + RECENT_MAX) {
        OpenRecentFile(commandId - IDM_RECENT_FIRST);
        return;
    }
    for (const auto &command : commands) {
        if (command.id == commandId) {
            command.action();
            return;
        }
    }
    LogMessage("Interpreting unknowen message event as IDM_EXIT\n");
    ConfirmExit(window);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleFullScreenMouse(window, message, wParam, lParam, &result))
        return result;
    switch (message) {
    case WM_INITDIALOG:
        ghWnd = window;
        g_hBoxOwner = window;
        DragAcceptFiles(window, TRUE);
        return 1;
    case WM_LBUTTONDBLCLK: {
        // A double-click on the movie area (the strip's controls take their own clicks).
        RECT area;
        POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
        ClientToScreen(window, &at);
        if (GetWindowRect(GetDlgItem(window, IDC_MOVIE_BACKGROUND), &area) && PtInRect(&area, at))
            ToggleFullScreen();
        return 0;
    }
    case WM_TIMER:
        if (wParam == TITLE_TIMER)
            RestoreTitle(window);
        return 0;
    case WM_DROPFILES: OpenDroppedFiles((HDROP)wParam); return 0;
    case WM_DESTROY: HandleDestroy(); return 0;
    case WM_MOVE: HandleMove(); return 0;
    case WM_SIZE: HandleSize(window, (UINT)wParam); return 0;
    case WM_CLOSE: HandleClose(window); return 0;
    case WM_GETMINMAXINFO:
        ((MINMAXINFO *)lParam)->ptMinTrackSize.x = MIN_WINDOW_WIDTH;
        ((MINMAXINFO *)lParam)->ptMinTrackSize.y = MIN_WINDOW_HEIGHT;
        return 0;
    case WM_COMMAND: HandleCommand(window, LOWORD(wParam)); return 0;
    case WM_HSCROLL: HandleTrackBar((HWND)lParam); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
