// Archive-aware file access: trees packed by zvpack read back through the
// file-access table, which archive a path belongs to, the last hit, the
// settings, the open-file limit, handles, and switching the table.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "archive_fixture.h"
#include "core/file/archive_files.h"
#include "core/file/file_access.h"
#include "core/library_state.h"
#include "core/log.h"
#include "zv_test_support.h"

namespace {

namespace fs = std::filesystem;
using Tree = std::map<std::string, std::string>;   // UTF-8 path on disk -> content

void MakeTree(const std::string& root, const Tree& tree) {
    fs::create_directories(root);
    for (const auto& [path, content] : tree) {
        fs::create_directories(fs::path(root + "/" + path).parent_path());
        zvfix::WriteFile(root + "/" + path, content);
    }
}

// Whole file through the table, in odd-sized pieces of element size 1.
std::string ReadThroughTable(const char* path) {
    ZvFileHandle h = FileOpen(path, 0);
    if (h == 0) return "<missing>";
    std::string out;
    char buffer[777];
    size_t pieces[] = {1, 13, 777, 500};
    for (int i = 0;; ++i) {
        size_t n = FileRead(buffer, 1, pieces[i % 4], h);
        if (n == 0) break;
        out.append(buffer, n);
    }
    EXPECT_NE(FileEof(h), 0) << path;
    FileClose(h);
    return out;
}

class ArchiveFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        g_Library.persistent.startupDirOnDisk = dir_.path();
        LogFileInitialize();
        InitializeZVArchiveManager();
        SetUseZVArchiveFlagImpl(1);
        SetFileAccessFunctions(nullptr);
        SetZVArchiveExtensionImpl("tpx");
        SetZVArchiveKeyStringImpl("kor3vq");
    }
    void TearDown() override { TerminateZVArchiveManager(); }

    // Packs tree into name.tpx beside the current directory's name/ (which
    // is not made, so every read must come from the archive).
    void Pack(const std::string& name, const Tree& tree, const std::string& options = "--key kor3vq") {
        std::string source = "src-" + name;
        fs::remove_all(source);
        MakeTree(source, tree);
        ASSERT_EQ(zvfix::RunPacker(source, name + ".tpx", options), 0);
        fs::remove_all(source);
    }
    std::string Log() { return zvtest::ReadWholeFile(dir_.path() + "/Log.txt"); }

    zvtest::ScopedTempDir dir_;
};

TEST_F(ArchiveFiles, PackedTreesReadBackByteIdentical) {
    std::string random(50000, 0);
    uint32_t x = 99;
    for (char& c : random) c = static_cast<char>((x = x * 1103515245 + 12345) >> 24);
    const Tree tree = {
        {"img/a.png", zvfix::SampleData(100000, 1)},
        {"img/\xe8\xa1\xa8.dat", "hyou"},   // 表.dat: the second Shift-JIS byte is that of '\'
        {"snd/bgm/track.mp3", random},
        {"README", "read me"},
        {"empty.bin", ""},
        {"a/b/c/d.txt", zvfix::SampleData(3000, 2)},
    };
    const struct {
        const char* path;
        std::string expected;
    } reads[] = {
        {"data/img/a.png", tree.at("img/a.png")},
        {"DATA\\IMG\\A.PNG", tree.at("img/a.png")},
        {"data/img/表.dat", "hyou"},
        {"./data/snd/bgm/track.mp3", random},
        {"data/README", "read me"},
        {"data/empty.bin", ""},
        {"data//a/b/c/../c/d.txt", tree.at("a/b/c/d.txt")},
        {"data/img/missing.png", "<missing>"},
    };
    uintmax_t sizes[2];
    for (int store = 0; store < 2; ++store) {
        SCOPED_TRACE(store ? "stored" : "compressed");
        TerminateZVArchiveManager();
        InitializeZVArchiveManager();
        Pack("data", tree, store ? "--key kor3vq --store" : "--key kor3vq");
        sizes[store] = fs::file_size("data.tpx");
        for (const auto& r : reads) EXPECT_EQ(ReadThroughTable(r.path), r.expected) << r.path;

        FileFindData found;
        std::vector<std::string> names;
        intptr_t find = GetFileAccessFunctions()->FindFirst("data/img/*", &found);
        ASSERT_NE(find, -1);
        do names.push_back(found.Name);
        while (GetFileAccessFunctions()->FindNext(find, &found) == 0);
        GetFileAccessFunctions()->FindClose(find);
        EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.png", "表.dat"}));
    }
    EXPECT_LT(sizes[0], sizes[1] - 50000) << "compression pays on the text-like file";
}

TEST_F(ArchiveFiles, TheArchiveOfAFolderDecidesForEverythingUnderIt) {
    // Without an archive the plain file is read.
    MakeTree("data", {{"x.txt", "plain x"}, {"only-plain.txt", "p"}});
    EXPECT_EQ(ReadThroughTable("data/x.txt"), "plain x");
    // With one, the archive answers, and a file it lacks is missing.
    Pack("data", {{"x.txt", "archived x"}});
    EXPECT_EQ(ReadThroughTable("data/x.txt"), "archived x");
    EXPECT_EQ(ReadThroughTable("data/only-plain.txt"), "<missing>");
    // The file name itself is never taken for a folder with an archive.
    EXPECT_EQ(ReadThroughTable("data"), "<missing>");
    EXPECT_NE(ReadThroughTable("data.tpx"), "<missing>");
}

TEST_F(ArchiveFiles, TheShortestFolderWithAnArchiveWins) {
    Pack("game", {{"data/img/a.png", "outer"}});
    fs::create_directory("game");
    ASSERT_EQ(chdir("game"), 0);
    Pack("data", {{"img/a.png", "inner"}});
    ASSERT_EQ(chdir(".."), 0);
    EXPECT_EQ(ReadThroughTable("game/data/img/a.png"), "outer");
}

TEST_F(ArchiveFiles, TheLastHitNeedsASeparatorAndSkipsTheSearch) {
    fs::create_directory("top");
    ASSERT_EQ(chdir("top"), 0);
    Pack("data", {{"f", "archived f"}, {"g", "archived g"}});
    MakeTree("datax", {{"f", "plain f"}});
    EXPECT_EQ(ReadThroughTable("data/f"), "archived f");
    // "datax" shares the characters of "data" but is another folder.
    EXPECT_EQ(ReadThroughTable("datax/f"), "plain f");
    EXPECT_EQ(ReadThroughTable("data/g"), "archived g");
    // An archive of a shorter folder made now is not searched for: the file
    // is found through the remembered archive.
    ASSERT_EQ(chdir(".."), 0);
    Pack("top", {{"data/g", "outer g"}});
    ASSERT_EQ(chdir("top"), 0);
    EXPECT_EQ(ReadThroughTable("data/g"), "archived g");
}

TEST_F(ArchiveFiles, ExtensionAndKeySettings) {
    Pack("data", {{"f", "f"}});
    fs::rename("data.tpx", "data.ZVA");
    SetZVArchiveExtensionImpl("");
    EXPECT_EQ(ReadThroughTable("data/f"), "f") << "empty text: the default extension";
    SetZVArchiveExtensionImpl(std::string(64, 'e').c_str());
    EXPECT_EQ(ReadThroughTable("data/f"), "f") << "64 characters: the default extension";
    fs::rename("data.ZVA", "data." + std::string(63, 'e'));
    SetZVArchiveExtensionImpl(std::string(63, 'e').c_str());
    EXPECT_EQ(ReadThroughTable("data/f"), "f");

    TerminateZVArchiveManager();
    SetZVArchiveExtensionImpl("tpx");
    Pack("keyed", {{"f", "keyed f"}}, "--key abcdefghijkl");
    SetZVArchiveKeyStringImpl("abcdefghijklmnopqrst");   // 20 characters: the first 12 count
    EXPECT_EQ(ReadThroughTable("keyed/f"), "keyed f");

    TerminateZVArchiveManager();
    Pack("unkeyed", {{"f", "unkeyed f"}}, "");
    EXPECT_EQ(ReadThroughTable("unkeyed/f"), "<missing>") << "wrong key";
    EXPECT_NE(Log().find("\\UNKEYED.TPX は鍵が違うか壊れているため開けません"), std::string::npos) << Log();
    EXPECT_EQ(ReadThroughTable("nothing/f"), "<missing>");
    EXPECT_EQ(Log().find("NOTHING"), std::string::npos) << "a missing archive stays silent";
    SetZVArchiveKeyStringImpl(nullptr);
    EXPECT_EQ(ReadThroughTable("unkeyed/f"), "unkeyed f");
    TerminateZVArchiveManager();
    SetZVArchiveKeyStringImpl("");
    EXPECT_EQ(ReadThroughTable("unkeyed/f"), "unkeyed f") << "an empty key string is no key string";
}

TEST_F(ArchiveFiles, AtMost512FilesAreOpen) {
    Pack("data", {{"f", "f"}});
    std::vector<ZvFileHandle> open;
    for (int i = 0; i < ZVA_MAX_FILES; ++i) {
        ZvFileHandle h = FileOpen("data/f", 0);
        ASSERT_NE(h, 0) << i;
        EXPECT_EQ(h & ZVA_FILEHANDLE_FLAG, ZVA_FILEHANDLE_FLAG);
        open.push_back(h);
    }
    EXPECT_EQ(FileOpen("data/f", 0), 0);
    EXPECT_NE(Log().find("同時に開けるファイルの数が限界を超えました"), std::string::npos);
    EXPECT_EQ(FileClose(open[100]), 0);
    ZvFileHandle again = FileOpen("data/f", 0);
    EXPECT_EQ(again, open[100]) << "the freed slot is taken again";
    for (ZvFileHandle h : open) EXPECT_EQ(FileClose(h), 0);
}

TEST_F(ArchiveFiles, ArchivedFilesReadInBytesPlainFilesInElements) {
    Pack("data", {{"f", "0123456789abcdef"}});
    zvfix::WriteFile("plain.bin", std::string("0123456789abcdef"));
    char b[16];
    ZvFileHandle archived = FileOpen("data/f", 0);
    ZvFileHandle plain = FileOpen("plain.bin", 1);
    ASSERT_NE(archived, 0);
    ASSERT_NE(plain, 0);
    EXPECT_EQ(FileRead(b, 4, 3, archived), 12u);
    EXPECT_EQ(FileRead(b, 4, 3, plain), 3u);
    // Every loader reads with element size 1, where both agree.
    EXPECT_EQ(FileRead(b, 1, 16, archived), 4u);
    EXPECT_EQ(FileRead(b, 1, 16, plain), 4u);
    EXPECT_EQ(FileRead(b, 3, SIZE_MAX, archived), 0u);
    EXPECT_EQ(FileIdleCheck(plain), 1);
    EXPECT_EQ(FileClose(archived), 0);
    EXPECT_EQ(FileClose(plain), 0);
}

TEST_F(ArchiveFiles, BadHandlesAndPathsFailCleanly) {
    Pack("data", {{"f", "f"}});
    ZvFileHandle live = FileOpen("data/f", 0);
    ASSERT_NE(live, 0);
    const ZvFileHandle bad[] = {0, 12345, ZVA_FILEHANDLE_FLAG | 600, ZVA_FILEHANDLE_FLAG | 0x0FFFFFFF,
                                (live + 1), live | 0x1000000000LL};
    char b[4];
    for (ZvFileHandle h : bad) {
        EXPECT_EQ(FileTell(h), -1) << h;
        EXPECT_EQ(FileSeek(h, 0, 0), -1) << h;
        EXPECT_EQ(FileRead(b, 1, 4, h), 0u) << h;
        EXPECT_EQ(FileEof(h), -1) << h;
        EXPECT_EQ(FileClose(h), -1) << h;
    }
    EXPECT_EQ(FileClose(live), 0);
    EXPECT_EQ(FileClose(live), -1) << "closed twice";

    std::string tooLong = "data/" + std::string(ZV_PATH_MAX, 'f');
    EXPECT_EQ(FileOpen(tooLong.c_str(), 0), 0);
    EXPECT_EQ(FileSetDir(tooLong.c_str()), -1);
    EXPECT_EQ(FileSetDir("no-such-folder"), -1);
    char current[ZV_PATH_MAX];
    const std::string here = fs::current_path().string();
    EXPECT_EQ(FileGetDir(current), 0);
    EXPECT_EQ(std::string(current), here);
    fs::create_directory("sub");
    EXPECT_EQ(FileSetDir("sub"), 0);
    EXPECT_EQ(FileGetDir(current), 0);
    EXPECT_EQ(std::string(current), here + "/sub");
}

TEST_F(ArchiveFiles, LoadersReadArchivedFilesThroughTheStreamTable) {
    Pack("data", {{"f", "stream me"}});
    StreamReader reader{*GetFileStreamFunctions(), FileOpen("data/f", 0)};
    ASSERT_NE(reader.handle, 0);
    char b[16] = {};
    EXPECT_EQ(reader.functions.Seek(reader.handle, -2, 2), 0);
    EXPECT_EQ(reader.functions.Tell(reader.handle), 7);
    EXPECT_EQ(reader.functions.Read(b, 1, 16, reader.handle), 2u);
    EXPECT_STREQ(b, "me");
    EXPECT_EQ(reader.functions.Read(b, 1, 16, reader.handle), 0u);
    EXPECT_NE(reader.functions.Eof(reader.handle), 0);
    EXPECT_EQ(reader.functions.IdleCheck(reader.handle), 1);
    EXPECT_EQ(reader.functions.Close(reader.handle), 0);
}

int CustomOpenCalls = 0;
ZvFileHandle CustomOpen(const char*, int) {
    ++CustomOpenCalls;
    return 0;
}

TEST_F(ArchiveFiles, TheTableFollowsTheArchiveSettingUnlessTheGameSuppliedOne) {
    Pack("data", {{"f", "archived"}});
    zvfix::WriteFile("plain.txt", std::string("plain"));
    EXPECT_EQ(IsBuiltInFileAccessSet(), 1);
    EXPECT_EQ(SetUseZVArchiveFlagImpl(1), 0);   // already on: nothing changes
    EXPECT_EQ(ReadThroughTable("data/f"), "archived");

    EXPECT_EQ(SetUseZVArchiveFlagImpl(0), 0);
    EXPECT_EQ(IsBuiltInFileAccessSet(), 1);
    EXPECT_EQ(ReadThroughTable("data/f"), "<missing>") << "plain access does not look into archives";
    EXPECT_EQ(ReadThroughTable("plain.txt"), "plain");
    SetUseZVArchiveFlagImpl(1);
    EXPECT_EQ(ReadThroughTable("data/f"), "archived");

    FileAccessFunctions custom = *GetFileAccessFunctions();
    custom.Open = CustomOpen;
    SetFileAccessFunctions(&custom);
    EXPECT_EQ(IsBuiltInFileAccessSet(), 0);
    SetUseZVArchiveFlagImpl(0);
    EXPECT_EQ(FileOpen("plain.txt", 0), 0);
    EXPECT_EQ(CustomOpenCalls, 1) << "the game's table stays in place";
    SetFileAccessFunctions(nullptr);
    EXPECT_EQ(IsBuiltInFileAccessSet(), 1);
    EXPECT_EQ(ReadThroughTable("data/f"), "<missing>") << "the built-in set of the stored setting: plain";
    SetUseZVArchiveFlagImpl(1);
    EXPECT_EQ(ReadThroughTable("data/f"), "archived");
}

TEST_F(ArchiveFiles, PackerTellsApartNamesWhoseSecondBytesDifferInCase) {
    // ィ and ッ are 0x83 0x42 and 0x83 0x62: their second bytes read as 'B' and 'b'.
    Pack("data", {{"\xe3\x82\xa3", "small i"}, {"\xe3\x83\x83", "small tsu"}});
    EXPECT_EQ(ReadThroughTable("data/ィ"), "small i");
    EXPECT_EQ(ReadThroughTable("data/ッ"), "small tsu");
}

TEST_F(ArchiveFiles, PackerRefusesWhatItCannotStore) {
    MakeTree("clash", {{"a.png", "1"}, {"A.PNG", "2"}});
    EXPECT_NE(zvfix::RunPacker("clash", "clash.tpx", ""), 0) << "names that differ only in case";
    MakeTree("odd", {{"\xf0\x9f\x98\x80.txt", "emoji"}});   // no Shift-JIS form
    EXPECT_NE(zvfix::RunPacker("odd", "odd.tpx", ""), 0);
    EXPECT_NE(zvfix::RunPacker("missing", "missing.tpx", ""), 0);
    EXPECT_NE(zvfix::RunPacker("clash", "x.tpx", "--bogus"), 0);
    EXPECT_FALSE(fs::exists("clash.tpx"));
}

}  // namespace
