// The archive reader on small archives built here: every version, both
// fixed keys, lookups, directory walks, reading, listing, and archives that
// are truncated or carry bad offsets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "archive_fixture.h"
#include "core/alloc.h"
#include "core/file/archive_reader.h"
#include "core/file/file_names.h"
#include "zv_test_support.h"

namespace {

using zvfix::BuiltArchive;
using zvfix::TreeDir;

// Root entries in table order: README, a.png, Title.JPG, A, img (a folder).
// img: a.png, 表.dat (its second byte is that of '\'), sub (a folder); sub: deep.txt.
TreeDir Tree() {
    TreeDir sub{"sub", {{"deep.txt", "deep"}}, {}};
    TreeDir img{"img", {{"a.png", "img-a-" + std::string(300, 'p')}, {"表.dat", "hyou"}}, {sub}};
    return TreeDir{"", {{"README", "readme " + std::string(200, 'r')}, {"a.png", "root-a"}, {"Title.JPG", "title"},
                        {"A", "just a"}},
                   {img}};
}

class ArchiveReader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(dir_.path().empty()); }
    void TearDown() override {
        if (archive_.file != 0) ZVArchiveClose(&archive_);
    }

    int Open(const std::vector<unsigned char>& bytes, const char* key = "kor3vq") {
        zvfix::WriteFile("test.tpx", bytes);
        return ZVArchiveOpen(&archive_, "test.tpx", key);
    }
    std::string ReadAll(const char* path) {
        ZVArchiveInFile f;
        if (ZVArchiveOpenFile(&f, &archive_, path) != 0) return "<missing>";
        std::string out(f.size, '\0');
        size_t n = ZVArchiveFileRead(&f, &out[0], out.size() + 10);
        out.resize(n);
        ZVArchiveFileClose(&f);
        return out;
    }

    zvtest::ScopedTempDir dir_;
    ZVArchive archive_{};
};

TEST_F(ArchiveReader, ReadsEveryVersionStoredAndCompressed) {
    struct Case {
        uint16_t version;
        bool compress;
    } cases[] = {{0, false}, {1, false}, {2, false}, {2, true}, {3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.version << (c.compress ? " compressed" : " stored"));
        BuiltArchive built = zvfix::Builder(c.version, c.compress).Build(Tree());
        ASSERT_EQ(built.headerSize, c.version >= 2 ? 44u : 40u);
        ASSERT_EQ(Open(zvfix::ScrambledWithKeyString(built.bytes, "kor3vq")), 0);
        EXPECT_EQ(ReadAll("img\\a.png"), "img-a-" + std::string(300, 'p'));
        EXPECT_EQ(ReadAll("IMG/A.PNG"), "img-a-" + std::string(300, 'p'));
        EXPECT_EQ(ReadAll("a.png"), "root-a");
        EXPECT_EQ(ReadAll("img\\sub\\deep.txt"), "deep");
        ZVArchiveClose(&archive_);
    }
    BuiltArchive v4 = zvfix::Builder(2, false).Build(Tree());
    zvfix::Builder::Put16(v4.bytes, 2, 4);
    EXPECT_EQ(Open(zvfix::ScrambledWithKeyString(v4.bytes, "kor3vq")), -1);
}

TEST_F(ArchiveReader, FallsBackToTheSecondFixedKeyOnly) {
    BuiltArchive built = zvfix::Builder(2, true).Build(Tree());
    unsigned char second[ZVA_KEY_SIZE];
    ZVArchiveSecondKey(second);
    ASSERT_EQ(Open(zvfix::Scrambled(built.bytes, second), "kor3vq"), 0);
    EXPECT_EQ(ReadAll("README"), "readme " + std::string(200, 'r'));
    ZVArchiveClose(&archive_);

    std::vector<unsigned char> scrambled = zvfix::ScrambledWithKeyString(built.bytes, "kor3vq");
    EXPECT_EQ(Open(scrambled, "kor3vQ"), -1);
    EXPECT_EQ(Open(scrambled, nullptr), -1);
    EXPECT_EQ(Open(scrambled, "kor3vq"), 0);
    EXPECT_EQ(ZVArchiveOpen(&archive_, "test.tpx", "kor3vq"), -1) << "a second open of an open record";
}

TEST_F(ArchiveReader, LooksNamesUpAndWalksDirectories) {
    ASSERT_EQ(Open(zvfix::ScrambledWithKeyString(zvfix::Builder(2, true).Build(Tree()).bytes, "kor3vq")), 0);
    const std::string imgA = "img-a-" + std::string(300, 'p');
    struct Case {
        const char* path;
        std::string content;
    } cases[] = {
        {"img\\表.dat", "hyou"},
        {"IMG\\表.DAT", "hyou"},
        {"\\img\\sub\\DEEP.txt", "deep"},
        {"img/sub/../a.png", imgA},
        {"img\\sub", "<missing>"},        // a folder is no file
        {"img\\nope\\a.png", "<missing>"},
        {"README\\x", "<missing>"},       // a file is no folder
        {"img\\", "<missing>"},
        {"表.dat", "<missing>"},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadAll(c.path), c.content) << c.path;

    EXPECT_EQ(ZVArchiveChangeDir(&archive_, "img", 1, nullptr), 0);
    EXPECT_EQ(ReadAll("a.png"), "img-a-" + std::string(300, 'p'));
    EXPECT_EQ(ZVArchiveChangeDir(&archive_, "sub\\nope", 1, nullptr), -1);
    EXPECT_EQ(ReadAll("a.png"), "img-a-" + std::string(300, 'p')) << "restored after a failed walk";
    ZVArchiveName last;
    EXPECT_EQ(ZVArchiveChangeDir(&archive_, "sub\\nope", 0, &last), -1);
    EXPECT_EQ(ReadAll("deep.txt"), "deep") << "left where the walk stopped";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(last.name)), "NOPE");
    EXPECT_EQ(ZVArchiveChangeDir(&archive_, "..", 1, nullptr), 0);
    EXPECT_EQ(ZVArchiveChangeDir(&archive_, "..", 1, nullptr), 0);
    EXPECT_EQ(ReadAll("a.png"), "root-a");
    EXPECT_EQ(ZVArchiveChangeDir(&archive_, "..", 1, nullptr), -1) << "the root has no parent";
    EXPECT_EQ(ZVArchiveChangeDir(&archive_, "img\\sub", 1, nullptr), 0);
    EXPECT_EQ(ZVArchiveChangeDir(&archive_, "\\", 1, nullptr), 0);
    EXPECT_EQ(ReadAll("a.png"), "root-a");
}

TEST(ArchiveNames, ConversionKeepsDoubleByteCharacters) {
    ZVArchiveName name;
    EXPECT_EQ(ZVArchiveConvertName("表a\\rest", &name), 3);
    EXPECT_EQ(name.name[0], 0x95);
    EXPECT_EQ(name.name[1], 0x5C);
    EXPECT_EQ(name.name[2], 'A');
    EXPECT_EQ(name.units, 1);
    EXPECT_EQ(name.parity, 0x95 + 0x5C + 'A');
    EXPECT_EQ(ZVArchiveConvertName("abcd", &name), 4);
    EXPECT_EQ(name.units, 2);   // always at least one zero byte
    std::string tooLong(ZVA_NAME_MAX, 'x');
    EXPECT_EQ(ZVArchiveConvertName(tooLong.c_str(), &name), -1);
}

TEST(ArchiveNames, WildcardsMatchWithoutBacktracking) {
    struct Case {
        const char* pattern;
        const char* name;
        int result;
    } cases[] = {
        {"*", "ABC", 0},       {"A*", "A", -1},       {"A*", "AB", 0},     {"*.PNG", "A.PNG", 0},
        {"*.PNG", "README", -1}, {"?B", "AB", 0},      {"?B", "B", -1},     {"A?", "A", -1},
        {"**C", "ABC", 0},     {"*B*", "ABC", 0},     {"*A.PNG", "AA.PNG", -1},   // no backtracking
        {"表*", "表A", 0},     {"表", "\x95\x5D", -1}, {"", "", 0},          {"A", "", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.result) << c.pattern << " " << c.name;
}

TEST_F(ArchiveReader, ReadsInPiecesAndSeeksWithinTheFile) {
    for (bool compress : {false, true}) {
        ASSERT_EQ(Open(zvfix::ScrambledWithKeyString(zvfix::Builder(2, compress).Build(Tree()).bytes, "kor3vq")), 0);
        ZVArchiveInFile f;
        ASSERT_EQ(ZVArchiveOpenFile(&f, &archive_, "Title.JPG"), 0);
        EXPECT_EQ(f.data != nullptr, compress);
        char b[16] = {};
        EXPECT_EQ(ZVArchiveFileRead(&f, b, 3), 3u);
        EXPECT_EQ(ZVArchiveFileRead(&f, b + 3, 10), 2u);
        EXPECT_STREQ(b, "title");
        EXPECT_EQ(ZVArchiveFileEof(&f), 0);
        EXPECT_EQ(ZVArchiveFileRead(&f, b, 10), 0u);
        EXPECT_EQ(ZVArchiveFileEof(&f), -1);
        EXPECT_EQ(ZVArchiveFileSeek(&f, -2, 2), 0);
        EXPECT_EQ(ZVArchiveFileEof(&f), 0);
        EXPECT_EQ(ZVArchiveFileRead(&f, b, 10), 2u);
        EXPECT_EQ(std::string(b, 2), "le");
        ZVArchiveFileSeek(&f, -100, 1);
        EXPECT_EQ(ZVArchiveFileTell(&f), 0);
        ZVArchiveFileSeek(&f, 100, 0);
        EXPECT_EQ(ZVArchiveFileTell(&f), 5);
        // Two open files share the archive file and keep their own places.
        ZVArchiveInFile g;
        ASSERT_EQ(ZVArchiveOpenFile(&g, &archive_, "a.png"), 0);
        ZVArchiveFileSeek(&f, 1, 0);
        EXPECT_EQ(ZVArchiveFileRead(&g, b, 4), 4u);
        EXPECT_EQ(ZVArchiveFileRead(&f, b + 4, 2), 2u);
        EXPECT_EQ(std::string(b, 6), "rootit");
        ZVArchiveFileClose(&g);
        ZVArchiveFileClose(&f);
        ZVArchiveClose(&archive_);
    }
}

TEST_F(ArchiveReader, AShrunkenArchiveReportsTheBytesItStillHas) {
    BuiltArchive built = zvfix::Builder(2, false).Build(Tree());
    ASSERT_EQ(Open(zvfix::ScrambledWithKeyString(built.bytes, "kor3vq")), 0);
    ZVArchiveInFile f;
    ASSERT_EQ(ZVArchiveOpenFile(&f, &archive_, "README"), 0);   // the first data in the archive
    ASSERT_EQ(truncate("test.tpx", ZVA_HEADER_SIZE + 10), 0);
    char b[300];
    EXPECT_EQ(ZVArchiveFileRead(&f, b, sizeof b), 10u);
    EXPECT_EQ(std::string(b, 10), "readme rrr");
    EXPECT_EQ(ZVArchiveFileTell(&f), 10);
    ZVArchiveFileClose(&f);
}

std::vector<std::string> List(ZVArchive* a, const char* pattern, std::vector<FileFindData>* found = nullptr) {
    std::vector<std::string> names;
    FileFindData data;
    ZVArchiveSearch* s = ZVArchiveFindFirst(a, pattern, &data);
    if (s == nullptr) return names;
    do {
        names.push_back(data.Name);
        if (found) found->push_back(data);
    } while (ZVArchiveFindNext(s, &data) == 0);
    ZVArchiveFindClose(s);
    return names;
}

TEST_F(ArchiveReader, ListsDirectories) {
    setenv("TZ", "UTC", 1);
    tzset();
    ASSERT_EQ(Open(zvfix::ScrambledWithKeyString(zvfix::Builder(2, true).Build(Tree()).bytes, "kor3vq")), 0);
    using Names = std::vector<std::string>;
    std::vector<FileFindData> found;
    EXPECT_EQ(List(&archive_, "*", &found), (Names{".", "README", "a.png", "Title.JPG", "A", "img"}));
    EXPECT_EQ(found[0].DirFlag, 1);
    EXPECT_EQ(found[1].Size, 207u);
    EXPECT_EQ(found[1].DirFlag, 0);
    EXPECT_EQ(found[1].LastWriteTime.Year, 2001);
    EXPECT_EQ(found[1].LastWriteTime.Mon, 2);
    EXPECT_EQ(found[1].LastWriteTime.Day, 3);
    EXPECT_EQ(found[1].LastWriteTime.Hour, 4);
    EXPECT_EQ(found[1].LastWriteTime.Min, 5);
    EXPECT_EQ(found[1].LastWriteTime.Sec, 6);
    EXPECT_EQ(found[5].DirFlag, 1);
    EXPECT_EQ(List(&archive_, "img\\*"), (Names{".", "..", "a.png", "表.dat", "sub"}));
    EXPECT_EQ(List(&archive_, "*.png"), (Names{"a.png"}));
    EXPECT_EQ(List(&archive_, "A*"), (Names{"a.png"}));   // A* does not match A
    EXPECT_EQ(List(&archive_, "img/sub/*.TXT"), (Names{"deep.txt"}));
    EXPECT_EQ(List(&archive_, "nope\\*"), Names{});
    EXPECT_EQ(List(&archive_, "*.bmp"), Names{});
}

// Every part that the reader follows is checked when the archive opens.
TEST_F(ArchiveReader, RefusesDamagedArchivesWithoutLeaking) {
    const BuiltArchive base = zvfix::Builder(2, true).Build(Tree());
    const uint32_t tableSize = static_cast<uint32_t>(base.bytes.size() - base.tableOffset);
    auto at = [](std::vector<unsigned char>& b, size_t p) {
        return static_cast<uint32_t>(b[p] | b[p + 1] << 8 | b[p + 2] << 16 | static_cast<uint32_t>(b[p + 3]) << 24);
    };
    auto fh = [&](uint32_t index, uint32_t field) {
        return base.tableOffset + base.fileTableOffset + index * base.headerSize + field;
    };
    auto dr = [&](uint32_t record, uint32_t field) { return base.tableOffset + base.dirTableOffset + record + field; };
    using Edit = std::function<void(std::vector<unsigned char>&)>;
    auto put = [](size_t p, uint32_t v) { return Edit([=](std::vector<unsigned char>& b) { zvfix::Builder::Put32(b, p, v); }); };
    const uint32_t fileSize = static_cast<uint32_t>(base.bytes.size());
    struct Case {
        const char* what;
        Edit edit;
    } cases[] = {
        {"bad magic", [](std::vector<unsigned char>& b) { b[0] = 'X'; }},
        {"table block past the end", put(4, tableSize + 1)},
        {"empty table block", put(4, 0)},
        {"table offset past the end", put(12, fileSize)},
        {"file table outside the block", put(16, tableSize + 1)},
        {"directory table outside the block", put(20, tableSize + 1)},
        {"no room for the root record", put(20, tableSize - 8)},
        {"data offset past the end", put(8, fileSize + 1)},
        {"name outside the block", put(fh(0, ZVA_FH_NAME), tableSize - 2)},
        {"name length beyond the limit",
         [&](std::vector<unsigned char>& b) { zvfix::Builder::Put16(b, base.tableOffset + at(b, fh(0, ZVA_FH_NAME)), 0x3FF); }},
        {"name length zero",
         [&](std::vector<unsigned char>& b) { zvfix::Builder::Put16(b, base.tableOffset + at(b, fh(0, ZVA_FH_NAME)), 0); }},
        {"search name without its zero",
         [&](std::vector<unsigned char>& b) { b[base.tableOffset + at(b, fh(0, ZVA_FH_NAME)) + 4 + 7] = 'X'; }},
        {"entry count past the table", put(dr(0, ZVA_DIR_COUNT), 100000)},
        {"entry count wrapping", put(dr(0, ZVA_DIR_COUNT), 0xFFFFFFFF)},
        {"first entry past the table", put(dr(0, ZVA_DIR_FIRST), tableSize)},
        {"folder record outside", put(fh(4, ZVA_FH_DATA), 0xFFFF0)},
        {"parent record outside", put(dr(16, ZVA_DIR_PARENT), 0x12345)},
        // sub's parent becomes the record that starts at byte 8, whose entry
        // count is the (unread) first word of img's record.
        {"parent record reached only through \"..\"",
         [&](std::vector<unsigned char>& b) {
             zvfix::Builder::Put32(b, dr(16, ZVA_DIR_SELF), 100000);
             zvfix::Builder::Put32(b, dr(32, ZVA_DIR_PARENT), 8);
         }},
        {"data past the end", put(fh(0, ZVA_FH_DATA), fileSize)},
        {"stored size below its header", put(fh(0, ZVA_FH_STORED_SIZE), 8)},
        {"stored size past the end", put(fh(0, ZVA_FH_STORED_SIZE), 0x7FFFFFF0)},
        {"size beyond what the stored bytes can hold",
         [&](std::vector<unsigned char>& b) {
             zvfix::Builder::Put32(b, fh(0, ZVA_FH_SIZE), (at(b, fh(0, ZVA_FH_STORED_SIZE)) - 9) * ZVA_LZ_MAX_EXPANSION + 1);
         }},
        {"stored file past the end",
         [&](std::vector<unsigned char>& b) {
             zvfix::Builder::Put32(b, fh(0, ZVA_FH_STORED_SIZE), ZVA_NONE);
             zvfix::Builder::Put32(b, fh(0, ZVA_FH_SIZE), fileSize);
         }},
    };
    uint32_t blocksBefore = ZvAllocCount();
    for (const Case& c : cases) {
        std::vector<unsigned char> bytes = base.bytes;
        c.edit(bytes);
        EXPECT_EQ(Open(zvfix::ScrambledWithKeyString(bytes, "kor3vq")), -1) << c.what;
        EXPECT_EQ(archive_.file, 0) << c.what;
        EXPECT_EQ(ZvAllocCount(), blocksBefore) << c.what;
    }

    // Cut anywhere, the archive loses part of its tables.
    std::vector<unsigned char> whole = zvfix::ScrambledWithKeyString(base.bytes, "kor3vq");
    for (size_t length = 0; length < whole.size(); ++length) {
        ASSERT_EQ(Open(std::vector<unsigned char>(whole.begin(), whole.begin() + length)), -1) << length;
    }
    EXPECT_EQ(ZvAllocCount(), blocksBefore);

    // A folder that contains itself opens, and walks end.
    std::vector<unsigned char> loop = base.bytes;
    zvfix::Builder::Put32(loop, fh(7, ZVA_FH_DATA), 16);   // img/sub is img again
    ASSERT_EQ(Open(zvfix::ScrambledWithKeyString(loop, "kor3vq")), 0);
    EXPECT_EQ(ReadAll("img\\sub\\sub\\sub\\a.png"), "img-a-" + std::string(300, 'p'));
    ZVArchiveClose(&archive_);
}

TEST_F(ArchiveReader, ABadTokenStreamFailsOnlyItsFile) {
    BuiltArchive built = zvfix::Builder(2, true).Build(Tree());
    uint32_t dataField = built.tableOffset + built.fileTableOffset + ZVA_FH_DATA;   // README
    uint32_t start = ZVA_HEADER_SIZE + (built.bytes[dataField] | built.bytes[dataField + 1] << 8);
    zvfix::Builder::Put32(built.bytes, start, 208);   // states one byte more than it decodes to
    ASSERT_EQ(Open(zvfix::ScrambledWithKeyString(built.bytes, "kor3vq")), 0);
    uint32_t blocksBefore = ZvAllocCount();
    EXPECT_EQ(ReadAll("README"), "<missing>");
    EXPECT_EQ(ZvAllocCount(), blocksBefore);
    EXPECT_EQ(ReadAll("Title.JPG"), "title");
}

}  // namespace
