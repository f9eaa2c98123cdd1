// Movie frame costs at the screen's size: decoding the due frame and scaling
// it into the screen's pixel format (lossless FFV1 and lossy MPEG-4, 32 and 16
// bits), and the copy of a converted frame into a movie graph's pixels; a
// paused seek far from a key frame beside FFmpeg decoding from that key frame.
#include <benchmark/benchmark.h>

#include <cmath>
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

std::string FileBytes(const std::string& path) {
    std::string b;
    FILE* f = std::fopen(path.c_str(), "rb");
    char chunk[65536];
    size_t n;
    while (f && (n = std::fread(chunk, 1, sizeof chunk, f)) > 0) b.append(chunk, n);
    if (f) std::fclose(f);
    return b;
}

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
        if (moviefix::WriteMovie(path, spec)) b = FileBytes(path);
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

// ---- a paused seek far from a key frame -------------------------------------

// A picture that pans smoothly (no scene cut adds a key frame).
uint32_t Panning(int i, int x, int y) {
    const int u = x + 2 * i, v = y + i;
    const uint32_t r = uint32_t(128 + 100 * std::sin(u / 20.0)), g = uint32_t(128 + 100 * std::cos(v / 15.0));
    const uint32_t b = ((u / 8) ^ (v / 8)) & 1 ? 200 : 60;
    return r << 16 | g << 8 | b;
}

// 20 s of 640x480 H.264 at 1 Mbit/s in a transport stream, a key frame at 0
// and 10 s; the seek goes to 17.5 s, 225 frames past the second one. FFmpeg
// on its own opens the file by name, the movie source reads its bytes.
constexpr int kGapFps = 30, kGapKeyFrames = 300, kGapSeekMs = 17500;
struct GapMovie {
    std::string path = "/tmp/zv_movie_bench_gap.ts", bytes;
    GapMovie() {
        moviefix::MovieSpec spec;
        spec.container = "mpegts";
        spec.codec = "libx264";
        spec.pixels = AV_PIX_FMT_YUV420P;
        spec.width = kWidth;
        spec.height = kHeight;
        spec.fps = kGapFps;
        spec.frames = 2 * kGapKeyFrames;
        spec.keyInterval = kGapKeyFrames;
        spec.bitRate = 1000000;
        spec.picture = Panning;
        if (moviefix::WriteMovie(path, spec)) bytes = FileBytes(path);
    }
    ~GapMovie() { std::remove(path.c_str()); }
};
const GapMovie& Gap() {
    static const GapMovie gap;
    return gap;
}

// A seek while paused and the update that shows its frame, on a movie just
// opened (a seek learns the key frames it meets, so each one starts afresh).
void BM_MoviePausedSeekOnLongKeyGap(benchmark::State& state) {
    MovieSetClock(BenchClock);
    std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
    for (auto _ : state) {
        state.PauseTiming();
        const MovieByteSource source = moviefix::MemorySource(Gap().bytes);
        MovieStream* stream = nullptr;
        const bool opened = MovieStreamOpen(&source, &stream) == MOVIE_OPENED;
        state.ResumeTiming();
        if (!opened) {
            state.SkipWithError("the movie does not open");
            break;
        }
        if (MovieStreamSeekMs(stream, kGapSeekMs) != 0 ||
            MovieStreamUpdate(stream, MOVIE_PIXELS_X8R8G8B8, pixels.data(), kWidth * 4) != MOVIE_FRAME_NEW)
            state.SkipWithError("the seek shows no frame");
        benchmark::DoNotOptimize(pixels.data());
        state.PauseTiming();
        MovieStreamClose(stream);
        state.ResumeTiming();
    }
    MovieSetClock(nullptr);
}
BENCHMARK(BM_MoviePausedSeekOnLongKeyGap)->Unit(benchmark::kMillisecond);

// FFmpeg on its own, told where the key frame is: a seek back to it and
// decoding up to the frame of the same time (no conversion).
void BM_FfmpegSeekToKeyFrameAndDecode(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        AVFormatContext* format = nullptr;
        const AVCodec* codec = nullptr;
        AVCodecContext* decoder = nullptr;
        int track = -1;
        if (avformat_open_input(&format, Gap().path.c_str(), nullptr, nullptr) == 0 &&
            avformat_find_stream_info(format, nullptr) >= 0)
            track = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
        if (track >= 0) {
            decoder = avcodec_alloc_context3(codec);
            decoder->thread_count = 1;
            avcodec_parameters_to_context(decoder, format->streams[track]->codecpar);
            avcodec_open2(decoder, codec, nullptr);
        }
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        state.ResumeTiming();
        if (track < 0) {
            state.SkipWithError("the movie does not open");
            break;
        }
        // The key frame's decoding time lies two frames before it shows.
        const AVStream* st = format->streams[track];
        const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
        const auto ts = [&](int64_t ms) { return start + av_rescale_q(ms, AVRational{1, 1000}, st->time_base); };
        const int64_t target = ts(kGapSeekMs) - av_rescale_q(1, AVRational{1, 2 * kGapFps}, st->time_base);
        av_seek_frame(format, track, ts(kGapKeyFrames * 1000 / kGapFps - 2 * 1000 / kGapFps), AVSEEK_FLAG_BACKWARD);
        bool reached = false;
        while (!reached && av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == track) avcodec_send_packet(decoder, packet);
            av_packet_unref(packet);
            while (!reached && avcodec_receive_frame(decoder, frame) == 0)
                reached = frame->best_effort_timestamp >= target;
        }
        if (!reached) state.SkipWithError("no frame of the time");
        state.PauseTiming();
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&decoder);
        avformat_close_input(&format);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FfmpegSeekToKeyFrameAndDecode)->Unit(benchmark::kMillisecond);

}  // namespace
