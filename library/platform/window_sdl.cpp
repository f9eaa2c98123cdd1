// The main window over SDL2: creation, style, placement, cursor, and the
// pump that turns SDL events into library messages.
#include "platform/window_sdl.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/input_sdl.h"
#include "platform/message_queue.h"
#include "platform/text_iconv.h"

struct PlatformWindow {
    SDL_Window* sdl;
};

namespace {
struct VideoState {
    bool started = false;
    bool reported = false;   // the missing display is told once
    bool openGL = false;     // windows are made for a 3D device
    std::string error;
};
VideoState g_video;

std::string ToUtf8(const char* sjis) {
    std::string out;
    ShiftJisToUtf8(sjis ? sjis : "", out);
    return out;
}

uintptr_t KeyToVirtualKey(SDL_Keycode key) {
    switch (key) {
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_UP: return VK_UP;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_DELETE: return VK_DELETE;
        default: break;
    }
    if (key >= 'a' && key <= 'z') return uintptr_t(key - 'a' + 'A');
    if (key >= 0 && key < 128) return uintptr_t(key);
    return 0;
}

void TranslateWindowEvent(const SDL_WindowEvent& e) {
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE: PostWindowMessage(WM_CLOSE, 0, 0); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            PostWindowMessage(WM_ACTIVATEAPP, 1, 0);
            PostWindowMessage(WM_ACTIVATE, 1, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            PostWindowMessage(WM_ACTIVATE, 0, 0);
            PostWindowMessage(WM_ACTIVATEAPP, 0, 0);
            break;
        case SDL_WINDOWEVENT_MOVED: PostWindowMessage(WM_MOVE, 0, MakeLParam(e.data1, e.data2)); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: PostWindowMessage(WM_SIZE, 0, MakeLParam(e.data1, e.data2)); break;
        case SDL_WINDOWEVENT_MAXIMIZED: PostWindowMessage(WM_SIZE, SIZE_MAXIMIZED, 0); break;
        case SDL_WINDOWEVENT_EXPOSED: PostWindowMessage(WM_PAINT, 0, 0); break;
        default: break;
    }
}

void TranslateEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_QUIT: PostWindowMessage(WM_CLOSE, 0, 0); break;
        case SDL_WINDOWEVENT: TranslateWindowEvent(e.window); break;
        case SDL_KEYDOWN: PostWindowMessage(WM_KEYDOWN, KeyToVirtualKey(e.key.keysym.sym), 0); break;
        case SDL_TEXTINPUT: {
            // Typed text arrives as Shift-JIS bytes, one message per byte.
            std::string sjis;
            Utf8ToShiftJis(e.text.text, sjis);
            for (unsigned char c : sjis) PostWindowMessage(WM_CHAR, c, 0);
            break;
        }
        case SDL_TEXTEDITING: PlatformTextEditing(e.edit.text, e.edit.start); break;
        case SDL_MOUSEMOTION: PostWindowMessage(WM_MOUSEMOVE, 0, MakeLParam(e.motion.x, e.motion.y)); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            uint32_t msg = e.button.button == SDL_BUTTON_RIGHT    ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                           : e.button.button == SDL_BUTTON_MIDDLE ? (down ? WM_MBUTTONDOWN : WM_MBUTTONUP)
                                                                  : (down ? WM_LBUTTONDOWN : WM_LBUTTONUP);
            PostWindowMessage(msg, 0, MakeLParam(e.button.x, e.button.y));
            break;
        }
        case SDL_DROPFILE: {
            // The window procedure copies the name and frees it.
            std::string sjis;
            if (Utf8ToShiftJis(e.drop.file, sjis) == 0)
                PostWindowMessage(WM_DROPFILES, 0, reinterpret_cast<intptr_t>(strdup(sjis.c_str())));
            SDL_free(e.drop.file);
            break;
        }
        case SDL_MOUSEWHEEL: {
            int delta = e.wheel.y * 120;
            PostWindowMessage(WM_MOUSEWHEEL, uintptr_t(uint16_t(int16_t(delta))) << 16, 0);
            break;
        }
        default: break;
    }
}
bool HeadlessDriverAskedFor() {
    const char* asked = getenv("SDL_VIDEODRIVER");
    return asked && (strcmp(asked, "offscreen") == 0 || strcmp(asked, "dummy") == 0);
}
}  // namespace

bool PlatformVideoStart() {
    if (g_video.started) return true;
    bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (started && !HeadlessDriverAskedFor()) {
        // Without a display SDL falls back to a driver that shows nothing;
        // only take that when it was asked for.
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver && (strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0)) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            SDL_SetError("no display found");
            started = false;
        }
    }
    if (!started) {
        g_video.error = SDL_GetError();
        if (g_video.reported) return false;
        g_video.reported = true;
        fprintf(stderr,
                "ZoVav: no display to open a window on (%s). "
                "Run with SDL_VIDEODRIVER=dummy to run without one.\n",
                g_video.error.c_str());
        return false;
    }
    g_video.started = true;
    g_video.error.clear();
    return true;
}

void PlatformVideoStop() {
    if (!g_video.started) return;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    g_video.started = false;
}

const char* PlatformVideoError() { return g_video.error.c_str(); }

bool PlatformGetDesktop(int* width, int* height, int* colorBits) {
    if (!PlatformVideoStart()) return false;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
    if (width) *width = mode.w;
    if (height) *height = mode.h;
    // Count bytes, not significant bits: a desktop of 8-bit channels in
    // 32-bit pixels is a 32-bit desktop.
    if (colorBits) *colorBits = SDL_BYTESPERPIXEL(mode.format) * 8;
    return true;
}

void PlatformRequestOpenGLWindow(bool request) { g_video.openGL = request; }

PlatformWindow* PlatformCreateWindow(const char* title, int x, int y, int width, int height,
                                     bool fullScreen) {
    if (!PlatformVideoStart()) return nullptr;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (fullScreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Window* w = nullptr;
    // A driver without OpenGL refuses such a window: then a plain one.
    if (g_video.openGL) w = SDL_CreateWindow(ToUtf8(title).c_str(), x, y, width, height, flags | SDL_WINDOW_OPENGL);
    if (!w) w = SDL_CreateWindow(ToUtf8(title).c_str(), x, y, width, height, flags);
    if (!w) {
        g_video.error = SDL_GetError();
        return nullptr;
    }
    return new PlatformWindow{w};
}

void PlatformDestroyWindow(PlatformWindow* window) {
    if (!window) return;
    SDL_DestroyWindow(window->sdl);
    delete window;
}

void PlatformSetWindowTitle(PlatformWindow* window, const char* title) {
    if (window) SDL_SetWindowTitle(window->sdl, ToUtf8(title).c_str());
}

void PlatformSetWindowIcon(PlatformWindow* window, int width, int height, const uint32_t* pixels) {
    if (!window) return;
    // SDL copies the picture; the surface only lends it the pixels.
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                           width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!icon) return;
    SDL_SetWindowIcon(window->sdl, icon);
    SDL_FreeSurface(icon);
}

void PlatformSetFullScreen(PlatformWindow* window, bool fullScreen) {
    if (window) SDL_SetWindowFullscreen(window->sdl, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

void PlatformShowWindow(PlatformWindow* window) {
    if (window) SDL_ShowWindow(window->sdl);
}

void PlatformRaiseWindow(PlatformWindow* window) {
    if (window) SDL_RaiseWindow(window->sdl);
}

void PlatformMinimizeWindow(PlatformWindow* window) {
    if (window) SDL_MinimizeWindow(window->sdl);
}

PlatformRect PlatformGetClientRect(PlatformWindow* window) {
    PlatformRect r{0, 0, 0, 0};
    if (!window) return r;
    int x, y, w, h;
    SDL_GetWindowPosition(window->sdl, &x, &y);
    SDL_GetWindowSize(window->sdl, &w, &h);
    return PlatformRect{x, y, x + w, y + h};
}

namespace {
// The frame around the client area (none when the window system won't say).
PlatformRect Borders(PlatformWindow* window) {
    PlatformRect b{0, 0, 0, 0};
    if (window && SDL_GetWindowBordersSize(window->sdl, &b.top, &b.left, &b.bottom, &b.right) != 0)
        b = PlatformRect{0, 0, 0, 0};
    return b;
}
}  // namespace

PlatformRect PlatformGetWindowRect(PlatformWindow* window) {
    PlatformRect r = PlatformGetClientRect(window), b = Borders(window);
    return PlatformRect{r.left - b.left, r.top - b.top, r.right + b.right, r.bottom + b.bottom};
}

void PlatformAdjustWindowSize(PlatformWindow* window, int* width, int* height) {
    PlatformRect b = Borders(window);
    *width += b.left + b.right;
    *height += b.top + b.bottom;
}

void PlatformMoveWindow(PlatformWindow* window, int x, int y, int outerWidth, int outerHeight) {
    if (!window) return;
    PlatformRect b = Borders(window);
    int w = outerWidth - b.left - b.right, h = outerHeight - b.top - b.bottom;
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    SDL_SetWindowSize(window->sdl, w, h);
    SDL_SetWindowPosition(window->sdl, x + b.left, y + b.top);
}

void* PlatformNativeWindow(PlatformWindow* window) { return window ? window->sdl : nullptr; }

void PlatformShowCursor(bool show) {
    if (g_video.started) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void PlatformGetCursorPos(int* x, int* y) {
    int gx = 0, gy = 0;
    if (g_video.started) SDL_GetGlobalMouseState(&gx, &gy);
    *x = gx;
    *y = gy;
}

void PlatformPumpEvents() {
    if (!g_video.started) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) TranslateEvent(e);
}
