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
// is a named mutex of the prefix; the keys are deleted when it is taken and when
// it is given back, so no test depends on what another left behind.
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
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Brontide\\Vizor Cinema");
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Brontide"); // only when nothing else is in it
    }
    // Stores a number as REG_DWORD or any other value as raw bytes of the given type.
    static void Set(const char *key, const char *valueName, DWORD type, const void *data, DWORD size)
    {
        HKEY handle;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, NULL, REG_OPTION_NON_VOLATILE,
                                                 KEY_ALL_ACCESS, NULL, &handle, NULL));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(handle, valueName, 0, type, (const BYTE *)data, size));
        RegCloseKey(handle);
    }
    static void SetNumber(const char *key, const char *valueName, DWORD value)
    {
        Set(key, valueName, REG_DWORD, &value, sizeof value);
    }
    // The stored value as the registry gives it, or "" with type 0 when it is missing.
    static std::string Get(const char *key, const char *valueName, DWORD *type = nullptr)
    {
        BYTE data[512];
        DWORD size = sizeof data, t = 0;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, key, valueName, RRF_RT_ANY, &t, data, &size) != ERROR_SUCCESS)
            size = 0, t = 0;
        if (type)
            *type = t;
        return std::string((const char *)data, size);
    }

private:
    HANDLE mutex = NULL;
    bool owned = false;
};

} // namespace settings_test
