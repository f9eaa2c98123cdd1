// What the side-by-side benches share: the renderer held at one SIMD level, sprites premultiplied for
// pixman, seeded placements and backdrops on the 640x480 target, boxes cut to it, pixman's images and
// masks, and pixman's way of drawing a sprite turned about its centre.
#pragma once
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "softrender/simd_level.h"

namespace peer {

constexpr int kW = 640, kH = 480;

// Holds the software renderer at one SIMD level (-1: the best the machine has) for its lifetime.
struct AtLevel {
    explicit AtLevel(int level) { softrender::ForceSimdLevel(level); }
    ~AtLevel() { softrender::ForceSimdLevel(-1); }
};

// Straight-alpha ARGB pixels as pixman takes them: colour multiplied by alpha.
inline std::vector<uint32_t> Premultiplied(const std::vector<uint32_t>& px) {
    std::vector<uint32_t> out(px.size());
    for (size_t i = 0; i < px.size(); ++i) {
        const uint32_t a = px[i] >> 24;
        uint32_t v = a << 24;
        for (int sh = 0; sh < 24; sh += 8) v |= (((px[i] >> sh) & 0xFF) * a / 255) << sh;
        out[i] = v;
    }
    return out;
}

struct Placement {
    int x, y;
    float angle;
};

// Places that let a sprite of the given size stick out of every edge by half.
inline std::vector<Placement> Places(int count, int size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Placement> out;
    for (int i = 0; i < count; ++i)
        out.push_back({int(rng() % (kW + size)) - size / 2, int(rng() % (kH + size)) - size / 2,
                       float(rng() % 6283) / 1000.0f});
    return out;
}

// A disc of `size` pixels: alpha 255 inside `core` (a fraction of the radius), falling to 0
// at the rim (with core 1 the edge is hard); colour `base` plus seeded noise in the `noise` bits.
inline std::vector<uint32_t> Disc(int size, float core, uint32_t seed, uint32_t base, uint32_t noise) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> px(size_t(size) * size);
    const float r = size * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x + 0.5f - r, y + 0.5f - r) / r;
            uint32_t a = 0;
            if (d < core) a = 255;
            else if (d < 1.0f) a = uint32_t((1.0f - d) / (1.0f - core) * 255.0f);
            const uint32_t rgb = (base + (rng() & noise)) & 0xFFFFFF;
            px[size_t(y) * size + x] = a << 24 | rgb;
        }
    return px;
}

// A backdrop for the 640x480 target: seeded noise in the `noise` bits, the `set` bits on.
inline std::vector<uint32_t> Backdrop(uint32_t noise, uint32_t set) {
    std::mt19937 rng(5);
    std::vector<uint32_t> px(size_t(kW) * kH);
    for (uint32_t& v : px) v = set | (rng() & noise);
    return px;
}

// The box of w x h with its corner at p, cut to the target (pixman's fills are not
// clipped); nothing is left when it is Empty.
struct Box {
    int l, t, r, b;
    bool Empty() const { return r <= l || b <= t; }
};
inline Box ClippedBox(const Placement& p, int w, int h) {
    return {std::max(p.x, 0), std::max(p.y, 0), std::min(p.x + w, kW), std::min(p.y + h, kH)};
}

// A pixman image over w x h pixels held in px.
inline pixman_image_t* PixmanImage(pixman_format_code_t format, int w, int h, std::vector<uint32_t>& px) {
    return pixman_image_create_bits(format, w, h, px.data(), w * 4);
}
// A mask of one alpha (0..255) for the whole picture.
inline pixman_image_t* AlphaMask(int alpha) {
    const pixman_color_t c = {0, 0, 0, uint16_t(alpha * 257)};
    return pixman_image_create_solid_fill(&c);
}

// pixman's 640x480 target and the backdrop picture a frame starts from.
struct PixmanScreen {
    std::vector<uint32_t> dst = std::vector<uint32_t>(size_t(kW) * kH), back;
    pixman_image_t* target = PixmanImage(PIXMAN_x8r8g8b8, kW, kH, dst);
    pixman_image_t* backImg;
    explicit PixmanScreen(const std::vector<uint32_t>& backdrop)
        : back(backdrop), backImg(PixmanImage(PIXMAN_x8r8g8b8, kW, kH, back)) {}
    ~PixmanScreen() {
        pixman_image_unref(target);
        pixman_image_unref(backImg);
    }
    PixmanScreen(const PixmanScreen&) = delete;
    PixmanScreen& operator=(const PixmanScreen&) = delete;
};

// A square sprite as pixman takes it: its pixels premultiplied, and the image over them.
struct PixmanSprite {
    std::vector<uint32_t> px;
    pixman_image_t* img;
    PixmanSprite(const std::vector<uint32_t>& straight, int size)
        : px(Premultiplied(straight)), img(PixmanImage(PIXMAN_a8r8g8b8, size, size, px)) {}
    ~PixmanSprite() { pixman_image_unref(img); }
    PixmanSprite(const PixmanSprite&) = delete;
    PixmanSprite& operator=(const PixmanSprite&) = delete;
};

// Adds a 16x16 sprite turned by p.angle about its centre at (p.x, p.y), through the given mask.
inline void AddTurned16(pixman_image_t* sprite, pixman_image_t* mask, pixman_image_t* target, const Placement& p) {
    const double c = std::cos(p.angle), s = std::sin(p.angle);
    const int box = 24;  // covers the turned 16x16 sprite
    pixman_f_transform f;
    pixman_f_transform_init_translate(&f, -box / 2.0, -box / 2.0);
    pixman_f_transform_rotate(&f, nullptr, c, -s);
    pixman_f_transform_translate(&f, nullptr, 8, 8);
    pixman_transform_t t;
    pixman_transform_from_pixman_f_transform(&t, &f);
    pixman_image_set_transform(sprite, &t);
    pixman_image_composite32(PIXMAN_OP_ADD, sprite, mask, target, 0, 0, 0, 0, p.x - box / 2, p.y - box / 2, box, box);
}

}  // namespace peer
