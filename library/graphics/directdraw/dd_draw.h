// The surface back end's drawing: the draw target, clearing, graph blits,
// line lists, vertex primitives, text, screen captures and the blend-graph
// weights.
#pragma once
#include <cstdint>

struct GraphData;
struct MEMIMG;
struct MemSurface;
struct PrimitiveVertex;

struct DDDrawTarget {
    MemSurface* drawSurface;   // null when the target is a MEMIMG
    MEMIMG* drawMemImg;
    MEMIMG* drawDepthMemImg;
    int offsetX, offsetY;
};
const DDDrawTarget& GetDDDrawTarget();
// Forgets the target (the screens are being remade).
void ClearDDDrawTarget();

int G_DD_SetDrawScreen(int newScreen, int previousScreen);
int G_DD_ClearDrawScreen();
// A graph (by its 2D surface) and vertex primitives, on each screen kind.
int SoftwareScreenBltGraph(int x, int y, int surface2DHandle, int transFlag);
int SurfaceScreenBltGraph(int x, int y, int surface2DHandle, int transFlag);
int SoftwareScreenDrawPrimitive(const PrimitiveVertex* triangles, int vertexCount, const GraphData* graph,
                                int transFlag, int noTransformFlag, int useDepthFlag);
int SurfaceScreenDrawPrimitive(const PrimitiveVertex* triangles, int vertexCount, const GraphData* graph,
                               int transFlag, int noTransformFlag, int useDepthFlag);
int G_DD_GetDrawScreenGraph(int x1, int y1, int x2, int y2, const GraphData* graph);
int G_DD_SetBlendGraphParam(const GraphData* ignored, int borderParam, int borderRange);
int G_DD_DrawString(int x, int y, const char* string, int color, int fontHandle, int edgeColor, int verticalFlag);

// Software drawing on surface screens: the software renderer's entry points
// draw only into MEMIMG screens, so these run them against a locked view of
// the target surface (and of a surface graph's pixels).
int SurfaceDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag);
int SurfaceDrawRotaGraph(float x, float y, double scale, double angle, const GraphData* graph, int transFlag,
                         int turnFlag);
int SurfaceDrawModiGraph(const float* corners, const GraphData* graph, int transFlag);
int SurfaceDrawLine(int x1, int y1, int x2, int y2, uint32_t color);
int SurfaceDrawBox(int x1, int y1, int x2, int y2, uint32_t color, int fillFlag);
int SurfaceDrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag);
