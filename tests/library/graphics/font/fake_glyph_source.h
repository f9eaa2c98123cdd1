// A glyph source with hand-drawn glyphs, so that cache and pixel tests know
// every bit: metrics follow the height, glyphs come from a small table, and
// every rasterised bitmap is counted.
#pragma once
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/glyphs_freetype.h"

namespace fakeglyphs {

// Rows of a glyph: '.' empty, '#' full, '1'..'9' and 'G' coverage 1..9 and 16.
struct FakeGlyph {
    std::vector<std::string> mono, gray;
    int originX, originYBelowAscent, advance;
};

struct FakeState {
    int rasterised = 0;   // bitmaps handed out
    std::vector<unsigned> lastCodes;
    int fontsOpen = 0;
};
inline FakeState& State() {
    static FakeState s;
    return s;
}

struct FakeFont {
    int height;
};

// 'A': a small three-by-two glyph; 'W': twice the font's height square (larger
// than any cell); tab: no rows; spaces; every other code: one full pixel.
inline FakeGlyph GlyphFor(unsigned code, int height) {
    if (code == 'A') return {{"#.#", ".#."}, {"G8.", ".4."}, 1, 0, 5};
    if (code == 'W') {
        std::string row(size_t(height * 2), '#');
        return {std::vector<std::string>(size_t(height * 2), row), std::vector<std::string>(size_t(height * 2), row),
                0, 0, 6};
    }
    if (code == '\t') return {{}, {}, 0, 0, 7};
    if (code == ' ') return {{}, {}, 0, 0, 4};
    if (code == 0x8140) return {{}, {}, 0, 0, 8};
    if (code > 0xFF) return {{"##", "##"}, {"GG", "GG"}, 0, 1, 8};
    return {{"#"}, {"G"}, 0, 0, 5};
}

inline GlyphFontHandle Create(const GlyphFontSpec* spec) {
    if (spec->height <= 0) return nullptr;
    State().fontsOpen += 1;
    return new FakeFont{spec->height};
}
inline void Delete(GlyphFontHandle f) {
    State().fontsOpen -= 1;
    delete static_cast<FakeFont*>(f);
}
// height h: ascent h - 2, descent 2, widest character h / 2.
inline int Metrics(GlyphFontHandle f, GlyphTextMetrics* m) {
    const int h = static_cast<FakeFont*>(f)->height;
    *m = GlyphTextMetrics{h, h - 2, 2, h / 2};
    return 0;
}
inline long Glyph(GlyphFontHandle f, unsigned code, int format, GlyphMetrics* m, unsigned char* buffer,
                  size_t size) {
    const int h = static_cast<FakeFont*>(f)->height;
    const FakeGlyph g = GlyphFor(code, h);
    const std::vector<std::string>& rows = format == GLYPH_BITMAP_MONO ? g.mono : g.gray;
    const int bh = int(rows.size()), bw = bh ? int(rows[0].size()) : 0;
    *m = GlyphMetrics{bw, bh, g.originX, (h - 2) - g.originYBelowAscent, g.advance};
    if (bh == 0) return 0;
    const int pitch = format == GLYPH_BITMAP_MONO ? (bw + 31) / 32 * 4 : (bw + 3) / 4 * 4;
    const long need = long(pitch) * bh;
    if (!buffer || size < size_t(need)) return need;
    std::memset(buffer, 0, size_t(need));
    for (int r = 0; r < bh; ++r) {
        for (int c = 0; c < bw; ++c) {
            const char ch = rows[size_t(r)][size_t(c)];
            const int v = ch == '#' || ch == 'G' ? 16 : (ch >= '1' && ch <= '9') ? ch - '0' : 0;
            if (format == GLYPH_BITMAP_MONO) {
                if (v) buffer[r * pitch + c / 8] |= uint8_t(0x80 >> (c % 8));
            } else {
                buffer[r * pitch + c] = uint8_t(v);
            }
        }
    }
    State().rasterised += 1;
    State().lastCodes.push_back(code);
    return need;
}

inline const GlyphSource* Source() {
    static const GlyphSource source{"fake", Create, Delete, Metrics, Glyph};
    return &source;
}

}  // namespace fakeglyphs
