// Text on the screens through the public string functions, with the test
// glyph source: where glyphs land in each style, blended text through the
// font's work image, brightness, clipping, the string front ends, and the
// same pixels on both screen kinds.
#include <cstdlib>
#include <string>

#include "graphics/graph_draw_state.h"
#include "graphics/graphics_core.h"
#include "text_fixture.h"

using namespace texttest;

namespace {

const uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000;

// The test 'A' is "#.#" over ".#.", its origin one pixel right of the pen,
// its top on the font's top row; it advances 5. The default font is 16
// pixels high.
class TextOnScreens : public TextTest, public ::testing::WithParamInterface<ScreenKind> {};

::testing::AssertionResult Near(uint32_t got, int r, int g, int b, int tolerance) {
    const int want[3] = {r, g, b};
    for (int i = 0; i < 3; ++i) {
        const int channel = int(got >> (16 - 8 * i) & 0xFF);
        if (std::abs(channel - want[i]) > tolerance)
            return ::testing::AssertionFailure() << std::hex << got << " is not near " << r << "," << g << "," << b;
    }
    return ::testing::AssertionSuccess();
}

TEST_P(TextOnScreens, GlyphsLandWhereTheirMetricsSayInEveryStyle) {
    Start(GetParam());
    SCOPED_TRACE(KindName(GetParam()));
    const int white = GetColor(255, 255, 255), red = GetColor(255, 0, 0);
    const int edged = CreateFontToHandle(nullptr, 16, -1, 1, -1, 1);
    const int plain = CreateFontToHandle(nullptr, 16, -1, 0);
    const int smooth = CreateFontToHandle(nullptr, 16, -1, 2);
    const int smoothEdged = CreateFontToHandle(nullptr, 16, -1, 3, -1, 1);
    ASSERT_GE(edged, 0);
    ASSERT_GE(plain, 0);
    ASSERT_GE(smooth, 0);
    ASSERT_GE(smoothEdged, 0);
    ClearDrawScreen();
    EXPECT_EQ(DrawString(10, 20, "AA", white), 0);
    EXPECT_EQ(DrawStringToHandle(30, 20, "A", white, edged, red), 0);
    EXPECT_EQ(DrawStringToHandle(40, 60, "AA", white, plain, 0, 1), 0);
    EXPECT_EQ(DrawStringToHandle(100, 20, "A", white, smooth), 0);
    EXPECT_EQ(DrawStringToHandle(120, 20, "A", GetColor(0, 0, 255), smoothEdged, red), 0);
    const Frame f = Shown();
    const std::vector<std::pair<uint32_t, char>> legend{{0, '.'}, {kWhite, '#'}, {kRed, 'E'}};
    EXPECT_EQ(Picture(f, 10, 20, 10, 3, legend), Rows({".#.#..#.#.", "..#....#..", ".........."}));
    // The edge grows the box by one pixel on every side; the glyph sits inside.
    EXPECT_EQ(Picture(f, 30, 20, 7, 5, legend),
              Rows({"..E.E..", ".E#E#E.", "..E#E..", "...E...", "......."}));
    // Vertical: a quarter turn clockwise, the glyph's top row at x + 16.
    EXPECT_EQ(Picture(f, 54, 60, 4, 10, legend),
              Rows({"....", "..#.", ".#..", "..#.", "....", "....", "..#.", ".#..", "..#.", "...."}));
    // Anti-aliased coverage 15, 7 and 3 (of 15) blends white into black.
    EXPECT_TRUE(Near(At(f, 101, 20), 240, 240, 240, 2));
    EXPECT_TRUE(Near(At(f, 102, 20), 112, 112, 112, 2));
    EXPECT_TRUE(Near(At(f, 102, 21), 48, 48, 48, 2));
    EXPECT_EQ(At(f, 103, 20), 0u);
    // Anti-aliased with an edge: full body coverage is the text colour; a
    // pixel with edge coverage only takes the edge colour.
    EXPECT_EQ(At(f, 122, 21), 0x0000FFu);
    EXPECT_TRUE(Near(At(f, 121, 21), 240, 0, 0, 2));
}

TEST_P(TextOnScreens, BlendedTextKeepsTheShapeOfDirectText) {
    // Added at full strength onto black, text through the work image must
    // give exactly the pixels of text drawn straight: same places, same
    // clipping, nothing of the transparent key showing.
    Start(GetParam());
    SCOPED_TRACE(KindName(GetParam()));
    // The 32-bit add drops the low bit of red and green: even values add exactly.
    const int white = GetColor(254, 254, 254), red = GetColor(254, 0, 0);
    const int plain = CreateFontToHandle(nullptr, 16, -1, 0);
    const int edged = CreateFontToHandle(nullptr, 16, -1, 1, -1, 1);
    const int wide = CreateFontToHandle(nullptr, 30, -1, 1, -1, 2);
    ASSERT_GE(wide, 0);
    const std::string ticker(200, 'A');
    struct Draw {
        int font;
        const char* text;
        int x, y, vertical;
        DrawRect area;   // within a half of the screen
    };
    const Draw draws[] = {
        {plain, "AA", 10, 10, 0, {0, 0, 320, 480}},
        {edged, "AAA", 30, 10, 0, {0, 0, 320, 480}},
        {plain, "AA", 60, 10, 1, {0, 0, 320, 480}},
        {edged, "AA", 90, 10, 1, {0, 0, 320, 480}},
        {plain, "AAAA", 98, 40, 0, {100, 41, 112, 43}},   // cut left, above and right
        {edged, "AAA", -2, 60, 0, {0, 0, 320, 480}},      // starts left of the area
        {wide, "WAW", 150, 100, 0, {0, 0, 320, 480}},     // glyphs larger than their cells
        {edged, "あAい", 200, 100, 0, {0, 0, 320, 480}},   // double-byte codes
        {plain, "AAA", 284, 200, 1, {0, 0, 300, 480}},    // vertical at the area's right edge
        {wide, "AW", 30, 300, 1, {0, 0, 320, 480}},
        {plain, ticker.c_str(), -700, 400, 0, {0, 0, 320, 480}},   // a long line scrolled far left
    };
    ClearDrawScreen();
    for (int half = 0; half < 2; ++half) {
        SetDrawBlendMode(half ? ZV_BLEND_ADD : ZV_BLEND_NOBLEND, 255);
        const int dx = half * 320;
        for (const Draw& d : draws) {
            SetDrawArea(d.area.left + dx, d.area.top, d.area.right + dx, d.area.bottom);
            EXPECT_EQ(DrawStringToHandle(d.x + dx, d.y, d.text, white, d.font, red, d.vertical), 0);
        }
    }
    SetDrawArea(0, 0, 640, 480);
    SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
    const Frame f = Shown();
    int lit = 0, differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 320; ++x) {
            lit += At(f, x, y) != 0;
            if (At(f, x, y) != At(f, x + 320, y) && differing++ == 0) {
                firstX = x;
                firstY = y;
            }
        }
    }
    EXPECT_GT(lit, 300) << "the draws show";
    EXPECT_EQ(differing, 0) << "first at " << firstX << "," << firstY << std::hex << ": "
                            << At(f, firstX, firstY) << " and " << At(f, firstX + 320, firstY);
    // The 141st letter of the scrolled line starts the screen.
    EXPECT_EQ(At(f, 1, 400), 0xFEFEFEu);
    EXPECT_EQ(At(f, 321, 400), 0xFEFEFEu);
    // The area left the fifth draw its glyphs' second rows, up to x 111.
    EXPECT_EQ(Picture(f, 98, 39, 16, 4, {{0, '.'}, {0xFEFEFE, '#'}}),
              Rows({"................", "................", "..#....#....#...", "................"}));
}

TEST_P(TextOnScreens, BlendModesAndBrightnessApplyOnce) {
    Start(GetParam());
    SCOPED_TRACE(KindName(GetParam()));
    const int text = GetColor(200, 100, 40);
    struct Case {
        int mode, param, br, bg, bb;
        int r, g, b;   // expected with the background 60, 120, 180
    };
    const Case cases[] = {
        {ZV_BLEND_NOBLEND, 0, 255, 255, 255, 200, 100, 40},
        {ZV_BLEND_NOBLEND, 0, 128, 255, 64, 100, 100, 10},
        {ZV_BLEND_ALPHA, 255, 128, 255, 64, 100, 100, 10},
        {ZV_BLEND_ALPHA, 128, 255, 255, 255, 60 + 140 * 128 / 255, 120 - 20 * 128 / 255, 180 - 140 * 128 / 255},
        // Brightness scales the text once, before the blend.
        {ZV_BLEND_ALPHA, 128, 128, 255, 64, 60 + 40 * 128 / 255, 120 - 20 * 128 / 255, 180 - 170 * 128 / 255},
        {ZV_BLEND_ADD, 128, 255, 255, 255, 60 + 200 * 128 / 255, 120 + 100 * 128 / 255, 180 + 40 * 128 / 255},
        {ZV_BLEND_ADD, 255, 128, 255, 64, 160, 220, 190},
        {ZV_BLEND_SUB, 255, 255, 255, 255, 0, 20, 140},
    };
    ClearDrawScreen();
    int row = 0;
    for (const Case& c : cases) {
        const int y = row++ * 20;
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        SetDrawBright(255, 255, 255);
        DrawBox(0, y, 640, y + 20, GetColor(60, 120, 180), 1);
        SetDrawBlendMode(c.mode, c.param);
        SetDrawBright(c.br, c.bg, c.bb);
        EXPECT_EQ(DrawString(10, y, "A", text), 0);
    }
    SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
    SetDrawBright(255, 255, 255);
    const Frame f = Shown();
    row = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(row);
        const int y = row++ * 20;
        EXPECT_TRUE(Near(At(f, 11, y), c.r, c.g, c.b, 2));
        EXPECT_EQ(At(f, 12, y), 0x3C78B4u) << "the key never shows";
    }
}

INSTANTIATE_TEST_SUITE_P(BothKinds, TextOnScreens, ::testing::Values(SURFACE_SCREENS, SOFTWARE_SCREENS),
                         [](const auto& info) { return std::string(KindName(info.param)); });

class Text : public TextTest {};

TEST_F(Text, MultipliedSmoothTextLeavesItsEmptyPixelsAlone) {
    // Multiplying scales by alpha: the empty pixels of anti-aliased text
    // must not blacken the target, the covered ones darken it by coverage.
    for (int windowMode : {1, 0}) {
        for (ScreenKind kind : {SURFACE_SCREENS, SOFTWARE_SCREENS}) {
            SCOPED_TRACE(std::string(KindName(kind)) + (windowMode ? " 32-bit" : " 16-bit"));
            Start(kind, windowMode);
            const int smooth = CreateFontToHandle(nullptr, 16, -1, 2);
            ClearDrawScreen();
            DrawBox(0, 0, 640, 480, GetColor(200, 200, 200), 1);
            SetDrawBlendMode(ZV_BLEND_MUL, 255);
            EXPECT_EQ(DrawStringToHandle(10, 10, "AA", GetColor(0, 0, 0), smooth), 0);
            SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
            const Frame f = Shown();
            const uint32_t bg = At(f, 0, 0);
            for (int x = 0; x < 40; ++x)
                for (int y = 0; y < 40; ++y)
                    if ((y != 10 && y != 11) || x < 11 || x > 17) {
                        EXPECT_EQ(At(f, x, y), bg) << x << "," << y;
                    }
            // Coverage 15, 7 and 3 of 15 darken by as much.
            EXPECT_LT(At(f, 11, 10) & 0xFF, 40u);
            EXPECT_TRUE(Near(At(f, 12, 10), 200 * 8 / 15, 200 * 8 / 15, 200 * 8 / 15, 12));
            EXPECT_TRUE(Near(At(f, 12, 11), 200 * 12 / 15, 200 * 12 / 15, 200 * 12 / 15, 12));
            End();
        }
    }
}

// A scene of every style, blend and brightness, vertical text and clipping.
void DrawTextScene() {
    const int fonts[4] = {CreateFontToHandle(nullptr, 16, -1, 0), CreateFontToHandle(nullptr, 20, -1, 1, -1, 2),
                          CreateFontToHandle(nullptr, 16, -1, 2), CreateFontToHandle(nullptr, 24, -1, 3, -1, 1)};
    ClearDrawScreen();
    DrawBox(0, 240, 640, 480, GetColor(60, 120, 180), 1);
    for (int mode = 0; mode < 5; ++mode) {
        for (int f = 0; f < 4; ++f) {
            const int x = mode * 120 + f * 28, y = f * 120;
            SetDrawBlendMode(mode, 160);
            SetDrawBright(255, 255, 255);
            DrawStringToHandle(x, y, "AWあ", GetColor(250, 200, 20), fonts[f], GetColor(20, 40, 250));
            SetDrawBright(128, 255, 64);
            DrawStringToHandle(x, y + 40, "AW", GetColor(250, 200, 20), fonts[f], GetColor(20, 40, 250), 1);
            SetDrawArea(x + 3, y + 80, x + 20, y + 90);
            DrawStringToHandle(x, y + 78, "AAW", GetColor(250, 250, 250), fonts[f], GetColor(200, 0, 0));
            SetDrawArea(0, 0, 640, 480);
        }
    }
    SetDrawBlendMode(0, 0);
    SetDrawBright(255, 255, 255);
    DrawFormatString(600, 460, GetColor(255, 255, 255), "%d", 42);
}

TEST_F(Text, BothScreenKindsGiveTheSamePixels) {
    for (int windowMode : {1, 0}) {
        SCOPED_TRACE(windowMode);
        Start(SURFACE_SCREENS, windowMode);
        DrawTextScene();
        const Frame surfaces = Shown();
        End();
        Start(SOFTWARE_SCREENS, windowMode);
        DrawTextScene();
        const Frame software = Shown();
        End();
        int differing = 0, lit = 0, firstX = -1, firstY = -1;
        for (int i = 0; i < 640 * 480; ++i) {
            lit += software[size_t(i)] != 0;
            if (surfaces[size_t(i)] != software[size_t(i)] && differing++ == 0) {
                firstX = i % 640;
                firstY = i / 640;
            }
        }
        EXPECT_GT(lit, 640 * 240) << "the scene was drawn";
        EXPECT_EQ(differing, 0) << "first at " << firstX << "," << firstY;
    }
}

TEST_F(Text, DarkTextThroughTheWorkImageOnSixteenBitScreens) {
    // On 16-bit screens the work image's key is a colour a glyph could have:
    // it must differ from the text and edge colours as they are written.
    for (ScreenKind kind : {SURFACE_SCREENS, SOFTWARE_SCREENS}) {
        SCOPED_TRACE(KindName(kind));
        Start(kind, 0);
        ASSERT_EQ(GetScreenColorBitDepth(), 16);
        ClearDrawScreen();
        DrawBox(0, 0, 640, 480, GetColor(255, 255, 255), 1);
        SetDrawBlendMode(ZV_BLEND_ALPHA, 200);
        DrawString(10, 10, "A", GetColor(0, 0, 0));
        DrawString(30, 10, "A", GetColor(0, 0, 8), GetColor(0, 0, 0));
        SetDrawBright(0, 0, 0);
        DrawString(50, 10, "A", GetColor(255, 255, 255), GetColor(255, 0, 0));
        SetDrawBright(255, 255, 255);
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        const Frame f = Shown();
        for (int x : {11, 31, 51}) {
            SCOPED_TRACE(x);
            EXPECT_LT(At(f, x, 10) & 0xFF, 100u) << "the glyph darkens the white";
            EXPECT_EQ(At(f, x + 1, 10), At(f, x - 1, 10)) << "the key never shows";
        }
        End();
    }
}

TEST_F(Text, StringFrontEnds) {
    Start(SOFTWARE_SCREENS);
    const int white = GetColor(255, 255, 255);
    ClearDrawScreen();
    const Frame empty = Shown();
    // Bad font handles are refused and logged; nothing is drawn.
    for (int bad : {-1, 0, 12345, 0x20000000 | 39}) {
        EXPECT_EQ(DrawStringToHandle(10, 10, "A", white, bad), -1) << bad;
        EXPECT_EQ(DrawFormatStringToHandle(10, 10, white, bad, "%d", 1), -1) << bad;
    }
    EXPECT_NE(Log().find("フォントハンドル値が異常です"), std::string::npos);
    // Text that starts at or right of the area's right edge draws nothing.
    SetDrawArea(0, 0, 100, 480);
    EXPECT_EQ(DrawString(100, 10, "AAAA", white), 0);
    EXPECT_EQ(DrawStringToHandle(150, 10, "AAAA", white, CreateFontToHandle(nullptr, 16, -1, 0), 0, 1), 0);
    SetDrawArea(0, 0, 640, 480);
    // Control codes, spaces and a lone lead byte at the end draw nothing.
    EXPECT_EQ(DrawString(10, 10, "\t \x81", white), 0);
    EXPECT_TRUE(Shown() == empty);

    // Formatted text is the text of its result.
    DrawFormatString(10, 10, white, "%c%d%s", 'A', 7, "A");
    const Frame formatted = Shown();
    ClearDrawScreen();
    DrawString(10, 10, "A7A", white);
    EXPECT_TRUE(Shown() == formatted);
    EXPECT_FALSE(formatted == empty);
}

TEST_F(Text, DrawStringFollowsTheDefaultFontSize) {
    // The test 'W' fills its whole cell: 8 pixels square at size 16, 16 at 30.
    Start(SOFTWARE_SCREENS);
    const int white = GetColor(255, 255, 255);
    for (int size : {16, 30, 16}) {
        SCOPED_TRACE(size);
        ClearDrawScreen();
        ASSERT_EQ(SetFontSize(size), 0);
        DrawString(100, 100, "W", white);
        const Frame f = Shown();
        const int side = size == 16 ? 8 : 16;
        EXPECT_EQ(At(f, 100 + side - 1, 100 + side - 1), kWhite);
        EXPECT_EQ(At(f, 100 + side, 100 + side - 1), 0u);
        EXPECT_EQ(At(f, 100 + side - 1, 100 + side), 0u);
    }
}

TEST_F(Text, VerticalTextOnTheSoftwareFrontScreenReachesTheWindowAtOnce) {
    // Vertical text runs downwards: the window must get the whole column, not
    // just one line's height.
    Start(SOFTWARE_SCREENS);
    ASSERT_EQ(SetDrawScreen(SCREEN_FRONT), 0);
    ClearDrawScreen();
    const int font = CreateFontToHandle(nullptr, 16, -1, 0);
    EXPECT_EQ(DrawStringToHandle(100, 100, "AAAAAA", GetColor(255, 255, 255), font, 0, 1), 0);
    const Frame f = WindowFrame();
    EXPECT_EQ(At(f, 116, 101), kWhite) << "the first glyph";
    EXPECT_EQ(At(f, 116, 126), kWhite) << "the sixth glyph, 25 pixels down";
}

TEST_F(Text, FontsDrawTheSameAfterTheDisplayIsRestored) {
    Start(SURFACE_SCREENS);
    const int font = CreateFontToHandle(nullptr, 20, -1, 1, -1, 1);
    ASSERT_GE(font, 0);
    auto draw = [&] {
        ClearDrawScreen();
        EXPECT_EQ(DrawStringToHandle(10, 10, "AWあ", GetColor(255, 255, 0), font, GetColor(0, 0, 255)), 0);
        SetDrawBlendMode(ZV_BLEND_ADD, 200);
        EXPECT_EQ(DrawString(10, 50, "AWA", GetColor(0, 255, 0)), 0);
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        return Shown();
    };
    const Frame before = draw();
    ASSERT_EQ(RestoreGraphSystem(), 0);
    EXPECT_TRUE(draw() == before) << "the handle stays valid and its glyphs come back";
}

TEST_F(Text, TheConsoleFontTakesOneOfTheFortySlots) {
    Start(SOFTWARE_SCREENS);
    // The default font and the on-screen log's font exist from start-up.
    int made = 0;
    while (made < 50 && CreateFontToHandle(nullptr, 8, -1, 0) >= 0) ++made;
    EXPECT_EQ(made, 38);
}

}  // namespace
