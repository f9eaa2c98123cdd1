// Drawing through a blend graph on the recording device: the setter reaches
// the device, every graph draw writes two-texture vertices whose blend
// position is the blend graph's pixel under the drawn one (cut corners move
// on both), a blend graph of several pieces becomes one texture (or is
// refused), bent four-cornered shapes stay two triangles, caller's
// triangles draw without the blend graph and leave it in place, and a
// deleted blend graph stops weighing on either road.
#include <cstring>
#include <functional>
#include <vector>

#include "d3d_fixture.h"
#include "graphics/draw_front.h"
#include "graphics/graph_handle.h"
#include "graphics/image/graph_image.h"

namespace {
using d3dtest::g_fake;

struct BlendVertex {
    float x, y, z, rhw;
    uint32_t color, specular;
    float blendU, blendV, u, v;
};
static_assert(sizeof(BlendVertex) == 40, "the device's two-texture vertex");

Texture3D* TextureOf(int graph) {
    return GetSurfaceData(GetSurface3DData(GetGraphData(graph)->Pieces[0])->surfaceData)->Texture;
}

class D3DBlendGraphTest : public d3dtest::D3DStateTest {
protected:
    void SetUp() override {
        D3DStateTest::SetUp();
        SetDrawScreen(SCREEN_BACK);
        graph_ = MakeGraph(16, 12);     // a 16 x 16 texture
        blend_ = MakeGraph(64, 32);     // a 64 x 32 texture
        ASSERT_GE(graph_, 0);
        ASSERT_GE(blend_, 0);
    }
    void TearDown() override {
        SetBlendGraph(-1, 0, 0);
        D3DStateTest::TearDown();
    }
    // The vertices of the last batch drawn, which must be two-texture ones.
    std::vector<BlendVertex> Drawn() {
        EXPECT_EQ(g_fake->draws.back().fvf, D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2);
        std::vector<BlendVertex> v(g_fake->lastVertices.size() / sizeof(BlendVertex));
        std::memcpy(v.data(), g_fake->lastVertices.data(), v.size() * sizeof(BlendVertex));
        return v;
    }
    int graph_ = -1, blend_ = -1;
};

TEST_F(D3DBlendGraphTest, TheSetterGivesTheDeviceTheBlendGraphAndTakesItBack) {
    ASSERT_EQ(SetBlendGraph(blend_, 300, 64), 0);
    EXPECT_EQ(State().blendGraphTexture, TextureOf(blend_));
    EXPECT_EQ(State().blendParam, 255) << "clamped as the draw state keeps it";
    EXPECT_EQ(State().blendGraphRange, 64);
    EXPECT_EQ(SetBlendGraph(12345, 0, 0), -1);
    EXPECT_EQ(State().blendGraphTexture, TextureOf(blend_)) << "a refused graph changes nothing";
    ASSERT_EQ(SetBlendGraph(-1, 0, 0), 0);
    EXPECT_EQ(State().blendGraphTexture, nullptr);
}

// Graph (16 x 16 texture) and blend graph (64 x 32) both start at their
// textures' origins, so a vertex showing graph pixel (gx, gy) has u = gx / 16
// and blend u = gx / 64: blend u x 64 = u x 16 and blend v x 32 = v x 16.
TEST_F(D3DBlendGraphTest, EveryGraphDrawWeighsEachPixelByTheBlendPixelUnderIt) {
    ASSERT_EQ(SetBlendGraph(blend_, 128, 255), 0);
    const struct {
        const char* name;
        std::function<int()> draw;
    } cases[] = {
        {"plain", [&] { return DrawGraph(10, 20, graph_, 0); }},
        {"cut by the screen's left edge", [&] { return DrawGraph(-4, 10, graph_, 0); }},
        {"stretched", [&] { return DrawExtendGraph(10, 10, 42, 46, graph_, 0); }},
        {"mirrored", [&] { return DrawExtendGraph(42, 10, 10, 46, graph_, 0); }},
        {"stretched and cut", [&] { return DrawExtendGraph(-20, 10, 12, 46, graph_, 0); }},
        {"turned", [&] { return DrawRotaGraph(40, 40, 1.5, 0.5, graph_, 0); }},
        {"four corners", [&] { return DrawModiGraphF(10, 10, 40, 14, 46, 30, 16, 26, graph_, 0); }},
        {"a rectangle of it", [&] { return DrawRectGraph(30, 30, 3, 2, 9, 7, graph_, 0, 0); }},
    };
    for (const auto& c : cases) {
        G_D3D_RenderVertex();
        ASSERT_EQ(c.draw(), 0) << c.name;
        ASSERT_EQ(G_D3D_RenderVertex(), 0);
        const std::vector<BlendVertex> v = Drawn();
        ASSERT_EQ(v.size(), 6u) << c.name;
        EXPECT_EQ(g_fake->textures[0], TextureOf(blend_)) << c.name;
        EXPECT_EQ(g_fake->textures[1], TextureOf(graph_)) << c.name;
        for (const BlendVertex& b : v) {
            EXPECT_NEAR(b.blendU * 64.0f, b.u * 16.0f, 1e-4f) << c.name;
            EXPECT_NEAR(b.blendV * 32.0f, b.v * 16.0f, 1e-4f) << c.name;
            EXPECT_EQ(b.specular, 0xFFFFFFFFu) << c.name;
            EXPECT_FLOAT_EQ(b.rhw, 1.0f) << c.name;
        }
    }
    // The cut draw: its left corners moved 4.5 pixels onto the screen's edge.
    DrawGraph(-4, 10, graph_, 0);
    G_D3D_RenderVertex();
    const BlendVertex topLeft = Drawn()[0];
    EXPECT_FLOAT_EQ(topLeft.x, 0.0f);
    EXPECT_FLOAT_EQ(topLeft.u, 4.5f / 16.0f);
    EXPECT_FLOAT_EQ(topLeft.blendU, 4.5f / 64.0f);
}

TEST_F(D3DBlendGraphTest, ABlendGraphStartsAtItsOwnTopLeftPixelInASharedTexture) {
    // A graph derived from (8, 4) of the blend graph: its first pixel is texel (8, 4).
    const int part = DerivationGraph(8, 4, 32, 24, blend_);
    ASSERT_GE(part, 0);
    ASSERT_EQ(SetBlendGraph(part, 128, 255), 0);
    ASSERT_EQ(DrawGraph(10, 20, graph_, 0), 0);
    G_D3D_RenderVertex();
    const std::vector<BlendVertex> v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    EXPECT_FLOAT_EQ(v[0].blendU, 8.0f / 64.0f);
    EXPECT_FLOAT_EQ(v[0].blendV, 4.0f / 32.0f);
    EXPECT_FLOAT_EQ(v[3].blendU, 24.0f / 64.0f);
    EXPECT_FLOAT_EQ(v[3].blendV, 16.0f / 32.0f);
}

// A 640-wide graph is two pieces (512 + 128): set as the blend graph it
// becomes one texture of its size, so that a 640-wide graph drawn through
// it finds every blend position within that texture, on the pixel under it.
TEST_F(D3DBlendGraphTest, AWideBlendGraphBecomesOneTextureHoldingEveryBlendPosition) {
    const int wide = MakeGraph(640, 480), drawn = MakeGraph(640, 480);
    ASSERT_GE(wide, 0);
    ASSERT_GE(drawn, 0);
    ASSERT_EQ(GetGraphData(wide)->PieceCount, 2);
    ASSERT_EQ(SetBlendGraph(wide, 128, 255), 0);
    ASSERT_EQ(GetGraphData(wide)->PieceCount, 1);
    const auto* texture = reinterpret_cast<const d3dtest::FakeTexture*>(TextureOf(wide));
    EXPECT_EQ(texture->width, 640);
    EXPECT_EQ(texture->height, 480);
    EXPECT_EQ(State().blendGraphTexture, TextureOf(wide));
    G_D3D_RenderVertex();
    const size_t first = g_fake->draws.size();
    ASSERT_EQ(DrawGraph(0, 0, drawn, 0), 0);
    G_D3D_RenderVertex();
    size_t vertices = 0;
    for (size_t i = first; i < g_fake->draws.size(); ++i) {
        const d3dtest::DrawCall& d = g_fake->draws[i];
        ASSERT_EQ(d.fvf, D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2);
        std::vector<BlendVertex> v(d.vertices.size() / sizeof(BlendVertex));
        std::memcpy(v.data(), d.vertices.data(), v.size() * sizeof(BlendVertex));
        for (const BlendVertex& b : v) {
            EXPECT_GE(b.blendU, 0.0f);
            EXPECT_LE(b.blendU, 1.0f);
            EXPECT_GE(b.blendV, 0.0f);
            EXPECT_LE(b.blendV, 1.0f);
            // Pixel (x, y) of the graph sits at (x - 0.5, y - 0.5) and is weighed by blend pixel (x, y).
            EXPECT_NEAR(b.blendU * 640.0f, b.x + 0.5f, 1e-3f);
            EXPECT_NEAR(b.blendV * 480.0f, b.y + 0.5f, 1e-3f);
        }
        vertices += v.size();
    }
    EXPECT_EQ(vertices, 12u) << "both pieces of the drawn graph";
    SetBlendGraph(-1, 0, 0);
    DeleteGraph(drawn);
    DeleteGraph(wide);
}

// A graph wider than the device's largest texture (2048) cannot be one: the
// setter refuses it, logs why and leaves the blend graph and the graph as they were.
TEST_F(D3DBlendGraphTest, ABlendGraphNoTextureCanHoldIsRefusedAndChangesNothing) {
    ASSERT_EQ(SetBlendGraph(blend_, 100, 200), 0);
    const int huge = MakeGraph(3000, 16);
    ASSERT_GE(huge, 0);
    const int pieces = GetGraphData(huge)->PieceCount;
    EXPECT_EQ(SetBlendGraph(huge, 128, 255), -1);
    EXPECT_EQ(GetGraphDrawState().BlendGraph, blend_);
    EXPECT_EQ(GetGraphDrawState().BlendGraphBorderParam, 100);
    EXPECT_EQ(GetGraphDrawState().BlendGraphBorderRange, 200);
    EXPECT_EQ(State().blendGraphTexture, TextureOf(blend_));
    EXPECT_EQ(GetGraphData(huge)->PieceCount, pieces);
    EXPECT_NE(Log().find("グラフィック(3000x16)を一枚のテクスチャにできません テクスチャ最大幅:2048"),
              std::string::npos);
    DeleteGraph(huge);
}

// Without a blend graph a bent shape is a mesh of strips; through one it is
// two triangles on whole-pixel corners, half a pixel up and left.
TEST_F(D3DBlendGraphTest, ABentFourCorneredShapeStaysTwoTriangles) {
    ASSERT_EQ(SetBlendGraph(blend_, 128, 255), 0);
    G_D3D_RenderVertex();
    const size_t draws = g_fake->draws.size();
    ASSERT_EQ(DrawModiGraphF(10.7f, 10.2f, 60, 12, 70, 50, 5, 40, graph_, 0), 0);
    G_D3D_RenderVertex();
    ASSERT_EQ(g_fake->draws.size(), draws + 1) << "one batch, no strips";
    const std::vector<BlendVertex> v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    // Top-left, top-right, bottom-left, bottom-right, bottom-left, top-right.
    const float xs[6] = {9.5f, 59.5f, 4.5f, 69.5f, 4.5f, 59.5f}, ys[6] = {9.5f, 11.5f, 39.5f, 49.5f, 39.5f, 11.5f};
    for (int i = 0; i < 6; ++i) {
        EXPECT_FLOAT_EQ(v[i].x, xs[i]) << i;
        EXPECT_FLOAT_EQ(v[i].y, ys[i]) << i;
    }
}

TEST_F(D3DBlendGraphTest, CallersTrianglesGoWithoutTheBlendGraphAndLeaveItSet) {
    ASSERT_EQ(SetBlendGraph(blend_, 100, 200), 0);
    const DrawVertex2D quad[4] = {{10, 10, 0, 0, 255, 255, 255, 255}, {40, 10, 1, 0, 255, 255, 255, 255},
                                  {10, 40, 0, 1, 255, 255, 255, 255}, {40, 40, 1, 1, 255, 255, 255, 255}};
    ASSERT_EQ(DrawPrimitive2D(quad, 4, 5, graph_, 0), 0);
    EXPECT_EQ(g_fake->draws.back().fvf, D3DFVF_XYZRHW_DIFFUSE_TEX1);
    EXPECT_EQ(State().blendGraphTexture, TextureOf(blend_));
    EXPECT_EQ(State().blendParam, 100);
    EXPECT_EQ(State().blendGraphRange, 200);
    ASSERT_EQ(DrawGraph(10, 20, graph_, 0), 0);
    G_D3D_RenderVertex();
    EXPECT_EQ(Drawn().size(), 6u);
}

// A blend graph the device does not hold (as a graph kept on a surface)
// cannot weigh the draw: every graph draw fails and queues nothing.
TEST_F(D3DBlendGraphTest, GraphDrawsFailThroughABlendGraphTheDeviceLacks) {
    ASSERT_EQ(SetBlendGraph(blend_, 128, 255), 0);
    G_D3D_SetBlendGraph(nullptr, 128, 255, device_);
    G_D3D_RenderVertex();
    const size_t draws = g_fake->draws.size();
    EXPECT_EQ(DrawGraph(10, 20, graph_, 0), -1);
    EXPECT_EQ(DrawExtendGraph(10, 10, 42, 46, graph_, 0), -1);
    EXPECT_EQ(DrawRotaGraph(40, 40, 1.5, 0.5, graph_, 0), -1);
    EXPECT_EQ(DrawModiGraphF(10, 10, 60, 12, 70, 50, 5, 40, graph_, 0), -1);
    G_D3D_RenderVertex();
    EXPECT_EQ(g_fake->draws.size(), draws);
}

// Deleting the blend graph takes it away on the 3D road and on the 2D road
// alike: later graph draws go unweighed instead of failing.
TEST(BlendGraphDeleted, LaterDrawsGoUnweighedOnEitherRoad) {
    for (const bool threeD : {true, false}) {
        SCOPED_TRACE(threeD ? "3D road" : "2D road");
        zvtest::ScopedTempDir dir;
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);
        SetDevice3DFactory(threeD ? d3dtest::MakeRecordingDevice : nullptr);
        Device3DRefuse(threeD ? 0 : 1);
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0);
        ASSERT_EQ(GetDirect3DUpFlag(), threeD ? 1 : 0);
        SetDrawScreen(SCREEN_BACK);
        const int graph = MakeGraph(16, 16), blend = MakeGraph(64, 64);
        ASSERT_EQ(SetBlendGraph(blend, 128, 255), 0);
        ASSERT_EQ(DeleteGraph(blend), 0);
        EXPECT_EQ(GetGraphDrawState().BlendGraph, -1);
        if (threeD) {
            EXPECT_EQ(GetCurrentD3DDeviceState()->blendGraphTexture, nullptr);
        }
        EXPECT_EQ(DrawGraph(10, 10, graph, 0), 0);
        EXPECT_EQ(DrawExtendGraph(10, 10, 50, 40, graph, 0), 0);
        EXPECT_EQ(ZoVav_End(), 0);
        SetDevice3DFactory(nullptr);
        Device3DRefuse(0);
        g_fake = nullptr;
    }
}

}  // namespace
