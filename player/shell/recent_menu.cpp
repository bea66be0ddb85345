#include "shell/recent_menu.h"

#include "config/recent_files.h"
#include "diagnostics/log.h"
#include "engine/playback.h"
#include "engine/records.h"
#include "resource.h"
#include "shell/commands.h"
#include "shell/full_screen.h"

#include <stdio.h>

namespace {

RecentList recent;
char requested[RECENT_PATH_CHARS]; // the file asked for, until it has opened
int shownItems = 0;                // entries the menu shows now

// The File menu's items: Open file, Open URL, a separator, then the list and a
// separator of its own, then Exit.
const UINT FIRST_RECENT_POSITION = 3;

HMENU FileMenu()
{
    HMENU bar = MainMenu();
    return bar ? GetSubMenu(bar, 0) : NULL;
}

void ShowList()
{
    HMENU file = FileMenu();
    if (!file)
        return;
    for (int i = 0; i < shownItems; i++)
        DeleteMenu(file, IDM_RECENT_FIRST + i, MF_BYCOMMAND);
    if (shownItems > 0)
        DeleteMenu(file, FIRST_RECENT_POSITION, MF_BYPOSITION); // the list's separator
    for (int i = 0; i < recent.count; i++) {
        char label[RECENT_PATH_CHARS * 2];
        RecentMenuLabel(recent.paths[i], i, label, sizeof label);
        InsertMenuA(file, FIRST_RECENT_POSITION + i, MF_BYPOSITION | MF_STRING, IDM_RECENT_FIRST + i, label);
    }
    if (recent.count > 0)
        InsertMenuA(file, FIRST_RECENT_POSITION + recent.count, MF_BYPOSITION | MF_SEPARATOR, 0, NULL);
    shownItems = recent.count;
    if (!IsFullScreen())
        DrawMenuBar(ghWnd);
}

void Store()
{
    if (!SaveRecentFiles(recent))
        LogMessage("The list of recent files could not be saved\n");
    ShowList();
}

// Called by the engine after every opening: a file asked for joins the list
// when its movie opened. Either way the request is done with, so that a later
// opening of another kind (the start-up movie, a new method) adds nothing.
void OpeningEnded(bool opened)
{
    if (opened && requested[0] && RecentAdd(recent, requested))
        Store();
    requested[0] = 0;
}

} // namespace

void InitRecentFiles()
{
    LoadRecentFiles(recent);
    requested[0] = 0;
    shownItems = 0; // the window's menu as the resource made it
    g_pfnOpeningEnded = OpeningEnded;
    ShowList();
}

void NoteFileRequested(const char *path) { snprintf(requested, sizeof requested, "%s", path ? path : ""); }

void NoteNothingRequested() { requested[0] = 0; }

void OpenRecentFile(int index)
{
    if (index < 0 || index >= recent.count)
        return;
    char path[RECENT_PATH_CHARS];
    snprintf(path, sizeof path, "%s", recent.paths[index]);
    LogMessage("Recent file chosen:\n");
    LogMessage(path);
    LogMessage("\n");
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        LogMessage("The file no longer exists and leaves the list of recent files\n");
        RecentRemove(recent, index);
        Store();
        char text[RECENT_PATH_CHARS + 80];
        snprintf(text, sizeof text, "%s\n\nThis file no longer exists. It was removed from the list of recent files.",
                 path);
        ShowMessageBox(ghWnd, text, "Recent files", MB_OK | MB_ICONWARNING);
        return;
    }
    OpenChosenFile(path);
}

const RecentList &RecentFiles() { return recent; }
