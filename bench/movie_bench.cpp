// Movie frame costs at the screen's size: decoding the due frame and scaling
// it into the screen's pixel format (lossless FFV1 and lossy MPEG-4, 32 and 16
// bits), and the copy of a converted frame into a movie graph's pixels.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/image/color_data.h"
#include "graphics/image/graph_image.h"
#include "graphics/memimg/memimg_graphics.h"
#include "library/movie/memory_source.h"
#include "library/movie/movie_writer.h"
#include "platform/movie_ffmpeg.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kFrames = 30;
int64_t g_nowUs = 0;
int64_t BenchClock() { return g_nowUs; }

// The movie's bytes, written once per kind.
const std::string& MovieBytes(bool lossy) {
    static std::string bytes[2];
    std::string& b = bytes[lossy ? 1 : 0];
    if (b.empty()) {
        moviefix::MovieSpec spec;
        spec.width = kWidth;
        spec.height = kHeight;
        spec.frames = kFrames;
        spec.fps = 30;
        if (lossy) {
            spec.container = "avi";
            spec.codec = "mpeg4";
            spec.pixels = AV_PIX_FMT_YUV420P;
        }
        const std::string path = lossy ? "/tmp/zv_movie_bench.avi" : "/tmp/zv_movie_bench.mkv";
        if (moviefix::WriteMovie(path, spec)) {
            FILE* f = std::fopen(path.c_str(), "rb");
            char chunk[65536];
            size_t n;
            while (f && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) b.append(chunk, n);
            if (f) std::fclose(f);
        }
        std::remove(path.c_str());
    }
    return b;
}

// One frame time per iteration: each update decodes and converts one frame.
void BM_MovieFrame(benchmark::State& state) {
    const bool lossy = state.range(0) != 0;
    const MoviePixelFormat format = MoviePixelFormat(state.range(1));
    MovieSetClock(BenchClock);
    const MovieByteSource source = moviefix::MemorySource(MovieBytes(lossy));
    MovieStream* stream = nullptr;
    if (MovieStreamOpen(&source, &stream) != MOVIE_OPENED) {
        state.SkipWithError("the movie does not open");
        return;
    }
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
    MovieStreamRun(stream);
    for (auto _ : state) {
        g_nowUs += 33334;
        if (MovieStreamUpdate(stream, format, pixels.data(), kWidth * 4) == MOVIE_FRAME_END) {
            state.PauseTiming();
            MovieStreamSeekMs(stream, 0);
            MovieStreamRun(stream);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(pixels.data());
    }
    MovieStreamClose(stream);
    MovieSetClock(nullptr);
    state.SetLabel(std::string(lossy ? "mpeg4" : "ffv1") + (format == MOVIE_PIXELS_R5G6B5 ? " 16-bit" : " 32-bit"));
}
BENCHMARK(BM_MovieFrame)->Args({0, MOVIE_PIXELS_X8R8G8B8})->Args({1, MOVIE_PIXELS_X8R8G8B8})
    ->Args({1, MOVIE_PIXELS_R5G6B5})->Unit(benchmark::kMillisecond);

// The converted frame into the graph's MEMIMG, as every new frame is.
void BM_MovieFrameIntoGraph(benchmark::State& state) {
    GraphImage frame{};
    CreateColorDataImpl(&frame.ColorInfo, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    frame.Width = kWidth;
    frame.Height = kHeight;
    frame.Pitch = kWidth * 4;
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight, 0x336699);
    frame.Pixels = pixels.data();
    MEMIMG graph{};
    InitializeMemImg(&graph, kWidth, kHeight, -1, 0, MEMIMG_FORMAT_X8R8G8B8, 0, 0, 1);
    for (auto _ : state) BltGraphImageToMemImg(&frame, nullptr, &graph, 0, 0, kWidth, kHeight, 0, 0, 0);
    TerminateMemImg(&graph);
}
BENCHMARK(BM_MovieFrameIntoGraph)->Unit(benchmark::kMillisecond);

}  // namespace
