// The container reader on the launcher's own file, the temporary work folder and
// the extraction of one file into it.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "common/owned.h"
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
    // Copies the entry's data into a new file at target. Fails, leaving no file
    // behind, when the entry is missing, runs past the end of the file, or the
    // copy ends short; fails when a file named target exists already.
    // digest (32 bytes, may be null) receives the SHA-256 of the data written.
    int extract(const char *name, const char *target, uint8_t *digest = NULL);

    bool isOpen() const { return open != 0; }
    uint64_t containerStart() const { return directory.containerStart(); }
    unsigned listedCount() const { return directory.listedCount(); }

private:
    char path[SETUP_TEXT_CHARS];
    OwnedFile file;
    int open;
    PayloadDirectory directory;
};

// The access list of the work folder: full control for the user running setup,
// SYSTEM and the Administrators group, inherited by the files inside, nothing
// inherited from the root (where every local user may be allowed to write).
class PrivateFolderSecurity {
public:
    PrivateFolderSecurity();
    ~PrivateFolderSecurity();
    // Null when the descriptor could not be made.
    SECURITY_ATTRIBUTES *get() { return descriptor ? &attributes : NULL; }

private:
    PrivateFolderSecurity(const PrivateFolderSecurity &) = delete;
    PrivateFolderSecurity &operator=(const PrivateFolderSecurity &) = delete;
    static bool userSidText(char *out, size_t size);
    PSECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes;
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
// Creates a new probe file of this process in root, deleted when closed.
bool writeProbe(const char *root);

// Picks the root, creates a new work folder in it and extracts Setup.INI.
int prepareWorkFolder(SetupContext *context);
// Extracts one container entry into the work folder and records it for the
// clean-up. The clean-up list and Setup.INI are refused (1152), as is a file that
// exists already or cannot be recorded.
int extractToWorkFolder(SetupContext *context, const char *name);
// Extracted files stay open (shared for reading only) from their extraction until
// the program that uses them has started, each checked through that handle
// against the digest of what was written: nothing can change or replace them
// between the check and their use.
bool holdExtractedFile(SetupContext *context, const char *path, const uint8_t digest[32]);
void releaseHeldFiles(SetupContext *context);
// The same, for Setup.INI too when setupIni is set (the first extraction).
int extractEntry(SetupContext *context, const char *name, bool setupIni);
// Names no entry may be extracted under: "_PWMSIDEL.INI" and "Setup.INI", in any
// spelling the system takes for them.
extern const char SETUP_INI_NAME[]; // "Setup.INI"
bool isReservedWorkFile(const char *name);
