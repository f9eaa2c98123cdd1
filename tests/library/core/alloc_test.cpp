// The allocator's kept blocks: large ones kept for reuse within their cap and
// given back to the system when not kept, and (under AddressSanitizer, built
// by the fuzz smoke script) large and small ones poisoned past the size asked
// for and while kept.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/alloc.h"

namespace {

constexpr size_t kMiB = size_t(1) << 20;
constexpr size_t kKiB = size_t(1) << 10;

// GCC names a sanitizer by a macro, clang by a feature.
#if defined(__has_feature)
#define ZV_HAS_FEATURE(name) __has_feature(name)
#else
#define ZV_HAS_FEATURE(name) 0
#endif

#if defined(__SANITIZE_ADDRESS__) || ZV_HAS_FEATURE(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// A sanitizer keeps shadow memory for every byte the program touches, so the
// resident size no longer tells what the program holds.
#if defined(__SANITIZE_THREAD__) || ZV_HAS_FEATURE(thread_sanitizer)
constexpr bool kShadowedMemory = true;
#else
constexpr bool kShadowedMemory = kAddressSanitizer;
#endif

size_t ResidentBytes() {
    unsigned long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0;
    const int read = std::fscanf(f, "%lu %lu", &pages, &resident);
    std::fclose(f);
    return read == 2 ? resident * size_t(sysconf(_SC_PAGESIZE)) : 0;
}

// A block written through, as a picture's pixels are.
void* Written(size_t size) {
    auto* block = static_cast<char*>(ZVALLOC(size));
    if (block != nullptr) std::memset(block, 0x3C, size);
    return block;
}

// A block with one byte written in every page, so that all of it is resident.
void* Touched(size_t size) {
    auto* block = static_cast<char*>(ZVALLOC(size));
    if (block != nullptr)
        for (size_t i = 0; i < size; i += 4096) block[i] = 1;
    return block;
}

}  // namespace

// A freed large block serves a later allocation it holds without wasting much
// of itself; it never serves one larger than itself, and the live counts know
// only the blocks in use.
TEST(KeptBlocks, ServeOnlyAllocationsTheyHold) {
    ZvReleaseKeptBlocks();
    const uint32_t count = ZvAllocCount(), total = ZvAllocTotalSize();
    const size_t big = kMiB;
    struct Case {
        const char* name;
        size_t later;
        bool sameBlock;
    };
    const Case cases[] = {
        {"the same size", big, true},
        {"a little smaller", big - 1000, true},
        {"a page larger", big + 4096, false},
        {"far smaller", big / 2, false},
        {"small", 100, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        void* first = Written(big);
        ASSERT_NE(first, nullptr);
        ZvFree(first);
        EXPECT_EQ(ZvAllocCount(), count);
        EXPECT_EQ(ZvAllocTotalSize(), total);
        void* later = ZVALLOC(c.later);
        ASSERT_NE(later, nullptr);
        // Fresh pages may well lie where the kept ones lay: the kept bytes tell.
        EXPECT_EQ(ZvKeptBytes() == 0, c.sameBlock);
        EXPECT_EQ(ZvAllocTotalSize(), total + c.later);
        std::memset(later, 0xA5, c.later);   // the whole block asked for is writable (checked under ASan)
        ZvFree(later);
        ZvReleaseKeptBlocks();
    }
    EXPECT_EQ(ZvAllocCount(), count);
}

// A kept block reused by smaller requests is still given back and counted at
// the size it was made with: the cap holds on memory, and the block serves
// its full size again instead of fresh memory being taken beside it.
TEST(KeptBlocks, KeepTheSizeTheyWereMadeWith) {
    ZvReleaseKeptBlocks();
    void* made = ZVALLOC(40 * kMiB);
    ASSERT_NE(made, nullptr);
    ZvFree(made);
    const size_t kept = ZvKeptBytes();
    EXPECT_GE(kept, 40 * kMiB);
    EXPECT_LT(kept, 40 * kMiB + 64 * kKiB);
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        for (size_t size = 40 * kMiB; size >= 33 * kMiB; size -= kMiB) {
            void* block = ZVALLOC(size);
            EXPECT_EQ(block, made);
            EXPECT_EQ(ZvKeptBytes(), 0u);
            ZvFree(block);
        }
        EXPECT_EQ(ZvKeptBytes(), kept);
    }
    ZvReleaseKeptBlocks();
    EXPECT_EQ(ZvKeptBytes(), 0u);
}

// A freed small block serves a later request of its rung (sizes at most an
// eighth apart) and no larger one; small blocks freed in bulk are kept only
// up to their cap, and all go when released.
TEST(KeptBlocks, SmallOnesServeTheirRungWithinTheirCap) {
    ZvReleaseKeptBlocks();
    struct Case {
        size_t freed, later;
        bool sameBlock;
    };
    const Case cases[] = {
        {100, 100, true},     {100, 97, true},      {100, 112, true},      {100, 113, false},
        {100, 96, false},     {16384, 16384, true}, {16384, 15361, true},  {16384, 16385, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.freed << " then " << c.later);
        void* first = Written(c.freed);
        ZvFree(first);
        void* later = Written(c.later);   // every byte asked for is the block's (checked under ASan)
        EXPECT_EQ(later == first, c.sameBlock);
        ZvFree(later);
        ZvReleaseKeptBlocks();
    }

    std::vector<void*> blocks;
    for (int i = 0; i < 512; ++i) blocks.push_back(Written(64 * kKiB));
    for (void* block : blocks) ZvFree(block);
    EXPECT_GT(ZvKeptBytes(), 0u);
    EXPECT_LE(ZvKeptBytes(), 8 * kMiB) << "the cap on small blocks kept";
    ZvReleaseKeptBlocks();
    EXPECT_EQ(ZvKeptBytes(), 0u);
}

// A write past the size asked for, inside what a reused or a small block
// holds, is reported by the checker; so is one into a kept block after its
// free.
TEST(KeptBlocks, BytesOutsideTheBlockAskedForAreCaughtByTheChecker) {
    if (!kAddressSanitizer) GTEST_SKIP() << "only AddressSanitizer builds see poisoned bytes";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* name;
        size_t freedBefore;   // a block made and freed first, so kept (0: none)
        size_t asked, written;
        bool freeFirst;       // the write comes after the block's own free
    };
    const Case cases[] = {
        {"just past a reused block", kMiB, kMiB - 1000, kMiB - 1000, false},
        {"deep in a reused block's tail", kMiB, kMiB - 1000, kMiB - 8, false},
        {"past a fresh block", 0, kMiB - 1000, kMiB - 1000, false},
        {"into a kept block", 0, kMiB, 0, true},
        {"past a small block, inside its rung", 0, 100, 100, false},
        {"into a kept small block", 0, 100, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ZvReleaseKeptBlocks();
        EXPECT_DEATH(
            {
                if (c.freedBefore != 0) ZvFree(ZVALLOC(c.freedBefore));
                auto* block = static_cast<volatile char*>(ZVALLOC(c.asked));
                block[0] = 1;
                if (c.freeFirst) ZvFree(const_cast<char*>(block));
                block[c.written] = 1;
            },
            "use-after-poison");
    }
}

// Large blocks churned in shrinking and growing sizes, freed late and out of
// order among small ones that stay, leave no more memory resident than what
// is kept for reuse, and a little slack of the heap's; the kept ones go back
// to the system when released. Large blocks taken from the heap fail this in
// the first round already, and more so in the second, which starts on a heap
// pinned by the first one's late frees.
TEST(LargeBlocks, ChurnLeavesOnlyTheKeptBlocksResident) {
    if (kShadowedMemory) GTEST_SKIP() << "the checker's own memory is resident too";
    ZvReleaseKeptBlocks();
    const size_t before = ResidentBytes();
    ASSERT_GT(before, 0u);
    constexpr size_t kFirst = 24 * kMiB;
    std::vector<void*> small;
    for (int round = 0; round < 2; ++round) {
        std::vector<void*> held;
        held.push_back(Touched(kFirst));
        for (size_t size = kFirst * 3 / 4; size >= 256 * kKiB; size = size * 3 / 4) {
            held.push_back(Touched(size));
            small.push_back(Touched(200));
            // Every third block goes at once, the one before it stays to the end.
            if (held.size() % 3 == 0) {
                ZvFree(held.back());
                held.pop_back();
            }
        }
        for (size_t size = 300 * kKiB; size <= kFirst * 3 / 2; size = size * 3 / 2) {
            void* first = Touched(size);
            held.push_back(Touched(size));
            small.push_back(Touched(200));
            ZvFree(first);
        }
        // Out of order: every other block, then the rest from the newest.
        for (size_t i = 0; i < held.size(); i += 2) ZvFree(held[i]);
        for (size_t i = held.size(); i-- > 0;)
            if (i % 2 == 1) ZvFree(held[i]);
    }
    const size_t grown = ResidentBytes() - before;
    EXPECT_LE(grown, ZvKeptBytes() + 16 * kMiB) << "resident " << grown / kMiB << " MiB over the start, "
                                                << ZvKeptBytes() / kMiB << " MiB kept";
    for (void* block : small) ZvFree(block);
    ZvReleaseKeptBlocks();
    EXPECT_LE(ResidentBytes() - before, 16 * kMiB) << "the kept blocks went back to the system";
}
