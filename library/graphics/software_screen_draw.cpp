// Drawing entry points on the draw screen: shapes and graphs onto software
// screens, each graph drawn from its MEMIMG.
#include "graphics/software_screen_draw.h"

#include <cstdint>
#include <cstring>

#include "core/routines.h"
#include "graphics/draw_front.h"
#include "graphics/graph_handle.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"

namespace {

bool DrawingPossible() {
    return MemImgDrawStateData.SoftRenderFlag != 0 || MemImgDrawStateData.DirectDrawFlag != 0;
}

// The image to draw into on software screens, or null when the screens are not software images.
MEMIMG* SoftScreenTarget() {
    const MemImgDrawState& st = MemImgDrawStateData;
    if (!st.ScreenMemImgFlag || st.ScreenColorBitDepth == 8) return nullptr;
    return st.MaskUseFlag ? st.MaskImage : st.DrawScreenImage;
}

// The graph's pixels as a MEMIMG: the surface data's own image, or a view of
// the graph's rectangle in it. Null when a record is missing.
const MEMIMG* GraphSource(const GraphData* graph, int surfaceHandle, MEMIMG* view) {
    if (graph == nullptr && surfaceHandle < 0) return nullptr;
    const Surface2D* surface = GetSurface2D(surfaceHandle >= 0 ? surfaceHandle : graph->SurfaceHandle);
    if (surface == nullptr) return nullptr;
    SurfaceData* data = GetSurfaceData(surface->SurfaceDataHandle);
    if (data == nullptr) return nullptr;
    if (surface->Width == data->Width && surface->Height == data->Height) return &data->MemImg;
    std::memset(view, 0, sizeof *view);
    DerivationMemImg(view, &data->MemImg, surface->SrcX, surface->SrcY, surface->Width, surface->Height);
    return view;
}

int DrawLines(const LineSegment* list, int count) {
    if (!DrawingPossible()) return -1;
    MEMIMG* target = SoftScreenTarget();
    if (target == nullptr) return -1;
    MemImgDrawLineList(target, list, count);
    return 0;
}

}  // namespace

int MemImgDrawFillBox(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!DrawingPossible()) return -1;
    MEMIMG* target = SoftScreenTarget();
    if (target == nullptr) return -1;
    const MemImgRect r{x1, y1, x2, y2};
    MemImgDrawFillBoxBase(target, &r, color);
    return 0;
}

int MemImgDrawLine(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!DrawingPossible()) return -1;
    MEMIMG* target = SoftScreenTarget();
    if (target == nullptr) return -1;
    MemImgDrawLineBase(target, x1, y1, x2, y2, color);
    return 0;
}

int MemImgDrawLineBox(int x1, int y1, int x2, int y2, uint32_t color) {
    const int32_t p = MemImgDrawStateData.BlendParam;
    // The far edges lie one in from x2 and y2; at INT_MIN they stay there
    // rather than wrap round to lines across the screen.
    const int r = ClampedToInt(double(x2) - 1), b = ClampedToInt(double(y2) - 1);
    const LineSegment list[4] = {{x1, y1, r, y1, color, p},
                                 {r, y1, r, b, color, p},
                                 {r, b, x1, b, color, p},
                                 {x1, b, x1, y1, color, p}};
    return DrawLines(list, 4);
}

int MemImgDrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag) {
    if (fillFlag == 1) {
        const MemImgVertex v[3] = {{x1, y1, 0, 0}, {x2, y2, 0, 0}, {x3, y3, 0, 0}};
        return MemImgDrawPolygon(v, nullptr, 0, color);
    }
    const int32_t p = MemImgDrawStateData.BlendParam;
    const LineSegment list[3] = {
        {x1, y1, x2, y2, color, p}, {x2, y2, x3, y3, color, p}, {x3, y3, x1, y1, color, p}};
    return DrawLines(list, 3);
}

int MemImgDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag,
                          int surfaceHandle) {
    if (!DrawingPossible()) return -1;
    MEMIMG view;
    const MEMIMG* src = GraphSource(graph, surfaceHandle, &view);
    if (src == nullptr) return -1;
    const int32_t corners[4] = {x1, y1, x2, y2};
    MEMIMG* target = SoftScreenTarget();
    if (target == nullptr) return -1;
    MemImgDrawExtendGraphBase(target, src, corners, transFlag, MemImgDrawStateData.BlendGraphImage);
    return 0;
}

int MemImgDrawRotaGraph(float x, float y, double scale, double angle, const GraphData* graph, int transFlag,
                        int turnFlag) {
    const int ix = FloatToInt(x), iy = FloatToInt(y);
    if (!DrawingPossible()) return -1;
    MEMIMG view;
    const MEMIMG* src = GraphSource(graph, -1, &view);
    if (src == nullptr) return -1;
    MEMIMG* target = SoftScreenTarget();
    if (target == nullptr) return -1;
    MemImgDrawRotaGraphBase(target, src, ix, iy, float(angle), float(scale), transFlag, turnFlag,
                            MemImgDrawStateData.BlendGraphImage);
    return 0;
}

int MemImgDrawPolygon(const MemImgVertex* vertices, const GraphData* graph, int transFlag, uint32_t fillColor) {
    if (!DrawingPossible()) return -1;
    MEMIMG view;
    const MEMIMG* src = nullptr;
    if (graph != nullptr) {
        src = GraphSource(graph, -1, &view);
        if (src == nullptr) return -1;
    }
    MEMIMG* target = SoftScreenTarget();
    if (target == nullptr) return -1;
    // A filled triangle never takes the blend graph.
    MemImgDrawPolygonBase(target, src, vertices, transFlag, src ? MemImgDrawStateData.BlendGraphImage : nullptr,
                          fillColor);
    return 0;
}

int MemImgDrawModiGraphInt(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphData* graph,
                           int transFlag) {
    if (graph == nullptr) return 0;
    const int w = graph->Width, h = graph->Height;
    const MemImgVertex first[3] = {{x1, y1, 0, 0}, {x2, y2, w, 0}, {x3, y3, 0, h}};
    const MemImgVertex second[3] = {{x2, y2, w, 0}, {x3, y3, 0, h}, {x4, y4, w, h}};
    MemImgDrawPolygon(first, graph, transFlag, 0);
    MemImgDrawPolygon(second, graph, transFlag, 0);
    return 0;
}

int MemImgDrawModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                        const GraphData* graph, int transFlag) {
    return MemImgDrawModiGraphInt(FloatToInt(x1), FloatToInt(y1), FloatToInt(x2), FloatToInt(y2), FloatToInt(x3),
                                  FloatToInt(y3), FloatToInt(x4), FloatToInt(y4), graph, transFlag);
}

int SoftwareScreenDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag) {
    return MemImgDrawExtendGraph(x1, y1, x2, y2, graph, transFlag, -1);
}

int SoftwareScreenDrawModiGraph(const float* c, const GraphData* graph, int transFlag) {
    return MemImgDrawModiGraph(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], graph, transFlag);
}

int SoftwareScreenDrawBox(int x1, int y1, int x2, int y2, uint32_t color, int fillFlag) {
    return fillFlag ? MemImgDrawFillBox(x1, y1, x2, y2, color) : MemImgDrawLineBox(x1, y1, x2, y2, color);
}
