// Texture graphs on the 3D road: the texture-size division, the pieces of a
// graph and the plain draw that queues each piece as two triangles.
#include "graphics/direct3d/d3d_graph.h"

#include <cstring>

#include "core/log.h"
#include "graphics/direct3d/d3d_system.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/graphics_core.h"

namespace {

// The vertex colour of a draw: blend parameter as alpha (255 without
// blending), the draw brightness as colour.
uint32_t DrawColor() {
    const GraphDrawState& ds = GetGraphDrawState();
    const uint32_t alpha = ds.BlendMode != 0 ? uint32_t(ds.BlendParam & 0xFF) : 255u;
    return alpha << 24 | (ds.DrawBright & 0xFFFFFF);
}

void DeletePieces(GraphData* g, int count) {
    for (int i = 0; i < count; ++i) DeleteSurface3DData(g->Pieces[i]);
    g->PieceCount = 0;
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
            if (piece < 0) {
                // Pieces made so far would outlive the graph.
                DeletePieces(g, made);
                return -1;
            }
            g->Pieces[made++] = piece;
        }
    }
    g->PieceCount = made;
    return 0;
}

int G_D3D_DeleteGraph(GraphData* g) {
    if (!GetD3DSystem().object) return -1;
    DeletePieces(g, g->PieceCount);
    return 0;
}

int G_D3D_DrawGraph(int x, int y, const GraphData* g, int transFlag, int intFlag) {
    if (!GetCurrentD3DDeviceState()) return -1;
    if (g->PieceCount == 0 || !GetSurface3DData(g->Pieces[0])) return -1;
    const GraphDrawState& ds = GetGraphDrawState();
    const DrawRect& area = ds.DrawArea;
    if (x >= area.right || y >= area.bottom || x + g->Width <= area.left || y + g->Height <= area.top) return 0;
    const bool inside = x >= area.left && y >= area.top && x + g->Width <= area.right && y + g->Height <= area.bottom;
    G_D3D_BeginScene();
    const float fx = float(x) - 0.5f + float(ds.DrawScreenRect.left);
    const float fy = float(y) - 0.5f + float(ds.DrawScreenRect.top);
    // The clip rectangle on the draw target.
    const float left = float(area.left + ds.DrawScreenRect.left), right = float(area.right + ds.DrawScreenRect.left);
    const float top = float(area.top + ds.DrawScreenRect.top), bottom = float(area.bottom + ds.DrawScreenRect.top);
    const uint32_t color = DrawColor();
    const int flags = (transFlag ? D3DDRAW_TRANS : 0) | (intFlag ? D3DDRAW_KEEP_ALPHA_KIND : 0);
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = GetSurface3DData(g->Pieces[i]);
        if (!p) return -1;
        if (G_D3D_SetDrawState(p, flags) != 0) return -1;
        if (D3DBatchVertexSize(GetCurrentD3DDeviceState()->batchFormat) != int(sizeof(D3DVertexTex1))) return -1;
        D3DVertexTex1 c[4];
        for (int k = 0; k < 4; ++k) {
            c[k] = p->vertex[k];
            c[k].x += fx;
            c[k].y += fy;
            c[k].color = color;
        }
        // Corners outside the clip rectangle move onto it, their texture
        // coordinates by the same distance.
        const SurfaceData* sd = GetSurfaceData(p->surfaceData);
        const float du = 1.0f / float(sd->Width), dv = 1.0f / float(sd->Height);
        for (D3DVertexTex1& v : c) {
            if (inside) break;
            if (v.x < left) v.u += (left - v.x) * du, v.x = left;
            if (v.x > right) v.u -= (v.x - right) * du, v.x = right;
            if (v.y < top) v.v += (top - v.y) * dv, v.y = top;
            if (v.y > bottom) v.v -= (v.y - bottom) * dv, v.y = bottom;
        }
        auto* out = static_cast<D3DVertexTex1*>(G_D3D_BatchReserve(6, D3DPT_TRIANGLELIST));
        if (!out) return -1;
        const int order[6] = {0, 1, 2, 3, 2, 1};
        for (int k = 0; k < 6; ++k) {
            // z and rhw stay as the batch was pre-filled.
            const D3DVertexTex1& v = c[order[k]];
            out[k].x = v.x;
            out[k].y = v.y;
            out[k].color = v.color;
            out[k].u = v.u;
            out[k].v = v.v;
        }
    }
    return 0;
}
