// The GL device's textures: each keeps a memory copy in its own format that
// locks, fills and copies work on and that goes to and from GL; render
// targets are framebuffer objects with an optional depth buffer.
#include <cstring>

#include "platform/device3d_gl_internal.h"

namespace {

using Channel = Texture3D::Channel;

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

bool Clip(const Texture3D* t, SurfaceRect* r) {
    if (r->left < 0) r->left = 0;
    if (r->top < 0) r->top = 0;
    if (r->right > t->width) r->right = t->width;
    if (r->bottom > t->height) r->bottom = t->height;
    return r->left < r->right && r->top < r->bottom;
}

uint32_t Load(const Texture3D* t, int x, int y) {
    const uint8_t* p = &t->pixels[(size_t(y) * t->width + x) * t->bytes];
    if (t->bytes == 2) return uint32_t(p[0] | p[1] << 8);
    return uint32_t(p[0] | p[1] << 8 | p[2] << 16) | uint32_t(p[3]) << 24;
}
void Store(Texture3D* t, int x, int y, uint32_t v) {
    uint8_t* p = &t->pixels[(size_t(y) * t->width + x) * t->bytes];
    for (int i = 0; i < t->bytes; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Colour channels of the format; keyed texels get alpha 0.
void ToRGBA(const Texture3D* t, uint32_t v, uint8_t* out, bool applyKey) {
    out[0] = Widen(v, t->r);
    out[1] = Widen(v, t->g);
    out[2] = Widen(v, t->b);
    out[3] = t->a.bits ? Widen(v, t->a) : 255;
    const uint32_t colour = t->r.mask | t->g.mask | t->b.mask;
    // A texture with its own alpha keeps it: the key is for opaque kinds.
    if (applyKey && t->keyEnabled && !t->a.bits && (v & colour) == (t->key & colour)) out[3] = 0;
}
uint32_t FromRGBA(const Texture3D* t, const uint8_t* c) {
    uint32_t v = Narrow(c[0], t->r) | Narrow(c[1], t->g) | Narrow(c[2], t->b) | Narrow(c[3], t->a);
    // Bits no channel uses read as ones, as the surface device keeps them.
    const uint32_t all = t->bytes == 2 ? 0xFFFFu : 0xFFFFFFFFu;
    return v | (all & ~(t->r.mask | t->g.mask | t->b.mask | t->a.mask));
}

// 8-bit channels in B, G, R, A byte order: rows go to GL as they are.
bool ByteLayout(const Texture3D* t) {
    return t->bytes == 4 && t->r.mask == 0xFF0000 && t->g.mask == 0xFF00 && t->b.mask == 0xFF &&
           (t->a.bits == 0 || t->a.mask == 0xFF000000u);
}

}  // namespace

bool GLDevice::TextureFormat(int index, SurfacePixelFormat* format) const {
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

Texture3D* GLDevice::CreateTexture(int width, int height, const SurfacePixelFormat* format, int renderTarget,
                                   int depth) {
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

void GLDevice::ReleaseTexture(Texture3D* t) {
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

int GLDevice::LockTexture(Texture3D* t, const SurfaceRect* rect, int* pitch, void** pixels) {
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

int GLDevice::UnlockTexture(Texture3D* t) {
    if (!t->lockCount) return -1;
    t->lockCount = 0;
    Upload(t, t->lockRect);
    return 0;
}

int GLDevice::ReadTexture(Texture3D* t, void* pixels, int pitch) {
    if (t->lockCount) return -1;
    if (t->framebuffer) Download(t, SurfaceRect{0, 0, t->width, t->height});
    const size_t row = size_t(t->width) * t->bytes;
    for (int y = 0; y < t->height; ++y)
        std::memcpy(static_cast<uint8_t*>(pixels) + size_t(y) * pitch, &t->pixels[y * row], row);
    return 0;
}

int GLDevice::WriteTexture(Texture3D* t, const void* pixels, int pitch) {
    if (t->lockCount) return -1;
    const size_t row = size_t(t->width) * t->bytes;
    for (int y = 0; y < t->height; ++y)
        std::memcpy(&t->pixels[y * row], static_cast<const uint8_t*>(pixels) + size_t(y) * pitch, row);
    Upload(t, SurfaceRect{0, 0, t->width, t->height});
    return 0;
}

int GLDevice::FillTexture(Texture3D* t, const SurfaceRect* rect, uint32_t value) {
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

int GLDevice::FillDepth(Texture3D* t, float depth) {
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

int GLDevice::CopyTexture(Texture3D* dest, int x, int y, Texture3D* src, const SurfaceRect* srcRect) {
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

int GLDevice::SetColorKey(Texture3D* t, int enable, uint32_t key) {
    const SurfaceRect all{0, 0, t->width, t->height};
    // A render target's pixels live in GL: fetch them before uploading again.
    if (t->framebuffer) Download(t, all);
    t->keyEnabled = enable;
    t->key = key;
    Upload(t, all);
    return 0;
}

void GLDevice::Upload(Texture3D* t, const SurfaceRect& r) {
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

void GLDevice::Download(Texture3D* t, const SurfaceRect& r) {
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
