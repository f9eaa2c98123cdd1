// setup.ini: the start-up check's messages, the reading rules, and saving.
#include "game_fixture.h"

#include "frame/entry.h"
#include "frame/ini_file.h"

namespace {
const std::string kPrefix = "setup.iniの構文ミスです。\n";
const std::string kGood = "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n";

void WriteText(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

struct CheckCase {
    const char* what;
    const char* file;        // nullptr: no setup.ini at all
    const char* message;     // "" when the check passes
};

const CheckCase kCheckCases[] = {
    {"no file", nullptr, "FullScreenが存在しません。"},
    {"missing SE and NAME reports SE", "FullScreen=0\nBGM=1\nHardDraw=1\n", "SEが存在しません。"},
    {"11-byte NAME", "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=ABCDEFGHIJK\n",
     "NAMEに異常な値(ABCDEFGHIJK)が設定されています。\n文字数が多すぎます。"},
    {"BGM not a digit", "FullScreen=0\nBGM=x\nSE=1\nHardDraw=1\nNAME=\n",
     "BGMに異常な値(x)が設定されています。\n半角数字の0か1を設定してください。"},
    {"empty digit value", "FullScreen=\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n",
     "FullScreenに異常な値()が設定されています。\n半角数字の0か1を設定してください。"},
    {"FullScreen=2 and an empty NAME pass", "FullScreen=2\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n", ""},
    {"10-byte NAME passes", "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=ABCDEFGHIJ\n", ""},
    {"CR LF line ends", "FullScreen=0\r\nBGM=1\r\nSE=1\r\nHardDraw=1\r\nNAME=\r\n", ""},
    {"empty lines do not shift the pairs", "\nFullScreen=0\n\nBGM=1\nSE=1\n\n\nHardDraw=1\nNAME=\n", ""},
    {"NAME= without a last newline", "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=", ""},
    {"key and value on separate lines", "FullScreen\n1\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n", ""},
};
}  // namespace

TEST(SetupIniTest, CheckShowsOneBoxForTheFirstProblem) {
    for (const CheckCase& c : kCheckCases) {
        SCOPED_TRACE(c.what);
        zvtest::ScopedTempDir dir;
        gamefix::FakeSystem sys;
        if (c.file) WriteText("setup.ini", c.file);
        bool ok = CheckSetupIni();
        if (*c.message == '\0') {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(sys.boxes.empty());
            continue;
        }
        EXPECT_FALSE(ok);
        ASSERT_EQ(sys.boxes.size(), 1u);
        EXPECT_EQ(sys.boxes[0].caption, "エラー発生 ID=001");
        EXPECT_EQ(sys.boxes[0].text, kPrefix + c.message);
    }
}

TEST(SetupIniTest, ABadFileEndsTheProgramBeforeTheLibraryStarts) {
    zvtest::ScopedTempDir dir;
    gamefix::FakeSystem sys;
    EXPECT_EQ(VelmoraMain(), -1);
    EXPECT_EQ(sys.boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists("Log.txt")) << "the library never started";
    EXPECT_FALSE(std::filesystem::exists("data")) << "nothing is made";
}

TEST(SetupIniTest, ValuesReadAsWrittenAndCarriageReturnsAreDropped) {
    zvtest::ScopedTempDir dir;
    WriteText("a.ini", "FullScreen=0\r\n\r\nBGM=1\r\nNAME=");
    CIniFile ini;
    ASSERT_FALSE(ini.LoadFailed("a.ini"));
    EXPECT_EQ(ini.Get("FullScreen"), "0");
    EXPECT_EQ(ini.Get("BGM"), "1");
    EXPECT_EQ(ini.Get("NAME"), "");
    EXPECT_FALSE(ini.IsMissing("NAME"));
    EXPECT_EQ(ini.Get("SE"), "err");
    EXPECT_TRUE(ini.IsMissing("se")) << "keys are case-sensitive";
    EXPECT_TRUE(ini.LoadFailed("none.ini"));
    EXPECT_EQ(ini.Get("BGM"), "1") << "a failed load keeps what was there";
}

TEST(SetupIniTest, SetKeepsPlacesAndAddsNewKeysLast) {
    zvtest::ScopedTempDir dir;
    WriteText("setup.ini", kGood);
    CIniFile ini;
    ASSERT_FALSE(ini.LoadFailed("setup.ini"));
    ini.Set("BGM", "0");
    ini.Set("Extra", "x");
    EXPECT_EQ(ini.Save("setup.ini"), 0);
    EXPECT_EQ(zvtest::ReadWholeFile("setup.ini"), "FullScreen=0\nBGM=0\nSE=1\nHardDraw=1\nNAME=\nExtra=x\n");
    EXPECT_NE(ini.Save("no/such/folder/setup.ini"), 0);
}
