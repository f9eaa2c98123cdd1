// The OpenGL 3D device on a virtual X display with Mesa's software GL: pixel
// placement, texture colours against the software renderer, the colour key,
// blend factors, culling and flat shading; and the library's start-up log
// with and without the device. The cases exist only in a child process on a
// private X server (GLUnderXvfb starts it), which skips where no X server or
// no GL context starts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/startup.h"
#include "graphics/graph_create_settings.h"
#include "softrender/memimg.h"
#include "platform/device3d_gl.h"
#include "platform/vblank_clock.h"
#include "platform/window_sdl.h"
#include "softrender/softrender.h"
#include "zovav.h"
#include "x_server.h"
#include "zv_test_support.h"

namespace {

constexpr int kSize = 64;
constexpr uint32_t kKey = 0xFFFF00FF;   // magenta, as an X8R8G8B8 texel

bool InChild() { return std::getenv("ZV_XVFB_CHILD") != nullptr; }

// Like TEST_F, but the case is registered only in the child on the virtual
// display, so that a run without one lists no case it cannot run.
#define DISPLAY_TEST_F(fixture, name)                                                                  \
    class fixture##_##name : public fixture {                                                          \
    public:                                                                                            \
        void TestBody() override;                                                                      \
    };                                                                                                 \
    [[maybe_unused]] const bool fixture##_##name##_registered =                                        \
        InChild() && (::testing::RegisterTest(#fixture, #name, nullptr, nullptr, __FILE__, __LINE__,   \
                                              []() -> fixture* { return new fixture##_##name; }),       \
                      true);                                                                           \
    void fixture##_##name::TestBody()

uint32_t Background(int x, int y) { return 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | uint32_t(x + y) * 2; }
// A sprite whose texels all differ; some are the key colour.
uint32_t Sprite(int x, int y, bool keyed) {
    if (keyed && (x + 2 * y) % 5 == 0) return kKey;
    return 0xFF000000u | uint32_t(40 + x * 13) << 16 | uint32_t(30 + y * 14) << 8 | uint32_t(200 - x * 5 - y * 3);
}

struct Vertex1 {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
struct Vertex0 {
    float x, y, z, rhw;
    uint32_t color;
};

SurfacePixelFormat Format32() {
    return SurfacePixelFormat{32, SURFACE_PF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
}

class GLDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PlatformVideoStart());
        PlatformRequestOpenGLWindow(true);
        window_ = PlatformCreateWindow("gl", 0, 0, kSize, kSize, false);
        ASSERT_NE(window_, nullptr);
        device_ = Device3DCreateGL(window_);
        if (!device_) {
            std::system("touch no-gl");
            GTEST_SKIP() << "no GL context: " << Device3DError();
        }
        const SurfacePixelFormat f = Format32();
        target_ = device_->CreateTexture(kSize, kSize, &f, 1, 1);
        ASSERT_NE(target_, nullptr);
        ASSERT_EQ(device_->SetRenderTarget(target_), 0);
        device_->SetViewport(Device3DViewport{0, 0, kSize, kSize, 0.0f, 1.0f});
        WriteTexture(target_, kSize, Background);
    }
    void TearDown() override {
        delete device_;
        PlatformDestroyWindow(window_);
    }

    template <class F>
    void WriteTexture(Texture3D* t, int size, F texel) {
        int pitch = 0;
        void* px = nullptr;
        ASSERT_EQ(device_->LockTexture(t, nullptr, &pitch, &px), 0);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(px) + size_t(y) * pitch)[x] = texel(x, y);
        ASSERT_EQ(device_->UnlockTexture(t), 0);
    }
    std::vector<uint32_t> ReadTarget() {
        std::vector<uint32_t> out(kSize * kSize);
        int pitch = 0;
        void* px = nullptr;
        EXPECT_EQ(device_->LockTexture(target_, nullptr, &pitch, &px), 0);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                out[size_t(y) * kSize + x] =
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(px) + size_t(y) * pitch)[x] & 0xFFFFFF;
        device_->UnlockTexture(target_);
        return out;
    }
    // The states the 3D system sends for a texture drawn in `mode` with a
    // vertex colour (bright, alpha = blend parameter).
    void TextureStates(Texture3D* texture, int mode, bool bright, bool keyed) {
        device_->SetTexture(0, texture);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, bright ? D3DTOP_MODULATE : D3DTOP_SELECTARG1);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        device_->SetRenderState(D3DRS_COLORKEYENABLE, keyed ? 1 : 0);
        device_->SetRenderState(D3DRS_ALPHABLENDENABLE, mode != 0);
        device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device_->SetRenderState(D3DRS_DESTBLEND, mode == 2 ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);
    }
    void Quad(float x1, float y1, float x2, float y2, uint32_t color) {
        const Vertex1 v[6] = {{x1, y1, 0, 1, color, 0, 0}, {x2, y1, 0, 1, color, 1, 0}, {x1, y2, 0, 1, color, 0, 1},
                              {x2, y1, 0, 1, color, 1, 0}, {x2, y2, 0, 1, color, 1, 1}, {x1, y2, 0, 1, color, 0, 1}};
        ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW_DIFFUSE_TEX1, v, 6), 0);
    }
    void Box(float x1, float y1, float x2, float y2, uint32_t color) {
        const Vertex0 v[6] = {{x1, y1, 0, 1, color}, {x2, y1, 0, 1, color}, {x1, y2, 0, 1, color},
                              {x2, y1, 0, 1, color}, {x2, y2, 0, 1, color}, {x1, y2, 0, 1, color}};
        device_->SetTexture(0, nullptr);
        device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW_DIFFUSE, v, 6), 0);
    }

    PlatformWindow* window_ = nullptr;
    Device3D* device_ = nullptr;
    Texture3D* target_ = nullptr;
};

// The software renderer's picture of the same sprite at (10, 20).
std::vector<uint32_t> SoftwarePicture(int mode, int param, uint32_t bright, bool keyed) {
    MEMIMG dest{}, src{};
    EXPECT_EQ(InitializeMemImg(&dest, kSize, kSize, -1, 0, MEMIMG_FORMAT_X8R8G8B8, 0, 0, 0), 0);
    EXPECT_EQ(InitializeMemImg(&src, 16, 16, -1, kKey, MEMIMG_FORMAT_X8R8G8B8, 0, 0, 0), 0);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            reinterpret_cast<uint32_t*>(dest.Pixels + size_t(y) * dest.Pitch)[x] = Background(x, y);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            reinterpret_cast<uint32_t*>(src.Pixels + size_t(y) * src.Pitch)[x] = Sprite(x, y, keyed);
    InitializeMemImgDrawState();
    SetMemImgDrawArea(0, 0, kSize, kSize);
    MemImgDrawStateData.BlendMode = mode;
    MemImgDrawStateData.BlendParam = param;
    MemImgDrawStateData.DrawBright = bright;
    MemImgDrawGraphBase(&dest, &src, 10, 20, keyed ? 1 : 0, nullptr);
    std::vector<uint32_t> out(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            out[size_t(y) * kSize + x] = reinterpret_cast<uint32_t*>(dest.Pixels + size_t(y) * dest.Pitch)[x] & 0xFFFFFF;
    TerminateMemImg(&dest);
    TerminateMemImg(&src);
    return out;
}

// Largest channel difference, and the share of pixels within 1.
void Compare(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int* worst, double* within1) {
    *worst = 0;
    int close = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int d = 0;
        for (int s = 0; s < 24; s += 8) d = std::max(d, std::abs(int(a[i] >> s & 0xFF) - int(b[i] >> s & 0xFF)));
        *worst = std::max(*worst, d);
        close += d <= 1;
    }
    *within1 = double(close) / double(a.size());
}

DISPLAY_TEST_F(GLDeviceTest, ATexturedQuadMatchesTheSoftwareRendererInEachBlendMode) {
    const SurfacePixelFormat f = Format32();
    struct Case {
        int mode, param;
        uint32_t bright;
        bool keyed;
    };
    const Case cases[] = {{0, 255, 0xFFFFFF, false}, {1, 128, 0xC896FF, false}, {2, 100, 0xFFA040, false},
                          {0, 255, 0xFFFFFF, true},  {1, 160, 0xFFFFFF, true},  {2, 90, 0xFFFFFF, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.keyed ? " keyed" : ""));
        WriteTexture(target_, kSize, Background);
        Texture3D* sprite = device_->CreateTexture(16, 16, &f, 0, 0);
        ASSERT_NE(sprite, nullptr);
        WriteTexture(sprite, 16, [&](int x, int y) { return Sprite(x, y, c.keyed); });
        if (c.keyed) device_->SetColorKey(sprite, 1, kKey);
        const bool bright = c.bright != 0xFFFFFF;
        TextureStates(sprite, c.mode, bright, c.keyed);
        Quad(9.5f, 19.5f, 25.5f, 35.5f, uint32_t(c.mode ? c.param : 255) << 24 | c.bright);
        const std::vector<uint32_t> gl = ReadTarget(), soft = SoftwarePicture(c.mode, c.param, c.bright, c.keyed);
        if (c.mode == 0) {
            EXPECT_EQ(gl, soft);
            if (!c.keyed) {
                EXPECT_EQ(gl[20 * kSize + 10], Sprite(0, 0, false) & 0xFFFFFF) << "texel (0, 0) at (10, 20)";
            }
        } else {
            int worst = 0;
            double within1 = 0;
            Compare(gl, soft, &worst, &within1);
            EXPECT_LE(worst, 3);
            EXPECT_GE(within1, 0.99);
        }
        // Pixels 10..25 x 20..35 and no others changed.
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const bool inside = x >= 10 && x <= 25 && y >= 20 && y <= 35;
                if (!inside) {
                    ASSERT_EQ(gl[size_t(y) * kSize + x], Background(x, y) & 0xFFFFFF) << x << "," << y;
                }
            }
        device_->SetRenderState(D3DRS_COLORKEYENABLE, 0);
        device_->ReleaseTexture(sprite);
    }
}

DISPLAY_TEST_F(GLDeviceTest, BoxesCoverTheirLeftAndTopEdgesAndInvertWithInvDestColour) {
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    Box(10, 10, 20, 20, 0xFFFFFFFF);
    std::vector<uint32_t> px = ReadTarget();
    for (int y = 8; y < 22; ++y)
        for (int x = 8; x < 22; ++x) {
            const bool inside = x >= 10 && x <= 19 && y >= 10 && y <= 19;
            EXPECT_EQ(px[size_t(y) * kSize + x], inside ? 0xFFFFFFu : Background(x, y) & 0xFFFFFF) << x << "," << y;
        }
    WriteTexture(target_, kSize, Background);
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_INVDESTCOLOR);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    Box(0, 0, kSize, kSize, 0xFFFFFFFF);
    px = ReadTarget();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            ASSERT_EQ(px[size_t(y) * kSize + x], ~Background(x, y) & 0xFFFFFF) << x << "," << y;
}

DISPLAY_TEST_F(GLDeviceTest, CullingRemovesTheChosenWindingAndFlatShadingTakesTheFirstColour) {
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    device_->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    device_->SetTexture(0, nullptr);
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    // Clockwise on screen (y down) at the left, counter-clockwise at the right.
    const Vertex0 cw[3] = {{0, 0, 0, 1, 0xFFFF0000}, {30, 0, 0, 1, 0xFF00FF00}, {0, 30, 0, 1, 0xFF0000FF}};
    const Vertex0 ccw[3] = {{34, 0, 0, 1, 0xFFFF0000}, {34, 30, 0, 1, 0xFF00FF00}, {64, 0, 0, 1, 0xFF0000FF}};
    struct Case {
        uint32_t cull;
        bool cwDrawn, ccwDrawn;
    };
    for (const Case& c : {Case{D3DCULL_NONE, true, true}, Case{D3DCULL_CCW, true, false}, Case{D3DCULL_CW, false, true}}) {
        WriteTexture(target_, kSize, Background);
        device_->SetRenderState(D3DRS_CULLMODE, c.cull);
        device_->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW_DIFFUSE, cw, 3);
        device_->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW_DIFFUSE, ccw, 3);
        const std::vector<uint32_t> px = ReadTarget();
        EXPECT_EQ(px[5 * kSize + 5] == 0xFF0000u, c.cwDrawn) << "cull " << c.cull;
        EXPECT_EQ(px[5 * kSize + 39] == 0xFF0000u, c.ccwDrawn) << "cull " << c.cull;
        // Flat: every covered pixel has the first vertex's red.
        if (c.cwDrawn) {
            EXPECT_EQ(px[20 * kSize + 2], 0xFF0000u);
        }
    }
}

// A stage without a texture reads white and sets nothing on another stage's
// texture: stage 0's sprite, magnified four times with point filtering,
// comes out in exact 4 x 4 blocks through a textureless stage 1 that
// multiplies by its texture and asks for linear filtering.
DISPLAY_TEST_F(GLDeviceTest, AStageWithoutATextureReadsWhiteAndLeavesOtherTexturesAlone) {
    const SurfacePixelFormat f = Format32();
    Texture3D* sprite = device_->CreateTexture(16, 16, &f, 0, 0);
    ASSERT_NE(sprite, nullptr);
    WriteTexture(sprite, 16, [](int x, int y) { return Sprite(x, y, false); });
    TextureStates(sprite, 0, false, false);
    device_->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
    device_->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFG_POINT);
    device_->SetTexture(1, nullptr);
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device_->SetTextureStageState(1, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device_->SetTextureStageState(1, D3DTSS_MINFILTER, D3DTFG_LINEAR);
    Quad(-0.5f, -0.5f, kSize - 0.5f, kSize - 0.5f, 0xFFFFFFFF);
    const std::vector<uint32_t> px = ReadTarget();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            ASSERT_EQ(px[size_t(y) * kSize + x], Sprite(x / 4, y / 4, false) & 0xFFFFFF) << x << "," << y;
    device_->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    device_->ReleaseTexture(sprite);
}

// The library started on the virtual display, whose GL is Mesa's software
// one: allowed, it logs the 3D block; not allowed, it names the renderer it
// refuses; with no device at all, it logs the failure. Both refusals take
// the 2D road.
enum class GLStart { WithGL, SoftwareNotAllowed, Refused };
class GLLibraryTest : public ::testing::Test {
protected:
    void StartUpLogShowsTheDeviceOrTheRoadWithoutIt(GLStart start);
};

void GLLibraryTest::StartUpLogShowsTheDeviceOrTheRoadWithoutIt(GLStart start) {
    char home[4096] = {};
    ASSERT_NE(getcwd(home, sizeof home), nullptr);
    zvtest::ScopedTempDir dir;
    SetSkipStartupWaits(1);
    VBlankSetImmediate(true);
    Device3DRefuse(start == GLStart::Refused ? 1 : 0);
    if (start == GLStart::SoftwareNotAllowed) unsetenv("ZOVAV_ALLOW_SOFTWARE_GL");
    ChangeWindowMode(1);
    ASSERT_EQ(ZoVav_Init(), 0);
    const int up = GetDirect3DUpFlag();
    SetDrawScreen(SCREEN_BACK);
    DrawBox(0, 0, 100, 100, GetColor(255, 0, 0), 1);
    ScreenFlip();
    EXPECT_EQ(ZoVav_End(), 0);
    Device3DRefuse(0);
    setenv("ZOVAV_ALLOW_SOFTWARE_GL", "1", 1);
    const std::string log = zvtest::ReadWholeFile(dir.path() + "/Log.txt");
    if (start != GLStart::Refused && log.find("Direct3Dオブジェクトの作成に失敗しました") != std::string::npos) {
        std::system((std::string("touch '") + home + "/no-gl'").c_str());
        GTEST_SKIP() << "no GL context in the library's window";
    }
    switch (start) {
        case GLStart::WithGL:
            EXPECT_EQ(up, 1);
            zvtest::ExpectInOrder(log, {"Direct3D 関連の初期化を行います", "３Ｄデバイスの作成に成功しました",
                                        "テクスチャ最大幅:2048 最小幅:1 ", "Direct3D 関連の初期化は正常に終了しました",
                                        "Direct3D 関連の終了処理は正常に終了しました"});
            break;
        case GLStart::SoftwareNotAllowed:
            EXPECT_EQ(up, 0);
            zvtest::ExpectInOrder(log, {"Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました", "描画デバイス ",
                                        "はソフトウェアで描画するため使用しません(ZOVAV_ALLOW_SOFTWARE_GL=1 で使用します)",
                                        "３Ｄグラフィック描画機能は使用しません"});
            EXPECT_EQ(log.find("テクスチャ最大幅"), std::string::npos);
            break;
        case GLStart::Refused:
            EXPECT_EQ(up, 0);
            zvtest::ExpectInOrder(log, {"Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します", "Direct3Dオブジェクトの作成に失敗しました",
                                        "３Ｄグラフィック描画機能は使用しません"});
            EXPECT_EQ(log.find("テクスチャ最大幅"), std::string::npos);
            break;
    }
    EXPECT_NE(log.find("Total size:0("), std::string::npos) << "the library leaves no memory behind";
}
DISPLAY_TEST_F(GLLibraryTest, StartUpLogWithGL) { StartUpLogShowsTheDeviceOrTheRoadWithoutIt(GLStart::WithGL); }
DISPLAY_TEST_F(GLLibraryTest, StartUpLogWithSoftwareGLNotAllowed) {
    StartUpLogShowsTheDeviceOrTheRoadWithoutIt(GLStart::SoftwareNotAllowed);
}
DISPLAY_TEST_F(GLLibraryTest, StartUpLogWithTheDeviceRefused) {
    StartUpLogShowsTheDeviceOrTheRoadWithoutIt(GLStart::Refused);
}

// Renderer strings: Mesa's processor-run rasterisers against hardware
// drivers, and a driver that names nothing.
TEST(GLRendererName, SoftwareRasterisersAreKnownByTheirNames) {
    constexpr int S = DEVICE3D_SOFTWARE, H = DEVICE3D_HARDWARE;
    const struct {
        const char* name;
        int kind;
    } cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", S},  {"softpipe", S},
        {"Mesa DRI swrast", S},                   {"Software Rasterizer", S},
        {"zink Vulkan 1.3(lavapipe)", S},         {"Mesa X11", S},
        {"Gallium 0.4 on LLVMPIPE", S},           {"Mesa DRI Example Graphics (XYZ)", H},
        {"virgl", H},                             {"", DEVICE3D_UNKNOWN},
    };
    for (const auto& c : cases) EXPECT_EQ(Device3DRendererOf(c.name), c.kind) << c.name;
    EXPECT_EQ(Device3DRendererOf(nullptr), DEVICE3D_UNKNOWN);
}

// Runs the cases above in a child process on a virtual display.
TEST(GLUnderXvfb, EveryDeviceCasePasses) {
    if (InChild()) GTEST_SKIP();
    zvtest::XServer x;
    if (!x.Start("1280x1024x24")) GTEST_SKIP() << "no X server could be started (Xvfb is needed)";
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    const std::string command = "timeout 120 env DISPLAY=" + x.display() + " ZV_XVFB_CHILD=1 " +
                                "SDL_VIDEODRIVER=x11 LIBGL_ALWAYS_SOFTWARE=1 " + self +
                                " --gtest_filter='GLDeviceTest.*:GLLibraryTest.*' >child.log 2>&1";
    const int status = std::system(command.c_str());
    const std::string out = zvtest::ReadWholeFile("child.log");
    if (out.find("[==========]") == std::string::npos) GTEST_SKIP() << "no X server could start: " << out;
    if (access("no-gl", F_OK) == 0) GTEST_SKIP() << "no GL context: " << out;
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 7 tests"), std::string::npos) << out;
}

}  // namespace
