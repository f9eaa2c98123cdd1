// DDS decoder: the top-level image of uncompressed files, described either by
// their own bit count and masks or by a format code.
#include <cstring>

#include "core/alloc.h"
#include "graphics/image/image_decoders.h"
#include "graphics/image/image_stream.h"

namespace {

using namespace image_stream;

struct DdsFormat {
    uint32_t code;
    int bits;
    uint32_t r, g, b, a;
};
const DdsFormat kFormats[] = {
    {20, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {21, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u},
    {22, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {23, 16, 0xF800, 0x07E0, 0x001F, 0},
    {24, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {25, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {26, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {27, 8, 0xE0, 0x1C, 0x3, 0},
    {29, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {30, 16, 0xF00, 0xF0, 0xF, 0},
    {31, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000u},
    {32, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u},
    {33, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {35, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u},
    {0xFFFFFFFFu, 0, 0, 0, 0, 0},
};

constexpr uint32_t kPfAlpha = 0x1, kPfFourCC = 0x4, kPfRgb = 0x40, kSdPitch = 0x8;

}  // namespace

int LoadDdsImage(StreamReader* reader, GraphImage* image) {
    const int32_t fileSize = Size(reader);
    unsigned char magic[4];
    if (!Read(reader, magic, 4) || std::memcmp(magic, "DDS", 3) != 0) return -1;
    unsigned char d[124];
    if (!Read(reader, d, sizeof(d))) return -1;
    const uint32_t flags = U32(d + 4);
    const int64_t height = U32(d + 8);
    const int64_t width = U32(d + 12);
    const uint32_t pfFlags = U32(d + 76);
    int bits;
    uint32_t r, g, b, a;
    if (pfFlags & kPfRgb) {
        bits = int(U32(d + 84));
        r = U32(d + 88);
        g = U32(d + 92);
        b = U32(d + 96);
        a = (pfFlags & kPfAlpha) ? U32(d + 100) : 0;
    } else if (pfFlags == kPfFourCC) {
        const uint32_t code = U32(d + 80);
        const DdsFormat* f = kFormats;
        while (f->code != 0xFFFFFFFFu && f->code != code) ++f;
        if (f->code == 0xFFFFFFFFu) return -1;   // compressed and unknown formats
        bits = f->bits;
        r = f->r; g = f->g; b = f->b; a = f->a;
    } else {
        return -1;
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
    if (!SizeOk(width, height)) return -1;
    const uint64_t rowBytes = uint64_t(width) * (bits / 8);
    const uint64_t pitch = (flags & kSdPitch) ? U32(d + 16) : rowBytes;
    if (pitch < rowBytes || !BytesOk(pitch, uint64_t(height))) return -1;
    const uint64_t total = pitch * uint64_t(height);
    if (uint64_t(fileSize) < 128 + total) return -1;

    unsigned char* pixels = static_cast<unsigned char*>(ZVALLOC(size_t(total)));
    if (pixels == nullptr) return -1;
    if (!Read(reader, pixels, size_t(total))) {
        ZvFree(pixels);
        return -1;
    }
    std::memset(image, 0, sizeof(*image));
    if (bits == 8) {
        // 8-bit images are palette images everywhere else: give the packed
        // 3:3:2 values a palette that spells them out.
        ColorData packed;
        CreateColorDataImpl(&packed, 8, r, g, b, 0);
        SetColorDataPalette8(&image->ColorInfo);
        for (uint32_t i = 0; i < 256; ++i) {
            image->ColorInfo.Palette[i] = ColorPaletteEntry{
                uint8_t(UnpackChannel(i, packed.BlueMask, packed.BlueLoc, packed.BlueWidth)),
                uint8_t(UnpackChannel(i, packed.GreenMask, packed.GreenLoc, packed.GreenWidth)),
                uint8_t(UnpackChannel(i, packed.RedMask, packed.RedLoc, packed.RedWidth)), 0};
        }
    } else {
        CreateColorDataImpl(&image->ColorInfo, bits, r, g, b, a);
    }
    image->Width = int(width);
    image->Height = int(height);
    image->Pitch = int(pitch);
    image->Pixels = pixels;
    return 0;
}
