// Draw state: the draw screen and area, blend mode and blend graph, draw
// brightness, filter mode and the 3D transforms, kept in one record that
// every graphics start resets and every setter mirrors to the software renderer.
#include "graphics/graph_draw_state.h"

#include <cmath>
#include <cstring>

#include "core/log.h"
#include "core/window.h"
#include "graphics/directdraw/dd_draw.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"
#include "graphics/graphics_start.h"
#include "graphics/mask_screen.h"
#include "graphics/screen_backend.h"
#include "graphics/screen_settings.h"
#include "softrender/draw_state.h"

namespace {

GraphDrawState g_draw;
// The 3D road while it is up.
const DrawStateSink* g_sink = nullptr;

int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

void UpdateTransformMatrix() {
    float t[4][4];
    MultiplyMatrix(t, g_draw.World, g_draw.View);
    MultiplyMatrix(t, t, g_draw.Projection);
    MultiplyMatrix(g_draw.TransformMatrix, t, g_draw.Viewport);
    std::memset(g_draw.BillboardMatrix, 0, sizeof g_draw.BillboardMatrix);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) g_draw.BillboardMatrix[r][c] = g_draw.View[c][r];
}

void ApplyView(int width, int height) {
    float ident[4][4];
    CreateIdentityMatrix(ident);
    SetDrawTransform(DrawTransform::World, &ident[0][0]);
    float viewport[4][4];
    CreateViewportMatrix(viewport, width / 2.0f, height / 2.0f, float(width), float(height));
    SetDrawTransform(DrawTransform::Viewport, &viewport[0][0]);
    const float d = float(height / 2) * 1.9098593f;
    const float eye[3] = {width * 0.5f, height * 0.5f, 43.0f - d};
    const float target[3] = {width * 0.5f, height * 0.5f, eye[2] + 1.0f};
    const float up[3] = {0.0f, 1.0f, 0.0f};
    float view[4][4];
    CreateLookAtMatrix(view, eye, target, up);
    SetDrawTransform(DrawTransform::View, &view[0][0]);
    float projection[4][4];
    if (CreatePerspectiveFovMatrix(projection, 1.0471976f, d * 0.1f, d + 1000.0f) == 0)
        SetDrawTransform(DrawTransform::Projection, &projection[0][0]);
}

}  // namespace

void ResetGraphDrawState() {
    std::memset(&g_draw, 0, sizeof g_draw);
    g_draw.DrawScreen = SCREEN_FRONT;
    g_draw.BlendGraph = -1;
    g_draw.DrawBright = 0xFFFFFF;
    GetScreenSize(&g_draw.DrawSizeX, &g_draw.DrawSizeY);
    g_draw.DrawArea = {0, 0, g_draw.DrawSizeX, g_draw.DrawSizeY};
    CreateIdentityMatrix(g_draw.World);
    CreateIdentityMatrix(g_draw.View);
    CreateIdentityMatrix(g_draw.Projection);
    CreateIdentityMatrix(g_draw.Viewport);
    UpdateTransformMatrix();
    InitializeMemImgDrawState();
    SyncSoftRenderDrawState();
}

const GraphDrawState& GetGraphDrawState() { return g_draw; }

void SyncSoftRenderDrawState() {
    MemImgDrawState& st = MemImgDrawStateData;
    st.DrawArea = MemImgRect{g_draw.DrawArea.left, g_draw.DrawArea.top, g_draw.DrawArea.right, g_draw.DrawArea.bottom};
    st.BlendMode = g_draw.BlendMode;
    st.BlendParam = g_draw.BlendParam;
    st.DrawBright = g_draw.DrawBright;
    st.MMXUseFlag = 0;
    st.BlendGraphImage = GetGraphicsStartedFlag() ? GetBlendGraphMemImg() : nullptr;
    st.SoftRenderFlag = GetSoftwareRenderFlag();
    st.DirectDrawFlag = GetDDSys().objectExists;
    st.ScreenMemImgFlag = GetMemImgScreenFlag();
    st.ScreenColorBitDepth = GetScreenColorBitDepth();
    st.MaskUseFlag = GetMaskActiveFlag();
    st.MaskImage = GetMaskMemImg();
    st.DrawScreenImage = GetDDDrawTarget().drawMemImg;
}

int GetDrawScreen() { return g_draw.DrawScreen; }
int GetDrawScreenImpl() { return g_draw.DrawScreen; }

int SetDrawScreenImpl(int screen) {
    if (!GetGraphicsStartedFlag()) return -1;
    ProcessMessageWhileInactive();
    return SelectDrawScreen(screen);
}

void ForgetDrawScreenGraph(int grHandle) {
    // Drawing must not go on into the graph's freed pixels.
    if (GetGraphicsStartedFlag() && grHandle == g_draw.DrawScreen) SelectDrawScreen(SCREEN_BACK);
}

int SelectDrawScreen(int screen) {
    const int maskUse = GetUseMaskScreenFlag();
    SetUseMaskScreenFlag(0);
    const int old = g_draw.DrawScreen;
    g_draw.DrawScreen = screen;
    // Our primary surface is the window's own picture, never the desktop, so
    // the draw screen always starts at the surface's origin.
    g_draw.DrawScreenRect = {0, 0, 0, 0};
    if (ScreenRoad().setDrawScreen(screen, old) != 0) {
        // Put the old target back directly; asking again could refuse again.
        g_draw.DrawScreen = old;
        ScreenRoad().setDrawScreen(old, old);
        SetUseMaskScreenFlag(maskUse);
        SyncSoftRenderDrawState();
        return -1;
    }
    int oldW = g_draw.DrawSizeX, oldH = g_draw.DrawSizeY;
    int w = 0, h = 0;
    GetGraphSizeImpl(screen, &w, &h);
    g_draw.DrawSizeX = w;
    g_draw.DrawSizeY = h;
    if (w != oldW || h != oldH) SetDrawArea(0, 0, w, h);
    else SetDrawArea(g_draw.DrawArea.left, g_draw.DrawArea.top, g_draw.DrawArea.right, g_draw.DrawArea.bottom);
    ApplyView(w, h);
    SetUseMaskScreenFlag(maskUse);
    SyncSoftRenderDrawState();
    return 0;
}

int SetDrawArea(int x1, int y1, int x2, int y2) {
    int w = 0, h = 0;
    if (g_draw.DrawScreen == SCREEN_FRONT || g_draw.DrawScreen == SCREEN_BACK) {
        GetScreenSize(&w, &h);
    } else {
        const GraphData* g = GetGraphData(g_draw.DrawScreen);
        if (g == nullptr) return 0;
        w = g->Width;
        h = g->Height;
    }
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    auto clamp = [](int v, int hi) { return v < 0 ? 0 : (v > hi ? hi : v); };
    x1 = clamp(x1, w);
    x2 = clamp(x2, w);
    y1 = clamp(y1, h);
    y2 = clamp(y2, h);
    g_draw.DrawArea = {x1, y1, x2, y2};
    g_draw.DrawAreaEmptyFlag = x1 != x2 && y1 != y2 ? 0 : 1;
    SyncSoftRenderDrawState();
    if (g_sink) g_sink->drawArea();
    return 0;
}

int GetDrawArea(DrawRect* rect) {
    if (rect) *rect = g_draw.DrawArea;
    return 0;
}

int SetDrawScreenRect(const DrawRect* rect) {
    if (rect) g_draw.DrawScreenRect = *rect;
    return 0;
}

int SetDrawBlendModeImpl(int mode, int param) {
    if (mode == g_draw.BlendMode && param == g_draw.BlendParam) return 0;
    ProcessMessageWhileInactive();
    g_draw.BlendMode = mode;
    g_draw.BlendParam = ClampByte(param);
    SyncSoftRenderDrawState();
    return 0;
}

int SetDrawBrightImpl(int red, int green, int blue) {
    const uint32_t b = g_draw.DrawBright;
    if (uint32_t(red) == (b >> 16 & 0xFF) && uint32_t(green) == (b >> 8 & 0xFF) && uint32_t(blue) == (b & 0xFF))
        return 0;
    // Unsigned, so negative values also become 255.
    auto limit = [](int v) { return unsigned(v) > 255u ? 255u : unsigned(v); };
    g_draw.DrawBright = limit(red) << 16 | limit(green) << 8 | limit(blue);
    SyncSoftRenderDrawState();
    return 0;
}

void SetDrawBrightColor(uint32_t color) {
    g_draw.DrawBright = color & 0xFFFFFF;
    SyncSoftRenderDrawState();
}

namespace {

// Sets the blend graph (null for none) without waiting for the window.
int SelectBlendGraph(GraphData* record, int borderParam, int borderRange) {
    const int param = ClampByte(borderParam), range = ClampByte(borderRange);
    if (g_sink && g_sink->blendGraph(record, param, range) != 0) return -1;
    g_draw.BlendGraph = record ? record->Handle : -1;
    g_draw.BlendGraphBorderParam = param;
    g_draw.BlendGraphBorderRange = range;
    G_DD_SetBlendGraphParam(record, param, range);
    SyncSoftRenderDrawState();
    return 0;
}

}  // namespace

int SetBlendGraph(int graph, int borderParam, int borderRange) {
    if (graph == g_draw.BlendGraph && borderParam == g_draw.BlendGraphBorderParam &&
        borderRange == g_draw.BlendGraphBorderRange)
        return 0;
    GraphData* record = nullptr;
    if (graph != -1) {
        record = GetGraphData(graph);
        if (record == nullptr) return -1;
    }
    ProcessMessageWhileInactive();
    return SelectBlendGraph(record, borderParam, borderRange);
}

void ForgetBlendGraph(int grHandle) {
    if (grHandle == g_draw.BlendGraph)
        SelectBlendGraph(nullptr, g_draw.BlendGraphBorderParam, g_draw.BlendGraphBorderRange);
}

void RegisterDrawStateSink(const DrawStateSink* sink) { g_sink = sink; }

int SetDrawMode(int mode) {
    g_draw.DrawMode = mode;
    if (g_sink) g_sink->drawMode(mode);
    return 0;
}
int GetDrawMode() { return g_draw.DrawMode; }

// ---- transforms --------------------------------------------------------------


int SetDrawTransform(DrawTransform which, const float* m) {
    float (*target)[4] = which == DrawTransform::World        ? g_draw.World
                         : which == DrawTransform::View       ? g_draw.View
                         : which == DrawTransform::Projection ? g_draw.Projection
                                                              : g_draw.Viewport;
    std::memcpy(target, m, sizeof(float) * 16);
    UpdateTransformMatrix();
    if (g_sink) g_sink->transform(which, m);
    return 0;
}

void CreateIdentityMatrix(float out[4][4]) {
    std::memset(out, 0, sizeof(float) * 16);
    for (int i = 0; i < 4; ++i) out[i][i] = 1.0f;
}

void NormalizeVector(float out[3], const float in[3]) {
    const float len = std::sqrt(in[0] * in[0] + in[1] * in[1] + in[2] * in[2]);
    for (int i = 0; i < 3; ++i) out[i] = len != 0.0f ? in[i] / len : 0.0f;
}

void CreateLookAtMatrix(float out[4][4], const float eye[3], const float target[3], const float up[3]) {
    const float dz[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
    float z[3], x[3], y[3];
    NormalizeVector(z, dz);
    const float cx[3] = {up[1] * z[2] - up[2] * z[1], up[2] * z[0] - up[0] * z[2], up[0] * z[1] - up[1] * z[0]};
    NormalizeVector(x, cx);
    y[0] = z[1] * x[2] - z[2] * x[1];
    y[1] = z[2] * x[0] - z[0] * x[2];
    y[2] = z[0] * x[1] - z[1] * x[0];
    for (int i = 0; i < 3; ++i) {
        out[i][0] = x[i];
        out[i][1] = y[i];
        out[i][2] = z[i];
        out[i][3] = 0.0f;
    }
    auto dot = [&](const float* v) { return v[0] * eye[0] + v[1] * eye[1] + v[2] * eye[2]; };
    out[3][0] = -dot(x);
    out[3][1] = -dot(y);
    out[3][2] = -dot(z);
    out[3][3] = 1.0f;
}

void MultiplyMatrix(float out[4][4], const float a[4][4], const float b[4][4]) {
    float t[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            t[r][c] = a[r][0] * b[0][c] + a[r][1] * b[1][c] + a[r][2] * b[2][c] + a[r][3] * b[3][c];
    std::memcpy(out, t, sizeof t);
}

int CreatePerspectiveFovMatrix(float out[4][4], float fov, float zNear, float zFar) {
    const float s = std::sin(fov / 2), c = std::cos(fov / 2);
    if (std::fabs(zFar - zNear) < 0.01f || std::fabs(s) < 0.01f) return -1;
    const float cot = c / s, q = zFar / (zFar - zNear);
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    std::memset(out, 0, sizeof(float) * 16);
    out[0][0] = cot * float(h) / float(w);
    out[1][1] = cot;
    out[2][2] = q;
    out[2][3] = 1.0f;
    out[3][2] = -q * zNear;
    return 0;
}

void CreateViewportMatrix(float out[4][4], float cx, float cy, float width, float height) {
    std::memset(out, 0, sizeof(float) * 16);
    out[0][0] = width * 0.5f;
    out[1][1] = height * -0.5f;
    out[2][2] = 1.0f;
    out[3][0] = cx;
    out[3][1] = cy;
    out[3][3] = 1.0f;
}
