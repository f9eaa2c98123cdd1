// Movie graphs through the library: LoadGraph of a movie file, the frame that
// is due drawn on every screen kind, play, pause, tell, seek and the end, the
// repeat guard between draws, handles and refusals with their log lines,
// archived movies, the window's deactivation and a display change; the sound
// track heard from the mixer held by the test and from SDL's disk output.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "core/lock.h"
#include "core/window.h"
#include "graphics/graph_handle.h"
#include "graphics/image/graph_image.h"
#include "graphics/movie/movie.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"
#include "library/graphics/screens/screens_fixture.h"
#include "movie_writer.h"
#include "platform/audio_sdl.h"
#include "platform/movie_ffmpeg.h"
#include "sound/sound_handle.h"
#include "sound/sound_play.h"
#include "tone_check.h"

namespace {

namespace fs = std::filesystem;
using screenfix::SOFTWARE_SCREENS;
using screenfix::SURFACE_SCREENS;

int64_t g_nowUs = 0;
int64_t FakeClock() { return g_nowUs; }

// The graph's pixels as 0x00RRGGBB, channels widened to 8 bits.
std::vector<uint32_t> GraphPixels(int handle) {
    const GraphData* g = GetGraphData(handle);
    if (g == nullptr) return {};
    const SurfaceData* d = GetSurfaceData(GetSurface2D(g->SurfaceHandle)->SurfaceDataHandle);
    GraphImage view{};
    view.ColorInfo = *d->MemImg.ColorFormat;
    view.Width = d->MemImg.Width;
    view.Height = d->MemImg.Height;
    view.Pitch = d->MemImg.Pitch;
    view.Pixels = d->MemImg.Pixels;
    std::vector<uint32_t> out;
    for (int y = 0; y < g->Height; ++y)
        for (int x = 0; x < g->Width; ++x) out.push_back(GetGraphImagePixel(&view, x, y) & 0xFFFFFF);
    return out;
}

// The window procedure as the message loop runs it: under the library lock,
// which the message thread takes too.
intptr_t Deliver(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return WithLibraryLock([=] { return WndProc(message, wParam, lParam); });
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
    for (int shift : {16, 8, 0})
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance) return false;
    return true;
}

// The frame a 64 x 48 graph shows, or -1 when it shows no frame within the
// per-channel tolerance (0: exactly).
int ShownFrame(int handle, int tolerance = 0) {
    const std::vector<uint32_t> px = GraphPixels(handle);
    if (px.size() != 64 * 48) return -1;
    const int i = int(px[64 + 1] >> 16 & 0xFF) / 8;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            if (!Near(px[size_t(y * 64 + x)], moviefix::FramePixel(i, x, y), tolerance)) return -1;
    return i;
}

class MovieGraphs : public screenfix::ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        g_nowUs = 5000000;
        MovieSetClock(FakeClock);
        ASSERT_TRUE(moviefix::WriteMovie("m.mkv", moviefix::MovieSpec{}));
    }
    void TearDown() override {
        ScreenTest::TearDown();
        MovieSetClock(nullptr);
    }
    // A movie graph that starts playing now.
    int Play(const char* name = "m.mkv") {
        const int g = LoadGraph(name);
        EXPECT_GE(g, 0) << Log();
        EXPECT_EQ(PlayMovieToGraph(g), 0);
        start_ = g_nowUs;
        return g;
    }
    void At(int ms) { g_nowUs = start_ + int64_t(ms) * 1000; }

    int64_t start_ = 0;
};

TEST_F(MovieGraphs, TheDueFrameIsDrawnOnEveryScreenKind) {
    struct Kind {
        screenfix::ScreenKind kind;
        int windowMode;
        int depth;
    };
    for (const Kind& k : {Kind{SURFACE_SCREENS, 1, 32}, Kind{SOFTWARE_SCREENS, 1, 32}, Kind{SURFACE_SCREENS, 0, 16},
                          Kind{SOFTWARE_SCREENS, 0, 16}}) {
        SCOPED_TRACE(std::string(screenfix::KindName(k.kind)) + (k.windowMode ? " window" : " full screen"));
        Start(k.kind, k.windowMode);
        ASSERT_EQ(GetDisplayColorBitDepth(), k.depth);
        const int tolerance = k.depth == 32 ? 0 : 8;   // 5 and 6 bits widened
        const int g = Play();
        int w = 0, h = 0;
        EXPECT_EQ(GetGraphSize(g, &w, &h), 0);
        EXPECT_EQ(w * 1000 + h, 64 * 1000 + 48);
        At(550);
        EXPECT_EQ(DrawGraph(10, 20, g, 0), 0);
        EXPECT_EQ(ShownFrame(g, tolerance), 5);
        EXPECT_EQ(ScreenFlip(), 0);
        const screenfix::Frame window = screenfix::WindowFrame();
        EXPECT_TRUE(Near(screenfix::At(window, 15, 20), moviefix::kMarker, tolerance));
        EXPECT_TRUE(Near(screenfix::At(window, 40, 40), moviefix::FrameColour(5), tolerance));
        End();
    }
}

TEST_F(MovieGraphs, ALossyMoviePlaysWithinTolerance) {
    moviefix::MovieSpec spec;
    spec.container = "avi";
    spec.codec = "mpeg4";
    spec.pixels = AV_PIX_FMT_YUV420P;
    ASSERT_TRUE(moviefix::WriteMovie("m.avi", spec));
    Start(SURFACE_SCREENS);
    const int g = Play("m.avi");
    At(1250);
    EXPECT_EQ(DrawRotaGraph(100, 100, 1.0, 0.0, g, 0), 0);
    const std::vector<uint32_t> px = GraphPixels(g);
    ASSERT_EQ(px.size(), 64u * 48u);
    EXPECT_TRUE(Near(px[24 * 64 + 32], moviefix::FrameColour(12), 10));
    EXPECT_TRUE(Near(px[47 * 64 + 63], moviefix::FrameColour(12), 10));
}

TEST_F(MovieGraphs, PlayPauseSeekAndTheEnd) {
    Start(SURFACE_SCREENS);
    const int g = Play();
    EXPECT_EQ(GetMovieStateToGraph(g), 1);
    At(595);
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g), 5);
    // A second draw within the same screen frame and 18 ms copies nothing,
    // even though frame 6 is due; the next screen frame gets it.
    At(605);
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g), 5);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g), 6);

    // Pause holds the frame and the time; play goes on from there.
    EXPECT_EQ(PauseMovieToGraph(g), 0);
    EXPECT_EQ(GetMovieStateToGraph(g), 0);
    At(1605);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g), 6);
    EXPECT_EQ(TellMovieToGraph(g), 605);
    EXPECT_EQ(PlayMovieToGraph(g), 0);
    At(1705);
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g), 7);
    EXPECT_EQ(TellMovieToGraph(g), 705);

    // At the end the movie stops by itself and keeps its last frame.
    At(9000);
    DrawGraph(0, 0, g, 0);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(GetMovieStateToGraph(g), 0);
    EXPECT_EQ(ShownFrame(g), 19);
    EXPECT_EQ(TellMovieToGraph(g), 2000);

    // A seek shows its frame at once; playing again starts from there.
    EXPECT_EQ(SeekMovieToGraph(g, 1230), 0);
    EXPECT_EQ(ShownFrame(g), 12);
    EXPECT_EQ(TellMovieToGraph(g), 1230);
    EXPECT_EQ(GetMovieStateToGraph(g), 0);
    EXPECT_EQ(PlayMovieToGraph(g), 0);
    At(9000 + 300);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g), 15);
    EXPECT_EQ(SeekMovieToGraph(g, -5), -1);

    // A graph without a movie has nothing to play and no position.
    const int plain = MakeGraph(8, 8);
    EXPECT_EQ(PlayMovieToGraph(plain), 0);
    EXPECT_EQ(PauseMovieToGraph(plain), 0);
    for (int handle : {plain, 12345, -1}) {
        EXPECT_EQ(TellMovieToGraph(handle), -1);
        EXPECT_EQ(SeekMovieToGraph(handle, 0), -1);
        EXPECT_EQ(GetMovieStateToGraph(handle), -1);
    }
    EXPECT_EQ(PlayMovieToGraph(12345), -1);
}

TEST_F(MovieGraphs, HandlesRefusalsAndTheirLogLines) {
    ASSERT_TRUE(moviefix::WriteSoundOnly("tone.mkv"));
    std::ofstream("junk.bin", std::ios::binary) << std::string(3000, 'j');
    Start(SURFACE_SCREENS);

    const int a = LoadGraph("m.mkv");
    const int b = LoadGraph("m.mkv");
    ASSERT_GE(b, 0);
    EXPECT_EQ(GetGraphData(a)->MovieHandle, 0x18000000);
    EXPECT_EQ(GetGraphData(b)->MovieHandle, 0x18010001);

    // 24-bit frames are not made for a 32-bit screen.
    int w = 0, h = 0;
    const int mode2 = OpenMovieToGraph("m.mkv", &w, &h, 2);
    ASSERT_GE(mode2, 0);
    EXPECT_EQ(GetMovieData(mode2)->FrameImage.ColorInfo.ColorBitDepth, 32);
    EXPECT_EQ(w * 1000 + h, 64 * 1000 + 48);
    EXPECT_EQ(CloseMovieHandle(mode2), 0);

    EXPECT_EQ(LoadGraph("junk.bin"), -1);
    zvtest::ExpectInOrder(Log(), {"ファイル:junk.bin が開けませんでした", "ムービーファイルオープン処理時にエラーが発生しました",
                                  "右記のグラフィックファイルのロードに失敗しました：junk.bin"});
    EXPECT_EQ(LoadGraph("tone.mkv"), -1);
    zvtest::ExpectInOrder(Log(), {"動画ファイルではない可能性があります！", "ムービーファイルオープン処理時にエラーが発生しました",
                                  "右記のグラフィックファイルのロードに失敗しました：tone.mkv"});
    const std::string longName(ZV_PATH_MAX + 10, 'n');
    EXPECT_EQ(OpenMovieToGraph(longName.c_str(), &w, &h, 0), -1);
    zvtest::ExpectInOrder(Log(), {"ファイル:nnnn", " が開けませんでした", "ムービーファイルオープン処理時にエラーが発生しました"});

    // A graph derived from a movie graph shows the movie without owning it.
    const int part = DerivationGraph(0, 0, 16, 16, a);
    ASSERT_GE(part, 0);
    EXPECT_EQ(DeleteGraph(part), 0);
    EXPECT_EQ(PlayMovieToGraph(a), 0);
    EXPECT_EQ(GetMovieStateToGraph(a), 1);

    // Deleting the graph closes its movie; the table holds 100 movies.
    const int movieOfB = GetGraphData(b)->MovieHandle;
    EXPECT_EQ(DeleteGraph(b), 0);
    EXPECT_EQ(GetMovieData(movieOfB), nullptr);
    std::vector<int> graphs;
    for (int i = 0; i < 99; ++i) graphs.push_back(LoadGraph("m.mkv"));   // a and 99 more
    EXPECT_GE(graphs.back(), 0);
    const std::string before = Log();
    EXPECT_EQ(OpenMovieToGraph("m.mkv", &w, &h, 0), -1);
    EXPECT_EQ(Log(), before) << "a full table is no log line";
    EXPECT_EQ(LoadGraph("m.mkv"), -1);
    DeleteGraph(graphs.back());
    EXPECT_GE(LoadGraph("m.mkv"), 0);
}

TEST_F(MovieGraphs, AnArchivedMovieStreamsWithoutATemporaryCopy) {
    const std::string tmp = dir_.path() + "/tmp";
    fs::create_directories(tmp);
    fs::create_directories("src-data");
    fs::copy_file("m.mkv", "src-data/m.mkv");
    const std::string pack = std::string("'") + ZVPACK_PATH + "' src-data data.tpx --key kor3vq >/dev/null 2>&1";
    ASSERT_EQ(std::system(pack.c_str()), 0);
    fs::remove_all("src-data");
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    setenv("TMPDIR", tmp.c_str(), 1);
    SetUseZVArchiveFlag(1);
    SetZVArchiveExtension("tpx");
    SetZVArchiveKeyString("kor3vq");
    Start(SOFTWARE_SCREENS);
    const int plain = Play("m.mkv");
    const int packed = Play("data/m.mkv");
    At(550);
    DrawGraph(0, 0, plain, 0);
    DrawGraph(0, 0, packed, 0);
    EXPECT_EQ(ShownFrame(packed), 5);
    EXPECT_EQ(GraphPixels(packed), GraphPixels(plain));
    EXPECT_TRUE(fs::is_empty(tmp));
    EXPECT_EQ(DeleteGraph(packed), 0);
    End();
    EXPECT_TRUE(fs::is_empty(tmp));
    SetUseZVArchiveFlag(0);
    if (oldTmp) setenv("TMPDIR", savedTmp.c_str(), 1); else unsetenv("TMPDIR");
}

TEST_F(MovieGraphs, DeactivationPausesOnlyWhatPlaysAndActivationResumesIt) {
    Start(SURFACE_SCREENS);
    const int playing = Play(), paused = Play(), ended = Play();
    EXPECT_EQ(PauseMovieToGraph(paused), 0);
    EXPECT_EQ(SeekMovieToGraph(ended, 60000), 0);
    At(100);
    ScreenFlip();
    DrawGraph(0, 0, ended, 0);
    ASSERT_EQ(GetMovieStateToGraph(ended), 0);

    At(300);
    Deliver(WM_ACTIVATEAPP, 0, 0);
    EXPECT_EQ(GetMovieStateToGraph(playing), 0);
    At(5300);
    Deliver(WM_ACTIVATE, 1, 0);
    ASSERT_EQ(GetActiveFlag(), 1);
    EXPECT_EQ(GetMovieStateToGraph(playing), 1);
    EXPECT_EQ(GetMovieStateToGraph(paused), 0);
    EXPECT_EQ(GetMovieStateToGraph(ended), 0);
    // The inactive time does not count.
    EXPECT_EQ(TellMovieToGraph(playing), 300);
    At(5400);
    DrawGraph(0, 0, playing, 0);
    EXPECT_EQ(ShownFrame(playing), 4);
}

TEST_F(MovieGraphs, ADisplayChangeKeepsThePositionAndRestoresEveryMovie) {
    ASSERT_TRUE(moviefix::WriteMovie("gone.mkv", moviefix::MovieSpec{}));
    Start(SURFACE_SCREENS, 0);
    const int doomed = Play("gone.mkv");
    const int g = Play();
    At(730);
    DrawGraph(0, 0, g, 0);
    ASSERT_EQ(ShownFrame(g, 8), 7);

    Deliver(WM_DISPLAYCHANGE, 32, MakeLParam(640, 480));
    EXPECT_EQ(Log().find("復元関数が登録されていないためか"), std::string::npos);
    EXPECT_EQ(GetMovieStateToGraph(g), 1);
    EXPECT_EQ(TellMovieToGraph(g), 730);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g, 8), 7);
    At(830);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g, 8), 8);

    // A movie that cannot be opened again does not keep the others closed.
    At(1000);
    EXPECT_EQ(WithLibraryLock(ReleaseAllMovieSurfaces), 0);
    fs::remove("gone.mkv");
    EXPECT_EQ(WithLibraryLock(RestoreAllMovieSurfaces), -1);
    EXPECT_NE(Log().find("ファイル:gone.mkv が開けませんでした"), std::string::npos);
    EXPECT_EQ(TellMovieToGraph(doomed), 1000);
    EXPECT_EQ(TellMovieToGraph(g), 1000);
    At(1100);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(ShownFrame(g, 8), 11);
    EXPECT_EQ(DrawGraph(0, 0, doomed, 0), 0);

    // A window-mode change makes the screens anew and deletes every graph:
    // the movies go with their graphs.
    const int movie = GetGraphData(g)->MovieHandle;
    EXPECT_EQ(ChangeWindowMode(1), 0);
    EXPECT_EQ(GetGraphData(g), nullptr);
    EXPECT_EQ(GetMovieData(movie), nullptr);
    EXPECT_GE(Play(), 0);
}

TEST_F(MovieGraphs, ASeekPastTheEndShowsTheLastFrameAndTellsTheLength) {
    moviefix::MovieSpec spec;
    spec.frames = 30;   // 3 s
    ASSERT_TRUE(moviefix::WriteMovie("three.mkv", spec));
    Start(SURFACE_SCREENS);
    for (const bool playing : {true, false}) {
        SCOPED_TRACE(playing ? "playing" : "paused");
        const int g = Play("three.mkv");
        if (!playing) {
            EXPECT_EQ(PauseMovieToGraph(g), 0);
        }
        At(200);
        EXPECT_EQ(SeekMovieToGraph(g, 60000), 0);
        EXPECT_EQ(ShownFrame(g), 29);
        EXPECT_EQ(TellMovieToGraph(g), 3000);
        EXPECT_EQ(GetMovieStateToGraph(g), 0);
        At(900);
        ScreenFlip();
        DrawGraph(0, 0, g, 0);
        EXPECT_EQ(TellMovieToGraph(g), 3000);
        // From the end a seek back plays again.
        EXPECT_EQ(SeekMovieToGraph(g, 1000), 0);
        EXPECT_EQ(PlayMovieToGraph(g), 0);
        At(1400);
        ScreenFlip();
        DrawGraph(0, 0, g, 0);
        EXPECT_EQ(ShownFrame(g), 15);
        EXPECT_EQ(DeleteGraph(g), 0);
    }
}

// A picture every lossy codec keeps within a few steps: red tells the frame,
// green and blue ramp with x and y so that a shifted or sheared row shows.
// Red counts frames in twenties: the left half of every 64 columns steps
// through each twenty, the right half runs ahead of it by the number of
// twenties before (so the first twenty is red all over).
uint32_t Graded(int i, int x, int y) {
    const int step = (x & 63) < 32 ? i % 20 : (i % 20 + i / 20) % 20;
    return uint32_t(12 * step + 6) << 16 | uint32_t(40 + (x & 63) * 3) << 8 | uint32_t(40 + (y & 63) * 3);
}

// The frame of Graded a graph shows (by the mean red of each half, which a
// 16-bit screen lowers by up to 7), or -1 when some pixel is off it by more
// than the tolerance.
int ShownGradedFrame(int handle, int tolerance) {
    int w = 0, h = 0;
    GetGraphSize(handle, &w, &h);
    const std::vector<uint32_t> px = GraphPixels(handle);
    if (w <= 0 || px.size() != size_t(w) * size_t(h)) return -1;
    double red[2] = {0, 0}, count[2] = {0, 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int half = (x & 63) < 32 ? 0 : 1;
            red[half] += double(px[size_t(y * w + x)] >> 16 & 0xFF);
            count[half] += 1;
        }
    const auto step = [&](int half) { return int(std::lround((red[half] / count[half] - 3) / 12)); };
    const int left = step(0), right = count[1] > 0 ? step(1) : left;
    const int i = (right - left + 20) % 20 * 20 + left;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (!Near(px[size_t(y * w + x)], Graded(i, x, y), tolerance)) return -1;
    return i;
}

// A new movie graph shows its first frame before it is played, and a seek
// while paused shows the frame of its place, forward, back, to 0 and from
// past the end, before the movie has played and after; on a 32-bit screen
// and a 16-bit software one, also for frames whose rows are no multiple of
// four bytes.
TEST_F(MovieGraphs, ANewGraphAndAPausedSeekShowTheFrameOfTheirPlace) {
    struct Case {
        const char* name;
        const char* container;
        const char* codec;
        AVPixelFormat pixels;
        int width, height;
        int tolerance;
        int lastFrame;   // the muxer's edit list of an MP4 with B-frames ends as the last frame starts
    };
    const Case cases[] = {
        {"MPEG-TS", "mpegts", "mpeg2video", AV_PIX_FMT_YUV420P, 64, 48, 12, 19},
        {"MPEG-PS", "vob", "mpeg2video", AV_PIX_FMT_YUV420P, 64, 48, 12, 19},
        {"Matroska", "matroska", "ffv1", AV_PIX_FMT_BGR0, 64, 48, 0, 19},
        {"Matroska 4:2:0", "matroska", "ffv1", AV_PIX_FMT_YUV420P, 64, 48, 12, 19},
        {"AVI", "avi", "mpeg4", AV_PIX_FMT_YUV420P, 64, 48, 12, 19},
        {"MP4", "mp4", "libx264", AV_PIX_FMT_YUV420P, 64, 48, 12, 18},
        {"MP4 320x240", "mp4", "libx264", AV_PIX_FMT_YUV420P, 320, 240, 12, 18},
        {"Matroska 27x6", "matroska", "ffv1", AV_PIX_FMT_BGR0, 27, 6, 0, 19},
    };
    const struct {
        int to, frame;   // frame -1: the last one
    } seeks[] = {{1230, 12}, {530, 5}, {0, 0}, {60000, -1}, {0, 0}, {1560, 15}};
    for (const bool sixteenBits : {false, true}) {
        SCOPED_TRACE(sixteenBits ? "16-bit software screen" : "32-bit surface screen");
        Start(sixteenBits ? SOFTWARE_SCREENS : SURFACE_SCREENS, sixteenBits ? 0 : 1);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            const int tolerance = c.tolerance + (sixteenBits ? 8 : 0);   // 5 and 6 bits widened
            moviefix::MovieSpec spec;
            spec.container = c.container;
            spec.codec = c.codec;
            spec.pixels = c.pixels;
            spec.width = c.width;
            spec.height = c.height;
            spec.picture = Graded;
            ASSERT_TRUE(moviefix::WriteMovie("case.movie", spec));
            const int g = LoadGraph("case.movie");
            ASSERT_GE(g, 0) << Log();
            EXPECT_EQ(ShownGradedFrame(g, tolerance), 0) << "a new graph";
            DrawGraph(0, 0, g, 0);
            EXPECT_EQ(ShownGradedFrame(g, tolerance), 0) << "a new graph drawn";
            for (const bool played : {false, true}) {
                if (played) {
                    EXPECT_EQ(PlayMovieToGraph(g), 0);
                    start_ = g_nowUs - 1560 * 1000;
                    At(1750);
                    ScreenFlip();
                    DrawGraph(0, 0, g, 0);
                    EXPECT_EQ(PauseMovieToGraph(g), 0);
                    EXPECT_EQ(ShownGradedFrame(g, tolerance), 17);
                }
                for (const auto& s : seeks) {
                    SCOPED_TRACE(testing::Message() << (played ? "played, " : "") << "paused seek to " << s.to);
                    const int frame = s.frame < 0 ? c.lastFrame : s.frame;
                    EXPECT_EQ(SeekMovieToGraph(g, s.to), 0);
                    // Past the end the time is the length; a program stream's
                    // times after a seek may lie half a frame off.
                    if (s.frame < 0) EXPECT_NEAR(TellMovieToGraph(g), (c.lastFrame + 1) * 100, 50);
                    else EXPECT_EQ(TellMovieToGraph(g), s.to);
                    EXPECT_EQ(ShownGradedFrame(g, tolerance), frame);
                    ScreenFlip();
                    DrawGraph(0, 0, g, 0);
                    EXPECT_EQ(ShownGradedFrame(g, tolerance), frame);
                }
            }
            EXPECT_EQ(DeleteGraph(g), 0);
        }
        End();
    }
}

// A seek in an MPEG program stream or MPEG-1 system stream with B-frames
// shows the frame of its place and the movie plays on from there, paused or
// playing, also in the last key frame's interval (there the demuxer lands
// where no key frame follows).
TEST_F(MovieGraphs, ASeekInAProgramStreamLandsAndPlaysOn) {
    const struct {
        const char* name;
        const char* container;
    } cases[] = {{"MPEG-PS", "vob"}, {"MPEG-1 system stream", "mpeg"}};
    const int places[] = {10200, 11300, 11600};  // the last key frame shows at 11 s
    constexpr int kFps = 30;
    Start(SURFACE_SCREENS);
    for (const auto& c : cases) {
        moviefix::MovieSpec spec;
        spec.container = c.container;
        spec.codec = "mpeg2video";
        spec.pixels = AV_PIX_FMT_YUV420P;
        spec.fps = kFps;
        spec.frames = 12 * kFps;
        spec.keyInterval = kFps;
        spec.bFrames = 2;
        spec.picture = Graded;
        ASSERT_TRUE(moviefix::WriteMovie("case.movie", spec));
        for (const bool playing : {false, true}) {
            const int g = LoadGraph("case.movie");
            ASSERT_GE(g, 0) << Log();
            for (const int to : places) {
                SCOPED_TRACE(testing::Message()
                             << c.name << (playing ? ", playing" : ", paused") << ", seek to " << to);
                if (playing) {
                    EXPECT_EQ(PlayMovieToGraph(g), 0);
                } else {
                    EXPECT_EQ(PauseMovieToGraph(g), 0);
                }
                start_ = g_nowUs;
                EXPECT_EQ(SeekMovieToGraph(g, to), 0);
                EXPECT_NEAR(TellMovieToGraph(g), to, 1000 / kFps);
                EXPECT_NEAR(ShownGradedFrame(g, 12), to * kFps / 1000, 1);
                EXPECT_EQ(PlayMovieToGraph(g), 0);
                At(300);
                ScreenFlip();
                DrawGraph(0, 0, g, 0);
                EXPECT_EQ(GetMovieStateToGraph(g), 1);
                EXPECT_NEAR(TellMovieToGraph(g), to + 300, 1000 / kFps);
            }
            EXPECT_EQ(DeleteGraph(g), 0);
        }
    }
}

// The sound output held: the test mixes it, so the sound's clock moves only
// as far as the test has listened, and the movie's own clock stands still.
class MovieSound : public MovieGraphs {
protected:
    void StartHeld() {
        Start(SURFACE_SCREENS);
        ASSERT_TRUE(SoundSystemRunning()) << Log();
        AudioDevicePause(true);
    }
    // Mixes ms of output in device-sized blocks, with a message pass (the
    // stream refill) and a screen frame showing the graph after each. An
    // inactive window would hold the message pass: then only the mixing runs.
    std::vector<int16_t> Hear(int g, int ms, bool windowActive = true) {
        const int frames = ms * moviefix::kOutputRate / 1000;
        std::vector<int16_t> out(size_t(frames) * 2);
        for (int done = 0; done < frames;) {
            const int n = std::min(1024, frames - done);
            AudioMix(SoundState().bufferSet, out.data() + size_t(done) * 2, n);
            done += n;
            if (!windowActive) continue;
            ProcessMessage();
            ScreenFlip();
            DrawGraph(0, 0, g, 0);
        }
        return out;
    }
    static int SoundOf(int g) { return GetMovieData(GetGraphData(g)->MovieHandle)->SoundHandle; }
};

// A stretch of output carries the tone from t seconds of the track on, in step
// within Matroska's half millisecond.
void ExpectTone(const std::vector<int16_t>& heard, size_t from, double t) {
    const std::vector<double> left = moviefix::Channel(heard, 0), right = moviefix::Channel(heard, 1);
    ASSERT_GT(left.size(), from + 2205);
    EXPECT_EQ(left, right);
    EXPECT_LE(std::abs(moviefix::ToneLag(left, from, left.size() - from, t + double(from) / moviefix::kOutputRate)),
              23)
        << "from " << t << " s";
}

void ExpectSilence(const std::vector<int16_t>& heard) {
    // A stop may fade out over a few milliseconds.
    const std::vector<double> left = moviefix::Channel(heard, 0);
    EXPECT_LT(moviefix::Rms(left, 441, left.size() - 441), 1.0);
}

TEST_F(MovieSound, TheSoundTrackPlaysPausesAndSeeksWithThePicture) {
    moviefix::MovieSpec spec;
    spec.frames = 30;
    spec.soundCodec = "pcm_s16le";
    ASSERT_TRUE(moviefix::WriteMovie("tone.mkv", spec));
    ASSERT_TRUE(moviefix::WriteMovie("m.mkv", moviefix::MovieSpec{}));
    StartHeld();
    EXPECT_EQ(SoundOf(Play("m.mkv")), -1) << "a movie without a sound track has no sound";
    const int g = Play("tone.mkv");
    ASSERT_NE(SoundOf(g), -1) << Log();

    // Only the sound moves the picture here.
    ExpectTone(Hear(g, 550), 0, 0.0);
    EXPECT_EQ(TellMovieToGraph(g), 550);
    EXPECT_EQ(ShownFrame(g), 5);

    // Paused: silence, and the picture holds.
    EXPECT_EQ(PauseMovieToGraph(g), 0);
    ExpectSilence(Hear(g, 300));
    EXPECT_EQ(TellMovieToGraph(g), 550);
    EXPECT_EQ(ShownFrame(g), 5);

    // Played again, the tone goes on where it stopped.
    EXPECT_EQ(PlayMovieToGraph(g), 0);
    ExpectTone(Hear(g, 300), 0, 0.55);
    EXPECT_EQ(TellMovieToGraph(g), 850);
    EXPECT_EQ(ShownFrame(g), 8);

    // A seek while playing moves both; one while paused starts there on play.
    EXPECT_EQ(SeekMovieToGraph(g, 2200), 0);
    EXPECT_EQ(ShownFrame(g), 22);
    ExpectTone(Hear(g, 200), 0, 2.2);
    EXPECT_EQ(ShownFrame(g), 24);
    EXPECT_EQ(PauseMovieToGraph(g), 0);
    EXPECT_EQ(SeekMovieToGraph(g, 1000), 0);
    ExpectSilence(Hear(g, 100));
    EXPECT_EQ(PlayMovieToGraph(g), 0);
    ExpectTone(Hear(g, 200), 0, 1.0);

    // The window's deactivation pauses the sound too; activation resumes it.
    Deliver(WM_ACTIVATEAPP, 0, 0);
    ExpectSilence(Hear(g, 100, false));
    Deliver(WM_ACTIVATE, 1, 0);
    ExpectTone(Hear(g, 200), 0, 1.2);
    EXPECT_EQ(TellMovieToGraph(g), 1400);

    // At the end the picture stops and the sound with it. The sound's last
    // block leaves the picture a few milliseconds short of its end, which its
    // own clock then covers.
    Hear(g, 2000);
    EXPECT_EQ(WithLibraryLock([&] { return CheckSoundPlaying(SoundOf(g)); }), 0);
    At(50);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(GetMovieStateToGraph(g), 0);
    EXPECT_EQ(ShownFrame(g), 29);
    EXPECT_EQ(TellMovieToGraph(g), 3000);
    ExpectSilence(Hear(g, 100));

    // The sound goes with the graph, and so does the second one that took
    // over at the seek while playing.
    const MovieData* m = GetMovieData(GetGraphData(g)->MovieHandle);
    const int sounds[] = {m->SoundHandle, m->SpareSoundHandle};
    EXPECT_NE(sounds[1], -1);
    EXPECT_EQ(DeleteGraph(g), 0);
    for (int sound : sounds) EXPECT_EQ(WithLibraryLock([=] { return GetSoundData(sound); }), nullptr);
}

TEST_F(MovieSound, APictureLongerThanItsSoundGoesOnByItsOwnClock) {
    moviefix::MovieSpec spec;
    spec.frames = 30;
    spec.soundCodec = "pcm_s16le";
    spec.soundMs = 1000;
    ASSERT_TRUE(moviefix::WriteMovie("short.mkv", spec));
    StartHeld();
    const int g = Play("short.mkv");
    ASSERT_NE(SoundOf(g), -1);
    Hear(g, 1500);
    ASSERT_EQ(WithLibraryLock([&] { return CheckSoundPlaying(SoundOf(g)); }), 0) << "the sound has ended";
    const int soundEnd = TellMovieToGraph(g);
    EXPECT_GE(soundEnd, 950);
    EXPECT_LE(soundEnd, 1500);
    EXPECT_EQ(GetMovieStateToGraph(g), 1);
    At(1000);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(TellMovieToGraph(g), soundEnd + 1000);
    EXPECT_EQ(ShownFrame(g), (soundEnd + 1000) / 100);
    At(9000);
    ScreenFlip();
    DrawGraph(0, 0, g, 0);
    EXPECT_EQ(GetMovieStateToGraph(g), 0);
    EXPECT_EQ(TellMovieToGraph(g), 3000);
}

// The whole library on SDL's disk output, which writes what the device
// plays to a file: each step lasts until the device has written that much
// more, however slow the machine is.
class MovieOutput : public MovieGraphs {
protected:
    void SetUp() override {
        MovieGraphs::SetUp();
        disk_.emplace(dir_.path() + "/output.raw");
        MovieSetClock(nullptr);
    }
    // A movie of the tone, by default 44.1 kHz PCM in AVI, which places every
    // sample exactly.
    static bool WriteTone(const char* name, int frames, const char* container = "avi",
                          const char* codec = "pcm_s16le", int rate = moviefix::kOutputRate, int channels = 1) {
        moviefix::MovieSpec spec;
        spec.container = container;
        // No FFV1 in MP4 or in MPEG's program and system streams.
        const bool mpeg = std::strcmp(container, "vob") == 0 || std::strcmp(container, "mpeg") == 0;
        if (mpeg || std::strcmp(container, "mp4") == 0) {
            spec.codec = mpeg ? "mpeg2video" : "mpeg4";
            spec.pixels = AV_PIX_FMT_YUV420P;
        }
        spec.frames = frames;
        spec.soundCodec = codec;
        spec.soundRate = rate;
        spec.soundChannels = channels;
        return moviefix::WriteMovie(name, spec);
    }
    uintmax_t Written() const {
        std::error_code e;
        const uintmax_t n = fs::file_size(disk_->path(), e);
        return e ? uintmax_t(0) : n;
    }
    // Keeps the library going, the graph (if any) drawn, until the device
    // has written ms more of output.
    void RunFor(int ms, int g = -1) {
        const uintmax_t target = Written() + uintmax_t(ms) * 441 / 10 * 4;
        // A net against a device that stopped writing, not a time limit.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (Written() < target && std::chrono::steady_clock::now() < giveUp) {
            ProcessMessage();
            if (g >= 0) DrawGraph(0, 0, g, 0);
            ScreenFlip();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_GE(Written(), target) << "the disk output stopped";
    }
    std::vector<double> Left() const { return moviefix::Channel(disk_->Samples(), 0); }

    std::optional<zvtest::DiskAudio> disk_;
};

// Steps between neighbouring samples (LargestStep): the tone itself moves by at most its level x 2 pi x 250 / 44100 (under 800 within
// 6 s) a sample, a ramp down adds little to that, and a sound cut off
// without one jumps by as much as it is loud there.
using zvtest::LargestStep;
constexpr double kLargestToneStep = 2500;
// The largest step of the tone itself t seconds into the track.
double ToneStep(double t) { return moviefix::ToneLevel(t) * 2 * M_PI * moviefix::kToneHz / moviefix::kOutputRate; }

// Loudness of each 20 ms of the output.
std::vector<double> WindowRms(const std::vector<double>& left) {
    constexpr size_t kWindow = 882;
    std::vector<double> rms;
    for (size_t at = 0; at + kWindow <= left.size(); at += kWindow) rms.push_back(moviefix::Rms(left, at, kWindow));
    return rms;
}
bool Silent(double rms) { return rms < 30; }

// Where in the track each 20 ms of the output lies (by its loudness), in
// runs of tone split at silence and at jumps. Runs of a window or two are
// the edges where the tone starts or stops within a window and are left
// out; the first and last window of a run, partly silent, are trimmed.
std::vector<std::vector<double>> ToneRuns(const std::vector<double>& rms) {
    std::vector<std::vector<double>> runs(1);
    for (double r : rms) {
        const double t = moviefix::ToneTimeOfRms(r);
        if (Silent(r) || (!runs.back().empty() && std::abs(t - runs.back().back()) > 0.1)) runs.emplace_back();
        if (!Silent(r)) runs.back().push_back(t);
    }
    std::vector<std::vector<double>> tone;
    for (const auto& r : runs)
        if (r.size() >= 4) tone.emplace_back(r.begin() + 1, r.end() - 1);
    return tone;
}

size_t FirstLoud(const std::vector<double>& s) {
    size_t i = 0;
    while (i < s.size() && std::abs(s[i]) < 100) ++i;
    return i;
}

TEST_F(MovieOutput, TheToneIsHeardWhilePlayingAndFollowsPauseAndSeek) {
    moviefix::MovieSpec spec;
    spec.frames = 80;
    spec.soundCodec = "pcm_s16le";
    ASSERT_TRUE(moviefix::WriteMovie("tone.mkv", spec));
    Start(SOFTWARE_SCREENS);
    const int g = LoadGraph("tone.mkv");
    ASSERT_GE(g, 0);
    RunFor(300, g);
    EXPECT_EQ(PlayMovieToGraph(g), 0);
    RunFor(600, g);
    EXPECT_EQ(PauseMovieToGraph(g), 0);
    RunFor(600, g);
    EXPECT_EQ(PlayMovieToGraph(g), 0);
    RunFor(600, g);
    EXPECT_EQ(SeekMovieToGraph(g, 5000), 0);
    RunFor(600, g);
    EXPECT_EQ(DeleteGraph(g), 0);
    RunFor(400);
    End();

    const std::vector<double> rms = WindowRms(Left());
    const std::vector<std::vector<double>> tone = ToneRuns(rms);
    ASSERT_EQ(tone.size(), 3u) << "played, played again after the pause, played after the seek";
    for (const auto& r : tone) {
        const double lasted = 0.02 * double(r.size() - 1);
        EXPECT_NEAR(r.back() - r.front(), lasted, 0.05) << "the tone moves on as the output does";
    }
    // The windows trimmed at the edges and the partly loud ones between them
    // hold 0.06 to 0.1 s of tone; a restart or a skip would be far off.
    EXPECT_LT(tone[0].front(), 0.08) << "it starts at the beginning";
    EXPECT_NEAR(tone[1].front() - tone[0].back(), 0.08, 0.05) << "it resumes where it paused";
    EXPECT_NEAR(tone[2].front(), 5.04, 0.05) << "it goes on from the seek";
    // Between the first and the second run of tone: the pause.
    size_t first = 0;
    while (first < rms.size() && Silent(rms[first])) ++first;
    size_t quiet = 0, longestQuiet = 0;
    for (size_t i = first; i < rms.size(); ++i) {
        quiet = Silent(rms[i]) ? quiet + 1 : 0;
        if (moviefix::ToneTimeOfRms(rms[i]) > tone[1].front() + 0.05) break;
        longestQuiet = std::max(longestQuiet, quiet);
    }
    EXPECT_GE(longestQuiet, 20u) << "silence while paused";
    size_t trailing = 0;
    while (trailing < rms.size() && Silent(rms[rms.size() - 1 - trailing])) ++trailing;
    EXPECT_GE(trailing, 10u) << "silence once the graph is gone";
}


// A seek while playing crossfades: the old place ramps down as a stop does
// while the new place, ready before, ramps in; it sounds from its first
// sample on, whatever the codec (MP3 and AAC need the frames before it).
// The places lie where the tone is at its peaks, not where it crosses zero
// (every 2 ms).
TEST_F(MovieOutput, ASeekWhilePlayingGoesOnWithoutAGapOrAStep) {
    struct Case {
        const char* name;
        const char* container;
        const char* codec;
        int rate;
        double placeTolerance;   // s; the loudness of a lossy codec's tone tells its place less closely
        int channels = 1;
    };
    const Case cases[] = {
        {"PCM", "avi", "pcm_s16le", moviefix::kOutputRate, 0.05},
        // MP3 comes out 2-3 % quieter, which puts it up to 0.2 s early.
        {"MP3", "matroska", "libmp3lame", 48000, 0.25},
        {"AAC", "mp4", "aac", 48000, 0.15},
        // MPEG's own streams, where a seek can land late and the MP3 frames'
        // parser start inside a frame; both channels alike, as a mono source
        // made stereo.
        {"MP3 in a program stream", "vob", "libmp3lame", 48000, 0.25, 2},
        {"MP3 in an MPEG-1 system stream", "mpeg", "libmp3lame", 48000, 0.25, 2},
    };
    const int first = 1621;
    const int places[] = {4133, 1271, 5057, 2389, 3711, 1333};
    const double quietest = 1.271, loudest = 5.057 + 0.3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteTone("tone.movie", 60, c.container, c.codec, c.rate, c.channels));
        disk_.emplace(dir_.path() + "/" + c.name + ".raw");
        Start(SOFTWARE_SCREENS);
        const int g = LoadGraph("tone.movie");
        ASSERT_GE(g, 0);
        EXPECT_EQ(SeekMovieToGraph(g, first), 0);
        RunFor(100, g);
        EXPECT_EQ(PlayMovieToGraph(g), 0);
        for (int to : places) {
            RunFor(250, g);
            EXPECT_EQ(SeekMovieToGraph(g, to), 0);
        }
        RunFor(250, g);
        EXPECT_EQ(PauseMovieToGraph(g), 0);
        RunFor(150, g);
        End();

        const std::vector<double> left = Left();
        const size_t start = FirstLoud(left);
        ASSERT_LT(start, left.size());
        EXPECT_LE(LargestStep(left, start), 2 * ToneStep(loudest));
        // Loudness per 5 ms from the start of play to the pause's ramp: none
        // 20 dB under the tone where it is quietest here.
        std::vector<double> rms;
        for (size_t at = start; at + 220 <= left.size(); at += 220) rms.push_back(moviefix::Rms(left, at, 220));
        const double floor = moviefix::ToneLevel(quietest) / std::sqrt(2.0) / 10;
        size_t end = rms.size();
        while (end > 0 && rms[end - 1] < floor) --end;
        ASSERT_GT(end, 300u) << "seven runs of 250 ms";
        for (size_t i = 0; i + 1 < end; ++i) EXPECT_GT(rms[i], floor) << "a dip " << i * 5 << " ms after the start";
        // Each seek's run of tone starts where it was sought (the trimmed window
        // and the one that holds the switch take 0.02 to 0.06 s of it).
        const std::vector<std::vector<double>> tone = ToneRuns(WindowRms(left));
        ASSERT_EQ(tone.size(), std::size(places) + 1);
        for (size_t i = 0; i < tone.size(); ++i) {
            const double from = (i == 0 ? first : places[i - 1]) / 1000.0;
            EXPECT_NEAR(tone[i].front(), from + 0.04, c.placeTolerance) << "run " << i;
        }
    }
}

// A movie played from a place sought before (at a peak of the wave) or on
// after a pause comes in ramped, as its pause went out: no step in the first
// 10 ms over one and a half times the tone's own. The places it pauses at
// fall where the output's blocks put them, at any phase of the wave.
TEST_F(MovieOutput, APlayAfterAPauseRampsIn) {
    ASSERT_TRUE(WriteTone("tone.avi", 60));
    Start(SOFTWARE_SCREENS);
    const int g = LoadGraph("tone.avi");
    ASSERT_GE(g, 0);
    EXPECT_EQ(SeekMovieToGraph(g, 1301), 0);
    RunFor(100, g);
    constexpr int kResumes = 4;
    for (int i = 0; i < kResumes; ++i) {
        EXPECT_EQ(PlayMovieToGraph(g), 0);
        RunFor(170 + 20 * i, g);
        EXPECT_EQ(PauseMovieToGraph(g), 0);
        RunFor(200, g);
    }
    End();

    const std::vector<double> left = Left();
    const double loudest = 1.3 + 0.2 * kResumes + 0.1;
    int resumes = 0;
    for (size_t i = 1, quiet = 0; i < left.size(); ++i) {
        quiet = std::abs(left[i - 1]) < 1 ? quiet + 1 : 0;
        if (quiet < 4410 || std::abs(left[i]) < 1) continue;
        ++resumes;
        EXPECT_LE(LargestStep(left, i - 1, i + 441), 1.5 * ToneStep(loudest)) << "resume " << resumes;
        quiet = 0;
    }
    EXPECT_EQ(resumes, kResumes) << "a play from the sought place and three after a pause";
}

// Deleting a playing movie ends its sound with the ramp a stop has.
TEST_F(MovieOutput, DeletingAPlayingMovieRampsItsSoundDown) {
    ASSERT_TRUE(WriteTone("tone.avi", 60));
    Start(SOFTWARE_SCREENS);
    RunFor(100);
    // Played from 5 s on, where the tone is loud, for three lengths, so that
    // the sound is cut at three places of its wave.
    for (int ms : {300, 370, 440}) {
        const int g = LoadGraph("tone.avi");
        ASSERT_GE(g, 0);
        EXPECT_EQ(SeekMovieToGraph(g, 5000), 0);
        EXPECT_EQ(PlayMovieToGraph(g), 0);
        RunFor(ms, g);
        EXPECT_EQ(DeleteGraph(g), 0);
        RunFor(100);
    }
    End();

    const std::vector<double> left = Left();
    const size_t start = FirstLoud(left);
    ASSERT_LT(start, left.size());
    EXPECT_LE(LargestStep(left, start), kLargestToneStep);
    EXPECT_LT(moviefix::Rms(left, left.size() - 2205, 2205), 1.0) << "silence once the graphs are gone";
}

}  // namespace
