// A busy frame drawn through the public functions on software screens: a
// 640x480 background, 800 additive 16x16 rotated sprites, 100 96x96
// half-alpha sprites and 20 boxes, then the flip. Reported per frame and as
// the fraction of a 60 Hz frame (16.7 ms) it takes.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/startup.h"
#include "graphics/draw_front.h"
#include "platform/vblank_clock.h"
#include "zovav.h"

namespace {

struct BusyFrame {
    int background = -1, sprite = -1, panel = -1;
    std::string dir;

    bool Start() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char pattern[] = "/tmp/zvbench.XXXXXX";
        if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) return false;
        dir = pattern;
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);   // drawing only, not the wait for the display
        SetUseHardwareDrawFlag(0);
        ChangeWindowMode(1);
        if (ZoVav_Init() != 0) return false;
        SetDrawScreen(SCREEN_BACK);
        background = MakeGraph(640, 480);
        sprite = MakeGraph(16, 16);
        panel = MakeGraph(96, 96);
        if (background < 0 || sprite < 0 || panel < 0) return false;
        // Colours other than the transparent black, so every sprite draws.
        FillGraph(background, 30, 60, 90, 255);
        FillGraph(sprite, 200, 120, 40, 255);
        FillGraph(panel, 40, 160, 220, 255);
        return true;
    }
    void End() {
        ZoVav_End();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    void Draw() {
        ClearDrawScreen();
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        DrawGraph(0, 0, background, 0);
        SetDrawBlendMode(ZV_BLEND_ADD, 255);
        for (int i = 0; i < 800; ++i)
            DrawRotaGraph((i * 37) % 640, (i * 53) % 480, 1.0, i * 0.05, sprite, 1, 0);
        SetDrawBlendMode(ZV_BLEND_ALPHA, 128);
        for (int i = 0; i < 100; ++i) DrawGraph((i * 71) % 560, (i * 29) % 400, panel, 1);
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        for (int i = 0; i < 20; ++i) DrawBox(i * 30, 10, i * 30 + 25, 40, GetColor(200, 40, 40), 1);
        ScreenFlip();
    }
};

void BM_BusyFrameSoftwareScreens(benchmark::State& state) {
    BusyFrame frame;
    if (!frame.Start()) {
        state.SkipWithError("the library did not start");
        return;
    }
    for (auto _ : state) frame.Draw();
    state.counters["frame_fraction"] = benchmark::Counter(
        double(state.iterations()) / 60.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    frame.End();
}
BENCHMARK(BM_BusyFrameSoftwareScreens)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
