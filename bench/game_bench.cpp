// The game's cost on a busy moment of play: 40 enemies, 400 bullets and the shots of a ship firing its spread
// volley, updated headless without drawing (reported as a multiple of real time, 60 updates a second) and
// updated and drawn each time (reported as the fraction of a 16.7 ms frame that it takes).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/player.h"
#include "core/startup.h"
#include "frame/game.h"
#include "frame/game_system.h"
#include "graphics/draw_front.h"
#include "platform/vblank_clock.h"
#include "zovav.h"

namespace {

// The library's own services, with the pad holding the shot button and flips that present nothing.
class BenchSystem : public GameSystem {
public:
    int NowMs() override { return 0; }
    void SleepMs(int) override {}
    int PadWord() override { return 0x10; }
    bool EscapeDown() override { return false; }
    int ProcessMessage() override { return 0; }
    void GetDate(DateTimeData* out) override { *out = {2000, 1, 1, 0, 0, 0}; }
    int ScreenFlip() override { return 0; }
    void MessageBox(const char*, const char*) override {}

protected:
    void EndProcess(int status) override { std::exit(status); }
};

class BusyPlay {
public:
    bool Start() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        char pattern[] = "/tmp/zvgamebench.XXXXXX";
        if (mkdtemp(pattern) == nullptr || chdir(pattern) != 0) return false;
        dir_ = pattern;
        for (const char* d : {"data/dat", "data/score", "data/replay", "data/screenshot"})
            std::filesystem::create_directories(d);
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);
        ChangeWindowMode(1);
        if (ZoVav_Init() != 0) return false;
        SetGameSystem(&system_);
        game_ = std::make_unique<CGame>();
        g_game = game_.get();
        MakeSprites();
        game_->SetMode(0);   // the practice room: the ship is never lost
        game_->SetShotType(0);
        game_->SetPlayer(new CNormalPlayer(240, 440));
        // Enemies stand in two blocks beside the ship's line of fire, so that the shots fly the whole field.
        for (int i = 0; i < 40; ++i) {
            float x = (i % 10 < 5 ? 30 : 350) + (i % 5) * 25.0f;
            new CSmallEnemy(i % 9, x, 40 + (i / 10) * 50.0f, 1e9f, 0);
        }
        for (int i = 0; i < 400; ++i) new CDirBullet(20 + (i % 25) * 18.0f, 240 + (i / 25) * 10.0f, 0, 0, 0, i % 14);
        for (int i = 0; i < 60; ++i) game_->Update();   // the volleys fill the screen with shots
        return true;
    }
    void End() {
        game_->ClearAllBut(0);
        game_.reset();
        g_game = nullptr;
        SetGameSystem(nullptr);
        ZoVav_End();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    CGame& Game() { return *game_; }

private:
    // Plain coloured sprites at the art's sizes, so that every actor draws and has its hit box.
    void MakeSprites() {
        auto make = [](int w, int h, int r, int g, int b) {
            int graph = MakeGraph(w, h);
            FillGraph(graph, r, g, b, 255);
            return graph;
        };
        for (int i = 0; i < 14; ++i) {
            game_->bulletImages[i] = make(16, 16, 200, 80 + i * 10, 40);
            game_->bulletSizes[i] = {16, 16};
        }
        for (int i = 0; i < 9; ++i) {
            game_->enemyImages[i] = make(48, 40, 60, 200, 90);
            game_->enemySizes[i] = {48, 40};
        }
        for (int& h : game_->playerImages) h = make(36, 42, 220, 220, 255);
        game_->shotImage = make(12, 24, 120, 200, 255);
        game_->backgroundImage = make(640, 480, 20, 30, 60);
    }

    std::string dir_;
    BenchSystem system_;
    std::unique_ptr<CGame> game_;
};

void ReportCounts(benchmark::State& state, CGame& game) {
    state.counters["enemies"] = game.Pool(POOL_ENEMY)->GetCount();
    state.counters["bullets"] = game.Pool(POOL_BULLET)->GetCount();
    state.counters["shots"] = game.Pool(POOL_SHOT)->GetCount();
}

void BM_PlayUpdateWithoutDrawing(benchmark::State& state) {
    BusyPlay play;
    if (!play.Start()) {
        state.SkipWithError("the library did not start");
        return;
    }
    for (auto _ : state) play.Game().Update();
    ReportCounts(state, play.Game());
    // Updates a second over 60: how many times faster than the game runs.
    state.counters["x_real_time"] = benchmark::Counter(state.iterations() / 60.0, benchmark::Counter::kIsRate);
    play.End();
}
BENCHMARK(BM_PlayUpdateWithoutDrawing)->Unit(benchmark::kMicrosecond);

void BM_PlayUpdateAndDraw(benchmark::State& state) {
    BusyPlay play;
    if (!play.Start()) {
        state.SkipWithError("the library did not start");
        return;
    }
    for (auto _ : state) {
        play.Game().Update();
        play.Game().Draw();
    }
    ReportCounts(state, play.Game());
    // Seconds per update over 1/60 s: the share of one frame's time that an update with its draw takes.
    state.counters["of_16.7ms"] = benchmark::Counter(state.iterations() / 60.0,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    play.End();
}
BENCHMARK(BM_PlayUpdateAndDraw)->Unit(benchmark::kMicrosecond);

}  // namespace
