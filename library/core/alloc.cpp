// Debug memory allocator: a header in front of every block links it into
// one list of live blocks, with a guard copy that shows a damaged header.
// Small blocks come from the process heap; large ones are pages mapped for
// them alone, so that one freed and not kept goes back to the system at once
// and never pins the heap. Under AddressSanitizer the bytes of a large block
// past the size asked for, and the whole of a kept one, are poisoned.
#include "core/alloc.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "core/routines.h"
#include "platform/memory_posix.h"

namespace {
constexpr size_t kLinkedBytes = offsetof(ZvAllocHeader, guard);
static_assert(sizeof(ZvAllocHeader::guard) == kLinkedBytes, "guard mirrors the fields before it");

// Blocks of this many bytes and more, header included, are mapped pages; the
// heap maps its own large requests from the same size.
constexpr size_t kLargeFrom = 256 << 10;
// The heap gives memory back only once this much lies free at its top: a
// scene that frees and makes again a hundred small pictures reuses the heap's
// pages instead of shrinking and growing it every time.
constexpr size_t kHeapTrimFrom = 8 << 20;
// Large blocks freed are kept for the next allocation they fit: a picture
// loaded after another was deleted gets memory the process has already
// touched, instead of fresh pages that fault in one by one.
constexpr size_t kKeptBytesMax = 64 << 20;
constexpr int kKeptBlocksMax = 8;

// In front of a large block's header: the length of its pages.
struct alignas(16) MappedHead {
    size_t bytes;
};

struct AllocState {
    ZvAllocHeader head = {};
    ZvAllocHeader* newest = nullptr;
    uint16_t nextId = 0;
    uint32_t totalSize = 0;
    uint32_t count = 0;
    ZvAllocSwitches switches;
    bool heapLimitsSet = false;
    MappedHead* kept[kKeptBlocksMax] = {};   // oldest first
    int keptCount = 0;
    size_t keptBytes = 0;
};
AllocState g_alloc;

bool IsLarge(size_t size) { return size + sizeof(ZvAllocHeader) >= kLargeFrom; }

ZvAllocHeader* HeaderOf(MappedHead* m) { return reinterpret_cast<ZvAllocHeader*>(m + 1); }
MappedHead* MappedHeadOf(ZvAllocHeader* h) { return reinterpret_cast<MappedHead*>(h) - 1; }

// Only the `size` bytes asked for can be touched; the rest of the pages is
// poisoned (all of them for a kept block, size 0).
void PoisonPast(MappedHead* m, size_t size) {
    char* data = reinterpret_cast<char*>(HeaderOf(m) + 1);
    char* end = reinterpret_cast<char*>(m) + m->bytes;
    ASAN_UNPOISON_MEMORY_REGION(data, size);
    ASAN_POISON_MEMORY_REGION(data + size, size_t(end - data) - size);
}

void Unmap(MappedHead* m) {
    ASAN_UNPOISON_MEMORY_REGION(m, m->bytes);
    PlatformUnmapPages(m, m->bytes);
}

void DropKept(int i) {
    g_alloc.keptBytes -= g_alloc.kept[i]->bytes;
    std::memmove(&g_alloc.kept[i], &g_alloc.kept[i + 1], sizeof(MappedHead*) * size_t(g_alloc.keptCount - i - 1));
    --g_alloc.keptCount;
}

void UnmapOldestKept() {
    MappedHead* oldest = g_alloc.kept[0];
    DropKept(0);
    Unmap(oldest);
}

// The smallest kept block that holds `size` without wasting more than a fifth
// of itself, or new pages.
ZvAllocHeader* TakeLargeBlock(size_t size) {
    const size_t bytes = sizeof(MappedHead) + sizeof(ZvAllocHeader) + size;
    int best = -1;
    for (int i = 0; i < g_alloc.keptCount; ++i) {
        const size_t held = g_alloc.kept[i]->bytes;
        if (held >= bytes && held - bytes <= bytes / 4 && (best < 0 || held < g_alloc.kept[best]->bytes)) best = i;
    }
    MappedHead* m;
    if (best >= 0) {
        m = g_alloc.kept[best];
        DropKept(best);
    } else {
        m = static_cast<MappedHead*>(PlatformMapPages(bytes));
        if (m == nullptr) return nullptr;
        m->bytes = PlatformPageRound(bytes);
    }
    PoisonPast(m, size);
    return HeaderOf(m);
}

// Kept while the cap allows, the oldest kept going first; otherwise unmapped.
void GiveBackLargeBlock(ZvAllocHeader* h) {
    MappedHead* m = MappedHeadOf(h);
    if (m->bytes > kKeptBytesMax) {
        Unmap(m);
        return;
    }
    while (g_alloc.keptCount > 0 &&
           (g_alloc.keptCount == kKeptBlocksMax || g_alloc.keptBytes + m->bytes > kKeptBytesMax))
        UnmapOldestKept();
    PoisonPast(m, 0);
    g_alloc.kept[g_alloc.keptCount++] = m;
    g_alloc.keptBytes += m->bytes;
}

// The heap's limits are set before it serves its first block of ours.
ZvAllocHeader* TakeSmallBlock(size_t size) {
    if (!g_alloc.heapLimitsSet) {
        PlatformSetHeapLimits(kLargeFrom, kHeapTrimFrom);
        g_alloc.heapLimitsSet = true;
    }
    return static_cast<ZvAllocHeader*>(malloc(sizeof(ZvAllocHeader) + size));
}

void RefreshGuard(ZvAllocHeader* h) {
    if (h) memcpy(h->guard, h, kLinkedBytes);
}

void LogTotals() {
    ErrorLogFmtAdd("\tTotal size:%d(%.3fkb)  Alloc num:%d", int(g_alloc.totalSize),
                   g_alloc.totalSize / 1024.0, int(g_alloc.count));
}

// A damaged header may claim more than the block holds; the size is known
// only as far as the header and its guard copy agree on it.
uint32_t SizeKnownToBeHeld(const ZvAllocHeader* h) {
    uint32_t guarded;
    memcpy(&guarded, h->guard + offsetof(ZvAllocHeader, size), sizeof guarded);
    return std::min(h->size, guarded);
}

void StoreName(ZvAllocHeader* h, const char* file) {
    memset(h->name, 0, sizeof h->name);
    if (!file) return;
    const size_t len = strlen(file);
    const size_t kept = std::min<size_t>(len, sizeof h->name - 1);
    memcpy(h->name, file + len - kept, kept);
}
}  // namespace

void* ZvAlloc(size_t size, const char* file, int line) {
    // A size whose header would not fit in the 32-bit size field is refused
    // rather than wrapped into a small block.
    if (size > UINT32_MAX - sizeof(ZvAllocHeader)) {
        ErrorLogFmtAdd("mem alloc refused: %zu bytes", size);
        return nullptr;
    }
    auto* h = IsLarge(size) ? TakeLargeBlock(size) : TakeSmallBlock(size);
    if (!h) {
        ZvDumpAlloc();
        return nullptr;
    }
    h->size = uint32_t(size);
    StoreName(h, file);
    h->line = int16_t(line);
    h->id = g_alloc.nextId++;

    if (!g_alloc.newest) g_alloc.newest = &g_alloc.head;
    g_alloc.newest->next = h;
    h->prev = g_alloc.newest;
    h->next = nullptr;
    g_alloc.newest = h;
    RefreshGuard(h);
    RefreshGuard(h->prev);

    g_alloc.totalSize += uint32_t(size);
    g_alloc.count += 1;

    const ZvAllocSwitches& s = g_alloc.switches;
    if (s.logEvery || size == s.watchSize) {
        ErrorLogAdd("mem alloc  ");
        ZvPrintAllocInfo(h);
    }
    if (s.logTotals) LogTotals();
    if (s.checkEvery) ZvCheckAllAlloc();
    return reinterpret_cast<char*>(h) + sizeof(ZvAllocHeader);
}

void* ZvCalloc(size_t size, const char* file, int line) {
    void* block = ZvAlloc(size, file, line);
    if (block) memset(block, 0, size);
    return block;
}

int ZvFree(void* block) {
    if (!block) return 0;
    auto* h = reinterpret_cast<ZvAllocHeader*>(static_cast<char*>(block) - sizeof(ZvAllocHeader));
    g_alloc.totalSize -= h->size;
    g_alloc.count -= 1;
    const ZvAllocSwitches& s = g_alloc.switches;
    if (s.checkEvery) ZvCheckAllAlloc();

    if (h->prev) h->prev->next = h->next;
    if (h->next) h->next->prev = h->prev;
    if (g_alloc.newest == h) g_alloc.newest = h->prev;
    RefreshGuard(h->next);
    RefreshGuard(h->prev);

    if (s.logEvery || h->size == s.watchSize) {
        ErrorLogAdd("mem free  ");
        ZvPrintAllocInfo(h);
    }
    if (s.logTotals) LogTotals();
    if (IsLarge(h->size))
        GiveBackLargeBlock(h);
    else
        free(h);
    return 1;
}

void ZvReleaseKeptBlocks() {
    while (g_alloc.keptCount > 0) UnmapOldestKept();
}

int ZvPrintAllocInfo(const ZvAllocHeader* h) {
    char line[512];
    int n = FormatString(line, sizeof line, "\tsize:%d(%.3fkb)  file:%s  line:%d  ID:%d  data:<",
                         int(h->size), h->size / 1024.0, h->name, int(h->line), int(h->id));
    const auto* data = reinterpret_cast<const unsigned char*>(h) + sizeof(ZvAllocHeader);
    size_t shown = std::min<size_t>(SizeKnownToBeHeld(h), 16);
    for (size_t i = 0; i < shown; ++i) line[n++] = data[i] < 0x20 ? '.' : char(data[i]);
    line[n++] = '>';
    line[n++] = ' ';
    line[n++] = '[';
    for (size_t i = 0; i < shown; ++i) n += FormatString(line + n, sizeof line - n, "%02x ", data[i]);
    // The last blank (or, with no bytes, the opening bracket) becomes "]\n".
    n -= 1;
    line[n++] = ']';
    line[n++] = '\n';
    line[n] = 0;
    return ErrorLogAdd(line);
}

int ZvDumpAlloc() {
    ErrorLogAdd("\n");
    ErrorLogAdd("Alloc memory dump");
    for (ZvAllocHeader* h = g_alloc.newest; h && h != &g_alloc.head; h = h->prev) ZvPrintAllocInfo(h);
    LogTotals();
    return ErrorLogAdd("\n");
}

int ZvCheckAllAlloc() {
    for (ZvAllocHeader* h = g_alloc.newest; h && h != &g_alloc.head; h = h->prev) {
        if (memcmp(h->guard, h, kLinkedBytes) != 0) {
            ErrorLogAdd("以下のメモリ確保情報が破損しました");
            ZvPrintAllocInfo(h);
            return -1;
        }
    }
    return 0;
}

uint32_t ZvAllocCount() { return g_alloc.count; }
uint32_t ZvAllocTotalSize() { return g_alloc.totalSize; }
size_t ZvKeptBytes() { return g_alloc.keptBytes; }
ZvAllocSwitches& ZvAllocSettings() { return g_alloc.switches; }
