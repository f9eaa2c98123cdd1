// TGA decoder: colour-mapped and true-colour images, plain or run-length,
// in any row order, turned into top-down left-to-right graph images.
#include <cstring>

#include "core/alloc.h"
#include "graphics/image/image_decoders.h"
#include "graphics/image/image_stream.h"

namespace {

using namespace image_stream;

// Expands run-length packets of `unit`-byte values; false when the data ends
// before every value is made.
bool DecodePackets(const unsigned char* data, size_t len, unsigned char* out, size_t count, int unit) {
    size_t i = 0, made = 0;
    while (made < count) {
        if (i >= len) return false;
        unsigned head = data[i++];
        size_t n = (head & 0x7F) + 1;
        if (n > count - made) n = count - made;   // a packet never runs past the image
        if (head & 0x80) {
            if (i + unit > len) return false;
            for (size_t k = 0; k < n; ++k) std::memcpy(out + (made + k) * unit, data + i, size_t(unit));
            i += unit;
        } else {
            if (i + n * unit > len) return false;
            std::memcpy(out + made * unit, data + i, n * unit);
            i += n * unit;
        }
        made += n;
    }
    return true;
}

}  // namespace

int LoadTgaImage(StreamReader* reader, GraphImage* image) {
    const int32_t fileSize = Size(reader);
    if (fileSize < 18) return -1;
    bool footer = false;
    if (fileSize >= 18 + 26) {
        unsigned char foot[26];
        if (Seek(reader, -26, 2) == 0 && Read(reader, foot, sizeof(foot)))
            footer = std::memcmp(foot + 8, "TRUEVISION-XFILE", 16) == 0 && U32(foot) == 0;
    }
    unsigned char h[18];
    if (Seek(reader, 0, 0) != 0 || !Read(reader, h, sizeof(h))) return -1;
    const int idLength = h[0];
    const int mapType = h[1];
    const int type = h[2];
    const int mapFirst = U16(h + 3);
    const int mapLength = U16(h + 5);
    const int mapEntryBits = h[7];
    const int width = U16(h + 12);
    const int height = U16(h + 14);
    const int pixelBits = h[16];
    const int descriptor = h[17];

    // TGA has no signature: every field must make sense before it is believed.
    if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
    if (mapType > 1) return -1;
    const bool mapped = type == 1 || type == 9;
    if (mapped && (mapType != 1 || pixelBits != 8 || mapFirst + mapLength > 256)) return -1;
    if (U16(h + 8) != 0 || U16(h + 10) != 0) return -1;
    if (width <= 0 || height <= 0 || width >= 4096 || height >= 4096) return -1;
    const int depth = mapped ? mapEntryBits : pixelBits;
    if (depth != 16 && depth != 24 && depth != 32) return -1;
    const int bpp = depth / 8;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    const bool bottomUp = (descriptor & 0x20) == 0;

    size_t pos = 18 + size_t(idLength);
    unsigned char palette[256 * 4] = {};
    if (mapType == 1) {
        const int entryBytes = (mapEntryBits + 7) / 8;
        const size_t mapBytes = size_t(mapLength) * entryBytes;
        if (mapped) {
            if (Seek(reader, int32_t(pos), 0) != 0 || !Read(reader, palette + mapFirst * bpp, mapBytes)) return -1;
        }
        pos += mapBytes;   // a true-colour image may carry a map it does not use
    }
    const size_t end = footer ? size_t(fileSize) - 26 : size_t(fileSize);
    if (pos > end) return -1;

    const size_t count = size_t(width) * height;
    const int stored = mapped ? 1 : bpp;
    unsigned char* raw = static_cast<unsigned char*>(ZVALLOC(count * stored));
    if (raw == nullptr) return -1;
    bool ok;
    if (type == 1 || type == 2) {
        ok = end - pos >= count * stored && Seek(reader, int32_t(pos), 0) == 0 && Read(reader, raw, count * stored);
    } else {
        const size_t len = end - pos;
        unsigned char* packets = static_cast<unsigned char*>(ZVALLOC(len ? len : 1));
        ok = packets != nullptr && Seek(reader, int32_t(pos), 0) == 0 && Read(reader, packets, len) &&
             DecodePackets(packets, len, raw, count, stored);
        if (packets) ZvFree(packets);
    }
    unsigned char* pixels = nullptr;
    if (ok) {
        pixels = static_cast<unsigned char*>(ZVALLOC(count * bpp));
        ok = pixels != nullptr;
    }
    if (!ok) {
        ZvFree(raw);
        return -1;
    }
    // One pass puts the rows top-down, left to right, and resolves indices;
    // left-to-right true-colour rows are already in their final form.
    const size_t pitch = size_t(width) * bpp;
    const bool wholeRows = !mapped && !rightToLeft;
    for (int y = 0; y < height; ++y) {
        const int sy = bottomUp ? height - 1 - y : y;
        unsigned char* row = pixels + size_t(y) * pitch;
        if (wholeRows) {
            std::memcpy(row, raw + size_t(sy) * pitch, pitch);
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const int sx = rightToLeft ? width - 1 - x : x;
            const size_t si = size_t(sy) * width + sx;
            const unsigned char* s = mapped ? palette + size_t(raw[si]) * bpp : raw + si * bpp;
            std::memcpy(row + size_t(x) * bpp, s, size_t(bpp));
        }
    }
    ZvFree(raw);

    std::memset(image, 0, sizeof(*image));
    if (depth == 32) {
        CreateColorDataImpl(&image->ColorInfo, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    } else if (depth == 24) {
        SetColorDataStandard24(&image->ColorInfo);
    } else {
        CreateColorDataImpl(&image->ColorInfo, 16, 0x7C00, 0x3E0, 0x1F, 0);
    }
    image->Width = width;
    image->Height = height;
    image->Pitch = int(pitch);
    image->Pixels = pixels;
    return 0;
}
