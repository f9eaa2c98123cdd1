// Draw screens on the 3D road: the render target that follows the draw
// screen, the screens' 3D pictures kept in step with their 2D surfaces,
// clearing, the viewport, screen captures into texture graphs, text and the
// alpha bits of a rectangle.
#pragma once
#include <cstdint>

struct ColorData;
struct DrawRect;
struct GraphData;

// Forgets the screens' pictures (the 3D system has just started or ended).
void D3DScreenReset();
// A 3D draw is about to go to the render target: a screen whose 2D surface
// may be newer gets its picture first.
void D3DScreenBeforeDraw();
// The scene has ended and 2D work may follow: screens drawn in 3D hand
// their pictures to their surfaces.
void D3DScreenAfterScene();
// A screen target's surface was just cleared: the device clears its
// picture too, and neither side is behind the other.
void D3DScreenCleared(uint32_t value);
// The flip of the back screen on the 3D road: the device shows its picture
// and keeps a copy as the front screen's. -1 when the flip is the 2D road's.
int D3DScreenFlipBack();
// The draw target cannot take 3D drawing (a 2D surface graph).
int D3DScreenDrawSuppressed();
// Every draw on the front screen ends its scene at once.
int D3DScreenEndAfterDraw();
// The viewport follows the draw area.
int D3DScreenFollowDrawArea();

int G_D3D_SetDrawScreen(int screen);
int G_D3D_ClearDrawScreen();
int G_D3D_GetDrawScreenGraph(int x1, int y1, int x2, int y2, const GraphData* graph);
int G_D3D_DrawString(int x, int y, const char* string, int color, int fontHandle, int edgeColor, int verticalFlag);
// Ors alpha into the alpha bits of every pixel of the rectangle.
int FillAlphaChannelRect(const DrawRect* rect, void* pixels, int pitch, const ColorData* color, int alpha);
