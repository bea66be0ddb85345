// Shared by the stereo test programs: a private log file per test, read back
// without its time stamp, with the CR LF of text mode turned back into "\n".
#pragma once

#include "diagnostics/test_log.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class StereoLogTest : public ::testing::Test {
protected:
    void SetUp() override { log.reset(new TestLog); }
    void TearDown() override { log.reset(); }
    // Everything logged since the last reset, "\n" for each line end.
    std::string Logged() { return log->Body(); }
    // Starts a fresh log, so Logged() shows only what follows.
    void ClearLog() { log->Clear(); }
    std::unique_ptr<TestLog> log;
};
