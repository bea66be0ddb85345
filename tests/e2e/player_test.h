// A test fixture around one running player that is ended the user's way
// (Exit, then Yes) when the test is over, so that every test also proves the
// player still answers its exit question.
#pragma once

#include "driver.h"

#include <gtest/gtest.h>

template <class Base = ::testing::Test> class PlayerTest : public Base {
protected:
    static const DWORD EXIT_WAIT_MS = 30000;
    void TearDown() override
    {
        if (!window || !player.Running())
            return;
        EXPECT_TRUE(ExitPlayer(player, window, EXIT_WAIT_MS)) << ReadLogText(player.log());
    }
    ProgramUnderTest player;
    HWND window = NULL;
};
