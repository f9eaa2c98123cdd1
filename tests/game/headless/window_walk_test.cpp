// The velmora program on a virtual X display, played with key presses: title, mode select (EASY), shot
// select, a first stage that is cleared, a second that ends in a game over, the retry menu back to the title,
// a screenshot of the title, and Escape. The system file shows the cleared stage. Skipped where no X server
// can start.
#include <gtest/gtest.h>

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
    // Every step waits for what the screen shows, not for a time, so a busy machine only makes it slower.
    // A menu acts on a press after an update with no key down: a key is held until its effect shows and
    // pressed again now and then if it shows nothing (the effect itself never repeats while it is held).
    std::ofstream("run.sh") << windowfix::kStartScript
                            << "w=$(xdotool search --name 'Velmora ver 1.000' | head -1)\n"
                               "xdotool windowfocus $w >/dev/null 2>&1\n"
                               // The brightest grey (0 to 1) in the window's picture within WxH+X+Y.
                               "bright() { import -window $w -crop $1 +repage -colorspace gray -format '%[fx:maxima]' "
                               "info: 2>/dev/null || echo 0; }\n"
                               "lit() { awk -v b=\"$(bright $1)\" 'BEGIN { exit !(b > 0.5) }'; }\n"
                               "white() { awk -v b=\"$(bright $1)\" 'BEGIN { exit !(b > 0.85) }'; }\n"
                               "dark() { ! lit $1; }\n"
                               "fail() { echo \"$*\"; kill $pid; exit 3; }\n"
                               "until_shown() { for i in $(seq 1 450); do \"$@\" && return 0; sleep 0.2; done; "
                               "fail \"never shown: $*\"; }\n"
                               "press() { key=$1; shift\n"
                               "  for try in $(seq 1 30); do\n"
                               "    xdotool keydown $key\n"
                               "    for i in $(seq 1 12); do \"$@\" && { xdotool keyup $key; sleep 0.3; return 0; }; "
                               "sleep 0.2; done\n"
                               "    xdotool keyup $key; sleep 0.5\n"
                               "  done; fail \"no effect of $key: $*\"; }\n"
                               "title_menu() { lit 100x25+370+230 && dark 210x70+130+95; }\n"
                               "shot_saved() { ls data/screenshot/*.bmp >/dev/null 2>&1; }\n"
                               "until_shown title_menu\n"
                               "press z lit 200x30+260+32\n"      // the mode select's heading
                               "press Up white 150x22+315+222\n"  // EASY MODE lit
                               "press z white 90x20+370+180\n"    // the shot select's NORMAL SHOT
                               "press z dark 90x20+370+180\n"     // the play begins
                               "until_shown lit 210x70+130+95\n"  // stage 1 cleared, stage 2 lost: the retry menu
                               "press Down lit 16x8+125+122\n"    // the arrow on the second line
                               "press Down lit 16x8+125+142\n"    // on the third: back to the title
                               "press z title_menu\n"
                               "press c shot_saved\n"
                            << windowfix::kEscapeScript;
    const int raw = windowfix::RunScript(280);
    EXPECT_EQ(raw, 0) << windowfix::RunReport(raw);
    EXPECT_EQ(gamefix::ReadDataFile("data/dat/system.dat"), "KLOV_SYSTEM\n1\n0\n3\n") << "stage 1 was cleared";
    std::string shot;
    for (const auto& e : std::filesystem::directory_iterator("data/screenshot"))
        shot = zvtest::ReadWholeFile(e.path().string());
    ASSERT_EQ(shot.size(), 54u + 640u * 480u * 3u);
    EXPECT_TRUE(AnyLit(shot, 340, 215, 520, 445)) << "the title's menu";
    EXPECT_FALSE(AnyLit(shot, 130, 95, 340, 165)) << "no retry menu";
}
