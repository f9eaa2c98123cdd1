// Device-independent bitmaps owned by the library: images loaded into a
// bitmap of a chosen format, and one bitmap redrawn into another format.
#include <cstring>

#include "core/alloc.h"
#include "core/log.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/graph_image.h"

namespace {

// The source format of a bitmap as the transfer sees it (8-bit palette,
// 16-bit X1R5G5B5 or bit fields, 24-bit, 32-bit X8R8G8B8 or bit fields).
bool DibColorData(const BitmapInfo* info, ColorData* out) {
    std::memset(out, 0, sizeof(*out));
    const BitmapInfoHeader& h = info->Header;
    const uint32_t* masks = reinterpret_cast<const uint32_t*>(info->Colors);
    switch (h.BitCount) {
    case 8:
        SetColorDataPalette8(out);
        std::memcpy(out->Palette, info->Colors, sizeof(out->Palette));
        return true;
    case 16:
        if (h.Compression == BITMAP_BITFIELDS) CreateColorDataImpl(out, 16, masks[0], masks[1], masks[2], 0);
        else CreateColorDataImpl(out, 16, 0x7C00, 0x3E0, 0x1F, 0);
        return true;
    case 24:
        SetColorDataStandard24(out);
        return true;
    case 32:
        if (h.Compression == BITMAP_BITFIELDS) CreateColorDataImpl(out, 32, masks[0], masks[1], masks[2], 0);
        else CreateColorDataImpl(out, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        return true;
    default:
        return false;
    }
}

// A section of width x height in the header's format, bits zeroed.
DibSection* MakeSection(const BitmapInfo& format, int width, int height) {
    DibSection* dib = static_cast<DibSection*>(ZVCALLOC(sizeof(DibSection)));
    if (dib == nullptr) {
        ErrorLogAdd("メモリの確保に失敗しました in CreateDIBGraph \n");
        return nullptr;
    }
    dib->Info = format;
    dib->Info.Header.Size = sizeof(BitmapInfoHeader);
    dib->Info.Header.Width = width;
    dib->Info.Header.Height = -height;
    dib->Info.Header.Planes = 1;
    dib->Pitch = (width * dib->Info.Header.BitCount / 8 + 3) & ~3;
    dib->Bits = ZVCALLOC(size_t(dib->Pitch) * size_t(height));
    if (dib->Bits == nullptr) {
        ZvFree(dib);
        ErrorLogAdd("ＤＩＢの作成に失敗しました3\n");
        return nullptr;
    }
    return dib;
}

// Draws a top-down source bitmap into the section, mirrored when asked.
bool DrawInto(DibSection* dib, const BitmapInfo* srcInfo, const void* srcBits, int reverseFlag) {
    ColorData src, dst;
    if (!DibColorData(srcInfo, &src) || !DibColorData(&dib->Info, &dst)) return false;
    const int width = srcInfo->Header.Width;
    const int height = srcInfo->Header.Height < 0 ? -srcInfo->Header.Height : srcInfo->Header.Height;
    const int srcPitch = (width * srcInfo->Header.BitCount / 8 + 3) & ~3;
    const bool bottomUp = srcInfo->Header.Height > 0;
    for (int y = 0; y < height; ++y) {
        const int sy = bottomUp ? height - 1 - y : y;
        ImageRect row{0, sy, width, sy + 1};
        if (ColorConvertBlt(dib->Bits, dib->Pitch, &dst, srcBits, srcPitch, &src, nullptr, 0, nullptr, 0, y, &row,
                            reverseFlag ? 1 : 0, 0, 0, 0, 0, 0, 0) < 0)
            return false;
    }
    return true;
}

// The section format for colour data (or none) and a source bitmap depth.
BitmapInfo SectionFormat(ColorData* colorData, int sourceBits, const BitmapInfo* source) {
    BitmapInfo f;
    std::memset(&f, 0, sizeof(f));
    uint32_t* masks = reinterpret_cast<uint32_t*>(f.Colors);
    if (colorData == nullptr) {
        if (sourceBits == 8) {
            f.Header.BitCount = 8;
            std::memcpy(f.Colors, source->Colors, sizeof(f.Colors));
        } else {
            f.Header.BitCount = 24;
        }
        return f;
    }
    if (colorData->ColorBitDepth == 16 || (colorData->ColorBitDepth > 24 && sourceBits != 24)) {
        f.Header.BitCount = colorData->ColorBitDepth;
        f.Header.Compression = BITMAP_BITFIELDS;
        masks[0] = colorData->RedMask;
        masks[1] = colorData->GreenMask;
        masks[2] = colorData->BlueMask;
    } else if (colorData->ColorBitDepth == 32 && sourceBits == 24) {
        f.Header.BitCount = 24;
        SetColorDataStandard24(colorData);
    } else {
        f.Header.BitCount = colorData->ColorBitDepth;
        if (f.Header.BitCount == 8) std::memcpy(f.Colors, colorData->Palette, sizeof(f.Colors));
    }
    return f;
}

}  // namespace

DibSection* CreateDIBGraph(const char* path, const void* memImage, size_t memSize, int memFlag, int reverseFlag,
                           ColorData* colorData) {
    GraphImage unused;
    BitmapInfo* info = nullptr;
    void* bits = nullptr;
    if (OpenImageStream(path, memImage, memSize, memFlag, 1, 0, &unused, &info, &bits) != 0) return nullptr;
    const BitmapInfo format = SectionFormat(colorData, info->Header.BitCount, info);
    DibSection* dib = MakeSection(format, info->Header.Width, -info->Header.Height);
    if (dib != nullptr && !DrawInto(dib, info, bits, reverseFlag)) {
        DeleteDIBSection(dib);
        dib = nullptr;
    }
    ZvFree(bits);
    ZvFree(info);
    return dib;
}

DibSection* CreateDIBGraphFromFile(const char* path, int reverseFlag, ColorData* colorData) {
    return CreateDIBGraph(path, nullptr, 0, 0, reverseFlag, colorData);
}

DibSection* ConvertDIBToGraphImage(const BitmapInfo* info, const void* bits, int reverseFlag,
                                  const ColorData* colorData) {
    if (info == nullptr || bits == nullptr || info->Header.Width <= 0 || info->Header.Height == 0) return nullptr;
    BitmapInfo format;
    std::memset(&format, 0, sizeof(format));
    format.Header.BitCount = 24;
    if (colorData != nullptr) {
        ColorData copy = *colorData;
        format = SectionFormat(&copy, 0, info);
    }
    const int height = info->Header.Height < 0 ? -info->Header.Height : info->Header.Height;
    DibSection* dib = MakeSection(format, info->Header.Width, height);
    if (dib != nullptr && !DrawInto(dib, info, bits, reverseFlag)) {
        DeleteDIBSection(dib);
        return nullptr;
    }
    return dib;
}

void DeleteDIBSection(DibSection* dib) {
    if (dib == nullptr) return;
    if (dib->Bits) ZvFree(dib->Bits);
    ZvFree(dib);
}
