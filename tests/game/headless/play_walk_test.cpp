// Plays through the real game headless: the walk from the title through a lost play back to the title, and
// every ordinary enemy kind in every mode, whose per-update hashes must not depend on the run or on drawing.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "walk_fixture.h"
#include "zv_test_support.h"

using namespace walkfix;

namespace {
class PlayWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        std::filesystem::create_directories("data/dat");
        std::filesystem::create_directories("data/material");
        std::ofstream("setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";
        walkfix::WriteSprites();
    }
    zvtest::ScopedTempDir dir_;
};
}  // namespace

TEST_F(PlayWalkTest, TitleModeShotReadyStageGameOverRetryTitle) {
    // Aimed fire at the waiting ship until every life is gone.
    gamefix::WriteDataFile("data/dat/stage1.dat", "enemy basic 240 100 1 ; enemy basic 240 100 1 ; enemy basic 240 100 1 ;");
    // A ranking the play cannot enter, so no name entry comes before the retry menu.
    std::string ranking = "KLOV_SYSTEM\n";
    for (int i = 0; i < 10; ++i) ranking += "1000\n2\n0\n2000\n1\n1\n60\nTOP\n";
    std::filesystem::create_directories("data/score");
    gamefix::WriteDataFile("data/score/score.dat", ranking);
    std::vector<int> tape(4000, 0);
    tape[2] = tape[7] = tape[12] = 0x10;   // start, NORMAL MODE, NORMAL SHOT
    WriteTape(tape);
    ASSERT_EQ(RunHeadless("--updates 4000 --tape tape.txt --draw never --hash-out first.txt"), 0);
    std::vector<Line> first = Lines("first.txt");
    long retry = FirstWith(first, "CReTry");
    ASSERT_GT(retry, 0) << "the play never ended";
    EXPECT_LT(FirstWith(first, "CModeSelect"), FirstWith(first, "CShotSelect"));
    EXPECT_LT(FirstWith(first, "CShotSelect"), FirstWith(first, "CReady"));
    EXPECT_LT(FirstWith(first, "CReady"), FirstWith(first, "CStage"));
    EXPECT_LT(FirstWith(first, "CStage"), FirstWith(first, "CGameOver"));
    EXPECT_LT(FirstWith(first, "CGameOver"), retry);
    EXPECT_EQ(first[retry - 2].lives, 0);
    EXPECT_EQ(first[retry - 2].score, 3) << "each crash adds one point";

    // Down twice to "タイトル画面に戻る", then decide.
    tape[retry + 1] = tape[retry + 4] = 0x01;
    tape[retry + 7] = 0x10;
    WriteTape(tape);
    ASSERT_EQ(RunHeadless("--updates 4000 --tape tape.txt --draw random:3 --hash-out walk.txt"), 0);
    std::vector<Line> walk = Lines("walk.txt");
    EXPECT_EQ(walk[retry + 20].scenes, "CTitle");
    EXPECT_EQ(walk[retry + 20].lives, 0);
}

// A play mode and a way of drawing, every update or a random half of them; each is held against no drawing.
class EveryKindTest : public PlayWalkTest, public ::testing::WithParamInterface<std::tuple<int, std::string>> {};

TEST_P(EveryKindTest, PlaysTheSameWhateverIsDrawn) {
    // Each ordinary kind word, then "basic" in its five patterns, whose bullet sources hold the script 1200
    // updates each; then the kinds again, against a ship that has moved on.
    std::string round =
        "enemy bigrabbit1 120 -10 ; enemy smallrabbit1 300 -10 ; enemy crystal1 100 -10 ; enemy crystal2 380 -10 ;"
        "wait 60 ; enemy bigrabbit2 360 -10 ; enemy smallrabbit2 60 40 ; enemy crystal3 240 -10 ; wait 60 ;"
        "enemy bigrabbit3 240 -10 ; enemy smallrabbit3 140 -10 0 ; enemy crystal4 330 -10 ; wait 60 ;"
        "enemy bigrabbit4 200 -10 20 ; enemy smallrabbit4 280 -10 10 ; enemy crystal5 100 -10 0 ; wait 60 ;"
        "enemy bigrabbit5 300 -10 ; enemy smallrabbit5 180 -10 0 1 ; enemy crystal6 240 -10 0 150 ; wait 60 ;"
        "enemy crystal7 240 -10 0 ; enemy crystal8 20 200 2 0 ; enemy crystal8 240 -10 1 150 ; wait 120 ;"
        "enemy basic 240 80 4 ; enemy basic 240 80 0 ; enemy basic 240 80 2 ;"
        "enemy basic 240 80 3 ; enemy basic 240 80 1 ;";
    for (const char* file : {"room", "stage1"})
        gamefix::WriteDataFile(std::string("data/dat/") + file + ".dat", round + round);
    // The second round's kinds are all gone by this update in every mode.
    constexpr int kUpdates = 7500;
    // Wandering and firing, with both buttons, changed every 37 updates.
    std::mt19937 dice(5);
    const int moves[] = {0, 1, 2, 4, 8, 1 | 2, 1 | 4, 8 | 2, 8 | 4}, fire[] = {0, 0x10, 0x10, 0x20};
    std::vector<int> tape;
    for (int u = 0, w = 0; u < kUpdates; ++u) {
        if (u % 37 == 0) w = moves[dice() % 9] | fire[dice() % 4];
        tape.push_back(w);
    }
    WriteTape(tape);
    const auto& [mode, way] = GetParam();
    const std::string start = " --updates " + std::to_string(kUpdates) + " --tape tape.txt --lives-floor 3 --start " +
                              std::to_string(mode) + ",1," + std::to_string(mode % 2);
    ASSERT_EQ(RunHeadless(start + " --draw never --hash-out a.txt"), 0);
    const std::string draw = way == "every" ? way : "random:" + std::to_string(mode + 11);
    ASSERT_EQ(RunHeadless(start + " --draw " + draw + " --hash-out b.txt"), 0);
    EXPECT_EQ(Lines("a.txt").size(), size_t(kUpdates));
    EXPECT_EQ(zvtest::ReadWholeFile("b.txt"), zvtest::ReadWholeFile("a.txt"));
    EXPECT_GT(Lines("a.txt").back().score, 1000) << "enemies were shot down";
}

// Play modes BASIC (the practice room), EASY, NORMAL and CRISIS, each drawn both ways.
INSTANTIATE_TEST_SUITE_P(Modes, EveryKindTest,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Values("every", "random")),
                         [](const auto& info) {
                             return std::to_string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                         });
