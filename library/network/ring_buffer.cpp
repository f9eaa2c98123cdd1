// The network's ring buffers: append, read and peek in order, growing by the
// shortfall plus 1000 bytes and never shrinking.
#include "network/ring_buffer.h"

#include <cstdint>

#include "core/alloc.h"
#include "core/log.h"
#include "core/routines.h"

namespace {
constexpr int64_t kGrowthSlack = 1000;
}  // namespace

void NormalizeRingBuffer(RingBuffer* ring) {
    if (ring->start == ring->capacity) ring->start = 0;
    if (ring->end == ring->capacity) ring->end = 0;
}

int InitializeRingBuffer(RingBuffer* ring) {
    *ring = RingBuffer{};
    return 0;
}

int TerminateRingBuffer(RingBuffer* ring) {
    if (ring->data) ZvFree(ring->data);
    *ring = RingBuffer{};
    return 0;
}

int ReserveRingBuffer(RingBuffer* ring, int n) {
    NormalizeRingBuffer(ring);
    const int64_t needed = int64_t(ring->length) + n;
    if (ring->capacity >= needed) return 0;
    // Sizes that an int cannot hold are refused like a failed allocation;
    // either way the bytes already held stay where they are.
    const int64_t size = needed + kGrowthSlack;
    auto* area = size <= INT32_MAX ? static_cast<unsigned char*>(ZvAlloc(size_t(size), "", 0)) : nullptr;
    if (!area)
        return ErrorLogFmtAdd("リングバッファの再確保に失敗しました(確保しようとしたサイズ %lld byte)", (long long)size);
    if (ring->length > 0) {
        const int firstPart = ring->capacity - ring->start;
        if (ring->length > firstPart) {
            MemCopy(area, ring->data + ring->start, size_t(firstPart));
            MemCopy(area + firstPart, ring->data, size_t(ring->length - firstPart));
        } else {
            MemCopy(area, ring->data + ring->start, size_t(ring->length));
        }
    }
    if (ring->data) ZvFree(ring->data);
    ring->data = area;
    ring->start = 0;
    ring->end = ring->length;
    ring->capacity = int(size);
    return 0;
}

int AddRingBufferData(RingBuffer* ring, const void* source, int n) {
    NormalizeRingBuffer(ring);
    if (ReserveRingBuffer(ring, n) != 0)
        return ErrorLogFmtAdd("リングバッファへのデータの追加に失敗しました(追加する長さ %d byte)", n);
    const auto* src = static_cast<const unsigned char*>(source);
    const int toEnd = ring->capacity - ring->end;
    if (n > toEnd) {
        MemCopy(ring->data + ring->end, src, size_t(toEnd));
        MemCopy(ring->data, src + toEnd, size_t(n - toEnd));
        ring->end = n - toEnd;
    } else {
        if (n > 0) MemCopy(ring->data + ring->end, src, size_t(n));
        ring->end += n;
    }
    ring->length += n;
    return 0;
}

int GetRingBufferData(RingBuffer* ring, void* destination, int n, int peek) {
    if (n < 0 || ring->length < n) return -1;
    NormalizeRingBuffer(ring);
    auto* dst = static_cast<unsigned char*>(destination);
    const int toEnd = ring->capacity - ring->start;
    int newStart;
    if (n > toEnd) {
        MemCopy(dst, ring->data + ring->start, size_t(toEnd));
        MemCopy(dst + toEnd, ring->data, size_t(n - toEnd));
        newStart = n - toEnd;
    } else {
        if (n > 0) MemCopy(dst, ring->data + ring->start, size_t(n));
        newStart = ring->start + n;
    }
    if (!peek) {
        ring->start = newStart;
        ring->length -= n;
    }
    return 0;
}

int GetRingBufferDataLength(const RingBuffer* ring) { return ring->length; }
