// The 3D road's operations of the screen back-end table: texture graphs and
// shapes go to the 3D back end; surface graphs, text and whatever else needs
// the 2D road run on the screens' surfaces after the scene has ended.
#pragma once
#include <cstdint>

struct GraphData;
struct MEMIMG;
struct PrimitiveVertex;

// Lends the road's other rows to the graphics front ends while the 3D system
// is up (texture storage, draw-state following, glyph draws) and takes them
// back when it goes.
void RegisterDirect3DRoad(bool up);

int D3DRoadBltGraph(int x, int y, int surface2DHandle, int transFlag);
int D3DRoadDrawGraph(int x, int y, const GraphData* graph, int transFlag);
int D3DRoadBltMemImg(int x, int y, const MEMIMG* src);
MEMIMG* D3DRoadDrawImage();
int D3DRoadDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag);
int D3DRoadDrawRotaGraph(float x, float y, double exRate, double angle, const GraphData* graph, int transFlag,
                         int turnFlag);
int D3DRoadDrawModiGraph(const float* corners, const GraphData* graph, int transFlag);
int D3DRoadDrawLine(int x1, int y1, int x2, int y2, uint32_t color);
int D3DRoadDrawBox(int x1, int y1, int x2, int y2, uint32_t color, int fillFlag);
int D3DRoadDrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag);
int D3DRoadDrawPrimitive(const PrimitiveVertex* triangles, int vertexCount, const GraphData* graph, int transFlag,
                         int noTransformFlag, int useDepthFlag);
int D3DRoadClear();
int D3DRoadSetDrawScreen(int newScreen, int previousScreen);
int D3DRoadCapture(int x1, int y1, int x2, int y2, const GraphData* graph);
