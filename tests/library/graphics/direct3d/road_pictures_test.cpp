// The 3D road against the 2D surface road on a virtual X display with Mesa's
// software GL: one table of scenes drawn through the drawing functions on
// each road (each between its own start and end of the library), saved with
// SaveDrawScreenToBMP and compared scene by scene with the scene's tolerance;
// and a blend graph wider than one texture piece weighing a graph on the 3D road.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/startup.h"
#include "graphics/draw_front.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "graphics/image/color_data.h"
#include "graphics/image/graph_image.h"
#include "platform/device3d_gl.h"
#include "platform/vblank_clock.h"
#include "zovav.h"
#include "zv_test_support.h"
#include "zv_xserver.h"

namespace {

constexpr int kW = 640, kH = 480;

// How closely the two roads must agree.
enum Match {
    SAME,      // every pixel
    TIES,      // every pixel but a few whose centre lies on a triangle's edge
    NEAR,      // within 3 per channel, 99% within 1
    PACKED,    // the subtractive mode: within 5 per channel, 99% within 2
    TURNED,    // at most 2% of the pixels differ
    LINES,     // the same pixels but one end pixel per line
    TEXT,      // within 17 per channel
    SHADED,    // vertex colours: at most 0.5% of the pixels beyond 4 per channel
    LAYERED,   // smooth edged text: within 64 per channel, at most 1% of the pixels beyond 17
    WEIGHED,   // through a blend graph: within 6 per channel (the device rounds the weight to
               // 8 bits, then scales it up to 4 times)
};

struct Graphs {
    int plain, keyed, alpha, odd, big, blend;
};

struct Scene {
    const char* name;
    Match match;
    std::function<void(const Graphs&)> draw;
};

// A graph from 32-bit pixels made by f(x, y) = 0xAARRGGBB.
template <class F>
int MakeGraphOf(int w, int h, bool alpha, F f) {
    std::vector<uint32_t> px(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px[size_t(y) * w + x] = f(x, y);
    GraphImage image{};
    CreateColorDataImpl(&image.ColorInfo, 32, 0xFF0000, 0xFF00, 0xFF, alpha ? 0xFF000000u : 0);
    image.Width = w;
    image.Height = h;
    image.Pitch = w * 4;
    image.Pixels = px.data();
    return CreateGraphFromGraphImage(&image);
}

uint32_t Texel(int x, int y) { return 0xFF000000u | uint32_t(30 + x * 7) << 16 | uint32_t(20 + y * 6) << 8 | uint32_t(200 - x * 3); }

// The background every scene draws on: bands of colour.
void Background() {
    for (int i = 0; i < 8; ++i)
        DrawBox(i * 80, 0, i * 80 + 80, kH, GetColor(i * 30, 255 - i * 25, (i * 70) % 256), 1);
    DrawBox(0, 200, kW, 280, GetColor(250, 250, 250), 1);
}

void WithBlend(int mode, int param, bool bright, const std::function<void()>& draw) {
    SetDrawBlendMode(mode, param);
    if (bright) SetDrawBright(200, 150, 100);
    draw();
    SetDrawBright(255, 255, 255);
    SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
}

std::vector<Scene> Scenes() {
    std::vector<Scene> s;
    const int modes[5][2] = {{ZV_BLEND_NOBLEND, 0}, {ZV_BLEND_ALPHA, 160}, {ZV_BLEND_ADD, 200}, {ZV_BLEND_SUB, 180},
                             {ZV_BLEND_MUL, 90}};
    // The 2D roads subtract all channels in one word: red and green come out
    // with their lowest bit set and lose even amounts, where the device
    // subtracts exactly; that is one step more on top of the rounding.
    auto blended = [](int mode) { return mode == ZV_BLEND_SUB ? PACKED : NEAR; };
    for (const auto& m : modes) {
        for (bool bright : {false, true}) {
            const Match match = m[0] == ZV_BLEND_NOBLEND && !bright ? SAME : blended(m[0]);
            s.push_back({"graphs in a blend mode", match, [m, bright](const Graphs& g) {
                             WithBlend(m[0], m[1], bright, [&] {
                                 DrawGraph(20, 30, g.plain, 1);
                                 DrawGraph(150, 190, g.keyed, 1);
                                 DrawGraph(-10, 460, g.plain, 1);   // cut by the screen's edges
                                 DrawGraph(620, -8, g.keyed, 1);
                             });
                         }});
        }
    }
    // Alpha graphs blend through the device's arithmetic, which rounds
    // where the software renderer truncates: within 2 even in mode 0.
    for (const auto& m : modes) {
        for (bool bright : {false, true}) {
            s.push_back({"alpha graphs in a blend mode", blended(m[0]), [m, bright](const Graphs& g) {
                             WithBlend(m[0], m[1], bright, [&] {
                                 DrawGraph(300, 250, g.alpha, 1);
                                 DrawExtendGraph(400, 300, 400 + 96, 300 + 32, g.alpha, 1);
                             });
                         }});
        }
    }
    // Shapes blend their colour, the blend parameter as its alpha.
    for (const auto& m : modes) {
        s.push_back({"shapes in a blend mode", m[0] == ZV_BLEND_NOBLEND ? SAME : blended(m[0]), [m](const Graphs&) {
                         WithBlend(m[0], m[1], false, [&] {
                             DrawBox(30, 150, 330, 330, GetColor(200, 120, 40), 1);
                             DrawBox(360, 20, 600, 460, GetColor(60, 180, 240), 1);
                             DrawBox(100, 20, 260, 100, GetColor(250, 250, 250), 0);
                         });
                     }});
    }
    s.push_back({"integer-scale stretched graphs", SAME, [](const Graphs& g) {
                     DrawExtendGraph(10, 10, 10 + 64, 10 + 96, g.plain, 1);
                     DrawExtendGraph(296, 100, 200, 196, g.keyed, 1);
                 }});
    s.push_back({"a graph larger than one texture", SAME, [](const Graphs& g) { DrawGraph(3, 5, g.big, 0); }});
    s.push_back({"boxes", SAME, [](const Graphs&) {
                     DrawBox(10, 10, 200, 120, GetColor(255, 0, 0), 1);
                     DrawBox(50, 60, 300, 330, GetColor(0, 0, 255), 0);
                     DrawBox(620, 470, 700, 500, GetColor(0, 255, 0), 1);
                 }});
    s.push_back({"filled triangles", TIES, [](const Graphs&) {
                     DrawTriangle(100, 50, 300, 90, 150, 260, GetColor(255, 255, 0), 1);
                     DrawTriangle(400, 400, 350, 100, 600, 300, GetColor(0, 255, 255), 1);
                 }});
    s.push_back({"turns by 0 and a quarter", SAME, [](const Graphs& g) {
                     DrawRotaGraph(100, 100, 1.0, 0.0, g.plain, 1);
                     DrawRotaGraph(300, 100, 1.0, M_PI / 2, g.plain, 1);
                     DrawRotaGraph(100, 300, 1.0, 0.0, g.odd, 1);
                     DrawRotaGraph(300, 300, 1.0, M_PI / 2, g.odd, 1);
                 }});
    s.push_back({"turned and scaled graphs", TURNED, [](const Graphs& g) {
                     DrawRotaGraphF(150.0f, 150.0f, 1.7, 0.5, g.plain, 1, 0);
                     DrawRotaGraphF(400.0f, 300.0f, 2.5, -1.2, g.keyed, 1, 1);
                     DrawModiGraphF(400, 40, 560, 60, 540, 180, 380, 160, g.plain, 1);
                 }});
    // Shaded vertex colours: the device interpolates and rounds them its own way.
    s.push_back({"vertex primitives", SHADED, [](const Graphs& g) {
                     const DrawVertex2D quad[4] = {{50, 50, 0, 0, 255, 255, 255, 255},
                                                   {250, 80, 1, 0, 200, 255, 255, 255},
                                                   {40, 200, 0, 1, 255, 200, 255, 255},
                                                   {260, 230, 1, 1, 255, 255, 200, 255}};
                     DrawPrimitive2D(quad, 4, 5, g.plain, 0);
                     DrawLine(300, 300, 600, 420, GetColor(255, 128, 0), 5);
                 }});
    s.push_back({"lines", LINES, [](const Graphs&) {
                     DrawLine(10, 10, 300, 200, GetColor(255, 0, 0));
                     DrawLine(400, 50, 100, 400, GetColor(0, 255, 0));
                     DrawLine(20, 300, 620, 300, GetColor(0, 0, 255));
                     DrawLine(500, 10, 500, 470, GetColor(255, 255, 0));
                 }});
    s.push_back({"text", TEXT, [](const Graphs&) {
                     DrawString(20, 20, "Velmora ZoVav 0123", GetColor(255, 255, 255));
                     DrawString(40, 220, "ABCDEFG abcdefg", GetColor(255, 0, 0), GetColor(0, 0, 0));
                 }});
    // Fonts of every kind through their cache textures (1555 for plain and
    // edged fonts, 4444 for smooth ones), across and down, plain and blended.
    // Smooth edged text is two layers on the 3D road, edge then glyph, where
    // the 2D road mixes both into one pixel first: partly covered pixels come
    // out more opaque there, and more so when blended.
    for (int type = 0; type < 4; ++type) {
        s.push_back({"text in a font type", type == 3 ? LAYERED : TEXT, [type, modes](const Graphs&) {
                         const int font = CreateFontToHandle(nullptr, 22, 6, type, -1, type == 1 ? 2 : -1);
                         // Two layers subtract or multiply twice where the 2D road's
                         // one mixed pixel does so once: smooth edged text stays
                         // with the first three modes.
                         for (int i = 0; i < (type == 3 ? 3 : 5); ++i) {
                             WithBlend(modes[i][0], modes[i][1], i != 0, [&] {
                                 DrawStringToHandle(20, 20 + i * 70, "Velmora 0123 漢字かな", GetColor(255, 255, 0),
                                                    font, GetColor(0, 0, 160));
                                 DrawStringToHandle(470 + i * 34, 20, "縦書き Ag", GetColor(255, 255, 255), font,
                                                    GetColor(160, 0, 0), 1);
                             });
                         }
                         DeleteFontToHandle(font);
                     }});
    }
    // Through a blend graph, from a hard cut (a border range below 2) to soft
    // borders whose width the device's stages can scale to (64, 128 and 256
    // levels). A cut draws what passes unblended on the 3D road, so it is
    // shown without a blend mode and without alpha graphs. The surface road
    // reads a blend graph one byte a pixel, so its weights run down the rows:
    // every byte of a row holds the row's weight.
    const int borders[][2] = {{0, 0}, {128, 0}, {128, 64}, {100, 128}, {128, 255}, {255, 255}};
    for (const auto& b : borders) {
        const bool cut = b[1] < 2;
        for (int mode : {ZV_BLEND_NOBLEND, ZV_BLEND_ALPHA}) {
            if (cut && mode != ZV_BLEND_NOBLEND) continue;
            for (bool bright : {false, true}) {
                s.push_back({"graphs through a blend graph", WEIGHED, [b, cut, mode, bright](const Graphs& g) {
                                 SetBlendGraph(g.blend, b[0], b[1]);
                                 WithBlend(mode, 200, bright, [&] {
                                     DrawGraph(20, 30, g.plain, 0);
                                     if (!cut) DrawGraph(100, 30, g.alpha, 1);
                                     DrawGraph(180, 30, g.keyed, 1);
                                     DrawExtendGraph(260, 30, 324, 94, g.plain, 0);
                                     DrawGraph(-10, 460, g.plain, 0);   // cut by the screen's edges
                                 });
                                 SetBlendGraph(-1, 0, 0);
                             }});
            }
        }
    }
    s.push_back({"a capture drawn again", SAME, [](const Graphs& g) {
                     DrawGraph(0, 0, g.plain, 1);
                     const int copy = MakeGraph(32, 32);
                     GetDrawScreenGraph(0, 0, 32, 32, copy);
                     DrawBox(0, 0, 64, 64, GetColor(0, 0, 0), 1);
                     DrawGraph(200, 200, copy, 0);
                     DeleteGraph(copy);
                 }});
    return s;
}

// Draws every scene on one road and saves each as scene<i>-<road>.bmp.
int DrawRoad(const char* road, bool refuse3D) {
    if (const int started = zvtest::StartOnRoad(refuse3D)) return started;
    SetDrawScreen(SCREEN_BACK);
    Graphs g{};
    g.plain = MakeGraphOf(32, 32, false, Texel);
    g.keyed = MakeGraphOf(32, 32, false, [](int x, int y) { return (x + 2 * y) % 5 == 0 ? 0xFF000000u : Texel(x, y); });
    g.alpha = MakeGraphOf(32, 32, true, [](int x, int y) { return uint32_t(x * 8 + y) << 24 | (Texel(x, y) & 0xFFFFFF); });
    g.odd = MakeGraphOf(15, 21, false, Texel);
    g.big = MakeGraphOf(600, 300, false, [](int x, int y) { return Texel(x % 32, y % 32) ^ uint32_t(x / 32) << 3; });
    g.blend = MakeGraphOf(64, 64, true, [](int, int y) { return 0x01010101u * uint32_t(std::min(y * 8 + 4, 255)); });
    const std::vector<Scene> scenes = Scenes();
    for (size_t i = 0; i < scenes.size(); ++i) {
        ClearDrawScreen();
        Background();
        scenes[i].draw(g);
        const std::string name = "scene" + std::to_string(i) + "-" + road + ".bmp";
        if (SaveDrawScreenToBMP(0, 0, kW, kH, name.c_str()) != 0) return 6;
        ScreenFlip();
    }
    ZoVav_End();
    Device3DRefuse(0);
    return 0;
}

// 24-bit bottom-up rows as top-down RGB triples.
std::vector<unsigned char> ReadBmp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<unsigned char> rgb;
    if (file.size() < 54 + size_t(kW) * kH * 3) return rgb;
    rgb.resize(size_t(kW) * kH * 3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            for (int c = 0; c < 3; ++c)
                rgb[(size_t(y) * kW + x) * 3 + c] = file[54 + (size_t(kH - 1 - y) * kW + x) * 3 + (2 - c)];
    return rgb;
}

void Compare(const Scene& scene, size_t index) {
    const auto a = ReadBmp("scene" + std::to_string(index) + "-3d.bmp");
    const auto b = ReadBmp("scene" + std::to_string(index) + "-2d.bmp");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    long differ = 0, beyondOne = 0, beyondTwo = 0, beyondFour = 0, beyond17 = 0;
    int worst = 0;
    for (size_t p = 0; p < a.size(); p += 3) {
        int d = 0;
        for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a[p + c]) - int(b[p + c])));
        worst = std::max(worst, d);
        differ += d > 0;
        beyondOne += d > 1;
        beyondTwo += d > 2;
        beyondFour += d > 4;
        beyond17 += d > 17;
    }
    const long pixels = long(kW) * kH;
    const std::string what = std::string(scene.name) + " (scene " + std::to_string(index) + "): " +
                             std::to_string(differ) + " pixels differ, by up to " + std::to_string(worst);
    switch (scene.match) {
        case SAME: EXPECT_EQ(differ, 0) << what; break;
        case TIES: EXPECT_LE(differ, 16) << what; break;
        case NEAR:
            EXPECT_LE(worst, 3) << what;
            EXPECT_LE(beyondOne * 100, pixels) << what;
            break;
        case PACKED:
            EXPECT_LE(worst, 5) << what;
            EXPECT_LE(beyondTwo * 100, pixels) << what;
            break;
        case TURNED: EXPECT_LE(differ * 50, pixels) << what; break;
        case LINES: EXPECT_LE(differ, 8) << what; break;
        case TEXT: EXPECT_LE(worst, 17) << what; break;
        case SHADED: EXPECT_LE(beyondFour * 200, pixels) << what; break;
        case LAYERED:
            EXPECT_LE(worst, 64) << what;
            EXPECT_LE(beyond17 * 100, pixels) << what;
            break;
        case WEIGHED: EXPECT_LE(worst, 6) << what; break;
    }
}

// Runs the named case of this file again on a private X server, in a
// temporary folder, and expects it to pass.
void PassesOnDisplay(const std::string& name) {
    zvtest::XServer x;
    if (!x.Start("1024x768x24")) GTEST_SKIP() << "no X server could be started (Xvfb is needed)";
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const int status = zvtest::RerunOnDisplay(x, "RoadPictures." + name, "child.log");
    const std::string log = zvtest::ReadWholeFile("child.log");
    if (zvtest::ReadWholeFile("x-started").empty()) GTEST_SKIP() << "the library could not start there: " << log;
    EXPECT_EQ(status, 0) << log;
}

// A 640 x 480 blend graph, white left of x = 512 and black right of it (two
// texture pieces when made), weighs a 640-wide graph with border 128 and
// range 255 on the 3D road: the left part is drawn, the right part
// untouched. (The surface road reads a blend graph one byte a pixel, so it
// has no such picture to compare.)
constexpr uint32_t kUnder = 0xFF2040C0u, kDrawn = 0xFFE0A010u;

int DrawThroughWideBlendGraph() {
    if (const int started = zvtest::StartOnRoad(false)) return started;
    SetDrawScreen(SCREEN_BACK);
    const int blend = MakeGraphOf(kW, kH, true, [](int x, int) { return x < 512 ? 0xFFFFFFFFu : 0u; });
    const int graph = MakeGraphOf(kW, kH, false, [](int, int) { return kDrawn; });
    DrawBox(0, 0, kW, kH, GetColor(kUnder >> 16 & 0xFF, kUnder >> 8 & 0xFF, kUnder & 0xFF), 1);
    if (SetBlendGraph(blend, 128, 255) != 0 || DrawGraph(0, 0, graph, 0) != 0) return 7;
    SetBlendGraph(-1, 0, 0);
    if (SaveDrawScreenToBMP(0, 0, kW, kH, "wide.bmp") != 0) return 6;
    ZoVav_End();
    return 0;
}

void ExpectLeftDrawnRightUntouched() {
    const auto px = ReadBmp("wide.bmp");
    ASSERT_FALSE(px.empty());
    long drawnWrong = 0, touched = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const uint32_t want = x < 512 ? kDrawn : kUnder;
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(int(px[(size_t(y) * kW + x) * 3 + c]) - int(want >> (16 - 8 * c) & 0xFF)));
            if (x < 512) drawnWrong += d > 2;
            else touched += d > 0;
        }
    EXPECT_EQ(drawnWrong, 0) << "pixels left of 512 not drawn";
    EXPECT_EQ(touched, 0) << "pixels right of 512 touched";
}

TEST(RoadPictures, AWideBlendGraphWeighsEveryColumnOfTheGraph) {
    if (zvtest::InDisplayRerun()) {
        ASSERT_EQ(DrawThroughWideBlendGraph(), 0) << "the 3D road did not come up or refused the draw";
        ExpectLeftDrawnRightUntouched();
        return;
    }
    PassesOnDisplay("AWideBlendGraphWeighsEveryColumnOfTheGraph");
}

TEST(RoadPictures, TheThreeDRoadDrawsWhatTheSurfaceRoadDraws) {
    if (zvtest::InDisplayRerun()) {
        ASSERT_EQ(DrawRoad("3d", false), 0) << "the 3D road did not come up";
        ASSERT_EQ(DrawRoad("2d", true), 0);
        const std::vector<Scene> scenes = Scenes();
        for (size_t i = 0; i < scenes.size(); ++i) Compare(scenes[i], i);
        return;
    }
    PassesOnDisplay("TheThreeDRoadDrawsWhatTheSurfaceRoadDraws");
}

}  // namespace
