// Untextured shapes on the 3D road: filled boxes, lines and triangles.
#pragma once
#include <cstdint>

// colour is a value in the screen's format; the draw colour's brightness
// and blend parameter apply.
int G_D3D_DrawFillBox(int x1, int y1, int x2, int y2, uint32_t color);
int G_D3D_DrawLine(int x1, int y1, int x2, int y2, uint32_t color);
// The outline of the box a filled box of the same corners covers.
int G_D3D_DrawLineBox(int x1, int y1, int x2, int y2, uint32_t color);
int G_D3D_DrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag);
