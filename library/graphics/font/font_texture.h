// Texture glyph caches of the 3D road: whether a font gets one, its size,
// the cache and edge graphs (made again after the graphics system deleted
// them), the staging image and the glyph texels written through it.
#pragma once
#include <cstddef>

struct FontManageData;
struct FontCacheCell;

// Fonts made now keep their glyphs in a texture: graphs go to the 3D device,
// and its 16-bit alpha formats are 4444 (anti-aliased) and 1555 (the others).
bool FontTextureCacheWanted();
// Cache width and height, cell capacity and cells per column for the font's
// cell width; false when no texture can be that large.
bool SizeFontTextureCache(FontManageData* f);
// The staging image one cell passes through (pixels zeroed); 0, or -1 when
// its memory cannot be had.
int CreateFontStagingImage(FontManageData* f);
// Makes the cache graph (and the edge graph of an edged font) when its
// rebuild flag is set, filled white and transparent, and empties the glyph
// cache; 0, or -1 with the flag left set so the next draw tries again.
int MakeFontCacheGraph(FontManageData* f, int fontHandle);
// Deletes the graphs still alive and frees the staging image.
void ReleaseFontTextureCache(FontManageData* f);
// Writes a fetched glyph bitmap into the cell through the staging image:
// white texels, alpha from the glyph (and the edge from the mask offsets,
// dx, dy pairs, into the edge graph's half).
void WriteFontTextureGlyph(FontManageData* f, const FontCacheCell* cell, const unsigned char* bits, int pitch,
                           int boxW, int boxH, const signed char* mask, size_t maskPairs);
