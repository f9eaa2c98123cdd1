// Text engine: measures strings, and writes cached glyphs straight into a
// software image in its pixel layout (palette byte, 16-bit, 16-bit with an
// alpha byte, 32-bit), plain, edged or anti-aliased, horizontal or vertical;
// glyphs of a texture cache are drawn as cells of the cache graph instead.
#include "graphics/font/font_draw.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "graphics/font/font_cache.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "graphics/memimg/memimg_graphics.h"

namespace {

struct FontDrawState {
    std::vector<uint16_t> codes;   // the string being drawn, kept to spare an allocation per call
    TextureRectDraw textureRect = nullptr;
};
FontDrawState g_draw;

enum PixelLayout { LAYOUT_8, LAYOUT_16, LAYOUT_16_ALPHA, LAYOUT_32 };

struct Channels {
    int c[3];   // red, green, blue in the layout's widths
};

struct GlyphWriter {
    PixelLayout layout;
    int type;
    int trans;
    int bits[3];       // channel widths
    Channels text, edge;
    uint32_t textByte, edgeByte;   // palette indices
};

// What a destination image can take: anti-aliased glyphs need room for alpha.
bool ChooseLayout(const MEMIMG* dest, int type, PixelLayout& layout) {
    if (dest->PaletteFlag) layout = LAYOUT_8;
    else if (dest->Format == MEMIMG_FORMAT_R5G6B5) layout = dest->AlphaFlag ? LAYOUT_16_ALPHA : LAYOUT_16;
    else if (dest->Format == MEMIMG_FORMAT_X8R8G8B8) layout = LAYOUT_32;
    else return false;
    const bool aa = (type & FONT_TYPE_ANTIALIAS) != 0;
    return !(aa && (layout == LAYOUT_8 || layout == LAYOUT_16));
}

Channels SplitColor(int color, uint32_t bright, const int bits[3]) {
    int rgb[3];
    GetColorRGBImpl(color, &rgb[0], &rgb[1], &rgb[2]);
    const int mul[3] = {int(bright >> 16 & 0xFF), int(bright >> 8 & 0xFF), int(bright & 0xFF)};
    Channels out;
    for (int i = 0; i < 3; ++i) out.c[i] = (rgb[i] * mul[i] / 255) >> (8 - bits[i]);
    return out;
}

uint32_t Pack(const GlyphWriter& w, const Channels& ch, int alpha) {
    switch (w.layout) {
        case LAYOUT_16: return uint32_t(ch.c[0] << 11 | ch.c[1] << 5 | ch.c[2]);
        case LAYOUT_16_ALPHA: return uint32_t(ch.c[0] << 11 | ch.c[1] << 5 | ch.c[2]) | uint32_t(alpha) << 16;
        default: return uint32_t(ch.c[0]) << 16 | uint32_t(ch.c[1]) << 8 | uint32_t(ch.c[2]) | uint32_t(alpha) << 24;
    }
}

void Store(const GlyphWriter& w, unsigned char* p, uint32_t v) {
    switch (w.layout) {
        case LAYOUT_8: *p = uint8_t(v); break;
        case LAYOUT_16: *reinterpret_cast<uint16_t*>(p) = uint16_t(v); break;
        default: *reinterpret_cast<uint32_t*>(p) = v; break;
    }
}

// One cache value (a bit, or a byte of the font's type) onto one pixel.
void WritePixel(const GlyphWriter& w, unsigned char* p, unsigned v) {
    const bool palette = w.layout == LAYOUT_8;
    switch (w.type) {
        case 0:
        case FONT_TYPE_EDGE:
            if (v == 1) return Store(w, p, palette ? w.textByte : Pack(w, w.text, 255));
            if (v == 2 && w.type == FONT_TYPE_EDGE) return Store(w, p, palette ? w.edgeByte : Pack(w, w.edge, 255));
            break;
        case FONT_TYPE_ANTIALIAS:
            if (v & 0x0F) return Store(w, p, Pack(w, w.text, 16 * int(v & 0x0F)));
            break;
        default: {
            const int b = int(v & 0x0F), e = int(v >> 4);
            if (b == 0 && e == 0) break;
            if (b == 0) return Store(w, p, Pack(w, w.edge, 16 * e));
            if (b == 15) return Store(w, p, Pack(w, w.text, 255));
            const int a = (15 - b) * e + 16 * b;
            const int ratio = 4096 * b / a;
            Channels mix;
            for (int i = 0; i < 3; ++i) mix.c[i] = w.edge.c[i] + (w.text.c[i] - w.edge.c[i]) * ratio / 256;
            return Store(w, p, Pack(w, mix, a));
        }
    }
    if (!w.trans) Store(w, p, 0);
}

// One cache value of a cell row: a bit of a 1-bit cache, else a byte.
inline unsigned CacheValue(const unsigned char* row, int cacheBits, int c) {
    if (cacheBits == 1) return (row[c >> 3] >> (7 - (c & 7))) & 1;
    return row[c];
}

// Where a glyph's box lands: at (gx, gy), or turned a quarter turn clockwise
// with its top-right corner there for vertical text. Worked out wide, so
// that a string drawn near the int limits finds its glyphs off the image
// rather than wrapped onto it.
struct GlyphBox {
    long long left, top, right, bottom;
};

GlyphBox BoxOf(const FontCacheCell* cell, long long gx, long long gy, bool vertical) {
    if (vertical) return {gx - cell->height + 1, gy, gx + 1, gy + cell->width};
    return {gx, gy, gx + cell->width, gy + cell->height};
}

bool Meets(const GlyphBox& b, const ImageRect& clip) {
    return b.left < clip.right && b.right > clip.left && b.top < clip.bottom && b.bottom > clip.top;
}

// The glyph's box (BoxOf at gx, gy) clipped and written.
void DrawCell(const GlyphWriter& w, const FontManageData* f, const FontCacheCell* cell, MEMIMG* dest,
              const ImageRect& clip, const GlyphBox& box, int gx, int gy, bool vertical) {
    const ImageRect r{int(std::max<long long>(box.left, clip.left)), int(std::max<long long>(box.top, clip.top)),
                      int(std::min<long long>(box.right, clip.right)),
                      int(std::min<long long>(box.bottom, clip.bottom))};
    if (r.left >= r.right || r.top >= r.bottom) return;
    const int bytes = w.layout == LAYOUT_8 ? 1 : w.layout == LAYOUT_16 ? 2 : 4;
    const unsigned char* cellTop = FontCellRow(f, cell, 0);
    const size_t cachePitch = size_t(f->cacheImagePitch);
    for (int py = r.top; py < r.bottom; ++py) {
        unsigned char* line = dest->Pixels + size_t(py) * size_t(dest->Pitch);
        for (int px = r.left; px < r.right; ++px) {
            const int c = vertical ? py - gy : px - gx;
            const int row = vertical ? gx - px : py - gy;
            const unsigned v = CacheValue(cellTop + size_t(row) * cachePitch, f->cacheImageBits, c);
            WritePixel(w, line + size_t(px) * size_t(bytes), v);
        }
    }
}

// Texture-cached text, which only the 3D road has: each glyph is a cell of
// the cache graph drawn with the text colour as brightness, over the same
// cell of the edge graph drawn in the edge colour. No blend graph applies
// meanwhile. Glyphs are clipped by the draw area the device clips to.
class TextureGlyphs {
public:
    TextureGlyphs(const FontManageData* f, int color, int edgeColor, uint32_t bright)
        : f_(f), cache_(GetGraphData(f->cacheGraph)), edgeGraph_(GetGraphData(f->edgeGraph)) {
        const int bits[3] = {8, 8, 8};
        text_ = Brightness(SplitColor(color, bright, bits));
        edge_ = Brightness(SplitColor(edgeColor, bright, bits));
        const GraphDrawState& ds = GetGraphDrawState();
        savedBright_ = ds.DrawBright;
        savedBlend_[0] = ds.BlendGraph;
        savedBlend_[1] = ds.BlendGraphBorderParam;
        savedBlend_[2] = ds.BlendGraphBorderRange;
        SetBlendGraph(-1, 0, 0);
    }
    ~TextureGlyphs() {
        SetBlendGraph(savedBlend_[0], savedBlend_[1], savedBlend_[2]);
        SetDrawBrightColor(savedBright_);
    }

    // The glyph box at (gx, gy), or turned a quarter turn clockwise with its
    // top-right corner at (gx, gy) for vertical text.
    void Draw(const FontCacheCell* cell, int gx, int gy, bool vertical) const {
        const FontCellOrigin at = FontCellAt(f_, cell);
        const GraphData* graphs[2] = {edgeGraph_, cache_};
        const uint32_t colors[2] = {edge_, text_};
        for (int i = 0; i < 2; ++i) {
            if (!graphs[i]) continue;
            SetDrawBrightColor(colors[i]);
            g_draw.textureRect(gx, gy, at.x, at.y, cell->width, cell->height, graphs[i], 1, vertical ? 1 : 0);
        }
    }

private:
    static uint32_t Brightness(const Channels& ch) {
        return uint32_t(ch.c[0]) << 16 | uint32_t(ch.c[1]) << 8 | uint32_t(ch.c[2]);
    }

    const FontManageData* f_;
    const GraphData* cache_;
    const GraphData* edgeGraph_;
    uint32_t text_ = 0, edge_ = 0, savedBright_ = 0;
    int savedBlend_[3] = {-1, 0, 0};
};

}  // namespace

int DrawStringCore(int drawFlag, int x, int y, const char* string, int color, MEMIMG* dest, const ImageRect* clip,
                   int transFlag, int fontHandle, int edgeColor, int length, int verticalFlag, int* sizeOut,
                   uint32_t bright) {
    if (!FontDrawingPossible()) return -1;
    FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    if (!string || !string[0]) return 0;

    // A texture cache has no pixels a software image could take.
    if (drawFlag && f->textureCache && dest) return -1;
    const bool texture = drawFlag && f->textureCache;
    GlyphWriter w{};
    ImageRect area{0, 0, 0, 0};
    if (drawFlag && !texture) {
        if (!dest || !CheckValidMemImg(dest) || !dest->Pixels) return -1;
        if (!ChooseLayout(dest, f->type, w.layout)) return -1;
        w.type = f->type;
        w.trans = transFlag;
        const bool wide = w.layout == LAYOUT_32;
        w.bits[0] = w.bits[2] = wide ? 8 : 5;
        w.bits[1] = wide ? 8 : 6;
        w.text = SplitColor(color, bright, w.bits);
        w.edge = SplitColor(edgeColor, bright, w.bits);
        w.textByte = uint32_t(color) & 0xFF;
        w.edgeByte = uint32_t(edgeColor) & 0xFF;
        area = ImageRect{0, 0, dest->Width, dest->Height};
        if (clip) {
            if (clip->left > area.left) area.left = clip->left;
            if (clip->top > area.top) area.top = clip->top;
            if (clip->right < area.right) area.right = clip->right;
            if (clip->bottom < area.bottom) area.bottom = clip->bottom;
        }
    }

    std::vector<uint16_t>& codes = g_draw.codes;
    FontCacheStringAdd(fontHandle, string, length, &codes, nullptr);
    std::optional<TextureGlyphs> glyphs;
    if (texture) {
        if (!g_draw.textureRect) return -1;
        glyphs.emplace(f, color, edgeColor, bright);
    }
    // Glyphs outside the image, or outside the draw area for a texture cache,
    // are skipped; the rest lie within int range.
    if (texture) area = clip ? *clip : ImageRect{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    const long long wideX = x, wideY = y;
    int pen = 0;
    for (uint16_t code : codes) {
        const FontCacheCell* cell = FontCacheLookup(f, fontHandle, code);
        if (drawFlag && !IsFontSpaceCode(code) && (cell->width || cell->height)) {
            const long long gx =
                verticalFlag ? wideX + f->cellHeight - cell->topOffset : wideX + pen + cell->leftOffset;
            const long long gy = verticalFlag ? wideY + pen + cell->leftOffset : wideY + cell->topOffset;
            const GlyphBox box = BoxOf(cell, gx, gy, verticalFlag != 0);
            if (Meets(box, area)) {
                if (glyphs) glyphs->Draw(cell, int(gx), int(gy), verticalFlag != 0);
                else DrawCell(w, f, cell, dest, area, box, int(gx), int(gy), verticalFlag != 0);
            }
        }
        pen += cell->advance + f->spacing;
    }
    if (sizeOut) {
        sizeOut[0] = verticalFlag ? f->cellHeight : pen;
        sizeOut[1] = verticalFlag ? pen : f->cellHeight;
    }
    return pen;
}

void RegisterTextureRectDraw(TextureRectDraw draw) { g_draw.textureRect = draw; }

int DrawFontStringToMemImg(MEMIMG* dest, const ImageRect* clip, int x, int y, const char* string, int color,
                           int edgeColor, int fontHandle, int verticalFlag, uint32_t bright) {
    return DrawStringCore(1, x, y, string, color, dest, clip, 1, fontHandle, edgeColor, -1, verticalFlag, nullptr,
                          bright);
}

int GetDrawStringWidthToHandle(const char* string, int length, int fontHandle, int verticalFlag) {
    return DrawStringCore(0, 0, 0, string, 0, nullptr, nullptr, 0, fontHandle, 0, length, verticalFlag, nullptr,
                          0xFFFFFF);
}

int GetDrawStringWidthImpl(const char* string, int length, int verticalFlag) {
    RefreshDefaultFont();
    return GetDrawStringWidthToHandle(string, length, GetDefaultFontHandle(), verticalFlag);
}
