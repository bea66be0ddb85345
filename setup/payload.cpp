#include "payload.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cleanup.h"
#include "dialogs.h"
#include "paths.h"
#include "resources/resource.h"

namespace {

const char WRITE_PROBE_NAME[] = "_MSI5166._PW";
const char WORK_FOLDER_PREFIX[] = "_pw";
const int WORK_FOLDER_ATTEMPTS = 32;

class HandleSource : public ByteSource {
public:
    explicit HandleSource(HANDLE file) : file(file) {}
    uint32_t readAt(uint64_t offset, void *buffer, uint32_t size) override
    {
        LARGE_INTEGER to;
        to.QuadPart = LONGLONG(offset);
        if (offset > uint64_t(INT64_MAX) || !SetFilePointerEx(file, to, nullptr, FILE_BEGIN))
            return 0;
        DWORD got = 0;
        if (!ReadFile(file, buffer, size, &got, nullptr))
            return 0;
        return got;
    }
    uint64_t size() override
    {
        LARGE_INTEGER bytes;
        return GetFileSizeEx(file, &bytes) ? uint64_t(bytes.QuadPart) : 0;
    }

private:
    HANDLE file;
};

class HandleSink : public ByteSink {
public:
    explicit HandleSink(HANDLE file) : file(file) {}
    uint32_t write(const void *data, uint32_t size) override
    {
        DWORD written = 0;
        if (!WriteFile(file, data, size, &written, nullptr))
            return 0;
        return written;
    }

private:
    HANDLE file;
};

HANDLE openShared(const char *path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool startsWithDriveLetter(const char *path)
{
    char c = path[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The first root that qualifies: the temporary path, the Windows folder, then
// fixed and then network drives from A to Z.
bool chooseRoot(char *root, size_t rootSize, uint64_t needKb)
{
    DWORD n = GetTempPathA(DWORD(rootSize), root);
    if (n > 0 && n < rootSize) {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
        if (rootQualifies(root, needKb))
            return true;
    }
    n = GetWindowsDirectoryA(root, UINT(rootSize));
    if (n > 0 && n < rootSize && rootQualifies(root, needKb))
        return true;
    for (UINT type : {UINT(DRIVE_FIXED), UINT(DRIVE_REMOTE)}) {
        for (char letter = 'A'; letter <= 'Z'; ++letter) {
            snprintf(root, rootSize, "%c:\\", letter);
            if (GetDriveTypeA(root) == type && rootQualifies(root, needKb))
                return true;
        }
    }
    root[0] = '\0';
    return false;
}

// A new folder named like a fresh unique temporary file of root without its
// extension. A folder of that name made by someone else is never reused: the
// temporary file is kept while another name is tried, so the next name differs.
bool createWorkFolder(const char *root, char *folder, size_t folderSize)
{
    std::vector<std::string> keep;
    bool made = false;
    for (int attempt = 0; attempt < WORK_FOLDER_ATTEMPTS && !made; ++attempt) {
        char unique[MAX_PATH];
        if (!g_pfnTempFileName(root, WORK_FOLDER_PREFIX, 0, unique))
            break;
        keep.push_back(unique);
        char *dot = strrchr(unique, '.');
        char *slash = strrchr(unique, '\\');
        if (dot && (!slash || dot > slash))
            *dot = '\0';
        if (CreateDirectoryA(unique, nullptr)) {
            snprintf(folder, folderSize, "%s", unique);
            made = strlen(unique) < folderSize;
            if (!made)
                RemoveDirectoryA(unique);
        }
    }
    for (const std::string &file : keep)
        DeleteFileA(file.c_str());
    return made;
}

}  // namespace

PayloadReader::PayloadReader(const char *ownPath) : file(INVALID_HANDLE_VALUE), open(0)
{
    snprintf(path, sizeof path, "%s", ownPath ? ownPath : "");
    file = openShared(path);
    if (file == INVALID_HANDLE_VALUE)
        return;
    open = 1;
    HandleSource source(file);
    directory.load(source, FindContainerStart(source));
}

PayloadReader::~PayloadReader()
{
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

unsigned PayloadReader::entryCount() const
{
    return directory.entryCount();
}

uint64_t PayloadReader::totalSize() const
{
    return directory.totalSize();
}

const PayloadEntry *PayloadReader::find(const char *name, uint64_t *dataOffset) const
{
    if (!open)
        return nullptr;
    return directory.find(name, dataOffset);
}

int PayloadReader::extract(const char *name, const char *target)
{
    uint64_t offset = 0;
    const PayloadEntry *entry = find(name, &offset);
    if (!entry)
        return 0;
    HANDLE source = openShared(path);
    if (source == INVALID_HANDLE_VALUE)
        return 0;
    HANDLE out = CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(source);
        return 0;
    }
    HandleSource from(source);
    HandleSink to(out);
    bool complete = CopyEntryData(from, offset, entry->size, to);
    bool closed = CloseHandle(out) != 0;
    CloseHandle(source);
    if (!complete || !closed) {
        DeleteFileA(target);
        return 0;
    }
    return 1;
}

DiskFreeFunction g_pfnDiskFreeKb = diskFreeKb;
TempFileNameFunction g_pfnTempFileName = GetTempFileNameA;

int diskFreeKb(const char *path, uint64_t *freeKb)
{
    typedef BOOL(WINAPI * FreeSpaceEx)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    int ok = 0;
    HMODULE kernel = LoadLibraryA("KERNEL32.DLL");
    FreeSpaceEx query = kernel ? reinterpret_cast<FreeSpaceEx>(
                                     reinterpret_cast<void *>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                               : nullptr;
    if (query) {
        char copy[SETUP_TEXT_CHARS];
        snprintf(copy, sizeof copy, "%s", path);
        if (copy[0] == '\\' && copy[1] == '\\')
            addBackslash(copy, sizeof copy);
        ULARGE_INTEGER available, total, free;
        if (query(copy, &available, &total, &free)) {
            *freeKb = free.QuadPart / 1024;
            ok = 1;
        }
    } else {
        char drive[4];
        snprintf(drive, sizeof drive, "%s", path);
        DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
        if (GetDiskFreeSpaceA(drive, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
            *freeKb = uint64_t(freeClusters) * bytesPerSector * sectorsPerCluster / 1024;
            ok = 1;
        }
    }
    if (kernel)
        FreeLibrary(kernel);
    return ok;
}

bool writeProbe(const char *root)
{
    char probe[SETUP_TEXT_CHARS];
    if (!combinePath(root, WRITE_PROBE_NAME, probe, sizeof probe))
        return false;
    HANDLE file = CreateFileA(probe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    DeleteFileA(probe);
    return true;
}

bool rootQualifies(const char *root, uint64_t needKb)
{
    if (!startsWithDriveLetter(root))
        return false;
    uint64_t freeKb = 0;
    if (!g_pfnDiskFreeKb(root, &freeKb) || freeKb <= needKb)
        return false;
    return writeProbe(root);
}

int prepareWorkFolder(SetupContext *context)
{
    context->fileSource = Temporary;
    if (!context->payload || context->payload->entryCount() == 0) {
        context->fileSource = SourceFolder;
        SetupContext::assign(context->workFolder, context->sourceFolder);
        return 1;
    }
    context->payloadTotalSize = context->payload->totalSize();
    uint64_t needKb = context->payloadTotalSize / 1024;

    char root[SETUP_TEXT_CHARS];
    char folder[SETUP_TEXT_CHARS];
    if (!chooseRoot(root, sizeof root, needKb) || !createWorkFolder(root, folder, sizeof folder)) {
        showTextId(IDS_ERROR_TEMP_LOCATION);
        return 0;
    }
    SetupContext::assign(context->workFolder, folder);
    return extractToWorkFolder(context, "Setup.INI");
}

int extractToWorkFolder(SetupContext *context, const char *name)
{
    if (context->fileSource != Temporary || context->launchKind != Normal)
        return 1;
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));

    const char *folder = context->workFolder ? context->workFolder : "";
    char target[SETUP_TEXT_CHARS];
    bool fits = combinePath(folder, name, target, sizeof target);
    if (!fits)
        snprintf(target, sizeof target, "%s\\%s", folder, name);   // cut, for the message only
    // A name with a folder part, a drive or ".." would write outside the work folder.
    if (!fits || !context->workFolder || !isPlainFileName(name) || !context->payload ||
        !context->payload->extract(name, target)) {
        showFormatted(IDS_ERROR_EXTRACTING, target);
        return 0;
    }
    SetCursor(previous);
    context->extractedCount += 1;
    recordFile(context->workFolder, context->extractedCount, target);
    return 1;
}
