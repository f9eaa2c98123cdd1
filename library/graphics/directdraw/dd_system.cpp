// The screen system: starting and ending the surface device, making the
// primary and back surfaces (or the software screens), the screen-mode change
// and the frame-time figures the flip paces itself by.
#include "graphics/directdraw/dd_system.h"

#include <cstring>

#include "core/library_state.h"
#include "core/log.h"
#include "core/routines.h"
#include "core/window.h"
#include "graphics/directdraw/dd_draw.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/graphics_core.h"
#include "graphics/graphics_start.h"
#include "graphics/image/color_data.h"
#include "graphics/screen_backend.h"
#include "graphics/screen_settings.h"
#include "platform/message_queue.h"
#include "platform/presenter_sdl.h"
#include "platform/surface_memory.h"
#include "platform/system_posix.h"
#include "platform/vblank_clock.h"
#include "platform/window_sdl.h"

namespace {

DDSysData g_dd = [] {
    DDSysData d{};
    d.frameTime = -1;
    d.flipPacingTime = -1;
    return d;
}();

bool Hardware() { return !GetSoftwareRenderFlag(); }

void ClearSurfaceToBackground(MemSurface* surface) {
    MemSurfaceColorFill(surface, nullptr, uint32_t(GetColorImpl(0, 0, 0)));
}

int CreateDirectDrawObject() {
    ErrorLogAdd("DirectDraw オブジェクトの取得を行います....  ");
    // Software screens need no device; hardware drawing needs the 2D surface device.
    if (Hardware() && MemSurfaceDeviceStart() != 0) {
        ErrorLogAdd("オブジェクトの取得に失敗しました\n");
        return -1;
    }
    ErrorLogAdd("成功\n");
    ErrorLogAdd("引き続き初期化処理... ");
    ErrorLogAdd("初期化に成功しました\n");
    ErrorLogAdd("ビデオカードの情報\n");
    g_dd.objectExists = 1;
    return 0;
}

void ReleaseDirectDrawObjectCore() {
    if (!g_dd.objectExists) return;
    ErrorLogAdd("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\n");
    if (MemSurfaceDeviceExists()) MemSurfaceDeviceEnd();
    g_dd.objectExists = 0;
    ErrorLogAdd("ＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\n");
}

// The display mode: a window shows the 32-bit desktop, full screen takes the
// asked depth (16 unless 32 was asked).
void ApplyDisplayMode(int width, int height, int depth) {
    ErrorLogFmtAdd("画面モードの変更処理を開始します %u x %u  %u bit ", unsigned(width), unsigned(height),
                   unsigned(depth));
    ErrorLogTabAdd();
    if (GetWindowModeFlag()) {
        ErrorLogAdd("ウインドウモードにします\n");
        SetDisplayColorBitDepth(32);
    } else {
        ErrorLogAdd("画面解像度を変更します... ");
        SetDisplayColorBitDepth(depth == 32 ? 32 : 16);
        ErrorLogAdd("成功しました\n");
    }
    ErrorLogTabSub();
    ErrorLogAdd("画面モードの変更は正常に終了しました \n");
}

// The blank is simulated from the clock at a fixed rate, so the frame time is
// that rate's and needs no measuring.
void SetFrameTimeFigures() {
    if (!Hardware()) {
        g_dd.flipPacingTime = -1;
        return;
    }
    g_dd.frameTime = 1000 / kVBlankRate;
    ErrorLogFmtAdd("１フレーム当たりの時間は %d msecです", g_dd.frameTime);
    g_dd.flipPacingTime = (2 * g_dd.frameTime - 4) / 3;
}

void PostDisplayChange() {
    if (!g_Library.session.windowExists) return;
    int width = 640, height = 480, bits = GetScreenColorBitDepth();
    GetScreenSize(&width, &height);
    if (GetWindowModeFlag()) GetDisplaySettings(&width, &height, &bits);
    PostWindowMessage(WM_DISPLAYCHANGE, uintptr_t(bits), MakeLParam(width, height));
}

}  // namespace

DDSysData& GetDDSys() { return g_dd; }
int GetDirectDrawObjectExists() { return g_dd.objectExists; }

MEMIMG* GetFrontMemImg() { return g_dd.memImgScreens ? &g_dd.primaryImage : nullptr; }
MEMIMG* GetBackMemImg() { return g_dd.memImgScreens ? &g_dd.backImage : nullptr; }
MEMIMG* GetBackZMemImg() { return g_dd.memImgScreens ? &g_dd.zImage : nullptr; }

int InitializeDirectDraw() {
    if (g_dd.objectExists) return -1;
    ErrorLogAdd("DirectDraw 関連の初期化を行います\n");
    ErrorLogTabAdd();
    if (GetSoftwareRenderFlag()) {
        SetUse3DFlag(0);
        SetUseSystemMemGraphCreateFlag(0);
        SetUseDirectDrawFlag(0);
    }
    // A refused device is not fatal here: graphics start-up falls back to
    // software screens.
    if (CreateDirectDrawObject() != 0) {
        ErrorLogTabSub();
        return -1;
    }
    if (ChangeScreenMode(-1, -1, -1, 1, -1) < 0) {
        ErrorLogTabSub();
        TerminateDirectDraw();
        return -1;
    }
    if (!GetUseWindowRgnFlag()) {
        SetDrawScreenImpl(SCREEN_BACK);
        G_DD_ClearDrawScreen();
        SetDrawScreenImpl(SCREEN_FRONT);
    }
    ErrorLogAdd("オーバーレイサーフェスは使用しません\n");
    ErrorLogTabSub();
    ErrorLogAdd("DirectDraw 関連の初期化は正常に終了しました\n");
    g_dd.initialised = 1;
    return 0;
}

int TerminateDirectDraw() {
    if (!g_dd.objectExists) return 0;
    ErrorLogAdd("DirectDraw 関連の終了処理をおこないます\n");
    ErrorLogTabAdd();
    TerminateGraphics();
    StopDirect3DRoad();
    ReleaseMainSurfaces();
    ReleaseDirectDrawObjectCore();
    ErrorLogAdd("画面モードを元に戻す処理は正常に終了しました\n");
    ErrorLogTabSub();
    ErrorLogAdd("DirectDraw 関連の終了処理は正常に終了しました\n");
    g_dd.initialised = 0;
    return 0;
}

int ChangeScreenMode(int width, int height, int colorBitDepth, int forceFlag, int refreshRate) {
    int curW = 0, curH = 0;
    GetScreenSize(&curW, &curH);
    const int curDepth = GetRequestedColorBitDepth();
    if (width == -1) width = curW;
    if (height == -1) height = curH;
    if (colorBitDepth == -1) colorBitDepth = curDepth;
    if (width == curW && height == curH && colorBitDepth == curDepth && forceFlag == 0) return 0;
    ErrorLogAdd("画面モード変更処理を開始します\n");
    ErrorLogTabAdd();
    SetScreenModeSetting(width, height, colorBitDepth);
    if (!g_dd.objectExists) {
        ErrorLogTabSub();
        return 0;
    }
    // Displays need a moment between mode changes.
    if (!g_Library.persistent.skipFixedWaits) {
        const uint32_t now = PlatformTimeMs();
        const uint32_t since = now - g_dd.lastModeChangeTime;
        PlatformSleepMs(g_dd.lastModeChangeTime != 0 && since < 2000 ? 2060 - since : 60);
    }
    g_dd.lastModeChangeTime = PlatformTimeMs();

    const bool again = g_dd.initialised != 0;
    const uint32_t transColor = GetTransColor();
    InitGraph(0);
    TerminateGraphics();
    StopDirect3DRoad();
    ReleaseMainSurfaces();
    ApplyDisplayMode(width, height, colorBitDepth);
    ErrorLogTabSub();
    SetupScreenColorData();
    if (CreateMainSurfaces() < 0) {
        ErrorLogAdd("DirectDrawSurface の初期化に失敗しました\n");
        return -1;
    }
    // A refused 3D device leaves the 2D surface road.
    if (Hardware() && !GetNotUse3DFlag() && !g_dd.memImgScreens) StartDirect3DRoad();
    InitializeGraphics();
    SetFrameTimeFigures();
    if (again) SetTransColorImpl(int(transColor >> 16 & 0xFF), int(transColor >> 8 & 0xFF), int(transColor & 0xFF));
    ErrorLogAdd("画面モード変更処理は正常に終了しました\n");
    PostDisplayChange();
    if (g_Library.session.windowExists && IsMainThread()) ProcessMessageImpl();
    ResetFrameCounter();
    return 0;
}

int CreateMainSurfaces() {
    if (Hardware() && (!g_dd.objectExists || g_dd.primary != nullptr)) return -1;
    if (!Hardware() && g_dd.memImgScreens) return -1;
    ErrorLogAdd("出力画面用の DirectDrawSurface を作成します\n");
    ErrorLogTabAdd();
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    if (GetMemImgScreenFlag()) {
        g_dd.memImgScreens = 1;
        // Format -1: the display depth's.
        if (CreateMemImgScreen(&g_dd.primaryImage, w, h, -1) != 0)
            ZoVav_FatalError("プライマリサーフェス用の MEMIMG の作成に失敗しました\n");
        if (CreateMemImgScreen(&g_dd.backImage, w, h, -1) != 0)
            ZoVav_FatalError("バックサーフェス用の MEMIMG の作成に失敗しました\n");
        if (CreateMemImgZBuffer(&g_dd.zImage, w, h) != 0)
            ZoVav_FatalError("Ｚバッファサーフェス用の MEMIMG の作成に失敗しました\n");
        const uint32_t background = PackColorData(g_dd.backImage.ColorFormat, 0, 0, 0, 255);
        ClearMemImg(&g_dd.primaryImage, nullptr, background);
        ClearMemImg(&g_dd.backImage, nullptr, background);
    } else {
        const SurfacePixelFormat* format = GetScreenPixelFormatImpl();
        g_dd.primary = MemSurfaceCreate(w, h, format, 1);
        if (g_dd.primary == nullptr) ZoVav_FatalError("プライマリサーフェスの作成に失敗しました");
        g_dd.back = MemSurfaceCreate(w, h, format, 1);
        if (g_dd.back == nullptr) ZoVav_FatalError("バックサーフェスの作成に失敗しました");
        ClearSurfaceToBackground(g_dd.primary);
        ClearSurfaceToBackground(g_dd.back);
    }
    ErrorLogAdd("各スクリーンメモリの配置位置\n");
    ErrorLogTabAdd();
    if (g_dd.memImgScreens) {
        ErrorLogAdd("PrimaryBuffer : SYSTEMMEMORY( MEMIMG ) ");
        ErrorLogAdd("BaskBuffer : SYSTEMMEMORY( MEMIMG ) ");
    } else {
        ErrorLogFmtAdd("PrimaryBuffer : %s  ", MemSurfaceInVideoMemory(g_dd.primary) ? "VIDEOMEMORY" : "SYSTEMMEMORY");
        ErrorLogFmtAdd("BaskBuffer : %s  ", MemSurfaceInVideoMemory(g_dd.back) ? "VIDEOMEMORY" : "SYSTEMMEMORY");
    }
    ErrorLogTabSub();
    ErrorLogTabSub();
    ErrorLogAdd("出力画面用の DirectDrawSurface の作成は正常に終了しました\n");
    // The window shows the screens through the presenter (SDL: main thread only).
    PlatformWindow* window = static_cast<PlatformWindow*>(GetMainWindowHandle());
    if (window != nullptr && IsMainThread()) g_dd.presenterStarted = PresenterStart(window, w, h) ? 1 : 0;
    // The drawing front ends follow the screens just made.
    ChooseScreenBackEnd();
    return 0;
}

int ReleaseMainSurfaces() {
    if (Hardware() && !g_dd.objectExists) return -1;
    ClearDDDrawTarget();
    if (g_dd.presenterStarted) {
        PresenterStop();
        g_dd.presenterStarted = 0;
    }
    if (g_dd.primary) ErrorLogAdd("メインサーフェスを破棄をします... 完了しました\n");
    for (MemSurface** s : {&g_dd.back, &g_dd.primary}) {
        MemSurfaceRelease(*s);
        *s = nullptr;
    }
    if (g_dd.memImgScreens) {
        TerminateMemImg(&g_dd.primaryImage);
        TerminateMemImg(&g_dd.backImage);
        TerminateMemImg(&g_dd.zImage);
        std::memset(&g_dd.primaryImage, 0, sizeof(MEMIMG));
        std::memset(&g_dd.backImage, 0, sizeof(MEMIMG));
        std::memset(&g_dd.zImage, 0, sizeof(MEMIMG));
        g_dd.memImgScreens = 0;
    }
    return 0;
}

// Memory surfaces are never lost.
int RestoreMainSurfaces() { return g_dd.objectExists ? 0 : -1; }

int ReleaseDirectDrawObject() { return 0; }
