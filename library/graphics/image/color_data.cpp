// Pixel formats: building ColorData records from masks or surface pixel
// formats, packing, converting and unpacking colour values.
#include "graphics/image/color_data.h"

#include <cstring>

#include "platform/surface_memory.h"

namespace {

void MaskShiftWidth(uint32_t mask, uint8_t* shift, uint8_t* width) {
    if (mask == 0) {
        *shift = 0;
        *width = 0;
        return;
    }
    int s = 0;
    while (((mask >> s) & 1) == 0) ++s;
    int w = 0;
    while (s + w < 32 && ((mask >> (s + w)) & 1)) ++w;
    *shift = uint8_t(s);
    *width = uint8_t(w);
}

uint32_t DepthBits(int depth) {
    return depth >= 32 ? 0xFFFFFFFFu : ((1u << depth) - 1);
}

// Channel value (already masked and shifted) moved from one width to another
// by shifting.
inline uint32_t ShiftWidth(uint32_t v, int from, int to) {
    if (from == 0) return 0;
    return from > to ? v >> (from - to) : v << (to - from);
}

// Packs one 8-bit channel: width 0 contributes nothing.
inline uint32_t PackChannel(int v, int width, int shift) {
    if (width == 0) return 0;
    uint32_t c = uint32_t(v) & 0xFF;
    return (width <= 8 ? c >> (8 - width) : c << (width - 8)) << shift;
}

void FillRGB888(ColorData* data, int depth) {
    data->ColorBitDepth = uint16_t(depth);
    data->PixelByte = uint16_t(depth / 8);
    data->RedMask = 0xFF0000;
    data->GreenMask = 0xFF00;
    data->BlueMask = 0xFF;
    data->AlphaMask = 0;
    data->RedWidth = data->GreenWidth = data->BlueWidth = 8;
    data->AlphaWidth = 0;
    data->RedLoc = 16;
    data->GreenLoc = 8;
    data->BlueLoc = 0;
    data->AlphaLoc = 0;
}

}  // namespace

int CreateColorDataImpl(ColorData* data, int depth, uint32_t redMask, uint32_t greenMask,
                        uint32_t blueMask, uint32_t alphaMask) {
    data->ColorBitDepth = uint16_t(depth);
    data->PixelByte = uint16_t(depth / 8);
    data->RedMask = redMask;
    data->GreenMask = greenMask;
    data->BlueMask = blueMask;
    data->AlphaMask = alphaMask;
    data->NoneMask = DepthBits(depth) & ~(redMask | greenMask | blueMask | alphaMask);
    MaskShiftWidth(redMask, &data->RedLoc, &data->RedWidth);
    MaskShiftWidth(greenMask, &data->GreenLoc, &data->GreenWidth);
    MaskShiftWidth(blueMask, &data->BlueLoc, &data->BlueWidth);
    MaskShiftWidth(alphaMask, &data->AlphaLoc, &data->AlphaWidth);
    MaskShiftWidth(data->NoneMask, &data->NoneLoc, &data->NoneWidth);
    return 0;
}

int CreateColorDataFromPixelFormat(ColorData* data, const SurfacePixelFormat* format) {
    return CreateColorDataImpl(data, int(format->RGBBitCount), format->RBitMask, format->GBitMask,
                               format->BBitMask, format->RGBAlphaBitMask);
}

int CreatePixelFormatImpl(SurfacePixelFormat* format, int depth, uint32_t redMask, uint32_t greenMask,
                          uint32_t blueMask, uint32_t alphaMask) {
    std::memset(format, 0, sizeof(*format));
    format->Size = sizeof(*format);
    format->Flags = SURFACE_PF_RGB;
    format->RGBBitCount = uint32_t(depth);
    format->RBitMask = redMask;
    format->GBitMask = greenMask;
    format->BBitMask = blueMask;
    format->RGBAlphaBitMask = alphaMask;
    return 0;
}

void SetColorDataStandard24(ColorData* data) {
    FillRGB888(data, 24);
    data->NoneMask = 0;
    data->NoneLoc = data->NoneWidth = 0;
}

void SetColorDataPalette8(ColorData* data) {
    FillRGB888(data, 8);
    data->NoneMask = 0xFF000000;
    data->NoneLoc = 24;
    data->NoneWidth = 8;
}

void SetColorDataGrey8(ColorData* data) {
    SetColorDataPalette8(data);
    for (int i = 0; i < 256; ++i) data->Palette[i] = ColorPaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0};
}

void RefreshColorDataSpareBits(ColorData* data) {
    int sum = data->RedWidth + data->GreenWidth + data->BlueWidth + data->AlphaWidth;
    if (sum == data->ColorBitDepth) {
        data->NoneMask = 0;
    } else {
        data->NoneMask = DepthBits(data->ColorBitDepth) &
                         ~(data->RedMask | data->GreenMask | data->BlueMask | data->AlphaMask);
    }
    MaskShiftWidth(data->NoneMask, &data->NoneLoc, &data->NoneWidth);
}

int CompareColorDataFormat(const ColorData* a, const ColorData* b) {
    return a->ColorBitDepth == b->ColorBitDepth && a->RedMask == b->RedMask &&
                   a->GreenMask == b->GreenMask && a->BlueMask == b->BlueMask && a->AlphaMask == b->AlphaMask
               ? 1
               : 0;
}

uint32_t PackColorData(const ColorData* d, int r, int g, int b, int a) {
    uint32_t v = PackChannel(b, d->BlueWidth, d->BlueLoc) + PackChannel(g, d->GreenWidth, d->GreenLoc) +
                 PackChannel(r, d->RedWidth, d->RedLoc) + d->NoneMask;
    if (d->AlphaWidth != 0) v += PackChannel(a, d->AlphaWidth, d->AlphaLoc);
    return v;
}

uint32_t PackTransColor(const ColorData* d, uint32_t rgb) {
    return PackColorData(d, int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF), 255);
}

uint32_t ConvertColorValue(const ColorData* dest, const ColorData* src, uint32_t value) {
    auto channel = [&](uint32_t sMask, int sShift, int sWidth, int dShift, int dWidth) -> uint32_t {
        if (dWidth == 0) return 0;
        uint32_t v = (value & sMask) >> sShift;
        return ShiftWidth(v, sWidth, dWidth) << dShift;
    };
    uint32_t out = channel(src->RedMask, src->RedLoc, src->RedWidth, dest->RedLoc, dest->RedWidth) |
                   channel(src->GreenMask, src->GreenLoc, src->GreenWidth, dest->GreenLoc, dest->GreenWidth) |
                   channel(src->BlueMask, src->BlueLoc, src->BlueWidth, dest->BlueLoc, dest->BlueWidth);
    if (src->AlphaWidth == 0) {
        out |= dest->AlphaMask;
    } else {
        out |= channel(src->AlphaMask, src->AlphaLoc, src->AlphaWidth, dest->AlphaLoc, dest->AlphaWidth) &
               dest->AlphaMask;
    }
    return out | dest->NoneMask;
}

int UnpackChannel(uint32_t value, uint32_t mask, int shift, int width) {
    if (width == 0) return 0;
    uint64_t max = (uint64_t(1) << width) - 1;
    return int((uint64_t((value & mask) >> shift) * 255) / max);
}

