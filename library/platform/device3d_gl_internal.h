// The GL device's shared state: its GL entry points, the texture record and
// the device class whose members the device3d_gl_*.cpp files define by job.
#pragma once
#include <SDL.h>
#define NO_SDL_GLEXT
#include <SDL_opengl.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "platform/device3d_gl.h"
#include "platform/window_owner.h"

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

struct Texture3D {
    // One channel of a format: where it is and how wide.
    struct Channel {
        uint32_t mask = 0;
        int shift = 0, bits = 0;
    };

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

class GLDevice final : public Device3D, public WindowOwner {
public:
    static constexpr int kStages = 4;
    static constexpr int kTransforms = 4;   // world, view, projection, viewport

    // device3d_gl_context.cpp: the context on the window and what it can do.
    GLDevice(SDL_Window* window, SDL_GLContext context, const GLFunctions& gl);
    ~GLDevice() override;
    const Device3DCaps& Caps() const override;

    // device3d_gl_textures.cpp
    bool TextureFormat(int index, SurfacePixelFormat* format) const override;
    Texture3D* CreateTexture(int width, int height, const SurfacePixelFormat* format, int renderTarget,
                             int depth) override;
    void ReleaseTexture(Texture3D* t) override;
    int LockTexture(Texture3D* t, const SurfaceRect* rect, int* pitch, void** pixels) override;
    int UnlockTexture(Texture3D* t) override;
    int ReadTexture(Texture3D* t, void* pixels, int pitch) override;
    int WriteTexture(Texture3D* t, const void* pixels, int pitch) override;
    int FillTexture(Texture3D* t, const SurfaceRect* rect, uint32_t value) override;
    int FillDepth(Texture3D* t, float depth) override;
    int CopyTexture(Texture3D* dest, int x, int y, Texture3D* src, const SurfaceRect* srcRect) override;
    int SetColorKey(Texture3D* t, int enable, uint32_t key) override;

    // device3d_gl_state.cpp
    int SetRenderState(int state, uint32_t value) override;
    int SetTextureStageState(int stage, int state, uint32_t value) override;
    int SetTexture(int stage, Texture3D* texture) override;
    int SetRenderTarget(Texture3D* target) override;
    int SetViewport(const Device3DViewport& viewport) override;
    int SetTransform(int kind, const float matrix[16]) override;

    // device3d_gl_draw.cpp
    int BeginScene() override;
    int EndScene() override;
    int DrawPrimitive(int type, uint32_t fvf, const void* vertices, int count) override;
    int DrawIndexedPrimitive(int type, uint32_t fvf, const void* vertices, int vertexCount, const uint16_t* indices,
                             int indexCount) override;
    int Present(Texture3D* screen) override;
    int PresentPixels(const uint32_t* pixels, int width, int height) override;

private:
    struct OutVertex {
        float x, y, z;
        uint8_t rgba[4];
        float uv[2][2];
    };

    // device3d_gl_context.cpp
    void Current();
    // device3d_gl_textures.cpp: the memory copy to and from GL.
    void Upload(Texture3D* t, const SurfaceRect& r);
    void Download(Texture3D* t, const SurfaceRect& r);
    // device3d_gl_state.cpp: the states a new device starts with, and their
    // GL form, applied before each draw.
    void SetDefaultStates();
    void BindTarget();
    bool KeyActive() const;
    void ApplyStates();
    void Combine(int stage, bool alpha, uint32_t op, uint32_t arg1, uint32_t arg2);
    // device3d_gl_draw.cpp
    int Draw(int type, uint32_t fvf, const void* vertices, int count, const uint16_t* indices, int indexCount);

    // The context.
    SDL_Window* window_;
    SDL_GLContext context_;
    GLFunctions gl_;
    std::thread::id owner_;
    Device3DCaps caps_{};
    int units_ = 1;   // texture stages GL runs, at most kStages
    // The states as the library set them.
    uint32_t rs_[D3DRS_COUNT] = {};
    uint32_t stage_[kStages][D3DTSS_COUNT] = {};
    Texture3D* texture_[kStages] = {};
    Texture3D* target_ = nullptr;
    Device3DViewport viewport_{0, 0, 0, 0, 0.0f, 1.0f};
    float transform_[kTransforms][16] = {};   // kept for the caller; vertices come transformed
    // Scratch space and the texture the presenter's frames go through.
    std::vector<uint8_t> transfer_;   // rows on their way to or from GL
    std::vector<OutVertex> scratch_;
    Texture3D* presentTexture_ = nullptr;
    // One opaque white texel: what a stage without a texture of its own reads.
    GLuint white_ = 0;
};
