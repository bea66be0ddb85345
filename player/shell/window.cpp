#include "shell/window.h"

#include "diagnostics/log.h"
#include "engine/movie_math.h"
#include "engine/playback.h"
#include "engine/records.h"
#include "resource.h"
#include "shell/app.h"
#include "shell/commands.h"
#include "shell/dialogs.h"

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
    WinHelpA(ghWnd, szHelpOpened, HELP_QUIT, 0);
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
    HWND area = GetDlgItem(window, IDC_MOVIE_BACKGROUND);
    MoveWindow(area, L, T, R - L, B - T - CONTROL_STRIP_HEIGHT - 4, TRUE);
    UpdateWindow(area);

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

int64_t TrackbarSeekTime(int64_t totalTime, uint32_t dwPos)
{
    return (totalTime / 1000) * (int64_t)dwPos;
}

void HandleTrackBar(HWND trackbar)
{
    LogMessage("HandleTrackBar\n");
    const uint32_t dwPos = (uint32_t)SendMessageA(trackbar, TBM_GETPOS, 0, 0);
    if (movie.state == Uninitialized || movie.source == Url_asf)
        return;
    movie.StreamTime = TrackbarSeekTime(movie.totalTime, dwPos);
    movie.state = Paused;
    Play();
    RenderNextFrame();
    Pause();
    LogMessage("Tring to change the movie position\n");
    LogFormat("dwPos %d\n", (int)dwPos);
    LogFormat("movie->StreamTime.int64, movie->totalTime.int64 %lld %lld\n", (long long)movie.StreamTime,
              (long long)movie.totalTime);
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

void PanelCommand()
{
    RunPaused(ControlPanelCommand, true);
}

void AboutCommand()
{
    RunPaused([] { RunAboutDialog(g_hInstance, ghWnd); }, true);
}

void DescriptionCommand()
{
    RunPaused([] { RunMovieDescription(g_hInstance, ghWnd, movie, output, state); }, false);
}

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
    WinHelpA(ghWnd, path, HELP_FORCEFILE, 0);
    snprintf(szHelpOpened, sizeof szHelpOpened, "%s", path);
}

void ExitCommand()
{
    LogMessage("Interpreting IDM_EXIT\n");
    ConfirmExit(ghWnd);
}

struct CommandEntry {
    int id;
    void (*action)();
};

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
};

} // namespace

void HandleCommand(HWND window, int commandId)
{
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
    switch (message) {
    case WM_INITDIALOG:
        ghWnd = window;
        return 1;
    case WM_DESTROY:
        HandleDestroy();
        return 0;
    case WM_MOVE:
        HandleMove();
        return 0;
    case WM_SIZE:
        HandleSize(window, (UINT)wParam);
        return 0;
    case WM_CLOSE:
        HandleClose(window);
        return 0;
    case WM_GETMINMAXINFO:
        ((MINMAXINFO *)lParam)->ptMinTrackSize.x = MIN_WINDOW_WIDTH;
        ((MINMAXINFO *)lParam)->ptMinTrackSize.y = MIN_WINDOW_HEIGHT;
        return 0;
    case WM_COMMAND:
        HandleCommand(window, LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        HandleTrackBar((HWND)lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
