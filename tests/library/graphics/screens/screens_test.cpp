// Screens end to end through the public functions, headless: drawing on both
// screen kinds (surface screens and software screens) gives the same pixels,
// the flip shows the back screen, screenshots, screen captures into graphs,
// draw-state rules and the fall-back to software screens.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/library_state.h"
#include "core/lock.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/draw_front.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "library/graphics/image_fixtures.h"
#include "library/graphics/screens/screens_fixture.h"

using namespace screenfix;
using zvtest::Rows;

namespace {

class Screens : public ScreenTest {};

// Vertex primitives multiply by the vertex colour and may lose the last bit.
::testing::AssertionResult NearColor(uint32_t got, uint32_t want) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) > 1)
            return ::testing::AssertionFailure() << std::hex << got << " is not near " << want;
    }
    return ::testing::AssertionSuccess();
}

int MakePngGraph(const char* name, int w, int h, bool alpha, uint32_t (*pixel)(int, int)) {
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px.push_back(pixel(x, y));
    imgfix::WriteFile(name, imgfix::MakeRgbPng(w, h, px, alpha));
    return LoadGraph(name);
}

// Opaque gradient; a 4x4 black block in the middle is the transparent colour.
uint32_t KeyedPixel(int x, int y) {
    if (x >= 6 && x < 10 && y >= 6 && y < 10) return 0xFF000000;
    return 0xFF000000u | uint32_t(40 + x * 12) << 16 | uint32_t(200 - y * 10) << 8 | 90u;
}
// Red with alpha rising to the right.
uint32_t AlphaPixel(int x, int) { return uint32_t(x * 17) << 24 | 0xF03020u; }

struct Scene {
    int keyed, alpha;
};

// One row of every kind of draw for each blend mode, with and without draw brightness.
void DrawScene(const Scene& s) {
    ClearDrawScreen();
    const int background = GetColor(60, 120, 180);
    for (int row = 0; row < 10; ++row) {
        const int mode = row / 2, y = row * 48;
        SetDrawBlendMode(0, 0);
        SetDrawBright(255, 255, 255);
        DrawBox(0, y, 640, y + 48, background, 1);
        SetDrawBlendMode(mode, 128);
        if (row % 2) SetDrawBright(128, 255, 64);
        DrawGraph(4, y + 4, s.keyed, 0);
        DrawGraph(30, y + 4, s.keyed, 1);
        DrawGraph(56, y + 4, s.alpha, 1);
        DrawRotaGraph(100, y + 24, 1.5, 0.5, s.keyed, 1, 0);
        DrawRotaGraph(140, y + 24, 2.0, 0.0, s.alpha, 1, 1);
        DrawBox(170, y + 4, 210, y + 40, GetColor(200, 100, 40), 1);
        DrawBox(220, y + 4, 260, y + 40, GetColor(250, 250, 20), 0);
        DrawLine(270, y + 4, 310, y + 40, GetColor(20, 250, 20), 1);
        DrawLine(320, y + 4, 360, y + 40, GetColor(250, 20, 20), 5);
        DrawTriangle(370, y + 40, 390, y + 4, 410, y + 40, GetColor(200, 200, 255), 1);
        DrawTriangle(420, y + 40, 440, y + 4, 460, y + 40, GetColor(255, 128, 0), 0);
    }
    SetDrawBlendMode(0, 0);
    SetDrawBright(255, 255, 255);
}

Frame RenderScene() {
    Scene s{MakePngGraph("k.png", 16, 16, false, KeyedPixel), MakePngGraph("a.png", 16, 16, true, AlphaPixel)};
    EXPECT_GE(s.keyed, 0);
    EXPECT_GE(s.alpha, 0);
    DrawScene(s);
    EXPECT_EQ(ScreenFlip(), 0);
    return WindowFrame();
}

class ScreenKinds : public Screens, public ::testing::WithParamInterface<ScreenKind> {};

TEST_P(ScreenKinds, DrawsLandWithTheirColoursAndBlends) {
    Start(GetParam());
    const Frame f = RenderScene();
    SCOPED_TRACE(KindName(GetParam()));
    const uint32_t bg = 0x3C78B4;
    // Plain copy: the graph's own pixels, the key drawn too without the flag.
    EXPECT_EQ(At(f, 4, 4), KeyedPixel(0, 0) & 0xFFFFFF);
    EXPECT_EQ(At(f, 4 + 7, 4 + 7), 0u);
    // With the flag the key shows the background.
    EXPECT_EQ(At(f, 30 + 7, 4 + 7), bg);
    EXPECT_EQ(At(f, 30 + 1, 4 + 1), KeyedPixel(1, 1) & 0xFFFFFF);
    // Alpha 0 leaves the background, full alpha almost the colour.
    EXPECT_EQ(At(f, 56, 10), bg);
    const uint32_t opaque = At(f, 56 + 15, 10);
    EXPECT_NEAR(int(opaque >> 16), 0xF0, 2);
    // Filled box: mode 0 exact, brightness scales it, additive adds half.
    EXPECT_EQ(At(f, 190, 20), 0xC86428u);
    const uint32_t bright = At(f, 190, 48 + 20);
    EXPECT_NEAR(int(bright >> 16), 200 * 128 / 255, 1);
    EXPECT_NEAR(int(bright >> 8 & 0xFF), 100, 1);
    EXPECT_NEAR(int(bright & 0xFF), 40 * 64 / 255, 1);
    const uint32_t added = At(f, 190, 4 * 48 + 20);
    EXPECT_NEAR(int(added >> 16), 60 + 200 * 128 / 255, 1);
    EXPECT_NEAR(int(added >> 8 & 0xFF), 120 + 100 * 128 / 255, 1);
    EXPECT_NEAR(int(added & 0xFF), 180 + 40 * 128 / 255, 1);
    // Subtractive darkens, multiplicative too.
    EXPECT_LT(At(f, 190, 6 * 48 + 20) >> 16, 60u);
    EXPECT_LT(At(f, 190, 8 * 48 + 20) & 0xFF, 180u);
    // Outline box: the edge coloured, the inside untouched.
    EXPECT_EQ(At(f, 220, 20), 0xFAFA14u);
    EXPECT_EQ(At(f, 240, 20), bg);
    // Lines: thin green ends, thick red middle stays red.
    EXPECT_EQ(At(f, 270, 4), 0x14FA14u);
    EXPECT_TRUE(NearColor(At(f, 340, 22), 0xFA1414u));
    // Filled triangle inside, outline triangle hollow.
    EXPECT_EQ(At(f, 390, 35), 0xC8C8FFu);
    EXPECT_EQ(At(f, 440, 35), bg);
    // A rotated keyed graph: the key at its centre, its pixels around it;
    // a mirrored scaled alpha graph has its opaque column on the left.
    EXPECT_EQ(At(f, 100, 24), bg);
    EXPECT_NE(At(f, 100, 15), bg);
    EXPECT_EQ(At(f, 140 + 15, 24), bg);
}

// A palette image with the transparent colour (black, entry 3) in a 4 x 4
// block: drawn whole it may take the run path, clipped the plain path; both
// must skip the same pixels.
TEST_P(ScreenKinds, KeyedPaletteGraphDrawsTheSamePixelsWholeAndClipped) {
    Start(GetParam());
    SCOPED_TRACE(KindName(GetParam()));
    imgfix::PngSpec png;
    png.width = 16;
    png.height = 16;
    png.colorType = PNG_COLOR_TYPE_PALETTE;
    png.palette = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200}, {0, 0, 0}};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) png.rows.push_back(x >= 6 && x < 10 && y >= 6 && y < 10 ? 3 : (x + y) % 3);
    imgfix::WriteFile("p.png", imgfix::MakePng(png));
    const int graph = LoadGraph("p.png");
    ASSERT_GE(graph, 0);
    const int background = GetColor(60, 120, 180);
    DrawBox(0, 0, 640, 480, background, 1);
    DrawGraph(100, 100, graph, 1);   // whole
    DrawGraph(-4, 200, graph, 1);    // its first four columns cut off
    ASSERT_EQ(ScreenFlip(), 0);
    const Frame f = WindowFrame();
    EXPECT_EQ(At(f, 100 + 7, 100 + 7), 0x3C78B4u) << "the key is skipped";
    for (int y = 0; y < 16; ++y)
        for (int x = 4; x < 16; ++x)
            ASSERT_EQ(At(f, 100 + x, 100 + y), At(f, x - 4, 200 + y)) << "pixel " << x << "," << y;
}

TEST_P(ScreenKinds, RotatedDrawsCentredBeyondTheFixedPointRangeLeaveTheScreenAlone) {
    Start(GetParam());
    SCOPED_TRACE(KindName(GetParam()));
    const int graph = MakePngGraph("k.png", 16, 16, false, KeyedPixel);
    ASSERT_GE(graph, 0);
    const int background = GetColor(60, 120, 180);
    // 16384 pixels is exactly one turn of the fixed point: a wrapped centre would land on the screen.
    const struct {
        int x, y;
    } centres[] = {{INT_MIN, 20}, {20, INT_MIN}, {INT_MAX, INT_MAX}, {16384 + 20, 20}, {20, 16384 + 20},
                   {-16384 + 20, 20}};
    for (const auto& c : centres) {
        for (int turn : {0, 1}) {
            DrawBox(0, 0, 640, 480, background, 1);
            DrawRotaGraph(c.x, c.y, 1.0, 0.0, graph, 1, turn);
            ASSERT_EQ(ScreenFlip(), 0);
            const Frame f = WindowFrame();
            int drawn = 0;
            for (uint32_t pixel : f) drawn += pixel != 0x3C78B4u;
            EXPECT_EQ(drawn, 0) << c.x << "," << c.y << " turn " << turn;
        }
    }
    DrawBox(0, 0, 640, 480, background, 1);
    DrawRotaGraph(20, 20, 1.0, 0.0, graph, 1, 0);
    ScreenFlip();
    EXPECT_NE(At(WindowFrame(), 20, 14), 0x3C78B4u) << "a centre on the screen draws";
}

INSTANTIATE_TEST_SUITE_P(BothKinds, ScreenKinds, ::testing::Values(SURFACE_SCREENS, SOFTWARE_SCREENS),
                         [](const auto& info) { return std::string(KindName(info.param)); });

TEST_F(Screens, BothKindsGiveTheSamePixels) {
    for (int windowMode : {1, 0}) {
        Start(SURFACE_SCREENS, windowMode);
        const Frame surfaces = RenderScene();
        End();
        Start(SOFTWARE_SCREENS, windowMode);
        const Frame software = RenderScene();
        End();
        int differing = 0, firstX = -1, firstY = -1;
        for (int i = 0; i < 640 * 480; ++i) {
            if (surfaces[size_t(i)] != software[size_t(i)] && differing++ == 0) {
                firstX = i % 640;
                firstY = i / 640;
            }
        }
        EXPECT_EQ(differing, 0) << "window mode " << windowMode << ", first at " << firstX << "," << firstY;
    }
}

TEST_F(Screens, FlipShowsTheBackScreenAndCountsFrames) {
    Start(SURFACE_SCREENS);
    const uint64_t before = GetFrameCounter();
    DrawBox(0, 0, 640, 480, GetColor(10, 20, 30), 1);
    EXPECT_EQ(At(WindowFrame(), 5, 5), 0u) << "nothing shows before the flip";
    EXPECT_EQ(ScreenFlip(), 0);
    EXPECT_EQ(At(WindowFrame(), 5, 5), 0x0A141Eu);
    EXPECT_EQ(GetFrameCounter(), before + 1);
}

TEST_F(Screens, FrontScreenDrawsShowAtOnceOnSoftwareScreens) {
    Start(SOFTWARE_SCREENS);
    ASSERT_EQ(SetDrawScreen(SCREEN_FRONT), 0);
    DrawBox(100, 100, 120, 120, GetColor(255, 0, 255), 1);
    EXPECT_EQ(At(WindowFrame(), 110, 110), 0xFF00FFu);
    EXPECT_EQ(At(WindowFrame(), 130, 110), 0u);
}

// The BMP bytes of a screenshot: 54-byte header, bottom-up rows of B, G, R.
struct Bmp {
    std::string bytes;
    uint32_t U32(size_t at) const {
        return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
               uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    }
    uint32_t Pixel(int x, int y, int w, int h) const {
        int row = w * 3;
        row += (4 - row % 4) % 4;
        const size_t at = 54 + size_t(h - 1 - y) * size_t(row) + size_t(x) * 3;
        return uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 1])) << 8 | uint8_t(bytes[at]);
    }
};

TEST_P(ScreenKinds, ScreenshotIsABottomUpBmpOfTheScreen) {
    Start(GetParam());
    const Frame f = RenderScene();
    ASSERT_EQ(SaveDrawScreenToBMP(0, 0, 640, 480, "shot.bmp"), 0);
    const Bmp bmp{zvtest::ReadWholeFile("shot.bmp")};
    ASSERT_EQ(bmp.bytes.size(), 921654u);
    EXPECT_EQ(bmp.bytes.substr(0, 2), "BM");
    EXPECT_EQ(bmp.U32(2), 921654u);
    EXPECT_EQ(bmp.U32(10), 54u);
    EXPECT_EQ(bmp.U32(18), 640u);
    EXPECT_EQ(bmp.U32(22), 480u);
    EXPECT_EQ(bmp.U32(28) & 0xFFFF, 24u);
    int differing = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) differing += bmp.Pixel(x, y, 640, 480) != At(f, x, y);
    EXPECT_EQ(differing, 0);

    // Odd widths pad their rows; a later shot replaces the file.
    ASSERT_EQ(SaveDrawScreenToBMP(189, 19, 192, 21, "shot.bmp"), 0);
    const Bmp small{zvtest::ReadWholeFile("shot.bmp")};
    ASSERT_EQ(small.bytes.size(), 54u + 12u * 2u);
    EXPECT_EQ(small.U32(2), 54u + 12u * 2u);
    EXPECT_EQ(small.Pixel(1, 1, 3, 2), At(f, 190, 20));
}

TEST_F(Screens, ScreenshotsThatWriteNothingFail) {
    Start(SOFTWARE_SCREENS);
    EXPECT_EQ(SaveDrawScreenToBMP(700, 500, 800, 600, "out.bmp"), -1);
    EXPECT_TRUE(zvtest::ReadWholeFile("out.bmp").empty());
    EXPECT_EQ(SaveDrawScreenToBMP(0, 0, 10, 10, "no/such/folder/x.bmp"), -1);
    EXPECT_EQ(SaveDrawScreenToBMP(0, 0, 10, 10, nullptr), -1);
    EXPECT_NE(Log().find("ＢＭＰセーブ用ファイルのオープンに失敗しました"), std::string::npos);
}

TEST_P(ScreenKinds, GetDrawScreenGraphCopiesARegionIntoAGraph) {
    Start(GetParam());
    DrawBox(0, 0, 640, 480, GetColor(0, 0, 0), 1);
    DrawBox(10, 10, 20, 20, GetColor(255, 0, 0), 1);
    DrawBox(20, 10, 30, 20, GetColor(0, 255, 0), 1);
    const int g = MakeGraph(20, 10);
    ASSERT_GE(g, 0);
    EXPECT_EQ(GetDrawScreenGraph(10, 10, 30, 20, g), 0);
    EXPECT_EQ(GetDrawScreenGraph(10, 10, 31, 20, g), -1) << "the rectangle must be the graph's size";
    EXPECT_EQ(GetDrawScreenGraph(630, 475, 650, 485, g), -1) << "and inside the screen";
    EXPECT_EQ(GetDrawScreenGraph(0, 0, 20, 10, 12345), -1);
    DrawGraph(300, 300, g, 0);
    ScreenFlip();
    const Frame f = WindowFrame();
    EXPECT_EQ(At(f, 300, 300), 0xFF0000u);
    EXPECT_EQ(At(f, 319, 309), 0x00FF00u);
}

TEST_P(ScreenKinds, GraphsCanBeDrawScreens) {
    Start(GetParam());
    SetDrawValidGraphCreateFlag(1);
    const int target = MakeGraph(32, 32);
    SetDrawValidGraphCreateFlag(0);
    ASSERT_GE(target, 0);
    ASSERT_EQ(SetDrawScreen(target), 0);
    EXPECT_EQ(GetGraphDrawState().DrawArea.right, 32);
    ClearDrawScreen();
    DrawBox(8, 8, 100, 100, GetColor(0, 0, 255), 1);
    ASSERT_EQ(SetDrawScreen(SCREEN_BACK), 0);
    EXPECT_EQ(GetGraphDrawState().DrawArea.right, 640);
    ClearDrawScreen();
    DrawGraph(100, 100, target, 0);
    ScreenFlip();
    const Frame f = WindowFrame();
    EXPECT_EQ(At(f, 104, 104), 0u);
    EXPECT_EQ(At(f, 131, 131), 0x0000FFu);
    EXPECT_EQ(At(f, 133, 133), 0u) << "drawing into the graph stays inside it";
}

TEST_P(ScreenKinds, DeletingTheGraphThatIsTheDrawScreenSendsDrawingToTheBackScreen) {
    Start(GetParam());
    SetDrawValidGraphCreateFlag(1);
    const int target = MakeGraph(200, 200);
    ASSERT_GE(target, 0);
    ASSERT_EQ(SetDrawScreen(target), 0);
    ASSERT_EQ(DeleteGraph(target), 0);
    // A new graph takes the memory the deleted one had.
    const int other = MakeGraph(200, 200);
    SetDrawValidGraphCreateFlag(0);
    ASSERT_GE(other, 0);
    ASSERT_EQ(SetDrawScreen(other), 0);
    ClearDrawScreen();
    ASSERT_EQ(SetDrawScreen(SCREEN_BACK), 0);
    ASSERT_EQ(SetDrawScreen(other), 0);
    ASSERT_EQ(DeleteGraph(other), 0);

    EXPECT_EQ(GetDrawScreen(), SCREEN_BACK);
    EXPECT_EQ(GetGraphDrawState().DrawArea.right, 640);
    ClearDrawScreen();
    DrawBox(0, 0, 300, 300, GetColor(255, 255, 255), 1);
    ScreenFlip();
    const Frame f = WindowFrame();
    EXPECT_EQ(At(f, 250, 250), 0xFFFFFFu);
    EXPECT_EQ(At(f, 350, 350), 0u);
}

TEST_F(Screens, RefusedDrawScreenKeepsThePreviousOne) {
    Start(SURFACE_SCREENS);
    EXPECT_EQ(SetDrawScreen(0x0800FFFF), -1);
    EXPECT_EQ(SetDrawScreen(-77), -1);
    EXPECT_EQ(SetDrawScreen(-77), -1) << "a second refusal returns too";
    EXPECT_EQ(GetDrawScreen(), SCREEN_BACK);
    DrawBox(0, 0, 4, 4, GetColor(255, 255, 255), 1);
    ScreenFlip();
    EXPECT_EQ(At(WindowFrame(), 1, 1), 0xFFFFFFu);
}

TEST_F(Screens, DrawStateSettersFollowTheirRules) {
    Start(SOFTWARE_SCREENS);
    const GraphDrawState& s = GetGraphDrawState();
    struct BlendCase { int mode, param, storedParam; };
    for (const BlendCase& c : {BlendCase{2, 300, 255}, BlendCase{2, -5, 0}, BlendCase{1, 77, 77}}) {
        SetDrawBlendMode(c.mode, c.param);
        EXPECT_EQ(s.BlendMode, c.mode);
        EXPECT_EQ(s.BlendParam, c.storedParam) << c.param;
    }
    SetDrawBright(10, 30, 20);
    SetDrawBright(10, 20, 30);
    EXPECT_EQ(s.DrawBright, 0x0A141Eu);
    SetDrawBright(-1, 300, 0);
    EXPECT_EQ(s.DrawBright, 0xFFFF00u);

    struct AreaCase { int x1, y1, x2, y2; DrawRect want; int empty; };
    for (const AreaCase& c : {AreaCase{100, 100, 50, 20, {50, 20, 100, 100}, 0},
                              AreaCase{-10, -10, 9999, 9999, {0, 0, 640, 480}, 0},
                              AreaCase{10, 10, 10, 200, {10, 10, 10, 200}, 1}}) {
        SetDrawArea(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(s.DrawArea.left * 1000 + s.DrawArea.top, c.want.left * 1000 + c.want.top);
        EXPECT_EQ(s.DrawArea.right * 1000 + s.DrawArea.bottom, c.want.right * 1000 + c.want.bottom);
        EXPECT_EQ(s.DrawAreaEmptyFlag, c.empty);
    }
    // An empty area draws nothing and is not an error.
    SetDrawBlendMode(0, 0);
    ClearDrawScreen();
    EXPECT_EQ(DrawBox(0, 0, 640, 480, GetColor(255, 255, 255), 1), 0);
    SetDrawArea(0, 0, 640, 480);
    ScreenFlip();
    EXPECT_EQ(At(WindowFrame(), 10, 100), 0u);
}

TEST_F(Screens, ClippingAndPrimitiveCounts) {
    struct ClipCase { RECT r, clip, want; };
    for (const ClipCase& c : {ClipCase{{-5, -5, 50, 50}, {0, 0, 20, 20}, {0, 0, 20, 20}},
                              ClipCase{{30, 5, 10, 8}, {0, 0, 20, 20}, {20, 5, 20, 8}},
                              ClipCase{{100, 100, 200, 200}, {0, 0, 20, 20}, {20, 20, 20, 20}}}) {
        RECT r = c.r;
        EXPECT_EQ(RectClipping(&r, &c.clip), 0);
        EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}),
                  std::vector<int>({c.want.left, c.want.top, c.want.right, c.want.bottom}));
    }
    Start(SURFACE_SCREENS);
    const DrawVertex2D v[4] = {{0, 0, 0, 0, 255, 255, 255, 255},
                               {10, 0, 0, 0, 255, 255, 255, 255},
                               {0, 10, 0, 0, 255, 255, 255, 255},
                               {10, 10, 0, 0, 255, 255, 255, 255}};
    EXPECT_EQ(DrawPrimitive2D(v, 2, 5, -5, 0), -1);
    EXPECT_EQ(DrawPrimitive2D(v, 4, 4, -5, 0), -1);
    EXPECT_EQ(DrawPrimitive2D(v, 4, 9, -5, 0), -1);
    EXPECT_EQ(DrawPrimitive2D(v, 4, 5, -5, 0), 0);
    ScreenFlip();
    EXPECT_TRUE(NearColor(At(WindowFrame(), 5, 5), 0xFFFFFFu));
    EXPECT_EQ(DrawGraph(0, 0, 12345, 0), -1);
    EXPECT_EQ(DrawRotaGraph(0, 0, 1.0, 0.0, -1, 0, 0), -1);
}

// A part of a graph stretched onto a destination rectangle: the source
// rectangle (1, 1, 2 x 2) of a 4 x 4 graph fills the destination 8 x 4 at
// (10, 10), scaled 4 across and 2 down, and nothing of the graph shows
// around it; a reversed destination mirrors it on that axis.
TEST_F(Screens, DrawRectExtendGraphFillsItsDestinationWithTheSourceRectangle) {
    Start(SOFTWARE_SCREENS);
    SetDrawValidGraphCreateFlag(1);
    const int graph = MakeGraph(4, 4);
    SetDrawValidGraphCreateFlag(0);
    ASSERT_GE(graph, 0);
    ASSERT_EQ(SetDrawScreen(graph), 0);
    // Pixel (column c, row r) is 'a' + 4r + c in the pictures.
    std::vector<std::pair<uint32_t, char>> legend = {{0, '.'}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int red = 40 + 60 * c, green = 40 + 60 * r;
            DrawBox(c, r, c + 1, r + 1, GetColor(red, green, 200), 1);
            legend.push_back({uint32_t(red << 16 | green << 8 | 200), char('a' + 4 * r + c)});
        }
    }
    ASSERT_EQ(SetDrawScreen(SCREEN_BACK), 0);
    const struct {
        const char* name;
        int x1, y1, x2, y2;
        std::string picture;  // x 8..19, y 8..15
    } cases[] = {
        {"plain", 10, 10, 18, 14,
         Rows({"............", "............", "..ffffgggg..", "..ffffgggg..", "..jjjjkkkk..", "..jjjjkkkk..",
               "............", "............"})},
        {"mirrored across", 18, 10, 10, 14,
         Rows({"............", "............", "..ggggffff..", "..ggggffff..", "..kkkkjjjj..", "..kkkkjjjj..",
               "............", "............"})},
        {"mirrored down", 10, 14, 18, 10,
         Rows({"............", "............", "..jjjjkkkk..", "..jjjjkkkk..", "..ffffgggg..", "..ffffgggg..",
               "............", "............"})},
    };
    for (const auto& c : cases) {
        ClearDrawScreen();
        EXPECT_EQ(WithLibraryLock([&] { return DrawRectExtendGraph(c.x1, c.y1, c.x2, c.y2, 1, 1, 2, 2, graph, 0); }),
                  0)
            << c.name;
        ASSERT_EQ(ScreenFlip(), 0);
        EXPECT_EQ(Picture(WindowFrame(), 8, 8, 12, 8, legend), c.picture) << c.name;
    }
    EXPECT_EQ(GetGraphDrawState().DrawArea.right, 640) << "the draw area is put back";
    EXPECT_EQ(WithLibraryLock([&] { return DrawRectExtendGraph(10, 10, 18, 14, 1, 1, 0, 2, graph, 0); }), -1)
        << "an empty source rectangle";
}

TEST_F(Screens, RefusedSurfaceDeviceFallsBackToSoftwareScreens) {
    MemSurfaceDeviceRefuse(1);
    ResetScreenSettings();
    SetUseHardwareDrawFlag(1);
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);
    started_ = true;
    EXPECT_EQ(GetMemImgScreenFlag(), 1);
    EXPECT_NE(Log().find("ソフトウエアレンダリングモードに変更します"), std::string::npos);
    EXPECT_NE(Log().find("３Ｄグラフィック描画機能は使用しません"), std::string::npos);
    SetDrawScreen(SCREEN_BACK);
    DrawBox(0, 0, 8, 8, GetColor(0, 255, 0), 1);
    EXPECT_EQ(ScreenFlip(), 0);
    EXPECT_EQ(At(WindowFrame(), 4, 4), 0x00FF00u);
}

TEST_F(Screens, TextFrontEndsTakeEmptyAndFormattedText) {
    Start(SOFTWARE_SCREENS);
    EXPECT_EQ(DrawString(0, 0, "", GetColor(255, 255, 255)), 0);
    EXPECT_EQ(DrawString(0, 0, nullptr, GetColor(255, 255, 255)), 0);
    EXPECT_EQ(DrawFormatString(0, 0, GetColor(255, 255, 255), "%d", 5), 0);
}

}  // namespace
