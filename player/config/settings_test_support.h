// Helpers shared by the tests of the MCF reader, the settings store and the
// command line: a private log per test, a recorder for message boxes, scratch
// files, and exclusive use of the settings keys in the test prefix.
#pragma once

#include "diagnostics/test_log.h"
#include "engine/records.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace settings_test {

inline std::string ReadFileBytes(const std::string &path) { return ReadWholeFileBytes(path); }

inline void WriteFileBytes(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// A folder of its own for every test program and test, in the temporary folder.
inline std::string ScratchPath(const std::string &name)
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(folder) + "vizor_" + test->test_suite_name() + "_" + test->name() + "_" + name;
}

// Every message box shown through g_pfnMessageBox while one of these lives.
struct BoxRecorder {
    struct Box {
        HWND owner;
        std::string text, caption;
        UINT type;
    };
    static std::vector<Box> &Boxes()
    {
        static std::vector<Box> boxes;
        return boxes;
    }
    static int Record(HWND owner, const char *text, const char *caption, UINT type)
    {
        Boxes().push_back({owner, text, caption, type});
        return IDOK;
    }
    BoxRecorder() : saved(g_pfnMessageBox)
    {
        Boxes().clear();
        g_pfnMessageBox = Record;
    }
    ~BoxRecorder() { g_pfnMessageBox = saved; }
    MessageBoxFunction saved;
};

// The log of the running test, in a file of its own.
class SettingsLog : public ::TestLog {
public:
    // The logged lines that begin with one of the prefixes, in order.
    std::vector<std::string> LinesStartingWith(const std::vector<std::string> &prefixes) const
    {
        std::vector<std::string> found;
        std::string body = Body();
        size_t start = 0;
        while (start < body.size()) {
            size_t end = body.find('\n', start);
            std::string line = body.substr(start, end == std::string::npos ? std::string::npos : end - start);
            for (const std::string &prefix : prefixes)
                if (line.compare(0, prefix.size(), prefix) == 0) {
                    found.push_back(line);
                    break;
                }
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return found;
    }
};

// The settings keys in the test prefix belong to one test at a time: ctest runs
// test programs side by side, and they all share the prefix's registry. The lock
// is a named mutex of the prefix; the keys, the user's and the machine's, are
// deleted when it is taken and when it is given back, so no test depends on what
// another left behind.
class SettingsKeys {
public:
    SettingsKeys()
    {
        mutex = CreateMutexA(NULL, FALSE, "Parallaxia.SettingsKeys.TestLock");
        DWORD waited = mutex ? WaitForSingleObject(mutex, 120000) : WAIT_FAILED;
        owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        EXPECT_TRUE(owned) << "the settings keys stayed in use by another test";
        Delete();
    }
    ~SettingsKeys()
    {
        Delete();
        if (owned)
            ReleaseMutex(mutex);
        if (mutex)
            CloseHandle(mutex);
    }
    static void Delete()
    {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            RegDeleteTreeA(root, "Software\\Brontide\\Vizor Cinema");
            RegDeleteKeyA(root, "Software\\Brontide"); // only when nothing else is in it
        }
    }
    // Makes the settings keys below root impossible to create, as the machine's
    // are for a standard user: a volatile key cannot hold lasting keys below it.
    static void MakeUnwritable(HKEY root)
    {
        HKEY parent;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, "Software\\Brontide\\Vizor Cinema", 0, NULL, REG_OPTION_VOLATILE,
                                                 KEY_ALL_ACCESS, NULL, &parent, NULL));
        RegCloseKey(parent);
    }
    // Stores a number as REG_DWORD or any other value as raw bytes of the given type.
    static void SetIn(HKEY root, const char *key, const char *valueName, DWORD type, const void *data, DWORD size)
    {
        HKEY handle;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(root, key, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &handle, NULL));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(handle, valueName, 0, type, (const BYTE *)data, size));
        RegCloseKey(handle);
    }
    // The machine's keys, where the installation package puts the presets.
    static void Set(const char *key, const char *valueName, DWORD type, const void *data, DWORD size)
    {
        SetIn(HKEY_LOCAL_MACHINE, key, valueName, type, data, size);
    }
    static void SetNumber(const char *key, const char *valueName, DWORD value)
    {
        Set(key, valueName, REG_DWORD, &value, sizeof value);
    }
    static void SetUserNumber(const char *key, const char *valueName, DWORD value)
    {
        SetIn(HKEY_CURRENT_USER, key, valueName, REG_DWORD, &value, sizeof value);
    }
    // The stored value as the registry gives it, or "" with type 0 when it is missing.
    static std::string GetFrom(HKEY root, const char *key, const char *valueName, DWORD *type = NULL)
    {
        BYTE data[512];
        DWORD size = sizeof data, t = 0;
        if (RegGetValueA(root, key, valueName, RRF_RT_ANY, &t, data, &size) != ERROR_SUCCESS)
            size = 0, t = 0;
        if (type)
            *type = t;
        return std::string((const char *)data, size);
    }
    static std::string Get(const char *key, const char *valueName, DWORD *type = NULL)
    {
        return GetFrom(HKEY_LOCAL_MACHINE, key, valueName, type);
    }
    static std::string GetUser(const char *key, const char *valueName, DWORD *type = NULL)
    {
        return GetFrom(HKEY_CURRENT_USER, key, valueName, type);
    }

private:
    HANDLE mutex = NULL;
    bool owned = false;
};

} // namespace settings_test
