#include "payload.h"

#include <sddl.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "cleanup.h"
#include "common/owned.h"
#include "messages.h"
#include "paths.h"
#include "resources/resource.h"
#include "sha256.h"
#include "system_dlls.h"

const char SETUP_INI_NAME[] = "Setup.INI";

namespace {

// "_MSI5166" with the process id and a running number, then "._PW".
const char WRITE_PROBE_FORMAT[] = "_MSI5166_%08X_%u._PW";
const int WRITE_PROBE_ATTEMPTS = 16;
const char WORK_FOLDER_PREFIX[] = "_pw";
const int WORK_FOLDER_ATTEMPTS = 32;

class HandleSource : public ByteSource {
public:
    explicit HandleSource(HANDLE file) : file(file) {}
    uint32_t readAt(uint64_t offset, void *buffer, uint32_t size) override
    {
        LARGE_INTEGER to;
        to.QuadPart = LONGLONG(offset);
        if (offset > uint64_t(INT64_MAX) || !SetFilePointerEx(file, to, NULL, FILE_BEGIN))
            return 0;
        DWORD got = 0;
        if (!ReadFile(file, buffer, size, &got, NULL))
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
        if (!WriteFile(file, data, size, &written, NULL))
            return 0;
        return written;
    }

private:
    HANDLE file;
};

HANDLE openShared(const char *path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

bool startsWithDriveLetter(const char *path)
{
    char c = path[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The first root that qualifies: the temporary path, the Windows folder, then
// fixed and then network drives from A to Z.
bool chooseRoot(char *root, size_t rootSize, uint64_t needKb, bool *driveRoot)
{
    *driveRoot = false;
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
            if (GetDriveTypeA(root) == type && rootQualifies(root, needKb)) {
                *driveRoot = true;
                return true;
            }
        }
    }
    root[0] = '\0';
    return false;
}

// A new folder named like a fresh unique temporary file of root without its
// extension, private to the user (see above). A folder of that name made by
// someone else is never reused: the temporary file is kept while another name
// is tried, so the next name differs. A folder that turns out to be a link is
// refused.
bool keepsPrivateAccessList(const char *path)
{
    DWORD size = 0;
    GetFileSecurityA(path, DACL_SECURITY_INFORMATION, NULL, 0, &size);
    if (size == 0)
        return false;
    std::vector<BYTE> buffer(size);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = NULL;
    return GetFileSecurityA(path, DACL_SECURITY_INFORMATION, buffer.data(), size, &size) &&
           GetSecurityDescriptorControl(buffer.data(), &control, &revision) && (control & SE_DACL_PROTECTED) &&
           GetSecurityDescriptorDacl(buffer.data(), &present, &dacl, &defaulted) && present && dacl;
}

// checkAccessList: a root other processes may write to (a drive root, a network
// drive) is used only when the folder made there keeps its access list (a FAT
// or network volume may silently drop it).
bool createWorkFolder(const char *root, char *folder, size_t folderSize, bool checkAccessList)
{
    PrivateFolderSecurity security;
    if (!security.get())
        return false;
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
        if (CreateDirectoryA(unique, security.get())) {
            snprintf(folder, folderSize, "%s", unique);
            made = strlen(unique) < folderSize && !isReparsePoint(unique);
            bool unprotected = made && checkAccessList && !keepsPrivateAccessList(unique);
            made = made && !unprotected;
            if (!made)
                RemoveDirectoryA(unique);
            if (unprotected)
                break;
        }
    }
    for (const std::string &file : keep)
        DeleteFileA(file.c_str());
    return made;
}

} // namespace

PrivateFolderSecurity::PrivateFolderSecurity() : descriptor(NULL)
{
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = NULL;
    attributes.bInheritHandle = FALSE;
    char user[256];
    if (!userSidText(user, sizeof user))
        return;
    // Full control, inherited by the files inside; "P": nothing inherited from the root.
    char sddl[400];
    snprintf(sddl, sizeof sddl, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;%s)", user);
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL))
        attributes.lpSecurityDescriptor = descriptor;
}

PrivateFolderSecurity::~PrivateFolderSecurity()
{
    if (descriptor)
        LocalFree(descriptor);
}

bool PrivateFolderSecurity::userSidText(char *out, size_t size)
{
    OwnedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()))
        return false;
    BYTE buffer[256];
    DWORD length = 0;
    char *text = NULL;
    if (!GetTokenInformation(token.Get(), TokenUser, buffer, sizeof buffer, &length) ||
        !ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER *>(buffer)->User.Sid, &text))
        return false;
    OwnedLocal held(text);
    if (strlen(text) >= size)
        return false;
    snprintf(out, size, "%s", text);
    return true;
}

PayloadReader::PayloadReader(const char *ownPath) : open(0)
{
    snprintf(path, sizeof path, "%s", ownPath ? ownPath : "");
    file.Reset(openShared(path));
    if (!file)
        return;
    open = 1;
    HandleSource source(file.Get());
    directory.load(source, FindContainerStart(source));
}

PayloadReader::~PayloadReader() {}

unsigned PayloadReader::entryCount() const { return directory.entryCount(); }

uint64_t PayloadReader::totalSize() const { return directory.totalSize(); }

const PayloadEntry *PayloadReader::find(const char *name, uint64_t *dataOffset) const
{
    if (!open)
        return NULL;
    return directory.find(name, dataOffset);
}

int PayloadReader::extract(const char *name, const char *target, uint8_t *digest)
{
    uint64_t offset = 0;
    const PayloadEntry *entry = find(name, &offset);
    if (!entry)
        return 0;
    OwnedFile source(openShared(path));
    if (!source)
        return 0;
    // A new file only: an entry never replaces a file of the work folder, such as
    // the clean-up list (also not under another spelling of its name).
    OwnedFile out(CreateFileA(target, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!out)
        return 0;
    HandleSource from(source.Get());
    HandleSink to(out.Get());
    // Checked against the record's digest on the way: a file that differs from
    // what was packed is deleted below and never run. Closing the copy is part
    // of writing it: a failed close fails the extraction.
    bool complete = CopyEntry(from, offset, *entry, to, digest);
    bool closed = CloseHandle(out.Release()) != 0;
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
    HMODULE kernel = loadSystemLibrary("KERNEL32.DLL");
    FreeSpaceEx query =
        kernel ? reinterpret_cast<FreeSpaceEx>(reinterpret_cast<void *>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
               : NULL;
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
    // A name of this process's own, created new and deleted when closed: an
    // existing file (or the target of a link) of that name is never touched,
    // and two launchers probing the same root do not meet.
    static unsigned probeNumber;
    for (int attempt = 0; attempt < WRITE_PROBE_ATTEMPTS; ++attempt) {
        char name[64];
        snprintf(name, sizeof name, WRITE_PROBE_FORMAT, unsigned(GetCurrentProcessId()), ++probeNumber);
        char probe[SETUP_TEXT_CHARS];
        if (!combinePath(root, name, probe, sizeof probe))
            return false;
        HANDLE file = CreateFileA(probe, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
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
    bool driveRoot = false;
    if (!chooseRoot(root, sizeof root, needKb, &driveRoot) ||
        !createWorkFolder(root, folder, sizeof folder, driveRoot)) {
        showTextId(IDS_ERROR_TEMP_LOCATION);
        return 0;
    }
    SetupContext::assign(context->workFolder, folder);
    return extractEntry(context, SETUP_INI_NAME, true);
}

int extractToWorkFolder(SetupContext *context, const char *name) { return extractEntry(context, name, false); }

bool holdExtractedFile(SetupContext *context, const char *path, const uint8_t digest[SHA256_DIGEST_BYTES])
{
    if (context->heldCount >= SETUP_HELD_FILES)
        return false;
    // Readers may share it (msiexec, the system starting a program); nobody may
    // write, replace or delete it while it is held.
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // Between the end of the copy and this open the file was not held: it must
    // still be the plain file of the bytes copied.
    BY_HANDLE_FILE_INFORMATION information;
    bool same = GetFileInformationByHandle(file, &information) &&
                !(information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    Sha256 hash;
    unsigned char buffer[PAYLOAD_BLOCK_BYTES * 16];
    DWORD got = 0;
    while (same && ReadFile(file, buffer, sizeof buffer, &got, NULL) && got > 0)
        hash.update(buffer, got);
    uint8_t now[SHA256_DIGEST_BYTES];
    hash.finish(now);
    same = same && memcmp(now, digest, sizeof now) == 0;
    if (!same) {
        CloseHandle(file);
        return false;
    }
    context->heldFiles[context->heldCount++] = file;
    return true;
}

void releaseHeldFiles(SetupContext *context)
{
    for (unsigned i = 0; i < context->heldCount; ++i)
        CloseHandle(context->heldFiles[i]);
    context->heldCount = 0;
}

bool isReservedWorkFile(const char *name)
{
    return sameFileName(name, CLEANUP_LIST_NAME) || sameFileName(name, SETUP_INI_NAME);
}

int extractEntry(SetupContext *context, const char *name, bool setupIni)
{
    if (context->fileSource != Temporary || context->launchKind != Normal)
        return 1;
    HCURSOR previous = SetCursor(LoadCursor(NULL, IDC_WAIT));

    const char *folder = context->workFolder ? context->workFolder : "";
    char target[SETUP_TEXT_CHARS];
    bool fits = combinePath(folder, name, target, sizeof target);
    if (!fits)
        snprintf(target, sizeof target, "%s\\%s", folder, name); // cut, for the message only
    // A name with a folder part, a drive or ".." would write outside the work
    // folder; the clean-up list and Setup.INI (once read) are the launcher's own.
    bool allowed = isPlainFileName(name) && (setupIni ? sameFileName(name, SETUP_INI_NAME) : !isReservedWorkFile(name));
    uint8_t digest[SHA256_DIGEST_BYTES];
    if (!fits || !context->workFolder || !allowed || !context->payload || isReparsePoint(context->workFolder) ||
        !context->payload->extract(name, target, digest)) {
        showFormatted(IDS_ERROR_EXTRACTING, target);
        return 0;
    }
    // A file the clean-up does not know of would stay for good.
    if (!recordFile(context->workFolder, context->extractedCount + 1, target)) {
        DeleteFileA(target);
        showFormatted(IDS_ERROR_EXTRACTING, target);
        return 0;
    }
    context->extractedCount += 1;
    if (!holdExtractedFile(context, target, digest)) {
        DeleteFileA(target);
        showFormatted(IDS_ERROR_EXTRACTING, target);
        return 0;
    }
    SetCursor(previous);
    return 1;
}
