// Draws the 3D road refuses and draws the device refuses, on the recording
// device: a refused graph draw leaves nothing queued and no scene open, a
// refusal by the device is counted, and draws at the int limits pass through
// every front end to the 3D back end.
#include <functional>
#include <vector>

#include "core/lock.h"
#include "d3d_fixture.h"
#include "graphics/direct3d/d3d_shapes.h"
#include "graphics/draw_front.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_handle.h"
#include "library/graphics/far_draws.h"
#include "library/graphics/font/fake_glyph_source.h"

namespace {
using d3dtest::g_fake;

class D3DRefusedDraws : public d3dtest::D3DStateTest {};

// A graph of several texture pieces that cannot be drawn whole, once for a
// dead last piece and once for a blend graph the device does not hold (as
// one kept on a surface, which cannot weigh the draw): every kind of graph draw refuses, and on the
// front screen, which ends the scene after each draw, none leaves vertices
// queued or the scene open.
TEST_F(D3DRefusedDraws, ARefusedGraphDrawLeavesNothingBehind) {
    const int graph = MakeGraph(3000, 16);
    const int blend = MakeGraphImpl(3000, 16, 1);
    ASSERT_GE(graph, 0);
    ASSERT_GE(blend, 0);
    GraphData* g = GetGraphData(graph);
    ASSERT_GE(g->PieceCount, 2);
    const float corners[8] = {10, 10, 300, 10, 10, 30, 300, 30};
    const struct {
        const char* name;
        std::function<int()> draw;
    } draws[] = {
        {"plain", [&] { return DrawGraph(10, 10, graph, 0); }},
        {"extended", [&] { return WithLibraryLock([&] { return DrawExtendGraph(10, 10, 300, 40, graph, 0); }); }},
        {"turned", [&] { return WithLibraryLock([&] { return DrawTurnGraph(-2500, 10, graph, 0); }); }},
        {"rotated", [&] { return DrawRotaGraph(320, 240, 0.1, 0.5, graph, 0); }},
        {"four corners", [&] { return WithLibraryLock([&] { return G_D3D_DrawModiGraph(corners, g, 0); }); }},
        {"rectangle",
         [&] { return WithLibraryLock([&] { return G_D3D_DrawRectGraph(10, 10, 2000, 0, 100, 8, g, 0, 0); }); }},
    };
    ASSERT_EQ(SetDrawScreen(SCREEN_FRONT), 0);
    for (const auto& d : draws) EXPECT_EQ(d.draw(), 0) << d.name << " draws while whole";

    const struct {
        const char* name;
        std::function<void()> spoil, mend;
    } refusals[] = {
        {"blend graph",
         [&] {
             ASSERT_EQ(SetBlendGraph(blend, 100, 1), 0);
             ASSERT_EQ(State().blendGraphTexture, nullptr);
         },
         [&] { SetBlendGraph(-1, 0, 0); }},
        {"dead piece", [&] { ASSERT_EQ(DeleteSurface3DData(g->Pieces[g->PieceCount - 1]), 0); }, [] {}},
    };
    for (const auto& r : refusals) {
        r.spoil();
        for (const auto& d : draws) {
            EXPECT_EQ(d.draw(), -1) << r.name << ", " << d.name;
            EXPECT_EQ(State().batchCount, 0) << r.name << ", " << d.name << ": no piece stays queued";
            EXPECT_EQ(State().sceneBegun, 0) << r.name << ", " << d.name << ": the scene ended as after any draw";
        }
        r.mend();
    }
    SetDrawScreen(SCREEN_BACK);
    DeleteGraph(blend);
    DeleteGraph(graph);
}

// Every way vertices reach the device counts a refusal; the batch empties
// all the same, and a device that draws counts none.
TEST_F(D3DRefusedDraws, DrawsTheDeviceRefusesAreCounted) {
    const int texture = Texture(0, 0);
    std::vector<D3DVertexTex1> grid(8 * 8, D3DVertexTex1{0, 0, 0, 1, 0xFFFFFFFF, 0, 0});
    const struct {
        const char* name;
        std::function<void()> draw;
    } draws[] = {
        {"batch",
         [&] {
             Quad(texture);
             G_D3D_RenderVertex();
         }},
        {"grid strip", [&] { G_D3D_DrawGridStrip(grid.data(), 8, 8); }},
        {"filled triangle", [&] { G_D3D_DrawTriangle(0, 0, 10, 0, 0, 10, 0xFFFFFF, 1); }},
        {"triangle outline", [&] { G_D3D_DrawTriangle(0, 0, 10, 0, 0, 10, 0xFFFFFF, 0); }},
        {"caller's triangles", [&] { G_D3D_DrawPolygon(grid.data(), 2, nullptr, 0); }},
    };
    for (const bool refuse : {false, true}) {
        g_fake->refuseDraws = refuse;
        for (const auto& d : draws) {
            const uint64_t before = GetD3DRoadCounters().refusedDraws;
            WithLibraryLock(d.draw);
            EXPECT_EQ(GetD3DRoadCounters().refusedDraws - before, refuse ? 1u : 0u) << d.name;
            EXPECT_EQ(State().batchCount, 0) << d.name;
        }
    }
    g_fake->refuseDraws = false;
}

// The int-limit draws of every front end, through the 3D back end: texture
// graphs, shapes and texture-cached text.
TEST_F(D3DRefusedDraws, DrawsAtTheIntLimitsReachTheDeviceWithoutWrapping) {
    fakeglyphs::State() = fakeglyphs::FakeState{};
    SetFontGlyphSource(fakeglyphs::Source());
    const int graph = MakeGraph(16, 16);
    const int font = CreateFontToHandle(nullptr, 16, -1, 0);
    ASSERT_GE(graph, 0);
    ASSERT_GE(font, 0);
    ASSERT_NE(GetFontManageData(font)->textureCache, 0);
    for (const fardraws::FarDraw& c : fardraws::Draws(graph, font, GetColor(255, 255, 255))) {
        EXPECT_EQ(c.draw(), c.result) << c.name;
        EXPECT_EQ(WithLibraryLock([] { return G_D3D_RenderVertex(); }), 0) << c.name;
    }
    DeleteFontToHandle(font);
    DeleteGraph(graph);
    SetFontGlyphSource(nullptr);
}

}  // namespace
