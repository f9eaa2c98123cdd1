// Glyph cache: strings turned into character codes, glyphs rasterised into
// the cells of a font's cache in batches, and the lookup by code.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/font/font_handle.h"

// The cell's top-left pixel in the cache: cells fill its columns top to bottom.
struct FontCellOrigin {
    int x, y;
};
inline FontCellOrigin FontCellAt(const FontManageData* f, const FontCacheCell* cell) {
    return {cell->cellNumber / f->cellsPerColumn * f->cellWidth, cell->cellNumber % f->cellsPerColumn * f->cellWidth};
}

// Cache pixels of a cell row: the cell's top row in the cache image.
inline unsigned char* FontCellRow(const FontManageData* f, const FontCacheCell* cell, int row) {
    return f->cacheImage + size_t(FontCellAt(f, cell).y + row) * size_t(f->cacheImagePitch);
}

// 1 when the byte begins a double-byte character of the charset index
// (2 Hangeul, else Shift-JIS).
int CheckMultiByteChar(const char* byte, int charsetIndex);

// Codes of a string: a single byte, or lead byte + 256 x trail byte. A
// length of -1 (or past the terminator) takes the whole string; a lead byte
// without its trail byte ends the string.
void FontStringToCodes(const char* string, int length, int charsetIndex, std::vector<uint16_t>& codes);

// Converts the string into codes (into the engine's own list when codes is
// null) and caches, in one batch, the codes not yet cached; 0 or -1.
int FontCacheStringAdd(int fontHandle, const char* string, int length, std::vector<uint16_t>* codes,
                       int* charCount);
// Rasterises each code into the next cell of the ring; the cell of the last
// code, or null (no codes, invalid font, graphics not drawing).
FontCacheCell* AddFontCacheChar(int count, const uint16_t* codes, int fontHandle);
// The cell of a code, rasterising it alone when it is not cached.
FontCacheCell* FontCacheLookup(FontManageData* f, int fontHandle, uint16_t code);
// The cell that holds code, null when it is not cached.
FontCacheCell* FindCachedCell(FontManageData* f, uint16_t code);

inline bool IsFontSpaceCode(uint16_t code) { return code == 0x20 || code == 0x4081; }
