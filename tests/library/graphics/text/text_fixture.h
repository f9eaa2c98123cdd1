// The text tests' fixture: the screens fixture with the glyph source of the
// test's choice, and the window's picture as pictures of characters.
#pragma once
#include <gtest/gtest.h>

#include "graphics/font/font_handle.h"
#include "library/graphics/font/fake_glyph_source.h"
#include "library/graphics/screens/screens_fixture.h"
#include "zv_test_support.h"

namespace texttest {

using screenfix::At;
using screenfix::Frame;
using screenfix::KindName;
using screenfix::Picture;
using screenfix::ScreenKind;
using screenfix::SOFTWARE_SCREENS;
using screenfix::SURFACE_SCREENS;
using screenfix::WindowFrame;

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
