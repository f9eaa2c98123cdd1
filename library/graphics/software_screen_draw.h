// Drawing on software screens from graph handles: the front ends that turn a
// graph into its MEMIMG and draw it, and the shapes, on the draw screen
// image (0 done, -1 not done).
#pragma once
#include <cstdint>

#include "softrender/softrender.h"

struct GraphData;

int MemImgDrawFillBox(int x1, int y1, int x2, int y2, uint32_t color);
int MemImgDrawLine(int x1, int y1, int x2, int y2, uint32_t color);
int MemImgDrawLineBox(int x1, int y1, int x2, int y2, uint32_t color);
int MemImgDrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag);
int MemImgDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag,
                          int surfaceHandle);
int MemImgDrawRotaGraph(float x, float y, double scale, double angle, const GraphData* graph, int transFlag,
                        int turnFlag);
int MemImgDrawPolygon(const MemImgVertex* vertices, const GraphData* graph, int transFlag, uint32_t fillColor);
int MemImgDrawModiGraphInt(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphData* graph,
                           int transFlag);
// The same in the shapes the screen back-end table takes.
int SoftwareScreenDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag);
int SoftwareScreenDrawModiGraph(const float* corners, const GraphData* graph, int transFlag);
int SoftwareScreenDrawBox(int x1, int y1, int x2, int y2, uint32_t color, int fillFlag);
int MemImgDrawModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                        const GraphData* graph, int transFlag);
