// Draw screens on the 3D road. The screens are 3D render targets with a 2D
// surface each; whichever side drew last holds the picture, and the other
// fetches it when its turn comes (the scene end before 2D work, the first
// 3D draw after it). Texture graphs made drawable are render targets too.
#include "graphics/direct3d/d3d_screen.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "graphics/direct3d/d3d_system.h"
#include "graphics/directdraw/dd_draw.h"
#include "graphics/directdraw/dd_system.h"
#include "graphics/font/font_draw.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/graphics_core.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "graphics/screen_settings.h"
#include "platform/surface_memory.h"

namespace {

enum { kBack, kFront, kScreens };
enum Target { TARGET_BACK, TARGET_FRONT, TARGET_TEXTURE, TARGET_SUPPRESSED };
constexpr int kCaptureMethods = 5;

struct D3DScreenState {
    int target = TARGET_BACK;
    int textureNewer[kScreens] = {};   // 3D drew since the surface had the picture
    int surfaceNewer[kScreens] = {};   // 2D may have drawn since the texture had it
    int endAfterDraw = 0;
    int captureMethod[2] = {-1, -1};   // remembered per kind: plain, alpha
};
D3DScreenState g_screens;

MemSurface* TwinSurface(int screen) { return screen == kBack ? GetDDSys().back : GetDDSys().primary; }
Texture3D* TwinTexture(int screen) {
    const D3DSystem& d = GetD3DSystem();
    return screen == kBack ? d.screen : d.frontScreen;
}

// Copies between a screen's texture and its surface (same format bytes).
int CopyTwin(int screen, bool toSurface) {
    MemSurface* surface = TwinSurface(screen);
    Texture3D* texture = TwinTexture(screen);
    Device3D* device = GetD3DSystem().object;
    if (!surface || !texture || !device) return -1;
    void* pixels = nullptr;
    int pitch = 0;
    if (MemSurfaceLock(surface, nullptr, &pitch, &pixels) != 0) return -1;
    const int result = toSurface ? device->ReadTexture(texture, pixels, pitch)
                                 : device->WriteTexture(texture, pixels, pitch);
    MemSurfaceUnlock(surface);
    D3DRoadCounters& counted = GetD3DRoadCounters();
    ++(toSurface ? counted.copiesToSurface : counted.copiesToDevice);
    return result;
}

// The screen (kBack, kFront) the draw target is, or -1 for a graph.
int TargetScreen() {
    return g_screens.target == TARGET_BACK ? kBack : g_screens.target == TARGET_FRONT ? kFront : -1;
}

// The texture of the one-piece graph that is the draw screen; null for none.
const SurfaceData* DrawScreenTextureData() {
    const GraphData* g = GetGraphData(GetGraphDrawState().DrawScreen);
    const Surface3DData* p = g && g->PieceCount == 1 ? GetSurface3DData(g->Pieces[0]) : nullptr;
    return p ? GetSurfaceData(p->surfaceData) : nullptr;
}

// The front screen's 3D picture, made when first drawn on.
Texture3D* FrontTexture() {
    D3DSystem& d = GetD3DSystem();
    if (!d.frontScreen) {
        int w = 0, h = 0;
        GetScreenSize(&w, &h);
        d.frontScreen = d.object->CreateTexture(w, h, GetTexturePixelFormat(GetScreenColorBitDepth() == 32 ? 1 : 0),
                                                1, 1);
        g_screens.surfaceNewer[kFront] = 1;
    }
    return d.frontScreen;
}

// The draw target's pixels and format for reading; the unlock undoes it.
struct TargetPixels {
    MemSurface* surface = nullptr;
    Texture3D* texture = nullptr;
    void* pixels = nullptr;
    int pitch = 0;
    const ColorData* color = nullptr;
};
bool LockTarget(TargetPixels* t) {
    const int screen = TargetScreen();
    if (screen >= 0) {
        t->surface = TwinSurface(screen);
        t->color = GetScreenColorData();
        return t->surface && MemSurfaceLock(t->surface, nullptr, &t->pitch, &t->pixels) == 0;
    }
    const D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (g_screens.target != TARGET_TEXTURE || !r || !r->currentTarget) return false;
    const SurfaceData* sd = DrawScreenTextureData();
    if (!sd) return false;
    t->texture = r->currentTarget;
    t->color = GetTextureColorData(sd->SurfaceKind);
    return r->device->LockTexture(t->texture, nullptr, &t->pitch, &t->pixels) == 0;
}
void UnlockTarget(const TargetPixels& t) {
    if (t.surface) MemSurfaceUnlock(t.surface);
    if (t.texture) GetD3DSystem().object->UnlockTexture(t.texture);
}

// Capture through the window's drawing interface: there is none here.
int CaptureByBltFast(int, int, int, int, const GraphData*) {
    return ErrorLogFmtAdd("Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d", -1);
}
int CaptureByDC(int, int, int, int, const GraphData*) {
    return ErrorLogFmtAdd("Error  G_D3D_GetDrawScreenGraphFunction2  ＤＣ取得に失敗しました  GetDC ReturnValue:%d", -1);
}
int CaptureByWorkSurface(int, int, int, int, const GraphData*) {
    return ErrorLogFmtAdd("Error  G_D3D_GetDrawScreenGraphFunction3 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
                          -1);
}
int CaptureByLoad(int, int, int, int, const GraphData*) {
    return ErrorLogFmtAdd("Error  G_D3D_GetDrawScreenGraphFunction4 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
                          -1);
}

// Locks the draw target and each piece's texture and converts between them.
int CaptureByLockAndConvert(int x1, int y1, int x2, int y2, const GraphData* g) {
    int sw = 0, sh = 0;
    GetGraphSizeImpl(GetGraphDrawState().DrawScreen, &sw, &sh);
    if (x1 < 0 || x1 >= x2 || y1 < 0 || y1 >= y2 || x1 > sw || y1 > sh || x2 - x1 > g->Width ||
        y2 - y1 > g->Height)
        return -1;
    TargetPixels source;
    if (!LockTarget(&source)) {
        UnlockTarget(source);
        return ErrorLogFmtAdd(
            "Error  G_D3D_GetDrawScreenGraphFunction5 　作業用テクスチャサーフェスのロックに失敗しました  Lock  "
            "ReturnValue:%d",
            -1);
    }
    const int ox = GetGraphDrawState().DrawScreenRect.left, oy = GetGraphDrawState().DrawScreenRect.top;
    int result = 0;
    for (int i = 0; i < g->PieceCount && result == 0; ++i) {
        const Surface3DData* p = GetSurface3DData(g->Pieces[i]);
        if (!p) {
            result = -1;
            break;
        }
        const int left = x1 + p->x, top = y1 + p->y;
        if (left >= sw || top >= sh) continue;
        const int w = p->width < sw - left ? p->width : sw - left, h = p->height < sh - top ? p->height : sh - top;
        if (w <= 0 || h <= 0) continue;
        const SurfaceRect dest{p->u, p->v, p->u + w, p->v + h};
        int pitch = 0;
        void* pixels = nullptr;
        const ColorData* color = nullptr;
        if (LockSurfaceData(p->surfaceData, &pitch, &pixels, 1, &dest, &color) != 0) {
            result = ErrorLogFmtAdd(
                "Error  G_D3D_GetDrawScreenGraphFunction5 　転送先テクスチャサーフェスのロックに失敗しました  Lock  "
                "ReturnValue:%d",
                -1);
            break;
        }
        const ImageRect r{left + ox, top + oy, left + ox + w, top + oy + h};
        ColorConvertBlt(pixels, pitch, color, source.pixels, source.pitch, source.color, nullptr, 0, nullptr, 0, 0,
                        &r, 0, 0, 0, 0, 0, 0, 0);
        UnlockSurfaceData(p->surfaceData);
    }
    UnlockTarget(source);
    return result;
}

using CaptureMethod = int (*)(int, int, int, int, const GraphData*);
// In the order they are tried.
const CaptureMethod kCapture[kCaptureMethods] = {CaptureByLockAndConvert, CaptureByBltFast, CaptureByWorkSurface,
                                                 CaptureByDC, CaptureByLoad};

}  // namespace

void D3DScreenReset() {
    g_screens = D3DScreenState{};
    g_screens.surfaceNewer[kBack] = g_screens.surfaceNewer[kFront] = 1;
}

void D3DScreenBeforeDraw() {
    const int screen = TargetScreen();
    if (screen < 0) return;
    if (g_screens.surfaceNewer[screen]) {
        CopyTwin(screen, false);
        g_screens.surfaceNewer[screen] = 0;
    }
    g_screens.textureNewer[screen] = 1;
}

void D3DScreenAfterScene() {
    // 2D work goes to the draw target: only its screen needs the picture.
    const int screen = TargetScreen();
    if (screen < 0) return;
    if (g_screens.textureNewer[screen]) CopyTwin(screen, true);
    g_screens.textureNewer[screen] = 0;
    g_screens.surfaceNewer[screen] = 1;
}

void D3DScreenCleared(uint32_t value) {
    const int screen = TargetScreen();
    if (screen < 0) return;
    Texture3D* texture = TwinTexture(screen);
    const bool filled = texture && GetD3DSystem().object->FillTexture(texture, nullptr, value) == 0;
    // Where the device could not clear alike, the cleared surface holds the picture.
    g_screens.surfaceNewer[screen] = filled ? 0 : 1;
    g_screens.textureNewer[screen] = 0;
}

int D3DScreenFlipBack() {
    D3DSystem& d = GetD3DSystem();
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r || !d.screen) return -1;
    G_D3D_EndSceneOnDevice();
    // The picture stays on the device: the surfaces get it only when 2D work asks.
    if (g_screens.surfaceNewer[kBack]) CopyTwin(kBack, false);
    g_screens.surfaceNewer[kBack] = 0;
    Texture3D* front = FrontTexture();
    if (!front || d.object->CopyTexture(front, 0, 0, d.screen, nullptr) != 0) return -1;
    g_screens.textureNewer[kFront] = 1;
    g_screens.surfaceNewer[kFront] = 0;
    return d.object->Present(d.screen);
}

int D3DScreenDrawSuppressed() { return g_screens.target == TARGET_SUPPRESSED; }
int D3DScreenEndAfterDraw() { return g_screens.endAfterDraw; }

int D3DScreenFollowDrawArea() {
    const D3DSystem& d = GetD3DSystem();
    if (!GetCurrentD3DDeviceState() || g_screens.target == TARGET_SUPPRESSED) return 0;
    const GraphDrawState& ds = GetGraphDrawState();
    const DrawRect& a = ds.DrawArea;
    const Device3DViewport v{a.left + ds.DrawScreenRect.left, a.top + ds.DrawScreenRect.top, a.right - a.left,
                             a.bottom - a.top, 0.0f, 1.0f};
    return G_D3D_SetViewport(v, d.currentDevice);
}

int G_D3D_SetDrawScreen(int screen) {
    D3DSystem& d = GetD3DSystem();
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r) return 0;
    // The old target keeps its picture on the device until 2D work asks for it.
    G_D3D_EndSceneOnDevice();
    Texture3D* target = nullptr;
    int kind = TARGET_BACK;
    if (screen == SCREEN_FRONT) {
        target = FrontTexture();
        kind = TARGET_FRONT;
    } else if (screen == SCREEN_BACK) {
        target = d.screen;
    } else {
        const GraphData* g = GetGraphData(screen);
        if (!g) return -1;
        if (!g->Settings.TextureFlag) {
            // A 2D surface graph: drawing goes through the 2D road alone.
            g_screens.target = TARGET_SUPPRESSED;
            g_screens.endAfterDraw = 0;
            return 0;
        }
        // Only a one-piece graph is one render target; keeping the old one
        // would send the draws to the wrong screen.
        if (g->PieceCount != 1) return -1;
        const Surface3DData* p = GetSurface3DData(g->Pieces[0]);
        const SurfaceData* sd = p ? GetSurfaceData(p->surfaceData) : nullptr;
        if (!sd || !sd->Settings.DrawValidFlag || !sd->Texture) return -1;
        target = sd->Texture;
        kind = TARGET_TEXTURE;
    }
    if (!target || G_D3D_SetRenderTarget(target, d.currentDevice) != 0) return -1;
    // A new target starts with its whole size as viewport; the cached one must be sent again.
    r->viewport = Device3DViewport{-1, -1, -1, -1, 0.0f, 1.0f};
    g_screens.target = kind;
    g_screens.endAfterDraw = kind == TARGET_FRONT;
    return 0;
}

int G_D3D_ClearDrawScreen() {
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r) return -1;
    // No picture is handed to the 2D side: the clear overwrites both.
    G_D3D_EndSceneOnDevice();
    // The screens are cleared by the 2D road and D3DScreenCleared.
    if (g_screens.target != TARGET_TEXTURE) return 0;
    const SurfaceData* sd = DrawScreenTextureData();
    if (!sd || !sd->Texture) return 0;
    if (sd->ZBufferFlag) r->device->FillDepth(sd->Texture, 1.0f);
    // The window's background colour.
    r->device->FillTexture(sd->Texture, nullptr, PackColorData(GetTextureColorData(sd->SurfaceKind), 0, 0, 0, 255));
    return 0;
}

int G_D3D_GetDrawScreenGraph(int x1, int y1, int x2, int y2, const GraphData* g) {
    if (!GetCurrentD3DDeviceState()) return -1;
    if (g_screens.target == TARGET_SUPPRESSED) return 0;
    G_D3D_EndScene();
    const Surface3DData* p = g->PieceCount ? GetSurface3DData(g->Pieces[0]) : nullptr;
    const SurfaceData* sd = p ? GetSurfaceData(p->surfaceData) : nullptr;
    if (!sd) return -1;
    int& remembered = g_screens.captureMethod[sd->Settings.AlphaFlag || sd->Settings.AlphaTestFlag ? 1 : 0];
    if (remembered >= 0) {
        const int result = kCapture[remembered](x1, y1, x2, y2, g);
        if (result >= 0) return result;
    }
    // A method that fails starts a new search from the first.
    int result = -1;
    for (remembered = 0; remembered < kCaptureMethods; ++remembered) {
        result = kCapture[remembered](x1, y1, x2, y2, g);
        if (result == 0) return 0;
    }
    remembered = -1;
    return result;
}

int G_D3D_DrawString(int x, int y, const char* string, int color, int fontHandle, int edgeColor, int verticalFlag) {
    const FontManageData* f = GetFontManageData(fontHandle);
    if (!f) return -1;
    if (!f->textureCache) {
        // Glyphs kept in memory are drawn by the 2D road on the screen's surface.
        G_D3D_EndScene();
        return G_DD_DrawString(x, y, string, color, fontHandle, edgeColor, verticalFlag);
    }
    // Glyphs in a texture cache are drawn as graphs on the render target.
    if (D3DScreenDrawSuppressed() || !string) return -1;
    if (InitFontCacheGraph(fontHandle) != 0) return -1;
    const DrawRect& a = GetGraphDrawState().DrawArea;
    const ImageRect clip{a.left, a.top, a.right, a.bottom};
    GetD3DSystem().glyphDraw = 1;
    const int drawn = DrawStringCore(1, x, y, string, color, nullptr, &clip, 1, fontHandle, edgeColor,
                                     int(std::strlen(string)), verticalFlag, nullptr, GetGraphDrawState().DrawBright);
    GetD3DSystem().glyphDraw = 0;
    return drawn < 0 ? -1 : 0;
}

int FillAlphaChannelRect(const DrawRect* rect, void* pixels, int pitch, const ColorData* c, int alpha) {
    if (!rect || !pixels || !c || !c->AlphaMask) return 0;
    DrawRect r = *rect;
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    const int bytes = c->PixelByte;
    const uint32_t bits = (uint32_t(alpha) << c->AlphaLoc) & c->AlphaMask;
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* row = static_cast<uint8_t*>(pixels) + size_t(y) * pitch + size_t(r.left) * bytes;
        for (int x = 0; x < r.right - r.left; ++x, row += bytes) {
            if (bytes == 2) {
                uint16_t v;
                std::memcpy(&v, row, 2);
                v = uint16_t(v | bits);
                std::memcpy(row, &v, 2);
            } else {
                uint32_t v;
                std::memcpy(&v, row, 4);
                v |= bits;
                std::memcpy(row, &v, 4);
            }
        }
    }
    return 0;
}
