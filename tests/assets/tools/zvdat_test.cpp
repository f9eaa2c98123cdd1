// zvdat: UTF-8 text to scrambled Shift-JIS data files and back, refusing
// text that Shift-JIS cannot hold.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "zv_test_support.h"

// Texts here are written as u8 literals: the sources compile to Shift-JIS.
namespace {
int Zvdat(const std::string& args) {
    int raw = std::system((std::string(ZVDAT_PATH) + " " + args + " 2>err.txt").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
}  // namespace

TEST(ZvdatTest, EncodesToTheGamesScrambleAndDecodesBack) {
    zvtest::ScopedTempDir dir;
    WriteText("system.txt", "KLOV_SYSTEM\n0\n0\n3\n");
    ASSERT_EQ(Zvdat("encode system.txt system.dat"), 0);
    const unsigned char expected[] = {0x56, 0x4A, 0x79, 0x69, 0x5C, 0x4E, 0x5F, 0x65, 0x6B,
                                      0x46, 0x50, 0x0C, 0x06, 0x35, 0x33, 0x17, 0x35, 0x3C};
    EXPECT_EQ(zvtest::ReadWholeFile("system.dat"), std::string(expected, expected + sizeof expected));

    const std::string text = u8"<name str=\"フウカ\">魔女の森へ、ようこそ。<br>\n<stop>";
    WriteText("mes.txt", text);
    ASSERT_EQ(Zvdat("encode mes.txt mes.dat"), 0);
    EXPECT_EQ(zvtest::ReadWholeFile("mes.dat").size(), 52u) << "Shift-JIS: two bytes per kana and kanji";
    ASSERT_EQ(Zvdat("decode mes.dat back.txt"), 0);
    EXPECT_EQ(zvtest::ReadWholeFile("back.txt"), text);
}

TEST(ZvdatTest, RefusesWhatShiftJisCannotHoldAndBadUse) {
    zvtest::ScopedTempDir dir;
    WriteText("bad.txt", "ok\ncaf\xC3\xA9\n");
    EXPECT_EQ(Zvdat("encode bad.txt bad.dat"), 1);
    EXPECT_NE(zvtest::ReadWholeFile("err.txt").find("bad.txt:2: \"\xC3\xA9\""), std::string::npos)
        << zvtest::ReadWholeFile("err.txt");
    EXPECT_FALSE(std::ifstream("bad.dat").good()) << "nothing is written";
    EXPECT_EQ(Zvdat("encode missing.txt x.dat"), 1);
    std::filesystem::create_directory("folder");
    for (const char* mode : {"encode", "decode"}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(Zvdat(std::string(mode) + " folder out.dat"), 1);
        EXPECT_NE(zvtest::ReadWholeFile("err.txt").find("folder is a folder"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists("out.dat")) << "nothing is written";
    }
    EXPECT_EQ(Zvdat("pack a b"), 2);
    EXPECT_EQ(Zvdat("encode onlyone"), 2);
}
