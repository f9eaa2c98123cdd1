// Software drawing into MEMIMG images: the cores and their drawing entry points.
#pragma once
#include <cstdint>

#include "softrender/draw_state.h"

struct MEMIMG;
struct GraphData;

// One entry of a line list; the sixth word is kept for the record's shape and not read.
struct LineSegment {
    int32_t x1, y1, x2, y2;
    uint32_t color;
    int32_t param;
};

// A triangle vertex: destination pixel and source texel.
struct MemImgVertex {
    int32_t x, y, u, v;
};

// ---- cores on MEMIMG images (no result; bad input draws nothing) ----
void MemImgDrawGraphBase(MEMIMG* dest, const MEMIMG* src, int x, int y, int transFlag, const MEMIMG* blendImage);
void MemImgDrawExtendGraphBase(MEMIMG* dest, const MEMIMG* src, const int32_t* corners, int transFlag,
                               const MEMIMG* blendImage);
void MemImgDrawRotaGraphBase(MEMIMG* dest, const MEMIMG* src, int x, int y, float angle, float scale, int transFlag,
                             int turnFlag, const MEMIMG* blendImage);
void MemImgDrawRotaGraphPolygon(MEMIMG* dest, const MEMIMG* src, const int32_t* corners, int transFlag,
                                const MEMIMG* blendImage);
void MemImgDrawPolygonBase(MEMIMG* dest, const MEMIMG* src, const MemImgVertex* vertices, int transFlag,
                           const MEMIMG* blendImage, uint32_t fillColor);
void MemImgDrawFillBoxBase(MEMIMG* dest, const MemImgRect* rect, uint32_t color);
void MemImgDrawFillBoxXY(MEMIMG* dest, int x1, int y1, int x2, int y2, uint32_t color);
void MemImgDrawLineBase(MEMIMG* dest, int x1, int y1, int x2, int y2, uint32_t color);
void MemImgDrawLineList(MEMIMG* dest, const LineSegment* entries, int count);

// ---- entry points on the draw screen (0 done, -1 not done) ----
// Only the software-screen path is served here; the locked-surface path
// belongs to the screen code and answers -1 until it is attached.
int MemImgDrawFillBox(int x1, int y1, int x2, int y2, uint32_t color);
int MemImgDrawLine(int x1, int y1, int x2, int y2, uint32_t color);
int MemImgDrawLineBox(int x1, int y1, int x2, int y2, uint32_t color);
int MemImgDrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag);
int MemImgDrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* graph, int transFlag, int intFlag,
                          int surfaceHandle);
int MemImgDrawRotaGraph(float x, float y, double scale, double angle, const GraphData* graph, int transFlag,
                        int turnFlag);
int MemImgDrawPolygon(const MemImgVertex* vertices, const GraphData* graph, int transFlag, uint32_t fillColor);
int MemImgDrawModiGraphInt(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphData* graph,
                           int transFlag);
int MemImgDrawModiGraph(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                        const GraphData* graph, int transFlag);
