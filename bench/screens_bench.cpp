// A busy frame drawn through the public functions: a 640x480 background,
// 800 additive 16x16 rotated sprites, 100 96x96 half-alpha sprites and 20
// boxes, then the flip; on software screens, and on the 3D road (Mesa's
// software GL on a virtual X display this program starts, skipped where none
// starts). A talk frame puts a talk's text and a status panel over the
// background instead. Reported per frame and as the fraction of a 60 Hz
// frame (16.7 ms), with the 3D road's batch flushes and screen copies per frame.
#include <benchmark/benchmark.h>

#include "graphics/direct3d/d3d_system.h"
#include "graphics/draw_front.h"
#include "started_library.h"
#include "virtual_display.h"
#include "zovav.h"

namespace {

struct BusyFrame {
    StartedLibrary library;
    int background = -1, sprite = -1, panel = -1;
    int talkFont = -1, panelFont = -1;
    bool ok = false;

    explicit BusyFrame(Road road) : library(road, [] {}) {
        if (!library.ok()) return;
        SetDrawScreen(SCREEN_BACK);
        background = MakeGraph(640, 480);
        sprite = MakeGraph(16, 16);
        panel = MakeGraph(96, 96);
        if (background < 0 || sprite < 0 || panel < 0) return;
        // Colours other than the transparent black, so every sprite draws.
        FillGraph(background, 30, 60, 90, 255);
        FillGraph(sprite, 200, 120, 40, 255);
        FillGraph(panel, 40, 160, 220, 255);
        // The game's talk and status panel fonts: smooth, and smooth with an edge.
        talkFont = CreateFontToHandle(nullptr, 18, 8, 2);
        panelFont = CreateFontToHandle(nullptr, 23, -1, 3);
        ok = talkFont >= 0 && panelFont >= 0;
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
    // Four lines of talk in a window, and ten panel lines with edges.
    void DrawTalk() {
        ClearDrawScreen();
        DrawGraph(0, 0, background, 0);
        SetDrawBlendMode(ZV_BLEND_ALPHA, 200);
        DrawBox(20, 300, 452, 450, GetColor(20, 20, 60), 1);
        SetDrawBlendMode(ZV_BLEND_NOBLEND, 0);
        static const char* const kLines[4] = {"……森がやけに騒がしいなあ。", "うさぎも水晶も、みんな気が立ってる。",
                                              "この先に何かいるのかもしれない。", "気をつけて進みましょう、風花さん。"};
        for (int i = 0; i < 4; ++i)
            DrawStringToHandle(30, 320 + 30 * i, kLines[i], GetColor(255, 255, 255), talkFont);
        for (int i = 0; i < 10; ++i)
            DrawStringToHandle(490, 20 + 45 * i, i % 2 ? "0012345" : "HI-SCORE", GetColor(160, 180, 255), panelFont,
                               GetColor(40, 40, 120));
        ScreenFlip();
    }
};

// What the 3D road sent to the device per frame: batches drawn (all, and
// those a state change forced) and whole-screen copies between a screen's
// surface and its device picture. Zero on the software screens.
void CountRoadWork(benchmark::State& state, const D3DRoadCounters& before) {
    const D3DRoadCounters& after = GetD3DRoadCounters();
    uint64_t flushes = 0;
    for (int i = 0; i < int(D3DFlush::Count); ++i) flushes += after.flushes[i] - before.flushes[i];
    const auto perFrame = [&](uint64_t n) { return benchmark::Counter(double(n), benchmark::Counter::kAvgIterations); };
    state.counters["flushes"] = perFrame(flushes);
    state.counters["state_flushes"] = perFrame(after.flushes[int(D3DFlush::StateChange)] -
                                               before.flushes[int(D3DFlush::StateChange)]);
    state.counters["copies_to_surface"] = perFrame(after.copiesToSurface - before.copiesToSurface);
    state.counters["copies_to_device"] = perFrame(after.copiesToDevice - before.copiesToDevice);
}

void RunFrames(benchmark::State& state, BusyFrame& frame, bool talk = false) {
    const D3DRoadCounters before = GetD3DRoadCounters();
    for (auto _ : state) {
        if (talk) frame.DrawTalk();
        else frame.Draw();
    }
    state.counters["frame_fraction"] = benchmark::Counter(
        double(state.iterations()) / 60.0, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    CountRoadWork(state, before);
}

void BM_BusyFrameSoftwareScreens(benchmark::State& state) {
    BusyFrame frame(Road::SoftwareScreens);
    if (!frame.ok) return state.SkipWithError("the library did not start");
    RunFrames(state, frame);
}
BENCHMARK(BM_BusyFrameSoftwareScreens)->Unit(benchmark::kMillisecond)->UseRealTime();

// The frame on a virtual X display, where every flip is shown.
void RunOnDisplay(benchmark::State& state, Road road, bool talk) {
    VirtualDisplay display;
    if (!display.Start()) return state.SkipWithError("no virtual X display could be started (Xvfb is needed)");
    BusyFrame frame(road);
    if (!frame.ok) return state.SkipWithError("the road did not come up on the virtual display");
    RunFrames(state, frame, talk);
}

// The busy frame: the 3D road (road 1) beside the software screens (road 0).
void BM_BusyFrameOnDisplay(benchmark::State& state) {
    RunOnDisplay(state, state.range(0) ? Road::Direct3D : Road::SoftwareScreens, false);
}
BENCHMARK(BM_BusyFrameOnDisplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The talk frame: on the 3D road the glyphs are cells of the fonts' cache
// textures, on the software screens they are written from memory caches.
void BM_TalkFrameOnDisplay(benchmark::State& state) {
    RunOnDisplay(state, state.range(0) ? Road::Direct3D : Road::SoftwareScreens, true);
}
BENCHMARK(BM_TalkFrameOnDisplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
