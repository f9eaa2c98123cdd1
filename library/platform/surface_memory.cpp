// The 2D surface device backed by plain memory: surfaces, locks, colour-key
// blits and colour fills for the library's surface records.
#include "platform/surface_memory.h"

#include <cstdlib>
#include <cstring>
#include <new>

struct MemSurface {
    int width;
    int height;
    int pitch;
    int bytesPerPixel;
    int videoMemory;
    int locked;
    uint32_t colorKey;
    SurfacePixelFormat format;
    unsigned char* pixels;
};

namespace {

struct SurfaceDeviceState {
    int started = 0;
    int liveSurfaces = 0;
    int refused = 0;
};
SurfaceDeviceState g_device;

inline uint32_t ReadPixel(const unsigned char* p, int bytes) {
    switch (bytes) {
    case 1: return p[0];
    case 2: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    default: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
}

inline void WritePixel(unsigned char* p, int bytes, uint32_t v) {
    p[0] = uint8_t(v);
    if (bytes > 1) p[1] = uint8_t(v >> 8);
    if (bytes > 2) p[2] = uint8_t(v >> 16);
    if (bytes > 3) p[3] = uint8_t(v >> 24);
}

// Clips r to (0, 0, w, h); false when nothing is left.
bool ClipRect(SurfaceRect& r, int w, int h) {
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > w) r.right = w;
    if (r.bottom > h) r.bottom = h;
    return r.left < r.right && r.top < r.bottom;
}

}  // namespace

void MemSurfaceDeviceRefuse(int refuse) { g_device.refused = refuse; }

int MemSurfaceDeviceStart() {
    if (g_device.refused) return -1;
    g_device.started = 1;
    return 0;
}

int MemSurfaceDeviceEnd() {
    g_device.started = 0;
    return 0;
}

int MemSurfaceDeviceExists() { return g_device.started; }
int MemSurfaceCount() { return g_device.liveSurfaces; }

MemSurface* MemSurfaceCreate(int width, int height, const SurfacePixelFormat* format, int videoMemory) {
    if (!g_device.started || format == nullptr) return nullptr;
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return nullptr;
    int bits = int(format->RGBBitCount);
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
    int bytes = bits / 8;
    // Rows padded to 4 bytes, as display memory usually is.
    long long pitch = ((long long)width * bytes + 3) & ~3LL;
    long long total = pitch * height;
    MemSurface* s = new (std::nothrow) MemSurface();
    if (s == nullptr) return nullptr;
    s->pixels = static_cast<unsigned char*>(std::calloc(size_t(total), 1));
    if (s->pixels == nullptr) {
        delete s;
        return nullptr;
    }
    s->width = width;
    s->height = height;
    s->pitch = int(pitch);
    s->bytesPerPixel = bytes;
    s->videoMemory = videoMemory ? 1 : 0;
    s->format = *format;
    g_device.liveSurfaces++;
    return s;
}

void MemSurfaceRelease(MemSurface* surface) {
    if (surface == nullptr) return;
    std::free(surface->pixels);
    delete surface;
    g_device.liveSurfaces--;
}

int MemSurfaceGetSize(const MemSurface* surface, int* width, int* height) {
    if (surface == nullptr) return -1;
    if (width) *width = surface->width;
    if (height) *height = surface->height;
    return 0;
}

const SurfacePixelFormat* MemSurfaceGetFormat(const MemSurface* surface) {
    return surface ? &surface->format : nullptr;
}

int MemSurfaceInVideoMemory(const MemSurface* surface) { return surface ? surface->videoMemory : 0; }

int MemSurfaceLock(MemSurface* surface, const SurfaceRect* rect, int* pitch, void** pixels) {
    if (surface == nullptr || surface->locked) return -1;
    int x = 0, y = 0;
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->right > surface->width ||
            rect->bottom > surface->height || rect->left > rect->right || rect->top > rect->bottom)
            return -1;
        x = rect->left;
        y = rect->top;
    }
    surface->locked = 1;
    if (pitch) *pitch = surface->pitch;
    if (pixels) *pixels = surface->pixels + size_t(y) * surface->pitch + size_t(x) * surface->bytesPerPixel;
    return 0;
}

int MemSurfaceUnlock(MemSurface* surface) {
    if (surface == nullptr || !surface->locked) return -1;
    surface->locked = 0;
    return 0;
}

int MemSurfaceSetColorKey(MemSurface* surface, uint32_t key) {
    if (surface == nullptr) return -1;
    surface->colorKey = key;
    return 0;
}

int MemSurfaceGetColorKey(const MemSurface* surface, uint32_t* key) {
    if (surface == nullptr) return -1;
    if (key) *key = surface->colorKey;
    return 0;
}

int MemSurfaceBlt(MemSurface* dest, int x, int y, MemSurface* src, const SurfaceRect* srcRect, int useColorKey) {
    if (dest == nullptr || src == nullptr) return -1;
    if (dest->bytesPerPixel != src->bytesPerPixel) return -1;
    SurfaceRect s = srcRect ? *srcRect : SurfaceRect{0, 0, src->width, src->height};
    if (!ClipRect(s, src->width, src->height)) return 0;
    // Destination clipping moves the source rectangle with it.
    if (srcRect) {
        x += s.left - srcRect->left;
        y += s.top - srcRect->top;
    }
    if (x < 0) { s.left -= x; x = 0; }
    if (y < 0) { s.top -= y; y = 0; }
    if (x + (s.right - s.left) > dest->width) s.right = s.left + dest->width - x;
    if (y + (s.bottom - s.top) > dest->height) s.bottom = s.top + dest->height - y;
    if (s.left >= s.right || s.top >= s.bottom) return 0;
    const int bytes = src->bytesPerPixel;
    const uint32_t keyMask = bytes == 4 ? 0xFFFFFFFFu : ((1u << (bytes * 8)) - 1);
    const uint32_t key = src->colorKey & keyMask;
    const int w = s.right - s.left;
    for (int row = 0; row < s.bottom - s.top; ++row) {
        const unsigned char* sp = src->pixels + size_t(s.top + row) * src->pitch + size_t(s.left) * bytes;
        unsigned char* dp = dest->pixels + size_t(y + row) * dest->pitch + size_t(x) * bytes;
        if (!useColorKey) {
            std::memmove(dp, sp, size_t(w) * bytes);
            continue;
        }
        for (int i = 0; i < w; ++i, sp += bytes, dp += bytes) {
            uint32_t v = ReadPixel(sp, bytes);
            if (v != key) WritePixel(dp, bytes, v);
        }
    }
    return 0;
}

int MemSurfaceColorFill(MemSurface* surface, const SurfaceRect* rect, uint32_t value) {
    if (surface == nullptr) return -1;
    SurfaceRect r = rect ? *rect : SurfaceRect{0, 0, surface->width, surface->height};
    if (!ClipRect(r, surface->width, surface->height)) return 0;
    const int bytes = surface->bytesPerPixel;
    for (int row = r.top; row < r.bottom; ++row) {
        unsigned char* p = surface->pixels + size_t(row) * surface->pitch + size_t(r.left) * bytes;
        for (int i = r.left; i < r.right; ++i, p += bytes) WritePixel(p, bytes, value);
    }
    return 0;
}
