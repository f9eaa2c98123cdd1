// The game headless from a tape: a play with a pause during a talk and a continue, named in the ranking,
// saved to a slot and watched back with every recorded update repeated, whatever is drawn; then every menu
// around play, and the files they write.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "game/frame/game_fixture.h"
#include "game/headless/walk_fixture.h"
#include "zv_test_support.h"

using namespace walkfix;

namespace {
constexpr int kDown = 1, kRight = 4, kUp = 8, kDecide = 0x10, kCancel = 0x20, kPause = 0x2000;

// Every run starts from the settings and save files of a first start.
void ClearSaves() {
    for (const char* f : {"data/score/score.dat", "data/dat/system.dat", "data/replay/data1.dat"})
        std::filesystem::remove(f);
    std::ofstream("setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=TESTER\n";
}

class ReplayWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        for (const char* d : {"data/dat", "data/material", "data/score", "data/replay"})
            std::filesystem::create_directories(d);
        WriteSprites();
        gamefix::WriteDataFile("data/dat/mes9.dat", "<window>A<stop>B<stop><end>");
        // A talk, then aimed fire at the waiting ship and a wanderer firing at random, until every life is gone.
        gamefix::WriteDataFile("data/dat/stage1.dat",
                    "wait 20 ; message mes9.dat ; enemy crystal2 380 -10 ; enemy basic 240 100 1 ; "
                    "enemy basic 200 100 1 ; enemy basic 280 100 1 ;");
    }
    // The lines of the last recording and of the last watch, by frame.
    static std::map<int, Line> Frames(const std::vector<Line>& lines, char kind) {
        std::map<int, Line> out;
        for (const Line& l : lines) {
            if (l.frame[0] != kind) continue;
            int k = std::stoi(l.frame.substr(1));
            // A new recording or watch starts over (its frame 0 falls in a fade, whose line comes first).
            if (!out.empty() && k <= out.rbegin()->first) out.clear();
            out[k] = l;
        }
        return out;
    }
    static void ExpectSamePlay(const std::map<int, Line>& recorded, const std::map<int, Line>& watched) {
        ASSERT_GT(recorded.size(), 300u);
        // The update that loses the last life is recorded; the watch ends on it.
        EXPECT_EQ(watched.size(), recorded.size() - 1);
        int compared = 0;
        for (const auto& [k, p] : watched) {
            if (k == 0) continue;   // the shot select's preview ship is still there while recording
            auto r = recorded.find(k);
            ASSERT_NE(r, recorded.end()) << "p" << k;
            ASSERT_EQ(p.scenes, r->second.scenes) << "frame " << k;
            ASSERT_EQ(p.score, r->second.score) << "frame " << k;
            ASSERT_EQ(p.lives, r->second.lives) << "frame " << k;
            ASSERT_EQ(p.hash, r->second.hash) << "frame " << k;
            ++compared;
        }
        EXPECT_GT(compared, 300);
    }

    zvtest::ScopedTempDir dir_;
};
}  // namespace

TEST_F(ReplayWalkTest, APlaySavedToASlotIsWatchedBackUpdateForUpdate) {
    // The walk's tape is written as it plays: each step waits for its scene, then presses.
    WriteSteps({
        {"CTitle", {kDecide}},                              // スタート
        {"CModeSelect", {kDecide}},                         // NORMAL MODE
        {"CShotSelect", {kDecide}},                         // NORMAL SHOT
        {"CWarning", {kDecide, kDecide}},                   // through the talk
        {"CScoreInput", {kRight, kDecide}},                 // END: named after the NAME setting
        {"CReTry", {kDecide}},                              // continue
        {"CWarning", {kDecide, kPause}},                    // a pause opened while the talk is up
        {"CPause", {kRight, kPause}, 6},                    // held keys change nothing while paused
        {"CWarning", {kDecide}},
        {"CScoreInput", {kDecide}},                         // the grid still stands on END
        {"CReTry", {kDown, kDecide}},                       // リプレイデータを記録
        {"CReplayDataSelect", {kDecide}},                   // slot 1
        {"CReplayDataName", {kUp, kDecide, kDown, kDecide}},   // "N" above END, then END
        {"CReTry", {kDown, kDown, kDecide}},                // back to the title
        {"CTitle", {kDown, kDown, kDecide}},                // リプレイ
        {"CReplayDataSelect", {kDecide}},                   // watch slot 1
        {"CReady", {}},
        {"CReplayDataSelect", {kCancel}},
        {"CTitle", {kDown, kDecide}},                       // スコア
        {"CScoreDraw", {kCancel}},
        {"CTitle", {kDown, kDown, kDown, kDecide}},         // サウンド
        {"CSoundSelect", {kDown, kCancel}},
        {"CTitle", {kDown, kDown, kDown, kDown, kDecide}},  // オプション
        {"COption", {kDown, kDown, kRight, kCancel}},       // effects off
        {"CTitle", {kDown, kDown, kDown, kDown, kDown, kDecide}},   // エンド
    });
    // Far more updates than the walk takes: the program ends on its own.
    const long limit = 20000;
    const std::string updates = "--updates " + std::to_string(limit);

    ClearSaves();
    ASSERT_EQ(RunHeadless(updates + " --steps steps.txt --tape-out tape.txt --draw never --hash-out never.hash"), 0)
        << zvtest::ReadWholeFile("stderr.txt");
    std::vector<Line> never = Lines("never.hash");
    std::map<int, Line> recorded = Frames(never, 'r');
    ExpectSamePlay(recorded, Frames(never, 'p'));
    int starts = 0;
    bool pausedInTalk = false;
    for (const Line& l : never) {
        starts += l.frame == "r1";
        pausedInTalk |= l.scenes.find("CWarning") != std::string::npos && l.scenes.find("CPause") != std::string::npos;
    }
    EXPECT_EQ(starts, 2) << "a play and its continue";
    EXPECT_TRUE(pausedInTalk);
    EXPECT_EQ(never.back().scenes, "-") << "the title closed on エンド";
    EXPECT_LT(never.size(), size_t(limit)) << "and the program ended";

    // The files the walk wrote: the options, both named plays in the ranking, progress.
    EXPECT_EQ(zvtest::ReadWholeFile("setup.ini"), "FullScreen=0\nBGM=1\nSE=0\nHardDraw=1\nNAME=TESTER\n");
    const int recordedFrames = recorded.rbegin()->first + 1;
    std::string ranking = gamefix::ReadDataFile("data/score/score.dat");
    std::string rows = "KLOV_SYSTEM\n3\n2\n0\n2000\n1\n1\n";
    ASSERT_EQ(ranking.substr(0, rows.size()), rows);
    std::string second = "\nTESTER\n3\n2\n0\n2000\n1\n1\n" + std::to_string(recordedFrames) + "\nTESTER\n0\n-1\n";
    EXPECT_NE(ranking.find(second), std::string::npos) << "the later play of the same score below the earlier";
    EXPECT_EQ(gamefix::ReadDataFile("data/dat/system.dat"), "KLOV_SYSTEM\n0\n0\n3\n");

    // The slot: the header lines, then one byte for each recorded update.
    std::string slot = zvtest::ReadWholeFile("data/replay/data1.dat");
    EncodedFileReader in;
    in.SetKey(DataFileKey);
    ASSERT_TRUE(in.Open("data/replay/data1.dat", "rb"));
    std::vector<std::string> header;
    for (int i = 0; i < 9; ++i) header.push_back(in.ReadLine());
    EXPECT_EQ(header, (std::vector<std::string>{"1.00", "N", std::to_string(recordedFrames), "2000", "1", "1", "2",
                                                "0", "1"}));
    int frames = 0;
    while (in.GetChar() >= 0) ++frames;
    EXPECT_EQ(frames, recordedFrames);

    // The same tape drawn at random records the same play and watches the same.
    ClearSaves();
    ASSERT_EQ(RunHeadless(updates + " --tape tape.txt --draw random:5 --hash-out random.hash"), 0);
    std::vector<Line> random = Lines("random.hash");
    std::map<int, Line> recordedRandom = Frames(random, 'r');
    ExpectSamePlay(recorded, Frames(random, 'p'));
    ExpectSamePlay(recordedRandom, Frames(never, 'p'));
    EXPECT_EQ(zvtest::ReadWholeFile("data/replay/data1.dat"), slot) << "same play, same date, same file";

    // Watched in a run of its own, from the title, drawn every update or at random.
    std::vector<int> watch(900, 0);
    const long title = 60;
    for (long u : {title, title + 4}) watch[size_t(u)] = kDown;
    watch[size_t(title + 8)] = kDecide;
    watch[size_t(title + 60)] = kDecide;
    WriteTape(watch, "watch.txt");
    for (const char* draw : {"every", "random:17"}) {
        const long length = 60 + 60 + 4 + long(recorded.size()) + 20;
        ASSERT_EQ(RunHeadless("--updates " + std::to_string(length) + " --tape watch.txt --draw " + draw +
                      " --hash-out watch.hash"),
                  0);
        ExpectSamePlay(recorded, Frames(Lines("watch.hash"), 'p'));
    }
}
