// PNG loading as a game does it: LoadGraph in a started library on the software road
// (the graph deleted after each load), against bare libpng decoding the same file to
// RGBA in the same run. Opaque and alpha pictures at 128, 512 and 2048 pixels square,
// smooth (soft-rimmed) and checkerboard (hard-edged, squeezing to a few hundred bytes,
// so that what a load costs beside the decoding shows). On a shared machine run with
// repetitions and compare medians of the same run.
#include <benchmark/benchmark.h>
#include <png.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "../tests/library/graphics/image_fixtures.h"
#include "graphics/graph_create_settings.h"
#include "started_library.h"
#include "zovav.h"

namespace {

constexpr int kSizes[] = {128, 512, 2048};
enum Kind { OPAQUE, ALPHA };
enum Content { SMOOTH, CHECKER };
constexpr int kCheckerCell = 8;

std::string FileName(int size, int kind, int content) {
    return std::string(kind == ALPHA ? "alpha" : "opaque") + (content == CHECKER ? "_checker" : "") +
           std::to_string(size) + ".png";
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

// Cells of two colours, the second half covered: alpha in every class (solid, partial, and
// clear where the alpha kind drops its colour).
std::vector<uint32_t> MakeChecker(int size) {
    std::vector<uint32_t> px(size_t(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            px[size_t(y) * size + x] = ((x / kCheckerCell + y / kCheckerCell) & 1) ? 0x80204080u : 0xFFE0C020u;
    return px;
}

void WritePictures() {
    for (int size : kSizes) {
        const std::vector<uint32_t> smooth = MakePicture(size, uint32_t(size));
        const std::vector<uint32_t> checker = MakeChecker(size);
        for (int kind : {OPAQUE, ALPHA}) {
            imgfix::WriteFile(FileName(size, kind, SMOOTH), imgfix::MakeRgbPng(size, size, smooth, kind == ALPHA));
            imgfix::WriteFile(FileName(size, kind, CHECKER), imgfix::MakeRgbPng(size, size, checker, kind == ALPHA));
        }
    }
}

// Page faults taken by the process so far: per load, the figure a busy machine does not move.
long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

void CountFaults(benchmark::State& st, long before) {
    st.counters["faults_per_load"] =
        benchmark::Counter(double(MinorFaults() - before), benchmark::Counter::kAvgIterations);
}

StartedLibrary& TheLibrary() {
    static StartedLibrary lib(WritePictures);
    return lib;
}

bool OneLoadGraph(const std::string& name) {
    const int graph = LoadGraph(name.c_str());
    DeleteGraph(graph);
    return graph >= 0;
}

// libpng's simplified reader straight to RGBA, the buffer kept between loads.
bool OneBareLoad(const std::string& name, std::vector<unsigned char>& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, name.c_str())) return false;
    image.format = PNG_FORMAT_RGBA;
    out.resize(PNG_IMAGE_SIZE(image));
    const bool done = png_image_finish_read(&image, nullptr, out.data(), 0, nullptr) != 0;
    benchmark::DoNotOptimize(out.data());
    return done;
}

// depth: the graphs' colour depth, 0 for the screen's (32 bits in a window; a full-screen game
// gets 16-bit graphs, whose pixels the decoder cannot write straight).
void OursLoad(benchmark::State& st, int kind, int content, int depth) {
    if (!TheLibrary().ok()) return st.SkipWithError("library did not start");
    const std::string name = FileName(int(st.range(0)), kind, content);
    SetGraphColorBitDepth(depth);
    const long faults = MinorFaults();
    for (auto _ : st)
        if (!OneLoadGraph(name)) return st.SkipWithError("LoadGraph failed");
    CountFaults(st, faults);
    SetGraphColorBitDepth(0);
}

void BareLoad(benchmark::State& st, int kind, int content) {
    if (!TheLibrary().ok()) return st.SkipWithError("library did not start");
    const std::string name = FileName(int(st.range(0)), kind, content);
    std::vector<unsigned char> out;
    const long faults = MinorFaults();
    for (auto _ : st)
        if (!OneBareLoad(name, out)) return st.SkipWithError("libpng failed");
    CountFaults(st, faults);
}

// The two loads in turns (which goes first alternating), so that both meet the same load on a
// shared machine: the medians of the per-turn ratio and of the time LoadGraph takes beyond.
void Paired(benchmark::State& st, int kind, int content, int depth) {
    if (!TheLibrary().ok()) return st.SkipWithError("library did not start");
    using Clock = std::chrono::steady_clock;
    const std::string name = FileName(int(st.range(0)), kind, content);
    SetGraphColorBitDepth(depth);
    std::vector<unsigned char> out;
    std::vector<double> ratios, extra;
    const auto timed = [](auto&& load) {
        const auto t = Clock::now();
        const bool ok = load();
        return ok ? std::chrono::duration<double, std::micro>(Clock::now() - t).count() : -1.0;
    };
    for (auto _ : st) {
        const bool oursFirst = ratios.size() % 2 == 0;
        double ours = oursFirst ? timed([&] { return OneLoadGraph(name); }) : 0;
        const double bare = timed([&] { return OneBareLoad(name, out); });
        if (!oursFirst) ours = timed([&] { return OneLoadGraph(name); });
        if (ours < 0 || bare < 0) return st.SkipWithError("a load failed");
        ratios.push_back(ours / bare);
        extra.push_back(ours - bare);
    }
    SetGraphColorBitDepth(0);
    const auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    st.counters["zovav_per_libpng"] = median(ratios);
    st.counters["extra_us"] = median(extra);
}

void Sizes(benchmark::internal::Benchmark* b) {
    for (int size : kSizes) b->Arg(size);
    b->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK_CAPTURE(OursLoad, opaque, OPAQUE, SMOOTH, 0)->Name("png_load_opaque/zovav")->Apply(Sizes);
BENCHMARK_CAPTURE(BareLoad, opaque, OPAQUE, SMOOTH)->Name("png_load_opaque/libpng")->Apply(Sizes);
BENCHMARK_CAPTURE(OursLoad, alpha, ALPHA, SMOOTH, 0)->Name("png_load_alpha/zovav")->Apply(Sizes);
BENCHMARK_CAPTURE(BareLoad, alpha, ALPHA, SMOOTH)->Name("png_load_alpha/libpng")->Apply(Sizes);
BENCHMARK_CAPTURE(OursLoad, opaque_checker, OPAQUE, CHECKER, 0)->Name("png_load_opaque_checker/zovav")->Apply(Sizes);
BENCHMARK_CAPTURE(BareLoad, opaque_checker, OPAQUE, CHECKER)->Name("png_load_opaque_checker/libpng")->Apply(Sizes);
BENCHMARK_CAPTURE(OursLoad, alpha_checker, ALPHA, CHECKER, 0)->Name("png_load_alpha_checker/zovav")->Apply(Sizes);
BENCHMARK_CAPTURE(BareLoad, alpha_checker, ALPHA, CHECKER)->Name("png_load_alpha_checker/libpng")->Apply(Sizes);
BENCHMARK_CAPTURE(OursLoad, opaque16, OPAQUE, SMOOTH, 16)->Name("png_load_opaque/zovav_16bit")->Apply(Sizes);
BENCHMARK_CAPTURE(OursLoad, alpha16, ALPHA, SMOOTH, 16)->Name("png_load_alpha/zovav_16bit")->Apply(Sizes);
BENCHMARK_CAPTURE(OursLoad, alpha_checker16, ALPHA, CHECKER, 16)
    ->Name("png_load_alpha_checker/zovav_16bit")
    ->Apply(Sizes);
BENCHMARK_CAPTURE(Paired, opaque, OPAQUE, SMOOTH, 0)->Name("png_load_opaque/paired")->Apply(Sizes);
BENCHMARK_CAPTURE(Paired, alpha, ALPHA, SMOOTH, 0)->Name("png_load_alpha/paired")->Apply(Sizes);
BENCHMARK_CAPTURE(Paired, opaque_checker, OPAQUE, CHECKER, 0)->Name("png_load_opaque_checker/paired")->Apply(Sizes);
BENCHMARK_CAPTURE(Paired, alpha_checker, ALPHA, CHECKER, 0)->Name("png_load_alpha_checker/paired")->Apply(Sizes);
BENCHMARK_CAPTURE(Paired, alpha_checker16, ALPHA, CHECKER, 16)
    ->Name("png_load_alpha_checker/paired_16bit")
    ->Apply(Sizes);
