// The 3D system on the recording device, started by the library itself: the
// start-up log block, the texture-format table, the render-state cache, the
// blend set-up and the vertex batch's flush rules.
#include <cstdlib>
#include <string>

#include "d3d_fixture.h"

namespace {
using d3dtest::D3DStateTest;
using d3dtest::g_fake;

TEST_F(D3DStateTest, StartUpLogsTheDeviceBlockAndTheFormatTableHasEveryKind) {
    zvtest::ExpectInOrder(Log(), {"Direct3D 関連の初期化を行います", "Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました",
                                  "３Ｄデバイスの作成に成功しました", "テクスチャ最大幅:2048 最小幅:1 ",
                                  "\t\t BIT:16  ALPHA:4  RED:4  GREEN:4  BLUE:4 ",
                                  "Direct3D 関連の初期化は正常に終了しました"});
    struct Case {
        int alphaChannel, alphaTest, bits32, second;
        uint32_t bits, alphaMask;
    };
    const Case cases[] = {{0, 0, 0, 0, 16, 0},          {0, 0, 1, 0, 32, 0},          {1, 0, 0, 0, 16, 0xF000},
                          {1, 0, 1, 0, 32, 0xFF000000}, {0, 1, 0, 0, 16, 0x8000},     {0, 1, 1, 0, 32, 0xFF000000},
                          {0, 0, 0, 1, 16, 0},          {1, 1, 1, 1, 32, 0xFF000000}};
    for (const Case& c : cases) {
        const SurfacePixelFormat* f =
            GetTexturePixelFormat(GetTextureFormatIndex(c.alphaChannel, c.alphaTest, c.bits32, c.second));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->RGBBitCount, c.bits) << c.alphaChannel << c.alphaTest << c.bits32 << c.second;
        EXPECT_EQ(f->RGBAlphaBitMask, c.alphaMask) << c.alphaChannel << c.alphaTest << c.bits32 << c.second;
    }
}

TEST_F(D3DStateTest, AStateIsSentOnceUnlessForced) {
    const int before = g_fake->renderStateSends[D3DRS_ZFUNC];
    EXPECT_EQ(G_D3D_SetZFunc(D3DCMP_LESS, device_), 0);
    EXPECT_EQ(G_D3D_SetZFunc(D3DCMP_LESS, device_), 0);
    EXPECT_EQ(g_fake->renderStateSends[D3DRS_ZFUNC], before + 1);
    State().forceResend = 1;
    G_D3D_SetZFunc(D3DCMP_LESS, device_);
    G_D3D_SetZFunc(D3DCMP_LESS, device_);
    State().forceResend = 0;
    EXPECT_EQ(g_fake->renderStateSends[D3DRS_ZFUNC], before + 3);
    EXPECT_EQ(G_D3D_SetZFunc(D3DCMP_LESS, 3), -1) << "a device that does not exist";
}

TEST_F(D3DStateTest, TheBatchDrawsOutWhenFullOnTextureOrStateChangeAndAtSceneEnd) {
    const D3DRoadCounters before = GetD3DRoadCounters();
    // Full: 3225 untextured vertices, then one more quad.
    ASSERT_EQ(G_D3D_SetDrawState(nullptr, 0), 0);
    for (int i = 0; i < 1075; ++i) ASSERT_NE(G_D3D_BatchReserve(3, D3DPT_TRIANGLELIST), nullptr);
    EXPECT_TRUE(g_fake->draws.empty());
    ASSERT_NE(G_D3D_BatchReserve(6, D3DPT_TRIANGLELIST), nullptr);
    ASSERT_EQ(g_fake->draws.size(), 1u);
    EXPECT_EQ(g_fake->draws[0].count, 3225);
    EXPECT_EQ(g_fake->draws[0].fvf, D3DFVF_XYZRHW_DIFFUSE);

    // A texture change draws out the six waiting vertices.
    const int a = Texture(0, 0), b = Texture(0, 0);
    Quad(a);
    ASSERT_EQ(g_fake->draws.size(), 2u);
    EXPECT_EQ(g_fake->draws[1].count, 6);
    Quad(a);
    EXPECT_EQ(g_fake->draws.size(), 2u) << "the same texture and state keep one batch";
    Quad(b);
    ASSERT_EQ(g_fake->draws.size(), 3u);
    EXPECT_EQ(g_fake->draws[2].count, 12);
    EXPECT_EQ(g_fake->draws[2].fvf, D3DFVF_XYZRHW_DIFFUSE_TEX1);

    // A blend change draws out before the new states go.
    SetDrawBlendModeImpl(1, 128);
    Quad(b);
    ASSERT_EQ(g_fake->draws.size(), 4u);
    EXPECT_EQ(g_fake->draws[3].count, 6);

    // Scene end draws out, then ends the scene.
    g_fake->log.clear();
    EXPECT_EQ(G_D3D_EndScene(), 0);
    ASSERT_EQ(g_fake->draws.size(), 5u);
    EXPECT_EQ(g_fake->draws[4].count, 6);
    EXPECT_EQ(g_fake->log, (std::vector<std::string>{"draw", "end"}));
    SetDrawBlendModeImpl(0, 255);

    // Each of the five batches was counted once, under the reason it went.
    const struct {
        D3DFlush why;
        uint64_t batches;
    } reasons[] = {{D3DFlush::Asked, 0},      {D3DFlush::StateChange, 3},   {D3DFlush::BatchFull, 1},
                   {D3DFlush::DirectDraw, 0}, {D3DFlush::TextureAccess, 0}, {D3DFlush::SceneEnd, 1}};
    for (const auto& r : reasons) {
        EXPECT_EQ(GetD3DRoadCounters().flushes[int(r.why)] - before.flushes[int(r.why)], r.batches) << int(r.why);
    }
    // An empty batch sends nothing and counts nothing.
    EXPECT_EQ(G_D3D_RenderVertex(), 0);
    EXPECT_EQ(GetD3DRoadCounters().flushes[int(D3DFlush::Asked)], before.flushes[int(D3DFlush::Asked)]);
}

TEST_F(D3DStateTest, BlendModesGiveTheirFactorPairs) {
    struct Case {
        int mode;
        uint32_t enable, src, dest, op;
    };
    constexpr uint32_t ADD = D3DBLENDOP_ADD, REVSUB = D3DBLENDOP_REVSUBTRACT;
    const Case cases[] = {
        {1, 1, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, ADD}, {2, 1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, ADD},
        {3, 1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, REVSUB},      {4, 1, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, ADD},
        {5, 1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, ADD},         {8, 1, D3DBLEND_ZERO, D3DBLEND_ONE, ADD},
        {9, 1, D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, ADD},    {0, 0, D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO, ADD},
        {3, 1, D3DBLEND_SRCALPHA, D3DBLEND_ONE, REVSUB},      {6, 0, D3DBLEND_SRCALPHA, D3DBLEND_ONE, ADD},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(G_D3D_SetBlendMode(c.mode, 0, 0, device_), 0);
        ASSERT_EQ(G_D3D_SetupBlendState(device_), 0);
        EXPECT_EQ(RS(D3DRS_ALPHABLENDENABLE), c.enable) << "mode " << c.mode;
        // Modes 0 and 6 keep the pair they found, but never the subtraction.
        EXPECT_EQ(RS(D3DRS_SRCBLEND), c.src) << "mode " << c.mode;
        EXPECT_EQ(RS(D3DRS_DESTBLEND), c.dest) << "mode " << c.mode;
        EXPECT_EQ(RS(D3DRS_BLENDOP), c.op) << "mode " << c.mode;
    }
    EXPECT_EQ(G_D3D_SetupBlendState(device_), -1) << "nothing dirty";
}

TEST_F(D3DStateTest, TextureAlphaKindsChooseTestBlendOrColourKey) {
    // An alpha-test texture cuts at 16.
    Quad(Texture(0, 1));
    EXPECT_EQ(RS(D3DRS_ALPHATESTENABLE), 1u);
    EXPECT_EQ(RS(D3DRS_ALPHAREF), 16u);
    EXPECT_EQ(RS(D3DRS_ALPHAFUNC), uint32_t(D3DCMP_GREATER));
    EXPECT_EQ(RS(D3DRS_COLORKEYENABLE), 0u);
    EXPECT_EQ(RS(D3DRS_ALPHABLENDENABLE), 0u);

    // An alpha-channel texture blends even in mode 0, and in mode 6.
    for (int mode : {0, 6}) {
        SetDrawBlendModeImpl(mode, 255);
        Quad(Texture(1, 0));
        EXPECT_EQ(RS(D3DRS_ALPHABLENDENABLE), 1u) << mode;
        EXPECT_EQ(RS(D3DRS_SRCBLEND), uint32_t(D3DBLEND_SRCALPHA)) << mode;
        EXPECT_EQ(RS(D3DRS_DESTBLEND), uint32_t(D3DBLEND_INVSRCALPHA)) << mode;
        EXPECT_EQ((g_fake->stageStates[{0, D3DTSS_ALPHAARG1}]), uint32_t(D3DTA_TEXTURE)) << mode;
    }
    SetDrawBlendModeImpl(0, 255);

    // A plain texture drawn transparent uses the colour key; opaque it does not.
    const int plain = Texture(0, 0);
    Quad(plain);
    EXPECT_EQ(RS(D3DRS_COLORKEYENABLE), 1u);
    Quad(plain, 0);
    EXPECT_EQ(RS(D3DRS_COLORKEYENABLE), 0u);

    // Brightness modulates the texture colour with the vertex colour.
    SetDrawBrightImpl(128, 255, 255);
    Quad(plain);
    EXPECT_EQ((g_fake->stageStates[{0, D3DTSS_COLOROP}]), uint32_t(D3DTOP_MODULATE));
    SetDrawBrightImpl(255, 255, 255);
    Quad(plain);
    EXPECT_EQ((g_fake->stageStates[{0, D3DTSS_COLOROP}]), uint32_t(D3DTOP_SELECTARG1));
}

TEST_F(D3DStateTest, TheMultiplyingModeWeighsTexelsByTheirOwnAlphaAndTakesNoParameter) {
    const int alpha = Texture(1, 0), alpha2 = Texture(1, 0), plain = Texture(0, 0);
    auto texture = [](int surface) { return GetSurfaceData(GetSurface3DData(surface)->surfaceData)->Texture; };
    auto stage = [](int s, int state) { return g_fake->stageStates[{s, state}]; };
    struct Case {
        int mode, param, surface;
        bool weighed;          // a second stage weighs the colour by the texel's alpha
        uint32_t vertexAlpha;  // alpha of the draw's diffuse colour
    };
    const Case cases[] = {
        {ZV_BLEND_MUL, 90, alpha, true, 255},  {ZV_BLEND_MUL, 0, alpha2, true, 255},
        {ZV_BLEND_MUL, 90, plain, false, 255}, {ZV_BLEND_ALPHA, 90, alpha, false, 90},
        {ZV_BLEND_SUB, 90, alpha, false, 90},  {ZV_BLEND_MUL, 200, alpha, true, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " param " << c.param << " surface " << c.surface);
        SetDrawBlendModeImpl(c.mode, c.param);
        Quad(c.surface);
        EXPECT_EQ(G_D3D_DrawColor() >> 24, c.vertexAlpha);
        if (c.weighed) {
            EXPECT_EQ(g_fake->textures[1], texture(c.surface)) << "the weighing stage reads the drawn texture";
            EXPECT_EQ(stage(1, D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
            EXPECT_EQ(stage(1, D3DTSS_COLORARG1), uint32_t(D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE));
            EXPECT_EQ(stage(1, D3DTSS_COLORARG2), uint32_t(D3DTA_CURRENT));
            EXPECT_EQ(stage(1, D3DTSS_ALPHAARG1), uint32_t(D3DTA_CURRENT));
        } else {
            EXPECT_EQ(g_fake->textures[1], nullptr);
            EXPECT_EQ(stage(1, D3DTSS_COLOROP), uint32_t(D3DTOP_DISABLE));
        }
    }
    SetDrawBlendModeImpl(ZV_BLEND_NOBLEND, 255);
}

TEST_F(D3DStateTest, ABlendGraphCutsAtItsParameterAndDropsEverythingAt255) {
    const int plain = Texture(0, 0), graph = Texture(0, 0);
    Texture3D* graphTexture = GetSurfaceData(GetSurface3DData(graph)->surfaceData)->Texture;
    ASSERT_EQ(G_D3D_SetBlendGraph(graphTexture, 100, 1, device_), 0);
    Quad(plain, 0);
    EXPECT_EQ(RS(D3DRS_ALPHATESTENABLE), 1u);
    EXPECT_EQ(RS(D3DRS_ALPHAFUNC), uint32_t(D3DCMP_GREATEREQUAL));
    EXPECT_EQ(RS(D3DRS_ALPHAREF), 100u);
    EXPECT_EQ(RS(D3DRS_ALPHABLENDENABLE), 0u);
    EXPECT_EQ(g_fake->textures[0], graphTexture);
    const size_t draws = g_fake->draws.size();
    G_D3D_RenderVertex();
    ASSERT_EQ(g_fake->draws.size(), draws + 1);
    EXPECT_EQ(g_fake->draws.back().fvf, D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2);

    ASSERT_EQ(G_D3D_SetBlendGraph(graphTexture, 255, 1, device_), 0);
    Quad(plain, 0);
    G_D3D_RenderVertex();
    EXPECT_EQ(g_fake->draws.size(), draws + 1) << "a texture cut away entirely draws nothing";
    G_D3D_SetBlendGraph(nullptr, 0, 0, device_);
}

// A device that draws on the processor, or one whose driver gives no name,
// is no 3D device unless the environment says so; refused, the library
// takes the 2D road and says why.
TEST(D3DDeviceChoice, ASoftwareRasteriserIsRefusedUnlessTheEnvironmentAllowsIt) {
    constexpr int H = DEVICE3D_HARDWARE, S = DEVICE3D_SOFTWARE, U = DEVICE3D_UNKNOWN;
    struct Case {
        int kind;
        const char* allow;   // ZOVAV_ALLOW_SOFTWARE_GL, null when unset
        bool up;
    };
    const Case cases[] = {{H, nullptr, true}, {S, nullptr, false}, {S, "1", true},  {S, "0", false},
                          {S, "", false},     {H, "0", true},      {U, nullptr, false}, {U, "1", true}};
    const char* saved = std::getenv("ZOVAV_ALLOW_SOFTWARE_GL");
    const std::string kept = saved ? saved : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " allow " << (c.allow ? c.allow : "unset"));
        if (c.allow) setenv("ZOVAV_ALLOW_SOFTWARE_GL", c.allow, 1);
        else unsetenv("ZOVAV_ALLOW_SOFTWARE_GL");
        zvtest::ScopedTempDir dir;
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);
        SetDevice3DFactory(c.kind == S   ? d3dtest::MakeSoftwareRecordingDevice
                           : c.kind == U ? d3dtest::MakeUnnamedRecordingDevice
                                         : d3dtest::MakeRecordingDevice);
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0);
        EXPECT_EQ(GetDirect3DUpFlag(), c.up ? 1 : 0);
        // Either road draws.
        EXPECT_EQ(DrawBox(0, 0, 10, 10, GetColor(255, 0, 0), 1), 0);
        EXPECT_EQ(ZoVav_End(), 0);
        SetDevice3DFactory(nullptr);
        g_fake = nullptr;
        const std::string log = zvtest::ReadWholeFile(dir.path() + "/Log.txt");
        const char* refusal = c.kind == U ? "描画デバイスが名前を返さないため、ハードウェアか分からないので使用しません"
                                            "(ZOVAV_ALLOW_SOFTWARE_GL=1 で使用します)"
                                          : "描画デバイス recording はソフトウェアで描画するため使用しません"
                                            "(ZOVAV_ALLOW_SOFTWARE_GL=1 で使用します)";
        if (c.up) {
            EXPECT_EQ(log.find(refusal), std::string::npos);
            EXPECT_NE(log.find("Direct3D 関連の初期化は正常に終了しました"), std::string::npos);
        } else {
            zvtest::ExpectInOrder(log, {"Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました", refusal,
                                        "３Ｄグラフィック描画機能は使用しません"});
            EXPECT_EQ(log.find("３Ｄデバイスの作成"), std::string::npos) << "refused before any device is made";
        }
        EXPECT_NE(log.find("Total size:0("), std::string::npos) << "the library leaves no memory behind";
    }
    if (saved) setenv("ZOVAV_ALLOW_SOFTWARE_GL", kept.c_str(), 1);
    else unsetenv("ZOVAV_ALLOW_SOFTWARE_GL");
}

TEST_F(D3DStateTest, SurfacesOfTheSystemAreDeletedWithItAndShareTheirRecord) {
    const int parentHandle = Texture(0, 0);
    const Surface3DData* parent = GetSurface3DData(parentHandle);
    const int child = AddSurface3DData(nullptr, 0, 0, 0, 4, 4, 8, 8, 0, 0, 0, parent, 4, 4);
    ASSERT_GE(child, 0);
    const Surface3DData* c = GetSurface3DData(child);
    EXPECT_EQ(c->surfaceData, parent->surfaceData);
    EXPECT_FLOAT_EQ(c->vertex[3].u, 12.0f / 16.0f);
    EXPECT_FLOAT_EQ(c->vertex[3].x, 12.0f);
    const size_t live = g_fake->LiveTextures();
    EXPECT_EQ(DeleteSurface3DData(parentHandle), 0);
    EXPECT_EQ(g_fake->LiveTextures(), live) << "the child still holds the texture";
    EXPECT_EQ(DeleteSurface3DData(child), 0);
    EXPECT_EQ(g_fake->LiveTextures(), live - 1);
}

}  // namespace

namespace {

TEST_F(D3DStateTest, WorldViewAndProjectionReachTheDeviceButTheViewportStaysWithTheLibrary) {
    float m[16];
    for (int i = 0; i < 16; ++i) m[i] = float(i) + 0.5f;
    const std::vector<float> expected(m, m + 16);
    const struct {
        DrawTransform which;
        int kind;
    } cases[] = {{DrawTransform::World, 1}, {DrawTransform::View, 2}, {DrawTransform::Projection, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        g_fake->transforms.clear();
        ASSERT_EQ(SetDrawTransform(c.which, m), 0);
        ASSERT_EQ(g_fake->transforms.size(), 1u);
        EXPECT_EQ(g_fake->transforms[c.kind], expected);
    }
    g_fake->transforms.clear();
    ASSERT_EQ(SetDrawTransform(DrawTransform::Viewport, m), 0);
    EXPECT_TRUE(g_fake->transforms.empty());
    EXPECT_EQ(G_D3D_SetTransformWorld(m, device_ + 1000), -1) << "no such device";
}

}  // namespace
