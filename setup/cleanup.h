// Deletion of the extracted files once nothing uses them any more.
#pragma once

#include <windows.h>

#include "context.h"

// Name of the list file in the work folder, and its one section.
extern const char CLEANUP_LIST_NAME[]; // "_PWMSIDEL.INI"
const UINT_PTR CLEANUP_TIMER = 1500;
const UINT CLEANUP_TIMER_MS = 3000;
const unsigned CLEANUP_FAIL_LIMIT = 500;

// Adds "File<number>=<path>" to the list file of folder. False when it could not
// be written.
bool recordFile(const char *folder, unsigned number, const char *path);
// The path is a link or junction (a reparse point).
bool isReparsePoint(const char *path);

class PendingDeletions {
public:
    explicit PendingDeletions(const char *folder);
    virtual ~PendingDeletions();

    // Keeps a hidden window whose timer runs deletePass every 3 seconds until the
    // clean-up is finished or abandoned. Returns 1 when the loop ran to its end,
    // 0 when the window class or the window could not be created.
    int run(HINSTANCE instance);
    // One pass: deletes the recorded files that are free, then (on a pass that
    // finds none left) the list file and the folder. Only files directly inside
    // the folder are deleted, and nothing when the folder is a link. Returns 1
    // when finished.
    int deletePass();
    // Deletes path unless another program holds it open. 1 when it is gone.
    static int deleteIfFree(const char *path);

    HeapText folder;
    HINSTANCE instance;
    unsigned failCount;
};
