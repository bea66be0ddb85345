// The container reader on the launcher's own file, the temporary work folder and
// the extraction of one file into it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "container.h"
#include "context.h"

class PayloadReader {
public:
    // Finds the container behind the image of the file at path, opens the file
    // and lists the container's entries. Never fails: without a valid container
    // the reader reports 0 entries.
    explicit PayloadReader(const char *path);
    virtual ~PayloadReader();

    unsigned entryCount() const;
    uint64_t totalSize() const;
    // First entry named name without regard to case; dataOffset receives where its
    // data starts. Null when absent or when the file could not be opened.
    const PayloadEntry *find(const char *name, uint64_t *dataOffset) const;
    // Copies the entry's data into a new file at target (replacing an old one).
    // Fails, leaving no file behind, when the entry is missing, runs past the end
    // of the file, or the copy ends short.
    int extract(const char *name, const char *target);

    bool isOpen() const { return open != 0; }
    uint64_t containerStart() const { return directory.containerStart(); }
    unsigned listedCount() const { return directory.listedCount(); }

private:
    char path[SETUP_TEXT_CHARS];
    HANDLE file;
    int open;
    PayloadDirectory directory;
};

// Free space of the volume holding path, in KB. Returns 0 when the query fails.
typedef int (*DiskFreeFunction)(const char *path, uint64_t *freeKb);
extern DiskFreeFunction g_pfnDiskFreeKb;
int diskFreeKb(const char *path, uint64_t *freeKb);

// GetTempFileNameA: creates an empty file with a new unique name in folder.
typedef UINT (*TempFileNameFunction)(const char *folder, const char *prefix, UINT unique, char *name);
extern TempFileNameFunction g_pfnTempFileName;

// A root qualifies for the work folder: it starts with a drive letter, has more
// than needKb free, and a probe file can be created in it.
bool rootQualifies(const char *root, uint64_t needKb);
// Creates and deletes "_MSI5166._PW" in root.
bool writeProbe(const char *root);

// Picks the root, creates a new work folder in it and extracts Setup.INI.
int prepareWorkFolder(SetupContext *context);
// Extracts one container entry into the work folder and records it for the clean-up.
int extractToWorkFolder(SetupContext *context, const char *name);
