// Draw screens on the recording device: the back screen's picture handed
// between the 3D device and the screen's surface at the scene ends around 2D
// work, so saved screens show 3D draws and 2D work is drawn over by later 3D
// draws; captures settle on the lock-and-convert method.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "d3d_fixture.h"
#include "graphics/direct3d/d3d_screen.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/image/color_data.h"

namespace {
using d3dtest::g_fake;

class D3DScreenTest : public d3dtest::D3DStateTest {
protected:
    // The recording device's picture of the back screen.
    std::vector<uint8_t>& BackPixels() {
        return reinterpret_cast<d3dtest::FakeTexture*>(GetD3DSystem().screen)->pixels;
    }
};

TEST_F(D3DScreenTest, TheBackScreensPictureGoesWhereTheNextDrawHappens) {
    SetDrawScreen(SCREEN_BACK);
    ClearDrawScreen();
    // A graph kept as a 2D surface is drawn by 2D work.
    const int surface = MakeGraph(8, 8, 1);
    ASSERT_GE(surface, 0);
    const int reads = g_fake->reads, writes = g_fake->writes;
    const D3DRoadCounters before = GetD3DRoadCounters();
    // Cleared on both sides alike: nothing to send.
    DrawBox(0, 0, 10, 10, GetColor(255, 0, 0), 1);
    EXPECT_EQ(g_fake->writes, writes);
    // 2D work after 3D takes the device's picture first.
    DrawGraph(0, 0, surface, 0);
    EXPECT_EQ(g_fake->reads, reads + 1);
    // The first 3D draw after 2D work takes the surface's picture along, once.
    DrawBox(20, 0, 30, 10, GetColor(255, 0, 0), 1);
    DrawBox(40, 0, 50, 10, GetColor(255, 0, 0), 1);
    EXPECT_EQ(g_fake->writes, writes + 1);
    // The flip shows the device's picture as it is: no transfer.
    ScreenFlip();
    EXPECT_EQ(g_fake->presents, 1);
    EXPECT_EQ(g_fake->reads, reads + 1);
    DrawGraph(0, 20, surface, 0);
    DrawGraph(0, 40, surface, 0);
    EXPECT_EQ(g_fake->reads, reads + 2);
    // Every whole-screen copy is counted, in its direction.
    EXPECT_EQ(GetD3DRoadCounters().copiesToSurface - before.copiesToSurface, 2u);
    EXPECT_EQ(GetD3DRoadCounters().copiesToDevice - before.copiesToDevice, 1u);
}

TEST_F(D3DScreenTest, ASavedScreenShowsWhatTheDeviceDrew) {
    SetDrawScreen(SCREEN_BACK);
    DrawBox(0, 0, 4, 4, GetColor(255, 255, 255), 1);
    // What the device "drew": one blue-green pixel at (1, 2).
    std::vector<uint8_t>& px = BackPixels();
    int w = 0;
    GetScreenState(&w, nullptr, nullptr);
    const size_t at = (size_t(2) * w + 1) * 4;
    px[at] = 0x30, px[at + 1] = 0x80, px[at + 2] = 0x00;
    const std::string file = dir_.path() + "/shot.bmp";
    ASSERT_EQ(SaveDrawScreenToBMP(0, 0, 4, 4, file.c_str()), 0);
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bmp.size(), 54u + 4 * 12);
    // Rows bottom up, 12 bytes each: row 2 from the top is the second stored.
    const uint8_t* pixel = &bmp[54 + 1 * 12 + 1 * 3];
    EXPECT_EQ(pixel[0], 0x30);
    EXPECT_EQ(pixel[1], 0x80);
    EXPECT_EQ(pixel[2], 0x00);
}

TEST_F(D3DScreenTest, DrawsOnTheFrontScreenShowAtOnceAndADrawableGraphIsATarget) {
    SetDrawScreen(SCREEN_FRONT);
    ASSERT_NE(GetD3DSystem().frontScreen, nullptr);
    const int reads = g_fake->reads;
    g_fake->log.clear();
    DrawBox(0, 0, 10, 10, GetColor(255, 0, 0), 1);
    // Each draw ends its scene: the front surface has the picture at once.
    ASSERT_GE(g_fake->log.size(), 2u);
    EXPECT_EQ(g_fake->log[g_fake->log.size() - 2], "draw");
    EXPECT_EQ(g_fake->log.back(), "end");
    EXPECT_EQ(g_fake->reads, reads + 1);

    SetDrawValidGraphCreateFlag(1);
    const int target = MakeGraph(64, 64);
    SetDrawValidGraphCreateFlag(0);
    ASSERT_EQ(SetDrawScreen(target), 0);
    EXPECT_EQ(GetD3DDeviceState(device_)->currentTarget,
              GetSurfaceData(GetSurface3DData(GetGraphData(target)->Pieces[0])->surfaceData)->Texture);
    EXPECT_EQ(DrawBox(0, 0, 10, 10, GetColor(255, 0, 0), 1), 0);
    EXPECT_EQ(ClearDrawScreen(), 0);
    // The graph going away while it is the target sends drawing back to the back screen's texture.
    DeleteGraph(target);
    EXPECT_EQ(GetD3DDeviceState(device_)->currentTarget, GetD3DSystem().screen);
    SetDrawScreen(SCREEN_BACK);
}

TEST_F(D3DScreenTest, CapturesSettleOnLockAndConvert) {
    SetDrawScreen(SCREEN_BACK);
    const int graph = MakeGraph(16, 16);
    ASSERT_EQ(GetDrawScreenGraph(0, 0, 16, 16, graph), 0);
    // The first method needs no window drawing interface: nothing else is tried.
    EXPECT_EQ(Log().find("GetDrawScreenGraphFunction1"), std::string::npos);
    EXPECT_EQ(GetDrawScreenGraph(0, 0, 16, 16, graph), 0);
    // A capture wider than the graph is refused by every method.
    EXPECT_EQ(GetDrawScreenGraph(0, 0, 32, 16, graph), -1);
    EXPECT_NE(Log().find("ＤＣ取得に失敗しました"), std::string::npos);
    DeleteGraph(graph);
}

TEST_F(D3DScreenTest, TheDrawModeIsTheTextureFilter) {
    SetDrawMode(1);
    EXPECT_EQ(g_fake->stageStates[std::make_pair(0, int(D3DTSS_MAGFILTER))], uint32_t(D3DTFG_LINEAR));
    EXPECT_EQ(g_fake->stageStates[std::make_pair(0, int(D3DTSS_MINFILTER))], uint32_t(D3DTFG_LINEAR));
    SetDrawMode(0);
    EXPECT_EQ(g_fake->stageStates[std::make_pair(0, int(D3DTSS_MAGFILTER))], uint32_t(D3DTFG_POINT));
}

TEST_F(D3DScreenTest, TheAlphaBitsOfARectangleAreFilled) {
    ColorData argb{}, rgb565{}, argb1555{};
    CreateColorDataImpl(&argb, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    CreateColorDataImpl(&rgb565, 16, 0xF800, 0x07E0, 0x001F, 0);
    CreateColorDataImpl(&argb1555, 16, 0x7C00, 0x03E0, 0x001F, 0x8000);
    uint32_t px32[4 * 3] = {};
    uint16_t px16[4 * 3] = {};
    const DrawRect r{3, 2, 1, 1};   // corners given the other way round
    FillAlphaChannelRect(&r, px32, 16, &argb, 255);
    FillAlphaChannelRect(&r, px16, 8, &rgb565, 255);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool in = x >= 1 && x < 3 && y == 1;
            EXPECT_EQ(px32[y * 4 + x], in ? 0xFF000000u : 0u) << x << "," << y;
            EXPECT_EQ(px16[y * 4 + x], 0) << "no alpha bits, nothing to fill";
        }
    FillAlphaChannelRect(&r, px16, 8, &argb1555, 1);
    EXPECT_EQ(px16[1 * 4 + 1], 0x8000);
    EXPECT_EQ(px16[1 * 4 + 3], 0);
}

}  // namespace
