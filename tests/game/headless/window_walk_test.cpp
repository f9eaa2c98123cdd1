// The velmora program on a virtual X display, played with key presses: title, mode select (EASY), shot
// select, a first stage that is cleared, a second that ends in a game over, the retry menu back to the title,
// a screenshot of the title, and Escape. The system file shows the cleared stage. Skipped where no X server
// can start.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "game/frame/game_fixture.h"
#include "window_fixture.h"
#include "zv_test_support.h"

namespace {
// True when some pixel of the screenshot in x0..x1, y0..y1 (top-down) is lit.
bool AnyLit(const std::string& bmp, int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            size_t at = 54 + (size_t)(479 - y) * 640 * 3 + (size_t)x * 3;
            if ((unsigned char)bmp[at] + (unsigned char)bmp[at + 1] + (unsigned char)bmp[at + 2] > 150) return true;
        }
    return false;
}
}  // namespace

TEST(VelmoraWindowWalkTest, KeyPressesPlayFromTheTitleToTheRetryMenuAndBack) {
    if (!windowfix::HaveXTools()) GTEST_SKIP() << "Xvfb or xdotool missing";
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    std::ofstream("setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";
    std::filesystem::create_directories("data/dat");
    gamefix::WriteDataFile("data/dat/stage1.dat", "wait 30 ; clear ;");
    gamefix::WriteDataFile("data/dat/stage2.dat", "wait 30 ; gameover ;");
    // Each press is held a quarter second and followed by a pause long enough for the screen fades.
    std::ofstream("run.sh") << windowfix::kStartScript
                            << "xdotool search --name 'Velmora ver 1.000' windowfocus >/dev/null 2>&1\n"
                               "sleep 3\n"
                               "press() { xdotool keydown $1; sleep 0.25; xdotool keyup $1; sleep 1.5; }\n"
                               "press z; press Up; press z; press z\n"
                               "sleep 16\n"
                               "press Down; press Down; press z\n"
                               "sleep 2; press c\n"
                            << windowfix::kEscapeScript;
    const int raw = windowfix::RunScript(180);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0) << zvtest::ReadWholeFile("run.log") << zvtest::ReadWholeFile("game.err");
    EXPECT_EQ(gamefix::ReadDataFile("data/dat/system.dat"), "KLOV_SYSTEM\n1\n0\n3\n") << "stage 1 was cleared";
    std::string shot;
    for (const auto& e : std::filesystem::directory_iterator("data/screenshot"))
        shot = zvtest::ReadWholeFile(e.path().string());
    ASSERT_EQ(shot.size(), 54u + 640u * 480u * 3u);
    EXPECT_TRUE(AnyLit(shot, 340, 215, 520, 445)) << "the title's menu";
    EXPECT_FALSE(AnyLit(shot, 130, 95, 340, 165)) << "no retry menu";
}
