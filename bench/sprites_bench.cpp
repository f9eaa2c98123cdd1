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

#include <vector>

#include "../tests/library/graphics/image_fixtures.h"
#include "peer_scene.h"
#include "started_library.h"
#include "softrender/simd_level.h"
#include "zovav.h"

namespace {

// The scene, the placements and pixman's side come from the shared peer scene.
using namespace peer;
constexpr int kSpriteCount = 400;  // sprites of the single-kind scenes

// The pictures and where they go, shared by both renderers.
struct Scene {
    // Light blue with a little noise, so that no two pixels are alike.
    std::vector<uint32_t> spark = Disc(16, 0.5f, 1, 0x40A0F0, 0x0F0F0F), hard = Disc(96, 1.0f, 2, 0x40A0F0, 0x0F0F0F),
                          glow = Disc(96, 0.2f, 3, 0x40A0F0, 0x0F0F0F);
    std::vector<uint32_t> backdrop = Backdrop(0x3F3F3F, 0xFF000000u);
    std::vector<Placement> sparks = Places(800, 16, 11), halves = Places(100, 96, 12);
    std::vector<Placement> many = Places(kSpriteCount, 96, 14);
    std::vector<Placement> boxes = Places(20, 60, 13);
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
    AtLevel at(level);
    for (auto _ : st) lib.Frame();
    FrameFraction(st);
}
void OursSprites(benchmark::State& st, Kind kind, int level) {
    Library lib;
    if (!lib.ok) {
        st.SkipWithError("the library did not start or load the pictures");
        return;
    }
    AtLevel at(level);
    for (auto _ : st) lib.Sprites(kind);
}

// ---- pixman -------------------------------------------------------------------

struct Pix : PixmanScreen {
    PixmanSprite spark{TheScene().spark, 16}, hard{TheScene().hard, 96}, glow{TheScene().glow, 96};
    pixman_image_t* half = AlphaMask(128);
    std::vector<pixman_rectangle16_t> boxes;
    Pix() : PixmanScreen(TheScene().backdrop) {
        pixman_image_set_filter(spark.img, PIXMAN_FILTER_NEAREST, nullptr, 0);
        for (const Placement& p : TheScene().boxes) {
            const Box c = ClippedBox(p, 60, 40);
            if (!c.Empty()) boxes.push_back({int16_t(c.l), int16_t(c.t), uint16_t(c.r - c.l), uint16_t(c.b - c.t)});
        }
    }
    ~Pix() { pixman_image_unref(half); }
    void Frame() {
        const Scene& s = TheScene();
        pixman_image_composite32(PIXMAN_OP_SRC, backImg, nullptr, target, 0, 0, 0, 0, 0, 0, kW, kH);
        for (const Placement& p : s.sparks) AddTurned16(spark.img, nullptr, target, p);
        for (size_t i = 0; i < s.halves.size(); ++i)
            pixman_image_composite32(PIXMAN_OP_OVER, i % 2 ? glow.img : hard.img, half, target, 0, 0, 0, 0,
                                     s.halves[i].x, s.halves[i].y, 96, 96);
        pixman_color_t red = {200 * 257, 40 * 257, 40 * 257, 0xFFFF};
        pixman_image_fill_rectangles(PIXMAN_OP_SRC, target, &red, int(boxes.size()), boxes.data());
    }
    void Sprites(Kind kind) {
        for (const Placement& p : TheScene().many)
            pixman_image_composite32(PIXMAN_OP_OVER, kind == GLOW ? glow.img : hard.img, half, target, 0, 0, 0, 0, p.x,
                                     p.y, 96, 96);
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
