// Image loading speed: the same PNG and JPEG files decoded through LoadGraph
// (loader chain, graph and surface transfer included), through the loader
// chain alone, and by a plain libpng/libjpeg read loop, side by side.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../tests/library/graphics/image_fixtures.h"
#include "core/file/file_access.h"
#include "core/library_state.h"
#include "core/log.h"
#include "graphics/graphics_core.h"
#include "zovav.h"

namespace {

struct BenchFiles {
    std::string dir;
    bool madeDir = false;
    std::vector<std::string> png, jpeg;

    BenchFiles() {
        char pattern[] = "/tmp/zvbench.XXXXXX";
        madeDir = mkdtemp(pattern) != nullptr;
        dir = madeDir ? pattern : "/tmp";
        // Game-like content: smooth gradients with a little texture.
        const int sizes[][2] = {{256, 256}, {640, 480}, {64, 64}, {512, 128}};
        int n = 0;
        for (auto& s : sizes) {
            const int w = s[0], h = s[1];
            std::vector<uint32_t> px;
            imgfix::Bytes rgb;
            uint32_t seed = 12345u + uint32_t(n);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    seed = seed * 1664525u + 1013904223u;
                    const uint32_t noise = (seed >> 28) & 7;
                    const uint32_t r = uint32_t(x * 255 / w) ^ noise, g = uint32_t(y * 255 / h), b = (uint32_t(x + y) & 0xFF);
                    const uint32_t a = (x * y) & 0xFF;
                    px.push_back(a << 24 | r << 16 | g << 8 | b);
                    rgb.insert(rgb.end(), {uint8_t(r), uint8_t(g), uint8_t(b)});
                }
            const std::string base = dir + "/img" + std::to_string(n);
            imgfix::WriteFile(base + ".png", imgfix::MakeRgbPng(w, h, px, n % 2 == 0));
            imgfix::WriteFile(base + ".jpg", imgfix::MakeJpeg(w, h, 3, rgb, 90));
            png.push_back(base + ".png");
            jpeg.push_back(base + ".jpg");
            ++n;
        }
        g_Library.persistent.startupDir = dir;
        g_Library.persistent.startupDirOnDisk = dir;
        g_Library.persistent.windowMode = 1;
        LogFileInitialize();
        InitializeZVArchiveManager();
        SetFileAccessFunctions(nullptr);
        InitializeDisplay();
    }
    // The files and the log go with the run; /tmp itself is never removed.
    ~BenchFiles() {
        std::error_code ec;
        if (madeDir) std::filesystem::remove_all(dir, ec);
    }
};

BenchFiles& Files() {
    static BenchFiles files;
    return files;
}

// libpng's simplified reader into BGR or BGRA, as a game would use it.
void PlainPng(const std::string& path, std::vector<unsigned char>& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return;
    image.format = (image.format & PNG_FORMAT_FLAG_ALPHA) ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    out.resize(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, out.data(), 0, nullptr);
}

void PlainJpeg(const std::string& path, std::vector<unsigned char>& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, f);
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&c);
    const size_t stride = size_t(c.output_width) * c.output_components;
    out.resize(stride * c.output_height);
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = out.data() + stride * c.output_scanline;
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    std::fclose(f);
}

void BM_PNG_LoadGraph(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& f : Files().png) DeleteGraph(LoadGraph(f.c_str()));
}
void BM_PNG_LoaderChain(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& f : Files().png) {
            GraphImage image, alpha;
            if (LoadGraphImageFile(f.c_str(), nullptr, 0, 0, nullptr, 0, 2, &image, &alpha, 0) >= 0)
                ReleaseGraphImage(&image);
        }
}
void BM_PNG_PlainLibpng(benchmark::State& state) {
    std::vector<unsigned char> out;
    for (auto _ : state)
        for (const auto& f : Files().png) {
            PlainPng(f, out);
            benchmark::DoNotOptimize(out.data());
        }
}
void BM_JPEG_LoadGraph(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& f : Files().jpeg) DeleteGraph(LoadGraph(f.c_str()));
}
void BM_JPEG_LoaderChain(benchmark::State& state) {
    for (auto _ : state)
        for (const auto& f : Files().jpeg) {
            GraphImage image, alpha;
            if (LoadGraphImageFile(f.c_str(), nullptr, 0, 0, nullptr, 0, 2, &image, &alpha, 0) >= 0)
                ReleaseGraphImage(&image);
        }
}
void BM_JPEG_PlainLibjpeg(benchmark::State& state) {
    std::vector<unsigned char> out;
    for (auto _ : state)
        for (const auto& f : Files().jpeg) {
            PlainJpeg(f, out);
            benchmark::DoNotOptimize(out.data());
        }
}

// LoadGraph and the bare library loop over the same files in turns (the first
// of the pair alternating), so both see the same load on a shared machine; the
// counter is the median of the per-turn ratios.
template <class Plain>
void SideBySide(benchmark::State& state, const std::vector<std::string>& files, Plain plain) {
    using Clock = std::chrono::steady_clock;
    std::vector<unsigned char> out;
    std::vector<double> ratios;
    auto bare = [&] {
        const auto t = Clock::now();
        for (const auto& f : files) {
            plain(f, out);
            benchmark::DoNotOptimize(out.data());
        }
        return std::chrono::duration<double>(Clock::now() - t).count();
    };
    auto graphs = [&] {
        const auto t = Clock::now();
        for (const auto& f : files) DeleteGraph(LoadGraph(f.c_str()));
        return std::chrono::duration<double>(Clock::now() - t).count();
    };
    for (auto _ : state) {
        double b, g;
        if (ratios.size() % 2 == 0) {
            b = bare();
            g = graphs();
        } else {
            g = graphs();
            b = bare();
        }
        ratios.push_back(g / b);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["LoadGraph_per_bare"] = ratios[ratios.size() / 2];
}
void BM_PNG_SideBySide(benchmark::State& state) { SideBySide(state, Files().png, PlainPng); }
void BM_JPEG_SideBySide(benchmark::State& state) { SideBySide(state, Files().jpeg, PlainJpeg); }

}  // namespace

BENCHMARK(BM_PNG_LoadGraph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PNG_LoaderChain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PNG_PlainLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEG_LoadGraph)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEG_LoaderChain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEG_PlainLibjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PNG_SideBySide)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JPEG_SideBySide)->Unit(benchmark::kMillisecond);
