// Whole boss chains in the headless game: from the boss word to the script going on, in every mode, under a
// tape that fires, sweeps and steps the talks; and the same play whether no or random updates are drawn.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "game/frame/game_fixture.h"

namespace {

// A 24-bit picture holding an ellipse on white (the transparent colour); the game's loader takes it whatever
// its name says.
void WriteBmp(const std::string& path, int w, int h) {
    const int row = (w * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(size_t(row) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double dx = (x - w / 2.0) / (w / 2.0), dy = (y - h / 2.0) / (h / 2.0);
            unsigned char* p = &pixels[size_t(y) * row + x * 3];
            bool inside = dx * dx + dy * dy < 1;
            p[0] = inside ? 200 : 255;
            p[1] = inside ? 80 : 255;
            p[2] = inside ? 60 : 255;
        }
    auto u32 = [](std::string& s, uint32_t v) {
        for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
    };
    auto u16 = [](std::string& s, uint16_t v) {
        s += char(v);
        s += char(v >> 8);
    };
    std::string head = "BM";
    u32(head, uint32_t(54 + pixels.size()));
    u32(head, 0);
    u32(head, 54);
    u32(head, 40);
    u32(head, uint32_t(w));
    u32(head, uint32_t(h));
    u16(head, 1);
    u16(head, 24);
    for (int i = 0; i < 6; ++i) u32(head, i == 1 ? uint32_t(pixels.size()) : 0);
    std::ofstream out(path, std::ios::binary);
    out << head;
    out.write(reinterpret_cast<const char*>(pixels.data()), std::streamsize(pixels.size()));
}

struct HashLine {
    long update;
    std::string scenes;
    int score;
};

std::vector<HashLine> ReadHashes(const std::string& path, std::string* whole) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    *whole = all.str();
    std::vector<HashLine> lines;
    std::istringstream text(*whole);
    for (std::string line; std::getline(text, line);) {
        std::istringstream fields(line);
        HashLine h;
        fields >> h.update >> h.scenes >> h.score;
        lines.push_back(h);
    }
    return lines;
}

// What the four phases of boss b pay in mode m, with the first boss's crystals.
int PhaseScores(int b, int m) {
    switch (b) {
        case 1: return (m == 3 ? 8000 : 10000 * m + 12500) + 5000 * m + 15000 + 7500 * m + 18000 + 8000 * m + 18000 +
                       4000 * (m == 3 ? 10 : 4);
        case 2: return 5000 * m + 30000 + 8000 * m + 32100 + 10000 * m + 35000 + 10000 * m + 36000;
        default: return 9200 * m + 35000 + 7000 * m + 37500 + 6200 * m + 39000 + 5000 * m + 40000;
    }
}

// A run folder for one boss, and the tape every run plays.
class BossRun : public ::testing::Test {
protected:
    void Prepare(int boss) {
        ASSERT_FALSE(dir_.path().empty());
        for (const char* d : {"run/data/dat", "run/data/material", "run/data/score", "run/data/replay",
                              "run/data/screenshot"})
            std::filesystem::create_directories(d);
        std::ofstream("run/setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=0\nNAME=\n";
        for (int i = 1; i <= 3; ++i) WriteBmp("run/data/material/boss" + std::to_string(i) + ".png", 121, 100);
        for (int i = 1; i <= 9; ++i) WriteBmp("run/data/material/enemy" + std::to_string(i) + ".png", 32, 32);
        // The boss word and, once the boss has gone, the stage clear: the practice room and the first stage.
        const std::string script = "enemy boss" + std::to_string(boss) + " 240 -60 ;\nclear ;\n";
        gamefix::WriteDataFile("run/data/dat/room.dat", script);
        gamefix::WriteDataFile("run/data/dat/stage1.dat", script);
        for (int i = 1; i <= 6; ++i)
            gamefix::WriteDataFile("run/data/dat/mes" + std::to_string(i) + ".dat",
                                   "<window>first page<stop><clear><window>second page<stop>");
        for (int i = 0; i <= 2; ++i)
            gamefix::WriteDataFile("run/data/dat/position" + std::to_string(i) + ".dat", "100 120 300 140 240 100");
        // Fire held while sweeping left and right; every 30 updates a release and a lone decide step the talk.
        std::ofstream tape("tape.txt");
        for (int u = 0; u < kUpdates; ++u) {
            int phase = u % 160, sweep = phase < 40 || phase >= 120 ? 4 : 2;
            tape << std::hex << (u % 30 == 28 ? 0 : u % 30 == 29 ? 0x10 : 0x10 | sweep) << "\n";
        }
    }

    // Runs the headless game in mode m; the per-update hash lines land in out.
    void Play(int m, const std::string& draw, const std::string& out) {
        std::string command = std::string(VELMORA_HEADLESS) + " --run-dir run --tape tape.txt --hash-out " + out +
                              " --updates " + std::to_string(kUpdates) + " --draw " + draw + " --start " +
                              std::to_string(m) + ",1,0 --lives-floor 3 > /dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    static constexpr int kUpdates = 10000;
    zvtest::ScopedTempDir dir_;
};

class BossChain : public BossRun, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override { Prepare(GetParam()); }
};

// A boss, and which of its two seeds picks the updates drawn.
class BossDrawn : public BossRun, public ::testing::WithParamInterface<std::tuple<int, int>> {
protected:
    void SetUp() override { Prepare(std::get<0>(GetParam())); }
};

}  // namespace

TEST_P(BossChain, RunsFromItsWordToTheScriptGoingOnInEveryMode) {
    const int boss = GetParam();
    for (int m = 0; m <= 3; ++m) {
        SCOPED_TRACE("boss " + std::to_string(boss) + " mode " + std::to_string(m));
        const std::string out = "mode" + std::to_string(m) + ".txt";
        Play(m, "never", out);
        std::string whole;
        std::vector<HashLine> lines = ReadHashes(out, &whole);
        ASSERT_EQ(lines.size(), size_t(kUpdates));
        int talks = 0, cleared = -1;
        std::string previous;
        for (const HashLine& h : lines) {
            bool talk = h.scenes.find("CWarning") != std::string::npos;
            if (talk && previous.find("CWarning") == std::string::npos) ++talks;
            previous = h.scenes;
            if (h.scenes.find("CStageClear") != std::string::npos) {
                cleared = int(h.update);
                break;
            }
        }
        ASSERT_GT(cleared, 0) << "the script never went on after the boss";
        EXPECT_EQ(talks, 2) << "an opening and a closing talk";
        // The score at the clear is the four phases (and crystals), plus, outside the practice room, which
        // drops no items and loses no ships, the items picked up and a point per ship lost.
        const int score = lines[size_t(cleared - 1)].score, phases = PhaseScores(boss, m);
        if (m == 0)
            EXPECT_EQ(score, phases);
        else
            EXPECT_GE(score, phases);
    }
}

INSTANTIATE_TEST_SUITE_P(Bosses, BossChain, ::testing::Values(1, 2, 3));

// Drawing, skipped or not, never changes the play: the same tape gives the same hashes whichever updates are
// drawn.
TEST_P(BossDrawn, PlaysTheSameWhateverIsDrawn) {
    const auto [boss, which] = GetParam();
    const int seed = boss * 7 + which;
    Play(3, "never", "never.txt");
    Play(3, "random:" + std::to_string(seed), "random.txt");
    std::string never, drawn;
    ReadHashes("never.txt", &never);
    ReadHashes("random.txt", &drawn);
    EXPECT_TRUE(drawn == never) << "drawing the updates chosen by seed " << seed << " changed the play";
}

INSTANTIATE_TEST_SUITE_P(Bosses, BossDrawn, ::testing::Combine(::testing::Values(1, 2, 3), ::testing::Values(0, 1)));
