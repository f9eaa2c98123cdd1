// Debug memory allocator: a header in front of every block links it into
// one list of live blocks, with a guard copy that shows a damaged header.
// Small blocks come from the process heap at the next rung of a ladder of
// sizes; large ones are pages mapped for them alone, so that one freed and
// not kept goes back to the system at once and never pins the heap. Freed
// blocks of both kinds are kept for reuse within a cap each, and the process
// heap's own settings are never touched. A free checks the header first and
// leaves a damaged or already freed block alone. Under AddressSanitizer the
// bytes of a block past the size asked for, and the whole of a kept one, are
// poisoned.
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

// Blocks of this many bytes and more, header included, are mapped pages.
constexpr size_t kLargeFrom = 256 << 10;
// Large blocks freed are kept for the next allocation they fit: a picture
// loaded after another was deleted gets memory the process has already
// touched, instead of fresh pages that fault in one by one.
constexpr size_t kKeptBytesMax = 64 << 20;
constexpr int kKeptBlocksMax = 8;
// Small blocks freed are kept too: a scene that deletes and makes again a
// hundred small pictures reuses them, where giving them back would let the
// heap shrink its top and fault the same pages in again at the next make.
constexpr size_t kKeptSmallBytesMax = 8 << 20;

// A small block holds the next rung of a ladder over the size asked for:
// sixteen bytes apart up to 256, then eight rungs per doubling (at most an
// eighth more than asked), so a freed block serves any request of its rung.
struct Rung {
    int index;
    size_t bytes;
};
constexpr Rung RungOf(size_t size) {
    const size_t n = std::max<size_t>(size, 1) - 1;
    const int width = 64 - __builtin_clzll(n | 1);
    const int shift = std::max(width, 8) - 4;
    const size_t top = (n >> shift) + 1;
    return {(shift - 4) * 8 + int(top) - 1, top << shift};
}
constexpr int kRungs = RungOf(kLargeFrom - sizeof(ZvAllocHeader) - 1).index + 1;

// In front of a large block's header: the length of its pages and a check of
// its own, as the header's guard copy does not cover it.
struct alignas(16) MappedHead {
    size_t bytes;
    size_t check;   // ~bytes
};

struct AllocState {
    ZvAllocHeader head = {};
    ZvAllocHeader* newest = nullptr;
    uint16_t nextId = 0;
    uint32_t totalSize = 0;
    uint32_t count = 0;
    ZvAllocSwitches switches;
    MappedHead* kept[kKeptBlocksMax] = {};   // oldest first
    int keptCount = 0;
    size_t keptBytes = 0;
    ZvAllocHeader* keptSmall[kRungs] = {};   // newest first, linked by `next`
    size_t keptSmallBytes = 0;
};
AllocState g_alloc;

bool IsLarge(size_t size) { return size + sizeof(ZvAllocHeader) >= kLargeFrom; }

ZvAllocHeader* HeaderOf(MappedHead* m) { return reinterpret_cast<ZvAllocHeader*>(m + 1); }
MappedHead* MappedHeadOf(ZvAllocHeader* h) { return reinterpret_cast<MappedHead*>(h) - 1; }
char* DataOf(ZvAllocHeader* h) { return reinterpret_cast<char*>(h + 1); }

void RefreshGuard(ZvAllocHeader* h) { memcpy(h->guard, h, kLinkedBytes); }

// Changes one link of a neighbour and the same field of its guard copy alone,
// so that a header damaged elsewhere still shows it.
void SetLink(ZvAllocHeader* h, size_t field, ZvAllocHeader* to) {
    memcpy(reinterpret_cast<char*>(h) + field, &to, sizeof to);
    memcpy(h->guard + field, &to, sizeof to);
}
constexpr size_t kPrev = offsetof(ZvAllocHeader, prev);
constexpr size_t kNext = offsetof(ZvAllocHeader, next);

// Only the `size` bytes asked for can be touched of the `held` past the
// header (none of a kept block, size 0).
void PoisonPast(ZvAllocHeader* h, size_t size, size_t held) {
    ASAN_UNPOISON_MEMORY_REGION(DataOf(h), size);
    ASAN_POISON_MEMORY_REGION(DataOf(h) + size, held - size);
}

size_t HeldPast(MappedHead* m) { return m->bytes - sizeof(MappedHead) - sizeof(ZvAllocHeader); }

// Pages of `held` bytes serve a block needing `needed` when they waste no
// more than a fifth of themselves.
bool Serves(size_t held, size_t needed) { return held >= needed && held - needed <= needed / 4; }

size_t MappedBytesFor(size_t size) { return sizeof(MappedHead) + sizeof(ZvAllocHeader) + size; }

// The length record is believed only when its check agrees and it is a
// length of pages that could serve a block of `size`: an unmap at any other
// length would take pages that are not the block's.
bool LengthIsWhole(const MappedHead* m, size_t size) {
    return m->check == ~m->bytes && Serves(m->bytes, MappedBytesFor(size));
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

// The smallest kept block that serves `size`, or new pages.
ZvAllocHeader* TakeLargeBlock(size_t size) {
    const size_t bytes = MappedBytesFor(size);
    int best = -1;
    for (int i = 0; i < g_alloc.keptCount; ++i) {
        const size_t held = g_alloc.kept[i]->bytes;
        if (Serves(held, bytes) && (best < 0 || held < g_alloc.kept[best]->bytes)) best = i;
    }
    MappedHead* m;
    if (best >= 0) {
        m = g_alloc.kept[best];
        DropKept(best);
    } else {
        m = static_cast<MappedHead*>(PlatformMapPages(bytes));
        if (m == nullptr) return nullptr;
        m->bytes = PlatformPageRound(bytes);
        m->check = ~m->bytes;
    }
    PoisonPast(HeaderOf(m), size, HeldPast(m));
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
    PoisonPast(h, 0, HeldPast(m));
    g_alloc.kept[g_alloc.keptCount++] = m;
    g_alloc.keptBytes += m->bytes;
}

size_t SmallBytes(const Rung& r) { return sizeof(ZvAllocHeader) + r.bytes; }

// The last block kept on the rung of `size`, or one new from the heap.
ZvAllocHeader* TakeSmallBlock(size_t size) {
    const Rung r = RungOf(size);
    ZvAllocHeader* h = g_alloc.keptSmall[r.index];
    if (h != nullptr) {
        g_alloc.keptSmall[r.index] = h->next;
        g_alloc.keptSmallBytes -= SmallBytes(r);
    } else {
        h = static_cast<ZvAllocHeader*>(malloc(SmallBytes(r)));
        if (h == nullptr) return nullptr;
    }
    PoisonPast(h, size, r.bytes);
    return h;
}

// Kept on its rung while the cap allows; otherwise back to the heap.
void GiveBackSmallBlock(ZvAllocHeader* h) {
    const Rung r = RungOf(h->size);
    if (g_alloc.keptSmallBytes + SmallBytes(r) > kKeptSmallBytesMax) {
        free(h);
        return;
    }
    PoisonPast(h, 0, r.bytes);
    h->next = g_alloc.keptSmall[r.index];
    RefreshGuard(h);
    g_alloc.keptSmall[r.index] = h;
    g_alloc.keptSmallBytes += SmallBytes(r);
}

void LogTotals() {
    ErrorLogFmtAdd("\tTotal size:%d(%.3fkb)  Alloc num:%d", int(g_alloc.totalSize),
                   g_alloc.totalSize / 1024.0, int(g_alloc.count));
}

int ReportDamage(const ZvAllocHeader* h) {
    ErrorLogAdd("以下のメモリ確保情報が破損しました");
    ZvPrintAllocInfo(h);
    return -1;
}

// Walks the live blocks from the newest back to the head while `visit`
// returns true, checking at each step that the header's next link leads to
// the one walked before it: broken links end a walk, never loop it. Returns
// the header it stopped at, or null at the head.
template <class Visit>
const ZvAllocHeader* WalkBack(Visit visit) {
    const ZvAllocHeader* after = nullptr;
    for (const ZvAllocHeader* h = g_alloc.newest; h && h != &g_alloc.head; after = h, h = h->prev)
        if (h->next != after || !visit(h)) return h;
    return nullptr;
}

// A free acts only on a header that matches its guard copy and lies in the
// live list (a freed one has no previous block) between neighbours that point
// back at it; a mapped block's length record must hold too.
bool IsWholeAndLive(ZvAllocHeader* h) {
    if (memcmp(h->guard, h, kLinkedBytes) != 0 || h->prev == nullptr || h->prev->next != h) return false;
    if (h->next != nullptr ? h->next->prev != h : g_alloc.newest != h) return false;
    return !IsLarge(h->size) || LengthIsWhole(MappedHeadOf(h), h->size);
}

// A damaged header may claim more than the block holds; the size is known
// only as far as the header and its guard copy agree on it, and a freed
// block holds nothing of its caller's.
uint32_t SizeKnownToBeHeld(const ZvAllocHeader* h) {
    if (h->prev == nullptr) return 0;
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
    SetLink(g_alloc.newest, kNext, h);
    h->prev = g_alloc.newest;
    h->next = nullptr;
    g_alloc.newest = h;
    RefreshGuard(h);

    g_alloc.totalSize += uint32_t(size);
    g_alloc.count += 1;

    const ZvAllocSwitches& s = g_alloc.switches;
    if (s.logEvery || size == s.watchSize) {
        ErrorLogAdd("mem alloc  ");
        ZvPrintAllocInfo(h);
    }
    if (s.logTotals) LogTotals();
    if (s.checkEvery) ZvCheckAllAlloc();
    return DataOf(h);
}

void* ZvCalloc(size_t size, const char* file, int line) {
    void* block = ZvAlloc(size, file, line);
    if (block) memset(block, 0, size);
    return block;
}

int ZvFree(void* block) {
    if (!block) return 0;
    auto* h = reinterpret_cast<ZvAllocHeader*>(static_cast<char*>(block) - sizeof(ZvAllocHeader));
    // Nothing is unlinked, given back or kept on the word of a header that
    // cannot be trusted: the block is reported and left as it is.
    if (!IsWholeAndLive(h)) {
        ReportDamage(h);
        return 0;
    }
    g_alloc.totalSize -= h->size;
    g_alloc.count -= 1;
    const ZvAllocSwitches& s = g_alloc.switches;
    if (s.checkEvery) ZvCheckAllAlloc();

    SetLink(h->prev, kNext, h->next);
    if (h->next)
        SetLink(h->next, kPrev, h->prev);
    else
        g_alloc.newest = h->prev;

    if (s.logEvery || h->size == s.watchSize) {
        ErrorLogAdd("mem free  ");
        ZvPrintAllocInfo(h);
    }
    if (s.logTotals) LogTotals();
    // Out of the list, the header says so: a second free is refused.
    h->prev = h->next = nullptr;
    RefreshGuard(h);
    if (IsLarge(h->size))
        GiveBackLargeBlock(h);
    else
        GiveBackSmallBlock(h);
    return 1;
}

void ZvReleaseKeptBlocks() {
    while (g_alloc.keptCount > 0) UnmapOldestKept();
    for (ZvAllocHeader*& top : g_alloc.keptSmall) {
        while (top != nullptr) {
            ZvAllocHeader* h = top;
            top = h->next;
            free(h);
        }
    }
    g_alloc.keptSmallBytes = 0;
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
    const ZvAllocHeader* broken = WalkBack([](const ZvAllocHeader* h) {
        ZvPrintAllocInfo(h);
        return true;
    });
    if (broken) ReportDamage(broken);
    LogTotals();
    return ErrorLogAdd("\n");
}

int ZvCheckAllAlloc() {
    const ZvAllocHeader* damaged =
        WalkBack([](const ZvAllocHeader* h) { return memcmp(h->guard, h, kLinkedBytes) == 0; });
    return damaged ? ReportDamage(damaged) : 0;
}

uint32_t ZvAllocCount() { return g_alloc.count; }
uint32_t ZvAllocTotalSize() { return g_alloc.totalSize; }
size_t ZvKeptBytes() { return g_alloc.keptBytes + g_alloc.keptSmallBytes; }
ZvAllocSwitches& ZvAllocSettings() { return g_alloc.switches; }
