// The velmora program on a virtual X display: its window comes up with the
// game's title, icon and the status display, and Escape ends it with status 0
// after the system file is written. Skipped where no X server can start.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "window_fixture.h"
#include "zv_test_support.h"

TEST(VelmoraWindowTest, OpensItsWindowAndEndsOnEscape) {
    if (!windowfix::HaveXTools()) GTEST_SKIP() << "Xvfb or xdotool missing";
    if (std::system("command -v xprop >/dev/null 2>&1") != 0) GTEST_SKIP() << "xprop missing";
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    std::ofstream("setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";
    // Notes whether the window came up titled, then presses Escape.
    std::ofstream("run.sh") << windowfix::kStartScript
                            << "xdotool search --name 'Velmora ver 1.000' >/dev/null 2>&1 && echo titled >title.txt\n"
                            << "w=$(xdotool search --name 'Velmora ver 1.000' | head -n 1)\n"
                            << "xprop -id \"$w\" _NET_WM_ICON 2>&1 | head -n 1 >icon.txt\n"
                            << windowfix::kEscapeScript;
    const int raw = windowfix::RunScript(120);
    EXPECT_EQ(raw, 0) << windowfix::RunReport(raw);
    EXPECT_EQ(zvtest::ReadWholeFile("title.txt"), "titled\n");
    // The game's own icon, linked into the program, at its largest size.
    EXPECT_NE(zvtest::ReadWholeFile("icon.txt").find("Icon (64 x 64)"), std::string::npos)
        << zvtest::ReadWholeFile("icon.txt");
    EXPECT_EQ(zvtest::ReadWholeFile("data/dat/system.dat").size(), 18u);
    EXPECT_TRUE(std::filesystem::is_directory("data/screenshot"));
}
