// Software drawing against pixman and SDL2's software renderer: four seeded game-like
// scenes on a 640x480 X8R8G8B8 target, each drawn by all three in one run (the copy
// scene also as bare memcpy of the same bytes). This library draws each scene twice: at
// the processor's best level and held at SSE2, the level every x86-64 machine has. On a
// shared machine run with --benchmark_enable_random_interleaving=true and repetitions, and
// compare medians: load drift and buffer placement otherwise move figures run to run.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <vector>

#include "graphics/memimg/memimg_graphics.h"
#include "peer_scene.h"
#include "softrender/simd_level.h"
#include "softrender/softrender.h"

namespace {

// The scene, the placements and pixman's side come from the shared peer scene.
using namespace peer;

// A plain MEMIMG over a vector (sprites keep an alpha channel).
struct Img {
    MEMIMG m{};
    std::vector<uint32_t> px;
    Img(int w, int h, bool alpha) : px(size_t(w) * h) {
        m.ValidMagic = MEMIMG_VALID_MAGIC;
        m.Width = w;
        m.Height = h;
        m.Pitch = w * 4;
        m.Format = 1;
        m.AlphaFlag = alpha;
        m.PalettePtr = m.Palette;
        m.Pixels = reinterpret_cast<unsigned char*>(px.data());
    }
};

// Scene contents shared by the three renderers.
struct Scene {
    // Round sprites: opaque core, soft rim, transparent corners, colours all noise.
    std::vector<uint32_t> small = Disc(16, 0.7f, 1, 0, 0xFFFFFF), big = Disc(96, 0.7f, 2, 0, 0xFFFFFF),
                          mid = Disc(32, 0.7f, 3, 0, 0xFFFFFF);
    std::vector<uint32_t> backdrop = Backdrop(0xFFFFFF, 0);
    std::vector<Placement> s1 = Places(800, 16, 11), s2 = Places(100, 96, 12), s4 = Places(200, 48, 14);
    std::vector<Placement> boxes = Places(20, 60, 13);
};
const Scene& TheScene() {
    static Scene s;
    return s;
}

// ---- this library ---------------------------------------------------------

struct Ours {
    Img target{kW, kH, false}, small{16, 16, true}, big{96, 96, true}, mid{32, 32, true}, back{kW, kH, false};
    Ours() {
        const Scene& s = TheScene();
        small.px = s.small, big.px = s.big, mid.px = s.mid, back.px = s.backdrop;
        for (Img* i : {&small, &big, &mid, &back}) i->m.Pixels = reinterpret_cast<unsigned char*>(i->px.data());
        InitializeMemImgDrawState();
        SetMemImgDrawArea(0, 0, kW, kH);
    }
};

void Ours1(benchmark::State& st, int level) {
    AtLevel at(level);
    Ours o;
    for (auto _ : st) {
        MemImgDrawStateData.BlendMode = 2, MemImgDrawStateData.BlendParam = 250;
        for (const Placement& p : TheScene().s1)
            MemImgDrawRotaGraphBase(&o.target.m, &o.small.m, p.x, p.y, p.angle, 1.0f, 1, 0, nullptr);
        benchmark::DoNotOptimize(o.target.px.data());
    }
}
void Ours2(benchmark::State& st, int level) {
    AtLevel at(level);
    Ours o;
    for (auto _ : st) {
        MemImgDrawStateData.BlendMode = 1, MemImgDrawStateData.BlendParam = 128;
        for (const Placement& p : TheScene().s2) MemImgDrawGraphBase(&o.target.m, &o.big.m, p.x, p.y, 1, nullptr);
        benchmark::DoNotOptimize(o.target.px.data());
    }
}
void Ours3(benchmark::State& st, int level) {
    AtLevel at(level);
    Ours o;
    for (auto _ : st) {
        MemImgDrawStateData.BlendMode = 0, MemImgDrawStateData.BlendParam = 255;
        MemImgDrawGraphBase(&o.target.m, &o.back.m, 0, 0, 0, nullptr);
        for (const Placement& p : TheScene().boxes) MemImgDrawFillBoxXY(&o.target.m, p.x, p.y, p.x + 60, p.y + 40, 0x00336699);
        benchmark::DoNotOptimize(o.target.px.data());
    }
}
void Ours4(benchmark::State& st, int level) {
    AtLevel at(level);
    Ours o;
    for (auto _ : st) {
        MemImgDrawStateData.BlendMode = 0, MemImgDrawStateData.BlendParam = 255;
        for (const Placement& p : TheScene().s4) {
            const int32_t c[4] = {p.x, p.y, p.x + 48, p.y + 48};
            MemImgDrawExtendGraphBase(&o.target.m, &o.mid.m, c, 1, nullptr);
        }
        benchmark::DoNotOptimize(o.target.px.data());
    }
}

// ---- pixman ---------------------------------------------------------------

struct Pix : PixmanScreen {
    PixmanSprite small{TheScene().small, 16}, big{TheScene().big, 96}, mid{TheScene().mid, 32};
    pixman_image_t *mask250 = AlphaMask(250), *mask128 = AlphaMask(128);
    Pix() : PixmanScreen(TheScene().backdrop) {
        for (pixman_image_t* i : {small.img, big.img, mid.img})
            pixman_image_set_filter(i, PIXMAN_FILTER_NEAREST, nullptr, 0);
        pixman_transform_t t;
        pixman_transform_init_scale(&t, pixman_double_to_fixed(32.0 / 48), pixman_double_to_fixed(32.0 / 48));
        pixman_image_set_transform(mid.img, &t);
    }
    ~Pix() {
        pixman_image_unref(mask250);
        pixman_image_unref(mask128);
    }
};

void Pixman1(benchmark::State& st) {
    Pix x;
    for (auto _ : st) {
        for (const Placement& p : TheScene().s1) AddTurned16(x.small.img, x.mask250, x.target, p);
        benchmark::DoNotOptimize(x.dst.data());
    }
}
void Pixman2(benchmark::State& st) {
    Pix x;
    for (auto _ : st) {
        for (const Placement& p : TheScene().s2)
            pixman_image_composite32(PIXMAN_OP_OVER, x.big.img, x.mask128, x.target, 0, 0, 0, 0, p.x, p.y, 96, 96);
        benchmark::DoNotOptimize(x.dst.data());
    }
}
void Pixman3(benchmark::State& st) {
    Pix x;
    for (auto _ : st) {
        pixman_image_composite32(PIXMAN_OP_SRC, x.backImg, nullptr, x.target, 0, 0, 0, 0, 0, 0, kW, kH);
        for (const Placement& p : TheScene().boxes) {
            const Box c = ClippedBox(p, 60, 40);
            if (!c.Empty()) pixman_fill(x.dst.data(), kW, 32, c.l, c.t, c.r - c.l, c.b - c.t, 0x00336699);
        }
        benchmark::DoNotOptimize(x.dst.data());
    }
}
void Pixman4(benchmark::State& st) {
    Pix x;
    for (auto _ : st) {
        for (const Placement& p : TheScene().s4)
            pixman_image_composite32(PIXMAN_OP_OVER, x.mid.img, nullptr, x.target, 0, 0, 0, 0, p.x, p.y, 48, 48);
        benchmark::DoNotOptimize(x.dst.data());
    }
}

// ---- the same bytes moved by memcpy -------------------------------------------

// The floor for the copy-and-boxes scene: the backdrop and each box's clipped rows copied,
// between the same buffers this library's scene uses (their placement moves copy speed).
void Memcpy3(benchmark::State& st) {
    Ours o;
    std::vector<uint32_t>& dst = o.target.px;
    const std::vector<uint32_t>& back = o.back.px;
    const std::vector<uint32_t> boxRow(60, 0x00336699);
    for (auto _ : st) {
        std::memcpy(dst.data(), back.data(), dst.size() * 4);
        for (const Placement& p : TheScene().boxes) {
            const Box c = ClippedBox(p, 60, 40);
            for (int y = c.t; y < c.b; ++y)
                if (c.r > c.l) std::memcpy(&dst[size_t(y) * kW + size_t(c.l)], boxRow.data(), size_t(c.r - c.l) * 4);
        }
        benchmark::DoNotOptimize(dst.data());
    }
}

// ---- SDL2 software renderer -------------------------------------------------

struct Sdl {
    SDL_Surface *target, *small, *big, *mid, *back;
    SDL_Renderer* renderer;
    SDL_Texture* smallTex;
    std::vector<uint32_t> a, b, c, d;
    Sdl() {
        const Scene& s = TheScene();
        a = s.small, b = s.big, c = s.mid, d = s.backdrop;
        target = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_RGB888);
        small = SDL_CreateRGBSurfaceWithFormatFrom(a.data(), 16, 16, 32, 64, SDL_PIXELFORMAT_ARGB8888);
        big = SDL_CreateRGBSurfaceWithFormatFrom(b.data(), 96, 96, 32, 384, SDL_PIXELFORMAT_ARGB8888);
        mid = SDL_CreateRGBSurfaceWithFormatFrom(c.data(), 32, 32, 32, 128, SDL_PIXELFORMAT_ARGB8888);
        back = SDL_CreateRGBSurfaceWithFormatFrom(d.data(), kW, kH, 32, kW * 4, SDL_PIXELFORMAT_RGB888);
        renderer = SDL_CreateSoftwareRenderer(target);
        smallTex = SDL_CreateTextureFromSurface(renderer, small);
        SDL_SetTextureBlendMode(smallTex, SDL_BLENDMODE_ADD);
        SDL_SetTextureAlphaMod(smallTex, 250);
        SDL_SetSurfaceBlendMode(big, SDL_BLENDMODE_BLEND);
        SDL_SetSurfaceAlphaMod(big, 128);
        SDL_SetSurfaceBlendMode(mid, SDL_BLENDMODE_BLEND);
        SDL_SetSurfaceBlendMode(back, SDL_BLENDMODE_NONE);
    }
    ~Sdl() {
        SDL_DestroyTexture(smallTex);
        SDL_DestroyRenderer(renderer);
        for (SDL_Surface* s : {target, small, big, mid, back}) SDL_FreeSurface(s);
    }
};

void Sdl1(benchmark::State& st) {
    Sdl x;
    for (auto _ : st) {
        for (const Placement& p : TheScene().s1) {
            const SDL_Rect r{p.x - 8, p.y - 8, 16, 16};
            SDL_RenderCopyEx(x.renderer, x.smallTex, nullptr, &r, p.angle * 57.29578, nullptr, SDL_FLIP_NONE);
        }
        SDL_RenderFlush(x.renderer);
        benchmark::DoNotOptimize(x.target->pixels);
    }
}
void Sdl2(benchmark::State& st) {
    Sdl x;
    for (auto _ : st) {
        for (const Placement& p : TheScene().s2) {
            SDL_Rect r{p.x, p.y, 96, 96};
            SDL_BlitSurface(x.big, nullptr, x.target, &r);
        }
        benchmark::DoNotOptimize(x.target->pixels);
    }
}
void Sdl3(benchmark::State& st) {
    Sdl x;
    for (auto _ : st) {
        SDL_BlitSurface(x.back, nullptr, x.target, nullptr);
        for (const Placement& p : TheScene().boxes) {
            const SDL_Rect r{p.x, p.y, 60, 40};
            SDL_FillRect(x.target, &r, 0x00336699);
        }
        benchmark::DoNotOptimize(x.target->pixels);
    }
}
void Sdl4(benchmark::State& st) {
    Sdl x;
    for (auto _ : st) {
        for (const Placement& p : TheScene().s4) {
            SDL_Rect r{p.x, p.y, 48, 48};
            SDL_BlitScaled(x.mid, nullptr, x.target, &r);
        }
        benchmark::DoNotOptimize(x.target->pixels);
    }
}

}  // namespace

BENCHMARK_CAPTURE(Ours1, best, -1)->Name("scene1_rotated_add/zovav")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours1, sse2, softrender::ISA_SSE2)
    ->Name("scene1_rotated_add/zovav_sse2")->Unit(benchmark::kMicrosecond);
BENCHMARK(Pixman1)->Name("scene1_rotated_add/pixman")->Unit(benchmark::kMicrosecond);
BENCHMARK(Sdl1)->Name("scene1_rotated_add/sdl2")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours2, best, -1)->Name("scene2_alpha_96/zovav")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours2, sse2, softrender::ISA_SSE2)
    ->Name("scene2_alpha_96/zovav_sse2")->Unit(benchmark::kMicrosecond);
BENCHMARK(Pixman2)->Name("scene2_alpha_96/pixman")->Unit(benchmark::kMicrosecond);
BENCHMARK(Sdl2)->Name("scene2_alpha_96/sdl2")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours3, best, -1)->Name("scene3_copy_boxes/zovav")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours3, sse2, softrender::ISA_SSE2)
    ->Name("scene3_copy_boxes/zovav_sse2")->Unit(benchmark::kMicrosecond);
BENCHMARK(Pixman3)->Name("scene3_copy_boxes/pixman")->Unit(benchmark::kMicrosecond);
BENCHMARK(Sdl3)->Name("scene3_copy_boxes/sdl2")->Unit(benchmark::kMicrosecond);
BENCHMARK(Memcpy3)->Name("scene3_copy_boxes/memcpy")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours4, best, -1)->Name("scene4_stretch_48/zovav")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Ours4, sse2, softrender::ISA_SSE2)
    ->Name("scene4_stretch_48/zovav_sse2")->Unit(benchmark::kMicrosecond);
BENCHMARK(Pixman4)->Name("scene4_stretch_48/pixman")->Unit(benchmark::kMicrosecond);
BENCHMARK(Sdl4)->Name("scene4_stretch_48/sdl2")->Unit(benchmark::kMicrosecond);
