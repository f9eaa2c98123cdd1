// Japanese text in the real default face on the screens: the pixels a word
// covers, the same on both screen kinds; and on a virtual X display, a
// screenshot of the flipped menu line shows the text.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "graphics/font/font_draw.h"
#include "text_fixture.h"
#include "zv_xserver.h"

using namespace texttest;

namespace {

class RealText : public TextTest {
protected:
    const GlyphSource* Glyphs() override { return nullptr; }
};

struct Ink {
    long count = 0;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;   // inclusive
};

// Pixels that differ from the background colour, and their bounding box.
Ink InkOf(const Frame& f, uint32_t background) {
    Ink ink;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (At(f, x, y) == background) continue;
            ++ink.count;
            ink.left = std::min(ink.left, x);
            ink.top = std::min(ink.top, y);
            ink.right = std::max(ink.right, x);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

TEST_F(RealText, StartAtSizeTwentyCoversAPlausibleArea) {
    Frame frames[2][2];
    for (ScreenKind kind : {SURFACE_SCREENS, SOFTWARE_SCREENS}) {
        SCOPED_TRACE(KindName(kind));
        Start(kind);
        for (int type : {0, 2}) {
            SCOPED_TRACE(type);
            const int font = CreateFontToHandle(nullptr, 20, -1, type);
            ASSERT_GE(font, 0) << Log();
            ClearDrawScreen();
            ASSERT_EQ(DrawStringToHandle(100, 50, "スタート", GetColor(255, 255, 255), font), 0);
            const Frame f = Shown();
            frames[kind][type / 2] = f;
            const Ink ink = InkOf(f, 0);
            // Four katakana strokes: a fraction of four 20-pixel squares.
            EXPECT_GT(ink.count, 120);
            EXPECT_LT(ink.count, 900);
            // Inside the line the text occupies: from the pen, one cell high.
            const int width = GetDrawStringWidthToHandle("スタート", -1, font, 0);
            EXPECT_GE(ink.left, 100);
            EXPECT_LE(ink.right, 100 + width + 2);
            EXPECT_GT(ink.right - ink.left, 60) << "four wide characters";
            EXPECT_GE(ink.top, 50);
            EXPECT_LE(ink.bottom, 50 + 24);
            EXPECT_GT(ink.bottom - ink.top, 12);
        }
        End();
    }
    EXPECT_TRUE(frames[SURFACE_SCREENS][0] == frames[SOFTWARE_SCREENS][0]);
    EXPECT_TRUE(frames[SURFACE_SCREENS][1] == frames[SOFTWARE_SCREENS][1]);
}

// Counts pure white pixels of a binary PPM (P6, maxval 255) and their box.
bool WhiteOf(const std::string& path, Ink* ink) {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    if (!zvtest::ReadPpm(path, &w, &h, &px)) return false;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = &px[(size_t(y) * size_t(w) + size_t(x)) * 3];
            if (p[0] != 255 || p[1] != 255 || p[2] != 255) continue;
            ++ink->count;
            ink->left = std::min(ink->left, x);
            ink->top = std::min(ink->top, y);
            ink->right = std::max(ink->right, x);
            ink->bottom = std::max(ink->bottom, y);
        }
    }
    return true;
}

const char kMenuLine[] = "スタート　スコア　リプレイ";

// The part run inside the virtual display: draw, flip, photograph.
int RunOnDisplay() {
    SetSkipStartupWaits(1);
    ChangeWindowMode(1);
    if (ZoVav_Init() != 0) return 3;
    std::ofstream("x-started") << GetDrawStringWidth(kMenuLine, -1);
    SetDrawScreen(SCREEN_BACK);
    DrawBox(0, 0, 640, 480, GetColor(0, 0, 96), 1);
    DrawString(200, 220, kMenuLine, GetColor(255, 255, 255));
    return zvtest::FlipAndPhotograph();
}

TEST(TextXDisplay, TheMenuLineShowsOnAScreenshotOfTheDisplay) {
    if (zvtest::InDisplayRerun()) {
        SetFontGlyphSource(nullptr);
        EXPECT_EQ(RunOnDisplay(), 0);
        return;
    }
    zvtest::PhotographedRerun run;
    const std::string why = run.Run("TextXDisplay.TheMenuLineShowsOnAScreenshotOfTheDisplay");
    if (!why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(run.status(), 0) << run.log();
    Ink ink;
    ASSERT_TRUE(WhiteOf("shot.ppm", &ink));
    // Eight katakana and two wide spaces of the 16-pixel default font, on
    // one line as wide as the string measures.
    const int width = std::atoi(run.started().c_str());
    EXPECT_GT(width, 150);
    EXPECT_GT(ink.count, 250);
    EXPECT_LT(ink.count, 2500);
    EXPECT_GT(ink.right - ink.left + 1, width - 16);
    EXPECT_LE(ink.right - ink.left + 1, width);
    EXPECT_GE(ink.bottom - ink.top + 1, 10);
    EXPECT_LE(ink.bottom - ink.top + 1, 16);
}

}  // namespace
