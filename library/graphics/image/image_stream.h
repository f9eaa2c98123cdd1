// Small helpers the image decoders share for reading through a StreamReader:
// exact reads (element size 1), seeking, measuring and little-endian fields.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/file/file_access.h"
#include "graphics/image/graph_image.h"

namespace image_stream {

inline int32_t Tell(StreamReader* r) { return r->functions.Tell(r->handle); }
inline int Seek(StreamReader* r, int32_t offset, int origin) { return r->functions.Seek(r->handle, offset, origin); }
// True only when all n bytes arrived.
inline bool Read(StreamReader* r, void* buffer, size_t n) {
    return n == 0 || r->functions.Read(buffer, 1, n, r->handle) == n;
}
// Bytes from the start to the end; the position is back at 0 afterwards.
inline int32_t Size(StreamReader* r) {
    Seek(r, 0, 2);
    int32_t size = Tell(r);
    Seek(r, 0, 0);
    return size < 0 ? 0 : size;
}

inline uint16_t U16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t U32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t I32(const unsigned char* p) { return int32_t(U32(p)); }

// Pixel buffers larger than this are refused: pitch x height must stay an int.
constexpr uint64_t kMaxImageBytes = 0x7FFFFFFF;

inline bool SizeOk(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= GRAPH_IMAGE_MAX_SIZE && height <= GRAPH_IMAGE_MAX_SIZE;
}
inline bool BytesOk(uint64_t pitch, uint64_t height) { return pitch * height <= kMaxImageBytes; }

}  // namespace image_stream
