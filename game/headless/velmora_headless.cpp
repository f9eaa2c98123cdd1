// velmora_headless: the real game without a display, on a fake clock that
// runs every update, fed from an input tape, drawing every, no or random
// updates, with a hash of the play state per update and screenshots on
// request. A tape can also be written while playing, from steps that each
// wait for a scene and then press buttons; one run then does what a run per
// step would.
//
//   velmora_headless --run-dir DIR --updates N [--tape FILE]
//       [--steps FILE --tape-out FILE] [--draw every|never|random:SEED]
//       [--hash-out FILE] [--shot-at U1,U2,...] [--start MODE,STAGE,SHOT]
//       [--lives-floor N]
//
// A line of the steps file is "SCENE HOLD WORD...": once SCENE is among the
// scenes of an update after the previous step's presses, each (hex) WORD in
// turn is held for HOLD updates, the first from 4 updates on, each next one
// from 3 updates after the last one's release.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "frame/entry.h"
#include "frame/game.h"
#include "frame/game_system.h"
#include "frame/play_state.h"
#include "zovav_host.h"

namespace {

struct Options {
    std::string runDir;
    long updates = -1;
    std::string tape;
    std::string draw = "every";
    std::string hashOut;
    std::string steps, tapeOut;
    std::set<long> shots;
    bool start = false;
    int mode = 0, stage = 1, shot = 0;
    bool livesFloor = false;
    int livesFloorValue = 0;
};

int Usage(const char* why) {
    fprintf(stderr,
            "velmora_headless: %s\n"
            "usage: velmora_headless --run-dir DIR --updates N [--tape FILE] "
            "[--steps FILE --tape-out FILE] [--draw every|never|random:SEED] [--hash-out FILE] "
            "[--shot-at U1,U2,...] [--start MODE,STAGE,SHOT] [--lives-floor N]\n",
            why);
    return 2;
}

bool ParseInts(const char* text, std::vector<long>& out) {
    out.clear();
    const char* p = text;
    while (*p) {
        char* end;
        long v = strtol(p, &end, 10);
        if (end == p) return false;
        out.push_back(v);
        if (*end == ',') ++end;
        else if (*end) return false;
        p = end;
    }
    return !out.empty();
}

class HeadlessSystem : public GameSystem {
public:
    explicit HeadlessSystem(const Options& o) : options_(o), drawDice_(0) {
        if (o.draw.rfind("random:", 0) == 0) drawDice_.seed(uint32_t(strtoul(o.draw.c_str() + 7, nullptr, 10)));
    }

    // A tape that does not exist reads as all zeros.
    void LoadTape(const std::string& path) {
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) tape_.push_back(int(strtoul(line.c_str(), nullptr, 16)));
    }
    bool LoadSteps(const std::string& path) {
        std::ifstream in(path);
        if (!in) return false;
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            Step step;
            if (!(fields >> step.scene >> step.hold) || step.hold < 1) return false;
            for (int word; fields >> std::hex >> word;) step.words.push_back(word);
            if (!fields.eof()) return false;
            steps_.push_back(step);
        }
        return true;
    }
    bool OpenHashOut(const std::string& path) {
        hashOut_ = fopen(path.c_str(), "w");
        return hashOut_ != nullptr;
    }
    // Closes the hash file and writes the tape played; a step whose scene
    // never came turns a clean end into status 3.
    int Finish(int status) {
        if (hashOut_) fclose(hashOut_);
        hashOut_ = nullptr;
        if (!options_.tapeOut.empty()) {
            std::ofstream out(options_.tapeOut);
            for (int w : tape_) out << std::hex << w << "\n";
        }
        if (nextStep_ == steps_.size() || status != 0) return status;
        fprintf(stderr, "velmora_headless: step %zu (%s) never came after update %ld\n", nextStep_ + 1,
                steps_[nextStep_].scene.c_str(), stepsDone_);
        return 3;
    }

    // The clock follows the game's own timetable: every read finds the next
    // update due, and reading it changes nothing else.
    int NowMs() override {
        if (g_game) now_ = std::max(now_, int(std::ceil(g_game->Schedule().Next())));
        return now_;
    }
    // The finished update's hash line; an update that is not to be drawn
    // moves the clock just past its drawing limit, so the loop's draw test
    // finds it late. It never falls far enough behind for the schedule to
    // restart.
    void UpdateFinished() override {
        CGame& game = *g_game;
        long update = game.UpdateCount();
        WriteHashLine(game, update);
        TakeStep(game, update);
        if (!Draws(update))
            now_ = std::max(now_, int(std::floor(game.Schedule().Next() + CGame::kPeriodMs)) + 1);
    }
    void SleepMs(int) override {}
    // Tape line n (from 1) is the word read in update n, which play acts on in update n + 1.
    int PadWord() override {
        long update = g_game ? g_game->UpdateCount() : 0;
        return update >= 1 && size_t(update) <= tape_.size() ? tape_[size_t(update - 1)] : 0;
    }
    bool EscapeDown() override { return false; }
    int ProcessMessage() override {
        if (g_game && options_.updates >= 0 && g_game->UpdateCount() >= options_.updates) return 1;
        return ::ProcessMessage();
    }
    // 2000-01-01 00:00:00, running with the fake clock.
    void GetDate(DateTimeData* out) override {
        time_t t = time_t(946684800) + now_ / 1000;
        struct tm tm;
        gmtime_r(&t, &tm);
        *out = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
    }
    int ScreenFlip() override {
        long update = g_game ? g_game->UpdateCount() : 0;
        if (options_.shots.count(update)) {
            char path[64];
            snprintf(path, sizeof path, "data/screenshot/u%ld.bmp", update);
            SaveDrawScreenToBMP(0, 0, 640, 480, path);
        }
        return ::ScreenFlip();
    }
    void MessageBox(const char* caption, const char* text) override { HostMessageBox(caption, text); }

private:
    struct Step {
        std::string scene;
        int hold = 1;
        std::vector<int> words;
    };

    void EndProcess(int status) override { exit(Finish(status)); }
    // The words pressed land after this update, so the play so far is what
    // the tape they make plays too.
    void TakeStep(CGame& game, long update) {
        if (nextStep_ == steps_.size() || update <= stepsDone_) return;
        const Step& step = steps_[nextStep_];
        if (("+" + SceneNames(game) + "+").find("+" + step.scene + "+") == std::string::npos) return;
        long at = update + 4;
        for (int w : step.words) {
            for (int i = 0; i < step.hold; ++i) Press(at + i, w);
            at += step.hold + 3;
        }
        stepsDone_ = at;
        ++nextStep_;
    }
    void Press(long update, int word) {
        if (tape_.size() < size_t(update)) tape_.resize(size_t(update), 0);
        tape_[size_t(update - 1)] = word;
    }
    bool Draws(long update) {
        if (options_.shots.count(update)) return true;
        if (options_.draw == "every") return true;
        if (options_.draw == "never") return false;
        return (drawDice_() & 1) != 0;
    }
    void WriteHashLine(CGame& game, long update) {
        if (!hashOut_) return;
        const CGame::ReplayFrameNote& note = game.LastReplayFrame();
        char frame[16] = "-";
        if (note.kind) snprintf(frame, sizeof frame, "%c%d", note.kind, note.frame);
        fprintf(hashOut_, "%ld %s %d %d %s %016" PRIx64 "\n", update, SceneNames(game).c_str(), game.GetScore(),
                game.GetLives(), frame, PlayStateHash(game));
    }

    const Options& options_;
    std::vector<int> tape_;
    std::vector<Step> steps_;
    size_t nextStep_ = 0;
    long stepsDone_ = 0;   // the update after the last step's presses
    std::mt19937 drawDice_;
    FILE* hashOut_ = nullptr;
    int now_ = 0;
};

Options g_options;

void BeforeRun(CGame& game) {
    HostSetWaitVSync(0);   // the fake clock paces the game, not the display
    if (g_options.livesFloor) game.SetLivesFloor(g_options.livesFloorValue);
    if (!g_options.start) return;
    game.SetMode(g_options.mode);
    game.SetStage(g_options.stage);
    game.SetShotType(g_options.shot);
    game.NewGame();
}

}  // namespace

int main(int argc, char** argv) {
    Options& o = g_options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc) return Usage(("missing value after " + arg).c_str());
        const char* value = argv[++i];
        std::vector<long> ints;
        if (arg == "--run-dir") {
            o.runDir = value;
        } else if (arg == "--updates") {
            if (!ParseInts(value, ints) || ints.size() != 1 || ints[0] < 0) return Usage("bad --updates");
            o.updates = ints[0];
        } else if (arg == "--tape") {
            o.tape = value;
        } else if (arg == "--draw") {
            o.draw = value;
            if (o.draw != "every" && o.draw != "never" && o.draw.rfind("random:", 0) != 0) return Usage("bad --draw");
        } else if (arg == "--hash-out") {
            o.hashOut = value;
        } else if (arg == "--steps") {
            o.steps = value;
        } else if (arg == "--tape-out") {
            o.tapeOut = value;
        } else if (arg == "--shot-at") {
            if (!ParseInts(value, ints)) return Usage("bad --shot-at");
            o.shots.insert(ints.begin(), ints.end());
        } else if (arg == "--start") {
            if (!ParseInts(value, ints) || ints.size() != 3) return Usage("bad --start");
            o.start = true;
            o.mode = int(ints[0]);
            o.stage = int(ints[1]);
            o.shot = int(ints[2]);
        } else if (arg == "--lives-floor") {
            if (!ParseInts(value, ints) || ints.size() != 1) return Usage("bad --lives-floor");
            o.livesFloor = true;
            o.livesFloorValue = int(ints[0]);
        } else {
            return Usage(("unknown option " + arg).c_str());
        }
    }
    if (o.runDir.empty() || o.updates < 0) return Usage("--run-dir and --updates are required");
    if (o.steps.empty() != o.tapeOut.empty()) return Usage("--steps and --tape-out go together");

    // Paths given before entering the run folder stay where they point.
    auto absolute = [](std::string& path) {
        if (!path.empty()) path = std::filesystem::absolute(path).string();
    };
    absolute(o.tape);
    absolute(o.hashOut);
    absolute(o.steps);
    absolute(o.tapeOut);
    std::error_code cannotEnter;
    std::filesystem::current_path(o.runDir, cannotEnter);
    if (cannotEnter) return Usage(("cannot enter " + o.runDir).c_str());

    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    HostSkipStartupWaits(1);
    HostSetVBlankImmediate(true);

    HeadlessSystem system(o);
    if (!o.tape.empty()) system.LoadTape(o.tape);
    if (!o.steps.empty() && !system.LoadSteps(o.steps)) return Usage(("bad steps in " + o.steps).c_str());
    if (!o.hashOut.empty() && !system.OpenHashOut(o.hashOut)) return Usage(("cannot write " + o.hashOut).c_str());
    SetGameSystem(&system);
    int status = system.Finish(VelmoraMain(BeforeRun));
    SetGameSystem(nullptr);
    return status;
}
