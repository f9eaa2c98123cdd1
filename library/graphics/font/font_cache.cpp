// Glyph cache: code lists of strings, batch rasterising through the glyph
// source into square cells (1-bit, edge, coverage and coverage-with-edge
// pixels in memory, or texels of a texture cache), the ring reuse of cells
// and the emptying of a cache.
#include "graphics/font/font_cache.h"

#include <cstring>

#include "core/log.h"
#include "core/routines.h"
#include "graphics/font/font_texture.h"

namespace {

constexpr int kBatchMax = 256;
constexpr int kEdgeMaskMax = 4;   // larger edges take the whole square

// Neighbours that receive the edge, one string per row of the (2s+1) square.
const char* const kEdgeMask2[] = {".XXX.", "XXXXX", "XXXXX", "XXXXX", ".XXX."};
const char* const kEdgeMask3[] = {"...X...", ".XXXXX.", ".XXXXX.", "XXXXXXX", ".XXXXX.", ".XXXXX.", "...X..."};
const char* const kEdgeMask4[] = {"..XXXXX..", ".XXXXXXX.", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX",
                                  "XXXXXXXXX", "XXXXXXXXX", ".XXXXXXX.", "..XXXXX.."};

struct FontCacheState {
    std::vector<uint16_t> codes;      // the engine's code list
    std::vector<uint16_t> misses;     // codes of one batch
    std::vector<unsigned char> bitmap;
    std::vector<signed char> maskOffsets;   // dx, dy pairs of the current edge mask
};
FontCacheState g_cache;

void BuildEdgeMask(int s) {
    std::vector<signed char>& m = g_cache.maskOffsets;
    m.clear();
    for (int dy = -s; dy <= s; ++dy) {
        for (int dx = -s; dx <= s; ++dx) {
            bool on;
            if (s == 1) on = (dx == 0) != (dy == 0);
            else if (s > kEdgeMaskMax) on = true;
            else {
                const char* const* rows = s == 2 ? kEdgeMask2 : s == 3 ? kEdgeMask3 : kEdgeMask4;
                on = rows[dy + s][dx + s] == 'X';
            }
            if (on) {
                m.push_back(static_cast<signed char>(dx));
                m.push_back(static_cast<signed char>(dy));
            }
        }
    }
}

// Writes the fetched bitmap into the cell; nothing lands outside the cell.
// Edged fonts use the mask BuildEdgeMask made for the batch.
void ConvertGlyph(FontManageData* f, FontCacheCell* cell, const unsigned char* bits, int pitch, int boxW, int boxH) {
    const int side = f->cellWidth;
    const int s = (f->type & FONT_TYPE_EDGE) ? f->edgeSize : 0;
    unsigned char* const cellTop = FontCellRow(f, cell, 0);
    auto row = [&](int r) { return cellTop + size_t(r) * size_t(f->cacheImagePitch); };
    switch (f->type) {
        case 0: {
            const int bytes = (boxW + 7) / 8 < f->cacheImagePitch ? (boxW + 7) / 8 : f->cacheImagePitch;
            for (int r = 0; r < boxH && r < side; ++r) std::memcpy(row(r), bits + size_t(r) * pitch, size_t(bytes));
            break;
        }
        case FONT_TYPE_ANTIALIAS:
            for (int r = 0; r < boxH && r < side; ++r) {
                const unsigned char* src = bits + size_t(r) * pitch;
                unsigned char* out = row(r);
                for (int c = 0; c < boxW && c < side; ++c) {
                    const int v = src[c] > 16 ? 16 : src[c];
                    if (v) out[c] = uint8_t(v - 1);
                }
            }
            break;
        case FONT_TYPE_EDGE:
        case FONT_TYPE_EDGE | FONT_TYPE_ANTIALIAS: {
            const std::vector<signed char>& m = g_cache.maskOffsets;
            const bool aa = (f->type & FONT_TYPE_ANTIALIAS) != 0;
            for (int r = 0; r < boxH; ++r) {
                const unsigned char* src = bits + size_t(r) * pitch;
                for (int c = 0; c < boxW; ++c) {
                    int v;
                    if (aa) v = src[c] > 16 ? 16 : src[c];
                    else v = (src[c >> 3] >> (7 - (c & 7))) & 1;
                    if (!v) continue;
                    const int px = c + s, py = r + s;
                    if (px < side && py < side) {
                        unsigned char& p = row(py)[px];
                        p = aa ? uint8_t((p & 0xF0) | (v - 1)) : 1;
                    }
                    for (size_t k = 0; k < m.size(); k += 2) {
                        const int ex = px + m[k], ey = py + m[k + 1];
                        if (ex < 0 || ey < 0 || ex >= side || ey >= side) continue;
                        unsigned char& q = row(ey)[ex];
                        if (aa) {
                            if ((q >> 4) < v - 1) q = uint8_t((q & 0x0F) | (v - 1) << 4);
                        } else if (q != 1) {
                            q = 2;
                        }
                    }
                }
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace

int CheckMultiByteChar(const char* byte, int charsetIndex) {
    const unsigned char c = static_cast<unsigned char>(*byte);
    if (charsetIndex == 2) return c >= 0x80 ? 1 : 0;
    return IsShiftJisLead(c) ? 1 : 0;
}

void FontStringToCodes(const char* string, int length, int charsetIndex, std::vector<uint16_t>& codes) {
    codes.clear();
    if (!string) return;
    size_t end = std::strlen(string);
    if (length >= 0 && size_t(length) < end) end = size_t(length);
    for (size_t i = 0; i < end;) {
        const unsigned char lead = static_cast<unsigned char>(string[i]);
        if (CheckMultiByteChar(string + i, charsetIndex)) {
            if (i + 1 >= end) break;   // no trail byte: the string ends here
            codes.push_back(uint16_t(lead | static_cast<unsigned char>(string[i + 1]) << 8));
            i += 2;
        } else {
            codes.push_back(lead);
            i += 1;
        }
    }
}

int InitFontCache(int fontHandle) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    std::memset(f->codeCell, 0, sizeof f->codeCell);
    for (int k = 0; k <= FONT_CACHE_CELL_MAX; ++k) {
        FontCacheCell& c = f->cells[k];
        std::memset(&c, 0, sizeof c);
        c.cellNumber = k < f->cellCapacity ? k : -1;
    }
    f->usedCells = 0;
    return 0;
}

FontCacheCell* AddFontCacheChar(int count, const uint16_t* codes, int fontHandle) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (count <= 0 || !codes || !f || !FontDrawingPossible()) return nullptr;
    if (f->textureCache ? !f->staging.Pixels : !f->cacheImage) return nullptr;
    const GlyphSource* src = f->glyphSource;
    const int format = (f->type & FONT_TYPE_ANTIALIAS) ? GLYPH_BITMAP_GRAY4 : GLYPH_BITMAP_MONO;
    const int grow = (f->type & FONT_TYPE_EDGE) ? f->edgeSize * 2 : 0;
    if (f->type & FONT_TYPE_EDGE) BuildEdgeMask(f->edgeSize);
    FontCacheCell* cell = nullptr;
    for (int i = 0; i < count; ++i) {
        const uint16_t code = codes[i];
        cell = &f->cells[f->usedCells];
        const uint16_t place = uint16_t(f->usedCells + 1);
        if (cell->inUse) {
            // The old code leaves the cache, unless its index already moved to a newer cell.
            if (f->codeCell[cell->code] == place) f->codeCell[cell->code] = 0;
            cell->inUse = 0;
        }
        f->codeCell[code] = place;
        cell->inUse = 1;
        cell->code = code;
        if (!f->textureCache)
            std::memset(FontCellRow(f, cell, 0), 0, size_t(f->cacheImagePitch) * size_t(f->cellWidth));

        const unsigned lead = code & 0xFF, trail = code >> 8;
        const unsigned glyphCode = trail ? lead << 8 | trail : lead;
        GlyphMetrics gm{};
        const long size = src->getGlyph(f->glyphFont, glyphCode, format, &gm, nullptr, 0);
        if (size < 0) ZoVav_FatalError("GetGlyphOutline 関数が失敗しました");
        cell->advance = int16_t(gm.cellIncX);
        cell->leftOffset = 0;
        cell->topOffset = 0;
        cell->width = cell->height = 0;
        // Spaces, and glyphs without rows (controls, codes the font lacks),
        // keep only their advance.
        const int pitch = gm.blackBoxY > 0 ? int(size / gm.blackBoxY) / 4 * 4 : 0;
        if (!IsFontSpaceCode(code) && size > 0 && gm.blackBoxX > 0 && pitch > 0) {
            g_cache.bitmap.assign(size_t(size), 0);
            if (src->getGlyph(f->glyphFont, glyphCode, format, &gm, g_cache.bitmap.data(), size_t(size)) < 0)
                ZoVav_FatalError("GetGlyphOutline 関数が失敗しました");
            cell->leftOffset = int16_t(gm.originX);
            cell->topOffset = int16_t(f->ascent - gm.originY);
            const int boxW = gm.blackBoxX, boxH = int(size / pitch) < gm.blackBoxY ? int(size / pitch) : gm.blackBoxY;
            if (f->textureCache)
                WriteFontTextureGlyph(f, cell, g_cache.bitmap.data(), pitch, boxW, boxH, g_cache.maskOffsets.data(),
                                      (f->type & FONT_TYPE_EDGE) ? g_cache.maskOffsets.size() / 2 : 0);
            else
                ConvertGlyph(f, cell, g_cache.bitmap.data(), pitch, boxW, boxH);
            const int w = boxW + grow, h = boxH + grow;
            cell->width = uint16_t(w < f->cellWidth ? w : f->cellWidth);
            cell->height = uint16_t(h < f->cellWidth ? h : f->cellWidth);
        }
        cell->advance = int16_t(cell->advance + grow);
        f->usedCells += 1;
        if (f->usedCells >= f->cellCapacity) f->usedCells = 0;
    }
    return cell;
}

int FontCacheStringAdd(int fontHandle, const char* string, int length, std::vector<uint16_t>* codes,
                       int* charCount) {
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    std::vector<uint16_t>& list = codes ? *codes : g_cache.codes;
    FontStringToCodes(string, length, f->charsetIndex, list);
    if (charCount) *charCount = int(list.size());

    // Each missing code once: a code rasterised twice in one batch would
    // leave a second cell claiming the same index entry.
    const size_t limit = size_t(f->cellCapacity < kBatchMax ? f->cellCapacity : kBatchMax);
    std::vector<uint16_t>& misses = g_cache.misses;
    misses.clear();
    for (uint16_t code : list) {
        if (misses.size() >= limit) break;
        if (f->codeCell[code] != 0) continue;
        bool seen = false;
        for (uint16_t m : misses) {
            if (m == code) {
                seen = true;
                break;
            }
        }
        if (!seen) misses.push_back(code);
    }
    if (!misses.empty()) AddFontCacheChar(int(misses.size()), misses.data(), fontHandle);
    return 0;
}

FontCacheCell* FindCachedCell(FontManageData* f, uint16_t code) {
    return f->codeCell[code] ? &f->cells[f->codeCell[code] - 1] : nullptr;
}

FontCacheCell* FontCacheLookup(FontManageData* f, int fontHandle, uint16_t code) {
    if (FontCacheCell* cached = FindCachedCell(f, code)) return cached;
    FontCacheCell* cell = AddFontCacheChar(1, &code, fontHandle);
    if (!cell) ZoVav_FatalError("テキストキャッシュの作成に失敗しました");
    return cell;
}
