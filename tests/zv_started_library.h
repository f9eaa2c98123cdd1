// The tests' fixture of a started library: headless, in a folder of its own,
// without start-up waits and with immediate vertical blanks, in a window;
// ended after the test unless the test ended it itself.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "core/library_state.h"
#include "core/startup.h"
#include "platform/vblank_clock.h"
#include "zovav.h"
#include "zv_test_support.h"

namespace zvtest {

class StartedLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0);
    }
    void TearDown() override {
        if (g_Library.session.libraryStarted) ZoVav_End();
    }
    std::string Log() const { return ReadWholeFile(dir_.path() + "/Log.txt"); }

    ScopedTempDir dir_;
};

}  // namespace zvtest
