// Graph draws on the 3D road: plain, stretched, rotated and four-cornered
// draws queue each texture piece as two triangles into the vertex batch;
// uneven four-corner shapes go as a grid of strips, caller's triangles
// straight to the device. Graph quads at integer positions sit half a pixel
// up and left, so pixel centres fall on texel centres. Through a blend graph
// the quads carry a second texture position, the blend graph's pixel under
// the drawn graph's.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/routines.h"
#include "graphics/direct3d/d3d_graph.h"
#include "graphics/direct3d/d3d_screen.h"
#include "graphics/direct3d/d3d_system.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"

namespace {

// Corners top-left, top-right, bottom-left, bottom-right as two triangles,
// and the same with the other winding (each triangle's second and third
// corner change places).
constexpr int kQuadOrder[6] = {0, 1, 2, 3, 2, 1};
constexpr int kQuadOrderTurned[6] = {0, 2, 1, 3, 1, 2};
constexpr int kGridSide = 8;
constexpr int kStripIndices = 1000;

const GraphDrawState& DS() { return GetGraphDrawState(); }

bool PiecesAlive(const GraphData* g) {
    if (g->PieceCount == 0) return false;
    for (int i = 0; i < g->PieceCount; ++i)
        if (!GetSurface3DData(g->Pieces[i])) return false;
    return true;
}

// The device is there and the target takes 3D drawing; every piece of a
// graph must be alive, so that a refused draw has queued none of them.
// 0: go on; 1: nothing to draw; -1: refuse.
int Begin(const GraphData* g) {
    if (!GetCurrentD3DDeviceState()) return -1;
    if (D3DScreenDrawSuppressed()) return 1;
    if (g && !PiecesAlive(g)) return -1;
    G_D3D_BeginScene();
    return 0;
}

// Every draw that began ends here, whatever its result.
int Finish(int result) {
    if (D3DScreenEndAfterDraw()) G_D3D_EndScene();
    return result;
}

int Flags(int transFlag, int pixelExact) {
    return (transFlag ? D3DDRAW_TRANS : 0) | (pixelExact ? D3DDRAW_KEEP_ALPHA_KIND : 0);
}

// The piece's texture and the draw's states in place; null for a dead piece.
const Surface3DData* Piece(int handle, int flags) {
    const Surface3DData* p = GetSurface3DData(handle);
    if (p == nullptr || G_D3D_SetDrawState(p, flags) != 0) return nullptr;
    return p;
}

// The vertex of a texture drawn through a blend graph: stage 0 samples the
// blend graph, stage 1 the drawn graph.
struct D3DVertexBlendTex2 {
    float x, y, z, rhw;
    uint32_t color, specular;
    float blendU, blendV, u, v;
};
static_assert(sizeof(D3DVertexBlendTex2) == 40, "two-texture vertices are 40 bytes");

// Where the blend graph's top-left pixel lies in its texture, and one
// pixel's size there.
struct BlendGraphTexels {
    float u0, v0, du, dv;
};
BlendGraphTexels g_blend{};

// Queues the corners (TL, TR, BL, BR) of a piece as two triangles. Through
// a blend graph each corner's blend position follows from its texture
// position: the graph pixel it shows, so a clamped corner moves on both.
int QueueQuad(const D3DVertexTex1* c, const Surface3DData* p, const int (&order)[6] = kQuadOrder) {
    const int format = GetCurrentD3DDeviceState()->batchFormat;
    // A blend graph the device does not hold cannot weigh the draw: it fails rather than draw unweighed.
    if (format == 0 || (format == 1 && DS().BlendGraph != -1)) return -1;
    void* at = G_D3D_BatchReserve(6, D3DPT_TRIANGLELIST);
    if (at == nullptr) return -1;
    if (format == 1) {
        auto* out = static_cast<D3DVertexTex1*>(at);
        for (int k = 0; k < 6; ++k) {
            const D3DVertexTex1& v = c[order[k]];
            out[k] = D3DVertexTex1{v.x, v.y, 0.0f, 1.0f, v.color, v.u, v.v};
        }
        return 0;
    }
    const SurfaceData* sd = GetSurfaceData(p->surfaceData);
    const float w = float(sd->Width), h = float(sd->Height);
    auto* out = static_cast<D3DVertexBlendTex2*>(at);
    for (int k = 0; k < 6; ++k) {
        const D3DVertexTex1& v = c[order[k]];
        const float gx = float(p->x) + v.u * w - float(p->u), gy = float(p->y) + v.v * h - float(p->v);
        out[k] = D3DVertexBlendTex2{v.x, v.y, 0.0f, 1.0f, v.color, 0xFFFFFFFFu, g_blend.u0 + gx * g_blend.du,
                                    g_blend.v0 + gy * g_blend.dv, v.u, v.v};
    }
    return 0;
}

// Moves corners outside [left, right) x [top, bottom) onto its edges, their
// texture coordinates by du, dv per pixel.
void ClampCorners(D3DVertexTex1* c, float left, float top, float right, float bottom, float du, float dv) {
    for (int k = 0; k < 4; ++k) {
        D3DVertexTex1& v = c[k];
        if (v.x < left) v.u += (left - v.x) * du, v.x = left;
        if (v.x > right) v.u -= (v.x - right) * du, v.x = right;
        if (v.y < top) v.v += (top - v.y) * dv, v.y = top;
        if (v.y > bottom) v.v -= (v.y - bottom) * dv, v.y = bottom;
    }
}

float Cross(float ax, float ay, float bx, float by, float cx, float cy) {
    return (bx - ax) * (cy - ay) - (cx - ax) * (by - ay);
}

// Corners TL, TR, BL, BR as two triangles, in the order that keeps them facing the viewer.
const int (&QuadOrder(const float* q))[6] {
    const bool otherWinding =
        Cross(q[0], q[1], q[2], q[3], q[4], q[5]) <= 0 && Cross(q[6], q[7], q[4], q[5], q[2], q[3]) <= 0;
    return otherWinding ? kQuadOrderTurned : kQuadOrder;
}

// A blend graph is set, whether or not the device holds it.
bool ThroughBlendGraph() { return DS().BlendGraph != -1 || GetCurrentD3DDeviceState()->blendGraphTexture != nullptr; }

// A four-cornered draw through a blend graph: whole-pixel corners, and each
// piece corner placed by the affine map of its half of the shape (above or
// below the diagonal from the bottom-left to the top-right corner), so a
// bent shape stays two triangles whose blend positions follow the graph.
int DrawModiThroughBlendGraph(const float* corners, const GraphData* g, int transFlag) {
    int n[8];
    for (int k = 0; k < 8; ++k) n[k] = int(corners[k]);
    if (n[0] == n[4] && n[2] == n[6] && n[1] == n[3] && n[5] == n[7])
        return G_D3D_DrawExtendGraph(n[0], n[1], n[6], n[7], g, transFlag, 1);
    const int state = Begin(g);
    if (state != 0) return state < 0 ? -1 : 0;
    float q[8];
    for (int k = 0; k < 4; ++k) {
        q[2 * k] = float(n[2 * k] + DS().DrawScreenRect.left) - 0.5f;
        q[2 * k + 1] = float(n[2 * k + 1] + DS().DrawScreenRect.top) - 0.5f;
    }
    const uint32_t color = G_D3D_DrawColor();
    const double W = g->Width, H = g->Height;
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = Piece(g->Pieces[i], Flags(transFlag, 1));
        if (p == nullptr) return Finish(-1);
        D3DVertexTex1 c[4];
        float pq[8];
        for (int k = 0; k < 4; ++k) {
            const double x = p->vertex[k].x, y = p->vertex[k].y;
            const bool upper = H - x * (H / W) >= y;
            for (int a = 0; a < 2; ++a) {
                const double P1 = q[a], P2 = q[2 + a], P3 = q[4 + a], P4 = q[6 + a];
                pq[2 * k + a] = float(upper ? P1 + (P2 - P1) * x / W + (P3 - P1) * y / H
                                            : P4 + (P4 - P3) * (x - W) / W + (P4 - P2) * (y - H) / H);
            }
            c[k] = D3DVertexTex1{pq[2 * k], pq[2 * k + 1], 0.0f, 1.0f, color, p->vertex[k].u, p->vertex[k].v};
        }
        if (QueueQuad(c, p, QuadOrder(pq)) != 0) return Finish(-1);
    }
    return Finish(0);
}

// One piece onto a four-cornered shape (x, y pairs TL, TR, BL, BR).
int DrawQuad(const float* q, const Surface3DData* p, uint32_t color) {
    const float dx1 = (q[2] - q[0]) - (q[6] - q[4]), dy1 = (q[3] - q[1]) - (q[7] - q[5]);
    const float dx2 = (q[4] - q[0]) - (q[6] - q[2]), dy2 = (q[5] - q[1]) - (q[7] - q[3]);
    const bool parallelogram = std::fabs(dx1) < 1.0f && std::fabs(dy1) < 1.0f && std::fabs(dx2) < 1.0f &&
                               std::fabs(dy2) < 1.0f;
    if (parallelogram) {
        D3DVertexTex1 c[4];
        for (int k = 0; k < 4; ++k) c[k] = D3DVertexTex1{q[2 * k], q[2 * k + 1], 0.0f, 1.0f, color, p->vertex[k].u,
                                                         p->vertex[k].v};
        return QueueQuad(c, p, QuadOrder(q));
    }
    // Any other shape bends: a 7 x 7 cell mesh follows it.
    G_D3D_RenderVertex(D3DFlush::DirectDraw);
    D3DVertexTex1 mesh[kGridSide * kGridSide];
    const float step = 1.0f / float(kGridSide - 1);
    const float u0 = p->vertex[0].u, u1 = p->vertex[1].u, v0 = p->vertex[0].v, v1 = p->vertex[2].v;
    for (int i = 0; i < kGridSide; ++i) {
        const float t = float(i) * step;
        const float lx = q[0] + (q[4] - q[0]) * t, ly = q[1] + (q[5] - q[1]) * t;
        const float rx = q[2] + (q[6] - q[2]) * t, ry = q[3] + (q[7] - q[3]) * t;
        for (int j = 0; j < kGridSide; ++j) {
            const float s = float(j) * step;
            mesh[i * kGridSide + j] =
                D3DVertexTex1{lx + (rx - lx) * s, ly + (ry - ly) * s, 0.0f, 1.0f, color, u0 + (u1 - u0) * s,
                              v0 + (v1 - v0) * t};
        }
    }
    return G_D3D_DrawGridStrip(mesh, kGridSide, kGridSide);
}

}  // namespace

uint32_t G_D3D_DrawColor() {
    // The multiplying mode takes no parameter: the texels' own alpha weighs them.
    const int mode = DS().BlendMode;
    const uint32_t alpha = mode != ZV_BLEND_NOBLEND && mode != ZV_BLEND_MUL ? uint32_t(DS().BlendParam & 0xFF) : 255u;
    return alpha << 24 | (DS().DrawBright & 0xFFFFFF);
}

int G_D3D_DrawGraph(int x, int y, const GraphData* g, int transFlag, int intFlag) {
    const int state = Begin(g);
    if (state != 0) return state < 0 ? -1 : 0;
    const DrawRect& area = DS().DrawArea;
    // The far edges in wide ints: a graph near the int limits lies outside.
    const long long right = 0LL + x + g->Width, bottom = 0LL + y + g->Height;
    if (x >= area.right || y >= area.bottom || right <= area.left || bottom <= area.top) return Finish(0);
    const bool inside = x >= area.left && y >= area.top && right <= area.right && bottom <= area.bottom;
    const float ox = float(DS().DrawScreenRect.left), oy = float(DS().DrawScreenRect.top);
    const float fx = float(x) - 0.5f + ox, fy = float(y) - 0.5f + oy;
    const uint32_t color = G_D3D_DrawColor();
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = Piece(g->Pieces[i], Flags(transFlag, intFlag));
        if (p == nullptr) return Finish(-1);
        D3DVertexTex1 c[4];
        for (int k = 0; k < 4; ++k) {
            c[k] = p->vertex[k];
            c[k].x += fx;
            c[k].y += fy;
            c[k].color = color;
        }
        if (!inside) {
            const SurfaceData* sd = GetSurfaceData(p->surfaceData);
            ClampCorners(c, float(area.left) + ox, float(area.top) + oy, float(area.right) + ox,
                         float(area.bottom) + oy, 1.0f / float(sd->Width), 1.0f / float(sd->Height));
        }
        if (QueueQuad(c, p) != 0) return Finish(-1);
    }
    return Finish(0);
}

int G_D3D_DrawExtendGraph(int x1, int y1, int x2, int y2, const GraphData* g, int transFlag, int intFlag) {
    if (x1 == x2 || y1 == y2) return -1;
    const int state = Begin(g);
    if (state != 0) return state < 0 ? -1 : 0;
    const DrawRect& area = DS().DrawArea;
    const int l = x1 < x2 ? x1 : x2, r = x1 < x2 ? x2 : x1, t = y1 < y2 ? y1 : y2, b = y1 < y2 ? y2 : y1;
    if (l >= area.right || t >= area.bottom || r <= area.left || b <= area.top) return Finish(0);
    const bool inside = l >= area.left && t >= area.top && r <= area.right && b <= area.bottom;
    const float sx = float(double(x2) - x1) / float(g->Width), sy = float(double(y2) - y1) / float(g->Height);
    const float ox = float(DS().DrawScreenRect.left), oy = float(DS().DrawScreenRect.top);
    const float bx = float(x1) - 0.5f + ox, by = float(y1) - 0.5f + oy;
    const uint32_t color = G_D3D_DrawColor();
    const int flags = Flags(transFlag, intFlag && DS().DrawMode != 1);
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = Piece(g->Pieces[i], flags);
        if (p == nullptr) return Finish(-1);
        D3DVertexTex1 c[4];
        for (int k = 0; k < 4; ++k) {
            c[k] = p->vertex[k];
            c[k].x = bx + sx * p->vertex[k].x;
            c[k].y = by + sy * p->vertex[k].y;
            c[k].color = color;
        }
        if (!inside) {
            const SurfaceData* sd = GetSurfaceData(p->surfaceData);
            ClampCorners(c, float(area.left) + ox - 0.5f, float(area.top) + oy - 0.5f, float(area.right) + ox - 0.5f,
                         float(area.bottom) + oy - 0.5f, 1.0f / (float(sd->Width) * sx),
                         1.0f / (float(sd->Height) * sy));
        }
        if (QueueQuad(c, p) != 0) return Finish(-1);
    }
    return Finish(0);
}

int G_D3D_DrawRotaGraph(float x, float y, double scale, double angle, const GraphData* g, int transFlag,
                        int turnFlag) {
    // A zero or non-finite scale, or a non-finite angle, has no picture to draw.
    if (!std::isfinite(scale) || !std::isfinite(angle) || scale == 0.0) return 0;
    const int state = Begin(g);
    if (state != 0) return state < 0 ? -1 : 0;
    x += float(DS().DrawScreenRect.left);
    y += float(DS().DrawScreenRect.top);
    // The 2D roads turn about the graph's texel (width / 2, height / 2) put
    // on the pixel (x, y) and take for each pixel the texel under it, edges
    // counting on the graph's top and left only. The same here: the centre
    // texel's corner on the pixel centre, and the quad moved a little along
    // the graph's own axes so that pixels on its top and left edges fall inside.
    const float cx = float(g->Width / 2), cy = float(g->Height / 2);
    float s = 0.0f, c = 1.0f;
    const bool rotated = angle != 0.0;
    if (rotated) SinCos(float(angle), &s, &c);
    const float hx = float(turnFlag == 1 ? -scale : scale), hy = float(scale);
    const float su = hx < 0 ? -1.0f : 1.0f, sv = hy < 0 ? -1.0f : 1.0f;
    constexpr float kTie = 1.0f / 32.0f;
    x -= kTie * (su * c - sv * s);
    y -= kTie * (su * s + sv * c);
    const uint32_t color = G_D3D_DrawColor();
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = Piece(g->Pieces[i], Flags(transFlag, 0));
        if (p == nullptr) return Finish(-1);
        D3DVertexTex1 q[4];
        for (int k = 0; k < 4; ++k) {
            q[k] = p->vertex[k];
            const float dx = (p->vertex[k].x - cx) * hx, dy = (p->vertex[k].y - cy) * hy;
            q[k].x = rotated ? dx * c - dy * s + x : dx + x;
            q[k].y = rotated ? dx * s + dy * c + y : dy + y;
            q[k].color = color;
        }
        // Clipping is the viewport's.
        if (QueueQuad(q, p) != 0) return Finish(-1);
    }
    return Finish(0);
}

int G_D3D_DrawRectGraph(int x, int y, int srcX, int srcY, int width, int height, const GraphData* g, int transFlag,
                        int turnFlag) {
    const int state = Begin(g);
    if (state != 0) return state < 0 ? -1 : 0;
    // Texel edges lie half a pixel either side of the pixel centres they land on.
    const float ox = float(DS().DrawScreenRect.left), oy = float(DS().DrawScreenRect.top);
    const uint32_t color = G_D3D_DrawColor();
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = GetSurface3DData(g->Pieces[i]);
        // The part of the rectangle on this piece, in graph texels.
        const int l = std::max(srcX, int(p->x)), t = std::max(srcY, int(p->y));
        const int r = int(std::min(0LL + srcX + width, 0LL + p->x + p->width));
        const int b = int(std::min(0LL + srcY + height, 0LL + p->y + p->height));
        if (l >= r || t >= b) continue;
        if (Piece(g->Pieces[i], Flags(transFlag, 1)) == nullptr) return Finish(-1);
        const SurfaceData* sd = GetSurfaceData(p->surfaceData);
        const float du = 1.0f / float(sd->Width), dv = 1.0f / float(sd->Height);
        const float u[2] = {float(p->u + l - p->x) * du, float(p->u + r - p->x) * du};
        const float v[2] = {float(p->v + t - p->y) * dv, float(p->v + b - p->y) * dv};
        const int cols[2] = {l - srcX, r - srcX}, rows[2] = {t - srcY, b - srcY};
        D3DVertexTex1 c[4];
        for (int k = 0; k < 4; ++k) {
            const int cx = cols[k & 1], ry = rows[k >> 1];
            const float px = turnFlag ? float(double(x) - ry) + 0.5f : float(double(x) + cx) - 0.5f;
            const float py = turnFlag ? float(double(y) + cx) - 0.5f : float(double(y) + ry) - 0.5f;
            c[k] = D3DVertexTex1{px + ox, py + oy, 0.0f, 1.0f, color, u[k & 1], v[k >> 1]};
        }
        if (QueueQuad(c, p) != 0) return Finish(-1);
    }
    return Finish(0);
}

int G_D3D_DrawModiGraph(const float* corners, const GraphData* g, int transFlag) {
    if (GetCurrentD3DDeviceState() && ThroughBlendGraph()) return DrawModiThroughBlendGraph(corners, g, transFlag);
    const int state = Begin(g);
    if (state != 0) return state < 0 ? -1 : 0;
    float q[8];
    for (int k = 0; k < 4; ++k) {
        q[2 * k] = corners[2 * k] + float(DS().DrawScreenRect.left);
        q[2 * k + 1] = corners[2 * k + 1] + float(DS().DrawScreenRect.top);
    }
    const uint32_t color = G_D3D_DrawColor();
    const float W = float(g->Width), H = float(g->Height);
    for (int i = 0; i < g->PieceCount; ++i) {
        const Surface3DData* p = Piece(g->Pieces[i], Flags(transFlag, 0));
        if (p == nullptr) return Finish(-1);
        float pq[8];
        if (g->PieceCount == 1) {
            std::memcpy(pq, q, sizeof pq);
        } else {
            // Each piece's corners placed bilinearly inside the whole shape.
            for (int k = 0; k < 4; ++k) {
                const float s = p->vertex[k].x / W, t = p->vertex[k].y / H;
                const float lx = q[0] + t * (q[4] - q[0]), ly = q[1] + t * (q[5] - q[1]);
                const float rx = q[2] + t * (q[6] - q[2]), ry = q[3] + t * (q[7] - q[3]);
                pq[2 * k] = lx + s * (rx - lx);
                pq[2 * k + 1] = ly + s * (ry - ly);
            }
        }
        if (DrawQuad(pq, p, color) != 0) return Finish(-1);
    }
    return Finish(0);
}

int G_D3D_DrawGridStrip(const D3DVertexTex1* vertices, int columns, int rows) {
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (r == nullptr || columns < 2 || rows < 2) return -1;
    // One row of strip must fit the index list, and every vertex an index.
    if (2 * columns + 2 > kStripIndices || columns * rows > 65536) return -1;
    G_D3D_RenderVertex(D3DFlush::DirectDraw);
    uint16_t index[kStripIndices];
    int n = 0, base = 0;
    const int vertexCount = columns * rows;
    for (int row = 0; row < rows - 1; ++row) {
        if (n > kStripIndices - (2 * columns + 2)) {
            G_D3D_DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW_DIFFUSE_TEX1, vertices, vertexCount, index,
                                       n);
            n = 0;
        }
        // Rows after the first join through two degenerate triangles.
        if (n) index[n++] = uint16_t(base + columns);
        for (int c = 0; c < columns; ++c, ++base) {
            index[n++] = uint16_t(base + columns);
            index[n++] = uint16_t(base);
        }
        if (row < rows - 2) {
            index[n] = index[n - 1];
            ++n;
        }
    }
    if (n) G_D3D_DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_XYZRHW_DIFFUSE_TEX1, vertices, vertexCount, index, n);
    return 0;
}

int G_D3D_DrawPolygon(const D3DVertexTex1* vertices, int triangles, const GraphData* g, int transFlag) {
    const int state = Begin(g);
    if (state != 0) return state < 0 ? -1 : 0;
    const Surface3DData* p = g ? GetSurface3DData(g->Pieces[0]) : nullptr;
    // Caller's triangles carry one texture position: they go without the
    // blend graph, which the device takes back afterwards.
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    const int device = GetD3DSystem().currentDevice;
    Texture3D* const blend = r->blendGraphTexture;
    if (blend) G_D3D_SetBlendGraph(nullptr, r->blendParam, r->blendGraphRange, device);
    // Vertex colours shade across the triangles and carry their own alpha.
    const int flags = Flags(transFlag, 0) | D3DDRAW_GOURAUD | D3DDRAW_COLOR_MODULATE | D3DDRAW_ALPHA_MODULATE;
    const int result = G_D3D_SetDrawState(p, flags);
    if (result == 0) {
        G_D3D_RenderVertex(D3DFlush::DirectDraw);
        G_D3D_DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW_DIFFUSE_TEX1, vertices, triangles * 3);
    }
    if (blend) G_D3D_SetBlendGraph(blend, r->blendParam, r->blendGraphRange, device);
    return Finish(result == 0 ? 0 : -1);
}

int G_D3D_SetBlendGraph(GraphData* graph, int param, int range) {
    // Without a device there is nothing to weigh: only taking a blend graph away succeeds.
    if (!GetCurrentD3DDeviceState()) return graph ? -1 : 0;
    const int device = GetD3DSystem().currentDevice;
    // A graph kept on a surface weighs the 2D road's draws only.
    if (graph == nullptr || !graph->Settings.TextureFlag)
        return G_D3D_SetBlendGraph(nullptr, param, range, device);
    // Each vertex reaches the blend graph through one texture position.
    if (G_D3D_JoinPieces(graph) != 0) return -1;
    const Surface3DData* p = GetSurface3DData(graph->Pieces[0]);
    const SurfaceData* sd = p ? GetSurfaceData(p->surfaceData) : nullptr;
    if (sd == nullptr) return -1;
    const float w = float(sd->Width), h = float(sd->Height);
    g_blend = BlendGraphTexels{float(p->u) / w, float(p->v) / h, 1.0f / w, 1.0f / h};
    return G_D3D_SetBlendGraph(sd->Texture, param, range, device);
}
