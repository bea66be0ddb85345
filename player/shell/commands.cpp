#include "shell/commands.h"

#include "config/mcf.h"
#include "config/mcf_setup.h"
#include "config/panel.h"
#include "config/registry.h"
#include "diagnostics/log.h"
#include "engine/playback.h"
#include "engine/records.h"
#include "shell/app.h"
#include "shell/dialogs.h"
#include "shell/recent_menu.h"

#include <commdlg.h>
#include <stdio.h>

const char movieFileFilters[] = "Video 3D (*.avis;*.mpgs;*.asfs)\0*.avis;*.mpgs;*.asfs\0"
                                "Video 2D (*.avi;*.dat;*.mpg;*.mpeg;*.mpe;*.asf)\0*.avi;*.mpg;*.mpeg;*.mpe;*.asf\0"
                                "Movie configuration (*.mcf)\0*.mcf\0"
                                "All Files (*.*)\0*.*\0";

bool ChooseMovieFile(char *szFileName)
{
    szFileName[0] = 0;
    OPENFILENAMEA choice = {};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = ghWnd;
    choice.lpstrFilter = movieFileFilters;
    choice.nFilterIndex = 1;
    choice.lpstrFile = szFileName;
    choice.nMaxFile = PATH_CHARS;
    choice.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_READONLY;
    return GetOpenFileNameA(&choice) != 0;
}

// A playing movie is paused (at the frame on the screen) while a new one is
// chosen. Returns whether it was playing.
static bool PauseBeforeChoosing()
{
    if (movie.state != Playing)
        return false;
    Pause();
    return true;
}

// Nothing was chosen: a movie that was playing goes on from where it was; a
// paused or stopped one stays as it is.
static void ResumeAfterNoChoice(bool wasPlaying)
{
    if (wasPlaying)
        Play();
}

// Opens the file named in movie.szFileName as a chosen file is opened.
static void OpenNamedFile()
{
    NoteFileRequested(movie.szFileName);
    if (EndsOnMCF(movie.szFileName)) {
        SetupFromMCF(movie, output, state);
    } else {
        ReadRegistrySettings(movie, output, state);
        ApplyLayoutFromName(movie);
        movie.bMCF = 0;
        movie.source = File;
    }
    StartRendering();
}

void OpenFileCommand()
{
    const bool wasPlaying = PauseBeforeChoosing();
    char szChosen[PATH_CHARS];
    const bool chosen = ChooseMovieFile(szChosen);
    RestoreSurface();
    LogMessage("Input from File:\n");
    LogMessage(szChosen);
    LogMessage("\n");
    if (!chosen) {
        ResumeAfterNoChoice(wasPlaying); // the open movie keeps its name
        return;
    }
    snprintf(movie.szFileName, sizeof movie.szFileName, "%s", szChosen);
    OpenNamedFile();
}

void OpenDroppedFiles(HDROP drop)
{
    // The first file only; a name longer than the player's path buffer is
    // refused whole rather than cut to another file's name.
    char name[PATH_CHARS];
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0);
    const UINT length = count ? DragQueryFileA(drop, 0, NULL, 0) : 0;
    const bool taken = length > 0 && length < sizeof name && DragQueryFileA(drop, 0, name, sizeof name) == length;
    DragFinish(drop);
    LogFormat("Files dropped: %u\n", count);
    if (!taken) {
        if (count)
            LogMessage("The dropped file's name is too long\n");
        return;
    }
    OpenChosenFile(name);
}

void OpenChosenFile(const char *name)
{
    PauseBeforeChoosing();
    snprintf(movie.szFileName, sizeof movie.szFileName, "%s", name);
    LogMessage("Input from File:\n");
    LogMessage(movie.szFileName);
    LogMessage("\n");
    OpenNamedFile();
}

void OpenUrlCommand()
{
    const bool wasPlaying = PauseBeforeChoosing();
    if (!RunUrlDialog(g_hInstance, ghWnd, movie.szFileName)) {
        ResumeAfterNoChoice(wasPlaying);
        return;
    }
    NoteNothingRequested();
    LogMessage("Input from URL:\n");
    LogMessage(movie.szFileName);
    LogMessage("\n");
    if (EndsOnMCF(movie.szFileName)) {
        SetupFromMCF(movie, output, state);
    } else {
        ReadRegistrySettings(movie, output, state);
        ApplyLayoutFromName(movie);
        movie.bMCF = 0;
        if (EndsOnASF(movie.szFileName)) {
            movie.source = Url_asf;
            LogMessage("Warning ! movie.source=Url_asf seek problems expected\n");
        } else {
            movie.source = Url;
        }
    }
    StartRendering();
}

void ControlPanelCommand() { RunConfigurationPanel(g_hInstance, ghWnd, movie, output, state); }
