// Untextured shapes on the 3D road: boxes and lines queue into the vertex
// batch, triangles go straight to the device; positions are the integer
// coordinates with no half-pixel shift.
#include "graphics/direct3d/d3d_shapes.h"

#include <algorithm>

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
    float ex = float(x2) + ox, ey = float(y2) + oy;
    // An upright or level line stops short of its end pixel.
    if (x1 == x2) ey += y2 > y1 ? -0.1f : 0.1f;
    if (y1 == y2) ex += x2 > x1 ? -0.1f : 0.1f;
    const uint32_t c = ShapeColor(color);
    v[0] = At(float(x1) + ox, float(y1) + oy, c);
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
    const float L = float(x1 + ds.DrawScreenRect.left), T = float(y1 + ds.DrawScreenRect.top);
    const float R = float(x2 + ds.DrawScreenRect.left - 1), B = float(y2 + ds.DrawScreenRect.top - 1);
    const uint32_t c = ShapeColor(color);
    // Each side stops short of the corner the next one starts at.
    const D3DVertexColor lines[8] = {At(L, T, c), At(R - 0.1f, T, c),    At(R, T, c),        At(R, B - 0.1f, c),
                                     At(L, B, c), At(R + 0.9f, B, c),    At(L, T + 1.0f, c), At(L, B - 0.1f, c)};
    std::copy(lines, lines + 8, v);
    return 0;
}

int G_D3D_DrawTriangle(int x1, int y1, int x2, int y2, int x3, int y3, uint32_t color, int fillFlag) {
    D3DDeviceState* device = GetCurrentD3DDeviceState();
    if (!device) return -1;
    G_D3D_RenderVertex();
    if (!Prepare()) return -1;
    const GraphDrawState& ds = GetGraphDrawState();
    const float ox = float(ds.DrawScreenRect.left), oy = float(ds.DrawScreenRect.top);
    const uint32_t c = ShapeColor(color);
    D3DVertexColor v[4] = {At(float(x1) + ox, float(y1) + oy, c), At(float(x2) + ox, float(y2) + oy, c),
                           At(float(x3) + ox, float(y3) + oy, c), At(float(x1) + ox, float(y1) + oy, c)};
    // One winding for every triangle, so culling never removes a shape.
    if (double(x2 - x1) * (y3 - y1) - double(x3 - x1) * (y2 - y1) <= 0) std::swap(v[1], v[2]);
    if (fillFlag) return device->device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW_DIFFUSE, v, 3);
    return device->device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_XYZRHW_DIFFUSE, v, 4);
}
