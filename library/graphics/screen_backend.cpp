// The screen back-end rows and the choice between them.
#include "graphics/screen_backend.h"

#include "graphics/directdraw/dd_draw.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"
#include "graphics/screen_settings.h"
#include "graphics/software_screen_draw.h"

namespace {

// A graph on the 2D roads is its 2D surface.
int SoftwareScreenDrawGraph(int x, int y, const GraphData* g, int transFlag) {
    return SoftwareScreenBltGraph(x, y, g->SurfaceHandle, transFlag);
}
int SurfaceScreenDrawGraph(int x, int y, const GraphData* g, int transFlag) {
    return SurfaceScreenBltGraph(x, y, g->SurfaceHandle, transFlag);
}
// The 2D roads draw on the surfaces themselves: nothing is pending elsewhere
// and the flip shows the surfaces.
void NothingToSettle() {}
int LeaveFlipTo2D() { return -1; }

// Software screens: the renderer draws straight into the screen images.
constexpr ScreenBackEnd kSoftwareScreens = {
    .name = "software screens",
    .frontFollowsWindow = true,
    .bltGraph = SoftwareScreenBltGraph,
    .drawGraph = SoftwareScreenDrawGraph,
    .bltMemImg = SoftwareScreenBltMemImg,
    .drawImage = SoftwareScreenDrawImage,
    .drawExtendGraph = SoftwareScreenDrawExtendGraph,
    .drawRotaGraph = MemImgDrawRotaGraph,
    .drawModiGraph = SoftwareScreenDrawModiGraph,
    .drawLine = MemImgDrawLine,
    .drawBox = SoftwareScreenDrawBox,
    .drawTriangle = MemImgDrawTriangle,
    .drawPrimitive = SoftwareScreenDrawPrimitive,
    .drawString = G_DD_DrawString,
    .clear = G_DD_ClearDrawScreen,
    .setDrawScreen = G_DD_SetDrawScreen,
    .capture = G_DD_GetDrawScreenGraph,
    .settleFor2D = NothingToSettle,
    .flipBack = LeaveFlipTo2D,
    .start = nullptr,
    .stop = nullptr,
};
// 2D surfaces: the renderer draws into locked views of the surfaces.
constexpr ScreenBackEnd kSurfaces = {
    .name = "2D surfaces",
    .frontFollowsWindow = false,
    .bltGraph = SurfaceScreenBltGraph,
    .drawGraph = SurfaceScreenDrawGraph,
    .bltMemImg = SurfaceScreenBltMemImg,
    .drawImage = SurfaceScreenDrawImage,
    .drawExtendGraph = SurfaceDrawExtendGraph,
    .drawRotaGraph = SurfaceDrawRotaGraph,
    .drawModiGraph = SurfaceDrawModiGraph,
    .drawLine = SurfaceDrawLine,
    .drawBox = SurfaceDrawBox,
    .drawTriangle = SurfaceDrawTriangle,
    .drawPrimitive = SurfaceScreenDrawPrimitive,
    .drawString = G_DD_DrawString,
    .clear = G_DD_ClearDrawScreen,
    .setDrawScreen = G_DD_SetDrawScreen,
    .capture = G_DD_GetDrawScreenGraph,
    .settleFor2D = NothingToSettle,
    .flipBack = LeaveFlipTo2D,
    .start = nullptr,
    .stop = nullptr,
};

struct ScreenBackEndState {
    const ScreenBackEnd* row = &kSurfaces;
    bool direct3DUp = false;
};
ScreenBackEndState g_backEnd;
}  // namespace

int StartDirect3DRoad() {
    g_backEnd.direct3DUp = kDirect3DScreens.start() == 0;
    return g_backEnd.direct3DUp ? 0 : -1;
}

int StopDirect3DRoad() {
    g_backEnd.direct3DUp = false;
    return kDirect3DScreens.stop();
}

void ChooseScreenBackEnd() {
    g_backEnd.row = GetSoftwareScreenFlag() ? &kSoftwareScreens : g_backEnd.direct3DUp ? &kDirect3DScreens : &kSurfaces;
}

const ScreenBackEnd& ScreenRoad() { return *g_backEnd.row; }
