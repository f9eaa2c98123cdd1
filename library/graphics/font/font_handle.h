// Font handles: the font record with its glyph cache, the table of 40 fonts,
// creation, deletion, the default font and the re-creation of every font.
#pragma once
#include <cstdint>

#include "graphics/image/graph_image.h"
#include "platform/glyphs_freetype.h"

constexpr int FONT_HANDLE_MAX = 40;
constexpr int FONT_CACHE_CELL_MAX = 2024;
constexpr int FONT_FACE_NAME_SIZE = 256;
constexpr int DEFAULT_FONT_FACE_SIZE = 128;

// Font types: bit 0 edge, bit 1 anti-aliased.
constexpr int FONT_TYPE_EDGE = 1;
constexpr int FONT_TYPE_ANTIALIAS = 2;

struct FontCacheCell {
    uint16_t inUse;
    int16_t leftOffset;      // glyph origin x
    int16_t topOffset;       // ascent - origin y: row of the black box's top
    int16_t advance;         // pen advance (edge included)
    int32_t cellNumber;      // fixed place in the cache, -1 past the last cell
    uint16_t width, height;  // black box (edge included), at most the cell
    uint16_t code;           // the character it holds while in use
};

struct FontManageData {
    int serial;              // the handle's check value; first, as every handle record
    int* lostFlag;
    FontCacheCell cells[FONT_CACHE_CELL_MAX + 1];
    // Per character code, its cell's place in cells plus one; 0 while the
    // code is not cached. Two bytes a code keep the index at 128 KB a font.
    uint16_t codeCell[65536];
    int usedCells;           // next cell of the ring
    int cellCapacity;
    unsigned char* cacheImage;   // one column of square cells
    int cacheImagePitch;
    int cacheImageBits;          // 1 or 8
    char faceName[FONT_FACE_NAME_SIZE];
    int thickness;
    int size;
    int cellHeight;
    int italic;
    int spacing;
    int cellWidth;               // also the side of a cache cell
    GlyphFontHandle glyphFont;
    const GlyphSource* glyphSource;   // the source that made glyphFont
    int ascent;
    int type;
    int charsetIndex;
    int edgeSize;
    int cacheWidth, cacheHeight;
    int cellsPerColumn;
    int drawScreenSurface;       // 2D surface the back end composes blended text in, -1 none
    int drawScreenRebuild;       // 1 = make it (again); the surface's lost flag
    int cacheGraph;              // texture cache graph, -1 none
    int edgeGraph;               // its right half, the edges of an edged font; -1 none
    int cacheRebuild;            // 1 = make the cache graph (again); its lost flag
    int edgeGraphLost;           // the edge graph's lost flag
    GraphImage staging;          // one cell's texels on their way to the cache graph
    int textureCache;            // 1 = cache is a texture graph (the 3D back end's)
};

// The glyph source fonts are made with from now on; null = FreeType.
void SetFontGlyphSource(const GlyphSource* source);
const GlyphSource* GetFontGlyphSource();

int InitFont();
int TerminateFont();
// Program-start values of the default font's settings (graphics start-up).
int ResetDefaultFontState();

int CreateFontToHandleImpl(const char* fontName, int size, int thickness, int fontType, int charsetIndex,
                           int edgeSize, int italic, int slotIndex, int serial);
int DeleteFontToHandleImpl(int fontHandle);
int SetFontLostFlag(int fontHandle, int* lostFlag);
int SetFontCharSpacing(int spacing, int fontHandle);
int InitFontCache(int fontHandle);
int InitFontCacheGraph(int fontHandle);
int SetFontSizeImpl(int size);
int SetDefaultFontState(int size, int thickness);
int RefreshDefaultFont();
int RefreshAllFonts();
int GetFontStateToHandle(char* faceName, int* size, int* thickness, int fontHandle);
int GetDefaultFontHandle();
FontManageData* GetFontManageData(int fontHandle);
int CheckFontHandleValid(int fontHandle);
// Cell height of a font (the string front end's touched rectangle), -1 when invalid.
int GetFontHeightOfHandle(int fontHandle);
// The draw-screen 2D surface of a font, made when needed; -1 when none.
int GetFontDrawScreenSurface(int fontHandle);

// Graphics may draw: graphics started, and not hardware drawing without a
// surface device.
bool FontDrawingPossible();
