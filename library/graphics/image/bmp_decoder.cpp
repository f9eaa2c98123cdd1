// BMP decoder: palette, RLE4/RLE8, 24-bit and bit-field files of every header
// size into graph images; sizes and lengths are checked before anything is read.
#include <climits>
#include <cstring>

#include "core/alloc.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/image_decoders.h"
#include "graphics/image/image_stream.h"

namespace {

using namespace image_stream;

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

// Decodes run-length data into one byte per pixel, top-down rows. Runs,
// deltas and literals are clipped to the image and to the data.
void DecodeRle(const unsigned char* data, size_t len, unsigned char* out, int pitch, int width, int height,
               bool bottomUp, bool nibbles) {
    int x = 0, row = 0;
    size_t i = 0;
    auto put = [&](unsigned char v) {
        if (x >= 0 && x < width && row >= 0 && row < height) {
            int y = bottomUp ? height - 1 - row : row;
            out[size_t(y) * pitch + x] = v;
        }
        ++x;
    };
    while (i + 1 < len && row < height) {
        unsigned n = data[i], v = data[i + 1];
        i += 2;
        if (n > 0) {
            for (unsigned k = 0; k < n && x < width; ++k) put(nibbles ? ((k & 1) ? v & 0xF : v >> 4) : v);
            continue;
        }
        if (v == 0) {
            x = 0;
            ++row;
        } else if (v == 1) {
            break;
        } else if (v == 2) {
            if (i + 1 >= len) break;
            x += int8_t(data[i]);
            row += int8_t(data[i + 1]);
            i += 2;
            if (x < 0) x = 0;
            if (row < 0) row = 0;
        } else {
            size_t bytes = nibbles ? (v + 1) / 2 : v;
            for (unsigned k = 0; k < v; ++k) {
                size_t at = i + (nibbles ? k / 2 : k);
                if (at >= len) break;
                unsigned char b = data[at];
                put(nibbles ? ((k & 1) ? b & 0xF : b >> 4) : b);
            }
            i += bytes + (bytes & 1);
        }
    }
}

void SetPalette(GraphImage* image, const unsigned char* pal, int entries) {
    SetColorDataPalette8(&image->ColorInfo);
    std::memset(image->ColorInfo.Palette, 0, sizeof(image->ColorInfo.Palette));
    for (int i = 0; i < entries && i < 256; ++i)
        image->ColorInfo.Palette[i] = ColorPaletteEntry{pal[i * 4], pal[i * 4 + 1], pal[i * 4 + 2], 0};
}

}  // namespace

int LoadBmpImage(StreamReader* reader, GraphImage* image) {
    const int32_t fileSize = Size(reader);
    unsigned char fh[14];
    if (!Read(reader, fh, sizeof(fh)) || fh[0] != 'B' || fh[1] != 'M') return -1;
    const uint32_t dataOffset = U32(fh + 10);

    unsigned char ih[124] = {};
    if (!Read(reader, ih, 4)) return -1;
    const uint32_t headerSize = U32(ih);
    if (headerSize < 40 || uint64_t(headerSize) + 14 > uint64_t(fileSize)) return -1;
    if (!Read(reader, ih + 4, (headerSize < 124 ? headerSize : 124) - 4)) return -1;

    const int32_t width = I32(ih + 4);
    const int32_t rawHeight = I32(ih + 8);
    const int bits = U16(ih + 14);
    const uint32_t compression = U32(ih + 16);
    if (rawHeight == INT_MIN || !SizeOk(width, rawHeight < 0 ? -int64_t(rawHeight) : rawHeight)) return -1;
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;

    const bool kindOk = (compression == kRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
                                                  bits == 32)) ||
                        (compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4) ||
                        (compression == kBitFields && (bits == 16 || bits == 32));
    if (!kindOk) return -1;

    // Palettes and masks follow the header, whatever its size.
    const uint32_t afterHeader = 14 + headerSize;
    unsigned char pal[1024] = {};
    uint32_t masks[3] = {0, 0, 0};
    if (bits <= 8) {
        uint32_t want = 4u << bits;
        uint32_t have = uint32_t(fileSize) - afterHeader;
        if (Seek(reader, int32_t(afterHeader), 0) != 0 || !Read(reader, pal, want < have ? want : have)) return -1;
    } else if (compression == kBitFields) {
        if (headerSize >= 52) {
            masks[0] = U32(ih + 40);
            masks[1] = U32(ih + 44);
            masks[2] = U32(ih + 48);
        } else {
            unsigned char m[12];
            if (Seek(reader, int32_t(afterHeader), 0) != 0 || !Read(reader, m, sizeof(m))) return -1;
            masks[0] = U32(m);
            masks[1] = U32(m + 4);
            masks[2] = U32(m + 8);
        }
    } else if (bits == 16) {
        masks[0] = 0x7C00; masks[1] = 0x3E0; masks[2] = 0x1F;
    } else if (bits == 32) {
        masks[0] = 0xFF0000; masks[1] = 0xFF00; masks[2] = 0xFF;
    }

    const uint64_t rowBytes = (uint64_t(bits) * uint64_t(width) + 7) / 8;
    const uint64_t srcPitch = (rowBytes + 3) & ~uint64_t(3);
    if (!BytesOk(srcPitch, uint64_t(height)) || !BytesOk(uint64_t(width) * 3 + 3, uint64_t(height))) return -1;
    if (dataOffset < afterHeader || dataOffset >= uint32_t(fileSize)) return -1;
    const size_t dataLen = size_t(uint32_t(fileSize) - dataOffset);
    const bool compressed = compression == kRle8 || compression == kRle4;
    if (!compressed && dataLen < srcPitch * (height - 1) + rowBytes) return -1;

    unsigned char* data = static_cast<unsigned char*>(ZVALLOC(dataLen));
    if (data == nullptr) return -1;
    if (Seek(reader, int32_t(dataOffset), 0) != 0 || !Read(reader, data, dataLen)) {
        ZvFree(data);
        return -1;
    }

    std::memset(image, 0, sizeof(*image));
    image->Width = width;
    image->Height = height;
    unsigned char* out = nullptr;
    auto srcRow = [&](int y) { return data + size_t(topDown ? y : height - 1 - y) * srcPitch; };

    if (compressed) {
        const int pitch = (width + 3) & ~3;
        out = static_cast<unsigned char*>(ZVCALLOC(size_t(pitch) * height));
        if (out == nullptr) {
            ZvFree(data);
            return -1;
        }
        DecodeRle(data, dataLen, out, pitch, width, height, !topDown, compression == kRle4);
        image->Pitch = pitch;
        SetPalette(image, pal, compression == kRle4 ? 16 : 256);
    } else if (bits == 1 || bits == 4) {
        const int pitch = (width + 3) & ~3;
        out = static_cast<unsigned char*>(ZVCALLOC(size_t(pitch) * height));
        if (out == nullptr) {
            ZvFree(data);
            return -1;
        }
        for (int y = 0; y < height; ++y) {
            const unsigned char* s = srcRow(y);
            unsigned char* d = out + size_t(y) * pitch;
            for (int x = 0; x < width; ++x) {
                d[x] = bits == 4 ? ((x & 1) ? s[x / 2] & 0xF : s[x / 2] >> 4)
                                 : (s[x / 8] >> (7 - (x & 7))) & 1;
            }
        }
        image->Pitch = pitch;
        SetPalette(image, pal, 1 << bits);
    } else if (bits == 8 || bits == 24) {
        if (topDown) {
            out = data;   // already in the right order
            data = nullptr;
        } else {
            out = static_cast<unsigned char*>(ZVALLOC(size_t(srcPitch) * height));
            if (out == nullptr) {
                ZvFree(data);
                return -1;
            }
            for (int y = 0; y < height; ++y) std::memcpy(out + size_t(y) * srcPitch, srcRow(y), size_t(rowBytes));
        }
        image->Pitch = int(srcPitch);
        if (bits == 8) SetPalette(image, pal, 256);
        else SetColorDataStandard24(&image->ColorInfo);
    } else {
        // 16 and 32 bits, plain or with bit fields: to 24-bit standard.
        ColorData src;
        CreateColorDataImpl(&src, bits, masks[0], masks[1], masks[2], 0);
        SetColorDataStandard24(&image->ColorInfo);
        const int pitch = (width * 3 + 3) & ~3;
        out = static_cast<unsigned char*>(ZVALLOC(size_t(pitch) * height));
        if (out == nullptr) {
            ZvFree(data);
            return -1;
        }
        for (int y = 0; y < height; ++y) {
            ImageRect rect{0, 0, width, 1};
            ColorConvertBlt(out + size_t(y) * pitch, pitch, &image->ColorInfo, srcRow(y), int(srcPitch), &src,
                            nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0, 0, 0, 0);
        }
        image->Pitch = pitch;
    }
    if (data) ZvFree(data);
    image->Pixels = out;
    return 0;
}
