// Glyph source: fonts by face, height, weight and charset, their text metrics
// and per-glyph bitmaps, as a table of operations; the FreeType + fontconfig
// source is the one the library starts with.
#pragma once
#include <cstddef>

// An opened font of a glyph source; only the source that made it reads it.
using GlyphFontHandle = void*;

struct GlyphFontSpec {
    const char* faceName;   // Shift-JIS; null or empty = the default face
    int height;             // ascent + descent in pixels
    int weight;             // 100 .. 900; 600 and more draws bold
    int italic;
    int charset;            // 1 default, 128 Shift-JIS, 129 Hangeul
};

struct GlyphTextMetrics {
    int height;             // ascent + descent
    int ascent;
    int descent;
    int maxCharWidth;
};

struct GlyphMetrics {
    int blackBoxX, blackBoxY;   // bitmap size; 0, 0 for a glyph without pixels
    int originX, originY;       // left of the bitmap from the pen, top above the baseline
    int cellIncX;               // pen advance
};

enum GlyphBitmapFormat {
    GLYPH_BITMAP_MONO = 1,    // 1 bit per pixel, leftmost pixel in the high bit
    GLYPH_BITMAP_GRAY4 = 5,   // 1 byte per pixel, coverage 0..16
};

struct GlyphSource {
    const char* name;
    // Null when no font can be made of these settings.
    GlyphFontHandle (*createFont)(const GlyphFontSpec* spec);
    void (*deleteFont)(GlyphFontHandle font);
    int (*getTextMetrics)(GlyphFontHandle font, GlyphTextMetrics* out);
    // The glyph of a code (a byte, or lead byte * 256 + trail byte in the
    // font's charset): fills the metrics and returns the bitmap's byte size,
    // rows padded to 4 bytes (0 for a glyph without pixels), or -1 on failure.
    // With a buffer of at least that size the bitmap is written there.
    long (*getGlyph)(GlyphFontHandle font, unsigned code, int format, GlyphMetrics* metrics, unsigned char* buffer,
                     size_t bufferSize);
};

const GlyphSource* GetFreeTypeGlyphSource();
