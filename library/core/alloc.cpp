// Debug memory allocator: a header in front of every block links it into
// one list of live blocks, with a guard copy that shows a damaged header.
#include "core/alloc.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "core/routines.h"

namespace {
constexpr size_t kLinkedBytes = offsetof(ZvAllocHeader, guard);
static_assert(sizeof(ZvAllocHeader::guard) == kLinkedBytes, "guard mirrors the fields before it");

// Large blocks freed are kept for the next allocation they fit: a picture
// loaded after another was deleted gets memory the process has already
// touched, instead of fresh pages that fault in one by one.
constexpr size_t kKeepFrom = 256 << 10;
constexpr size_t kKeptBytesMax = 64 << 20;
constexpr int kKeptBlocksMax = 8;

struct KeptBlock {
    ZvAllocHeader* header;
    size_t bytes;   // the block's capacity, header included
};

struct AllocState {
    ZvAllocHeader head = {};
    ZvAllocHeader* newest = nullptr;
    uint16_t nextId = 0;
    uint32_t totalSize = 0;
    uint32_t count = 0;
    ZvAllocSwitches switches;
    KeptBlock kept[kKeptBlocksMax] = {};   // oldest first
    int keptCount = 0;
    size_t keptBytes = 0;
};
AllocState g_alloc;

void DropKept(int i) {
    g_alloc.keptBytes -= g_alloc.kept[i].bytes;
    std::memmove(&g_alloc.kept[i], &g_alloc.kept[i + 1], sizeof(KeptBlock) * size_t(g_alloc.keptCount - i - 1));
    --g_alloc.keptCount;
}

void FreeOldestKept() {
    free(g_alloc.kept[0].header);
    DropKept(0);
}

// The smallest kept block that holds `bytes` without wasting more than a
// fifth of itself, or a new one.
ZvAllocHeader* TakeBlock(size_t bytes) {
    int best = -1;
    for (int i = 0; i < g_alloc.keptCount; ++i) {
        const size_t held = g_alloc.kept[i].bytes;
        if (held >= bytes && held - bytes <= bytes / 4 && (best < 0 || held < g_alloc.kept[best].bytes)) best = i;
    }
    if (best < 0) {
        auto* h = static_cast<ZvAllocHeader*>(malloc(bytes));
        if (h) h->capacity = bytes;
        return h;
    }
    ZvAllocHeader* h = g_alloc.kept[best].header;
    DropKept(best);
    return h;
}

void GiveBackBlock(ZvAllocHeader* h) {
    const size_t bytes = h->capacity;
    if (!kZvKeepsFreedBlocks || bytes < kKeepFrom || bytes > kKeptBytesMax) {
        free(h);
        return;
    }
    while (g_alloc.keptCount > 0 &&
           (g_alloc.keptCount == kKeptBlocksMax || g_alloc.keptBytes + bytes > kKeptBytesMax))
        FreeOldestKept();
    g_alloc.kept[g_alloc.keptCount++] = KeptBlock{h, bytes};
    g_alloc.keptBytes += bytes;
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
    size_t len = strlen(file);
    const char* tail = len > 15 ? file + len - 15 : file;
    memcpy(h->name, tail, strlen(tail));
}
}  // namespace

void* ZvAlloc(size_t size, const char* file, int line) {
    // A size whose header would not fit in the 32-bit size field is refused
    // rather than wrapped into a small block.
    if (size > UINT32_MAX - sizeof(ZvAllocHeader)) {
        ErrorLogFmtAdd("mem alloc refused: %zu bytes", size);
        return nullptr;
    }
    auto* h = TakeBlock(size + sizeof(ZvAllocHeader));
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
    GiveBackBlock(h);
    return 1;
}

void ZvReleaseKeptBlocks() {
    while (g_alloc.keptCount > 0) FreeOldestKept();
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
