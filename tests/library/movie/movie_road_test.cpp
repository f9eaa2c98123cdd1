// Movie graphs on the 3D road: a texture graph of pieces, each of which takes
// its own rectangle of the due frame (also when a graph derived from the
// movie graph asks for it), and on a virtual X display with Mesa's software
// GL the same picture on the screen as the software road draws.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/lock.h"
#include "core/startup.h"
#include "graphics/direct3d/d3d_system.h"
#include "graphics/draw_front.h"
#include "graphics/graph_handle.h"
#include "graphics/image/graph_image.h"
#include "library/graphics/direct3d/d3d_fixture.h"
#include "movie_writer.h"
#include "platform/device3d_gl.h"
#include "platform/movie_ffmpeg.h"
#include "platform/vblank_clock.h"
#include "zovav.h"
#include "zv_test_support.h"
#include "zv_xserver.h"

namespace {

int64_t g_nowUs = 0;
int64_t FakeClock() { return g_nowUs; }

// Wider than a screen, so the graph is three pieces (512, 128 and 64
// pixels wide); the green ramp tells every column from the others, and
// black columns (the transparent colour) show where keyed draws see through.
constexpr int kMovieW = 700, kMovieH = 48;
uint32_t Ramp(int i, int x, int y) {
    if (x % 97 == 3) return 0;
    return uint32_t(8 * i + 1) << 16 | uint32_t(x * 255 / (kMovieW - 1)) << 8 | uint32_t(40 + 4 * y);
}

bool WriteRampMovie() {
    moviefix::MovieSpec spec;
    spec.width = kMovieW;
    spec.height = kMovieH;
    spec.picture = Ramp;
    return moviefix::WriteMovie("ramp.mkv", spec);
}

class MovieOnTheThreeDRoad : public d3dtest::D3DStateTest {
protected:
    void SetUp() override {
        D3DStateTest::SetUp();
        g_nowUs = 5000000;
        MovieSetClock(FakeClock);
        ASSERT_TRUE(WriteRampMovie());
    }
    void TearDown() override {
        D3DStateTest::TearDown();
        MovieSetClock(nullptr);
    }

    // The columns of the movie graph's texture pieces whose pixels are not
    // frame i's: -1 for each column that matches.
    std::vector<int> WrongColumns(int graph, int frame) {
        return WithLibraryLock([&] {
            std::vector<int> wrong;
            const GraphData* g = GetGraphData(graph);
            for (int i = 0; g && i < g->PieceCount; ++i) {
                const Surface3DData* p = GetSurface3DData(g->Pieces[i]);
                const SurfaceData* d = GetSurfaceData(p->surfaceData);
                GraphImage view{};
                const ColorData* color = nullptr;
                if (LockSurfaceData(p->surfaceData, &view.Pitch, &view.Pixels, 0, nullptr, &color) != 0) return wrong;
                view.ColorInfo = *color;
                view.Width = d->Width;
                view.Height = d->Height;
                for (int x = 0; x < p->width; ++x) {
                    bool same = true;
                    for (int y = 0; y < p->height; ++y)
                        same &= (GetGraphImagePixel(&view, p->u + x, p->v + y) & 0xFFFFFF) == Ramp(frame, p->x + x, p->y + y);
                    if (!same) wrong.push_back(p->x + x);
                }
                UnlockSurfaceData(p->surfaceData);
            }
            return wrong;
        });
    }
};

TEST_F(MovieOnTheThreeDRoad, EveryPieceTakesItsRectangleOfTheDueFrame) {
    const int movie = LoadGraph("ramp.mkv");
    ASSERT_GE(movie, 0) << Log();
    const GraphData* g = GetGraphData(movie);
    EXPECT_EQ(g->Settings.TextureFlag, 1);
    ASSERT_EQ(g->PieceCount, 3);
    ASSERT_EQ(PlayMovieToGraph(movie), 0);
    const int64_t start = g_nowUs;

    g_nowUs = start + 550 * 1000;
    EXPECT_EQ(DrawGraph(0, 0, movie, 0), 0);
    EXPECT_EQ(WrongColumns(movie, 5), std::vector<int>{});

    // A graph derived from the movie graph (across the first two pieces) asks
    // for the next frame: the movie graph's pieces take all of it, each its
    // own rectangle, as the derived graph views them.
    const int part = DerivationGraph(500, 10, 150, 30, movie);
    ASSERT_GE(part, 0);
    g_nowUs = start + 1250 * 1000;
    EXPECT_EQ(DrawGraph(0, 100, part, 1), 0);
    EXPECT_EQ(WrongColumns(movie, 12), std::vector<int>{});
    EXPECT_EQ(DeleteGraph(part), 0);
    EXPECT_EQ(DeleteGraph(movie), 0);
}

// ---- the screen, on each road ------------------------------------------------

constexpr int kW = 640, kH = 480;

// The movie drawn twice a scene, a frame apart, plain, keyed, stretched and
// through a graph derived from it (which asks for the second frame first).
int DrawRoad(const char* road, bool refuse3D) {
    g_nowUs = 5000000;
    MovieSetClock(FakeClock);
    if (const int started = zvtest::StartOnRoad(refuse3D)) return started;
    SetDrawScreen(SCREEN_BACK);
    const int movie = LoadGraph("ramp.mkv");
    const int part = DerivationGraph(500, 10, 150, 30, movie);
    if (movie < 0 || part < 0 || PlayMovieToGraph(movie) != 0) return 6;
    // On the 3D road the frames must reach the screen through textures.
    if (WithLibraryLock([&] { return GetGraphData(movie)->Settings.TextureFlag; }) != (refuse3D ? 0 : 1)) return 8;
    const int64_t start = g_nowUs;
    for (int scene = 0; scene < 2; ++scene) {
        g_nowUs = start + (scene == 0 ? 550 : 1250) * 1000;
        ClearDrawScreen();
        DrawBox(0, 0, kW, kH, GetColor(90, 60, 200), 1);
        DrawGraph(100, 330, part, 1);
        DrawGraph(-30, 20, movie, 0);
        DrawGraph(-30, 90, movie, 1);
        DrawExtendGraph(-30, 160, kMovieW - 30, 160 + 2 * kMovieH, movie, 1);
        const std::string name = "scene" + std::to_string(scene) + "-" + road + ".bmp";
        if (SaveDrawScreenToBMP(0, 0, kW, kH, name.c_str()) != 0) return 7;
        ScreenFlip();
    }
    ZoVav_End();
    MovieSetClock(nullptr);
    Device3DRefuse(0);
    return 0;
}

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(MovieRoads, APlayingMovieGraphComesOutOnTheScreenAsOnTheSoftwareRoad) {
    if (zvtest::InDisplayRerun()) {
        ASSERT_TRUE(WriteRampMovie());
        ASSERT_EQ(DrawRoad("3d", false), 0) << "the 3D road did not come up";
        ASSERT_EQ(DrawRoad("2d", true), 0);
        for (int scene = 0; scene < 2; ++scene) {
            const std::vector<char> a = ReadFile("scene" + std::to_string(scene) + "-3d.bmp");
            const std::vector<char> b = ReadFile("scene" + std::to_string(scene) + "-2d.bmp");
            ASSERT_EQ(a.size(), 54u + size_t(kW) * kH * 3);
            ASSERT_EQ(b.size(), a.size());
            // Unblended graphs at whole pixels: every pixel the same.
            long differ = 0;
            for (size_t i = 54; i < a.size(); i += 3)
                differ += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
            EXPECT_EQ(differ, 0) << "scene " << scene;
        }
        return;
    }
    zvtest::XServer x;
    if (!x.Start("1024x768x24")) GTEST_SKIP() << "no X server could be started (Xvfb is needed)";
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const int status =
        zvtest::RerunOnDisplay(x, "MovieRoads.APlayingMovieGraphComesOutOnTheScreenAsOnTheSoftwareRoad", "child.log");
    const std::string log = zvtest::ReadWholeFile("child.log");
    if (zvtest::ReadWholeFile("x-started").empty()) GTEST_SKIP() << "the library could not start there: " << log;
    EXPECT_EQ(status, 0) << log;
}

}  // namespace
