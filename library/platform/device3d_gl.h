// The 3D device: textures, render states, texture stages, render targets and
// pre-transformed vertex drawing, as the library's 3D system drives them.
// Values are the library's own (blend factors, compare functions, stage
// operations and arguments, vertex formats); the OpenGL implementation maps
// them. No GL type appears here, so a recording fake can stand in for it.
#pragma once
#include <cstdint>

#include "platform/surface_memory.h"

struct PlatformWindow;
struct Texture3D;

// Render states the 3D system sends.
enum Device3DRenderState {
    D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ZFUNC, D3DRS_CULLMODE, D3DRS_SHADEMODE, D3DRS_LIGHTING,
    D3DRS_DITHERENABLE, D3DRS_TEXTUREPERSPECTIVE, D3DRS_COLORKEYENABLE, D3DRS_COLORKEYBLENDENABLE,
    D3DRS_ALPHATESTENABLE, D3DRS_ALPHAREF, D3DRS_ALPHAFUNC, D3DRS_ALPHABLENDENABLE, D3DRS_TEXTUREFACTOR,
    D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_BLENDOP,
    D3DRS_COUNT
};

// Texture-stage states.
enum Device3DStageState {
    D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2,
    D3DTSS_ADDRESS, D3DTSS_MAGFILTER, D3DTSS_MINFILTER, D3DTSS_TEXCOORDINDEX,
    D3DTSS_COUNT
};

// Value sets of those states.
enum { D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3, D3DBLEND_INVSRCCOLOR = 4, D3DBLEND_SRCALPHA = 5,
       D3DBLEND_INVSRCALPHA = 6, D3DBLEND_DESTALPHA = 7, D3DBLEND_INVDESTALPHA = 8, D3DBLEND_DESTCOLOR = 9,
       D3DBLEND_INVDESTCOLOR = 10 };
// How the two blend terms meet: source + destination, or destination - source.
enum { D3DBLENDOP_ADD = 1, D3DBLENDOP_REVSUBTRACT = 3 };
enum { D3DCMP_NEVER = 1, D3DCMP_LESS, D3DCMP_EQUAL, D3DCMP_LESSEQUAL, D3DCMP_GREATER, D3DCMP_NOTEQUAL,
       D3DCMP_GREATEREQUAL, D3DCMP_ALWAYS };
enum { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2 };
enum { D3DTOP_DISABLE = 1, D3DTOP_SELECTARG1, D3DTOP_SELECTARG2, D3DTOP_MODULATE, D3DTOP_MODULATE2X,
       D3DTOP_MODULATE4X, D3DTOP_ADD, D3DTOP_SUBTRACT = 10 };
enum { D3DTA_DIFFUSE = 0, D3DTA_CURRENT = 1, D3DTA_TEXTURE = 2, D3DTA_TFACTOR = 3, D3DTA_SPECULAR = 4 };
// Or-ed into a colour argument: the argument's alpha in all three channels.
enum { D3DTA_ALPHAREPLICATE = 0x20 };
enum { D3DTADDRESS_WRAP = 1, D3DTADDRESS_CLAMP = 3 };
enum { D3DTFG_POINT = 1, D3DTFG_LINEAR = 2 };

// Primitive types and vertex formats (pre-transformed: x, y, z, rhw, then
// diffuse, optional specular, texture coordinates).
enum { D3DPT_LINELIST = 2, D3DPT_LINESTRIP = 3, D3DPT_TRIANGLELIST = 4, D3DPT_TRIANGLESTRIP = 5 };
constexpr uint32_t D3DFVF_XYZRHW_DIFFUSE = 0x44;
constexpr uint32_t D3DFVF_XYZRHW_DIFFUSE_TEX1 = 0x144;
constexpr uint32_t D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2 = 0x2C4;
// Bytes of one vertex of a format, 0 for a format the device does not take.
int Device3DVertexSize(uint32_t fvf);

// Who draws for a device: graphics hardware, the processor (a software
// rasteriser), or a driver that does not name itself (as doubtful as the processor).
enum Device3DRenderer { DEVICE3D_HARDWARE = 0, DEVICE3D_SOFTWARE = 1, DEVICE3D_UNKNOWN = 2 };

struct Device3DCaps {
    int minTextureWidth, minTextureHeight;
    int maxTextureWidth, maxTextureHeight;
    int pow2Only, squareOnly;
    int maxBlendStages;
    int renderDepths;      // 16 and 32 or-ed: the render-target depths taken
    int zBufferDepth;      // 16
    int rendererKind;      // Device3DRenderer
    char renderer[64];     // the renderer's own name, for the log
};

struct Device3DViewport {
    int x, y, width, height;
    float minZ, maxZ;
};

class Device3D {
public:
    virtual ~Device3D() = default;
    virtual const Device3DCaps& Caps() const = 0;
    // Texture formats in the device's order; false past the last.
    virtual bool TextureFormat(int index, SurfacePixelFormat* format) const = 0;

    // A texture of the format; a render target can be drawn into, with an
    // optional 16-bit depth buffer. Null on failure.
    virtual Texture3D* CreateTexture(int width, int height, const SurfacePixelFormat* format, int renderTarget,
                                     int depth) = 0;
    virtual void ReleaseTexture(Texture3D* texture) = 0;
    // Lock gives the format's own bytes of the rectangle (null: all); the
    // unlock uploads what was written.
    virtual int LockTexture(Texture3D* texture, const SurfaceRect* rect, int* pitch, void** pixels) = 0;
    virtual int UnlockTexture(Texture3D* texture) = 0;
    // The whole texture in its own format, rows top first: a read fetches
    // what was drawn into a render target, a write replaces every pixel.
    virtual int ReadTexture(Texture3D* texture, void* pixels, int pitch) = 0;
    virtual int WriteTexture(Texture3D* texture, const void* pixels, int pitch) = 0;
    // value is a pixel of the texture's format.
    virtual int FillTexture(Texture3D* texture, const SurfaceRect* rect, uint32_t value) = 0;
    virtual int FillDepth(Texture3D* texture, float depth) = 0;
    virtual int CopyTexture(Texture3D* dest, int x, int y, Texture3D* src, const SurfaceRect* srcRect) = 0;
    // Texels equal to the key (in the texture's format) become transparent
    // while the colour-key render state is on.
    virtual int SetColorKey(Texture3D* texture, int enable, uint32_t key) = 0;

    virtual int SetRenderState(int state, uint32_t value) = 0;
    virtual int SetTextureStageState(int stage, int state, uint32_t value) = 0;
    virtual int SetTexture(int stage, Texture3D* texture) = 0;
    virtual int SetRenderTarget(Texture3D* target) = 0;
    virtual int SetViewport(const Device3DViewport& viewport) = 0;
    // Stored only: every vertex the library sends is pre-transformed.
    virtual int SetTransform(int kind, const float matrix[16]) = 0;
    virtual int BeginScene() = 0;
    virtual int EndScene() = 0;
    virtual int DrawPrimitive(int type, uint32_t fvf, const void* vertices, int count) = 0;
    virtual int DrawIndexedPrimitive(int type, uint32_t fvf, const void* vertices, int vertexCount,
                                     const uint16_t* indices, int indexCount) = 0;
    // Shows a screen texture in the window (main thread).
    virtual int Present(Texture3D* screen) = 0;
};

// The OpenGL device on the window, or null (with the reason in
// Device3DError) where no GL context can be made or the device is refused.
Device3D* Device3DCreateGL(PlatformWindow* window);
const char* Device3DError();
// While set, creating the device fails (a machine without a 3D device).
void Device3DRefuse(int refuse);
// 1 when the environment lets a software rasteriser, or a driver that does
// not name itself, serve as the 3D device (ZOVAV_ALLOW_SOFTWARE_GL=1: tests
// on a virtual display have no other GL).
int Device3DSoftwareAllowed();
// What a GL renderer string says of the device: a software rasteriser by
// its name, unknown when empty or missing, else hardware.
int Device3DRendererOf(const char* renderer);
