// Texture graphs on the recording device: the texture-size division, pieces
// made and refused, and where a plain draw puts its vertices.
#include <cmath>
#include <cstring>
#include <limits>

#include "d3d_fixture.h"
#include "graphics/direct3d/d3d_graph.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"

namespace {
using d3dtest::g_fake;

class D3DGraphTest : public d3dtest::D3DStateTest {
protected:
    GraphData Graph(int width, int height) {
        GraphData g{};
        g.Width = width;
        g.Height = height;
        g.Settings = GraphSurfaceSettings{1, 0, 0, 0, 0, 32, 0, 0};
        return g;
    }
};

TEST_F(D3DGraphTest, LengthsDivideIntoTextureSizes) {
    struct Case {
        int length, force;
        std::vector<int> sizes;
    };
    const Case cases[] = {{700, 0, {512, 128, 64}}, {100, 0, {128}}, {16, 0, {16}}, {3, 0, {4}},
                          {640, 0, {512, 128}},         {300, 1, {512}}, {5000, 1, {2048, 2048, 1024}}};
    for (const Case& c : cases) {
        int sizes[64] = {};
        const int n = DivideTextureSize(c.length, sizes, c.force);
        EXPECT_EQ(std::vector<int>(sizes, sizes + n), c.sizes) << c.length << " force " << c.force;
    }
}

TEST_F(D3DGraphTest, AGraphIsMadeOfPiecesAndOneNeedingTooManyIsRefused) {
    GraphData g = Graph(700, 100);
    ASSERT_EQ(G_D3D_CreateGraph(&g), 0);
    ASSERT_EQ(g.PieceCount, 3);
    const int x[3] = {0, 512, 640}, w[3] = {512, 128, 60};
    for (int i = 0; i < 3; ++i) {
        const Surface3DData* p = GetSurface3DData(g.Pieces[i]);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->x, x[i]);
        EXPECT_EQ(p->width, w[i]);
        EXPECT_EQ(GetSurfaceData(p->surfaceData)->Height, 128);
    }
    const size_t live = g_fake->LiveTextures();
    EXPECT_EQ(G_D3D_DeleteGraph(&g), 0);
    EXPECT_EQ(g_fake->LiveTextures(), live - 3);

    GraphData huge = Graph(9000, 9000);
    EXPECT_EQ(G_D3D_CreateGraph(&huge), -1);
    EXPECT_EQ(huge.PieceCount, 0);
    EXPECT_EQ(g_fake->LiveTextures(), live - 3) << "nothing made for a refused graph";
    EXPECT_NE(Log().find("エラー：画像の分割数が最大数の 64 を超えました"), std::string::npos);
}

TEST_F(D3DGraphTest, APlainDrawPlacesPixelCentresHalfAPixelUpAndLeft) {
    GraphData g = Graph(16, 16);
    ASSERT_EQ(G_D3D_CreateGraph(&g), 0);
    ASSERT_EQ(G_D3D_DrawGraph(10, 20, &g, 0, 1), 0);
    ASSERT_EQ(G_D3D_RenderVertex(), 0);
    ASSERT_EQ(g_fake->lastVertices.size(), 6 * sizeof(D3DVertexTex1));
    D3DVertexTex1 v[6];
    std::memcpy(v, g_fake->lastVertices.data(), sizeof v);
    // Top-left, top-right, bottom-left, bottom-right, bottom-left, top-right.
    const float xs[6] = {9.5f, 25.5f, 9.5f, 25.5f, 9.5f, 25.5f}, ys[6] = {19.5f, 19.5f, 35.5f, 35.5f, 35.5f, 19.5f};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(v[i].x, xs[i]) << i;
        EXPECT_FLOAT_EQ(v[i].y, ys[i]) << i;
        EXPECT_FLOAT_EQ(v[i].u, xs[i] > 20 ? 1.0f : 0.0f) << i;
        EXPECT_FLOAT_EQ(v[i].rhw, 1.0f) << i;
    }
    EXPECT_EQ(v[0].color, 0xFFFFFFFFu);

    // Half outside on the left: cut at the edge, texture moved by the cut.
    ASSERT_EQ(G_D3D_DrawGraph(-8, 20, &g, 0, 1), 0);
    ASSERT_EQ(G_D3D_RenderVertex(), 0);
    std::memcpy(v, g_fake->lastVertices.data(), sizeof v);
    EXPECT_FLOAT_EQ(v[0].x, 0.0f);
    EXPECT_FLOAT_EQ(v[0].u, 8.5f / 16.0f);
    // Wholly outside: nothing queued.
    const size_t draws = g_fake->draws.size();
    ASSERT_EQ(G_D3D_DrawGraph(700, 20, &g, 0, 1), 0);
    G_D3D_RenderVertex();
    EXPECT_EQ(g_fake->draws.size(), draws);
    G_D3D_DeleteGraph(&g);
}

TEST_F(D3DGraphTest, TheRoadIsUpAndGraphsAreTextures) {
    EXPECT_EQ(GetDirect3DUpFlag(), 1);
    EXPECT_NE(Log().find("３Ｄグラフィック描画機能を使用します"), std::string::npos);
    const int handle = MakeGraph(100, 40);
    const GraphData* g = GetGraphData(handle);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->Settings.TextureFlag, 1);
    EXPECT_EQ(g->PieceCount, 1);
    EXPECT_EQ(g->SurfaceHandle, -1);
    const size_t live = g_fake->LiveTextures();
    EXPECT_EQ(DeleteGraph(handle), 0);
    EXPECT_EQ(g_fake->LiveTextures(), live - 1);
}

TEST_F(D3DGraphTest, AGraphFailingPartWayLeavesNoPiecesBehind) {
    const size_t live = g_fake->LiveTextures();
    GraphData g = Graph(700, 100);
    g_fake->createBudget = 2;   // the third piece cannot be made
    EXPECT_EQ(G_D3D_CreateGraph(&g), -1);
    g_fake->createBudget = -1;
    EXPECT_EQ(g.PieceCount, 0);
    EXPECT_EQ(g_fake->LiveTextures(), live) << "the two pieces made go again";
}

TEST_F(D3DGraphTest, ADerivedGraphSharesTheSourcesTexturesAndAFailureDeletesOnlyItsOwnPieces) {
    GraphData src = Graph(700, 100);
    ASSERT_EQ(G_D3D_CreateGraph(&src), 0);
    const size_t live = g_fake->LiveTextures();
    // Across the first two pieces' border (512): two pieces, no new texture.
    GraphData cell = Graph(100, 50);
    ASSERT_EQ(G_D3D_DerivationGraph(&cell, 480, 10, 100, 50, &src), 0);
    ASSERT_EQ(cell.PieceCount, 2);
    EXPECT_EQ(g_fake->LiveTextures(), live);
    const Surface3DData* a = GetSurface3DData(cell.Pieces[0]);
    const Surface3DData* b = GetSurface3DData(cell.Pieces[1]);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->x, 0);
    EXPECT_EQ(a->width, 32);
    EXPECT_EQ(a->u, 480);
    EXPECT_EQ(a->v, 10);
    EXPECT_EQ(b->x, 32);
    EXPECT_EQ(b->width, 68);
    EXPECT_EQ(b->u, 0);
    EXPECT_EQ(G_D3D_DeleteGraph(&cell), 0);
    EXPECT_EQ(g_fake->LiveTextures(), live) << "the source keeps its textures";

    // A dead source piece ends the derivation: the piece made before it goes,
    // the source's live pieces stay.
    ASSERT_EQ(DeleteSurface3DData(src.Pieces[1]), 0);
    GraphData wide = Graph(700, 50);
    EXPECT_EQ(G_D3D_DerivationGraph(&wide, 0, 0, 700, 50, &src), -1);
    EXPECT_EQ(wide.PieceCount, 0);
    EXPECT_NE(GetSurface3DData(src.Pieces[0]), nullptr);
    EXPECT_NE(GetSurface3DData(src.Pieces[2]), nullptr);
    EXPECT_EQ(DeleteSurface3DData(src.Pieces[0]), 0);
    EXPECT_EQ(DeleteSurface3DData(src.Pieces[2]), 0);
}

TEST_F(D3DGraphTest, AGraphOfSeveralTexturesCannotBeTheDrawScreen) {
    SetDrawScreen(SCREEN_BACK);
    SetDrawValidGraphCreateFlag(1);
    const int wide = MakeGraph(3000, 16);   // 2048 + 1024
    const int one = MakeGraph(300, 16);
    SetDrawValidGraphCreateFlag(0);
    ASSERT_EQ(GetGraphData(wide)->PieceCount, 2);
    EXPECT_EQ(SetDrawScreen(wide), -1);
    EXPECT_EQ(GetDrawScreen(), SCREEN_BACK) << "the old screen stays the draw screen";
    EXPECT_EQ(SetDrawScreen(one), 0);
    EXPECT_EQ(GetDrawScreen(), one);
    SetDrawScreen(SCREEN_BACK);
    DeleteGraph(wide);
    DeleteGraph(one);
}

TEST_F(D3DGraphTest, TurnedDrawsWithoutAPictureDrawNothing) {
    GraphData g = Graph(16, 16);
    ASSERT_EQ(G_D3D_CreateGraph(&g), 0);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    const double cases[][2] = {{0.0, 0.5}, {nan, 0.5}, {inf, 0.5}, {1.0, nan}, {2.0, -inf}};
    G_D3D_RenderVertex();
    const size_t draws = g_fake->draws.size();
    for (const auto& c : cases) {
        EXPECT_EQ(G_D3D_DrawRotaGraph(100.0f, 100.0f, c[0], c[1], &g, 1, 0), 0) << c[0] << " " << c[1];
        G_D3D_RenderVertex();
        EXPECT_EQ(g_fake->draws.size(), draws) << c[0] << " " << c[1];
    }
    // A turned draw: a 4 x 3 graph at scale 1 about its texel (2, 1).
    GraphData small = Graph(4, 3);
    ASSERT_EQ(G_D3D_CreateGraph(&small), 0);
    ASSERT_EQ(G_D3D_DrawRotaGraph(50.0f, 60.0f, 1.0, 0.0, &small, 0, 0), 0);
    G_D3D_RenderVertex();
    D3DVertexTex1 v[6];
    std::memcpy(v, g_fake->lastVertices.data(), sizeof v);
    EXPECT_NEAR(v[0].x, 48.0f, 0.05f);
    EXPECT_NEAR(v[0].y, 59.0f, 0.05f);
    EXPECT_NEAR(v[3].x, 52.0f, 0.05f);
    EXPECT_NEAR(v[3].y, 62.0f, 0.05f);
    G_D3D_DeleteGraph(&small);
    G_D3D_DeleteGraph(&g);
}

TEST_F(D3DGraphTest, GridStripsKeepTheirIndexListsInBounds) {
    std::vector<D3DVertexTex1> grid(100 * 20);
    const size_t before = g_fake->draws.size();
    ASSERT_EQ(G_D3D_DrawGridStrip(grid.data(), 100, 20), 0);
    ASSERT_GT(g_fake->draws.size(), before + 1) << "a long strip goes out in parts";
    for (size_t i = before; i < g_fake->draws.size(); ++i) EXPECT_LE(g_fake->draws[i].count, 1000);
    EXPECT_EQ(g_fake->indicesOutOfRange, 0);
    // A row that cannot fit one index list is refused, not overrun.
    std::vector<D3DVertexTex1> wide(600 * 2);
    const size_t count = g_fake->draws.size();
    EXPECT_EQ(G_D3D_DrawGridStrip(wide.data(), 600, 2), -1);
    EXPECT_EQ(g_fake->draws.size(), count);
    EXPECT_EQ(G_D3D_DrawGridStrip(grid.data(), 1, 20), -1);
}

}  // namespace
