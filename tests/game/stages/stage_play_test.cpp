// Plays every stage of the game's own content from its start to its clear, as a player who holds fire and
// sweeps the field would: the waves must let such a player through and each boss must come and be beaten.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "frame/encoded_file.h"
#include "zv_test_support.h"

namespace {

constexpr long kUpdates = 40000;  // 11 minutes: a stage, its boss and a little of what follows

struct StageCase {
    const char* name;
    int mode, stage;  // mode 0 BASIC plays the practice room; stage 4, beyond the last, plays stage0.dat
    bool boss;
};
void PrintTo(const StageCase& c, std::ostream* os) { *os << c.name; }

// One run of the same scene list, e.g. 184 updates of "CStage+CWarning".
struct SceneRun {
    std::string scenes;
    long first, length;
};

// Plays from the given start and returns the scenes update by update, grouped into runs.
std::vector<SceneRun> Play(const std::string& start, long updates = kUpdates) {
    std::string command = std::string(VELMORA_HEADLESS) + " --run-dir . --updates " + std::to_string(updates) +
                          " --tape tape.txt --draw never --lives-floor 1 --hash-out play.txt --start " + start +
                          " 2>stderr.txt";
    int raw = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << zvtest::ReadWholeFile("stderr.txt");
    std::vector<SceneRun> runs;
    std::ifstream in("play.txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        long update;
        std::string scenes;
        fields >> update >> scenes;
        if (!runs.empty() && runs.back().scenes == scenes) ++runs.back().length;
        else runs.push_back({scenes, update, 1});
    }
    return runs;
}

class StagePlayTest : public testing::TestWithParam<StageCase> {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        // The scripts one by one: the game writes its system file beside them.
        std::filesystem::create_directories("data/dat");
        for (const auto& e : std::filesystem::directory_iterator(std::string(ZV_GAME_DATA_DIR) + "/dat"))
            if (e.path().extension() == ".dat" && e.path().filename() != "system.dat")
                std::filesystem::create_symlink(e.path(), "data/dat" / e.path().filename());
        std::filesystem::create_directory_symlink(std::string(ZV_GAME_DATA_DIR) + "/material", "data/material");
        std::ofstream("setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";
        // Fire held while the ship sweeps from side to side; every 30 updates one update without buttons and
        // one with the shot alone, so that talks step page by page.
        std::ofstream tape("tape.txt");
        for (long u = 0; u < kUpdates; ++u) {
            int word = u % 30 == 0 ? 0 : u % 30 == 1 ? 0x10 : 0x10 | ((u / 120) % 2 ? 4 : 2);
            tape << std::hex << word << "\n";
        }
    }

    zvtest::ScopedTempDir dir_;
};

// The game's own folders and pictures, with stage scripts that hold only their clear.
class ClearOnlyPlayTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        for (const char* sub : {"data/dat", "data/replay", "data/score"}) std::filesystem::create_directories(sub);
        std::filesystem::create_directory_symlink(std::string(ZV_GAME_DATA_DIR) + "/material", "data/material");
        std::ofstream("setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";
        for (const char* name : {"stage1", "stage2", "stage3"}) {
            EncodedFileWriter w;
            w.SetKey(DataFileKey);
            ASSERT_TRUE(w.Open(std::string("data/dat/") + name + ".dat", "wb"));
            w.WriteString("clear ;");
            ASSERT_TRUE(w.Close());
        }
        // A lone decide every 30 updates, and a step right half way between.
        std::ofstream tape("tape.txt");
        for (long u = 0; u < 2000; ++u) tape << (u % 30 == 1 ? "10" : u % 30 == 15 ? "4" : "0") << "\n";
    }

    zvtest::ScopedTempDir dir_;
};

TEST_P(StagePlayTest, ReachesItsBossAndItsClear) {
    const StageCase& c = GetParam();
    std::vector<SceneRun> runs = Play(std::to_string(c.mode) + "," + std::to_string(c.stage) + ",0");
    ASSERT_FALSE(runs.empty());
    long start = -1, clear = -1;
    std::vector<long> bossTalks;  // a boss talks without holding the script; a script's talk holds it
    int scriptTalks = 0;
    for (const SceneRun& r : runs) {
        if (start < 0 && r.scenes.rfind("CStage", 0) == 0) start = r.first;
        if (clear >= 0) break;
        if (r.scenes.find("CStageClear") != std::string::npos) clear = r.first;
        if (r.scenes == "CStage+CWarning" && r.length > 10) bossTalks.push_back(r.first);
        if (r.scenes == "CStage+CWarning+CStopWarning") ++scriptTalks;
    }
    ASSERT_GE(start, 0) << c.name << " never started";
    ASSERT_GE(clear, 0) << c.name << " is not cleared in " << kUpdates << " updates";
    double clearSeconds = (clear - start) / 60.0;
    if (c.boss) {
        ASSERT_EQ(bossTalks.size(), 2u) << c.name << ": its boss talks before and after the fight";
        double bossSeconds = (bossTalks[0] - start) / 60.0;
        std::printf("%s: boss after %.1f s, clear after %.1f s\n", c.name, bossSeconds, clearSeconds);
        RecordProperty("seconds_to_boss", std::to_string(bossSeconds));
        EXPECT_GE(bossSeconds, 150) << c.name << ": the boss comes too soon";
        EXPECT_LE(bossSeconds, 330) << c.name << ": the boss comes too late";
    } else {
        EXPECT_TRUE(bossTalks.empty()) << c.name;
        std::printf("%s: clear after %.1f s\n", c.name, clearSeconds);
        EXPECT_GE(clearSeconds, 45) << c.name;
        EXPECT_GE(scriptTalks, 1) << c.name << ": its script's talks are shown";
    }
}

TEST_F(ClearOnlyPlayTest, ThreeClearedStagesLeadThroughTheReplaySaveToTheEnding) {
    std::vector<SceneRun> runs = Play("1,1,0", 2000);
    std::vector<std::string> order;
    for (const SceneRun& r : runs)
        if (order.empty() || order.back() != r.scenes) order.push_back(r.scenes);
    int clears = 0;
    size_t at = 0;
    auto clearing = [&](size_t i) { return order[i].find("CStageClear") != std::string::npos; };
    for (; at < order.size() && order[at] != "CReplayDataSelect"; ++at)
        clears += clearing(at) && !(at && clearing(at - 1));
    EXPECT_EQ(clears, 3) << "each stage is cleared once before the play ends";
    ASSERT_LT(at + 2, order.size()) << "the play never offered to save its replay";
    EXPECT_EQ(order[at + 1], "CReplayDataName") << "slot 1 is chosen";
    EXPECT_EQ(order[at + 2], "CEnding") << "END on the name grid saves and shows the ending";
    EXPECT_TRUE(std::filesystem::exists("data/replay/data1.dat"));
    auto ending = std::find_if(runs.begin(), runs.end(), [](const SceneRun& r) { return r.scenes == "CEnding"; });
    ASSERT_NE(ending, runs.end());
    EXPECT_GE(ending->length, 1100) << "the ending holds until it may be left";
}

INSTANTIATE_TEST_SUITE_P(Content, StagePlayTest,
                         testing::Values(StageCase{"room", 0, 1, false}, StageCase{"extra", 2, 4, false},
                                         StageCase{"easy1", 1, 1, true}, StageCase{"easy2", 1, 2, true},
                                         StageCase{"easy3", 1, 3, true}, StageCase{"normal1", 2, 1, true},
                                         StageCase{"normal2", 2, 2, true}, StageCase{"normal3", 2, 3, true},
                                         StageCase{"crisis1", 3, 1, true}, StageCase{"crisis2", 3, 2, true},
                                         StageCase{"crisis3", 3, 3, true}),
                         [](const testing::TestParamInfo<StageCase>& info) { return std::string(info.param.name); });

}  // namespace
