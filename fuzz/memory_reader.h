// A stream reader over the fuzzer's bytes, through the memory stream's own
// operations so a target needs nothing else of the file layer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/file/file_access.h"

// False when no stream could be made; the caller closes it with
// MemStreamClose(reader->handle).
inline bool OpenMemoryReader(const uint8_t* data, size_t size, StreamReader* reader) {
    MemStream* stream = MemStreamOpen(data, size);
    if (stream == nullptr) return false;
    reader->functions = StreamFunctions{MemStreamTell, MemStreamSeek, MemStreamRead,
                                        MemStreamEof, MemStreamIdleCheck, MemStreamClose};
    reader->handle = reinterpret_cast<intptr_t>(stream);
    return true;
}
