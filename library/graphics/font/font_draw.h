// Text engine: measuring strings and drawing them from the glyph cache into a
// software image, horizontally or turned a quarter turn for vertical text.
#pragma once
#include <cstdint>

struct GraphData;
struct MEMIMG;
struct ImageRect;

// Draws the rectangle (srcX, srcY, width, height) of a texture graph with its
// top-left texel on (x, y), turned a quarter clockwise with turnFlag 1.
using TextureRectDraw = int (*)(int x, int y, int srcX, int srcY, int width, int height, const GraphData* graph,
                                int transFlag, int turnFlag);
// The 3D road lends its rectangle draw to texture glyph caches while it is up.
void RegisterTextureRectDraw(TextureRectDraw draw);

// Draws (drawFlag 1) or measures (0) a string in a font. color and edgeColor
// are screen colour values (GetColor); bright is the draw brightness as
// 0x00RRGGBB (0xFFFFFF = none). dest receives the pixels (drawing only),
// clipped to clip (null = the whole image); with transFlag 0 the empty pixels
// of each glyph's box are written 0. length -1 takes the whole string.
// A font with a texture cache draws its glyphs as graphs on the draw screen
// instead, within the draw area (dest null; glyphs wholly outside clip are
// skipped, transFlag unused).
// Result: the width in pixels (sum of advances and spacing), -1 for an
// invalid font, a graphics system that cannot draw, or a destination whose
// pixels cannot hold the font's type; 0 for an empty string. sizeOut gets
// {width, cell height}, or {cell height, width} for vertical text.
int DrawStringCore(int drawFlag, int x, int y, const char* string, int color, MEMIMG* dest, const ImageRect* clip,
                   int transFlag, int fontHandle, int edgeColor, int length, int verticalFlag, int* sizeOut,
                   uint32_t bright);

// The surface back end's way to put text on a software image (the draw
// target or the font's draw screen): the whole string, transparent.
int DrawFontStringToMemImg(MEMIMG* dest, const ImageRect* clip, int x, int y, const char* string, int color,
                           int edgeColor, int fontHandle, int verticalFlag, uint32_t bright);

int GetDrawStringWidthToHandle(const char* string, int length, int fontHandle, int verticalFlag);
int GetDrawStringWidthImpl(const char* string, int length, int verticalFlag);
