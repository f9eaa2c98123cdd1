// The GL device's context: an OpenGL 2.1 compatibility context that SDL2
// makes on the window. Making and refusing the device, loading GL's entry
// points, what the device can do, and holding the window while it lives.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/device3d_gl_internal.h"
#include "platform/window_sdl.h"

namespace {

struct DeviceGlobals {
    int refuse = 0;
    std::string error;
};
DeviceGlobals g_device3d;

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

#if defined(__SANITIZE_THREAD__)
// Mesa's software GL (the tests' device under Xvfb) runs worker threads that
// ThreadSanitizer cannot follow through the uninstrumented driver: the
// driver's own mutexes and condition variables look raced when it frees them.
extern "C" const char* __tsan_default_suppressions() { return "race:swrast_dri.so\n"; }
#endif

GLDevice::GLDevice(SDL_Window* window, SDL_GLContext context, const GLFunctions& gl)
    : window_(window), context_(context), gl_(gl) {
    owner_ = std::this_thread::get_id();
    GLint maxSize = 0, units = 0;
    gl_.GetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    gl_.GetIntegerv(ZV_GL_MAX_TEXTURE_UNITS, &units);
    const int maxTex = maxSize > 2048 ? 2048 : int(maxSize);
    const GLubyte* renderer = gl_.GetString(GL_RENDERER);
    const char* name = renderer ? reinterpret_cast<const char*>(renderer) : "";
    caps_ = Device3DCaps{1, 1, maxTex, maxTex, 0, 0, units > 8 ? 8 : int(units), 16 | 32, 16,
                         Device3DRendererOf(name), {}};
    std::snprintf(caps_.renderer, sizeof caps_.renderer, "%s", name);
    units_ = units < kStages ? int(units) : kStages;
    const GLubyte white[4] = {255, 255, 255, 255};
    gl_.GenTextures(1, &white_);
    gl_.BindTexture(GL_TEXTURE_2D, white_);
    gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl_.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    SetDefaultStates();
    // GL dithers and lights by default; the library wants neither.
    gl_.Disable(GL_DITHER);
    gl_.Disable(GL_LIGHTING);
    gl_.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl_.PixelStorei(GL_PACK_ALIGNMENT, 1);
    WindowOwnerRegister(this);
}

GLDevice::~GLDevice() {
    Current();
    if (presentTexture_) ReleaseTexture(presentTexture_);
    gl_.DeleteTextures(1, &white_);
    // Nothing may stay current on the window: the SDL renderer made next
    // would otherwise start from the deleted context.
    SDL_GL_MakeCurrent(window_, nullptr);
    SDL_GL_DeleteContext(context_);
    // The window shows through the SDL renderer again.
    WindowOwnerGiveBack();
}

const Device3DCaps& GLDevice::Caps() const { return caps_; }

// The context follows the thread that holds the library lock.
void GLDevice::Current() {
    if (std::this_thread::get_id() == owner_) return;
    SDL_GL_MakeCurrent(window_, context_);
    owner_ = std::this_thread::get_id();
}

Device3D* Device3DCreateGL(PlatformWindow* window) {
    if (g_device3d.refuse) return Refused("the 3D device is refused");
    if (WindowOwnerCurrent()) return Refused("the window already has a 3D device");
    auto* sdl = static_cast<SDL_Window*>(PlatformNativeWindow(window));
    if (!sdl || !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL)) return Refused("the window takes no OpenGL");
    // The SDL renderer goes first: a window has one drawing owner.
    WindowOwnerTake();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GLContext context = SDL_GL_CreateContext(sdl);
    if (!context) {
        g_device3d.error = SDL_GetError();
        WindowOwnerGiveBack();
        return nullptr;
    }
    SDL_GL_MakeCurrent(sdl, context);
    GLFunctions gl{};
    if (!LoadFunctions(&gl)) {
        SDL_GL_DeleteContext(context);
        WindowOwnerGiveBack();
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

int Device3DRendererOf(const char* renderer) {
    if (renderer == nullptr || renderer[0] == '\0') return DEVICE3D_UNKNOWN;
    // Mesa's rasterisers that run on the processor name themselves so.
    static const char* const kSoftware[] = {"llvmpipe", "softpipe", "swrast", "software rasterizer", "lavapipe",
                                            "mesa x11"};
    std::string name = renderer;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    for (const char* word : kSoftware)
        if (name.find(word) != std::string::npos) return DEVICE3D_SOFTWARE;
    return DEVICE3D_HARDWARE;
}
