// The painter refuses a bad recipe line with a message naming the line, and
// writes no picture for it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "zv_test_support.h"

namespace {

struct PaintRun {
    int exitCode;
    std::string errors;
};

PaintRun Paint(const std::string& recipeLine) {
    { std::ofstream("characters.txt") << "character a skin=#ffe0d0\n"; }
    { std::ofstream("recipe.txt") << "# one picture\n" << recipeLine << "\n"; }
    std::filesystem::create_directory("out");
    const std::string cmd = std::string(ZV_PAINTER) + " --characters characters.txt --out out recipe.txt 2>errors.txt";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, zvtest::ReadWholeFile("errors.txt")};
}

TEST(Painter, BadRecipeLinesAreRefusedByLineAndPaintNothing) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"picture x.png 16 16 orb glow=#12345 core=#ffffff", "bad colour (want #rrggbb): #12345"},
        {"picture x.png 16 16 blob", "unknown look blob"},
        {"picture x.png 16 16 orb core=#ffffff", "setting missing: glow"},
        {"picture x.png 150 25 digits size=big top=#ffffff bottom=#ffffff line=#000000", "not a number: size=big"},
        {"picture x.png 0 16 orb glow=#112233 core=#ffffff", "bad size"},
        {"picture x.png 16 orb glow=#112233", "want: picture FILE WIDTH HEIGHT LOOK"},
        {"picture x_a.png 16 16 orb glow=#112233 core=#ffffff", "names another picture's alpha"},
        {"picture x.bmp 16 16 orb glow=#112233 core=#ffffff", "pictures are .png or .jpg"},
        {"picture x.png 200 280 portrait who=nobody", "unknown character: nobody"},
        {"picture x.png 200 280 portrait who=a", "character setting missing: hair"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        zvtest::ScopedTempDir dir;
        const PaintRun run = Paint(c.line);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.errors.find("recipe.txt:2: "), std::string::npos) << run.errors;
        EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
        EXPECT_TRUE(std::filesystem::is_empty("out"));
    }
}

TEST(Painter, GoodLinePaintsThePictureAtItsSize) {
    zvtest::ScopedTempDir dir;
    const PaintRun run = Paint("picture x.png 20 12 rice glow=#112233 core=#ffffff");
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    const std::string png = zvtest::ReadWholeFile("out/x.png");
    ASSERT_GT(png.size(), 26u);
    // Width and height are the big-endian words at 16 and 20 of the header.
    EXPECT_EQ((unsigned char)png[19], 20);
    EXPECT_EQ((unsigned char)png[23], 12);
    EXPECT_EQ(png[25], 6);
}

}  // namespace
