#include "config/recent_files.h"

#include "config/registry.h"

#include <stdio.h>
#include <string.h>

const char szRecentKey[] = "Software\\Brontide\\Vizor Cinema\\recent";

namespace {

void ValueName(int index, char *name, size_t size) { snprintf(name, size, "File%d", index + 1); }

} // namespace

void LoadRecentFiles(RecentList &list)
{
    list = RecentList();
    RegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, szRecentKey, KEY_READ) != ERROR_SUCCESS)
        return;
    // Oldest first, so that RecentAdd leaves the newest in front.
    for (int i = RECENT_MAX - 1; i >= 0; i--) {
        char name[16];
        ValueName(i, name, sizeof name);
        char path[RECENT_PATH_CHARS + 1];
        DWORD type = 0, size = sizeof path - 1;
        if (RegQueryValueExA(key.Get(), name, NULL, &type, (BYTE *)path, &size) != ERROR_SUCCESS || type != REG_SZ)
            continue;
        path[size] = 0; // a text stored without its terminating zero
        RecentAdd(list, path);
    }
}

bool SaveRecentFiles(const RecentList &list)
{
    RegistryKey key;
    if (key.Create(HKEY_CURRENT_USER, szRecentKey, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return false;
    bool saved = true;
    for (int i = 0; i < RECENT_MAX; i++) {
        char name[16];
        ValueName(i, name, sizeof name);
        if (i < list.count) {
            const char *path = list.paths[i];
            if (key.SetString(name, path) != ERROR_SUCCESS)
                saved = false;
        } else {
            RegDeleteValueA(key.Get(), name); // absent already is as good
        }
    }
    return saved;
}
