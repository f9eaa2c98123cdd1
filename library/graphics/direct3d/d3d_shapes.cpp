// Untextured shapes on the 3D road: boxes and lines queue into the vertex
// batch, triangles go straight to the device; each covers the pixels the 2D
// roads cover for the same corners.
#include "graphics/direct3d/d3d_shapes.h"

#include <algorithm>
#include <cstdlib>

#include "graphics/direct3d/d3d_system.h"
#include "graphics/draw_front.h"
#include "graphics/graph_draw_state.h"
#include "graphics/image/color_data.h"
#include "graphics/screen_settings.h"

namespace {

// The screen colour scaled by the draw brightness, with the blend parameter as alpha.
uint32_t ShapeColor(uint32_t value) {
    const GraphDrawState& ds = GetGraphDrawState();
    const ColorData* c = GetScreenColorData();
    const uint32_t bright = ds.DrawBright;
    const uint32_t r = uint32_t(UnpackChannel(value, c->RedMask, c->RedLoc, c->RedWidth)) * (bright >> 16 & 0xFF) / 255;
    const uint32_t g = uint32_t(UnpackChannel(value, c->GreenMask, c->GreenLoc, c->GreenWidth)) * (bright >> 8 & 0xFF) /
                       255;
    const uint32_t b = uint32_t(UnpackChannel(value, c->BlueMask, c->BlueLoc, c->BlueWidth)) * (bright & 0xFF) / 255;
    const uint32_t alpha = ds.BlendMode != 0 ? uint32_t(ds.BlendParam & 0xFF) : 255u;
    return alpha << 24 | r << 16 | g << 8 | b;
}

// Scene begun and the states of an untextured draw in place.
bool Prepare() {
    if (!GetCurrentD3DDeviceState()) return false;
    G_D3D_BeginScene();
    return G_D3D_SetDrawState(nullptr, 0) == 0;
}

D3DVertexColor At(float x, float y, uint32_t color) { return D3DVertexColor{x, y, 0.0f, 1.0f, color}; }

}  // namespace

int G_D3D_DrawFillBox(int x1, int y1, int x2, int y2, uint32_t color) {
    const GraphDrawState& ds = GetGraphDrawState();
    DrawRect r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    RectClippingImpl(&r, &ds.DrawArea);
    if (r.left >= r.right || r.top >= r.bottom) return 0;
    if (!Prepare()) return -1;
    auto* v = static_cast<D3DVertexColor*>(G_D3D_BatchReserve(6, D3DPT_TRIANGLELIST));
    if (!v) return -1;
    const float left = float(r.left + ds.DrawScreenRect.left), right = float(r.right + ds.DrawScreenRect.left);
    const float top = float(r.top + ds.DrawScreenRect.top), bottom = float(r.bottom + ds.DrawScreenRect.top);
    const uint32_t c = ShapeColor(color);
    const D3DVertexColor quad[6] = {At(left, top, c),     At(right, top, c),   At(left, bottom, c),
                                    At(right, bottom, c), At(left, bottom, c), At(right, top, c)};
    std::copy(quad, quad + 6, v);
    return 0;
}

int G_D3D_DrawLine(int x1, int y1, int x2, int y2, uint32_t color) {
    if (x1 == x2 && y1 == y2) return 0;
    if (!Prepare()) return -1;
    auto* v = static_cast<D3DVertexColor*>(G_D3D_BatchReserve(2, D3DPT_LINELIST));
    if (!v) return -1;
    const GraphDrawState& ds = GetGraphDrawState();
    const float ox = float(ds.DrawScreenRect.left), oy = float(ds.DrawScreenRect.top);
    float sx = float(x1) + ox, sy = float(y1) + oy, ex = float(x2) + ox, ey = float(y2) + oy;
    // An upright or level line stops short of its end pixel.
    if (x1 == x2) ey += y2 > y1 ? -0.1f : 0.1f;
    if (y1 == y2) ex += x2 > x1 ? -0.1f : 0.1f;
    // The 2D roads step along the long axis and move on the short one only
    // once a whole pixel is due: the line moved back towards the start's
    // side by just under half a pixel makes the device round the same way.
    constexpr float kBack = 0.5f - 1.0f / 64.0f;
    const long long adx = std::llabs(0LL + x2 - x1), ady = std::llabs(0LL + y2 - y1);
    if (adx >= ady && ady) {
        const float d = y2 > y1 ? -kBack : kBack;
        sy += d, ey += d;
    } else if (adx < ady && adx) {
        const float d = x2 > x1 ? -kBack : kBack;
        sx += d, ex += d;
    }
    const uint32_t c = ShapeColor(color);
    v[0] = At(sx, sy, c);
    v[1] = At(ex, ey, c);
    return 0;
}

int G_D3D_DrawLineBox(int x1, int y1, int x2, int y2, uint32_t color) {
    if (!Prepare()) return -1;
    auto* v = static_cast<D3DVertexColor*>(G_D3D_BatchReserve(8, D3DPT_LINELIST));
    if (!v) return -1;
    if (x1 > x2 || y1 > y2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const GraphDrawState& ds = GetGraphDrawState();
    const double ox = ds.DrawScreenRect.left, oy = ds.DrawScreenRect.top;
    const float L = float(x1 + ox), T = float(y1 + oy), R = float(x2 + ox - 1), B = float(y2 + oy - 1);
    const uint32_t c = ShapeColor(color);
    // Each side stops short of the corner the next one starts at.
    const D3DVertexColor lines[8] = {At(L, T, c), At(R - 0.1f, T, c),    At(R, T, c),        At(R, B - 0.1f, c),
                                     At(L, B, c), At(R + 0.9f, B, c),    At(L, T + 1.0f, c), At(L, B - 0.1f, c)};
    std::copy(lines, lines + 8, v);
    return 0;
}

int G_D3D_DrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag) {
    if (!GetCurrentD3DDeviceState()) return -1;
    G_D3D_RenderVertex(D3DFlush::DirectDraw);
    if (!Prepare()) return -1;
    const GraphDrawState& ds = GetGraphDrawState();
    const float ox = float(ds.DrawScreenRect.left), oy = float(ds.DrawScreenRect.top);
    const uint32_t c = ShapeColor(color);
    if (!fillFlag) {
        D3DVertexColor v[4] = {At(float(x1) + ox, float(y1) + oy, c), At(float(x2) + ox, float(y2) + oy, c),
                               At(float(x3) + ox, float(y3) + oy, c), At(float(x1) + ox, float(y1) + oy, c)};
        if ((double(x2) - x1) * (double(y3) - y1) - (double(x3) - x1) * (double(y2) - y1) <= 0) std::swap(v[1], v[2]);
        return G_D3D_DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_XYZRHW_DIFFUSE, v, 4);
    }
    // The 2D roads fill each row from the rounded left edge to the rounded
    // right edge, both ends included: the triangle widened by half a pixel
    // to either side, which is the hull of it moved half a pixel left and right.
    struct Point {
        float x, y;
    };
    Point p[6];
    const int corners[3][2] = {{x1, y1}, {x2, y2}, {x3, y3}};
    for (int i = 0; i < 3; ++i)
        for (int side = 0; side < 2; ++side) {
            p[2 * i + side] = Point{float(corners[i][0]) + ox + (side ? 0.5f : -0.5f), float(corners[i][1]) + oy};
        }
    std::sort(p, p + 6, [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
    auto cross = [](const Point* o, const Point* a, const Point& b) {
        return (a->x - o->x) * (b.y - o->y) - (a->y - o->y) * (b.x - o->x);
    };
    // The hull in one winding (positive cross products), so culling never removes it.
    const Point* hull[12];
    int n = 0;
    for (int i = 0; i < 6; ++i) {
        while (n >= 2 && cross(hull[n - 2], hull[n - 1], p[i]) <= 0) --n;
        hull[n++] = &p[i];
    }
    for (int i = 4, lower = n + 1; i >= 0; --i) {
        while (n >= lower && cross(hull[n - 2], hull[n - 1], p[i]) <= 0) --n;
        hull[n++] = &p[i];
    }
    --n;
    D3DVertexColor fan[12];
    int count = 0;
    for (int i = 1; i + 1 < n; ++i) {
        fan[count++] = At(hull[0]->x, hull[0]->y, c);
        fan[count++] = At(hull[i]->x, hull[i]->y, c);
        fan[count++] = At(hull[i + 1]->x, hull[i + 1]->y, c);
    }
    return count ? G_D3D_DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW_DIFFUSE, fan, count) : 0;
}
