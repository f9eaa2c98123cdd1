// The art tests' fixture: the library started headless, in a folder of its
// own, so that pictures load and draw as the game loads and draws them.
#pragma once
#include <gtest/gtest.h>

#include "core/startup.h"
#include "platform/vblank_clock.h"
#include "zovav.h"
#include "zv_test_support.h"

class StartedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0);
    }
    void TearDown() override { ZoVav_End(); }

    zvtest::ScopedTempDir dir_;
};
