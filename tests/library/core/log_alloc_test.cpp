// The log file's line format, and the allocator's block list and dump lines.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/library_state.h"
#include "core/log.h"
#include "zv_test_support.h"

namespace {
class LogFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        g_Library.persistent.startupDirOnDisk = dir_.path();
        LogFileInitialize();
    }
    std::string Log() { return zvtest::ReadWholeFile(dir_.path() + "/Log.txt"); }
    // The log with every time stamp replaced by "T:".
    std::string Stamped() { return std::regex_replace(Log(), std::regex("(^|\n)[0-9]+:"), "$1T:"); }
    zvtest::ScopedTempDir dir_;
};
}  // namespace

TEST_F(LogFile, LineEndsStampsIndentAndOpenLines) {
    struct Step { int tabs; const char* text; } steps[] = {
        {0, "A\nB"},              // open line: the next text continues it
        {0, "C\n"},
        {2, "X\r\nY\nZ\n"},       // conversion stops at the first existing CRLF
        {-2, "end"},
    };
    for (const auto& s : steps) {
        for (int i = 0; i < s.tabs; ++i) ErrorLogTabAdd();
        for (int i = 0; i < -s.tabs; ++i) ErrorLogTabSub();
        EXPECT_EQ(ErrorLogAdd(s.text), -1);
    }
    EXPECT_EQ(Stamped(), "T:A\r\nBC\r\nT:\t\tX\r\nY\nZ\nT:end");
}

TEST_F(LogFile, IndentNeverGoesBelowZero) {
    ErrorLogTabSub();
    ErrorLogTabSub();
    EXPECT_EQ(GetLogIndentLevel(), 0);
    ErrorLogTabAdd();
    ErrorLogAdd("a\n");
    EXPECT_EQ(Stamped(), "T:\ta\r\n");
}

TEST_F(LogFile, FormattedAndLongTextsAndShiftJis) {
    EXPECT_EQ(ErrorLogFmtAdd("%d", 5), -1);
    std::string longText(300, 'q');
    ErrorLogAdd(longText.c_str());
    ErrorLogAdd("\n");
    ErrorLogAdd("ウインドウ\n");   // stored as Shift-JIS bytes
    std::string cut(2000, 'w');
    ErrorLogFmtAdd("%s", cut.c_str());
    std::string expect = "T:5\r\nT:" + longText + "\r\nT:\x83\x45\x83\x43\x83\x93\x83\x68\x83\x45\r\nT:" +
                         std::string(1023, 'w') + "\r\n";
    EXPECT_EQ(Stamped(), expect);
}

TEST_F(LogFile, LogIsFoundAfterTheCurrentFolderChanges) {
    zvtest::ScopedTempDir elsewhere;
    ErrorLogAdd("still here\n");
    EXPECT_EQ(Stamped(), "T:still here\r\n");
}

TEST_F(LogFile, AllocatorDumpLines) {
    auto& sw = ZvAllocSettings();
    uint32_t countBefore = ZvAllocCount();
    auto* five = static_cast<unsigned char*>(ZvAlloc(5, "/some/long/path/to/graph_handle.cpp", 77));
    memcpy(five, "abc\0\x01", 5);
    auto* forty = static_cast<unsigned char*>(ZvAlloc(40, nullptr, 70000));
    for (int i = 0; i < 40; ++i) forty[i] = 'A' + i % 26;
    sw.watchSize = 1;     // sizes other than 0 are not watched
    ZvDumpAlloc();
    std::string log = Stamped();
    EXPECT_NE(log.find("T:\r\nT:Alloc memory dump\tsize:40(0.039kb)  file:  line:4464  ID:"), std::string::npos) << log;
    EXPECT_NE(log.find("data:<ABCDEFGHIJKLMNOP> [41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50]\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("\tsize:5(0.005kb)  file:raph_handle.cpp  line:77  ID:"), std::string::npos) << log;
    EXPECT_NE(log.find("data:<abc..> [61 62 63 00 01]\r\n"), std::string::npos);
    EXPECT_EQ(ZvAllocCount(), countBefore + 2);
    ZvFree(forty);
    ZvFree(five);
    sw.watchSize = 0;
    EXPECT_EQ(ZvFree(nullptr), 0);
    EXPECT_EQ(ZvAllocCount(), countBefore);
}

TEST_F(LogFile, WatchedSizeZeroLogsAllocAndFree) {
    void* block = ZvAlloc(0, "z.cpp", 1);
    ZvFree(block);
    std::string log = Stamped();
    EXPECT_NE(log.find("T:mem alloc  \tsize:0(0.000kb)  file:z.cpp  line:1  ID:"), std::string::npos) << log;
    EXPECT_NE(log.find("data:<> ]\r\nT:mem free  \tsize:0"), std::string::npos) << log;
}

TEST_F(LogFile, EmptyListDumpsZeroTotals) {
    ASSERT_EQ(ZvAllocCount(), 0u);
    ZvDumpAlloc();
    EXPECT_EQ(Stamped(), "T:\r\nT:Alloc memory dump\tTotal size:0(0.000kb)  Alloc num:0\r\nT:\r\n");
}

// A stray write over a header is reported, and the report shows only bytes
// that lie inside the block, whichever copy of the size was hit.
TEST_F(LogFile, DamagedHeaderIsReportedWithinItsBlockAndHugeSizesRefused) {
    struct Case {
        const char* name;
        bool hitGuard;        // the guard copy's size rather than the header's
        uint32_t strayValue;
    } cases[] = {
        {"header size one too large", false, 9},
        {"header size huge", false, 0x7FFFFFFF},
        {"guard size one too large", true, 9},
        {"header size smaller", false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* block = static_cast<char*>(ZvAlloc(8, "d.cpp", 3));
        memcpy(block, "ABCDEFGH", 8);
        EXPECT_EQ(ZvCheckAllAlloc(), 0);
        auto* header = reinterpret_cast<ZvAllocHeader*>(block - sizeof(ZvAllocHeader));
        uint32_t* size = c.hitGuard ? reinterpret_cast<uint32_t*>(header->guard + offsetof(ZvAllocHeader, size))
                                    : &header->size;
        const size_t logBefore = Log().size();
        *size = c.strayValue;
        EXPECT_EQ(ZvCheckAllAlloc(), -1);
        const std::string report = Log().substr(logBefore);
        EXPECT_NE(report.find("\x88\xc8\x89\xba"), std::string::npos);   // the damage line's Japanese text
        const std::string shown = c.strayValue < 8 ? "data:<ABC> [41 42 43]" : "data:<ABCDEFGH> [41 42 43 44 45 46 47 48]";
        EXPECT_NE(report.find(shown + "\r\n"), std::string::npos) << report;
        *size = 8;
        ZvFree(block);
    }

    uint32_t before = ZvAllocCount();
    EXPECT_EQ(ZvAlloc(SIZE_MAX - 8, "big.cpp", 1), nullptr);
    EXPECT_EQ(ZvAlloc(UINT32_MAX, "big.cpp", 1), nullptr);
    EXPECT_EQ(ZvAllocCount(), before);
}

// A free acts only on a header it can trust: a block freed twice, a size
// overwritten on a large or a small block, a header copied over from the
// next block (it matches its guard copy, but the list does not lead to it),
// or a large block's length record (in front of its header, with a check of
// its own) overwritten. The free is reported as damage and fails, no address
// is handed out twice, blocks made and freed beside the damaged one leave its
// damage as it is, the list still walks to its end, and the block frees once
// mended.
TEST_F(LogFile, FreeLeavesADamagedOrFreedBlockAlone) {
    constexpr size_t kMiB = size_t(1) << 20;
    enum Hit { FreedBefore, Size, CopiedHeader, Length, LengthAndCheck };
    struct Case {
        const char* name;
        size_t size;
        Hit hit;
        size_t value;      // written over the size or the length record
        int checkAfter;    // ZvCheckAllAlloc once the free was refused
    } cases[] = {
        {"large block freed twice", kMiB, FreedBefore, 0, 0},
        {"small block freed twice", 100, FreedBefore, 0, 0},
        {"large block's size to 100", kMiB, Size, 100, -1},
        {"small block's size to 1 MiB", 100, Size, kMiB, -1},
        {"next block's header copied over", 100, CopiedHeader, 0, -1},
        {"length record to 100 MiB", kMiB, Length, 100 * kMiB, 0},
        {"length record to 4 KiB", kMiB, Length, 4096, 0},
        {"length record a page longer", kMiB, Length, kMiB + 2 * 4096, 0},
        {"length record and its check to 100 MiB", kMiB, LengthAndCheck, 100 * kMiB, 0},
    };
    const uint32_t countBefore = ZvAllocCount();
    int line = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ++line;
        auto* block = static_cast<char*>(ZvAlloc(c.size, "damage.cpp", line));
        memcpy(block, "ABCD", 4);
        auto* header = reinterpret_cast<ZvAllocHeader*>(block - sizeof(ZvAllocHeader));
        auto* length = reinterpret_cast<size_t*>(header) - 2;   // bytes, then ~bytes
        ZvAllocHeader saved = *header;
        size_t savedLength[2] = {};
        void* next = nullptr;
        const size_t logBefore = Log().size();
        switch (c.hit) {
            case FreedBefore: ASSERT_EQ(ZvFree(block), 1); break;
            case Size: header->size = uint32_t(c.value); break;
            case CopiedHeader:
                next = ZvAlloc(c.size, "damage.cpp", line);
                saved = *header;
                memcpy(header, static_cast<char*>(next) - sizeof(ZvAllocHeader), sizeof *header);
                break;
            case Length:
            case LengthAndCheck:
                memcpy(savedLength, length, sizeof savedLength);
                length[0] = c.value;
                if (c.hit == LengthAndCheck) length[1] = ~c.value;
                break;
        }

        EXPECT_EQ(ZvFree(block), 0);
        const std::string report = Log().substr(logBefore);
        const size_t at = report.find("以下のメモリ確保情報が破損しました\tsize:" + std::to_string(header->size) + "(");
        ASSERT_NE(at, std::string::npos) << report;
        EXPECT_NE(report.find("  file:damage.cpp  line:" + std::to_string(line) + "  ID:", at), std::string::npos)
            << report;
        void* again[] = {ZvAlloc(c.size, "again.cpp", 1), ZvAlloc(c.size, "again.cpp", 2)};
        EXPECT_NE(again[0], again[1]);
        if (c.hit != FreedBefore) {
            EXPECT_NE(again[0], block);
            EXPECT_NE(again[1], block);
        }
        for (void* b : again) EXPECT_EQ(ZvFree(b), 1);
        ZvDumpAlloc();
        EXPECT_EQ(ZvCheckAllAlloc(), c.checkAfter);

        switch (c.hit) {
            case FreedBefore: continue;
            case Size: header->size = saved.size; break;
            case CopiedHeader: *header = saved; break;   // its links have not moved since
            case Length:
            case LengthAndCheck: memcpy(length, savedLength, sizeof savedLength); break;
        }
        EXPECT_EQ(ZvFree(block), 1);
        if (next != nullptr) {
            EXPECT_EQ(ZvFree(next), 1);
        }
    }
    EXPECT_EQ(ZvAllocCount(), countBefore);
}
