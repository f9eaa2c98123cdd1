// Drawing front ends: the common checks around every draw, the touched
// rectangles that keep a software front screen and the window in step, the
// derived graph draws and the 2D vertex primitive. Every draw goes through
// the chosen screen back end.
#include "graphics/draw_front.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/log.h"
#include "core/window.h"
#include "graphics/graph_storage.h"
#include "graphics/directdraw/dd_draw.h"
#include "graphics/directdraw/dd_graphs.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/image/color_data.h"
#include "graphics/movie/movie.h"
#include "graphics/screen_backend.h"
#include "graphics/screen_settings.h"
#include "softrender/primitive/primitive.h"
#include "graphics/software_screen_draw.h"

namespace {

const GraphDrawState& DS() { return GetGraphDrawState(); }

// Drawing to a front screen the window does not show by itself.
bool FrontFollowsWindow() { return ScreenRoad().frontFollowsWindow && DS().DrawScreen == SCREEN_FRONT; }

// A graph that shows a movie gets the frame that is due before it is drawn.
void KeepMovieCurrent(const GraphData* g) {
    if (g->MovieHandle >= 0) UpdateMovie(g->Handle, 0);
}

// The checks of every graph front end: the graph, and a blend graph at
// least as large as it. Null means refuse (-1).
GraphData* CheckGraph(int graph) {
    GraphData* g = GetGraphData(graph);
    if (g == nullptr) return nullptr;
    if (DS().BlendGraph != -1) {
        const GraphData* b = GetGraphData(DS().BlendGraph);
        if (b == nullptr || b->Width < g->Width || b->Height < g->Height) return nullptr;
    }
    KeepMovieCurrent(g);
    return g;
}

// Runs one draw between the front-screen copies.
template <class Draw>
int Framed(const DrawRect& touched, Draw draw) {
    const bool front = FrontFollowsWindow();
    if (front && GetDDSys().windowCopyFlag) CopyWindowToFrontImage();
    const int result = draw();
    if (front) CopyFrontImageToWindow(&touched);
    return result;
}

DrawRect Ordered(int x1, int y1, int x2, int y2) {
    return DrawRect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// The box a graph of w x h covers drawn at its centre (x, y), scaled and
// turned, with five pixels to spare for the filtering at its edges.
DrawRect RotatedBounds(float x, float y, int w, int h, double exRate, double angle) {
    const int w2 = w / 2, h2 = h / 2;
    const double cx[4] = {double(-w2), double(w - w2), double(-w2), double(w - w2)};
    const double cy[4] = {double(-h2), double(-h2), double(h - h2), double(h - h2)};
    const double s = std::sin(angle), c = std::cos(angle);
    double l = 1e30, t = 1e30, r = -1e30, b = -1e30;
    for (int i = 0; i < 4; ++i) {
        const double px = (cx[i] * c - cy[i] * s) * exRate + x, py = (cx[i] * s + cy[i] * c) * exRate + y;
        l = std::min(l, px);
        t = std::min(t, py);
        r = std::max(r, px);
        b = std::max(b, py);
    }
    return ClampedRect(l - 5.0, t - 5.0, r + 5.0, b + 5.0);
}

}  // namespace

int RectClippingImpl(DrawRect* r, const DrawRect* clip) {
    if (r == nullptr || clip == nullptr) return -1;
    if (r->right < r->left) r->right = r->left;
    if (r->bottom < r->top) r->bottom = r->top;
    auto clamp = [](int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); };
    r->left = clamp(r->left, clip->left, clip->right);
    r->right = clamp(r->right, clip->left, clip->right);
    r->top = clamp(r->top, clip->top, clip->bottom);
    r->bottom = clamp(r->bottom, clip->top, clip->bottom);
    return 0;
}

int ClampedToInt(double v) {
    if (!(v > double(INT_MIN))) return INT_MIN;
    if (v >= double(INT_MAX)) return INT_MAX;
    return int(v);
}

DrawRect ClampedRect(double left, double top, double right, double bottom) {
    return {ClampedToInt(left), ClampedToInt(top), ClampedToInt(right), ClampedToInt(bottom)};
}

int RectAdjust(DrawRect* r) {
    if (r->left > r->right) std::swap(r->left, r->right);
    if (r->top > r->bottom) std::swap(r->top, r->bottom);
    return 0;
}

int GetRectSize(const DrawRect* r, int* width, int* height) {
    if (width) *width = r->right - r->left;
    if (height) *height = r->bottom - r->top;
    return 0;
}

int ClearDrawScreenImpl() {
    ProcessMessageWhileInactive();
    ScreenRoad().clear();
    if (FrontFollowsWindow()) {
        int w = 0, h = 0;
        GetScreenSize(&w, &h);
        const DrawRect all{0, 0, w, h};
        CopyFrontImageToWindow(&all);
    }
    return 0;
}

int DrawGraphImpl(int x, int y, int graph, int transFlag) {
    if (DS().DrawAreaEmptyFlag) return 0;
    GraphData* g = CheckGraph(graph);
    if (g == nullptr) return -1;
    ProcessMessageWhileInactive();
    const DrawRect touched = ClampedRect(x, y, double(x) + g->Width, double(y) + g->Height);
    return Framed(touched, [&] { return ScreenRoad().drawGraph(x, y, g, transFlag); });
}

int DrawExtendGraph(int x1, int y1, int x2, int y2, int graph, int transFlag) {
    if (DS().DrawAreaEmptyFlag) return 0;
    GraphData* g = CheckGraph(graph);
    if (g == nullptr) return -1;
    ProcessMessageWhileInactive();
    return Framed(Ordered(x1, y1, x2, y2), [&] { return ScreenRoad().drawExtendGraph(x1, y1, x2, y2, g, transFlag); });
}

int DrawRotaGraphImpl(int x, int y, double exRate, double angle, int graph, int transFlag, int turnFlag) {
    return DrawRotaGraphF(float(x), float(y), exRate, angle, graph, transFlag, turnFlag);
}

int DrawRotaGraphF(float x, float y, double exRate, double angle, int graph, int transFlag, int turnFlag) {
    if (DS().DrawAreaEmptyFlag) return 0;
    GraphData* g = CheckGraph(graph);
    if (g == nullptr) return -1;
    ProcessMessageWhileInactive();
    const DrawRect touched = FrontFollowsWindow() ? RotatedBounds(x, y, g->Width, g->Height, exRate, angle)
                                                  : DrawRect{0, 0, 0, 0};
    return Framed(touched,
                  [&] { return ScreenRoad().drawRotaGraph(x, y, exRate, angle, g, transFlag, turnFlag); });
}

int DrawModiGraphF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                   int transFlag) {
    if (DS().DrawAreaEmptyFlag) return 0;
    GraphData* g = CheckGraph(graph);
    if (g == nullptr) return -1;
    ProcessMessageWhileInactive();
    const DrawRect touched = ClampedRect(std::min({x1, x2, x3, x4}), std::min({y1, y2, y3, y4}),
                                         std::max({x1, x2, x3, x4}), std::max({y1, y2, y3, y4}));
    // The software renderer takes the corners as top-left, top-right,
    // bottom-left, bottom-right.
    const float corners[8] = {x1, y1, x2, y2, x4, y4, x3, y3};
    return Framed(touched, [&] { return ScreenRoad().drawModiGraph(corners, g, transFlag); });
}

int DrawTurnGraph(int x, int y, int graph, int transFlag) {
    const GraphData* g = GetGraphData(graph);
    if (g == nullptr) return -1;
    // A graph reaching past the int range lies wholly off the screen.
    if (double(x) + g->Width > INT_MAX || double(y) + g->Height > INT_MAX) return 0;
    return DrawExtendGraph(x + g->Width, y, x, y + g->Height, graph, transFlag);
}

namespace {

// Narrows the draw area for one draw and puts it back afterwards.
template <class Draw>
int WithNarrowedArea(const DrawRect& limit, Draw draw) {
    DrawRect saved;
    GetDrawArea(&saved);
    DrawRect area = saved;
    DrawRect clip = limit;
    RectAdjust(&clip);
    // Intersection of the current area and the limit.
    area.left = std::max(area.left, clip.left);
    area.top = std::max(area.top, clip.top);
    area.right = std::min(area.right, clip.right);
    area.bottom = std::min(area.bottom, clip.bottom);
    if (area.right < area.left) area.right = area.left;
    if (area.bottom < area.top) area.bottom = area.top;
    SetDrawArea(area.left, area.top, area.right, area.bottom);
    const int result = draw();
    SetDrawArea(saved.left, saved.top, saved.right, saved.bottom);
    return result;
}

}  // namespace

int DrawRectGraph(int destX, int destY, int srcX, int srcY, int width, int height, int graph, int transFlag,
                  int turnFlag) {
    const GraphData* g = GetGraphData(graph);
    if (g == nullptr) return -1;
    return WithNarrowedArea(ClampedRect(destX, destY, double(destX) + width, double(destY) + height), [&] {
        const int y = ClampedToInt(double(destY) - srcY);
        if (turnFlag) return DrawTurnGraph(ClampedToInt(double(destX) - g->Width + srcX + width), y, graph, transFlag);
        return DrawGraphImpl(ClampedToInt(double(destX) - srcX), y, graph, transFlag);
    });
}

int DrawRectExtendGraph(int destX1, int destY1, int destX2, int destY2, int srcX, int srcY, int srcWidth,
                        int srcHeight, int graph, int transFlag) {
    const GraphData* g = GetGraphData(graph);
    if (g == nullptr || srcWidth <= 0 || srcHeight <= 0) return -1;
    const bool revX = destX1 > destX2, revY = destY1 > destY2;
    DrawRect d{destX1, destY1, destX2, destY2};
    RectAdjust(&d);
    const double sx = (double(d.right) - d.left) / srcWidth, sy = (double(d.bottom) - d.top) / srcHeight;
    // The edges in doubles: each offset is truncated as the library rounds,
    // but wide, so a destination far larger than its source does not turn
    // an offset past the int range into INT_MIN; the sum is clamped.
    auto edge = [](int from, int sign, double offset) { return ClampedToInt(from + sign * std::trunc(offset)); };
    int l, r, t, b;
    if (!revX) {
        l = edge(d.left, -1, srcX * sx);
        r = edge(d.left, 1, (double(g->Width) - srcX) * sx);
    } else {
        l = edge(d.right, 1, srcX * sx);
        r = edge(d.right, -1, (double(g->Width) - srcX) * sx);
    }
    if (!revY) {
        t = edge(d.top, -1, srcY * sy);
        b = edge(d.top, 1, (double(g->Height) - srcY) * sy);
    } else {
        t = edge(d.bottom, 1, srcY * sy);
        b = edge(d.bottom, -1, (double(g->Height) - srcY) * sy);
    }
    return WithNarrowedArea(d, [&] { return DrawExtendGraph(l, t, r, b, graph, transFlag); });
}

int DrawPrimitive2D(const DrawVertex2D* vertices, int count, int type, int graph, int transFlag) {
    if (DS().DrawAreaEmptyFlag) return 0;
    if (vertices == nullptr) return -1;
    GraphData* g = nullptr;
    if (graph != -5) {
        g = GetGraphData(graph);
        if (g == nullptr) return -1;
        KeepMovieCurrent(g);
    }
    // Expand to a triangle list first: a count that does not fit draws nothing.
    std::vector<int> order;
    if (type == 4) {
        if (count < 3 || count % 3 != 0) return -1;
        for (int i = 0; i < count; ++i) order.push_back(i);
    } else if (type == 5) {
        if (count < 3) return -1;
        order = {0, 1, 2};
        for (int k = 3; k < count; ++k) {
            if ((k - 3) % 2 == 0) order.insert(order.end(), {k, k - 1, k - 2});
            else order.insert(order.end(), {k, k - 2, k - 1});
        }
    } else if (type == 6) {
        if (count < 3) return -1;
        order = {0, 1, 2};
        for (int k = 3; k < count; ++k) order.insert(order.end(), {k, 0, k - 1});
    } else {
        return -1;
    }
    float minX = 1e8f, minY = 1e8f, maxX = -1e8f, maxY = -1e8f;
    std::vector<PrimitiveVertex> converted(static_cast<size_t>(count));
    const uint32_t bright = DS().DrawBright;
    const int mode = DS().BlendMode, param = DS().BlendParam;
    for (int i = 0; i < count; ++i) {
        const DrawVertex2D& v = vertices[i];
        minX = std::min(minX, v.x - 1);
        minY = std::min(minY, v.y - 1);
        maxX = std::max(maxX, v.x + 1);
        maxY = std::max(maxY, v.y + 1);
        PrimitiveVertex& p = converted[size_t(i)];
        p.x = v.x + float(DS().DrawScreenRect.left);
        p.y = v.y + float(DS().DrawScreenRect.top);
        p.z = 0.0f;
        p.rhw = 1.0f;
        p.b = uint8_t(MemImgMulTable[bright & 0xFF][v.b]);
        p.g = uint8_t(MemImgMulTable[bright >> 8 & 0xFF][v.g]);
        p.r = uint8_t(MemImgMulTable[bright >> 16 & 0xFF][v.r]);
        p.a = mode == 0 ? v.a : uint8_t(MemImgMulTable[param][v.a]);
        p.u = v.u;
        p.v = v.v;
    }
    std::vector<PrimitiveVertex> list;
    list.reserve(order.size());
    for (int i : order) list.push_back(converted[size_t(i)]);
    const DrawRect touched = ClampedRect(minX, minY, maxX, maxY);
    ProcessMessageWhileInactive();
    // The vertices carry their colour (no-transform flag 0), so a coloured
    // thick line keeps its colour.
    return Framed(touched,
                  [&] { return ScreenRoad().drawPrimitive(list.data(), int(list.size()), g, transFlag, 0, 0); });
}

namespace {

int DrawThickLine(int x1, int y1, int x2, int y2, int color, int thickness) {
    const float dx = float(double(x2) - x1), dy = float(double(y2) - y1);
    const float len = std::sqrt(dx * dx + dy * dy);
    if (thickness <= 0) thickness = 1;
    float nx = 0.0f, ny = 0.0f;
    if (len > 0.0f) {
        nx = dy / len * float(thickness) * 0.5f;
        ny = -dx / len * float(thickness) * 0.5f;
    }
    int r = 0, g = 0, b = 0;
    GetColorRGBImpl(color, &r, &g, &b);
    const DrawVertex2D base{0, 0, 0, 0, uint8_t(b), uint8_t(g), uint8_t(r), 255};
    DrawVertex2D v[4] = {base, base, base, base};
    v[0].x = x1 + nx; v[0].y = y1 + ny;
    v[1].x = x2 + nx; v[1].y = y2 + ny;
    v[2].x = x1 - nx; v[2].y = y1 - ny;
    v[3].x = x2 - nx; v[3].y = y2 - ny;
    return DrawPrimitive2D(v, 4, 5, -5, 0);
}

}  // namespace

int DrawLineImpl(int x1, int y1, int x2, int y2, int color, int thickness) {
    if (thickness > 1) return DrawThickLine(x1, y1, x2, y2, color, thickness);
    if (DS().DrawAreaEmptyFlag) return 0;
    ProcessMessageWhileInactive();
    const DrawRect ordered = Ordered(x1, y1, x2, y2);
    const DrawRect touched =
        ClampedRect(ordered.left, ordered.top, double(ordered.right) + 1, double(ordered.bottom) + 1);
    return Framed(touched, [&] { return ScreenRoad().drawLine(x1, y1, x2, y2, uint32_t(color)); });
}

int DrawBoxImpl(int x1, int y1, int x2, int y2, int color, int fillFlag) {
    if (DS().DrawAreaEmptyFlag) return 0;
    ProcessMessageWhileInactive();
    return Framed(Ordered(x1, y1, x2, y2),
                  [&] { return ScreenRoad().drawBox(x1, y1, x2, y2, uint32_t(color), fillFlag ? 1 : 0); });
}

int DrawTriangleImpl(int x1, int y1, int x2, int y2, int x3, int y3, int color, int fillFlag) {
    if (DS().DrawAreaEmptyFlag) return 0;
    ProcessMessageWhileInactive();
    const DrawRect touched{std::min({x1, x2, x3}), std::min({y1, y2, y3}), std::max({x1, x2, x3}),
                           std::max({y1, y2, y3})};
    return Framed(touched,
                  [&] { return ScreenRoad().drawTriangle(x1, y1, x2, y2, x3, y3, uint32_t(color), fillFlag); });
}

int DrawStringImpl(int x, int y, const char* string, int color, int edgeColor) {
    RefreshDefaultFont();
    return DrawStringToHandleImpl(x, y, string, color, GetDefaultFontHandle(), edgeColor, 0);
}

int DrawStringToHandleImpl(int x, int y, const char* string, int color, int fontHandle, int edgeColor,
                           int verticalFlag) {
    if (!CheckFontHandleValid(fontHandle)) return ErrorLogAdd("フォントハンドル値が異常です\n");
    if (string == nullptr || string[0] == '\0') return 0;
    if (DS().DrawAreaEmptyFlag) return 0;
    const DrawRect& area = DS().DrawArea;
    // Text starts at x and runs right (or down): nothing of it can show.
    if (x >= area.right) return 0;
    ProcessMessageWhileInactive();
    // Horizontal text reaches at most to the area's right edge, one line
    // down; vertical text one line across, down to the area's bottom.
    const double lineHeight = GetFontHeightOfHandle(fontHandle) + 3;
    const DrawRect touched =
        verticalFlag ? ClampedRect(x, y, x + lineHeight, area.bottom) : ClampedRect(x, y, area.right, y + lineHeight);
    return Framed(touched,
                  [&] { return ScreenRoad().drawString(x, y, string, color, fontHandle, edgeColor, verticalFlag); });
}

int GetDrawScreenGraphImpl(int x1, int y1, int x2, int y2, int graph, int useClientFlag) {
    GraphData* g = GetGraphData(graph);
    if (g == nullptr) return -1;
    ProcessMessageWhileInactive();
    return ScreenRoad().capture(x1, y1, x2, y2, g);
}

int FillGraph(int graph, int red, int green, int blue, int alpha) {
    GraphData* g = GetGraphData(graph);
    if (g == nullptr) return -1;
    return g->Storage->fill(g, red, green, blue, alpha);
}
