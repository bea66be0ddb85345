#include "shell/app.h"

#include "diagnostics/log.h"
#include "engine/playback.h"
#include "engine/records.h"
#include "engine/surfaces.h"
#include "resource.h"
#include "shell/commandline.h"
#include "shell/recent_menu.h"
#include "shell/window.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

HINSTANCE g_hInstance;

bool PathBeside(const char *programPath, const char *name, char *out, size_t outSize)
{
    const char *slash = strrchr(programPath, '\\');
    size_t keep = slash ? (size_t)(slash - programPath) + 1 : 0;
    int written = snprintf(out, outSize, "%.*s%s", (int)keep, programPath, name);
    if (written < 0 || (size_t)written >= outSize) {
        if (outSize)
            out[0] = 0;
        return false;
    }
    return true;
}

bool PathBesideProgram(const char *name, char *out, size_t outSize)
{
    char program[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, program, sizeof program);
    if (length == 0 || length >= sizeof program) {
        if (outSize)
            out[0] = 0;
        return false;
    }
    return PathBeside(program, name, out, outSize);
}

void SetInitialMovieParameters()
{
    LogMessage("Setting parameter for inital movie\n");
    movie.source = Initial_movie;
    movie.StereoCodingFormat = SHIFTED_AB;
    movie.EyeCodingFormat = LEFT_TOP;
    output.OutputFormat = OUTPUT_NO_STEREO;
    output.VideomemoryMethod = VIDEOMEMORY_METHOD2;
    state.frameCount = 0;
    state.bApplicationMinimized = 0;
    movie.bMCF = 0;
    LogMessage("Setting parameter for inital movie done\n");
}

void GetDisplayInfo()
{
    display.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    display.screenHeight = GetSystemMetrics(SM_CYSCREEN);
}

void SetButtonImages(HWND window)
{
    static const struct {
        int button;
        int bitmap;
    } images[] = {{IDC_PLAY, IDB_PLAY}, {IDC_PAUSE, IDB_PAUSE}, {IDC_STOP, IDB_STOP}};
    LogMessage("Setting the button images\n");
    for (const auto &image : images) {
        HBITMAP bitmap = LoadBitmapA(g_hInstance, MAKEINTRESOURCEA(image.bitmap));
        SendDlgItemMessageA(window, image.button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap);
    }
}

void InitTrackbar()
{
    SendDlgItemMessageA(ghWnd, IDC_TRACKBAR, TBM_SETRANGEMIN, TRUE, 0);
    SendDlgItemMessageA(ghWnd, IDC_TRACKBAR, TBM_SETRANGEMAX, TRUE, 1000);
}

void ExitCode()
{
    LogMessage("Going to execute ExitCode()\n");
    ReleasePlayerObjects();
    PostQuitMessage(0);
    CoUninitialize();
}

static bool RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSEXA wc;
    memset(&wc, 0, sizeof wc);
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(NULL, "#32770", &wc)) // the system dialog class: its extra window bytes
        return false;
    wc.cbSize = sizeof wc;
    wc.style |= CS_DBLCLKS; // double-click on the movie: full screen
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    wc.hIconSm = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, 16, 16, 0);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = "Vizor_Main";
    return RegisterClassExA(&wc) != 0;
}

// After a frame step that showed the error box, the next step waits this long
// while messages are served, so that a fault that comes back on every frame
// still leaves the user time to pause, stop or quit.
const DWORD FAILED_STEP_GRACE_MS = 2000;

// One frame step of the main loop has ended: the slider follows, and a step
// that showed the error box holds the pump for FAILED_STEP_GRACE_MS.
static void FrameStepEnded(bool *pumpPaused, DWORD *pumpPausedSince)
{
    UpdateTrackbarPosition();
    if (LastFrameStepReportedFailure()) {
        *pumpPaused = true;
        *pumpPausedSince = GetTickCount();
    }
}

// Frames are fetched without waiting for them: while the stream owes a frame the
// loop serves messages and waits for the frame's event at the same time, so the
// window answers, and Pause, Stop and Exit work, however long the stream takes.
static int MainLoop(HACCEL accelerators)
{
    MSG msg;
    DWORD pumpPausedSince = 0;
    bool pumpPaused = false;
    for (;;) {
        HANDLE frameEvent = FrameStepEvent();
        if (frameEvent && WaitForSingleObject(frameEvent, 0) == WAIT_OBJECT_0) {
            FinishFrameStep();
            FrameStepEnded(&pumpPaused, &pumpPausedSince);
        } else if (PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE)) {
            if (!GetMessageA(&msg, NULL, 0, 0))
                return (int)msg.wParam;
            if (HandleMouseWheel(msg))
                continue;
            if (!TranslateAcceleratorA(ghWnd, accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        } else if (frameEvent) {
            const DWORD start = GetTickCount();
            const DWORD woke = MsgWaitForMultipleObjects(1, &frameEvent, FALSE, FrameStepMsLeft(), QS_ALLINPUT);
            FrameStepWaited(GetTickCount() - start);
            if (woke == WAIT_TIMEOUT && FrameStepMsLeft() == 0) {
                AbandonStalledFrameStep();
                FrameStepEnded(&pumpPaused, &pumpPausedSince);
            }
        } else if (movie.state == Playing && FramePumpReady()) {
            if (pumpPaused) {
                const DWORD waited = GetTickCount() - pumpPausedSince;
                if (waited < FAILED_STEP_GRACE_MS) {
                    MsgWaitForMultipleObjects(0, NULL, FALSE, FAILED_STEP_GRACE_MS - waited, QS_ALLINPUT);
                    continue;
                }
                pumpPaused = false;
            }
            StartFrameStep();
            if (!FrameStepEvent())
                FrameStepEnded(&pumpPaused, &pumpPausedSince);
        } else {
            pumpPaused = false;
            WaitMessage(); // nothing to pump: sleep until the next message
        }
    }
}

int RunPlayer(HINSTANCE instance, const char *commandLine, int showCommand)
{
    g_hInstance = instance;

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    HWND window = NULL;
    if (RegisterMainWindowClass(instance))
        window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, (DLGPROC)MainWndProc, 0);
    if (!window) {
        ShowMessageBox(NULL, "Couldn't create window.", "Error", MB_OK);
        return 0;
    }
    ghWnd = window;
    g_hBoxOwner = window;
    g_pfnOpenNextMovie = ProcessCommandLine;
    g_pfnPositionChanged = UpdateTrackbarPosition;
    // The window's own painting leaves its controls alone: a resize during playback
    // (a new movie fitted to the window) would otherwise wipe the transport buttons.
    SetWindowLongPtrA(ghWnd, GWL_STYLE, GetWindowLongPtrA(ghWnd, GWL_STYLE) | WS_CLIPCHILDREN);
    InitRecentFiles();

    const bool startupFailed = FAILED(InitDirectDraw());
    if (startupFailed)
        ExitCode(); // the quit message is posted: the loop below ends at once

    ShowWindow(ghWnd, showCommand == SW_MINIMIZE ? SW_MINIMIZE : SW_RESTORE);
    UpdateWindow(ghWnd);

    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));

    GetDisplayInfo();
    SetButtonImages(ghWnd);
    InitTrackbar();

    SaveCommandLine(commandLine);

    movie.source = No_source;
    movie.state = Uninitialized;

    char initialMovie[MAX_PATH] = "";
    bool havePath = PathBesideProgram("Vizor_Initial.avi", initialMovie, sizeof initialMovie);
    LogMessage("Path for the inital movie:\n");
    LogMessage(initialMovie);
    LogMessage("\n");
    FILE *probe = havePath ? fopen(initialMovie, "rb") : NULL;
    if (probe) {
        fclose(probe);
        LogMessage("Going to perform the inital movie rendering\n");
        snprintf(movie.szFileName, sizeof movie.szFileName, "%s", initialMovie);
        SetInitialMovieParameters();
    } else {
        LogMessage("Vizor_Initial.mpgs does not exist, no initial movie plyaback\n");
    }

    if (movie.source != Initial_movie)
        ProcessCommandLine();

    if (movie.source != No_source && !startupFailed) {
        LogMessage("StartRendering()\n");
        StartRendering();
    }

    LogMessage("Starting Main Loop\n");
    return MainLoop(accelerators);
}
