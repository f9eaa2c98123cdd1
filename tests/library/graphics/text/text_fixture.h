// The text tests' fixture: the screens fixture with the glyph source of the
// test's choice, and the window's picture as pictures of characters.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "graphics/font/font_handle.h"
#include "library/graphics/font/fake_glyph_source.h"
#include "library/graphics/screens/screens_fixture.h"
#include "zv_test_support.h"

namespace texttest {

using screenfix::At;
using screenfix::Frame;
using screenfix::KindName;
using screenfix::ScreenKind;
using screenfix::SOFTWARE_SCREENS;
using screenfix::SURFACE_SCREENS;
using screenfix::WindowFrame;

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

using zvtest::Rows;

class TextTest : public screenfix::ScreenTest {
protected:
    // Null keeps the FreeType source.
    virtual const GlyphSource* Glyphs() { return fakeglyphs::Source(); }
    void SetUp() override {
        ScreenTest::SetUp();
        fakeglyphs::State() = fakeglyphs::FakeState{};
        SetFontGlyphSource(Glyphs());
    }
    void TearDown() override {
        ScreenTest::TearDown();
        SetFontGlyphSource(nullptr);
        EXPECT_EQ(fakeglyphs::State().fontsOpen, 0) << "every font is closed at the end";
    }
    // Shows the back screen and reads the window.
    Frame Shown() {
        EXPECT_EQ(ScreenFlip(), 0);
        return WindowFrame();
    }
};

}  // namespace texttest
