// Memory streams: the stream operations over a memory image.
#include <cstring>

#include "core/alloc.h"
#include "core/file/file_access.h"

namespace {
MemStream* ToStream(intptr_t handle) { return reinterpret_cast<MemStream*>(handle); }
}  // namespace

MemStream* MemStreamOpen(const void* buffer, size_t size) {
    MemStream* stream = static_cast<MemStream*>(ZVCALLOC(sizeof(MemStream)));
    if (stream == nullptr) return nullptr;
    stream->buffer = buffer;
    stream->size = size;
    return stream;
}

int MemStreamClose(intptr_t handle) {
    ZvFree(ToStream(handle));
    return 0;
}

int32_t MemStreamTell(intptr_t handle) { return static_cast<int32_t>(ToStream(handle)->position); }

int MemStreamSeek(intptr_t handle, int32_t offset, int origin) {
    MemStream* stream = ToStream(handle);
    int64_t target = offset;
    if (origin == 1) target += static_cast<int64_t>(stream->position);
    else if (origin == 2) target += static_cast<int64_t>(stream->size);
    if (target < 0) target = 0;
    if (static_cast<uint64_t>(target) > stream->size) target = static_cast<int64_t>(stream->size);
    stream->position = static_cast<size_t>(target);
    stream->eof = 0;
    return 0;
}

size_t MemStreamRead(void* buffer, size_t size, size_t count, intptr_t handle) {
    MemStream* stream = ToStream(handle);
    if (stream->position == stream->size) {
        stream->eof = 1;
        return 0;
    }
    if (size == 0 || count == 0) return 0;
    const unsigned char* source = static_cast<const unsigned char*>(stream->buffer) + stream->position;
    size_t remaining = stream->size - stream->position;
    // Compared by division: size x count may not fit in a word.
    if (count > remaining / size) count = remaining / size;
    if (count > 0) {
        std::memcpy(buffer, source, size * count);
        stream->position += size * count;
        stream->eof = 0;
        return count;
    }
    // Less than one element is left: it is delivered as one.
    std::memcpy(buffer, source, remaining);
    stream->position = stream->size;
    stream->eof = 0;
    return 1;
}

int MemStreamEof(intptr_t handle) { return ToStream(handle)->eof; }

int MemStreamIdleCheck(intptr_t) { return 1; }
