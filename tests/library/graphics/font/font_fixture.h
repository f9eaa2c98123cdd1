// The graphics system brought up headless around each font test, with the
// glyph source of the test's choice, a software image to draw into, and
// pictures that spell out expected pixels.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/library_state.h"
#include "core/log.h"
#include "fake_glyph_source.h"
#include "graphics/font/font_cache.h"
#include "graphics/font/font_draw.h"
#include "graphics/font/font_handle.h"
#include "graphics/graphics_core.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "graphics/memimg/memimg_graphics.h"
#include "graphics/screen_settings.h"
#include "zv_test_support.h"

namespace fonttest {

class FontTest : public ::testing::Test {
protected:
    // Null keeps the FreeType source.
    virtual const GlyphSource* Glyphs() { return fakeglyphs::Source(); }
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        g_Library.persistent.startupDir = dir_.path();
        g_Library.persistent.startupDirOnDisk = dir_.path();
        g_Library.persistent.windowMode = 1;
        LogFileInitialize();
        baseline_ = ZvAllocCount();
        fakeglyphs::State() = fakeglyphs::FakeState{};
        SetFontGlyphSource(Glyphs());
        ASSERT_EQ(InitializeDisplay(), 0);
        ResetDefaultFontState();
        ASSERT_EQ(InitFont(), 0);
        ASSERT_TRUE(CheckFontHandleValid(GetDefaultFontHandle())) << Log();
    }
    void TearDown() override {
        TerminateFont();
        TerminateDisplay();
        ResetScreenSettings();
        SetFontGlyphSource(nullptr);
        EXPECT_EQ(ZvAllocCount(), baseline_) << "fonts leave no block behind";
        EXPECT_EQ(fakeglyphs::State().fontsOpen, 0);
    }
    std::string Log() { return zvtest::ReadWholeFile(dir_.path() + "/Log.txt"); }

    zvtest::ScopedTempDir dir_;
    uint32_t baseline_ = 0;
};

// A software image filled with one value, released with the test.
struct Canvas {
    MEMIMG m;
    Canvas(int w, int h, int format, int alpha, uint32_t fill) {
        std::memset(&m, 0, sizeof m);
        InitializeMemImg(&m, w, h, -1, 0, format, 0, alpha, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Set(x, y, fill);
    }
    ~Canvas() { TerminateMemImg(&m); }
    int Bytes() const { return GetMemImgPixelBytes(m.Format, m.AlphaFlag, m.PaletteFlag); }
    uint32_t At(int x, int y) const {
        const unsigned char* p = m.Pixels + size_t(y) * m.Pitch + size_t(x) * Bytes();
        if (Bytes() == 2) return *reinterpret_cast<const uint16_t*>(p);
        return *reinterpret_cast<const uint32_t*>(p);
    }
    void Set(int x, int y, uint32_t v) {
        unsigned char* p = m.Pixels + size_t(y) * m.Pitch + size_t(x) * Bytes();
        if (Bytes() == 2) *reinterpret_cast<uint16_t*>(p) = uint16_t(v);
        else *reinterpret_cast<uint32_t*>(p) = v;
    }
    // Rows of the image with each pixel named by the legend (value -> char),
    // '?' for anything else.
    std::string Picture(const std::vector<std::pair<uint32_t, char>>& legend) const {
        std::string out;
        for (int y = 0; y < m.Height; ++y) {
            for (int x = 0; x < m.Width; ++x) {
                char c = '?';
                for (const auto& l : legend)
                    if (At(x, y) == l.first) c = l.second;
                out += c;
            }
            out += '\n';
        }
        return out;
    }
};

using zvtest::Rows;

}  // namespace fonttest
