// Brings graphics up and down: the surface device, the screen colour format,
// the graph and surface tables and the creation settings.
#include "graphics/graphics_start.h"

#include "core/log.h"
#include "core/window.h"
#include "graphics/directdraw/dd_graphs.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"
#include "graphics/graphics_core.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_settings.h"
#include "graphics/surface_data.h"
#include "platform/surface_memory.h"

namespace {

struct GraphicsStartState {
    int started = 0;
};
GraphicsStartState g_graphics;

}  // namespace

int GetGraphicsStartedFlag() { return g_graphics.started; }

int GetDirectDrawObjectExists() { return MemSurfaceDeviceExists(); }

int InitializeGraphics() {
    if (g_graphics.started) return 0;
    ErrorLogAdd("グラフィック管理系の初期化を行います\n");
    ErrorLogTabAdd();
    ResetGraphCreateSettings();
    InitializeGraphTable();
    InitializeSurfaceDataTable();
    g_graphics.started = 1;
    G_DD_InitializeGraphics();
    // The 3D back end is not part of this build: graphs live in 2D surfaces.
    ErrorLogAdd("３Ｄグラフィック描画機能は使用しません\n");
    ResetMaskScreenState();
    SetDrawScreenImpl(SCREEN_FRONT);
    ErrorLogTabSub();
    ErrorLogAdd("グラフィック管理系の初期化は正常に終了しました\n");
    return 0;
}

int TerminateGraphics() {
    if (!g_graphics.started) return 0;
    DeleteMaskScreen();
    DeleteAllMaskData();
    InitGraph(0);
    G_DD_TerminateGraphics();
    TerminateSurfaceDataTable();
    TerminateGraphTable();
    g_graphics.started = 0;
    ErrorLogAdd("グラフィック管理系の終了処理は正常に終了しました\n");
    return 0;
}

int InitializeDisplay() {
    // Window mode shows a 32-bit desktop; full screen takes the asked depth.
    if (GetWindowModeFlag()) SetDisplayColorBitDepth(32);
    else SetDisplayColorBitDepth(GetRequestedColorBitDepth() == 32 ? 32 : 16);
    if (MemSurfaceDeviceStart() != 0) ZoVav_FatalError("DirectDraw の初期化に失敗しました");
    SetupScreenColorData();
    InitializeGraphics();
    return 0;
}

int TerminateDisplay() {
    TerminateGraphics();
    MemSurfaceDeviceEnd();
    return 0;
}
