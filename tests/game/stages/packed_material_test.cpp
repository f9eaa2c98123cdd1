// The game's pictures, sounds and music packed into data/material.tpx, as the README packs them, play and look
// the same as the plain folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "zv_test_support.h"

namespace {

constexpr int kUpdates = 600;

int RunQuiet(const std::string& command) {
    int raw = std::system(("(" + command + ") 2>stderr.txt").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Sets up a start-up folder with the built scripts and, plainly or packed, the built material; then plays the
// first stage with the shot held, drawing every update, and saves two pictures.
void PlayIn(const std::string& dir, bool packed) {
    namespace fs = std::filesystem;
    const std::string data = ZV_GAME_DATA_DIR;
    fs::create_directories(dir + "/data/dat");
    for (const auto& e : fs::directory_iterator(data + "/dat"))
        if (e.path().extension() == ".dat" && e.path().filename() != "system.dat")
            fs::create_symlink(e.path(), fs::path(dir) / "data/dat" / e.path().filename());
    if (packed) {
        ASSERT_EQ(RunQuiet(std::string(ZVPACK_PATH) + " " + data + "/material " + dir +
                           "/data/material.tpx --key kor3vq"), 0)
            << zvtest::ReadWholeFile("stderr.txt");
    } else {
        fs::create_directory_symlink(data + "/material", dir + "/data/material");
    }
    std::ofstream(dir + "/setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";
    std::ofstream tape(dir + "/tape.txt");
    for (int u = 0; u < kUpdates; ++u) tape << "10\n";
    tape.close();
    ASSERT_EQ(RunQuiet("cd " + dir + " && " + VELMORA_HEADLESS + " --run-dir . --updates " + std::to_string(kUpdates) +
                       " --tape tape.txt --draw every --hash-out hash.txt --start 1,1,0 --shot-at 300,599"), 0)
        << zvtest::ReadWholeFile("stderr.txt");
}

}  // namespace

TEST(PackedMaterial, PlaysAndLooksAsThePlainFolder) {
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    ASSERT_NO_FATAL_FAILURE(PlayIn("plain", false));
    ASSERT_NO_FATAL_FAILURE(PlayIn("packed", true));
    ASSERT_FALSE(std::filesystem::exists("packed/data/material"));
    // A picture the game cannot load is named in its log; the hash lines alone would not show it.
    EXPECT_EQ(zvtest::ReadWholeFile("packed/Log.txt").find("data/material/"), std::string::npos)
        << zvtest::ReadWholeFile("packed/Log.txt");
    EXPECT_EQ(zvtest::ReadWholeFile("packed/hash.txt"), zvtest::ReadWholeFile("plain/hash.txt"));
    for (const char* shot : {"/data/screenshot/u300.bmp", "/data/screenshot/u599.bmp"}) {
        SCOPED_TRACE(shot);
        const std::string plain = zvtest::ReadWholeFile(std::string("plain") + shot);
        ASSERT_FALSE(plain.empty());
        EXPECT_TRUE(plain == zvtest::ReadWholeFile(std::string("packed") + shot));
    }
}
