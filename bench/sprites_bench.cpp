// Sprites as a game has them: pictures written to PNG files in the set-up, loaded with
// LoadGraph in a started library on the software road and drawn with DrawGraph and
// DrawRotaGraph, against pixman doing the same work on the same pixels in the same run.
// The busy frame: a 640x480 background, 800 rotated additive 16x16 sparks, 100 half-alpha
// 96x96 sprites (half hard-edged, half soft glows) and 20 boxes; then soft glows alone and
// hard-edged sprites alone. Drawing only: the flip is the screens bench's business. This
// library draws each scene at the processor's best level and held at SSE2. On a shared
// machine run with repetitions and compare medians.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "../tests/library/graphics/image_fixtures.h"
#include "peer_scene.h"
#include "started_library.h"
#include "softrender/simd_level.h"
#include "zovav.h"

namespace {

using peer::kW;
using peer::kH;
using peer::Placement;
using peer::Places;
using peer::Premultiplied;
constexpr int kSpriteCount = 400;  // sprites of the single-kind scenes

// A disc of `size` pixels: alpha 255 inside `core` (a fraction of the radius), falling to
// 0 at the rim; with core 1 the edge is hard.
std::vector<uint32_t> MakeDisc(int size, float core, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> px(size_t(size) * size);
    const float r = size * 0.5f;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float d = std::hypot(x + 0.5f - r, y + 0.5f - r) / r;
            uint32_t a = 0;
            if (d < core) a = 255;
            else if (d < 1.0f) a = uint32_t((1.0f - d) / (1.0f - core) * 255.0f);
            // Colour noise in the low bits so that no two pixels are alike.
            const uint32_t rgb = (0x40A0F0u + (rng() & 0x0F0F0F)) & 0xFFFFFF;
            px[size_t(y) * size + x] = a << 24 | rgb;
        }
    return px;
}

// The pictures and where they go, shared by both renderers.
struct Scene {
    std::vector<uint32_t> spark = MakeDisc(16, 0.5f, 1), hard = MakeDisc(96, 1.0f, 2), glow = MakeDisc(96, 0.2f, 3);
    std::vector<uint32_t> backdrop = std::vector<uint32_t>(size_t(kW) * kH);
    std::vector<Placement> sparks = Places(800, 16, 11), halves = Places(100, 96, 12);
    std::vector<Placement> many = Places(kSpriteCount, 96, 14);
    std::vector<Placement> boxes = Places(20, 60, 13);
    Scene() {
        std::mt19937 rng(5);
        for (uint32_t& v : backdrop) v = 0xFF000000u | (rng() & 0x3F3F3F);
    }
};
const Scene& TheScene() {
    static Scene s;
    return s;
}

enum Kind { HARD, GLOW };

// ---- this library -----------------------------------------------------------

struct Library {
    StartedLibrary started{[] {
        const Scene& s = TheScene();
        imgfix::WriteFile("back.png", imgfix::MakeRgbPng(kW, kH, s.backdrop, false));
        imgfix::WriteFile("spark.png", imgfix::MakeRgbPng(16, 16, s.spark, true));
        imgfix::WriteFile("hard.png", imgfix::MakeRgbPng(96, 96, s.hard, true));
        imgfix::WriteFile("glow.png", imgfix::MakeRgbPng(96, 96, s.glow, true));
    }};
    int back = -1, spark = -1, hard = -1, glow = -1;
    bool ok = false;

    Library() {
        if (!started.ok()) return;
        SetDrawScreen(SCREEN_BACK);
        back = LoadGraph("back.png");
        spark = LoadGraph("spark.png");
        hard = LoadGraph("hard.png");
        glow = LoadGraph("glow.png");
        ok = back >= 0 && spark >= 0 && hard >= 0 && glow >= 0;
    }
    void Frame() const {
        const Scene& s = TheScene();
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        DrawGraph(0, 0, back, 0);
        SetDrawBlendMode(ZV_BLEND_ADD, 255);
        for (const Placement& p : s.sparks) DrawRotaGraph(p.x, p.y, 1.0, p.angle, spark, 1, 0);
        SetDrawBlendMode(ZV_BLEND_ALPHA, 128);
        for (size_t i = 0; i < s.halves.size(); ++i) DrawGraph(s.halves[i].x, s.halves[i].y, i % 2 ? glow : hard, 1);
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        const int colour = GetColor(200, 40, 40);
        for (const Placement& p : s.boxes) DrawBox(p.x, p.y, p.x + 60, p.y + 40, colour, 1);
    }
    void Sprites(Kind kind) const {
        SetDrawBlendMode(ZV_BLEND_ALPHA, 128);
        for (const Placement& p : TheScene().many) DrawGraph(p.x, p.y, kind == GLOW ? glow : hard, 1);
    }
};

void FrameFraction(benchmark::State& st) {
    st.counters["frame_fraction"] = benchmark::Counter(double(st.iterations()) / 60.0,
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void OursFrame(benchmark::State& st, int level) {
    Library lib;
    if (!lib.ok) {
        st.SkipWithError("the library did not start or load the pictures");
        return;
    }
    peer::AtLevel at(level);
    for (auto _ : st) lib.Frame();
    FrameFraction(st);
}
void OursSprites(benchmark::State& st, Kind kind, int level) {
    Library lib;
    if (!lib.ok) {
        st.SkipWithError("the library did not start or load the pictures");
        return;
    }
    peer::AtLevel at(level);
    for (auto _ : st) lib.Sprites(kind);
}

// ---- pixman -------------------------------------------------------------------

struct Pix {
    std::vector<uint32_t> dst = std::vector<uint32_t>(size_t(kW) * kH), spark, hard, glow, back;
    pixman_image_t *target, *sparkImg, *hardImg, *glowImg, *backImg, *half;
    std::vector<pixman_rectangle16_t> boxes;
    Pix() {
        const Scene& s = TheScene();
        spark = Premultiplied(s.spark), hard = Premultiplied(s.hard), glow = Premultiplied(s.glow), back = s.backdrop;
        target = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, dst.data(), kW * 4);
        sparkImg = pixman_image_create_bits(PIXMAN_a8r8g8b8, 16, 16, spark.data(), 64);
        hardImg = pixman_image_create_bits(PIXMAN_a8r8g8b8, 96, 96, hard.data(), 384);
        glowImg = pixman_image_create_bits(PIXMAN_a8r8g8b8, 96, 96, glow.data(), 384);
        backImg = pixman_image_create_bits(PIXMAN_x8r8g8b8, kW, kH, back.data(), kW * 4);
        pixman_color_t c128 = {0, 0, 0, 128 * 257};
        half = pixman_image_create_solid_fill(&c128);
        pixman_image_set_filter(sparkImg, PIXMAN_FILTER_NEAREST, nullptr, 0);
        for (const Placement& p : s.boxes) {
            // Fills are not clipped to the target: cut them here.
            const int l = std::max(p.x, 0), t = std::max(p.y, 0);
            const int r = std::min(p.x + 60, kW), b = std::min(p.y + 40, kH);
            if (r > l && b > t) boxes.push_back({int16_t(l), int16_t(t), uint16_t(r - l), uint16_t(b - t)});
        }
    }
    ~Pix() {
        for (pixman_image_t* i : {target, sparkImg, hardImg, glowImg, backImg, half}) pixman_image_unref(i);
    }
    void Frame() {
        const Scene& s = TheScene();
        pixman_image_composite32(PIXMAN_OP_SRC, backImg, nullptr, target, 0, 0, 0, 0, 0, 0, kW, kH);
        for (const Placement& p : s.sparks) peer::AddTurned16(sparkImg, nullptr, target, p);
        for (size_t i = 0; i < s.halves.size(); ++i)
            pixman_image_composite32(PIXMAN_OP_OVER, i % 2 ? glowImg : hardImg, half, target, 0, 0, 0, 0,
                                     s.halves[i].x, s.halves[i].y, 96, 96);
        pixman_color_t red = {200 * 257, 40 * 257, 40 * 257, 0xFFFF};
        pixman_image_fill_rectangles(PIXMAN_OP_SRC, target, &red, int(boxes.size()), boxes.data());
    }
    void Sprites(Kind kind) {
        for (const Placement& p : TheScene().many)
            pixman_image_composite32(PIXMAN_OP_OVER, kind == GLOW ? glowImg : hardImg, half, target, 0, 0, 0, 0,
                                     p.x, p.y, 96, 96);
    }
};

void PixmanFrame(benchmark::State& st) {
    Pix x;
    for (auto _ : st) {
        x.Frame();
        benchmark::DoNotOptimize(x.dst.data());
    }
    FrameFraction(st);
}
void PixmanSprites(benchmark::State& st, Kind kind) {
    Pix x;
    for (auto _ : st) {
        x.Sprites(kind);
        benchmark::DoNotOptimize(x.dst.data());
    }
}

}  // namespace

BENCHMARK_CAPTURE(OursFrame, best, -1)->Name("png_busy_frame/zovav")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursFrame, sse2, softrender::ISA_SSE2)
    ->Name("png_busy_frame/zovav_sse2")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(PixmanFrame)->Name("png_busy_frame/pixman")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursSprites, best, GLOW, -1)->Name("png_glow_96/zovav")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursSprites, sse2, GLOW, softrender::ISA_SSE2)
    ->Name("png_glow_96/zovav_sse2")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(PixmanSprites, glow, GLOW)->Name("png_glow_96/pixman")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursSprites, best, HARD, -1)->Name("png_hard_96/zovav")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(OursSprites, sse2, HARD, softrender::ISA_SSE2)
    ->Name("png_hard_96/zovav_sse2")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(PixmanSprites, hard, HARD)->Name("png_hard_96/pixman")->Unit(benchmark::kMicrosecond);
