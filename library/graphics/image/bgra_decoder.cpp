// Decoder of the library's raw "BGRA" image format (8 or 16 bits a channel).
#include <cstring>

#include "core/alloc.h"
#include "graphics/image/image_decoders.h"
#include "graphics/image/image_stream.h"

using namespace image_stream;

int LoadBgraImage(StreamReader* reader, GraphImage* image) {
    const int32_t fileSize = Size(reader);
    unsigned char head[16];
    if (!Read(reader, head, sizeof(head)) || std::memcmp(head, "BGRA", 4) != 0) return -1;
    const uint32_t format = U32(head + 4);
    if (format != 0x08080808 && format != 0x10101010) return -1;
    const int32_t width = I32(head + 8);
    const int32_t height = I32(head + 12);
    if (!SizeOk(width, height) || !BytesOk(uint64_t(width) * 4, uint64_t(height))) return -1;
    const uint64_t pixelBytes = format == 0x08080808 ? 4 : 8;
    if (uint64_t(fileSize) - 16 < pixelBytes * uint64_t(width) * uint64_t(height)) return -1;

    const size_t total = size_t(width) * size_t(height) * 4;
    unsigned char* pixels = static_cast<unsigned char*>(ZVALLOC(total));
    if (pixels == nullptr) return -1;
    bool ok = true;
    if (format == 0x08080808) {
        ok = Read(reader, pixels, total);
    } else {
        unsigned char* row = static_cast<unsigned char*>(ZVALLOC(size_t(width) * 8));
        ok = row != nullptr;
        for (int y = 0; ok && y < height; ++y) {
            ok = Read(reader, row, size_t(width) * 8);
            // Little-endian channels: the high byte is the second of each pair.
            unsigned char* d = pixels + size_t(y) * width * 4;
            for (int i = 0; ok && i < width * 4; ++i) d[i] = row[i * 2 + 1];
        }
        if (row) ZvFree(row);
    }
    if (!ok) {
        ZvFree(pixels);
        return -1;
    }
    std::memset(image, 0, sizeof(*image));
    CreateColorDataImpl(&image->ColorInfo, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    image->Width = width;
    image->Height = height;
    image->Pitch = width * 4;
    image->Pixels = pixels;
    return 0;
}
