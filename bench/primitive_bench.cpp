// The primitive rasteriser filling a 640x480 screen with triangles, textured
// and vertex-coloured, beside its own per-pixel reference and beside SDL2's
// software renderer drawing the same geometry with SDL_RenderGeometry.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "graphics/memimg/memimg_graphics.h"
#include "softrender/draw_state.h"
#include "softrender/primitive/primitive.h"

namespace {

constexpr int kW = 640, kH = 480, kCell = 32, kTex = 64;
constexpr double kPixels = double(kW) * kH;

// The screen as a grid of 32x32 cells, two triangles each, the texture
// stretched over every cell; vertex colours vary over the screen.
struct Grid {
    std::vector<PrimitiveVertex> tris;  // three per triangle
    Grid() {
        for (int y = 0; y < kH; y += kCell)
            for (int x = 0; x < kW; x += kCell) {
                auto v = [&](int px, int py, float u, float vv) {
                    PrimitiveVertex p{};
                    p.x = float(px);
                    p.y = float(py);
                    p.rhw = 1;
                    p.b = uint8_t(px * 255 / kW);
                    p.g = uint8_t(py * 255 / kH);
                    p.r = 200;
                    p.a = 160;
                    p.u = u;
                    p.v = vv;
                    return p;
                };
                const PrimitiveVertex a = v(x, y, 0, 0), b = v(x + kCell, y, 1, 0), c = v(x, y + kCell, 0, 1),
                                      d = v(x + kCell, y + kCell, 1, 1);
                tris.insert(tris.end(), {a, b, c, b, d, c});
            }
    }
};

enum Kind { TEXTURED_COPY, TEXTURED_ALPHA, VERTEX_COLOUR_ALPHA };

struct PrimScene {
    MEMIMG dest{}, tex{};
    Grid grid;
    PrimScene(int format) {
        InitializeMemImgDrawState();
        SetMemImgDrawArea(0, 0, kW, kH);
        InitializeMemImg(&dest, kW, kH, -1, 0, format, 0, 0, 0);
        InitializeMemImg(&tex, kTex, kTex, -1, 0, format, 0, 0, 0);
        std::mt19937 rng(7);
        for (int i = 0; i < tex.Pitch * kTex; ++i) tex.Pixels[i] = uint8_t(rng());
        std::memset(dest.Pixels, 0x40, size_t(dest.Pitch) * kH);
    }
    ~PrimScene() {
        TerminateMemImg(&dest);
        TerminateMemImg(&tex);
    }
};

template <bool Reference>
void PrimFill(benchmark::State& state, Kind kind, int format) {
    PrimScene s(format);
    MemImgDrawStateData.BlendMode = kind == TEXTURED_COPY ? 0 : 1;
    MemImgDrawStateData.BlendParam = 160;
    auto draw = Reference ? MemImgDrawPrimitiveReference : MemImgDrawPrimitiveBase;
    MEMIMG* tex = kind == VERTEX_COLOUR_ALPHA ? nullptr : &s.tex;
    const int vertexColour = kind == VERTEX_COLOUR_ALPHA ? 1 : 0;
    for (auto _ : state) {
        for (size_t i = 0; i < s.grid.tris.size(); i += 3)
            draw(&s.dest, nullptr, tex, &s.grid.tris[i], 0, nullptr, 0, 0, vertexColour, 0);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] = benchmark::Counter(kPixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void PrimFast(benchmark::State& state, Kind kind, int format) { PrimFill<false>(state, kind, format); }
void PrimReference(benchmark::State& state, Kind kind, int format) { PrimFill<true>(state, kind, format); }

void SdlFill(benchmark::State& state, Kind kind, Uint32 format) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, SDL_BITSPERPIXEL(format), format);
    SDL_Renderer* renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
    if (!renderer) {
        state.SkipWithError(SDL_GetError());
        if (surface) SDL_FreeSurface(surface);
        return;
    }
    SDL_Surface* texSurface = SDL_CreateRGBSurfaceWithFormat(0, kTex, kTex, SDL_BITSPERPIXEL(format), format);
    std::mt19937 rng(7);
    for (int i = 0; i < texSurface->pitch * kTex; ++i) static_cast<Uint8*>(texSurface->pixels)[i] = Uint8(rng());
    SDL_Texture* tex = SDL_CreateTextureFromSurface(renderer, texSurface);
    SDL_SetTextureBlendMode(tex, kind == TEXTURED_COPY ? SDL_BLENDMODE_NONE : SDL_BLENDMODE_BLEND);
    SDL_SetTextureAlphaMod(tex, 160);

    Grid grid;
    std::vector<SDL_Vertex> verts;
    for (const PrimitiveVertex& p : grid.tris) {
        SDL_Vertex v;
        v.position = {p.x, p.y};
        v.color = kind == VERTEX_COLOUR_ALPHA ? SDL_Color{p.r, p.g, p.b, p.a} : SDL_Color{255, 255, 255, 255};
        v.tex_coord = {p.u, p.v};
        verts.push_back(v);
    }
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    SDL_Texture* use = kind == VERTEX_COLOUR_ALPHA ? nullptr : tex;
    for (auto _ : state) {
        SDL_RenderGeometry(renderer, use, verts.data(), int(verts.size()), nullptr, 0);
        SDL_RenderFlush(renderer);
        benchmark::ClobberMemory();
    }
    state.counters["Mpixels/s"] = benchmark::Counter(kPixels / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    SDL_DestroyTexture(tex);
    SDL_FreeSurface(texSurface);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(surface);
}

}  // namespace

BENCHMARK_CAPTURE(PrimFast, textured_copy_32, TEXTURED_COPY, MEMIMG_FORMAT_X8R8G8B8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PrimReference, textured_copy_32_reference, TEXTURED_COPY, MEMIMG_FORMAT_X8R8G8B8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SdlFill, textured_copy_32_sdl, TEXTURED_COPY, SDL_PIXELFORMAT_ARGB8888)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(PrimFast, textured_alpha_32, TEXTURED_ALPHA, MEMIMG_FORMAT_X8R8G8B8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PrimReference, textured_alpha_32_reference, TEXTURED_ALPHA, MEMIMG_FORMAT_X8R8G8B8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SdlFill, textured_alpha_32_sdl, TEXTURED_ALPHA, SDL_PIXELFORMAT_ARGB8888)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(PrimFast, vertex_colour_alpha_32, VERTEX_COLOUR_ALPHA, MEMIMG_FORMAT_X8R8G8B8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PrimReference, vertex_colour_alpha_32_reference, VERTEX_COLOUR_ALPHA, MEMIMG_FORMAT_X8R8G8B8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SdlFill, vertex_colour_alpha_32_sdl, VERTEX_COLOUR_ALPHA, SDL_PIXELFORMAT_ARGB8888)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(PrimFast, textured_copy_16, TEXTURED_COPY, MEMIMG_FORMAT_R5G6B5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PrimReference, textured_copy_16_reference, TEXTURED_COPY, MEMIMG_FORMAT_R5G6B5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SdlFill, textured_copy_16_sdl, TEXTURED_COPY, SDL_PIXELFORMAT_RGB565)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(PrimFast, vertex_colour_alpha_16, VERTEX_COLOUR_ALPHA, MEMIMG_FORMAT_R5G6B5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PrimReference, vertex_colour_alpha_16_reference, VERTEX_COLOUR_ALPHA, MEMIMG_FORMAT_R5G6B5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(SdlFill, vertex_colour_alpha_16_sdl, VERTEX_COLOUR_ALPHA, SDL_PIXELFORMAT_RGB565)->Unit(benchmark::kMillisecond);
