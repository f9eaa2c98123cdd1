// Untextured shapes on the recording device: where boxes, lines and
// triangles put their vertices, their colours, and how they batch.
#include <algorithm>
#include <cstring>

#include "d3d_fixture.h"
#include "graphics/direct3d/d3d_shapes.h"

namespace {
using d3dtest::g_fake;

class D3DShapesTest : public d3dtest::D3DStateTest {
protected:
    std::vector<D3DVertexColor> Drawn() {
        std::vector<D3DVertexColor> v(g_fake->lastVertices.size() / sizeof(D3DVertexColor));
        std::memcpy(v.data(), g_fake->lastVertices.data(), v.size() * sizeof(D3DVertexColor));
        return v;
    }
};

TEST_F(D3DShapesTest, BoxesSitOnWholePixelsClippedToTheAreaInTheDrawColour) {
    struct Case {
        int x1, y1, x2, y2, blend, param, red;
        float left, top, right, bottom;
        uint32_t color;
    };
    const Case cases[] = {{10, 10, 20, 20, 0, 255, 255, 10, 10, 20, 20, 0xFFFF0000u},
                          {20, 20, 10, 10, 0, 255, 128, 10, 10, 20, 20, 0xFF800000u},
                          {-5, -5, 5, 5, 1, 100, 255, 0, 0, 5, 5, 0x64FF0000u}};
    for (const Case& c : cases) {
        SetDrawBlendModeImpl(c.blend, c.param);
        SetDrawBrightImpl(c.red, 255, 255);
        ASSERT_EQ(G_D3D_DrawFillBox(c.x1, c.y1, c.x2, c.y2, uint32_t(GetColor(255, 0, 0))), 0);
        ASSERT_EQ(G_D3D_RenderVertex(), 0);
        const std::vector<D3DVertexColor> v = Drawn();
        ASSERT_EQ(v.size(), 6u);
        EXPECT_EQ(g_fake->draws.back().fvf, D3DFVF_XYZRHW_DIFFUSE);
        EXPECT_FLOAT_EQ(v[0].x, c.left);
        EXPECT_FLOAT_EQ(v[0].y, c.top);
        EXPECT_FLOAT_EQ(v[3].x, c.right);
        EXPECT_FLOAT_EQ(v[3].y, c.bottom);
        EXPECT_EQ(v[0].color, c.color) << std::hex << v[0].color;
    }
    SetDrawBlendModeImpl(0, 255);
    SetDrawBrightImpl(255, 255, 255);
    EXPECT_EQ(G_D3D_DrawFillBox(700, 0, 800, 10, 0), 0) << "outside the area: nothing";
}

TEST_F(D3DShapesTest, LinesStopShortOfTheirEndAndKeepTheirOwnListType) {
    ASSERT_EQ(G_D3D_DrawFillBox(0, 0, 10, 10, 0), 0);
    const size_t draws = g_fake->draws.size();
    ASSERT_EQ(G_D3D_DrawLine(0, 5, 10, 5, 0), 0);
    ASSERT_EQ(g_fake->draws.size(), draws + 1) << "the box's triangles go first";
    EXPECT_EQ(g_fake->draws.back().type, D3DPT_TRIANGLELIST);
    ASSERT_EQ(G_D3D_DrawLine(3, 8, 3, 2, 0), 0);
    ASSERT_EQ(G_D3D_RenderVertex(), 0);
    EXPECT_EQ(g_fake->draws.back().type, D3DPT_LINELIST);
    const std::vector<D3DVertexColor> v = Drawn();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ(v[1].x, 9.9f);
    EXPECT_FLOAT_EQ(v[3].y, 2.1f);
    EXPECT_EQ(G_D3D_DrawLine(4, 4, 4, 4, 0), 0);
}

TEST_F(D3DShapesTest, TrianglesGoStraightToTheDeviceWithOneWinding) {
    // Counter-clockwise on screen: the outline's second and third corners swap.
    ASSERT_EQ(G_D3D_DrawTriangle(0, 0, 0, 10, 10, 0, 0, 0), 0);
    EXPECT_EQ(g_fake->draws.back().type, D3DPT_LINESTRIP);
    std::vector<D3DVertexColor> v = Drawn();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_FLOAT_EQ(v[1].x, 10.0f);
    EXPECT_FLOAT_EQ(v[2].y, 10.0f);

    // Filled: the triangle widened half a pixel to either side, as a fan of
    // triangles that all turn the same way.
    ASSERT_EQ(G_D3D_DrawTriangle(0, 0, 0, 10, 10, 0, 0, 1), 0);
    EXPECT_EQ(g_fake->draws.back().type, D3DPT_TRIANGLELIST);
    v = Drawn();
    ASSERT_EQ(v.size() % 3, 0u);
    ASSERT_GE(v.size(), 3u);
    float left = 1e9f, right = -1e9f, top = 1e9f, bottom = -1e9f;
    for (size_t i = 0; i < v.size(); i += 3) {
        const float cross = (v[i + 1].x - v[i].x) * (v[i + 2].y - v[i].y) - (v[i + 1].y - v[i].y) * (v[i + 2].x - v[i].x);
        EXPECT_GT(cross, 0.0f) << "triangle " << i / 3;
    }
    for (const D3DVertexColor& p : v) {
        left = std::min(left, p.x), right = std::max(right, p.x);
        top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    }
    EXPECT_FLOAT_EQ(left, -0.5f);
    EXPECT_FLOAT_EQ(right, 10.5f);
    EXPECT_FLOAT_EQ(top, 0.0f);
    EXPECT_FLOAT_EQ(bottom, 10.0f);
}

}  // namespace
