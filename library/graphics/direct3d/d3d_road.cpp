// The 3D road's row of the screen back-end table. Texture graphs and shapes
// go to the 3D back end; the rest runs on the 2D road once the scene has
// ended, which hands the screens' pictures to their surfaces.
#include "graphics/direct3d/d3d_road.h"

#include <vector>

#include "graphics/direct3d/d3d_graph.h"
#include "graphics/direct3d/d3d_screen.h"
#include "graphics/direct3d/d3d_shapes.h"
#include "graphics/direct3d/d3d_system.h"
#include "graphics/directdraw/dd_draw.h"
#include "graphics/font/font_draw.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/graph_storage.h"
#include "graphics/screen_backend.h"
#include "softrender/primitive/primitive.h"

namespace {

bool Texture(const GraphData* g) { return g && g->Settings.TextureFlag; }

// The scene ends before any 2D work on the draw target: what the device
// drew reaches the surfaces the 2D road works on.
void SettleFor2D() { G_D3D_EndScene(); }

template <class Draw>
int On2D(Draw draw) {
    SettleFor2D();
    return draw();
}

// Shapes on a target 3D cannot draw go to the 2D road.
template <class Draw3D, class Draw2D>
int Shape(Draw3D draw3D, Draw2D draw2D) {
    if (D3DScreenDrawSuppressed() || !GetCurrentD3DDeviceState()) return On2D(draw2D);
    const int result = draw3D();
    if (D3DScreenEndAfterDraw()) SettleFor2D();
    return result;
}

}  // namespace

int D3DRoadBltGraph(int x, int y, int surface2DHandle, int transFlag) {
    return On2D([&] { return SurfaceScreenBltGraph(x, y, surface2DHandle, transFlag); });
}

int D3DRoadDrawGraph(int x, int y, const GraphData* g, int transFlag) {
    if (Texture(g)) return G_D3D_DrawGraph(x, y, g, transFlag, 1);
    return D3DRoadBltGraph(x, y, g->SurfaceHandle, transFlag);
}

int D3DRoadBltMemImg(int x, int y, const MEMIMG* src) {
    return On2D([&] { return SurfaceScreenBltMemImg(x, y, src); });
}

MEMIMG* D3DRoadDrawImage() {
    SettleFor2D();
    return SurfaceScreenDrawImage();
}

int D3DRoadDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* g, int transFlag) {
    if (Texture(g)) return G_D3D_DrawExtendGraph(x1, y1, x2, y2, g, transFlag, 1);
    return On2D([&] { return SurfaceDrawExtendGraph(x1, y1, x2, y2, g, transFlag); });
}

int D3DRoadDrawRotaGraph(float x, float y, double exRate, double angle, const GraphData* g, int transFlag,
                         int turnFlag) {
    if (Texture(g)) return G_D3D_DrawRotaGraph(x, y, exRate, angle, g, transFlag, turnFlag);
    return On2D([&] { return SurfaceDrawRotaGraph(x, y, exRate, angle, g, transFlag, turnFlag); });
}

int D3DRoadDrawModiGraph(const float* corners, const GraphData* g, int transFlag) {
    if (Texture(g)) return G_D3D_DrawModiGraph(corners, g, transFlag);
    return On2D([&] { return SurfaceDrawModiGraph(corners, g, transFlag); });
}

int D3DRoadDrawLine(int x1, int y1, int x2, int y2, uint32_t color) {
    return Shape([&] { return G_D3D_DrawLine(x1, y1, x2, y2, color); },
                 [&] { return SurfaceDrawLine(x1, y1, x2, y2, color); });
}

int D3DRoadDrawBox(int x1, int y1, int x2, int y2, uint32_t color, int fillFlag) {
    return Shape(
        [&] { return fillFlag ? G_D3D_DrawFillBox(x1, y1, x2, y2, color) : G_D3D_DrawLineBox(x1, y1, x2, y2, color); },
        [&] { return SurfaceDrawBox(x1, y1, x2, y2, color, fillFlag); });
}

int D3DRoadDrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag) {
    return Shape([&] { return G_D3D_DrawTriangle(x1, y1, x2, y2, x3, y3, color, fillFlag); },
                 [&] { return SurfaceDrawTriangle(x1, y1, x2, y2, x3, y3, color, fillFlag); });
}

int D3DRoadDrawPrimitive(const PrimitiveVertex* triangles, int vertexCount, const GraphData* g, int transFlag,
                         int noTransformFlag, int useDepthFlag) {
    if (g && !Texture(g)) {
        return On2D([&] {
            return SurfaceScreenDrawPrimitive(triangles, vertexCount, g, transFlag, noTransformFlag, useDepthFlag);
        });
    }
    // Texture positions run 0..1 over the graph: the first piece's texture takes them.
    const Surface3DData* p = g && g->PieceCount ? GetSurface3DData(g->Pieces[0]) : nullptr;
    const SurfaceData* sd = p ? GetSurfaceData(p->surfaceData) : nullptr;
    const float su = sd ? float(g->Width) / float(sd->Width) : 1.0f, sv = sd ? float(g->Height) / float(sd->Height) : 1.0f;
    const float u0 = sd ? float(p->u) / float(sd->Width) : 0.0f, v0 = sd ? float(p->v) / float(sd->Height) : 0.0f;
    // The software rasteriser takes a pixel's centre half a pixel right of and
    // below its corner: the same pixels here come half a pixel up and left.
    std::vector<D3DVertexTex1> v{size_t(vertexCount)};
    for (int i = 0; i < vertexCount; ++i) {
        const PrimitiveVertex& s = triangles[i];
        v[size_t(i)] = D3DVertexTex1{s.x - 0.5f, s.y - 0.5f, s.z, s.rhw,
                                     uint32_t(s.a) << 24 | uint32_t(s.r) << 16 | uint32_t(s.g) << 8 | s.b,
                                     u0 + s.u * su, v0 + s.v * sv};
    }
    return G_D3D_DrawPolygon(v.data(), vertexCount / 3, g, transFlag);
}

int D3DRoadClear() {
    G_D3D_ClearDrawScreen();
    const GraphData* g = GetGraphData(GetGraphDrawState().DrawScreen);
    if (Texture(g)) return 0;
    const int result = G_DD_ClearDrawScreen();
    // Both pictures cleared alike: no copy between them is due.
    D3DScreenCleared(uint32_t(GetColor(0, 0, 0)));
    return result;
}

int D3DRoadSetDrawScreen(int newScreen, int previousScreen) {
    G_D3D_EndSceneOnDevice();
    const GraphData* g = GetGraphData(newScreen);
    if (Texture(g)) {
        // The 2D road has no view of a texture: its drawing has no target there.
        if (G_D3D_SetDrawScreen(newScreen) != 0) return -1;
        ClearDDDrawTarget();
        return 0;
    }
    if (G_DD_SetDrawScreen(newScreen, previousScreen) != 0) return -1;
    return G_D3D_SetDrawScreen(newScreen);
}

int D3DRoadCapture(int x1, int y1, int x2, int y2, const GraphData* g) {
    if (Texture(g)) return G_D3D_GetDrawScreenGraph(x1, y1, x2, y2, g);
    return On2D([&] { return G_DD_GetDrawScreenGraph(x1, y1, x2, y2, g); });
}

namespace {

void FollowDrawArea() { D3DScreenFollowDrawArea(); }
void FollowDrawMode(int mode) { G_D3D_SetDrawMode(mode); }
void FollowTransform(DrawTransform which, const float* m) {
    if (which == DrawTransform::World) G_D3D_SetTransformWorld(m);
    if (which == DrawTransform::View) G_D3D_SetTransformView(m);
    if (which == DrawTransform::Projection) G_D3D_SetTransformProjection(m);
}
int FollowBlendGraph(GraphData* g, int param, int range) { return G_D3D_SetBlendGraph(g, param, range); }

constexpr DrawStateSink kDirect3DDrawState = {
    .drawArea = FollowDrawArea,
    .drawMode = FollowDrawMode,
    .transform = FollowTransform,
    .blendGraph = FollowBlendGraph,
};

}  // namespace

// Texture graphs and shapes go to the device; the rest runs on the screens'
// surfaces between scenes.
const ScreenBackEnd kDirect3DScreens = {
    .name = "3D device",
    .frontFollowsWindow = false,
    .bltGraph = D3DRoadBltGraph,
    .drawGraph = D3DRoadDrawGraph,
    .bltMemImg = D3DRoadBltMemImg,
    .drawImage = D3DRoadDrawImage,
    .drawExtendGraph = D3DRoadDrawExtendGraph,
    .drawRotaGraph = D3DRoadDrawRotaGraph,
    .drawModiGraph = D3DRoadDrawModiGraph,
    .drawLine = D3DRoadDrawLine,
    .drawBox = D3DRoadDrawBox,
    .drawTriangle = D3DRoadDrawTriangle,
    .drawPrimitive = D3DRoadDrawPrimitive,
    .drawString = G_D3D_DrawString,
    .clear = D3DRoadClear,
    .setDrawScreen = D3DRoadSetDrawScreen,
    .capture = D3DRoadCapture,
    .settleFor2D = SettleFor2D,
    .flipBack = D3DScreenFlipBack,
    .start = InitializeDirect3D,
    .stop = TerminateDirect3D,
};

void RegisterDirect3DRoad(bool up) {
    RegisterTextureGraphStorage(up ? &kTextureGraphStorage : nullptr);
    RegisterDrawStateSink(up ? &kDirect3DDrawState : nullptr);
    RegisterTextureRectDraw(up ? G_D3D_DrawRectGraph : nullptr);
}
