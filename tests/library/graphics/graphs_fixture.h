// The graphics started on their own (window surfaces, no window), with the
// other kinds of screen a test can switch to, and the checks that graphics
// end leaves no block or surface behind.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "core/alloc.h"
#include "core/file/file_access.h"
#include "core/library_state.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graphics_core.h"
#include "graphics/screen_settings.h"
#include "platform/surface_memory.h"
#include "zovav.h"
#include "zv_test_support.h"

namespace graphsfix {

enum ScreenKind { kWindowSurfaces, kSoftwareScreens, kFullScreen16 };

class GraphsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        g_Library.persistent.startupDir = dir_.path();
        g_Library.persistent.startupDirOnDisk = dir_.path();
        g_Library.persistent.windowMode = 1;
        LogFileInitialize();
        InitializeZVArchiveManager();
        SetFileAccessFunctions(nullptr);
        baseline_ = ZvAllocCount();
        ASSERT_EQ(InitializeDisplay(), 0);
    }
    void TearDown() override {
        ZvAllocSettings().watchSize = 0;
        TerminateDisplay();
        ResetScreenSettings();
        EXPECT_EQ(ZvAllocCount(), baseline_) << "graphics end leaves no block behind";
        EXPECT_EQ(MemSurfaceCount(), 0);
        TerminateZVArchiveManager();
    }
    // The set-up's screens are window surfaces; the others are made anew.
    void UseScreen(ScreenKind kind) {
        if (kind == kWindowSurfaces) return;
        TerminateDisplay();
        ResetScreenSettings();
        g_Library.persistent.windowMode = kind == kFullScreen16 ? 0 : 1;
        if (kind == kSoftwareScreens) SetUseHardwareDrawFlag(0);
        ASSERT_EQ(InitializeDisplay(), 0);
    }
    std::string Log() { return zvtest::ReadWholeFile(dir_.path() + "/Log.txt"); }

    zvtest::ScopedTempDir dir_;
    uint32_t baseline_ = 0;
};

}  // namespace graphsfix
