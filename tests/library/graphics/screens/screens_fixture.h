// The library started headless on either screen kind (surface screens or
// software screens), and the window's picture read back as pixels; shared by
// the screen and text tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/startup.h"
#include "graphics/screen_settings.h"
#include "platform/presenter_sdl.h"
#include "platform/surface_memory.h"
#include "platform/vblank_clock.h"
#include "zovav.h"
#include "zv_test_support.h"

namespace screenfix {

enum ScreenKind { SURFACE_SCREENS, SOFTWARE_SCREENS };
inline const char* KindName(ScreenKind k) { return k == SURFACE_SCREENS ? "surface" : "software"; }

using Frame = std::vector<uint32_t>;   // 640 x 480, 0x00RRGGBB

// What the window shows now.
inline Frame WindowFrame() {
    Frame f(640 * 480, 0xDEADBEEF);
    EXPECT_TRUE(PresenterReadBack(f.data(), 640 * 4, nullptr));
    for (uint32_t& p : f) p &= 0xFFFFFF;
    return f;
}

inline uint32_t At(const Frame& f, int x, int y) { return f[size_t(y) * 640 + size_t(x)]; }

// The rectangle (x, y, w, h) of a frame, one character per pixel by the
// legend, '?' for any other colour.
inline std::string Picture(const Frame& f, int x0, int y0, int w, int h,
                           const std::vector<std::pair<uint32_t, char>>& legend) {
    std::string out;
    for (int y = y0; y < y0 + h; ++y) {
        for (int x = x0; x < x0 + w; ++x) {
            char c = '?';
            for (const auto& l : legend)
                if (At(f, x, y) == l.first) c = l.second;
            out += c;
        }
        out += '\n';
    }
    return out;
}

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);
    }
    void TearDown() override {
        if (started_) End();
        MemSurfaceDeviceRefuse(0);
        SetUseHardwareDrawFlag(1);
        ResetScreenSettings();
    }
    // Starts the library in a window (or full screen) with the back screen as draw screen.
    void Start(ScreenKind kind, int windowMode = 1) {
        ResetScreenSettings();
        SetUseHardwareDrawFlag(kind == SURFACE_SCREENS ? 1 : 0);
        ChangeWindowMode(windowMode);
        ASSERT_EQ(ZoVav_Init(), 0) << Log();
        started_ = true;
        ASSERT_EQ(GetMemImgScreenFlag(), kind == SOFTWARE_SCREENS ? 1 : 0);
        ASSERT_EQ(SetDrawScreen(SCREEN_BACK), 0);
    }
    void End() {
        EXPECT_EQ(ZoVav_End(), 0);
        started_ = false;
        EXPECT_NE(Log().find("Total size:0("), std::string::npos) << "the library leaves no memory behind";
    }
    std::string Log() { return zvtest::ReadWholeFile(dir_.path() + "/Log.txt"); }

    zvtest::ScopedTempDir dir_;
    bool started_ = false;
};

}  // namespace screenfix
