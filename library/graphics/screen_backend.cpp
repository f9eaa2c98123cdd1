// The two screen back-end rows and the choice between them.
#include "graphics/screen_backend.h"

#include "graphics/directdraw/dd_draw.h"
#include "graphics/screen_settings.h"
#include "graphics/software_screen_draw.h"

namespace {
// Software screens: the renderer draws straight into the screen images.
constexpr ScreenBackEnd kSoftwareScreens = {
    "software screens", true,  SoftwareScreenBltGraph, SoftwareScreenDrawExtendGraph, MemImgDrawRotaGraph,
    SoftwareScreenDrawModiGraph, MemImgDrawLine, SoftwareScreenDrawBox, MemImgDrawTriangle,
    SoftwareScreenDrawPrimitive, G_DD_DrawString, G_DD_ClearDrawScreen, G_DD_SetDrawScreen,
    G_DD_GetDrawScreenGraph,
};
// 2D surfaces: the renderer draws into locked views of the surfaces.
constexpr ScreenBackEnd kSurfaces = {
    "2D surfaces", false, SurfaceScreenBltGraph, SurfaceDrawExtendGraph, SurfaceDrawRotaGraph,
    SurfaceDrawModiGraph, SurfaceDrawLine, SurfaceDrawBox, SurfaceDrawTriangle,
    SurfaceScreenDrawPrimitive, G_DD_DrawString, G_DD_ClearDrawScreen, G_DD_SetDrawScreen,
    G_DD_GetDrawScreenGraph,
};

struct ScreenBackEndState {
    const ScreenBackEnd* row = &kSurfaces;
};
ScreenBackEndState g_backEnd;
}  // namespace

void ChooseScreenBackEnd() { g_backEnd.row = GetSoftwareScreenFlag() ? &kSoftwareScreens : &kSurfaces; }

const ScreenBackEnd& ScreenRoad() { return *g_backEnd.row; }
