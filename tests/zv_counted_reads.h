// The file layer's own table with its read calls and the bytes they gave
// counted while one of these lives: how much a load reads, for the tests and
// the benches.
#pragma once
#include <cstdint>

#include "core/file/file_access.h"

namespace zvtest {

struct CountedReads {
    static inline FileAccessFunctions inner;
    static inline int64_t reads = 0;
    static inline int64_t bytes = 0;
    static size_t Read(void* buffer, size_t size, size_t count, ZvFileHandle file) {
        ++reads;
        const size_t got = inner.Read(buffer, size, count, file);
        bytes += int64_t(got * size);
        return got;
    }
    CountedReads() {
        reads = 0;
        bytes = 0;
        SetFileAccessFunctions(nullptr);
        inner = *GetFileAccessFunctions();
        FileAccessFunctions counting = inner;
        counting.Read = Read;
        SetFileAccessFunctions(&counting);
    }
    ~CountedReads() { SetFileAccessFunctions(nullptr); }
};

}  // namespace zvtest
