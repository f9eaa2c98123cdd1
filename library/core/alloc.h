// Debug memory allocator: every block of the library carries a header that
// records where it was made, so that shutdown can list what is still held.
#pragma once
#include <cstddef>
#include <cstdint>

// Header in front of each block. The link fields are pointer-sized; the
// guard copy mirrors the fields that precede it. A block reused for a smaller
// request keeps its capacity, so it is given back at its real size.
struct ZvAllocHeader {
    char name[16];            // last 15 characters of the source file name
    uint16_t id;              // running counter, wraps at 65536
    int16_t line;
    uint32_t size;
    ZvAllocHeader* prev;
    ZvAllocHeader* next;
    size_t capacity;          // bytes the block was made with, header included
    unsigned char guard[48];  // copy of the 48 bytes above
};
static_assert(sizeof(ZvAllocHeader) % 16 == 0, "blocks stay 16-byte aligned");

void* ZvAlloc(size_t size, const char* file, int line);
void* ZvCalloc(size_t size, const char* file, int line);
int ZvFree(void* block);
// Large freed blocks are kept for reuse, except under AddressSanitizer, which
// must see a late read of a freed block.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kZvKeepsFreedBlocks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kZvKeepsFreedBlocks = false;
#else
constexpr bool kZvKeepsFreedBlocks = true;
#endif
#else
constexpr bool kZvKeepsFreedBlocks = true;
#endif
// Frees the large blocks kept for reuse after their owners freed them.
void ZvReleaseKeptBlocks();
int ZvDumpAlloc();
int ZvCheckAllAlloc();
int ZvPrintAllocInfo(const ZvAllocHeader* header);

// Live block count and bytes (for tests and the dump).
uint32_t ZvAllocCount();
uint32_t ZvAllocTotalSize();
// Bytes of the freed blocks kept for reuse, headers included.
size_t ZvKeptBytes();

// Switches of the allocator, all off by default.
struct ZvAllocSwitches {
    bool logEvery = false;     // log every allocation and free
    bool logTotals = false;    // log the totals after each allocation and free
    bool checkEvery = false;   // check every guard copy at each allocation and free
    uint32_t watchSize = 0;    // allocations and frees of exactly this size are logged
};
ZvAllocSwitches& ZvAllocSettings();

#define ZVALLOC(size) ZvAlloc((size), __FILE__, __LINE__)
#define ZVCALLOC(size) ZvCalloc((size), __FILE__, __LINE__)
