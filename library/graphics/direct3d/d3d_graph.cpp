// Texture graphs on the 3D road: the texture-size division, the pieces of a
// graph (made, derived from another graph's, filled from images, joined into
// one texture and deleted) and the graph storage row the road lends with its
// texture records' row.
#include "graphics/direct3d/d3d_graph.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "graphics/direct3d/d3d_system.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"
#include "graphics/graph_storage.h"
#include "graphics/graphics_core.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/graph_image.h"

namespace {

void DeletePieces(GraphData* g, int count) {
    for (int i = 0; i < count; ++i) DeleteSurface3DData(g->Pieces[i]);
    g->PieceCount = 0;
}

// Keeps a newly made piece as the graph's next one; a piece that could not be
// made deletes the ones made before it, which would outlive the graph.
bool KeepPiece(GraphData* g, int* made, int piece) {
    if (piece < 0) {
        DeletePieces(g, *made);
        return false;
    }
    g->Pieces[(*made)++] = piece;
    return true;
}

int CeilPow2(int n) {
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

}  // namespace

int DivideTextureSize(int length, int* sizes, int forceMax) {
    const D3DSystem& d = GetD3DSystem();
    int screenWidth = 0;
    GetScreenSize(&screenWidth, nullptr);
    const int minSize = d.minTextureSize, maxSize = d.maxTextureSize;
    int m = minSize >= 33 ? minSize : 32;
    int count = 0;
    auto emit = [&](int size) {
        if (sizes) sizes[count] = size;
        ++count;
    };
    if (length <= m) {
        if (minSize < m)
            while (minSize < m && m / 2 >= length) m /= 2;
        emit(m);
        return 1;
    }
    int cap = length;
    if (forceMax) {
        cap = maxSize;
    } else if (screenWidth <= maxSize) {
        cap = 8;
        while (cap < screenWidth) cap *= 2;
    }
    int t = cap;
    if (cap > m)
        while (t > length && t > m) t /= 2;
    if ((forceMax || length < screenWidth) && 2 * t <= cap) {
        emit(t < length ? 2 * t : t);
        return 1;
    }
    int last[2] = {0, 0};
    for (int rest = length; rest >= 1;) {
        int size = t;
        rest -= t;
        if (rest >= 1 && rest > 3 * t / 4 && t < cap) {
            // The rest nearly fills another texture of this size: one of twice the size.
            size = 2 * t;
            rest = 0;
        }
        last[0] = last[1];
        last[1] = size;
        emit(size);
        if (rest < t)
            while (rest < t && t > m) t /= 2;
    }
    if (count > 1 && last[0] == last[1] && 2 * last[1] <= cap) {
        --count;
        if (sizes) sizes[count - 1] = 2 * last[1];
    }
    return count;
}

int G_D3D_CreateGraph(GraphData* g) {
    if (!GetD3DSystem().object) return -1;
    const int force = g->Settings.DrawValidFlag ? 1 : 0;
    const int columns = DivideTextureSize(g->Width, nullptr, force);
    const int rows = DivideTextureSize(g->Height, nullptr, force);
    if (columns * rows > kD3DMaxPieces)
        return ErrorLogFmtAdd("エラー：画像の分割数が最大数の %d を超えました", kD3DMaxPieces);
    int widths[kD3DMaxPieces], heights[kD3DMaxPieces];
    DivideTextureSize(g->Width, widths, force);
    DivideTextureSize(g->Height, heights, force);
    int made = 0;
    for (int r = 0, y = 0; r < rows; y += heights[r], ++r) {
        for (int c = 0, x = 0; c < columns; x += widths[c], ++c) {
            const int w = g->Width - x < widths[c] ? g->Width - x : widths[c];
            const int h = g->Height - y < heights[r] ? g->Height - y : heights[r];
            const int piece = AddSurface3DData(&g->Settings, widths[c], heights[r], GetTransColor(), x, y, w, h, 0, 0,
                                               0, nullptr, 0, 0);
            if (!KeepPiece(g, &made, piece)) return -1;
        }
    }
    g->PieceCount = made;
    return 0;
}

int G_D3D_InitGraphics() {
    if (!GetD3DSystem().object) return -1;
    TerminateSurface3DTable();
    return InitializeSurface3DTable();
}

int G_D3D_DerivationGraph(GraphData* g, int x, int y, int width, int height, const GraphData* source) {
    if (!GetD3DSystem().object) return -1;
    int made = 0;
    for (int i = 0; i < source->PieceCount; ++i) {
        const Surface3DData* p = GetSurface3DData(source->Pieces[i]);
        if (p == nullptr) {
            // Only the pieces made here go; the source's stay with it.
            DeletePieces(g, made);
            return -1;
        }
        // The part of this piece inside the rectangle.
        const int left = std::max(x, int(p->x)), top = std::max(y, int(p->y));
        const int right = std::min(x + width, p->x + p->width), bottom = std::min(y + height, p->y + p->height);
        if (left >= right || top >= bottom) continue;
        const int piece = AddSurface3DData(nullptr, 0, 0, 0, left - x, top - y, right - left, bottom - top,
                                           left - p->x, top - p->y, p->flags, p, p->u + (left - p->x),
                                           p->v + (top - p->y));
        if (!KeepPiece(g, &made, piece)) return -1;
    }
    g->PieceCount = made;
    return 0;
}

int G_D3D_DeleteGraph(GraphData* g) {
    if (!GetD3DSystem().object) return -1;
    DeletePieces(g, g->PieceCount);
    return 0;
}

int G_D3D_BltImageRectToGraph(const GraphImage* image, const GraphImage* alphaImage, const ImageRect* srcRect,
                              int destX, int destY, GraphData* g, int transFlag) {
    if (image == nullptr || image->Pixels == nullptr || srcRect == nullptr) return -1;
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = GetSurface3DData(g->Pieces[i]);
        if (p == nullptr) return -1;
        // The part of the rectangle that lands on this piece.
        ImageRect r = *srcRect;
        int dx = destX - p->x, dy = destY - p->y;
        if (!ClipImageRect(&r, &dx, &dy, image->Width, image->Height, p->width, p->height)) continue;
        const GraphImage* alpha = alphaImage && alphaImage->Width >= r.right && alphaImage->Height >= r.bottom
                                      ? alphaImage
                                      : nullptr;
        const SurfaceData* sd = GetSurfaceData(p->surfaceData);
        if (sd == nullptr) return -1;
        const SurfaceRect dest{p->u + dx, p->v + dy, p->u + dx + (r.right - r.left), p->v + dy + (r.bottom - r.top)};
        int pitch = 0;
        void* pixels = nullptr;
        const ColorData* color = nullptr;
        if (LockSurfaceData(p->surfaceData, &pitch, &pixels, 1, &dest, &color) != 0) return -1;
        // Kinds that test alpha carry the transparent colour as alpha 0.
        const int transToAlpha = sd->Settings.AlphaTestFlag ? 1 : transFlag;
        ColorConvertBlt(pixels, pitch, color, image->Pixels, image->Pitch, &image->ColorInfo,
                        alpha ? alpha->Pixels : nullptr, alpha ? alpha->Pitch : 0, alpha ? &alpha->ColorInfo : nullptr,
                        0, 0, &r, 0, transToAlpha, sd->TransColor, 0, 0, 0, 0);
        UnlockSurfaceData(p->surfaceData);
    }
    return 0;
}

int G_D3D_BltImageToGraph(const GraphImage* image, const GraphImage* alphaImage, int x, int y, GraphData* g,
                          int transFlag) {
    const ImageRect r{x, y, x + g->Width, y + g->Height};
    return G_D3D_BltImageRectToGraph(image, alphaImage, &r, 0, 0, g, transFlag);
}

int G_D3D_UpdateMovieFrame(const GraphImage* frame, GraphData* g) {
    // Each piece takes the frame's rectangle where the piece lies in the
    // graph. Its lock draws out what was queued with the last frame first;
    // its unlock hands the new pixels to the device.
    return G_D3D_BltImageToGraph(frame, nullptr, 0, 0, g, 0);
}

int G_D3D_FillGraph(GraphData* g, int red, int green, int blue, int alpha) {
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = GetSurface3DData(g->Pieces[i]);
        if (p == nullptr || FillSurfaceData(p->surfaceData, red, green, blue, alpha) != 0) return -1;
    }
    return 0;
}

int G_D3D_RestoreGraph(GraphData* g) {
    if (!GetD3DSystem().object) return -1;
    int result = 0;
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = GetSurface3DData(g->Pieces[i]);
        if (p == nullptr) return -1;
        result |= RestoreSurfaceData(p->surfaceData);
    }
    return result;
}

int G_D3D_JoinPieces(GraphData* g) {
    const D3DSystem& d = GetD3DSystem();
    if (!d.object) return -1;
    if (g->PieceCount <= 1) return 0;
    const Surface3DData* first = GetSurface3DData(g->Pieces[0]);
    const SurfaceData* kind = first ? GetSurfaceData(first->surfaceData) : nullptr;
    if (kind == nullptr) return -1;
    int w = g->Width, h = g->Height;
    if (d.caps.squareOnly) w = h = std::max(w, h);
    if (d.caps.pow2Only) {
        w = CeilPow2(w);
        h = CeilPow2(h);
    }
    if (w > d.maxTextureSize || h > d.maxTextureSize)
        return ErrorLogFmtAdd("グラフィック(%dx%d)を一枚のテクスチャにできません テクスチャ最大幅:%d", g->Width,
                              g->Height, d.maxTextureSize);
    const int joined = AddSurface3DData(&kind->Settings, w, h, kind->TransColor, 0, 0, g->Width, g->Height, 0, 0,
                                        first->flags, nullptr, 0, 0);
    if (joined < 0) return ErrorLogFmtAdd("グラフィック(%dx%d)を一枚のテクスチャにできません", g->Width, g->Height);
    Texture3D* to = GetSurfaceData(GetSurface3DData(joined)->surfaceData)->Texture;
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = GetSurface3DData(g->Pieces[i]);
        const SurfaceData* sd = p ? GetSurfaceData(p->surfaceData) : nullptr;
        int copied = -1;
        if (sd) {
            const SurfaceRect from{p->u, p->v, p->u + p->width, p->v + p->height};
            copied = d.object->CopyTexture(to, p->x, p->y, sd->Texture, &from);
        }
        if (copied != 0) {
            DeleteSurface3DData(joined);
            return -1;
        }
    }
    DeletePieces(g, g->PieceCount);
    g->Pieces[0] = joined;
    g->PieceCount = 1;
    return 0;
}

namespace {

int UploadToTextures(GraphData* g, const GraphImage* image, const GraphImage* alphaImage, int srcX, int srcY,
                     int transFlag) {
    return G_D3D_BltImageToGraph(image, alphaImage, srcX, srcY, g, transFlag);
}
int UploadRectToTextures(GraphData* g, const GraphImage* image, const GraphImage* alphaImage,
                         const ImageRect* srcRect, int destX, int destY, int transFlag) {
    return G_D3D_BltImageRectToGraph(image, alphaImage, srcRect, destX, destY, g, transFlag);
}
int LargestTextureSide() { return GetD3DSystem().maxTextureSize; }

// The texture kind follows the settings as it does when the texture is made.
const ColorData* TextureColorData(const GraphSurfaceSettings& st) {
    return GetTextureColorData(GetTextureFormatIndex(st.AlphaFlag, st.AlphaTestFlag, st.ColorBitDepth == 32, 0));
}

// A texture record holds one device texture.
constexpr TextureSurfaces kTextureSurfaces = {
    .make = D3DCreateTextureSurface,
    .lock = D3DLockTextureSurface,
    .unlock = D3DUnlockTextureSurface,
    .fill = D3DFillTextureSurface,
    .release = D3DReleaseTextureSurface,
    .colorData = TextureColorData,
};

}  // namespace

// Textures: a graph is its pieces, each a place on a texture.
const GraphStorage kTextureGraphStorage = {
    .start = G_D3D_InitGraphics,
    .make = G_D3D_CreateGraph,
    .release = G_D3D_DeleteGraph,
    .upload = UploadToTextures,
    .uploadRect = UploadRectToTextures,
    .restore = G_D3D_RestoreGraph,
    .fill = G_D3D_FillGraph,
    .derive = G_D3D_DerivationGraph,
    .largestSide = LargestTextureSide,
    .movieFrame = G_D3D_UpdateMovieFrame,
    .textureSurfaces = &kTextureSurfaces,
};
