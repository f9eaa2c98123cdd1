// Texture graphs on the recording device: the texture-size division, pieces
// made and refused, and where a plain draw puts its vertices.
#include <cstring>

#include "d3d_fixture.h"
#include "graphics/direct3d/d3d_graph.h"
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

}  // namespace
