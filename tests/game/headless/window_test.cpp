// The velmora program on a virtual X display: its window comes up with the
// game's title and the status display, and Escape ends it with status 0
// after the system file is written. Skipped where no X server can start.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "zv_test_support.h"

TEST(VelmoraWindowTest, OpensItsWindowAndEndsOnEscape) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1 && command -v xdotool >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xvfb-run or xdotool missing";
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    std::ofstream("setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";
    // Waits (up to a minute, for busy machines) for the titled window,
    // presses Escape until the game (still loading at first) takes it, and
    // reports its status (124 when it did not end).
    std::ofstream("run.sh") << "\"$1\" 2>game.err & pid=$!\n"
                               "for i in $(seq 1 600); do\n"
                               "  xdotool search --name 'Velmora ver 1.000' >/dev/null 2>&1 && break; sleep 0.1\n"
                               "done\n"
                               "xdotool search --name 'Velmora ver 1.000' >/dev/null 2>&1 && echo titled >title.txt\n"
                               "for i in $(seq 1 100); do\n"
                               "  kill -0 $pid 2>/dev/null || break\n"
                               "  xdotool keydown Escape; sleep 0.2; xdotool keyup Escape; sleep 0.1\n"
                               "done\n"
                               "kill -0 $pid 2>/dev/null && { kill $pid; wait $pid; exit 124; }\n"
                               "wait $pid\n";
    std::string command = std::string("SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy timeout 120 xvfb-run -a -s "
                                      "\"-screen 0 1024x768x24\" sh run.sh ") +
                          VELMORA_PROGRAM + " >run.log 2>&1";
    int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0) << zvtest::ReadWholeFile("run.log") << zvtest::ReadWholeFile("game.err");
    EXPECT_EQ(zvtest::ReadWholeFile("title.txt"), "titled\n");
    EXPECT_EQ(zvtest::ReadWholeFile("data/dat/system.dat").size(), 18u);
    EXPECT_TRUE(std::filesystem::is_directory("data/screenshot"));
}
