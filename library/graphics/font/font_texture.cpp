// Texture glyph caches of the 3D road: the choice of a texture cache, its
// size, the cache graph with the edge graph over its right half, the staging
// image, and glyph texels written into a cell through the staging image.
#include "graphics/font/font_texture.h"

#include <cstring>

#include "core/alloc.h"
#include "graphics/draw_front.h"
#include "graphics/font/font_cache.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"
#include "graphics/graph_storage.h"
#include "graphics/image/color_convert.h"

namespace {

constexpr int kCacheStart = 512;
constexpr int kMinTextureCells = 10;

// The pixel layout of a cache texture: 16-bit, an alpha channel when
// anti-aliased, an alpha test otherwise; null without a 3D road.
const ColorData* CacheColorData(bool antialias) {
    const GraphStorage* textures = TextureGraphStorage();
    if (textures == nullptr) return nullptr;
    GraphSurfaceSettings cache{};
    cache.AlphaFlag = antialias ? 1 : 0;
    cache.AlphaTestFlag = antialias ? 0 : 1;
    cache.ColorBitDepth = 16;
    return textures->textureSurfaces->colorData(cache);
}

bool IsFormat(const ColorData* c, int alpha, int colour) {
    return c && c->ColorBitDepth == 16 && c->AlphaWidth == alpha && c->RedWidth == colour &&
           c->GreenWidth == colour && c->BlueWidth == colour;
}

// Graph-creation settings changed for the cache graph and put back after it.
struct CreateSettings {
    int alpha, alphaTest, depth, use3D, drawValid;
    static CreateSettings Current() {
        return {GetMakeGraphAlphaFlag(), GetGraphAlphaTestCreateFlag(), GetGraphColorBitDepth(), GetUse3DSetting(),
                GetDrawValidGraphCreateFlag()};
    }
    void Apply() const {
        SetMakeGraphAlphaFlag(alpha);
        SetGraphAlphaTestCreateFlag(alphaTest);
        SetGraphColorBitDepth(depth);
        SetUse3DFlag(use3D);
        SetDrawValidGraphCreateFlag(drawValid);
    }
};

// Graphs the graphics system deleted already have their lost flag set.
void DeleteLiveGraphs(FontManageData* f) {
    if (f->edgeGraph >= 0 && !f->edgeGraphLost) DeleteGraphImpl(f->edgeGraph, 0);
    if (f->cacheGraph >= 0 && !f->cacheRebuild) DeleteGraphImpl(f->cacheGraph, 0);
    f->edgeGraph = -1;
    f->cacheGraph = -1;
}

uint16_t& Texel(const GraphImage& image, int x, int y) {
    return reinterpret_cast<uint16_t*>(static_cast<unsigned char*>(image.Pixels) + size_t(y) * size_t(image.Pitch))[x];
}

}  // namespace

bool FontTextureCacheWanted() {
    return GetUse3DFlag() && IsFormat(CacheColorData(true), 4, 4) && IsFormat(CacheColorData(false), 1, 5);
}

bool SizeFontTextureCache(FontManageData* f) {
    const int side = f->cellWidth;
    const int largest = ChooseGraphStorage(1).largestSide();
    int width = kCacheStart, height = kCacheStart;
    while ((width / side) * (height / side) < kMinTextureCells) {
        if (width <= height) width *= 2;
        else height *= 2;
        if (width > largest || height > largest) return false;
    }
    const int capacity = (width / side) * (height / side);
    f->cacheWidth = width;
    f->cacheHeight = height;
    f->cellCapacity = capacity < FONT_CACHE_CELL_MAX ? capacity : FONT_CACHE_CELL_MAX;
    f->cellsPerColumn = height / side;
    return true;
}

int CreateFontStagingImage(FontManageData* f) {
    const bool edge = (f->type & FONT_TYPE_EDGE) != 0;
    GraphImage& s = f->staging;
    s.ColorInfo = *CacheColorData((f->type & FONT_TYPE_ANTIALIAS) != 0);
    s.Width = edge ? f->cellWidth * 2 : f->cellWidth;
    s.Height = f->cellWidth;
    s.Pitch = s.ColorInfo.PixelByte * s.Width;
    s.Pixels = ZVCALLOC(size_t(s.Pitch) * size_t(s.Height));
    return s.Pixels ? 0 : -1;
}

int MakeFontCacheGraph(FontManageData* f, int fontHandle) {
    if (f->cacheRebuild != 1) return 0;
    // Whatever is left of the old pair goes; the new pair starts empty.
    DeleteLiveGraphs(f);
    const bool antialias = (f->type & FONT_TYPE_ANTIALIAS) != 0, edge = (f->type & FONT_TYPE_EDGE) != 0;
    const CreateSettings saved = CreateSettings::Current();
    CreateSettings{antialias ? 1 : 0, antialias ? 0 : 1, 16, 1, 0}.Apply();
    const int graph = MakeGraphImpl(edge ? f->cacheWidth * 2 : f->cacheWidth, f->cacheHeight, 0);
    const GraphData* g = GetGraphData(graph);
    bool made = g && g->Settings.TextureFlag;
    int edgeGraph = -1;
    if (made && edge) {
        edgeGraph = DerivationGraph(f->cacheWidth, 0, f->cacheWidth, f->cacheHeight, graph);
        made = edgeGraph >= 0;
    }
    saved.Apply();
    if (!made) {
        if (edgeGraph >= 0) DeleteGraphImpl(edgeGraph, 0);
        if (graph >= 0) DeleteGraphImpl(graph, 0);
        return -1;
    }
    f->cacheGraph = graph;
    SetGraphLostFlag(graph, &f->cacheRebuild);
    f->edgeGraph = edgeGraph;
    if (edgeGraph >= 0) SetGraphLostFlag(edgeGraph, &f->edgeGraphLost);
    FillGraph(graph, 255, 255, 255, 0);
    InitFontCache(fontHandle);
    return 0;
}

void ReleaseFontTextureCache(FontManageData* f) {
    DeleteLiveGraphs(f);
    if (f->staging.Pixels) ZvFree(f->staging.Pixels);
    f->staging.Pixels = nullptr;
}

void WriteFontTextureGlyph(FontManageData* f, const FontCacheCell* cell, const unsigned char* bits, int pitch,
                           int boxW, int boxH, const signed char* mask, size_t maskPairs) {
    const GraphImage& st = f->staging;
    if (!st.Pixels) return;
    const ColorData& c = st.ColorInfo;
    const int side = f->cellWidth;
    const bool antialias = (f->type & FONT_TYPE_ANTIALIAS) != 0, edge = (f->type & FONT_TYPE_EDGE) != 0;
    const int s = edge ? f->edgeSize : 0;
    const uint16_t white = uint16_t(c.RedMask | c.GreenMask | c.BlueMask);
    // White everywhere, so that filtering at a glyph's border blends no colour in.
    for (int y = 0; y < st.Height; ++y)
        for (int x = 0; x < st.Width; ++x) Texel(st, x, y) = white;

    for (int r = 0; r < boxH; ++r) {
        const unsigned char* src = bits + size_t(r) * size_t(pitch);
        for (int col = 0; col < boxW; ++col) {
            int v;
            if (antialias) v = src[col] > 16 ? 16 : src[col];
            else v = (src[col >> 3] >> (7 - (col & 7))) & 1;
            if (!v) continue;
            // Coverage v - 1 in the top four alpha bits, the bits below all set.
            const uint16_t alpha =
                antialias ? uint16_t(((uint32_t(v) << (c.AlphaLoc + c.AlphaWidth - 4)) - 1) & c.AlphaMask)
                          : uint16_t(c.AlphaMask);
            const int px = col + s, py = r + s;
            if (px < side && py < side) Texel(st, px, py) = uint16_t(white | alpha);
            for (size_t k = 0; k < maskPairs; ++k) {
                const int ex = px + mask[2 * k], ey = py + mask[2 * k + 1];
                if (ex < 0 || ey < 0 || ex >= side || ey >= side) continue;
                uint16_t& q = Texel(st, side + ex, ey);
                if ((q & c.AlphaMask) < alpha) q = uint16_t(white | alpha);
            }
        }
    }
    // Where the glyph covers a pixel fully the edge stays hidden, also when
    // the text is blended: no edge under it.
    if (edge) {
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if ((Texel(st, x, y) & c.AlphaMask) == c.AlphaMask) Texel(st, side + x, y) = white;
    }
    // The whole cell goes, so that no texel of an older glyph stays in it.
    const FontCellOrigin at = FontCellAt(f, cell);
    const ImageRect glyph{0, 0, side, side};
    BltGraphImageRectToGraph(nullptr, &st, nullptr, &glyph, at.x, at.y, f->cacheGraph, 0, 0);
    if (edge) {
        const ImageRect outline{side, 0, 2 * side, side};
        BltGraphImageRectToGraph(nullptr, &st, nullptr, &outline, at.x + f->cacheWidth, at.y, f->cacheGraph, 0, 0);
    }
}
