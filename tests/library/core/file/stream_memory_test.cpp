// Memory streams: clamped seeks, whole-element reads, the partial last
// element, the end flag, and reading through the stream table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/file/file_access.h"

namespace {

const char kTen[] = "0123456789";

TEST(MemStream, SeekClampsAndClearsEof) {
    struct Case {
        int32_t offset;
        int origin;
        int32_t expected;
    } cases[] = {
        {-5, 0, 0}, {20, 0, 10}, {4, 0, 4}, {3, 1, 7}, {-100, 1, 0}, {-2, 2, 8}, {5, 2, 10},
        {6, 9, 6},  // an unknown origin counts from the start
        {INT32_MAX, 2, 10}, {INT32_MIN, 2, 0},
    };
    for (const Case& c : cases) {
        MemStream* s = MemStreamOpen(kTen, 10);
        ASSERT_NE(s, nullptr);
        intptr_t h = reinterpret_cast<intptr_t>(s);
        MemStreamSeek(h, 4, 0);
        char b[16];
        MemStreamSeek(h, 0, 2);
        MemStreamRead(b, 1, 1, h);
        ASSERT_EQ(MemStreamEof(h), 1);
        MemStreamSeek(h, 4, 0);
        EXPECT_EQ(MemStreamSeek(h, c.offset, c.origin), 0);
        EXPECT_EQ(MemStreamTell(h), c.expected) << c.offset << " from " << c.origin;
        EXPECT_EQ(MemStreamEof(h), 0);
        MemStreamClose(h);
    }
}

TEST(MemStream, ReadsWholeElementsAndThePartialLastOne) {
    struct Case {
        int32_t start;
        size_t size, count;
        size_t result;
        std::string delivered;
        int32_t end;
    } cases[] = {
        {0, 4, 3, 2, "01234567", 8},
        {8, 4, 3, 1, "89", 10},           // fewer bytes than one element: delivered as one
        {0, 1, 10, 10, "0123456789", 10},
        {3, 1, 0, 0, "", 3},
        {3, 0, 5, 0, "", 3},              // element size 0 reads nothing
        {2, 1, SIZE_MAX, 8, "23456789", 10},
        {0, SIZE_MAX / 2 + 2, 2, 1, "0123456789", 10},   // size x count overflows a word
        {0, 3, SIZE_MAX / 2, 3, "012345678", 9},
    };
    for (const Case& c : cases) {
        MemStream* s = MemStreamOpen(kTen, 10);
        intptr_t h = reinterpret_cast<intptr_t>(s);
        MemStreamSeek(h, c.start, 0);
        char b[32] = {};
        EXPECT_EQ(MemStreamRead(b, c.size, c.count, h), c.result) << c.start << "/" << c.size << "/" << c.count;
        EXPECT_EQ(std::string(b), c.delivered);
        EXPECT_EQ(MemStreamTell(h), c.end);
        EXPECT_EQ(MemStreamEof(h), 0);
        MemStreamClose(h);
    }
}

TEST(MemStream, ReadAtEndSetsEofUntilSeek) {
    MemStream* s = MemStreamOpen(kTen, 10);
    intptr_t h = reinterpret_cast<intptr_t>(s);
    char b[16];
    EXPECT_EQ(MemStreamRead(b, 1, 10, h), 10u);
    EXPECT_EQ(MemStreamEof(h), 0);
    EXPECT_EQ(MemStreamRead(b, 1, 1, h), 0u);
    EXPECT_EQ(MemStreamEof(h), 1);
    MemStreamSeek(h, 0, 1);
    EXPECT_EQ(MemStreamEof(h), 0);
    MemStreamClose(h);
}

TEST(MemStream, EmptyImageAndClosingLeaveTheImageAlone) {
    char image[4] = {'a', 'b', 'c', 'd'};
    MemStream* s = MemStreamOpen(image, 0);
    intptr_t h = reinterpret_cast<intptr_t>(s);
    char b[4];
    EXPECT_EQ(MemStreamRead(b, 1, 4, h), 0u);
    EXPECT_EQ(MemStreamEof(h), 1);
    EXPECT_EQ(MemStreamClose(h), 0);
    EXPECT_EQ(std::string(image, 4), "abcd");
}

TEST(MemStream, LoadersReadThroughTheTable) {
    const StreamFunctions* f = GetMemStreamFunctions();
    StreamReader reader{*f, reinterpret_cast<intptr_t>(MemStreamOpen(kTen, 10))};
    char b[8] = {};
    EXPECT_EQ(reader.functions.Seek(reader.handle, -3, 2), 0);
    EXPECT_EQ(reader.functions.Read(b, 1, 8, reader.handle), 3u);
    EXPECT_STREQ(b, "789");
    EXPECT_EQ(reader.functions.Read(b, 1, 8, reader.handle), 0u);
    EXPECT_NE(reader.functions.Eof(reader.handle), 0);
    EXPECT_EQ(reader.functions.IdleCheck(reader.handle), 1);
    EXPECT_EQ(reader.functions.Tell(reader.handle), 10);
    EXPECT_EQ(reader.functions.Close(reader.handle), 0);
}

}  // namespace
