// The game's cost on a busy moment of play: 40 enemies, 400 bullets and the shots of a ship firing its spread
// volley over the first stage's background, with the game's own pictures from the run folder (alpha-channel
// PNG sprites). Updated headless without drawing (reported as a multiple of real time, 60 updates a second),
// and updated, drawn and flipped each time in a window on a virtual display, on the software screens and on
// the 3D road side by side (reported as the fraction of a 16.7 ms frame that it takes).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/player.h"
#include "frame/entry.h"
#include "frame/game.h"
#include "frame/game_system.h"
#include "scenes/scene.h"
#include "started_library.h"
#include "virtual_display.h"
#include "zovav.h"

namespace {

// The library's own services on a clock that never moves, with the pad holding the shot button.
class BenchSystem : public GameSystem {
public:
    int NowMs() override { return 0; }
    void SleepMs(int) override {}
    int PadWord() override { return 0x10; }
    bool EscapeDown() override { return false; }
    int ProcessMessage() override { return 0; }
    void GetDate(DateTimeData* out) override { *out = {2000, 1, 1, 0, 0, 0}; }
    int ScreenFlip() override { return ::ScreenFlip(); }
    void MessageBox(const char*, const char*) override {}

protected:
    void EndProcess(int status) override { std::exit(status); }
};

// The game's folders, with the pictures the build painted.
void MakeRunFolder() {
    MakeDataFolders();
    std::error_code ec;
    std::filesystem::create_directory_symlink(ZV_MATERIAL_DIR, "data/material", ec);
}

class BusyPlay {
public:
    explicit BusyPlay(Road road) : library_(road, MakeRunFolder) {
        if (!library_.ok()) return;
        SetGameSystem(&system_);
        game_ = std::make_unique<CGame>();   // loads the game's pictures
        g_game = game_.get();
        game_->SetMode(0);   // the practice room: the ship is never lost
        game_->SetShotType(0);
        game_->SetStage(1);
        new CBackGround();
        game_->SetPlayer(new CNormalPlayer(240, 440));
        // Enemies stand in two blocks beside the ship's line of fire, so that the shots fly the whole field.
        for (int i = 0; i < 40; ++i) {
            float x = (i % 10 < 5 ? 30 : 350) + (i % 5) * 25.0f;
            new CSmallEnemy(i % 9, x, 40 + (i / 10) * 50.0f, 1e9f, 0);
        }
        for (int i = 0; i < 400; ++i) new CDirBullet(20 + (i % 25) * 18.0f, 240 + (i / 25) * 10.0f, 0, 0, 0, i % 14);
        for (int i = 0; i < 60; ++i) game_->Update();   // the volleys fill the screen with shots
    }
    ~BusyPlay() {
        if (!game_) return;
        game_->ClearAllBut(0);
        game_.reset();
        g_game = nullptr;
        SetGameSystem(nullptr);
    }
    // Why the play cannot be measured, or nullptr.
    const char* Problem() const {
        if (!library_.ok()) return "the library did not start on the road asked for";
        if (!PicturesLoaded()) return "the game's pictures did not load from " ZV_MATERIAL_DIR;
        return nullptr;
    }
    CGame& Game() { return *game_; }

private:
    bool PicturesLoaded() const {
        bool all = game_->shotImage >= 0 && game_->backgroundImage >= 0;
        for (int h : game_->bulletImages) all = all && h >= 0;
        for (int h : game_->enemyImages) all = all && h >= 0;
        for (int h : game_->playerImages) all = all && h >= 0;
        return all;
    }

    StartedLibrary library_;
    BenchSystem system_;
    std::unique_ptr<CGame> game_;
};

void ReportCounts(benchmark::State& state, CGame& game) {
    state.counters["enemies"] = game.Pool(POOL_ENEMY)->GetCount();
    state.counters["bullets"] = game.Pool(POOL_BULLET)->GetCount();
    state.counters["shots"] = game.Pool(POOL_SHOT)->GetCount();
}

void BM_PlayUpdateWithoutDrawing(benchmark::State& state) {
    BusyPlay play(Road::SoftwareScreens);
    if (const char* problem = play.Problem()) return state.SkipWithError(problem);
    for (auto _ : state) play.Game().Update();
    ReportCounts(state, play.Game());
    // Updates a second over 60: how many times faster than the game runs.
    state.counters["x_real_time"] = benchmark::Counter(state.iterations() / 60.0, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlayUpdateWithoutDrawing)->Unit(benchmark::kMicrosecond);

// Road 0 the software screens, road 1 the 3D device (Mesa's software GL on the virtual display).
void BM_PlayUpdateAndDraw(benchmark::State& state) {
    VirtualDisplay display;
    if (!display.Start()) return state.SkipWithError("no virtual X display could be started (Xvfb is needed)");
    BusyPlay play(state.range(0) ? Road::Direct3D : Road::SoftwareScreens);
    if (const char* problem = play.Problem()) return state.SkipWithError(problem);
    for (auto _ : state) {
        play.Game().Update();
        play.Game().Draw();
    }
    ReportCounts(state, play.Game());
    // Seconds per update over 1/60 s: the share of one frame's time that an update with its draw takes.
    state.counters["of_16.7ms"] = benchmark::Counter(state.iterations() / 60.0,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlayUpdateAndDraw)->ArgName("road")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
