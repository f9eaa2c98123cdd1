// The scrambled files: the byte scheme, line and byte reads at the end of a
// file, and writes that never destroy the file they replace nor follow a link
// planted at their temporary name.
#include "game_fixture.h"

#include <filesystem>
#include <fstream>
#include <functional>

#include "frame/ini_file.h"
#include "scenes/replay_file.h"
#include "scenes/score_system.h"

using gamefix::ReadDataFile;
using gamefix::WriteDataFile;
using SaveTest = gamefix::GameTest;

TEST(EncodedFileTest, ScramblesEachByteWithTwoKeyBytes) {
    zvtest::ScopedTempDir dir;
    WriteDataFile("system.dat", "KLOV_SYSTEM\n0\n0\n3\n");
    const unsigned char expected[] = {0x56, 0x4A, 0x79, 0x69, 0x5C, 0x4E, 0x5F, 0x65, 0x6B,
                                      0x46, 0x50, 0x0C, 0x06, 0x35, 0x33, 0x17, 0x35, 0x3C};
    EXPECT_EQ(zvtest::ReadWholeFile("system.dat"), std::string(expected, expected + sizeof expected));

    // A fresh writer keeps a key of one NUL byte: bytes pass unchanged.
    EncodedFileWriter plain;
    ASSERT_TRUE(plain.Open("plain.dat", "wb"));
    plain.WriteString(std::string("a\xFF\n", 3));
    ASSERT_TRUE(plain.Close());
    EXPECT_EQ(zvtest::ReadWholeFile("plain.dat"), std::string("a\xFF\n", 3));
}

TEST(EncodedFileTest, LinesEndAtTheEndOfTheFileThenReadAsErr) {
    zvtest::ScopedTempDir dir;
    WriteDataFile("a.dat", "ab\n12\r\n");
    EncodedFileReader r;
    r.SetKey(DataFileKey);
    ASSERT_TRUE(r.Open("a.dat", "rb"));
    EXPECT_EQ(r.ReadLine(), "ab");
    EXPECT_EQ(r.ReadLine(), "12\r") << "a CR stays in the line";
    EXPECT_FALSE(r.IsEof());
    EXPECT_EQ(r.ReadLine(), "") << "the end of the file after the last LF";
    EXPECT_TRUE(r.IsEof());
    EXPECT_EQ(r.ReadLine(), "err");
    EXPECT_FALSE(r.Open("missing.dat", "rb"));
}

TEST(EncodedFileTest, ByteReadsPassByte0xFFAndSeeTheEndOnlyAfterIt) {
    zvtest::ScopedTempDir dir;
    WriteDataFile("b.dat", std::string("\xFF" "A", 2));
    EncodedFileReader r;
    r.SetKey(DataFileKey);
    ASSERT_TRUE(r.Open("b.dat", "rb"));
    EXPECT_EQ(r.GetChar(), 0xFF) << "a stored 0xFF is data, not the end";
    EXPECT_EQ(r.GetChar(), 'A');
    EXPECT_FALSE(r.IsEof());
    EXPECT_EQ(r.GetChar(), -1);
    EXPECT_TRUE(r.IsEof());
}

TEST(EncodedFileTest, AFailedWriteLeavesTheOldFileInPlace) {
    zvtest::ScopedTempDir dir;
    WriteDataFile("save.dat", "old\n");
    {
        EncodedFileWriter w;
        w.SetKey(DataFileKey);
        ASSERT_TRUE(w.Open("save.dat", "wb"));
        w.WriteString("new, half written");
        EXPECT_EQ(ReadDataFile("save.dat"), "old\n") << "the file is replaced only when complete";
    }
    EXPECT_EQ(ReadDataFile("save.dat"), "new, half written") << "closing puts it in place";

    gamefix::FakeSystem sys;
    EncodedFileWriter w;
    EXPECT_FALSE(w.Open("no/such/folder/save.dat", "wb")) << "logged, not fatal";
    w.WriteString("ignored");
    EXPECT_TRUE(w.Close());
    EXPECT_FALSE(std::filesystem::exists("no"));

    // Two fresh writes of the same text give the same bytes.
    WriteDataFile("x.dat", "same\n");
    std::string first = zvtest::ReadWholeFile("x.dat");
    WriteDataFile("x.dat", "same\n");
    EXPECT_EQ(zvtest::ReadWholeFile("x.dat"), first);
    EXPECT_FALSE(std::filesystem::exists("x.dat.tmp"));
}

// Each save the game makes, with a link planted at its temporary name, once
// to a file of someone else's and once to a name where nothing is yet: the
// save lands as a plain file of its own, and the link's target is neither
// written nor made.
TEST_F(SaveTest, SavesFollowNoLinkPlantedAtTheirTemporaryName) {
    MakeGame();
    struct Save {
        const char* what;
        std::string path;
        std::function<bool()> run;
    };
    const Save saves[] = {
        {"settings", "setup.ini",
         [] {
             CIniFile ini;
             ini.Set("BGM", "1");
             return ini.Save("setup.ini") == 0;
         }},
        {"score", ScoreFilePath, [&] { return game_->Scores().SaveScoreFile(); }},
        {"replay", "data/replay/data1.dat",
         [] {
             CReplayRecord replay;
             replay.AddFrame(0x3F);
             return replay.SaveReplayFile("data/replay/data1.dat", ReplayHeader{});
         }},
        {"system file", "data/dat/system.dat", [&] { return game_->SaveSystem(); }},
    };
    namespace fs = std::filesystem;
    const fs::path target = fs::absolute("someone_elses.txt");
    const fs::path nowhere = fs::absolute("not_there_yet.txt");
    for (const Save& save : saves) {
        SCOPED_TRACE(save.what);
        const std::string temp = save.path + ".tmp";
        std::ofstream(target) << "keep me";
        for (const fs::path& planted : {target, nowhere}) {
            fs::remove(temp);
            fs::create_symlink(planted, temp);
            ASSERT_TRUE(save.run());
            EXPECT_EQ(zvtest::ReadWholeFile(target.string()), "keep me");
            EXPECT_FALSE(fs::exists(nowhere));
            EXPECT_EQ(fs::symlink_status(save.path).type(), fs::file_type::regular);
            EXPECT_GT(fs::file_size(save.path), 0u);
            EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
        }
    }
}
