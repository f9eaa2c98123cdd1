// The 3D system: the 3D device and its per-device state records (render-state
// cache and vertex batch), the texture-format table and the 3D surfaces that
// texture graphs are built from.
#pragma once
#include <cstdint>

#include "graphics/image/color_data.h"
#include "platform/device3d_gl.h"
#include "platform/surface_memory.h"

struct PlatformWindow;
struct SurfaceData;
struct GraphSurfaceSettings;

constexpr int kD3DDevices = 4;
constexpr int kD3DStages = 4;
constexpr int kD3DBatchBytes = 65536;
constexpr int kD3DTextureFormats = 9;

// One stage of a texture-stage description; -1 leaves the state alone.
struct D3DStageEntry {
    int16_t alphaArg1, alphaArg2, alphaOp, colorArg1, colorArg2, colorOp, reserved[2];
};
struct D3DStageTable {
    uint32_t count;
    D3DStageEntry stage[kD3DStages];
};

// Cached render states of the blend set-up and the others.
enum D3DCachedState {
    D3DC_ALPHATESTENABLE, D3DC_ALPHAREF, D3DC_ALPHAFUNC, D3DC_ALPHABLENDENABLE, D3DC_TEXTUREFACTOR, D3DC_SRCBLEND,
    D3DC_DESTBLEND, D3DC_BLENDOP, D3DC_ZENABLE, D3DC_ZWRITEENABLE, D3DC_ZFUNC, D3DC_SHADEMODE, D3DC_CULLMODE,
    D3DC_TEXTUREPERSPECTIVE, D3DC_COLORKEYENABLE,
    D3DC_COUNT
};

// The state record of one device.
struct D3DDeviceState {
    int present;
    Device3D* device;
    Texture3D* firstTarget;
    Texture3D* currentTarget;
    int sceneBegun;
    Texture3D* currentTexture;
    int colorModulate, alphaModulate;
    int blendMode, blendParam, blendGraphRange;
    int alphaChannel, alphaTest;
    int coverageMultiply;           // multiplying by glyph cells: uncovered parts keep the destination
    int blendDirty, textureDirty;
    int drawBlocked;
    int forceResend;
    int alphaTestSwitch;            // the device's own switch: alpha-test textures cut at 0 when no flag asks
    Texture3D* blendGraphTexture;   // drawn through a blend graph when set
    int filter;                     // 0 point, 1 linear
    Texture3D* stageTexture[kD3DStages];
    int stageState[kD3DStages][6];  // alpha arg1, arg2, op, colour arg1, arg2, op
    uint32_t state[D3DC_COUNT];
    int stageCount;
    int addressMode;
    int batchCount, batchFormat, batchType;
    uint8_t* batchWrite;
    Device3DViewport viewport;
    alignas(16) uint8_t batch[3][kD3DBatchBytes];
};

// A texture-format entry: the device's description and its colour data.
struct D3DTextureFormat {
    SurfacePixelFormat format;
    ColorData color;
    int present;
};

// The ready vertex of a piece's quad (the one-texture vertex format).
struct D3DVertexTex1 {
    float x, y, z, rhw;
    uint32_t color;
    float u, v;
};
static_assert(sizeof(D3DVertexTex1) == 28, "one-texture vertices are 28 bytes");
struct D3DVertexColor {
    float x, y, z, rhw;
    uint32_t color;
};
static_assert(sizeof(D3DVertexColor) == 20, "untextured vertices are 20 bytes");

// One 3D surface: a piece of texture of a texture graph.
struct Surface3DData {
    int serial;
    int* lostFlag;
    uint16_t x, y, u, v, offsetU, offsetV, width, height;
    D3DVertexTex1 vertex[4];
    uint32_t flags;
    int surfaceData;
};

struct D3DSystem {
    Device3D* object;            // the device interface; null while the 3D system is down
    int currentDevice;           // handle of the current device record, -1 none
    Device3DCaps caps;
    int minTextureSize, maxTextureSize;
    D3DTextureFormat textureFormat[kD3DTextureFormats];
    Texture3D* screen;           // the 3D back screen the device draws into first
    Texture3D* frontScreen;      // the 3D front screen, made when first drawn on
    int initialised;
    int alphaModulateSwitch;     // the draw state's alpha-modulate switch
    int cullSwitch;              // cull counter-clockwise triangles
    int zEnable, zWrite, zFunc;  // Z state used by draws that ask for the Z buffer
    int glyphDraw;               // glyph cells are being drawn: their alpha is coverage
};

D3DSystem& GetD3DSystem();
// How the 3D object is made; tests put a recording device here.
using Device3DFactory = Device3D* (*)(PlatformWindow* window);
void SetDevice3DFactory(Device3DFactory factory);

int InitializeDirect3D();
int TerminateDirect3D();
int G_D3D_CreateDevice(Texture3D* target);
int G_D3D_DeleteDevice(int device);
int G_D3D_DeleteAllDevices();
D3DDeviceState* GetD3DDeviceState(int device);
D3DDeviceState* GetCurrentD3DDeviceState();

// Texture formats: the index for a texture's kind and the two halves of an entry.
int GetTextureFormatIndex(int alphaChannel, int alphaTest, int bits32, int secondKind);
const SurfacePixelFormat* GetTexturePixelFormat(int entry);
const ColorData* GetTextureColorData(int entry);

// Texture surfaces of surface-data records.
int D3DCreateTextureSurface(SurfaceData* s);
int D3DLockTextureSurface(SurfaceData* s, const SurfaceRect* rect, int* pitch, void** pixels);
int D3DUnlockTextureSurface(SurfaceData* s);
int D3DFillTextureSurface(SurfaceData* s, int red, int green, int blue, int alpha);
// Gives the texture back to the device (a device already gone took it along).
void D3DReleaseTextureSurface(SurfaceData* s);

// 3D surfaces.
int InitializeSurface3DTable();
int TerminateSurface3DTable();
int AddSurface3DData(const GraphSurfaceSettings* settings, int width, int height, uint32_t transColor, int x, int y, int w, int h,
                     int offsetU, int offsetV, uint32_t flags, const Surface3DData* parent, int u, int v);
int DeleteSurface3DData(int handle);
Surface3DData* GetSurface3DData(int handle);
int LockSurface3D(int handle, int* pitch, void** pixels, const SurfaceRect* rect);
int UnlockSurface3D(int handle);

// Render-state cache (each setter: 0, or -1 without the 3D system or device).
int G_D3D_SetZEnable(int value, int device);
int G_D3D_SetZWrite(int value, int device);
int G_D3D_SetZFunc(int value, int device);
int G_D3D_SetCullMode(int value, int device);
int G_D3D_SetShadeMode(int value, int device);
int G_D3D_SetTexturePerspective(int value, int device);
int G_D3D_SetColorKeyEnable(int value, int device);
int G_D3D_SetRenderTarget(Texture3D* target, int device);
int G_D3D_SetTextureFilter(int mode, int device);
// The draw mode (0 nearest, 1 bilinear) as the current device's texture filter.
int G_D3D_SetDrawMode(int mode);
int G_D3D_SetColorModulate(int value, int device);
int G_D3D_SetAlphaModulate(int value, int device);
int G_D3D_SetTexture(Texture3D* texture, int device);
int G_D3D_SetBlendMode(int mode, int alphaChannel, int alphaTest, int device);
// The blend graph a texture is drawn through (null: none), its border parameter and range.
int G_D3D_SetBlendGraph(Texture3D* blendGraph, int param, int range, int device);
int G_D3D_SetViewport(const Device3DViewport& viewport, int device);
// Hand a 4x4 matrix to the current device (or the given one); -1 when the 3D
// road is not up or the device does not exist.
int G_D3D_SetTransformWorld(const float matrix[16]);
int G_D3D_SetTransformWorld(const float matrix[16], int device);
int G_D3D_SetTransformView(const float matrix[16]);
int G_D3D_SetTransformView(const float matrix[16], int device);
int G_D3D_SetTransformProjection(const float matrix[16]);
int G_D3D_SetTransformProjection(const float matrix[16], int device);
int G_D3D_ResendDeviceStates(int device);
// A texture about to go: queued draws go out and no device record keeps it.
void G_D3D_ForgetTexture(Texture3D* texture);
int G_D3D_SetupBlendState(int device);
// Stage tables: T0..T11 then B0..B11, and the untextured one.
const D3DStageTable& GetD3DStageTable(int index);
const D3DStageTable& GetD3DUntexturedStageTable();

enum D3DDrawFlags {
    D3DDRAW_TRANS = 1, D3DDRAW_KEEP_ALPHA_KIND = 2, D3DDRAW_ZBUFFER = 4, D3DDRAW_GOURAUD = 8,
    D3DDRAW_PERSPECTIVE = 16, D3DDRAW_COLOR_MODULATE = 32, D3DDRAW_ALPHA_MODULATE = 64
};
int G_D3D_SetDrawState(const Surface3DData* texture, int flags);

// The vertex batch: room for `count` vertices of the batch's current format
// in a list of `type` (drawing out first when the batch holds another type
// or would overflow); null without a device. The caller writes the vertices
// and they count as added.
void* G_D3D_BatchReserve(int count, int type);
// Why the queued vertices go to the device: every flush names its reason.
enum class D3DFlush {
    Asked,           // a caller wants the batch drawn now
    StateChange,     // a render, texture or blend state is about to change
    BatchFull,       // no room, or another primitive type, for the next vertices
    DirectDraw,      // a draw that goes to the device itself must come after the batch
    TextureAccess,   // a texture is about to be written or given back
    SceneEnd,
    Count
};
// What the 3D road has sent since the program started: batches drawn per
// reason, draws the device refused (their vertices are lost), and
// whole-screen copies between a screen's surface and its picture on the
// device (the price of mixing 2D and 3D work on one screen).
struct D3DRoadCounters {
    uint64_t flushes[int(D3DFlush::Count)];
    uint64_t refusedDraws;
    uint64_t copiesToSurface;
    uint64_t copiesToDevice;
};
D3DRoadCounters& GetD3DRoadCounters();
// The one way the batch reaches the device.
int G_D3D_RenderVertex(D3DFlush why = D3DFlush::Asked);
// The one way vertices reach the current device, batched or not: the
// device's result, a refusal counted.
int G_D3D_DrawPrimitive(int type, uint32_t fvf, const void* vertices, int count);
int G_D3D_DrawIndexedPrimitive(int type, uint32_t fvf, const void* vertices, int vertexCount, const uint16_t* indices,
                               int indexCount);
int G_D3D_BeginScene();
// Ends the scene for 2D work: everything queued is drawn and the draw
// target's surface gets the device's picture.
int G_D3D_EndScene();
// Ends the scene on the device alone (a new render target, the flip).
int G_D3D_EndSceneOnDevice();
// Vertex formats of the batch: bytes, FVF and capacity.
int D3DBatchVertexSize(int format);
uint32_t D3DBatchFVF(int format);
int D3DBatchCapacity(int format);
