// Plain files: direct and thread mode agree, reads and seeks at and past the
// end, the read-ahead of the file-access thread, Shift-JIS names on a UTF-8
// disk, directory search, full paths and temporary files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "archive_fixture.h"
#include "core/file/file_plain.h"
#include "core/library_state.h"
#include "core/log.h"
#include "zv_test_support.h"

namespace {

class PlainFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        g_Library.persistent.startupDirOnDisk = dir_.path();
        LogFileInitialize();
    }
    std::string Log() { return zvtest::ReadWholeFile(dir_.path() + "/Log.txt"); }
    zvtest::ScopedTempDir dir_;
};

FileAccessData* Data(ZvFileHandle h) { return reinterpret_cast<FileAccessData*>(h); }

TEST_F(PlainFiles, MissingFilesAndFoldersDoNotOpen) {
    mkdir("folder", 0755);
    for (int thread = 0; thread < 2; ++thread) {
        EXPECT_EQ(PlainFileOpen("missing.bin", thread), 0);
        EXPECT_EQ(PlainFileOpen("folder", thread), 0);
        EXPECT_EQ(PlainFileOpen("", thread), 0);
        EXPECT_EQ(PlainFileOpen(nullptr, thread), 0);
    }
    // Only the thread mode reports its failures.
    std::string log = Log();
    size_t first = log.find("ファイルのオープンに失敗しました");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(log.find("ファイルのオープンに失敗しました", first + 1), std::string::npos);
}

TEST_F(PlainFiles, ReadsAndSeeksAtTheEndInBothModes) {
    zvfix::WriteFile("ten.bin", std::string("0123456789"));
    for (int thread = 0; thread < 2; ++thread) {
        SCOPED_TRACE(thread ? "thread mode" : "direct mode");
        ZvFileHandle h = PlainFileOpen("ten.bin", thread);
        ASSERT_NE(h, 0);
        char b[16] = {};
        // Whole elements only: 3 x 4 bytes asked, 2 delivered.
        EXPECT_EQ(PlainFileRead(b, 4, 3, h), 2u);
        EXPECT_EQ(std::string(b, 8), "01234567");
        EXPECT_EQ(PlainFileTell(h), 8);
        // Less than one element left: nothing, and the end is reported as -1.
        EXPECT_EQ(PlainFileRead(b, 4, 1, h), 0u);
        EXPECT_EQ(PlainFileEof(h), -1);
        // Before the start is refused and changes nothing.
        EXPECT_EQ(PlainFileSeek(h, -9, 1), -1);
        EXPECT_EQ(PlainFileTell(h), 8);
        EXPECT_EQ(PlainFileEof(h), -1);
        // Past the end is accepted; the next read finds nothing.
        EXPECT_EQ(PlainFileSeek(h, 5, 2), 0);
        EXPECT_EQ(PlainFileTell(h), 15);
        EXPECT_EQ(PlainFileEof(h), 0);
        EXPECT_EQ(PlainFileRead(b, 1, 4, h), 0u);
        EXPECT_EQ(PlainFileEof(h), -1);
        EXPECT_EQ(PlainFileTell(h), 15);
        EXPECT_EQ(PlainFileSeek(h, -3, 2), 0);
        EXPECT_EQ(PlainFileRead(b, 1, SIZE_MAX, h), 3u);
        EXPECT_EQ(std::string(b, 3), "789");
        EXPECT_EQ(PlainFileRead(b, 0, 4, h), 0u);
        EXPECT_EQ(PlainFileIdleCheck(h), 1);
        EXPECT_EQ(PlainFileClose(h), 0);
    }
}

TEST_F(PlainFiles, ThreadModeReadsEqualDirectReads) {
    std::string content = zvfix::SampleData(1 << 20, 7);
    zvfix::WriteFile("big.bin", content);
    ZvFileHandle direct = PlainFileOpen("big.bin", 0);
    ZvFileHandle threaded = PlainFileOpen("big.bin", 1);
    ASSERT_NE(direct, 0);
    ASSERT_NE(threaded, 0);
    std::vector<char> a(70001), b(70001);
    size_t sizes[] = {1, 7, 4093, 65537, 131073, 3};
    size_t step = 0;
    std::string collected;
    while (true) {
        size_t n = sizes[step++ % 6];
        if (step % 11 == 0) {
            // Backwards and forwards jumps restart the read-ahead.
            int32_t offset = static_cast<int32_t>(step * 7919 % content.size());
            ASSERT_EQ(PlainFileSeek(direct, offset, 0), 0);
            ASSERT_EQ(PlainFileSeek(threaded, offset, 0), 0);
            collected.clear();
        }
        size_t size = n > a.size() ? 1 : n;
        size_t count = n > a.size() ? a.size() : 1;
        size_t ra = PlainFileRead(a.data(), size, count, direct);
        size_t rb = PlainFileRead(b.data(), size, count, threaded);
        ASSERT_EQ(ra, rb) << "step " << step;
        ASSERT_EQ(std::memcmp(a.data(), b.data(), ra * size), 0) << "step " << step;
        ASSERT_EQ(PlainFileTell(direct), PlainFileTell(threaded));
        ASSERT_EQ(PlainFileEof(direct), PlainFileEof(threaded));
        if (ra == 0 && PlainFileEof(direct)) break;
        if (step % 3 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(PlainFileTell(threaded), static_cast<int32_t>(content.size()));
    EXPECT_EQ(PlainFileClose(direct), 0);
    EXPECT_EQ(PlainFileClose(threaded), 0);
}

// A file that shrinks after it was opened: both modes report the bytes
// that were really read, not the bytes asked for.
TEST_F(PlainFiles, ShortReadsReportWhatWasRead) {
    zvfix::WriteFile("shrinks.bin", std::string(100, 's'));
    ZvFileHandle direct = PlainFileOpen("shrinks.bin", 0);
    ZvFileHandle threaded = PlainFileOpen("shrinks.bin", 1);
    ASSERT_NE(direct, 0);
    ASSERT_NE(threaded, 0);
    ASSERT_EQ(truncate("shrinks.bin", 30), 0);
    char b[100];
    EXPECT_EQ(PlainFileRead(b, 1, 100, direct), 30u);
    EXPECT_EQ(PlainFileRead(b, 1, 100, threaded), 30u);
    EXPECT_EQ(PlainFileTell(threaded), 30);
    PlainFileClose(direct);
    PlainFileClose(threaded);
}

// The read-ahead is observed by changing the file under it: bytes taken from
// the buffer are the old ones, bytes read from the disk the new ones.
TEST_F(PlainFiles, ThreadServesReadsAtTheReadAheadStartFromItsBuffer) {
    std::string before(300000, 'o');
    zvfix::WriteFile("stream.bin", before);
    ZvFileHandle h = PlainFileOpen("stream.bin", 1);
    ASSERT_NE(h, 0);
    char b[1000];
    ASSERT_EQ(PlainFileRead(b, 1, 1000, h), 1000u);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (FileThreadReadAheadFill(Data(h)) < FILE_READ_AHEAD_SIZE && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(FileThreadReadAheadFill(Data(h)), FILE_READ_AHEAD_SIZE);

    zvfix::WriteFile("stream.bin", std::string(300000, 'n'));
    ASSERT_EQ(PlainFileRead(b, 1, 500, h), 500u);
    EXPECT_EQ(std::string(b, 500), std::string(500, 'o'));
    EXPECT_EQ(FileThreadReadAheadFill(Data(h)), FILE_READ_AHEAD_SIZE - 500);

    // Elsewhere: straight from the file, and the read-ahead restarts behind it.
    ASSERT_EQ(PlainFileSeek(h, 200000, 0), 0);
    ASSERT_EQ(PlainFileRead(b, 1, 500, h), 500u);
    EXPECT_EQ(std::string(b, 500), std::string(500, 'n'));
    EXPECT_EQ(PlainFileClose(h), 0);
}

TEST_F(PlainFiles, ShiftJisNamesAndBothSeparators) {
    // On disk the names are UTF-8 ("データ/表.txt"); the library names them in Shift-JIS.
    mkdir("\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf", 0755);
    zvfix::WriteFile("\xe3\x83\x87\xe3\x83\xbc\xe3\x82\xbf/\xe8\xa1\xa8.txt", std::string("hyou"));
    // 表 is 0x95 0x5C in Shift-JIS: its second byte is not a separator.
    for (const char* path : {"データ\\表.txt", "データ/表.txt", "./データ//表.txt"}) {
        ZvFileHandle h = PlainFileOpen(path, 0);
        ASSERT_NE(h, 0) << path;
        char b[8] = {};
        EXPECT_EQ(PlainFileRead(b, 1, 8, h), 4u);
        EXPECT_STREQ(b, "hyou");
        PlainFileClose(h);
    }
    std::string tooLong(ZV_PATH_MAX, 'a');
    EXPECT_EQ(PlainFileOpen(tooLong.c_str(), 0), 0);
    EXPECT_EQ(PlainFileChDir(tooLong.c_str()), -1);
    EXPECT_EQ(PlainFileChDir("データ"), 0);
    char current[ZV_PATH_MAX];
    ASSERT_EQ(PlainFileGetDir(current), 0);
    EXPECT_EQ(std::string(current), dir_.path() + "/データ");
    EXPECT_EQ(PlainFileChDir("missing"), -1);
}

TEST_F(PlainFiles, FindListsMatchesInOrder) {
    setenv("TZ", "UTC", 1);
    tzset();
    mkdir("img", 0755);
    zvfix::WriteFile("img/b.png", std::string(5, 'x'));
    zvfix::WriteFile("img/A.PNG", std::string(3, 'x'));
    zvfix::WriteFile("img/README", std::string(1, 'x'));
    zvfix::WriteFile("img/\xe7\xb5\xb5.png", std::string(2, 'x'));   // 絵.png
    mkdir("img/sub.png", 0755);
    struct timespec times[2] = {{981173106, 0}, {981173106, 0}};   // 2001-02-03 04:05:06
    utimensat(AT_FDCWD, "img/b.png", times, 0);

    FileFindData found;
    std::vector<std::string> names;
    intptr_t find = PlainFindFirst("img/*.png", &found);
    ASSERT_NE(find, -1);
    do {
        names.push_back(found.Name);
        if (names.back() == "b.png") {
            EXPECT_EQ(found.Size, 5u);
            EXPECT_EQ(found.DirFlag, 0);
            EXPECT_EQ(found.LastWriteTime.Year, 2001);
            EXPECT_EQ(found.LastWriteTime.Mon, 2);
            EXPECT_EQ(found.LastWriteTime.Day, 3);
            EXPECT_EQ(found.LastWriteTime.Hour, 4);
            EXPECT_EQ(found.LastWriteTime.Min, 5);
            EXPECT_EQ(found.LastWriteTime.Sec, 6);
        }
        if (names.back() == "sub.png") {
            EXPECT_EQ(found.DirFlag, 1);
        }
    } while (PlainFindNext(find, &found) == 0);
    EXPECT_EQ(PlainFindNext(find, &found), -1);
    EXPECT_EQ(PlainFindClose(find), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"A.PNG", "b.png", "sub.png", "絵.png"}));

    find = PlainFindFirst("img\\*", &found);
    ASSERT_NE(find, -1);
    EXPECT_STREQ(found.Name, ".");
    ASSERT_EQ(PlainFindNext(find, &found), 0);
    EXPECT_STREQ(found.Name, "..");
    PlainFindClose(find);

    EXPECT_EQ(PlainFindFirst("img/*.bmp", &found), -1);
    EXPECT_EQ(PlainFindFirst("nothere/*", &found), -1);
}

TEST(FullPath, ResolvesAgainstTheCurrentDirectory) {
    struct Case {
        const char* path;
        const char* current;
        int result;
        const char* expected;
    } cases[] = {
        {"../A", "/X/Y", 0, "/X/A"},
        {"..\\A", "/X/Y", 0, "/X/A"},
        {"/W", "/X", 0, "/W"},
        {"\\W\\V", "/X", 0, "/W/V"},
        {"B", "/X/", 0, "/X/B"},
        {"./B/./C", "/X", 0, "/X/B/C"},
        {"..", "/", 0, "/"},
        {"../../..", "/X", 0, "/"},
        {"a//b", "/X", -1, ""},
        {"//a", "/X", -1, ""},
        {"B/", "/X", 0, "/X/B"},
        {"表\\A", "/X", 0, "/X/表/A"},   // 表 ends in the byte of '\'
    };
    for (const Case& c : cases) {
        char out[ZV_PATH_MAX] = {};
        EXPECT_EQ(ConvertFullPath(c.path, out, c.current), c.result) << c.path;
        if (c.result == 0) {
            EXPECT_STREQ(out, c.expected) << c.path;
        }
    }
    char out[ZV_PATH_MAX];
    EXPECT_EQ(ConvertFullPath(nullptr, out, "/X/Y"), 0);
    EXPECT_STREQ(out, "/X/Y");
    std::string longName(ZV_PATH_MAX - 3, 'a');
    EXPECT_EQ(ConvertFullPath(longName.c_str(), out, "/X"), -1);
}

TEST(TemporaryFile, MadeInTheTemporaryDirectoryWithOrWithoutItsSlash) {
    zvtest::ScopedTempDir dir;
    ASSERT_FALSE(dir.path().empty());
    for (std::string tmp : {dir.path(), dir.path() + "/"}) {
        setenv("TMPDIR", tmp.c_str(), 1);
        char path[ZV_PATH_MAX];
        int fd = CreateTemporaryFile(path);
        ASSERT_GE(fd, 0);
        std::string made = path;
        EXPECT_EQ(made.rfind(dir.path() + "/tmp", 0), 0u) << made;
        EXPECT_EQ(made.find("//"), std::string::npos) << made;
        EXPECT_EQ(write(fd, "abc", 3), 3);
        close(fd);
        EXPECT_EQ(zvtest::ReadWholeFile(made), "abc");
        unlink(made.c_str());
    }
    setenv("TMPDIR", "/nonexistent-folder-for-zv", 1);
    EXPECT_EQ(CreateTemporaryFile(nullptr), -1);
    unsetenv("TMPDIR");
}

}  // namespace
