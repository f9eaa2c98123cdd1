// Handle values, refusal of stale and foreign handles, slot reuse and lists.
#include <gtest/gtest.h>

#include <set>

#include "core/handle.h"

namespace {
struct SoundLikeRecord {
    int checkValue;
    int payload;
};

class Handles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(InitializeHandleTable(&sounds_, ZV_HANDLE_SOUND, 4096, sizeof(SoundLikeRecord), "too many\n",
                                        "no memory\n"),
                  0);
        ASSERT_EQ(InitializeHandleTable(&fonts_, ZV_HANDLE_FONT, 4, sizeof(SoundLikeRecord), "too many fonts\n",
                                        "no memory\n"),
                  0);
    }
    void TearDown() override {
        for (HandleTable* t : {&sounds_, &fonts_})
            for (int i = 0; i < t->capacity; ++i)
                if (t->records[i]) SubHandle(t, MakeHandle(t->kind, static_cast<int*>(t->records[i])[0], i));
        TerminateHandleTable(&sounds_);
        TerminateHandleTable(&fonts_);
    }
    HandleTable sounds_{}, fonts_{};
};
}  // namespace

TEST_F(Handles, ValuesFollowKindCheckAndSlot) {
    int first = AddHandle(&sounds_, -1);
    int second = AddHandle(&sounds_, -1);
    EXPECT_EQ(first, 0x10000000);
    EXPECT_EQ(second, 0x10010001);
    EXPECT_NE(CheckHandle(&sounds_, first), nullptr);

    struct Case { int handle; const char* why; } refused[] = {
        {-1, "no handle"},
        {0x08000000, "graph handle given to the sound table"},
        {0x10000000 | 4096, "slot past the capacity"},
        {0x10000005, "free slot"},
        {0x10020001, "wrong check value"},
        {int(0x90000000u), "bit 31 set"},
    };
    for (const auto& c : refused) EXPECT_EQ(CheckHandle(&sounds_, c.handle), nullptr) << c.why;
}

TEST_F(Handles, DeletedHandleStaysRefusedUntilTheCheckCounterWraps) {
    int h = AddHandle(&sounds_, -1);
    ASSERT_EQ(SubHandle(&sounds_, h), 0);
    EXPECT_EQ(CheckHandle(&sounds_, h), nullptr);
    EXPECT_EQ(SubHandle(&sounds_, h), -1);
    std::set<int> seen;
    for (int i = 1; i < 2048; ++i) {
        int n = AddHandle(&sounds_, -1);
        ASSERT_NE(n, h) << "after " << i << " new handles";
        seen.insert(n);
        SubHandle(&sounds_, n);
    }
    EXPECT_EQ(seen.size(), 2047u);
}

TEST_F(Handles, FullTableAndLowestFreeSlotOnceTheHintReachesTheEnd) {
    int h[4];
    for (int& x : h) x = AddHandle(&fonts_, -1);
    EXPECT_EQ(AddHandle(&fonts_, -1), -1);   // full
    SubHandle(&fonts_, h[3]);
    SubHandle(&fonts_, h[1]);
    int next = AddHandle(&fonts_, -1);
    EXPECT_EQ(HandleSlot(next), 1);
    EXPECT_EQ((next >> 27) & 0xF, 4);
}

TEST_F(Handles, RecreatingUnderAFreeSlotGivesTheSameHandle) {
    int h = AddHandle(&sounds_, -1);
    AddHandle(&sounds_, -1);
    SubHandle(&sounds_, h);
    EXPECT_EQ(AddHandle(&sounds_, h), h);
    EXPECT_NE(CheckHandle(&sounds_, h), nullptr);
    // A taken slot gives a new handle instead.
    int other = AddHandle(&sounds_, h);
    EXPECT_NE(other, h);
    EXPECT_NE(CheckHandle(&sounds_, other), nullptr);
}

TEST(HandleLists, InsertAndRemoveKeepBothDirectionsLinked) {
    HandleList head, tail, a, b;
    InitializeHandleList(&head, &tail);
    AddHandleList(&head, &a, 1, &a);
    AddHandleList(&a, &b, 2, &b);
    EXPECT_EQ(head.next, &a);
    EXPECT_EQ(a.next, &b);
    EXPECT_EQ(tail.prev, &b);
    SubHandleList(&a);
    EXPECT_EQ(head.next, &b);
    EXPECT_EQ(b.prev, &head);
    SubHandleList(&b);
    EXPECT_EQ(head.next, &tail);
    EXPECT_EQ(tail.prev, &head);
}
