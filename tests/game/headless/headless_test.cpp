// The game run headless end to end: hash lines that depend on the input tape
// alone, the files of a first start, screenshots, start-up failures and the
// harness's own options, among them the tape it writes from steps.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "game/frame/game_fixture.h"
#include "zv_test_support.h"

// stderr is UTF-8, so its expected texts are u8 literals.
namespace {
const char* const kDefaultSetup = "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";

struct Result {
    int status;
    std::string errors;
};

class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        WriteText("setup.ini", kDefaultSetup);
    }
    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    // Runs the harness in this folder with the given options.
    Result Run(const std::string& options) {
        std::string command = std::string(VELMORA_HEADLESS) + " --run-dir . " + options + " 2>stderr.txt";
        int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, zvtest::ReadWholeFile("stderr.txt")};
    }
    static std::vector<std::string> Lines(const std::string& path) {
        std::vector<std::string> out;
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }

    zvtest::ScopedTempDir dir_;
};
}  // namespace

TEST_F(HeadlessTest, WritesOneHashLinePerUpdateAndEndsWithStatus0) {
    Result r = Run("--updates 90 --hash-out hash.txt");
    ASSERT_EQ(r.status, 0) << r.errors;
    std::vector<std::string> lines = Lines("hash.txt");
    ASSERT_EQ(lines.size(), 90u);
    const std::regex shape("([0-9]+) (-|[A-Za-z_:+0-9]+) (-?[0-9]+) (-?[0-9]+) (-|[rp][0-9]+) ([0-9a-f]{16})");
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, shape)) << lines[i];
        EXPECT_EQ(m[1].str(), std::to_string(i + 1));
    }
    EXPECT_EQ(lines[0].substr(0, 15), "1 CTitle 0 0 - ") << "the title, score 0, no lives before a game";
}

TEST_F(HeadlessTest, TheLinesDependOnTheTapeAloneNotOnDrawing) {
    WriteText("tape.txt", "0\n10\n2040\n7f\n\n40\n1\n");
    ASSERT_EQ(Run("--updates 150 --tape tape.txt --hash-out a.txt --draw every").status, 0);
    ASSERT_EQ(Run("--updates 150 --tape tape.txt --hash-out b.txt --draw never").status, 0);
    ASSERT_EQ(Run("--updates 150 --tape tape.txt --hash-out c.txt --draw random:7").status, 0);
    ASSERT_EQ(Run("--updates 150 --tape tape.txt --hash-out d.txt --draw every").status, 0);
    std::string a = zvtest::ReadWholeFile("a.txt");
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(zvtest::ReadWholeFile("b.txt"), a);
    EXPECT_EQ(zvtest::ReadWholeFile("c.txt"), a);
    EXPECT_EQ(zvtest::ReadWholeFile("d.txt"), a);
}

TEST_F(HeadlessTest, AFirstStartWritesTheSaveFilesAndAnExitWritesTheSystemFile) {
    ASSERT_EQ(Run("--updates 1").status, 0);
    const unsigned char system[] = {0x56, 0x4A, 0x79, 0x69, 0x5C, 0x4E, 0x5F, 0x65, 0x6B,
                                    0x46, 0x50, 0x0C, 0x06, 0x35, 0x33, 0x17, 0x35, 0x3C};
    EXPECT_EQ(zvtest::ReadWholeFile("data/dat/system.dat"), std::string(system, system + sizeof system));
    std::string score = gamefix::ReadDataFile("data/score/score.dat");
    std::string expected = "KLOV_SYSTEM\n";
    for (int i = 0; i < 10; ++i) expected += "0\n-1\n-1\n0\n0\n0\n0\n----------\n";
    EXPECT_EQ(score, expected);
    for (const char* d : {"data/replay", "data/screenshot"}) EXPECT_TRUE(std::filesystem::is_directory(d)) << d;

    // A stored last stage below 3 loads as 3 and is written back so.
    gamefix::WriteDataFile("data/dat/system.dat", "KLOV_SYSTEM\n2\n1\n2\n");
    ASSERT_EQ(Run("--updates 1").status, 0);
    EXPECT_EQ(gamefix::ReadDataFile("data/dat/system.dat"), "KLOV_SYSTEM\n2\n1\n3\n");
}

TEST_F(HeadlessTest, ScreenshotsOnRequestAndFromTheButton) {
    std::string tape;
    for (int i = 0; i < 130; ++i) tape += "40\n";
    WriteText("tape.txt", tape);
    ASSERT_EQ(Run("--updates 130 --tape tape.txt --draw never --shot-at 3,100").status, 0);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("data/screenshot")) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    // The held button saves at once, then once per 60 updates; the date runs
    // with the game's clock from 2000-01-01 00:00:00.
    EXPECT_EQ(names, (std::vector<std::string>{"20000101000000.bmp", "20000101000001.bmp", "20000101000002.bmp",
                                               "u100.bmp", "u3.bmp"}));
    std::string shot = zvtest::ReadWholeFile("data/screenshot/u3.bmp");
    EXPECT_EQ(shot.size(), 54u + 640u * 480u * 3u);
    EXPECT_EQ(shot.substr(0, 2), "BM");
}

TEST_F(HeadlessTest, StartAndLivesFloorSetUpAPlay) {
    ASSERT_EQ(Run("--updates 2 --start 1,2,0 --hash-out a.txt").status, 0);
    EXPECT_EQ(Lines("a.txt")[0].substr(0, 15), "1 CReady 0 5 r0") << "EASY starts with five lives";
    ASSERT_EQ(Run("--updates 2 --start 2,1,1 --lives-floor 9 --hash-out b.txt").status, 0);
    EXPECT_EQ(Lines("b.txt")[0].substr(0, 15), "1 CReady 0 9 r0");
    EXPECT_NE(Lines("a.txt")[0], Lines("b.txt")[0]);
}

TEST_F(HeadlessTest, StartUpFailuresEndWithTheGamesStatus) {
    std::filesystem::remove("setup.ini");
    Result r = Run("--updates 5");
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.errors.find(u8"エラー発生 ID=001: setup.iniの構文ミスです。\nFullScreenが存在しません。"), std::string::npos)
        << r.errors;
    EXPECT_FALSE(std::filesystem::exists("Log.txt")) << "the library never started";

    WriteText("setup.ini", kDefaultSetup);
    std::filesystem::create_directories("data/score");
    WriteText("data/score/score.dat", "");
    r = Run("--updates 5 --hash-out h.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.errors.find(u8"エラー発生 ID=003: スコアファイルが壊れています。"), std::string::npos) << r.errors;
    EXPECT_EQ(zvtest::ReadWholeFile("data/score/score.dat"), "") << "the broken file is kept";
}

TEST_F(HeadlessTest, StepsPressWhenTheirScenesShowAndTheTapeTheyWritePlaysTheSame) {
    WriteText("steps.txt", "CTitle 1 10\nCModeSelect 2 8 10\n");
    Result r = Run("--updates 300 --steps steps.txt --tape-out tape.txt --draw never --hash-out a.txt");
    ASSERT_EQ(r.status, 0) << r.errors;
    std::vector<std::string> hashes = Lines("a.txt");
    // Decide 4 updates after the title shows in update 1; the next step looks from update 10 (the press and
    // 3 more) for the mode select, then holds up for two updates 4 on, and decide for two 3 after the release.
    size_t modeSelect = 10;
    while (modeSelect <= hashes.size() && hashes[modeSelect - 1].find(" CModeSelect") == std::string::npos)
        ++modeSelect;
    ASSERT_LT(modeSelect, hashes.size());
    std::vector<std::string> expected(modeSelect + 10, "0");
    expected[4] = "10";
    for (size_t u : {modeSelect + 4, modeSelect + 5}) expected[u - 1] = "8";
    for (size_t u : {modeSelect + 9, modeSelect + 10}) expected[u - 1] = "10";
    EXPECT_EQ(Lines("tape.txt"), expected);
    ASSERT_EQ(Run("--updates 300 --tape tape.txt --draw random:3 --hash-out b.txt").status, 0);
    EXPECT_EQ(zvtest::ReadWholeFile("b.txt"), zvtest::ReadWholeFile("a.txt"));

    // A step whose scene never shows ends a clean run with status 3, naming it; the tape so far is written.
    // A part of a shown scene's name is not that scene.
    for (const char* scene : {"CScoreDraw", "ModeSelect", "CModeSelec"}) {
        SCOPED_TRACE(scene);
        WriteText("steps.txt", std::string("CTitle 1 10\n") + scene + " 1 20\n");
        r = Run("--updates 300 --steps steps.txt --tape-out tape.txt --draw never");
        EXPECT_EQ(r.status, 3);
        EXPECT_NE(r.errors.find("step 2 (" + std::string(scene) + ") never came after update 9"), std::string::npos)
            << r.errors;
        EXPECT_EQ(Lines("tape.txt").size(), 5u);
    }
}

TEST_F(HeadlessTest, RefusesBadOptions) {
    WriteText("steps.txt", "CTitle 1 10\n");
    WriteText("bad-steps.txt", "CTitle 1 10\nCTitle fast 10\n");
    for (const char* options :
         {"", "--updates x", "--updates 5 --draw sometimes", "--updates 5 --start 1,2", "--updates 5 --bogus 1",
          "--updates 5 --steps steps.txt", "--updates 5 --steps bad-steps.txt --tape-out tape.txt",
          "--updates 5 --steps missing.txt --tape-out tape.txt"})
        EXPECT_EQ(Run(options).status, 2) << options;
}

TEST_F(HeadlessTest, AStageScriptWithNoWayOutEndsThePlayAtTheRetryMenuAndSaysWhy) {
    struct Case {
        const char* name;
        std::string raw;        // written as it stands; "-" writes no file, "/" makes a folder
        const char* scrambled;  // written through the data key instead, when set
        const char* logged;     // the reason after the file name; null when the script has a way out
        long retryAt;           // the update that shows the retry menu; the stage starts in update 101
    } cases[] = {
        {"missing", "-", nullptr, u8"を開けません", 101},
        {"empty", "", nullptr, u8"は空です", 101},
        {"a folder", "/", nullptr, u8"はファイルではありません", 101},
        {"junk", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\x01", 18), nullptr, u8"にコマンドがありません", 101},
        {"truncated", "", "wait 30 ; enemy crystal8 100 100 ; wait 20 ; enemy crystal8 200 100 ; cle",
         u8"は clear も gameover もないまま終わります",
         153},
        {"game over", "", "wait 30 ; gameover ;", nullptr, 332},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::create_directories("data/dat");
        std::filesystem::remove("data/dat/stage1.dat");
        if (c.scrambled) gamefix::WriteDataFile("data/dat/stage1.dat", c.scrambled);
        else if (c.raw == "/") std::filesystem::create_directory("data/dat/stage1.dat");
        else if (c.raw != "-") WriteText("data/dat/stage1.dat", c.raw);
        Result r = Run("--updates 400 --start 2,1,0 --draw never --hash-out h.txt");
        ASSERT_EQ(r.status, 0) << r.errors;
        std::vector<std::string> lines = Lines("h.txt");
        auto firstWith = [&](const std::string& scene) {
            for (size_t i = 0; i < lines.size(); ++i)
                if (lines[i].find(" " + scene) != std::string::npos) return long(i + 1);
            return -1L;
        };
        EXPECT_EQ(firstWith("CReTry"), c.retryAt) << "the play must end, not leave an empty field";
        std::string line = std::string(u8"ステージスクリプト data/dat/stage1.dat ") + (c.logged ? c.logged : "");
        EXPECT_EQ(r.errors.find(line) != std::string::npos, c.logged != nullptr) << r.errors;
    }
}
