// For tests: the player's log redirected to a file of the running test, read back
// without its time stamp and with the CR LF of text mode turned back into "\n".
#pragma once

#include "diagnostics/log.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>

inline std::string ReadWholeFileBytes(const std::string &path)
{
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    fclose(f);
    return bytes;
}

class TestLog {
public:
    TestLog()
    {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = std::string(folder) + "vizor_" + (test ? test->test_suite_name() : "test") + "_" +
               (test ? test->name() : "log") + ".log";
        SetEnvironmentVariableA("VIZOR_LOG", path.c_str());
        _putenv_s("VIZOR_LOG", path.c_str());
        Clear();
    }
    ~TestLog()
    {
        remove(path.c_str());
        ResetLogWriter();
    }
    TestLog(const TestLog &) = delete;
    TestLog &operator=(const TestLog &) = delete;

    // Starts a fresh log: the next message recreates the file.
    void Clear()
    {
        remove(path.c_str());
        ResetLogWriter();
    }
    // The file as written.
    std::string Bytes() const { return ReadWholeFileBytes(path); }
    // What was logged after the time stamp and the empty line, line ends as "\n".
    std::string Body() const
    {
        std::string all = Bytes();
        const size_t start = all.find("\r\n\r\n");
        all = start == std::string::npos ? all : all.substr(start + 4);
        std::string text;
        for (size_t i = 0; i < all.size(); i++)
            if (!(all[i] == '\r' && i + 1 < all.size() && all[i + 1] == '\n'))
                text += all[i];
        return text;
    }

    std::string path;
};
