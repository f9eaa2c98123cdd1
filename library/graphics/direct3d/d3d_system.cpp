// The 3D system's start and end: the 3D object, device records, the
// texture-format table, texture surfaces of surface-data records and the
// table of 3D surfaces.
#include "graphics/direct3d/d3d_system.h"

#include <cstring>

#include "core/log.h"
#include "core/window.h"
#include "graphics/direct3d/d3d_road.h"
#include "graphics/direct3d/d3d_screen.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graphics_core.h"
#include "graphics/graphics_handles.h"
#include "graphics/image/color_data.h"
#include "graphics/screen_settings.h"
#include "graphics/surface_data.h"

namespace {

constexpr int kSurface3DSlots = 65536;

struct D3DSystemState {
    D3DSystem sys;
    D3DDeviceState devices[kD3DDevices];
    HandleTable surfaces;
    Device3DFactory factory = Device3DCreateGL;
    D3DRoadCounters counters;
};
D3DSystemState g_d3d = [] {
    D3DSystemState s{};
    s.sys.currentDevice = -1;
    s.factory = Device3DCreateGL;
    return s;
}();

bool SameMasks(const SurfacePixelFormat& a, const ColorData* screen) {
    return a.RBitMask == screen->RedMask && a.GBitMask == screen->GreenMask && a.BBitMask == screen->BlueMask;
}

void SetEntry(int entry, const SurfacePixelFormat& f) {
    D3DTextureFormat& e = g_d3d.sys.textureFormat[entry];
    e.format = f;
    CreateColorDataFromPixelFormat(&e.color, &f);
    e.present = 1;
}

// Fills the table from the device's formats: plain 16- and 32-bit kinds
// (a later one wins only when it matches the screen), 4444, 8888 and 1555.
bool FillTextureFormats() {
    D3DTextureFormat* t = g_d3d.sys.textureFormat;
    std::memset(t, 0, sizeof(g_d3d.sys.textureFormat));
    const ColorData* screen = GetScreenColorData();
    SurfacePixelFormat f;
    for (int i = 0; g_d3d.sys.object->TextureFormat(i, &f); ++i) {
        if (f.Flags & SURFACE_PF_FOURCC || !(f.Flags & SURFACE_PF_RGB)) continue;
        const bool alpha = (f.Flags & SURFACE_PF_ALPHAPIXELS) && f.RGBAlphaBitMask;
        if (!alpha) {
            const int entry = f.RGBBitCount == 16 ? 0 : f.RGBBitCount == 32 ? 1 : -1;
            if (entry >= 0 && (!t[entry].present || SameMasks(f, screen))) SetEntry(entry, f);
        } else if (f.RGBAlphaBitMask == 0xF000 && f.RGBBitCount == 16) {
            SetEntry(2, f);
        } else if (f.RGBAlphaBitMask == 0xFF000000u && f.RGBBitCount == 32) {
            SetEntry(3, f);
            SetEntry(5, f);
        } else if (f.RGBAlphaBitMask == 0x8000 && f.RGBBitCount == 16) {
            SetEntry(4, f);
        }
    }
    if (!t[0].present) return false;
    auto copy = [t](int to, int from) {
        if (!t[to].present) t[to] = t[from];
    };
    copy(1, 0);
    copy(3, 2);
    copy(4, 2);
    copy(5, 3);
    copy(6, 0);
    copy(7, 1);
    copy(8, 3);
    return true;
}

void LogTextureFormats() {
    const D3DSystem& d = g_d3d.sys;
    ErrorLogTabAdd();
    ErrorLogFmtAdd("テクスチャ最大幅:%u 最小幅:%u ", unsigned(d.maxTextureSize), unsigned(d.minTextureSize));
    ErrorLogFmtAdd("描画制限: D_D3DPTEXTURECAPS_POW2 = %d  D_D3DPTEXTURECAPS_SQUAREONLY = %d ", d.caps.pow2Only,
                   d.caps.squareOnly);
    ErrorLogAdd("テクスチャピクセルフォーマット\n");
    ErrorLogAdd("\t通常グラフィック用\n");
    for (int i = 0; i < 2; ++i) {
        const ColorData& c = d.textureFormat[i].color;
        ErrorLogFmtAdd("\t\t BIT:%u  RED:%u  GREEN:%u  BLUE:%u ", unsigned(c.ColorBitDepth), unsigned(c.RedWidth),
                       unsigned(c.GreenWidth), unsigned(c.BlueWidth));
        ErrorLogFmtAdd("\t\t RED:%06x GREEN:%06x BLUE:%06x ", c.RedMask, c.GreenMask, c.BlueMask);
    }
    ErrorLogAdd("\tアルファチャンネル付きグラフィック用\n");
    for (int i = 2; i < 4; ++i) {
        const ColorData& c = d.textureFormat[i].color;
        ErrorLogFmtAdd("\t\t BIT:%u  ALPHA:%u  RED:%u  GREEN:%u  BLUE:%u ", unsigned(c.ColorBitDepth),
                       unsigned(c.AlphaWidth), unsigned(c.RedWidth), unsigned(c.GreenWidth), unsigned(c.BlueWidth));
        ErrorLogFmtAdd("\t\t ALPHA:%08x RED:%08x GREEN:%08x BLUE:%08x ", c.AlphaMask, c.RedMask, c.GreenMask,
                       c.BlueMask);
    }
    ErrorLogTabSub();
}

void ReleaseObject() {
    D3DSystem& d = g_d3d.sys;
    if (d.screen) d.object->ReleaseTexture(d.screen);
    if (d.frontScreen) d.object->ReleaseTexture(d.frontScreen);
    d.screen = nullptr;
    d.frontScreen = nullptr;
    D3DScreenReset();
    delete d.object;
    d.object = nullptr;
}

int StartFailed(const char* text) {
    ErrorLogAdd(text);
    ReleaseObject();
    return -1;
}

// The device's texture of a surface-data record's kind.
Texture3D* MakeTexture(const SurfaceData* s) {
    const SurfacePixelFormat* f = GetTexturePixelFormat(s->SurfaceKind);
    if (!f) return nullptr;
    Texture3D* t = g_d3d.sys.object->CreateTexture(s->Width, s->Height, f, s->Settings.DrawValidFlag, s->ZBufferFlag);
    return t;
}

}  // namespace

D3DSystem& GetD3DSystem() { return g_d3d.sys; }
D3DRoadCounters& GetD3DRoadCounters() { return g_d3d.counters; }
int GetDirect3DUpFlag() { return g_d3d.sys.object && g_d3d.sys.initialised ? 1 : 0; }
void SetDevice3DFactory(Device3DFactory factory) { g_d3d.factory = factory ? factory : Device3DCreateGL; }

int InitializeDirect3D() {
    D3DSystem& d = g_d3d.sys;
    if (d.object) return -1;
    ErrorLogAdd("Direct3D 関連の初期化を行います\n");
    std::memset(&d, 0, sizeof d);
    d.currentDevice = -1;
    ErrorLogAdd("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\n");
    d.object = g_d3d.factory(static_cast<PlatformWindow*>(GetMainWindowHandle()));
    if (!d.object) {
        ErrorLogAdd("Direct3Dオブジェクトの作成に失敗しました\n");
        return -1;
    }
    ErrorLogAdd("Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました\n");
    d.caps = d.object->Caps();
    // Only graphics hardware is a 3D device: drawing on the processor is the
    // software renderer's work, and it does that faster. A driver that does
    // not name itself may well be the processor.
    if (d.caps.rendererKind != DEVICE3D_HARDWARE && !Device3DSoftwareAllowed()) {
        if (d.caps.rendererKind == DEVICE3D_SOFTWARE)
            ErrorLogFmtAdd("描画デバイス %s はソフトウェアで描画するため使用しません"
                           "(ZOVAV_ALLOW_SOFTWARE_GL=1 で使用します)",
                           d.caps.renderer);
        else
            ErrorLogAdd("描画デバイスが名前を返さないため、ハードウェアか分からないので使用しません"
                        "(ZOVAV_ALLOW_SOFTWARE_GL=1 で使用します)\n");
        ReleaseObject();
        return -1;
    }
    const int depth = GetScreenColorBitDepth();
    if ((depth != 16 && depth != 32) || !(d.caps.renderDepths & depth))
        return StartFailed("現在の画面モードで使用できる描画デバイスが見つかりませんでした\n");
    if (d.caps.zBufferDepth != 16) return StartFailed("使用可能なＺバッファが見つかりませんでした\n");
    if (!FillTextureFormats()) return StartFailed("使用可能なテクスチャフォーマットが見つかりませんでした\n");
    // The 3D back screen: screen-sized, of the screen's depth, with a Z buffer.
    int w = 0, h = 0;
    GetScreenSize(&w, &h);
    d.screen = d.object->CreateTexture(w, h, GetTexturePixelFormat(depth == 32 ? 1 : 0), 1, 1);
    if (!d.screen || G_D3D_CreateDevice(d.screen) < 0 || InitializeSurface3DTable() != 0) {
        G_D3D_DeleteAllDevices();
        ReleaseObject();
        return -1;
    }
    d.minTextureSize = d.caps.minTextureWidth < d.caps.minTextureHeight ? d.caps.minTextureWidth
                                                                        : d.caps.minTextureHeight;
    if (d.minTextureSize == 0) d.minTextureSize = 32;
    d.maxTextureSize = d.caps.maxTextureWidth < d.caps.maxTextureHeight ? d.caps.maxTextureWidth
                                                                        : d.caps.maxTextureHeight;
    if (d.maxTextureSize == 0) d.maxTextureSize = 256;
    // Four or more blend stages need no work texture; the device always has them.
    d.alphaModulateSwitch = 0;
    d.zFunc = D3DCMP_LESSEQUAL;
    LogTextureFormats();
    ErrorLogAdd("Direct3D 関連の初期化は正常に終了しました\n");
    D3DScreenReset();
    d.initialised = 1;
    RegisterDirect3DRoad(true);
    return 0;
}

int TerminateDirect3D() {
    D3DSystem& d = g_d3d.sys;
    if (!d.object) return 0;
    ErrorLogAdd("Direct3D 関連の終了処理を行います\n");
    RegisterDirect3DRoad(false);
    TerminateSurface3DTable();
    G_D3D_EndScene();
    G_D3D_DeleteAllDevices();
    ReleaseObject();
    d.initialised = 0;
    ErrorLogAdd("Direct3D 関連の終了処理は正常に終了しました\n");
    return 0;
}

D3DDeviceState* GetD3DDeviceState(int device) {
    if (!g_d3d.sys.object || device < 0 || (device & 0xFFFF) >= kD3DDevices) return nullptr;
    D3DDeviceState& r = g_d3d.devices[device & 0xFFFF];
    return r.present ? &r : nullptr;
}

D3DDeviceState* GetCurrentD3DDeviceState() { return GetD3DDeviceState(g_d3d.sys.currentDevice); }

int G_D3D_CreateDevice(Texture3D* target) {
    D3DSystem& d = g_d3d.sys;
    if (!d.object) return -1;
    int slot = 0;
    while (slot < kD3DDevices && g_d3d.devices[slot].present) ++slot;
    if (slot == kD3DDevices) return -1;
    ErrorLogAdd("３Ｄデバイスを作成します... ");
    D3DDeviceState& r = g_d3d.devices[slot];
    std::memset(&r, 0, sizeof r);
    if (d.object->SetRenderTarget(target) != 0) {
        ErrorLogAdd("３Ｄデバイスの作成に失敗しました\n");
        return -1;
    }
    ErrorLogAdd("３Ｄデバイスの作成に成功しました\n");
    r.device = d.object;
    r.firstTarget = r.currentTarget = target;
    // Every vertex starts at z 0 and rhw 1, the two-texture ones with a white specular.
    for (int f = 0; f < 3; ++f) {
        const int size = D3DBatchVertexSize(f);
        for (int i = 0; i < D3DBatchCapacity(f); ++i) {
            float zr[2] = {0.0f, 1.0f};
            std::memcpy(&r.batch[f][size_t(i) * size + 8], zr, 8);
            if (f == 2) std::memset(&r.batch[f][size_t(i) * size + 20], 0xFF, 4);
        }
    }
    for (int s = 0; s < kD3DStages; ++s) {
        r.stageTexture[s] = nullptr;
        const int start[6] = {D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_DISABLE, D3DTA_TEXTURE, D3DTA_DIFFUSE,
                              D3DTOP_DISABLE};
        std::memcpy(r.stageState[s], start, sizeof start);
    }
    r.state[D3DC_CULLMODE] = D3DCULL_NONE;
    r.state[D3DC_SHADEMODE] = D3DSHADE_FLAT;
    r.state[D3DC_ZFUNC] = D3DCMP_LESSEQUAL;
    r.state[D3DC_ALPHAFUNC] = D3DCMP_GREATER;
    r.state[D3DC_SRCBLEND] = D3DBLEND_SRCALPHA;
    r.state[D3DC_DESTBLEND] = D3DBLEND_INVSRCALPHA;
    r.state[D3DC_BLENDOP] = D3DBLENDOP_ADD;
    r.state[D3DC_TEXTUREFACTOR] = 0xFFFFFFFF;
    r.addressMode = D3DTADDRESS_CLAMP;
    r.alphaTestSwitch = 1;
    r.blendParam = -1;
    r.blendDirty = 1;
    r.batchFormat = 1;
    r.batchType = D3DPT_TRIANGLELIST;
    r.batchWrite = r.batch[1];
    r.present = 1;
    if (target) {
        int w = 0, h = 0;
        GetScreenSize(&w, &h);
        r.viewport = Device3DViewport{0, 0, w, h, 0.0f, 1.0f};
        d.object->SetViewport(r.viewport);
    }
    d.currentDevice = slot;
    // Everything the record caches goes to the device once.
    r.forceResend = 1;
    G_D3D_ResendDeviceStates(slot);
    G_D3D_SetupBlendState(slot);
    r.forceResend = 0;
    return slot;
}

int G_D3D_DeleteDevice(int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    std::memset(r, 0, sizeof *r);
    if (g_d3d.sys.currentDevice == device) g_d3d.sys.currentDevice = -1;
    ErrorLogAdd("３Ｄデバイスの削除は正常に終了しました\n");
    return 0;
}

int G_D3D_DeleteAllDevices() {
    for (int i = 0; i < kD3DDevices; ++i)
        if (g_d3d.devices[i].present) G_D3D_DeleteDevice(i);
    return 0;
}

int GetTextureFormatIndex(int alphaChannel, int alphaTest, int bits32, int secondKind) {
    if (secondKind) return alphaChannel || alphaTest ? 8 : (bits32 ? 7 : 6);
    if (alphaChannel) return bits32 ? 3 : 2;
    if (alphaTest) return bits32 ? 5 : 4;
    return bits32 ? 1 : 0;
}

const SurfacePixelFormat* GetTexturePixelFormat(int entry) {
    if (entry < 0 || entry >= kD3DTextureFormats || !g_d3d.sys.textureFormat[entry].present) return nullptr;
    return &g_d3d.sys.textureFormat[entry].format;
}

const ColorData* GetTextureColorData(int entry) {
    if (entry < 0 || entry >= kD3DTextureFormats || !g_d3d.sys.textureFormat[entry].present) return nullptr;
    return &g_d3d.sys.textureFormat[entry].color;
}

int D3DCreateTextureSurface(SurfaceData* s) {
    if (!g_d3d.sys.object) return -1;
    const GraphSurfaceSettings& st = s->Settings;
    s->SurfaceKind = GetTextureFormatIndex(st.AlphaFlag, st.AlphaTestFlag, st.ColorBitDepth == 32, 0);
    s->Texture = MakeTexture(s);
    if (!s->Texture) return -1;
    // Texels equal to the transparent colour of an opaque kind are cut
    // while the colour key is on; alpha kinds carry their own transparency.
    if (st.AlphaFlag || st.AlphaTestFlag) return 0;
    const ColorData* c = GetTextureColorData(s->SurfaceKind);
    const uint32_t key = PackTransColor(c, s->TransColor) | c->AlphaMask | c->NoneMask;
    g_d3d.sys.object->SetColorKey(s->Texture, 1, key);
    return 0;
}

int D3DLockTextureSurface(SurfaceData* s, const SurfaceRect* rect, int* pitch, void** pixels) {
    if (!g_d3d.sys.object || !s->Texture) return -1;
    G_D3D_RenderVertex(D3DFlush::TextureAccess);
    return g_d3d.sys.object->LockTexture(s->Texture, rect, pitch, pixels);
}

int D3DUnlockTextureSurface(SurfaceData* s) {
    if (!g_d3d.sys.object || !s->Texture) return -1;
    return g_d3d.sys.object->UnlockTexture(s->Texture);
}

int D3DFillTextureSurface(SurfaceData* s, int red, int green, int blue, int alpha) {
    if (!g_d3d.sys.object || !s->Texture) return -1;
    const ColorData* c = GetTextureColorData(s->SurfaceKind);
    return g_d3d.sys.object->FillTexture(s->Texture, nullptr, PackColorData(c, red, green, blue, alpha));
}

void D3DReleaseTextureSurface(SurfaceData* s) {
    if (g_d3d.sys.object && s->Texture) g_d3d.sys.object->ReleaseTexture(s->Texture);
    s->Texture = nullptr;
}

int InitializeSurface3DTable() {
    return InitializeHandleTable(&g_d3d.surfaces, ZV_HANDLE_SURFACE3D, kSurface3DSlots, sizeof(Surface3DData),
                                 "３Ｄグラフィックの数が許容量を越えました。\n",
                                 "メモリの確保に失敗しました in AddSurface3DData \n");
}

int TerminateSurface3DTable() {
    HandleTable& t = g_d3d.surfaces;
    if (t.records == nullptr) return 0;
    for (int slot = 0; slot < t.nextSlot; ++slot)
        if (t.records[slot]) DeleteSurface3DData(HandleOfSlot(&t, slot));
    return TerminateHandleTable(&t);
}

Surface3DData* GetSurface3DData(int handle) {
    return static_cast<Surface3DData*>(CheckHandle(&g_d3d.surfaces, handle));
}

int AddSurface3DData(const GraphSurfaceSettings* settings, int width, int height, uint32_t transColor, int x, int y,
                     int w, int h, int offsetU, int offsetV, uint32_t flags, const Surface3DData* parent, int u,
                     int v) {
    if (!g_d3d.sys.object) return ErrorLogAdd("３Ｄグラフィックエンジンが初期化されていません\n");
    int surface = -1;
    if (parent) {
        surface = parent->surfaceData;
        if (IncSurfaceRefCount(surface) < 0) return -1;
    } else {
        GraphSurfaceSettings st = *settings;
        st.TextureFlag = 1;
        surface = AddSurfaceData(1, width, height, transColor, &st);
        if (surface < 0) return -1;
    }
    const int handle = AddHandle(&g_d3d.surfaces, -1);
    if (handle < 0) {
        if (DecSurfaceRefCount(surface) <= 0) DeleteSurfaceData(surface);
        return -1;
    }
    Surface3DData* r = GetSurface3DData(handle);
    const SurfaceData* sd = GetSurfaceData(surface);
    r->x = uint16_t(x);
    r->y = uint16_t(y);
    r->u = uint16_t(u);
    r->v = uint16_t(v);
    r->offsetU = uint16_t(offsetU + (parent ? parent->offsetU : 0));
    r->offsetV = uint16_t(offsetV + (parent ? parent->offsetV : 0));
    r->width = uint16_t(w);
    r->height = uint16_t(h);
    r->flags = flags;
    r->surfaceData = surface;
    const float W = float(sd->Width), H = float(sd->Height);
    for (int i = 0; i < 4; ++i) {
        const int dx = i & 1 ? w : 0, dy = i & 2 ? h : 0;
        r->vertex[i] = D3DVertexTex1{float(x + dx), float(y + dy), 0.0f, 1.0f, 0xFFFFFFFFu, float(u + dx) / W,
                                     float(v + dy) / H};
    }
    return handle;
}

int DeleteSurface3DData(int handle) {
    Surface3DData* r = GetSurface3DData(handle);
    if (!r) return -1;
    if (DecSurfaceRefCount(r->surfaceData) <= 0) {
        const SurfaceData* s = GetSurfaceData(r->surfaceData);
        if (s && s->Texture) G_D3D_ForgetTexture(s->Texture);
        DeleteSurfaceData(r->surfaceData);
    }
    if (r->lostFlag) *r->lostFlag = 1;
    SubHandle(&g_d3d.surfaces, handle);
    LowerHandleHint(&g_d3d.surfaces, HandleSlot(handle));
    return 0;
}

int LockSurface3D(int handle, int* pitch, void** pixels, const SurfaceRect* rect) {
    const Surface3DData* r = GetSurface3DData(handle);
    return r ? LockSurfaceData(r->surfaceData, pitch, pixels, 0, rect, nullptr) : -1;
}

int UnlockSurface3D(int handle) {
    const Surface3DData* r = GetSurface3DData(handle);
    return r ? UnlockSurfaceData(r->surfaceData) : -1;
}
