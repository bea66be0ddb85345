#include "shell/dialogs.h"

#include "diagnostics/log.h"
#include "engine/playback.h"
#include "resource.h"

#include <stdio.h>

namespace {

// Text of the URL box as last closed (255 characters at the most).
char urlName[256];

// The description's view of the current movie, for its dialog procedure.
const MovieRecord *describedMovie;
const StateRecord *describedState;
int bDescriptionFilled;

// The frame all three dialogs share: true on the initialisation message; on a
// move the movie frame behind the dialog is drawn again.
INT_PTR CommonDialogFrame(UINT message)
{
    if (message == WM_MOVE)
        RestoreSurface();
    return message == WM_INITDIALOG;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG || message == WM_MOVE)
        return CommonDialogFrame(message);
    switch (message) {
    case WM_COMMAND:
        LogMessage("Dialogue About Executed \n");
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK UrlProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG || message == WM_MOVE)
        return CommonDialogFrame(message);
    switch (message) {
    case WM_COMMAND:
        if (wParam == IDOK || wParam == IDCANCEL) {
            GetDlgItemTextA(dialog, IDC_URL_EDIT, urlName, sizeof urlName);
            LogMessage("Content of URL_NAME \n");
            LogMessage(urlName);
            LogMessage("\n");
            EndDialog(dialog, (INT_PTR)wParam);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK DescriptionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG || message == WM_MOVE)
        return CommonDialogFrame(message);
    switch (message) {
    case WM_PAINT:
        if (describedMovie->state != Uninitialized && !bDescriptionFilled) {
            DescriptionLines lines;
            BuildDescriptionLines(*describedMovie, *describedState, &lines);
            for (int i = 0; i < lines.count; i++)
                SendDlgItemMessageA(dialog, IDC_DESCRIPTION_LIST, LB_ADDSTRING, 0, (LPARAM)lines.lines[i]);
            bDescriptionFilled = 1;
        }
        return FALSE;
    case WM_COMMAND:
        // Only OK and the cancel command (Esc, the close box) close the box: the
        // list's notifications (focus, selection) arrive as commands too.
        if (LOWORD(wParam) == IDC_DESCRIPTION_OK)
            LogMessage("Movie Description Executed with OK\n");
        else if (LOWORD(wParam) == IDCANCEL)
            LogMessage("Movie Description Executed with other command\n");
        else
            return FALSE;
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

} // namespace

void BuildDescriptionLines(const MovieRecord &movie, const StateRecord &state, DescriptionLines *out)
{
    out->count = 0;
    const size_t size = sizeof out->lines[0];
    if (movie.bMCF == 1) {
        LogMessage("Displaing more specific movie parameters\n");
        snprintf(out->lines[out->count++], size, "Name : %s", movie.szName);
        snprintf(out->lines[out->count++], size, "Author: %s", movie.szAuthor);
        snprintf(out->lines[out->count++], size, "Category: %s", movie.szCategory);
    }
    LogMessage("Displaing usual movie parameters\n");
    snprintf(out->lines[out->count++], size, "Movie source:");
    snprintf(out->lines[out->count++], size, "%s", movie.szFileName);
    snprintf(out->lines[out->count++], size, "Source movie framerate: %02.2f frames/s", movie.frameRate);
    snprintf(out->lines[out->count++], size, "Latest framerate achieved: %d frames/s", (int)state.latestFramerate);
}

void RunAboutDialog(HINSTANCE instance, HWND owner)
{
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutProc, 0);
    LogMessage("About executed\n");
    RestoreSurface();
}

bool RunUrlDialog(HINSTANCE instance, HWND owner, char *szFileName)
{
    urlName[0] = 0;
    const INT_PTR closedWith = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_URL), owner, UrlProc, 0);
    if (closedWith == IDCANCEL && !urlName[0]) {
        LogMessage("Input URL cancelled\n");
        return false; // Esc or the close box with nothing typed: the open movie stays
    }
    snprintf(szFileName, PATH_CHARS, "%s", urlName);
    LogMessage("Content of szFileName set from URL\n");
    LogMessage(szFileName);
    LogMessage("\n");
    return true;
}

void RunMovieDescription(HINSTANCE instance, HWND owner, MovieRecord &movie, OutputRecord &output, StateRecord &state)
{
    describedMovie = &movie;
    describedState = &state;
    bDescriptionFilled = 0;
    LogMessage("Executing Movie Description\n");
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_DESCRIPTION), owner, DescriptionProc, 0);
    RestoreSurface();
}
