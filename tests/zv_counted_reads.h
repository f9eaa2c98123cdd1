// The file layer's own table with its read calls counted while one of these
// lives: how many reads a load takes, for the tests and the benches.
#pragma once
#include <cstdint>

#include "core/file/file_access.h"

namespace zvtest {

struct CountedReads {
    static inline FileAccessFunctions inner;
    static inline int64_t reads = 0;
    static size_t Read(void* buffer, size_t size, size_t count, ZvFileHandle file) {
        ++reads;
        return inner.Read(buffer, size, count, file);
    }
    CountedReads() {
        reads = 0;
        SetFileAccessFunctions(nullptr);
        inner = *GetFileAccessFunctions();
        FileAccessFunctions counting = inner;
        counting.Read = Read;
        SetFileAccessFunctions(&counting);
    }
    ~CountedReads() { SetFileAccessFunctions(nullptr); }
};

}  // namespace zvtest
