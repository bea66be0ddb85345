// Shared by the stereo test programs: a private log file per test, read back
// without its time stamp, with the CR LF of text mode turned back into "\n".
#pragma once

#include "diagnostics/log.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string>

class StereoLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        path = std::string(folder) + "vizor_stereo_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        remove(path.c_str());
        SetEnvironmentVariableA("VIZOR_LOG", path.c_str());
        _putenv_s("VIZOR_LOG", path.c_str());
        ResetLogWriter();
    }
    void TearDown() override
    {
        remove(path.c_str());
        ResetLogWriter();
    }
    // Everything logged since the last reset, "\n" for each line end.
    std::string Logged()
    {
        std::string all;
        FILE *f = fopen(path.c_str(), "rb");
        if (f) {
            char chunk[4096];
            size_t n;
            while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
                all.append(chunk, n);
            fclose(f);
        }
        const size_t start = all.find("\r\n\r\n");
        std::string body = start == std::string::npos ? all : all.substr(start + 4);
        std::string out;
        for (size_t i = 0; i < body.size(); i++)
            if (!(body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n'))
                out += body[i];
        return out;
    }
    // Starts a fresh log, so Logged() shows only what follows.
    void ClearLog()
    {
        remove(path.c_str());
        ResetLogWriter();
    }
    std::string path;
};
