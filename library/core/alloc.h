// Debug memory allocator: every block of the library carries a header that
// records where it was made, so that shutdown can list what is still held.
// Large blocks are pages of their own; freed blocks are kept for reuse
// within a cap.
#pragma once
#include <cstddef>
#include <cstdint>

// Header in front of each block. The link fields are pointer-sized; the
// guard copy mirrors the fields that precede it.
struct ZvAllocHeader {
    char name[16];            // last 15 characters of the source file name
    uint16_t id;              // running counter, wraps at 65536
    int16_t line;
    uint32_t size;
    ZvAllocHeader* prev;
    ZvAllocHeader* next;
    unsigned char guard[40];  // copy of the 40 bytes above
};
static_assert(sizeof(ZvAllocHeader) % 16 == 0, "blocks stay 16-byte aligned");

void* ZvAlloc(size_t size, const char* file, int line);
void* ZvCalloc(size_t size, const char* file, int line);
// 1 when the block is freed. 0 for null (nothing done), and for a block whose
// header is damaged or that was freed before: that is logged as damage and
// the block left as it is, never given back or handed out twice.
int ZvFree(void* block);
// Gives the blocks kept for reuse back to the system.
void ZvReleaseKeptBlocks();
int ZvDumpAlloc();
int ZvCheckAllAlloc();
int ZvPrintAllocInfo(const ZvAllocHeader* header);

// Live block count and bytes (for tests and the dump).
uint32_t ZvAllocCount();
uint32_t ZvAllocTotalSize();
// Bytes of the freed blocks kept for reuse: the whole pages of large ones,
// header and rung of small ones.
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
