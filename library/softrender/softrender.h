// Software drawing into MEMIMG images: the cores and their drawing entry points.
#pragma once
#include <cstdint>

#include "softrender/draw_state.h"

struct MEMIMG;

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
