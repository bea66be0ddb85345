#include "cleanup.h"

#include <stdio.h>
#include <string.h>

#include "context.h"
#include "paths.h"

const char CLEANUP_LIST_NAME[] = "_PWMSIDEL.INI";

namespace {

const char CLASS_NAME[] = "PackagewrightMSIDelete10";
const char SECTION[] = "Files";
const UINT QUIET_ERRORS = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// A pass must not start while another is running (a message box of the system
// could pump timer messages inside one).
int g_passRunning;

LRESULT CALLBACK cleanupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    PendingDeletions *self = reinterpret_cast<PendingDeletions *>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_CREATE: {
        CREATESTRUCTA *create = reinterpret_cast<CREATESTRUCTA *>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
        SetTimer(window, CLEANUP_TIMER, CLEANUP_TIMER_MS, NULL);
        return 0;
    }
    case WM_TIMER:
        if (wParam == CLEANUP_TIMER && self && !g_passRunning) {
            g_passRunning = 1;
            int finished = self->deletePass();
            g_passRunning = 0;
            if (finished)
                DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        KillTimer(window, CLEANUP_TIMER);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

bool recordFile(const char *folder, unsigned number, const char *path)
{
    char list[SETUP_TEXT_CHARS];
    if (!combinePath(folder, CLEANUP_LIST_NAME, list, sizeof list))
        return false;
    char key[32];
    snprintf(key, sizeof key, "%s%d", "File", int(number));
    return WritePrivateProfileStringA(SECTION, key, path, list) != 0;
}

bool isReparsePoint(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

PendingDeletions::PendingDeletions(const char *workFolder) : instance(NULL), failCount(0) { folder.assign(workFolder); }

PendingDeletions::~PendingDeletions() {}

int PendingDeletions::run(HINSTANCE module)
{
    instance = module;
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = cleanupProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, CLASS_NAME);
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = CLASS_NAME;
    if (!RegisterClassA(&windowClass))
        return 0;
    HWND window = CreateWindowExA(0, CLASS_NAME, CLASS_NAME, WS_POPUP, 0, 0, 0, 0, NULL, NULL, instance, this);
    if (!window) {
        UnregisterClassA(CLASS_NAME, instance);
        return 0;
    }
    // A quit request that ended an earlier wait (msiexec's) would end this loop
    // before its first pass: it is kept aside and posted again afterwards.
    MSG message;
    bool quitWaiting = PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    WPARAM quitCode = quitWaiting ? message.wParam : 0;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    UnregisterClassA(CLASS_NAME, instance);
    if (quitWaiting)
        PostQuitMessage(int(quitCode));
    return 1;
}

int PendingDeletions::deletePass()
{
    char list[SETUP_TEXT_CHARS];
    if (!folder || !combinePath(folder, CLEANUP_LIST_NAME, list, sizeof list))
        return 1;
    if (!fileExists(list) || failCount >= CLEANUP_FAIL_LIMIT)
        return 1;
    // A folder replaced by a link would lead the deletions somewhere else.
    if (isReparsePoint(folder) || isReparsePoint(list))
        return 1;

    char keys[SETUP_TEXT_CHARS] = {0};
    GetPrivateProfileStringA(SECTION, NULL, "", keys, sizeof keys, list);
    if (!keys[0]) {
        if (!deleteIfFree(list)) {
            // Counted, so that a list file that stays ends the clean-up in time.
            ++failCount;
        } else if (folderExists(folder)) {
            SetErrorMode(QUIET_ERRORS);
            BOOL removed = RemoveDirectoryA(folder);
            SetErrorMode(0);
            if (removed)
                return 1;
        }
    }
    for (const char *key = keys; *key; key += strlen(key) + 1) {
        char path[SETUP_TEXT_CHARS];
        GetPrivateProfileStringA(SECTION, key, "NO_KEY_VALUE", path, sizeof path, list);
        // Only files directly inside the work folder are the launcher's; any
        // other value is dropped from the list without touching what it names.
        if (!isDirectlyInside(folder, path) || deleteIfFree(path))
            WritePrivateProfileStringA(SECTION, key, NULL, list);
        else
            ++failCount;
    }
    return 0;
}

int PendingDeletions::deleteIfFree(const char *path)
{
    if (!fileExists(path))
        return 1;
    // In use when it cannot be opened for writing with exclusive sharing.
    // A link is looked at itself, never the file it points to.
    SetErrorMode(QUIET_ERRORS);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        SetErrorMode(0);
        return 0;
    }
    CloseHandle(file);
    SetErrorMode(QUIET_ERRORS);
    BOOL deleted = DeleteFileA(path);
    SetErrorMode(0);
    return deleted ? 1 : 0;
}
