// Brings graphics up and down: the display at library start and end, the
// graphics state at every screen-mode change, the recovery after a lost
// display, and the warm-up of the draw targets at the end of start-up.
#include "graphics/graphics_start.h"

#include "core/log.h"
#include "core/window.h"
#include "graphics/graph_storage.h"
#include "graphics/directdraw/dd_draw.h"
#include "graphics/directdraw/dd_graphs.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/draw_front.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/graph_restore.h"
#include "graphics/graphics_core.h"
#include "graphics/image/graph_image.h"
#include "graphics/mask_screen.h"
#include "graphics/movie/movie.h"
#include "graphics/screen_backend.h"
#include "graphics/screen_settings.h"
#include "graphics/surface_data.h"
#include "platform/surface_memory.h"

namespace {

struct GraphicsStartState {
    int started = 0;
};
GraphicsStartState g_graphics;

// Fonts start with the graphics state (fresh default-font settings and the
// default font) and must be gone before the surface tables go.
void FontStartHook() {
    ResetDefaultFontState();
    InitFont();
}
void FontEndHook() { TerminateFont(); }

// A black graph of the given size drawn once to warm the back ends.
int MakeBlackGraph(int width, int height) {
    const int handle = MakeGraphImpl(width, height, 1);
    if (handle >= 0) FillGraph(handle, 0, 0, 0, 255);
    return handle;
}

}  // namespace

int GetGraphicsStartedFlag() { return g_graphics.started; }

int InitializeGraphics() {
    if (g_graphics.started) return 0;
    ErrorLogAdd("グラフィック管理系の初期化を行います\n");
    ErrorLogTabAdd();
    ResetGraphCreateSettings();
    InitializeGraphTable();
    InitializeSurfaceDataTable();
    InitializeMovieTable();
    g_graphics.started = 1;
    ResetGraphDrawState();
    ChooseGraphStorage(0).start();
    // Graphs become textures where the 3D device came up with the display.
    const GraphStorage* textures = TextureGraphStorage();
    if (textures && textures->start() == 0) ErrorLogAdd("３Ｄグラフィック描画機能を使用します\n");
    else ErrorLogAdd("３Ｄグラフィック描画機能は使用しません\n");
    ChooseScreenBackEnd();
    SetGraphColorBitDepth(0);
    ResetMaskScreenState();
    SetDrawScreenImpl(SCREEN_FRONT);
    FontStartHook();
    ErrorLogTabSub();
    ErrorLogAdd("グラフィック管理系の初期化は正常に終了しました\n");
    return 0;
}

int TerminateGraphics() {
    if (!g_graphics.started) return 0;
    DeleteMaskScreen();
    DeleteAllMaskData();
    InitGraph(0);
    TerminateMovieTable();
    FontEndHook();
    ClearDDDrawTarget();
    G_DD_TerminateGraphics();
    TerminateSurfaceDataTable();
    TerminateGraphTable();
    g_graphics.started = 0;
    ErrorLogAdd("グラフィック管理系の終了処理は正常に終了しました\n");
    return 0;
}

int InitializeDisplay() {
    if (InitializeDirectDraw() != 0) {
        if (GetMemImgScreenFlag()) ZoVav_FatalError("DirectDraw の初期化に失敗しました");
        ErrorLogAdd("ソフトウエアレンダリングモードに変更します\n");
        SetUseDirectDrawFlag(0);
        if (InitializeDirectDraw() != 0) ZoVav_FatalError("DirectDraw の初期化に失敗しました");
    }
    g_graphics.started = 1;
    return 0;
}

int TerminateDisplay() {
    TerminateDirectDraw();
    g_graphics.started = 0;
    return 0;
}

// The window is brought to the front by the window system when shown.
int SetForegroundMainWindow() { return 0; }

// Memory surfaces survive a lost display, so recovery only re-selects the
// draw target, shows a fresh frame, puts the graphs back and re-opens the
// released movies.
int RestoreGraphSystem() {
    if (!g_graphics.started) return 0;
    const int screen = GetDrawScreen();
    ScreenRoad().setDrawScreen(screen, screen);
    ClearDrawScreenImpl();
    ScreenFlipImpl();
    RestoreAllGraphs();
    RestoreAllMovieSurfaces();
    return 0;
}

int RestoreAllSurface2D() { return 0; }
int RestoreAllSurface3D() { return 0; }

int InitializeScreensAtStartup() {
    SetDrawScreenImpl(SCREEN_BACK);
    SetDrawScreenImpl(SCREEN_FRONT);
    // Exercise each road once: a draw-valid graph as target, a subtractive
    // blit to the back screen, plain and stretched blits to the front.
    SetDrawValidGraphCreateFlag(1);
    int target = MakeGraphImpl(256, 256, 1);
    SetDrawValidGraphCreateFlag(0);
    if (target >= 0) {
        SetDrawScreenImpl(target);
        SetDrawScreenImpl(SCREEN_FRONT);
        DeleteGraphImpl(target, 0);
    }
    int black = MakeBlackGraph(256, 256);
    if (black >= 0) {
        SetDrawScreenImpl(SCREEN_BACK);
        SetDrawBlendModeImpl(3, 128);
        DrawGraphImpl(0, 0, black, 1);
        SetDrawBlendModeImpl(0, 0);
        SetDrawScreenImpl(SCREEN_FRONT);
        DrawGraphImpl(0, 0, black, 1);
        DeleteGraphImpl(black, 0);
    }
    black = MakeBlackGraph(256, 256);
    if (black >= 0) {
        DrawExtendGraph(0, 0, 640, 480, black, 1);
        DeleteGraphImpl(black, 0);
    }
    SetDrawScreenImpl(SCREEN_FRONT);
    return 0;
}
