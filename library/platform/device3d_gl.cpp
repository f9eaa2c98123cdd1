// The 3D device over OpenGL 2.1 (compatibility profile) through SDL2's GL
// context: textures with a memory copy in their own format, framebuffer
// objects for render targets, fixed-function texture stages, blending,
// alpha test and depth, and the library's pixel-centre convention.
#include "platform/device3d_gl.h"

#include <SDL.h>
#define NO_SDL_GLEXT
#include <SDL_opengl.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/presenter_sdl.h"
#include "platform/window_sdl.h"

// Tokens past GL 1.1 (SDL's header without its extension part stops there).
#define ZV_GL_TEXTURE0 0x84C0
#define ZV_GL_COMBINE 0x8570
#define ZV_GL_COMBINE_RGB 0x8571
#define ZV_GL_COMBINE_ALPHA 0x8572
#define ZV_GL_RGB_SCALE 0x8573
#define ZV_GL_ADD_SIGNED 0x8574
#define ZV_GL_CONSTANT 0x8576
#define ZV_GL_PRIMARY_COLOR 0x8577
#define ZV_GL_PREVIOUS 0x8578
#define ZV_GL_SOURCE0_RGB 0x8580
#define ZV_GL_SOURCE1_RGB 0x8581
#define ZV_GL_SOURCE0_ALPHA 0x8588
#define ZV_GL_SOURCE1_ALPHA 0x8589
#define ZV_GL_OPERAND0_RGB 0x8590
#define ZV_GL_OPERAND1_RGB 0x8591
#define ZV_GL_OPERAND0_ALPHA 0x8598
#define ZV_GL_OPERAND1_ALPHA 0x8599
#define ZV_GL_SUBTRACT 0x84E7
#define ZV_GL_CLAMP_TO_EDGE 0x812F
#define ZV_GL_MAX_TEXTURE_UNITS 0x84E2
#define ZV_GL_FRAMEBUFFER 0x8D40
#define ZV_GL_READ_FRAMEBUFFER 0x8CA8
#define ZV_GL_DRAW_FRAMEBUFFER 0x8CA9
#define ZV_GL_RENDERBUFFER 0x8D41
#define ZV_GL_COLOR_ATTACHMENT0 0x8CE0
#define ZV_GL_DEPTH_ATTACHMENT 0x8D00
#define ZV_GL_FRAMEBUFFER_COMPLETE 0x8CD5
#define ZV_GL_DEPTH_COMPONENT16 0x81A5
#define ZV_GL_FUNC_ADD 0x8006
#define ZV_GL_FUNC_REVERSE_SUBTRACT 0x800B

namespace {

// GL entry points, loaded through SDL once a context exists.
struct GLFunctions {
    void(APIENTRY* Enable)(GLenum);
    void(APIENTRY* Disable)(GLenum);
    void(APIENTRY* BlendFunc)(GLenum, GLenum);
    void(APIENTRY* BlendEquation)(GLenum);
    const GLubyte*(APIENTRY* GetString)(GLenum);
    void(APIENTRY* AlphaFunc)(GLenum, GLclampf);
    void(APIENTRY* DepthFunc)(GLenum);
    void(APIENTRY* DepthMask)(GLboolean);
    void(APIENTRY* ShadeModel)(GLenum);
    void(APIENTRY* CullFace)(GLenum);
    void(APIENTRY* FrontFace)(GLenum);
    void(APIENTRY* Viewport)(GLint, GLint, GLsizei, GLsizei);
    void(APIENTRY* Scissor)(GLint, GLint, GLsizei, GLsizei);
    void(APIENTRY* MatrixMode)(GLenum);
    void(APIENTRY* LoadMatrixf)(const GLfloat*);
    void(APIENTRY* LoadIdentity)();
    void(APIENTRY* ClearColor)(GLclampf, GLclampf, GLclampf, GLclampf);
    void(APIENTRY* ClearDepth)(GLclampd);
    void(APIENTRY* Clear)(GLbitfield);
    void(APIENTRY* GenTextures)(GLsizei, GLuint*);
    void(APIENTRY* DeleteTextures)(GLsizei, const GLuint*);
    void(APIENTRY* BindTexture)(GLenum, GLuint);
    void(APIENTRY* TexImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*);
    void(APIENTRY* TexSubImage2D)(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*);
    void(APIENTRY* TexParameteri)(GLenum, GLenum, GLint);
    void(APIENTRY* TexEnvi)(GLenum, GLenum, GLint);
    void(APIENTRY* TexEnvfv)(GLenum, GLenum, const GLfloat*);
    void(APIENTRY* PixelStorei)(GLenum, GLint);
    void(APIENTRY* ReadPixels)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
    void(APIENTRY* EnableClientState)(GLenum);
    void(APIENTRY* DisableClientState)(GLenum);
    void(APIENTRY* VertexPointer)(GLint, GLenum, GLsizei, const void*);
    void(APIENTRY* ColorPointer)(GLint, GLenum, GLsizei, const void*);
    void(APIENTRY* TexCoordPointer)(GLint, GLenum, GLsizei, const void*);
    void(APIENTRY* DrawArrays)(GLenum, GLint, GLsizei);
    void(APIENTRY* GetIntegerv)(GLenum, GLint*);
    void(APIENTRY* ActiveTexture)(GLenum);
    void(APIENTRY* ClientActiveTexture)(GLenum);
    void(APIENTRY* GenFramebuffers)(GLsizei, GLuint*);
    void(APIENTRY* DeleteFramebuffers)(GLsizei, const GLuint*);
    void(APIENTRY* BindFramebuffer)(GLenum, GLuint);
    void(APIENTRY* FramebufferTexture2D)(GLenum, GLenum, GLenum, GLuint, GLint);
    void(APIENTRY* GenRenderbuffers)(GLsizei, GLuint*);
    void(APIENTRY* DeleteRenderbuffers)(GLsizei, const GLuint*);
    void(APIENTRY* BindRenderbuffer)(GLenum, GLuint);
    void(APIENTRY* RenderbufferStorage)(GLenum, GLenum, GLsizei, GLsizei);
    void(APIENTRY* FramebufferRenderbuffer)(GLenum, GLenum, GLenum, GLuint);
    GLenum(APIENTRY* CheckFramebufferStatus)(GLenum);
    void(APIENTRY* BlitFramebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield, GLenum);
};

struct DeviceGlobals {
    int refuse = 0;
    std::string error;
    class GLDevice* windowOwner = nullptr;
};
DeviceGlobals g_device3d;

constexpr int kStages = 4;
constexpr int kTransforms = 4;   // world, view, projection, viewport
// The library puts pixel centres on integers with a top-left rule; GL puts
// them on half-integers. The 1/64 keeps edges that fall on a centre on the
// library's side of the tie, whatever the driver's own rule.
constexpr float kPixelShift = 0.5f - 1.0f / 64.0f;

// One channel of a format: where it is and how wide.
struct Channel {
    uint32_t mask = 0;
    int shift = 0, bits = 0;
};
Channel ChannelOf(uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (!mask) return c;
    while (!(mask >> c.shift & 1)) ++c.shift;
    while (c.shift + c.bits < 32 && (mask >> (c.shift + c.bits) & 1)) ++c.bits;
    return c;
}
uint8_t Widen(uint32_t value, const Channel& c) {
    if (!c.bits) return 0;
    const uint32_t v = (value & c.mask) >> c.shift, max = (1u << c.bits) - 1;
    return uint8_t((v * 255 + max / 2) / max);
}
uint32_t Narrow(uint8_t v, const Channel& c) { return c.bits ? (uint32_t(v) >> (8 - c.bits)) << c.shift : 0; }

}  // namespace

struct Texture3D {
    GLuint name = 0, framebuffer = 0, depth = 0;
    int width = 0, height = 0, bytes = 0;
    SurfacePixelFormat format{};
    Channel r, g, b, a;
    std::vector<uint8_t> pixels;   // the format's own bytes, rows top first
    int lockCount = 0;
    SurfaceRect lockRect{};
    int keyEnabled = 0;
    uint32_t key = 0;
};

namespace {

class GLDevice final : public Device3D {
public:
    GLDevice(SDL_Window* window, SDL_GLContext context, const GLFunctions& gl)
        : window_(window), context_(context), gl_(gl) {
        owner_ = std::this_thread::get_id();
        GLint maxSize = 0, units = 0;
        gl_.GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
        gl_.GetIntegerv(ZV_GL_MAX_TEXTURE_UNITS, &units);
        const int maxTex = maxSize > 2048 ? 2048 : int(maxSize);
        const GLubyte* renderer = gl_.GetString(GL_RENDERER);
        const char* name = renderer ? reinterpret_cast<const char*>(renderer) : "";
        caps_ = Device3DCaps{1, 1, maxTex, maxTex, 0, 0, units > 8 ? 8 : int(units), 16 | 32, 16,
                             Device3DSoftwareRenderer(name), {}};
        std::snprintf(caps_.renderer, sizeof caps_.renderer, "%s", name);
        units_ = units < kStages ? int(units) : kStages;
        for (int s = 0; s < kStages; ++s) {
            stage_[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
            stage_[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
            stage_[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
            stage_[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
            stage_[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
            stage_[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
            stage_[s][D3DTSS_ADDRESS] = D3DTADDRESS_CLAMP;
            stage_[s][D3DTSS_MAGFILTER] = D3DTFG_POINT;
            stage_[s][D3DTSS_MINFILTER] = D3DTFG_POINT;
            stage_[s][D3DTSS_TEXCOORDINDEX] = 0;
        }
        rs_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
        rs_[D3DRS_CULLMODE] = D3DCULL_NONE;
        rs_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
        rs_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
        rs_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
        rs_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
        rs_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
        rs_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
        // GL dithers and lights by default; the library wants neither.
        gl_.Disable(GL_DITHER);
        gl_.Disable(GL_LIGHTING);
        gl_.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gl_.PixelStorei(GL_PACK_ALIGNMENT, 1);
        g_device3d.windowOwner = this;
    }
    ~GLDevice() override {
        Current();
        if (presentTexture_) ReleaseTexture(presentTexture_);
        if (g_device3d.windowOwner == this) g_device3d.windowOwner = nullptr;
        // Nothing may stay current on the window: the SDL renderer made next
        // would otherwise start from the deleted context.
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
        // The window shows through the SDL renderer again.
        PresenterResume();
    }

    const Device3DCaps& Caps() const override { return caps_; }

    bool TextureFormat(int index, SurfacePixelFormat* format) const override {
        static const uint32_t kFormats[5][5] = {
            {16, 0xF800, 0x07E0, 0x001F, 0},          {32, 0xFF0000, 0xFF00, 0xFF, 0},
            {16, 0x0F00, 0x00F0, 0x000F, 0xF000},     {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
            {16, 0x7C00, 0x03E0, 0x001F, 0x8000},
        };
        if (index < 0 || index >= 5) return false;
        const uint32_t* f = kFormats[index];
        *format = SurfacePixelFormat{32, SURFACE_PF_RGB | (f[4] ? SURFACE_PF_ALPHAPIXELS : 0u), 0, f[0], f[1], f[2],
                                     f[3], f[4]};
        return true;
    }

    Texture3D* CreateTexture(int width, int height, const SurfacePixelFormat* format, int renderTarget,
                             int depth) override {
        if (width < 1 || height < 1 || width > caps_.maxTextureWidth || height > caps_.maxTextureHeight ||
            (format->RGBBitCount != 16 && format->RGBBitCount != 32))
            return nullptr;
        Current();
        auto* t = new Texture3D;
        t->width = width;
        t->height = height;
        t->format = *format;
        t->bytes = int(format->RGBBitCount / 8);
        t->r = ChannelOf(format->RBitMask);
        t->g = ChannelOf(format->GBitMask);
        t->b = ChannelOf(format->BBitMask);
        t->a = ChannelOf(format->Flags & SURFACE_PF_ALPHAPIXELS ? format->RGBAlphaBitMask : 0);
        t->pixels.assign(size_t(width) * height * t->bytes, 0);
        gl_.GenTextures(1, &t->name);
        gl_.BindTexture(GL_TEXTURE_2D, t->name);
        gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, ZV_GL_CLAMP_TO_EDGE);
        gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, ZV_GL_CLAMP_TO_EDGE);
        gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        Upload(t, SurfaceRect{0, 0, width, height});
        if (renderTarget) {
            gl_.GenFramebuffers(1, &t->framebuffer);
            gl_.BindFramebuffer(ZV_GL_FRAMEBUFFER, t->framebuffer);
            gl_.FramebufferTexture2D(ZV_GL_FRAMEBUFFER, ZV_GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->name, 0);
            if (depth) {
                gl_.GenRenderbuffers(1, &t->depth);
                gl_.BindRenderbuffer(ZV_GL_RENDERBUFFER, t->depth);
                gl_.RenderbufferStorage(ZV_GL_RENDERBUFFER, ZV_GL_DEPTH_COMPONENT16, width, height);
                gl_.FramebufferRenderbuffer(ZV_GL_FRAMEBUFFER, ZV_GL_DEPTH_ATTACHMENT, ZV_GL_RENDERBUFFER, t->depth);
            }
            const bool complete = gl_.CheckFramebufferStatus(ZV_GL_FRAMEBUFFER) == ZV_GL_FRAMEBUFFER_COMPLETE;
            BindTarget();
            if (!complete) {
                ReleaseTexture(t);
                return nullptr;
            }
            if (depth) FillDepth(t, 1.0f);
        }
        return t;
    }

    void ReleaseTexture(Texture3D* t) override {
        if (!t) return;
        Current();
        for (auto& bound : texture_)
            if (bound == t) bound = nullptr;
        if (target_ == t) {
            target_ = nullptr;
            BindTarget();
        }
        if (t->framebuffer) gl_.DeleteFramebuffers(1, &t->framebuffer);
        if (t->depth) gl_.DeleteRenderbuffers(1, &t->depth);
        gl_.DeleteTextures(1, &t->name);
        delete t;
    }

    int LockTexture(Texture3D* t, const SurfaceRect* rect, int* pitch, void** pixels) override {
        const SurfaceRect r = rect ? *rect : SurfaceRect{0, 0, t->width, t->height};
        if (t->lockCount || r.left < 0 || r.top < 0 || r.right > t->width || r.bottom > t->height ||
            r.left >= r.right || r.top >= r.bottom)
            return -1;
        if (t->framebuffer) Download(t, r);
        t->lockCount = 1;
        t->lockRect = r;
        *pitch = t->width * t->bytes;
        *pixels = &t->pixels[(size_t(r.top) * t->width + r.left) * t->bytes];
        return 0;
    }

    int UnlockTexture(Texture3D* t) override {
        if (!t->lockCount) return -1;
        t->lockCount = 0;
        Upload(t, t->lockRect);
        return 0;
    }

    int ReadTexture(Texture3D* t, void* pixels, int pitch) override {
        if (t->lockCount) return -1;
        if (t->framebuffer) Download(t, SurfaceRect{0, 0, t->width, t->height});
        const size_t row = size_t(t->width) * t->bytes;
        for (int y = 0; y < t->height; ++y)
            std::memcpy(static_cast<uint8_t*>(pixels) + size_t(y) * pitch, &t->pixels[y * row], row);
        return 0;
    }

    int WriteTexture(Texture3D* t, const void* pixels, int pitch) override {
        if (t->lockCount) return -1;
        const size_t row = size_t(t->width) * t->bytes;
        for (int y = 0; y < t->height; ++y)
            std::memcpy(&t->pixels[y * row], static_cast<const uint8_t*>(pixels) + size_t(y) * pitch, row);
        Upload(t, SurfaceRect{0, 0, t->width, t->height});
        return 0;
    }

    int FillTexture(Texture3D* t, const SurfaceRect* rect, uint32_t value) override {
        SurfaceRect r = rect ? *rect : SurfaceRect{0, 0, t->width, t->height};
        if (!Clip(t, &r)) return 0;
        if (!t->framebuffer) {
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) Store(t, x, y, value);
            Upload(t, r);
            return 0;
        }
        // A render target is cleared where it lives; its memory copy is
        // fetched again before anything reads it.
        Current();
        uint8_t rgba[4];
        ToRGBA(t, value, rgba, false);
        gl_.BindFramebuffer(ZV_GL_FRAMEBUFFER, t->framebuffer);
        gl_.Enable(GL_SCISSOR_TEST);
        gl_.Scissor(r.left, r.top, r.right - r.left, r.bottom - r.top);
        gl_.ClearColor(rgba[0] / 255.0f, rgba[1] / 255.0f, rgba[2] / 255.0f, rgba[3] / 255.0f);
        gl_.Clear(GL_COLOR_BUFFER_BIT);
        BindTarget();
        return 0;
    }

    int FillDepth(Texture3D* t, float depth) override {
        if (!t->depth) return -1;
        Current();
        gl_.BindFramebuffer(ZV_GL_FRAMEBUFFER, t->framebuffer);
        gl_.DepthMask(GL_TRUE);
        gl_.Disable(GL_SCISSOR_TEST);
        gl_.ClearDepth(depth);
        gl_.Clear(GL_DEPTH_BUFFER_BIT);
        BindTarget();
        return 0;
    }

    int CopyTexture(Texture3D* dest, int x, int y, Texture3D* src, const SurfaceRect* srcRect) override {
        SurfaceRect s = srcRect ? *srcRect : SurfaceRect{0, 0, src->width, src->height};
        if (!Clip(src, &s)) return 0;
        SurfaceRect d{x, y, x + s.right - s.left, y + s.bottom - s.top};
        if (!Clip(dest, &d)) return 0;
        s.left += d.left - x;
        s.top += d.top - y;
        if (src->framebuffer && dest->framebuffer) {
            // Render target to render target stays where both live; the
            // memory copy is fetched again before it is next read.
            Current();
            gl_.BindFramebuffer(ZV_GL_READ_FRAMEBUFFER, src->framebuffer);
            gl_.BindFramebuffer(ZV_GL_DRAW_FRAMEBUFFER, dest->framebuffer);
            gl_.Disable(GL_SCISSOR_TEST);
            gl_.BlitFramebuffer(s.left, s.top, s.left + (d.right - d.left), s.top + (d.bottom - d.top), d.left, d.top,
                                d.right, d.bottom, GL_COLOR_BUFFER_BIT, GL_NEAREST);
            BindTarget();
            return 0;
        }
        if (src->framebuffer) Download(src, s);
        if (dest->framebuffer) Download(dest, d);
        for (int yy = 0; yy < d.bottom - d.top; ++yy)
            for (int xx = 0; xx < d.right - d.left; ++xx) {
                uint8_t rgba[4];
                ToRGBA(src, Load(src, s.left + xx, s.top + yy), rgba, false);
                Store(dest, d.left + xx, d.top + yy, FromRGBA(dest, rgba));
            }
        Upload(dest, d);
        return 0;
    }

    int SetColorKey(Texture3D* t, int enable, uint32_t key) override {
        const SurfaceRect all{0, 0, t->width, t->height};
        // A render target's pixels live in GL: fetch them before uploading again.
        if (t->framebuffer) Download(t, all);
        t->keyEnabled = enable;
        t->key = key;
        Upload(t, all);
        return 0;
    }

    int SetRenderState(int state, uint32_t value) override {
        if (state < 0 || state >= D3DRS_COUNT) return -1;
        rs_[state] = value;
        return 0;
    }
    int SetTextureStageState(int stage, int state, uint32_t value) override {
        if (stage < 0 || stage >= kStages || state < 0 || state >= D3DTSS_COUNT) return -1;
        stage_[stage][state] = value;
        return 0;
    }
    int SetTexture(int stage, Texture3D* texture) override {
        if (stage < 0 || stage >= kStages) return -1;
        texture_[stage] = texture;
        return 0;
    }
    int SetRenderTarget(Texture3D* target) override {
        if (target && !target->framebuffer) return -1;
        target_ = target;
        if (target) viewport_ = Device3DViewport{0, 0, target->width, target->height, 0.0f, 1.0f};
        Current();
        BindTarget();
        return 0;
    }
    int SetViewport(const Device3DViewport& viewport) override {
        viewport_ = viewport;
        return 0;
    }
    int SetTransform(int kind, const float matrix[16]) override {
        if (kind < 0 || kind >= kTransforms) return -1;
        std::memcpy(transform_[kind], matrix, sizeof transform_[kind]);
        return 0;
    }
    int BeginScene() override { return 0; }
    int EndScene() override { return 0; }

    int DrawPrimitive(int type, uint32_t fvf, const void* vertices, int count) override {
        return Draw(type, fvf, vertices, count, nullptr, count);
    }
    int DrawIndexedPrimitive(int type, uint32_t fvf, const void* vertices, int vertexCount, const uint16_t* indices,
                             int indexCount) override {
        for (int i = 0; i < indexCount; ++i)
            if (indices[i] >= vertexCount) return -1;
        return Draw(type, fvf, vertices, vertexCount, indices, indexCount);
    }

    int Present(Texture3D* screen) override {
        if (!screen || !screen->framebuffer) return -1;
        Current();
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        gl_.BindFramebuffer(ZV_GL_READ_FRAMEBUFFER, screen->framebuffer);
        gl_.BindFramebuffer(ZV_GL_DRAW_FRAMEBUFFER, 0);
        gl_.Disable(GL_SCISSOR_TEST);
        gl_.ClearColor(0, 0, 0, 1);
        gl_.Clear(GL_COLOR_BUFFER_BIT);
        // The screen keeps its shape in the window, bars around it; rows are
        // kept top first, the window's bottom first.
        const double scale = std::min(double(w) / screen->width, double(h) / screen->height);
        const int dw = int(screen->width * scale), dh = int(screen->height * scale);
        const int dx = (w - dw) / 2, dy = (h - dh) / 2;
        gl_.BlitFramebuffer(0, 0, screen->width, screen->height, dx, dy + dh, dx + dw, dy, GL_COLOR_BUFFER_BIT,
                            GL_NEAREST);
        SDL_GL_SwapWindow(window_);
        BindTarget();
        return 0;
    }

    int PresentPixels(const uint32_t* pixels, int width, int height) {
        if (!presentTexture_ || presentTexture_->width != width || presentTexture_->height != height) {
            ReleaseTexture(presentTexture_);
            SurfacePixelFormat f;
            TextureFormat(1, &f);
            presentTexture_ = CreateTexture(width, height, &f, 1, 0);
            if (!presentTexture_) return -1;
        }
        std::memcpy(presentTexture_->pixels.data(), pixels, size_t(width) * height * 4);
        Upload(presentTexture_, SurfaceRect{0, 0, width, height});
        return Present(presentTexture_);
    }

private:
    // The context follows the thread that holds the library lock.
    void Current() {
        if (std::this_thread::get_id() == owner_) return;
        SDL_GL_MakeCurrent(window_, context_);
        owner_ = std::this_thread::get_id();
    }

    void BindTarget() { gl_.BindFramebuffer(ZV_GL_FRAMEBUFFER, target_ ? target_->framebuffer : 0); }

    static bool Clip(const Texture3D* t, SurfaceRect* r) {
        if (r->left < 0) r->left = 0;
        if (r->top < 0) r->top = 0;
        if (r->right > t->width) r->right = t->width;
        if (r->bottom > t->height) r->bottom = t->height;
        return r->left < r->right && r->top < r->bottom;
    }

    static uint32_t Load(const Texture3D* t, int x, int y) {
        const uint8_t* p = &t->pixels[(size_t(y) * t->width + x) * t->bytes];
        if (t->bytes == 2) return uint32_t(p[0] | p[1] << 8);
        return uint32_t(p[0] | p[1] << 8 | p[2] << 16) | uint32_t(p[3]) << 24;
    }
    static void Store(Texture3D* t, int x, int y, uint32_t v) {
        uint8_t* p = &t->pixels[(size_t(y) * t->width + x) * t->bytes];
        for (int i = 0; i < t->bytes; ++i) p[i] = uint8_t(v >> (8 * i));
    }

    // Colour channels of the format; keyed texels get alpha 0.
    static void ToRGBA(const Texture3D* t, uint32_t v, uint8_t* out, bool applyKey) {
        out[0] = Widen(v, t->r);
        out[1] = Widen(v, t->g);
        out[2] = Widen(v, t->b);
        out[3] = t->a.bits ? Widen(v, t->a) : 255;
        const uint32_t colour = t->r.mask | t->g.mask | t->b.mask;
        // A texture with its own alpha keeps it: the key is for opaque kinds.
        if (applyKey && t->keyEnabled && !t->a.bits && (v & colour) == (t->key & colour)) out[3] = 0;
    }
    static uint32_t FromRGBA(const Texture3D* t, const uint8_t* c) {
        uint32_t v = Narrow(c[0], t->r) | Narrow(c[1], t->g) | Narrow(c[2], t->b) | Narrow(c[3], t->a);
        // Bits no channel uses read as ones, as the surface device keeps them.
        const uint32_t all = t->bytes == 2 ? 0xFFFFu : 0xFFFFFFFFu;
        return v | (all & ~(t->r.mask | t->g.mask | t->b.mask | t->a.mask));
    }

    // 8-bit channels in B, G, R, A byte order: rows go to GL as they are.
    static bool ByteLayout(const Texture3D* t) {
        return t->bytes == 4 && t->r.mask == 0xFF0000 && t->g.mask == 0xFF00 && t->b.mask == 0xFF &&
               (t->a.bits == 0 || t->a.mask == 0xFF000000u);
    }

    void Upload(Texture3D* t, const SurfaceRect& r) {
        Current();
        const int w = r.right - r.left, h = r.bottom - r.top;
        std::vector<uint8_t>& data = transfer_;
        data.resize(size_t(w) * h * 4);
        GLenum layout = GL_RGBA;
        if (ByteLayout(t) && !(t->keyEnabled && !t->a.bits)) {
            // Without an alpha channel the spare byte reads as opaque.
            const uint32_t opaque = t->a.bits ? 0 : 0xFF000000u;
            for (int y = 0; y < h; ++y) {
                const size_t at = (size_t(r.top + y) * t->width + r.left) * 4;
                const uint32_t* src = reinterpret_cast<const uint32_t*>(&t->pixels[at]);
                uint32_t* dst = reinterpret_cast<uint32_t*>(&data[size_t(y) * w * 4]);
                for (int x = 0; x < w; ++x) dst[x] = src[x] | opaque;
            }
            layout = GL_BGRA;
        } else {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ToRGBA(t, Load(t, r.left + x, r.top + y), &data[(size_t(y) * w + x) * 4], true);
        }
        gl_.ActiveTexture(ZV_GL_TEXTURE0);
        gl_.BindTexture(GL_TEXTURE_2D, t->name);
        gl_.TexSubImage2D(GL_TEXTURE_2D, 0, r.left, r.top, w, h, layout, GL_UNSIGNED_BYTE, data.data());
    }

    void Download(Texture3D* t, const SurfaceRect& r) {
        Current();
        const int w = r.right - r.left, h = r.bottom - r.top;
        std::vector<uint8_t>& data = transfer_;
        data.resize(size_t(w) * h * 4);
        const bool bytes = ByteLayout(t);
        gl_.BindFramebuffer(ZV_GL_FRAMEBUFFER, t->framebuffer);
        gl_.ReadPixels(r.left, r.top, w, h, bytes ? GL_BGRA : GL_RGBA, GL_UNSIGNED_BYTE, data.data());
        BindTarget();
        if (bytes) {
            const uint32_t spare = t->a.bits ? 0 : 0xFF000000u;
            for (int y = 0; y < h; ++y) {
                const uint32_t* src = reinterpret_cast<const uint32_t*>(&data[size_t(y) * w * 4]);
                uint32_t* dst = reinterpret_cast<uint32_t*>(&t->pixels[(size_t(r.top + y) * t->width + r.left) * 4]);
                for (int x = 0; x < w; ++x) dst[x] = src[x] | spare;
            }
            return;
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Store(t, r.left + x, r.top + y, FromRGBA(t, &data[(size_t(y) * w + x) * 4]));
    }

    static GLenum BlendFactor(uint32_t v) {
        switch (v) {
            case D3DBLEND_ZERO: return GL_ZERO;
            case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
            case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
            case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
            case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
            case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
            case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
            case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
            case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
            default: return GL_ONE;
        }
    }
    static GLenum CompareFunc(uint32_t v) {
        static const GLenum kFuncs[] = {GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL,
                                        GL_ALWAYS};
        return v >= 1 && v <= 8 ? kFuncs[v - 1] : GL_ALWAYS;
    }
    static GLenum Source(uint32_t arg, int stage) {
        switch (arg) {
            case D3DTA_TEXTURE: return GL_TEXTURE;
            case D3DTA_TFACTOR: return ZV_GL_CONSTANT;
            case D3DTA_DIFFUSE: return ZV_GL_PRIMARY_COLOR;
            // The specular colour is always white here, so "specular x" is identity.
            default: return stage == 0 ? ZV_GL_PRIMARY_COLOR : ZV_GL_PREVIOUS;
        }
    }

    // One half (colour or alpha) of a stage's combiner.
    void Combine(int stage, bool alpha, uint32_t op, uint32_t arg1, uint32_t arg2) {
        const GLenum mode = alpha ? ZV_GL_COMBINE_ALPHA : ZV_GL_COMBINE_RGB;
        const GLenum src0 = alpha ? ZV_GL_SOURCE0_ALPHA : ZV_GL_SOURCE0_RGB;
        const GLenum src1 = alpha ? ZV_GL_SOURCE1_ALPHA : ZV_GL_SOURCE1_RGB;
        GLenum func = GL_MODULATE;
        float scale = 1.0f;
        switch (op) {
            case D3DTOP_SELECTARG1: func = GL_REPLACE; break;
            case D3DTOP_SELECTARG2: func = GL_REPLACE; arg1 = arg2; break;
            case D3DTOP_MODULATE2X: scale = 2.0f; break;
            case D3DTOP_MODULATE4X: scale = 4.0f; break;
            case D3DTOP_ADD: func = GL_ADD; break;
            case D3DTOP_SUBTRACT: func = ZV_GL_SUBTRACT; break;
            default: break;
        }
        gl_.TexEnvi(GL_TEXTURE_ENV, mode, GLint(func));
        gl_.TexEnvi(GL_TEXTURE_ENV, src0, GLint(Source(arg1 & ~uint32_t(D3DTA_ALPHAREPLICATE), stage)));
        gl_.TexEnvi(GL_TEXTURE_ENV, src1, GLint(Source(arg2 & ~uint32_t(D3DTA_ALPHAREPLICATE), stage)));
        auto operand = [alpha](uint32_t arg) -> GLint {
            return alpha || (arg & D3DTA_ALPHAREPLICATE) ? GL_SRC_ALPHA : GL_SRC_COLOR;
        };
        gl_.TexEnvi(GL_TEXTURE_ENV, alpha ? ZV_GL_OPERAND0_ALPHA : ZV_GL_OPERAND0_RGB, operand(arg1));
        gl_.TexEnvi(GL_TEXTURE_ENV, alpha ? ZV_GL_OPERAND1_ALPHA : ZV_GL_OPERAND1_RGB, operand(arg2));
        gl_.TexEnvfv(GL_TEXTURE_ENV, alpha ? GL_ALPHA_SCALE : ZV_GL_RGB_SCALE, &scale);
    }

    // Colour key on a keyed stage-0 texture: its alpha takes part in the
    // stage alpha, and texels of alpha 0 are tested away.
    bool KeyActive() const { return rs_[D3DRS_COLORKEYENABLE] && texture_[0] && texture_[0]->keyEnabled; }

    void ApplyStates() {
        auto onOff = [this](GLenum cap, bool on) { on ? gl_.Enable(cap) : gl_.Disable(cap); };
        onOff(GL_DEPTH_TEST, rs_[D3DRS_ZENABLE] != 0 && target_ && target_->depth);
        gl_.DepthMask(rs_[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
        gl_.DepthFunc(CompareFunc(rs_[D3DRS_ZFUNC]));
        gl_.ShadeModel(rs_[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
        // Screen y points down, so the library's counter-clockwise is GL's clockwise.
        onOff(GL_CULL_FACE, rs_[D3DRS_CULLMODE] == D3DCULL_CW || rs_[D3DRS_CULLMODE] == D3DCULL_CCW);
        gl_.FrontFace(GL_CCW);
        gl_.CullFace(rs_[D3DRS_CULLMODE] == D3DCULL_CCW ? GL_BACK : GL_FRONT);
        onOff(GL_BLEND, rs_[D3DRS_ALPHABLENDENABLE] != 0);
        gl_.BlendFunc(BlendFactor(rs_[D3DRS_SRCBLEND]), BlendFactor(rs_[D3DRS_DESTBLEND]));
        gl_.BlendEquation(rs_[D3DRS_BLENDOP] == D3DBLENDOP_REVSUBTRACT ? ZV_GL_FUNC_REVERSE_SUBTRACT : ZV_GL_FUNC_ADD);
        bool test = rs_[D3DRS_ALPHATESTENABLE] != 0;
        GLenum func = CompareFunc(rs_[D3DRS_ALPHAFUNC]);
        float ref = float(rs_[D3DRS_ALPHAREF] & 0xFF) / 255.0f;
        const bool rejectsZero = test && ((func == GL_GREATER) || (func == GL_GEQUAL && ref > 0) || func == GL_NEVER ||
                                          (func == GL_EQUAL && ref > 0));
        if (KeyActive() && !rejectsZero) {
            test = true;
            func = GL_GREATER;
            ref = 0.0f;
        }
        onOff(GL_ALPHA_TEST, test);
        gl_.AlphaFunc(func, ref);
        const uint32_t f = rs_[D3DRS_TEXTUREFACTOR];
        const float factor[4] = {float(f >> 16 & 0xFF) / 255.0f, float(f >> 8 & 0xFF) / 255.0f,
                                 float(f & 0xFF) / 255.0f, float(f >> 24) / 255.0f};
        bool ended = false;
        for (int s = 0; s < units_; ++s) {
            gl_.ActiveTexture(ZV_GL_TEXTURE0 + s);
            const uint32_t* st = stage_[s];
            ended = ended || st[D3DTSS_COLOROP] == D3DTOP_DISABLE;
            if (ended || !texture_[s]) {
                gl_.Disable(GL_TEXTURE_2D);
                continue;
            }
            gl_.Enable(GL_TEXTURE_2D);
            gl_.BindTexture(GL_TEXTURE_2D, texture_[s]->name);
            const GLint filterMag = st[D3DTSS_MAGFILTER] == D3DTFG_LINEAR ? GL_LINEAR : GL_NEAREST;
            const GLint filterMin = st[D3DTSS_MINFILTER] == D3DTFG_LINEAR ? GL_LINEAR : GL_NEAREST;
            gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filterMag);
            gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filterMin);
            const GLint wrap = st[D3DTSS_ADDRESS] == D3DTADDRESS_WRAP ? GL_REPEAT : ZV_GL_CLAMP_TO_EDGE;
            gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
            gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
            gl_.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, ZV_GL_COMBINE);
            gl_.TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
            Combine(s, false, st[D3DTSS_COLOROP], st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2]);
            uint32_t aop = st[D3DTSS_ALPHAOP], a1 = st[D3DTSS_ALPHAARG1], a2 = st[D3DTSS_ALPHAARG2];
            if (aop == D3DTOP_DISABLE) aop = D3DTOP_SELECTARG1, a1 = D3DTA_CURRENT;
            if (aop == D3DTOP_SELECTARG2) aop = D3DTOP_SELECTARG1, a1 = a2;
            const bool readsTexture = a1 == D3DTA_TEXTURE || (aop != D3DTOP_SELECTARG1 && a2 == D3DTA_TEXTURE);
            if (s == 0 && KeyActive() && !readsTexture) {
                if (aop != D3DTOP_SELECTARG1) a1 = D3DTA_DIFFUSE;
                aop = D3DTOP_MODULATE;
                a2 = D3DTA_TEXTURE;
            }
            Combine(s, true, aop, a1, a2);
        }
        // The viewport maps screen pixels onto the target one to one.
        const int th = target_ ? target_->height : viewport_.height;
        const int tw = target_ ? target_->width : viewport_.width;
        gl_.Viewport(0, 0, tw, th);
        gl_.Enable(GL_SCISSOR_TEST);
        gl_.Scissor(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
        // Rows top first: screen y is the framebuffer's row; z 0..1 to -1..1.
        const float m[16] = {2.0f / tw, 0, 0, 0, 0, 2.0f / th, 0, 0, 0, 0, 2.0f, 0, -1.0f, -1.0f, -1.0f, 1.0f};
        gl_.MatrixMode(GL_PROJECTION);
        gl_.LoadMatrixf(m);
        gl_.MatrixMode(GL_MODELVIEW);
        gl_.LoadIdentity();
    }

    struct OutVertex {
        float x, y, z;
        uint8_t rgba[4];
        float uv[2][2];
    };

    int Draw(int type, uint32_t fvf, const void* vertices, int count, const uint16_t* indices, int indexCount) {
        const int size = Device3DVertexSize(fvf);
        if (size == 0 || count <= 0 || indexCount <= 0) return -1;
        Current();
        const int texCount = fvf == D3DFVF_XYZRHW_DIFFUSE ? 0 : fvf == D3DFVF_XYZRHW_DIFFUSE_TEX1 ? 1 : 2;
        const int texAt = fvf == D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2 ? 24 : 20;
        auto read = [&](int i) {
            const uint8_t* p = static_cast<const uint8_t*>(vertices) + size_t(i) * size;
            OutVertex v{};
            float in[4];
            std::memcpy(in, p, 16);
            v.x = in[0] + kPixelShift;
            v.y = in[1] + kPixelShift;
            v.z = in[2];
            uint32_t c;
            std::memcpy(&c, p + 16, 4);
            v.rgba[0] = uint8_t(c >> 16);
            v.rgba[1] = uint8_t(c >> 8);
            v.rgba[2] = uint8_t(c);
            v.rgba[3] = uint8_t(c >> 24);
            if (texCount) std::memcpy(v.uv, p + texAt, size_t(texCount) * 8);
            if (texCount == 1) std::memcpy(v.uv[1], v.uv[0], 8);
            return v;
        };
        // Every primitive becomes a list; flat shading takes each
        // primitive's first vertex colour (GL would take the last).
        const bool lines = type == D3DPT_LINELIST || type == D3DPT_LINESTRIP;
        const int per = lines ? 2 : 3;
        int prims = 0;
        switch (type) {
            case D3DPT_LINELIST: prims = indexCount / 2; break;
            case D3DPT_LINESTRIP: prims = indexCount - 1; break;
            case D3DPT_TRIANGLELIST: prims = indexCount / 3; break;
            case D3DPT_TRIANGLESTRIP: prims = indexCount - 2; break;
            default: return -1;
        }
        if (prims <= 0) return 0;
        const bool flat = rs_[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
        std::vector<OutVertex>& out = scratch_;
        out.clear();
        for (int p = 0; p < prims; ++p) {
            int at[3];
            const bool list = type == D3DPT_LINELIST || type == D3DPT_TRIANGLELIST;
            for (int k = 0; k < per; ++k) at[k] = list ? p * per + k : p + k;
            // Strips keep their winding on every other triangle.
            if (type == D3DPT_TRIANGLESTRIP && (p & 1)) std::swap(at[1], at[2]);
            OutVertex first{};
            for (int k = 0; k < per; ++k) {
                const int idx = indices ? indices[at[k]] : at[k];
                if (idx >= count) return -1;
                OutVertex v = read(idx);
                if (k == 0) first = v;
                if (flat) std::memcpy(v.rgba, first.rgba, 4);
                out.push_back(v);
            }
        }
        ApplyStates();
        gl_.EnableClientState(GL_VERTEX_ARRAY);
        gl_.EnableClientState(GL_COLOR_ARRAY);
        gl_.VertexPointer(3, GL_FLOAT, sizeof(OutVertex), &out[0].x);
        gl_.ColorPointer(4, GL_UNSIGNED_BYTE, sizeof(OutVertex), out[0].rgba);
        for (int s = 0; s < units_; ++s) {
            gl_.ClientActiveTexture(ZV_GL_TEXTURE0 + s);
            // Stage 0 of a two-coordinate vertex reads the first set, the rest the second.
            const int set = stage_[s][D3DTSS_TEXCOORDINDEX] ? 1 : 0;
            gl_.EnableClientState(GL_TEXTURE_COORD_ARRAY);
            gl_.TexCoordPointer(2, GL_FLOAT, sizeof(OutVertex), out[0].uv[set]);
        }
        gl_.DrawArrays(lines ? GL_LINES : GL_TRIANGLES, 0, GLsizei(out.size()));
        return 0;
    }

    SDL_Window* window_;
    SDL_GLContext context_;
    GLFunctions gl_;
    std::thread::id owner_;
    Device3DCaps caps_{};
    int units_ = 1;
    uint32_t rs_[D3DRS_COUNT] = {};
    uint32_t stage_[kStages][D3DTSS_COUNT] = {};
    Texture3D* texture_[kStages] = {};
    Texture3D* target_ = nullptr;
    Device3DViewport viewport_{0, 0, 0, 0, 0.0f, 1.0f};
    Texture3D* presentTexture_ = nullptr;
    std::vector<OutVertex> scratch_;
    std::vector<uint8_t> transfer_;   // rows on their way to or from GL
    float transform_[kTransforms][16] = {};   // kept for the caller; vertices come transformed
};

// Core name first, then the framebuffer extension's.
void* LoadGL(const char* name) {
    void* f = SDL_GL_GetProcAddress(name);
    if (!f) f = SDL_GL_GetProcAddress((std::string(name) + "EXT").c_str());
    return f;
}

bool LoadFunctions(GLFunctions* gl) {
#define ZV_LOAD(field) \
    if (!(*reinterpret_cast<void**>(&gl->field) = LoadGL("gl" #field))) return false
    ZV_LOAD(Enable); ZV_LOAD(Disable); ZV_LOAD(BlendFunc); ZV_LOAD(BlendEquation); ZV_LOAD(GetString);
    ZV_LOAD(AlphaFunc); ZV_LOAD(DepthFunc);
    ZV_LOAD(DepthMask); ZV_LOAD(ShadeModel); ZV_LOAD(CullFace); ZV_LOAD(FrontFace); ZV_LOAD(Viewport);
    ZV_LOAD(Scissor); ZV_LOAD(MatrixMode); ZV_LOAD(LoadMatrixf); ZV_LOAD(LoadIdentity); ZV_LOAD(ClearColor);
    ZV_LOAD(ClearDepth); ZV_LOAD(Clear); ZV_LOAD(GenTextures); ZV_LOAD(DeleteTextures); ZV_LOAD(BindTexture);
    ZV_LOAD(TexImage2D); ZV_LOAD(TexSubImage2D); ZV_LOAD(TexParameteri); ZV_LOAD(TexEnvi); ZV_LOAD(TexEnvfv);
    ZV_LOAD(PixelStorei); ZV_LOAD(ReadPixels); ZV_LOAD(EnableClientState); ZV_LOAD(DisableClientState);
    ZV_LOAD(VertexPointer); ZV_LOAD(ColorPointer); ZV_LOAD(TexCoordPointer); ZV_LOAD(DrawArrays);
    ZV_LOAD(GetIntegerv); ZV_LOAD(ActiveTexture); ZV_LOAD(ClientActiveTexture); ZV_LOAD(GenFramebuffers);
    ZV_LOAD(DeleteFramebuffers); ZV_LOAD(BindFramebuffer); ZV_LOAD(FramebufferTexture2D);
    ZV_LOAD(GenRenderbuffers); ZV_LOAD(DeleteRenderbuffers); ZV_LOAD(BindRenderbuffer);
    ZV_LOAD(RenderbufferStorage); ZV_LOAD(FramebufferRenderbuffer); ZV_LOAD(CheckFramebufferStatus);
    ZV_LOAD(BlitFramebuffer);
#undef ZV_LOAD
    return true;
}

Device3D* Refused(const char* reason) {
    g_device3d.error = reason;
    return nullptr;
}

}  // namespace

int Device3DVertexSize(uint32_t fvf) {
    switch (fvf) {
        case D3DFVF_XYZRHW_DIFFUSE: return 20;
        case D3DFVF_XYZRHW_DIFFUSE_TEX1: return 28;
        case D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2: return 40;
        default: return 0;
    }
}

Device3D* Device3DCreateGL(PlatformWindow* window) {
    if (g_device3d.refuse) return Refused("the 3D device is refused");
    if (g_device3d.windowOwner) return Refused("the window already has a 3D device");
    auto* sdl = static_cast<SDL_Window*>(PlatformNativeWindow(window));
    if (!sdl || !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL)) return Refused("the window takes no OpenGL");
    // The SDL renderer goes first: a window has one drawing owner.
    PresenterSuspend();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GLContext context = SDL_GL_CreateContext(sdl);
    if (!context) {
        g_device3d.error = SDL_GetError();
        PresenterResume();
        return nullptr;
    }
    SDL_GL_MakeCurrent(sdl, context);
    GLFunctions gl{};
    if (!LoadFunctions(&gl)) {
        SDL_GL_DeleteContext(context);
        PresenterResume();
        return Refused("OpenGL lacks framebuffer objects or texture combiners");
    }
    SDL_GL_SetSwapInterval(0);
    g_device3d.error.clear();
    return new GLDevice(sdl, context, gl);
}

const char* Device3DError() { return g_device3d.error.c_str(); }
void Device3DRefuse(int refuse) { g_device3d.refuse = refuse; }

int Device3DSoftwareAllowed() {
    const char* allow = std::getenv("ZOVAV_ALLOW_SOFTWARE_GL");
    return allow && std::strcmp(allow, "1") == 0;
}

int Device3DSoftwareRenderer(const char* renderer) {
    // Mesa's rasterisers that run on the processor name themselves so.
    static const char* const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer", "lavapipe",
                                            "mesa x11"};
    std::string name = renderer ? renderer : "";
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* word : kSoftware)
        if (name.find(word) != std::string::npos) return 1;
    return 0;
}
Device3D* Device3DWindowOwner() { return g_device3d.windowOwner; }

int Device3DPresentPixels(const uint32_t* pixels, int width, int height) {
    return g_device3d.windowOwner ? g_device3d.windowOwner->PresentPixels(pixels, width, height) : -1;
}
