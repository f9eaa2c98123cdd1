// Presenting the screen through one SDL streaming texture, or through the 3D
// device that owns the window, with a copy of the frame kept in memory for
// read-back and for repaints.
#include "platform/presenter_sdl.h"

#include <SDL.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/window_owner.h"
#include "platform/window_sdl.h"

namespace {
struct PresenterState {
    std::mutex mutex;                // guards the frame, the pending flag and the owner
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    SDL_Window* window = nullptr;
    bool active = false;             // started; the renderer may be suspended
    int width = 0, height = 0;
    std::vector<uint32_t> frame;     // X8R8G8B8
    bool pending = false;
    WindowOwner* owner = nullptr;    // a 3D device drawing the window; outlives a stop
};
PresenterState g_presenter;

uint32_t Expand565(uint16_t v) {
    uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

bool ClipArea(const PlatformRect* area, int width, int height, PlatformRect* out) {
    PlatformRect r = area ? *area : PlatformRect{0, 0, width, height};
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > width) r.right = width;
    if (r.bottom > height) r.bottom = height;
    *out = r;
    return r.left < r.right && r.top < r.bottom;
}

bool MakeRenderer(SDL_Window* sdl, int width, int height) {
    SDL_Renderer* renderer = SDL_CreateRenderer(sdl, -1, 0);
    if (!renderer) renderer = SDL_CreateRenderer(sdl, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer) return false;
    SDL_Texture* texture =
        SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!texture) {
        SDL_DestroyRenderer(renderer);
        return false;
    }
    SDL_RenderSetLogicalSize(renderer, width, height);
    g_presenter.renderer = renderer;
    g_presenter.texture = texture;
    return true;
}

void DestroyRenderer() {
    if (g_presenter.texture) SDL_DestroyTexture(g_presenter.texture);
    if (g_presenter.renderer) SDL_DestroyRenderer(g_presenter.renderer);
    g_presenter.texture = nullptr;
    g_presenter.renderer = nullptr;
}
}  // namespace

bool PresenterStart(PlatformWindow* window, int width, int height) {
    PresenterStop();
    auto* sdl = static_cast<SDL_Window*>(PlatformNativeWindow(window));
    if (!sdl || width <= 0 || height <= 0) return false;
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    // A window owned by a 3D device shows frames through it.
    if (!g_presenter.owner && !MakeRenderer(sdl, width, height)) return false;
    g_presenter.window = sdl;
    g_presenter.active = true;
    g_presenter.width = width;
    g_presenter.height = height;
    g_presenter.frame.assign(size_t(width) * height, 0);
    g_presenter.pending = true;
    return true;
}

void PresenterStop() {
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    DestroyRenderer();
    g_presenter.active = false;
    g_presenter.window = nullptr;
    g_presenter.frame.clear();
    g_presenter.width = g_presenter.height = 0;
    g_presenter.pending = false;
}

void PresenterUpload(const void* pixels, int pitch, PresenterFormat format, const PlatformRect* area) {
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    PlatformRect r;
    if (!g_presenter.active || !ClipArea(area, g_presenter.width, g_presenter.height, &r)) return;
    for (int y = r.top; y < r.bottom; ++y) {
        const auto* row = static_cast<const unsigned char*>(pixels) + size_t(y) * pitch;
        uint32_t* out = &g_presenter.frame[size_t(y) * g_presenter.width];
        if (format == PRESENTER_X8R8G8B8) {
            const auto* src = reinterpret_cast<const uint32_t*>(row);
            for (int x = r.left; x < r.right; ++x) out[x] = src[x] & 0x00FFFFFFu;
        } else {
            const auto* src = reinterpret_cast<const uint16_t*>(row);
            for (int x = r.left; x < r.right; ++x) out[x] = Expand565(src[x]);
        }
    }
    g_presenter.pending = true;
}

void PresenterPresent(bool onMainThread) {
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    if (!g_presenter.active) return;
    g_presenter.pending = true;
    if (!onMainThread) return;
    if (!g_presenter.renderer) {
        if (g_presenter.owner)
            g_presenter.owner->PresentPixels(g_presenter.frame.data(), g_presenter.width, g_presenter.height);
        g_presenter.pending = false;
        return;
    }
    SDL_UpdateTexture(g_presenter.texture, nullptr, g_presenter.frame.data(), g_presenter.width * 4);
    SDL_RenderClear(g_presenter.renderer);
    SDL_RenderCopy(g_presenter.renderer, g_presenter.texture, nullptr, nullptr);
    SDL_RenderPresent(g_presenter.renderer);
    g_presenter.pending = false;
}

void PresenterPresentPending() {
    bool pending;
    {
        std::lock_guard<std::mutex> g(g_presenter.mutex);
        pending = g_presenter.pending && g_presenter.active;
    }
    if (pending) PresenterPresent(true);
}

bool PresenterReadBack(uint32_t* out, int pitchBytes, const PlatformRect* area) {
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    PlatformRect r;
    if (!g_presenter.active || !ClipArea(area, g_presenter.width, g_presenter.height, &r)) return false;
    for (int y = r.top; y < r.bottom; ++y) {
        auto* dst = reinterpret_cast<uint32_t*>(reinterpret_cast<unsigned char*>(out) + size_t(y - r.top) * pitchBytes);
        memcpy(dst, &g_presenter.frame[size_t(y) * g_presenter.width + r.left], size_t(r.right - r.left) * 4);
    }
    return true;
}

void WindowOwnerTake() {
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    DestroyRenderer();
}

void WindowOwnerRegister(WindowOwner* owner) {
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    g_presenter.owner = owner;
}

void WindowOwnerGiveBack() {
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    g_presenter.owner = nullptr;
    if (g_presenter.active && !g_presenter.renderer)
        MakeRenderer(g_presenter.window, g_presenter.width, g_presenter.height);
    g_presenter.pending = true;
}

WindowOwner* WindowOwnerCurrent() {
    std::lock_guard<std::mutex> g(g_presenter.mutex);
    return g_presenter.owner;
}
