// PNG loading as a game does it: LoadGraph in a started library on the software road
// (the graph deleted after each load), against bare libpng decoding the same file to
// RGBA in the same run. Opaque and alpha pictures at 128, 512 and 2048 pixels square.
// On a shared machine run with repetitions and compare medians of the same run.
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "../tests/library/graphics/image_fixtures.h"
#include "started_library.h"
#include "zovav.h"

namespace {

constexpr int kSizes[] = {128, 512, 2048};
enum Kind { OPAQUE, ALPHA };

std::string FileName(int size, int kind) {
    return std::string(kind == ALPHA ? "alpha" : "opaque") + std::to_string(size) + ".png";
}

// Game-like content: smooth gradients with a little noise, and for the alpha kind an
// alpha that sweeps from clear through partly covered to solid.
std::vector<uint32_t> MakePicture(int size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> px(size_t(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const uint32_t noise = rng() & 7;
            const uint32_t r = (uint32_t(x) * 255 / uint32_t(size)) ^ noise;
            const uint32_t g = uint32_t(y) * 255 / uint32_t(size);
            const uint32_t b = uint32_t(x + y) & 0xFF;
            const uint32_t a = (uint32_t(x) * 3 + uint32_t(y)) & 0x1FF;
            px[size_t(y) * size + x] = std::min(a, 255u) << 24 | r << 16 | g << 8 | b;
        }
    return px;
}

void WritePictures() {
    for (int size : kSizes) {
        const std::vector<uint32_t> px = MakePicture(size, uint32_t(size));
        imgfix::WriteFile(FileName(size, OPAQUE), imgfix::MakeRgbPng(size, size, px, false));
        imgfix::WriteFile(FileName(size, ALPHA), imgfix::MakeRgbPng(size, size, px, true));
    }
}

StartedLibrary& TheLibrary() {
    static StartedLibrary lib(WritePictures);
    return lib;
}

void OursLoad(benchmark::State& st, int kind) {
    if (!TheLibrary().ok()) return st.SkipWithError("library did not start");
    const std::string name = FileName(int(st.range(0)), kind);
    for (auto _ : st) {
        const int graph = LoadGraph(name.c_str());
        if (graph < 0) return st.SkipWithError("LoadGraph failed");
        DeleteGraph(graph);
    }
}

// libpng's simplified reader straight to RGBA, buffer kept between loads.
void BareLoad(benchmark::State& st, int kind) {
    if (!TheLibrary().ok()) return st.SkipWithError("library did not start");
    const std::string name = FileName(int(st.range(0)), kind);
    std::vector<unsigned char> out;
    for (auto _ : st) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, name.c_str())) return st.SkipWithError("libpng failed");
        image.format = PNG_FORMAT_RGBA;
        out.resize(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
        benchmark::DoNotOptimize(out.data());
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int size : kSizes) b->Arg(size);
    b->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK_CAPTURE(OursLoad, opaque, OPAQUE)->Name("png_load_opaque/zovav")->Apply(Sizes);
BENCHMARK_CAPTURE(BareLoad, opaque, OPAQUE)->Name("png_load_opaque/libpng")->Apply(Sizes);
BENCHMARK_CAPTURE(OursLoad, alpha, ALPHA)->Name("png_load_alpha/zovav")->Apply(Sizes);
BENCHMARK_CAPTURE(BareLoad, alpha, ALPHA)->Name("png_load_alpha/libpng")->Apply(Sizes);
