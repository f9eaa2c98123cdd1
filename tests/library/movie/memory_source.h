// A movie byte source over bytes in memory, for the tests and the bench.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/movie_ffmpeg.h"

namespace moviefix {

namespace detail {

struct MemoryBytes {
    std::string data;
    size_t position = 0;
    int* closed = nullptr;  // counts closes where the caller wants to see them
};

inline size_t ReadMemory(void* h, void* buffer, size_t size) {
    MemoryBytes* m = static_cast<MemoryBytes*>(h);
    const size_t n = std::min(size, m->data.size() - m->position);
    std::memcpy(buffer, m->data.data() + m->position, n);
    m->position += n;
    return n;
}
inline int SeekMemory(void* h, int64_t offset, int origin) {
    MemoryBytes* m = static_cast<MemoryBytes*>(h);
    const int64_t base = origin == 0 ? 0 : origin == 1 ? int64_t(m->position) : int64_t(m->data.size());
    if (base + offset < 0) return -1;
    m->position = size_t(std::min<int64_t>(base + offset, int64_t(m->data.size())));
    return 0;
}
inline int64_t TellMemory(void* h) { return int64_t(static_cast<MemoryBytes*>(h)->position); }
inline void CloseMemory(void* h) {
    MemoryBytes* m = static_cast<MemoryBytes*>(h);
    if (m->closed) ++*m->closed;
    delete m;
}

}  // namespace detail

// The source owns a copy of the bytes until the stream closes it.
inline MovieByteSource MemorySource(const std::string& bytes, int* closed = nullptr) {
    return MovieByteSource{new detail::MemoryBytes{bytes, 0, closed}, detail::ReadMemory, detail::SeekMemory,
                           detail::TellMemory, detail::CloseMemory};
}

}  // namespace moviefix
