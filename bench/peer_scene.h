// What the side-by-side benches share: the renderer held at one SIMD level, sprites premultiplied for
// pixman, seeded placements on the 640x480 target, and pixman's way of drawing a sprite turned about its centre.
#pragma once
#include <pixman.h>

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
