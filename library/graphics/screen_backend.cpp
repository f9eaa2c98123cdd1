// The screen back-end rows and the choice between them.
#include "graphics/screen_backend.h"

#include "graphics/direct3d/d3d_road.h"
#include "graphics/direct3d/d3d_screen.h"
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
// Software screens: the renderer draws straight into the screen images.
constexpr ScreenBackEnd kSoftwareScreens = {
    "software screens",     true,
    SoftwareScreenBltGraph, SoftwareScreenDrawGraph,     SoftwareScreenBltMemImg,     SoftwareScreenDrawImage,
    SoftwareScreenDrawExtendGraph, MemImgDrawRotaGraph,  SoftwareScreenDrawModiGraph,
    MemImgDrawLine,         SoftwareScreenDrawBox,       MemImgDrawTriangle,
    SoftwareScreenDrawPrimitive, G_DD_DrawString,        G_DD_ClearDrawScreen,
    G_DD_SetDrawScreen,     G_DD_GetDrawScreenGraph,
};
// 2D surfaces: the renderer draws into locked views of the surfaces.
constexpr ScreenBackEnd kSurfaces = {
    "2D surfaces",          false,
    SurfaceScreenBltGraph,  SurfaceScreenDrawGraph,      SurfaceScreenBltMemImg,      SurfaceScreenDrawImage,
    SurfaceDrawExtendGraph, SurfaceDrawRotaGraph,        SurfaceDrawModiGraph,
    SurfaceDrawLine,        SurfaceDrawBox,              SurfaceDrawTriangle,
    SurfaceScreenDrawPrimitive, G_DD_DrawString,         G_DD_ClearDrawScreen,
    G_DD_SetDrawScreen,     G_DD_GetDrawScreenGraph,
};
// The 3D device: texture graphs and shapes through it, the rest on the
// screens' surfaces between scenes.
constexpr ScreenBackEnd kDirect3D = {
    "3D device",            false,
    D3DRoadBltGraph,        D3DRoadDrawGraph,            D3DRoadBltMemImg,
    D3DRoadDrawImage,       D3DRoadDrawExtendGraph,      D3DRoadDrawRotaGraph,
    D3DRoadDrawModiGraph,   D3DRoadDrawLine,             D3DRoadDrawBox,
    D3DRoadDrawTriangle,    D3DRoadDrawPrimitive,        G_D3D_DrawString,
    D3DRoadClear,           D3DRoadSetDrawScreen,        D3DRoadCapture,
};

struct ScreenBackEndState {
    const ScreenBackEnd* row = &kSurfaces;
};
ScreenBackEndState g_backEnd;
}  // namespace

void ChooseScreenBackEnd() {
    g_backEnd.row = GetSoftwareScreenFlag() ? &kSoftwareScreens : GetDirect3DUpFlag() ? &kDirect3D : &kSurfaces;
}

const ScreenBackEnd& ScreenRoad() { return *g_backEnd.row; }
