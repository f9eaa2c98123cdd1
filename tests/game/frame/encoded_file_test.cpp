// The scrambled files: the byte scheme, line and byte reads at the end of a
// file, and writes that never destroy the file they replace.
#include "game_fixture.h"

#include <filesystem>

using gamefix::ReadDataFile;
using gamefix::WriteDataFile;

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
