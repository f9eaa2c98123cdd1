// Pixel formats: the ColorData record that describes every pixel buffer of
// the library, how it is built from masks, and packing and unpacking values.
#pragma once
#include <cstdint>

#include "zovav.h"

// ColorData, its palette entries and SurfacePixelFormat are public records
// (zovav.h).
int CreateColorDataImpl(ColorData* data, int colorBitDepth, uint32_t redMask, uint32_t greenMask,
                        uint32_t blueMask, uint32_t alphaMask);
int CreateColorDataFromPixelFormat(ColorData* data, const SurfacePixelFormat* format);
int CreatePixelFormatImpl(SurfacePixelFormat* format, int colorBitDepth, uint32_t redMask,
                          uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask);

// Standard fillings.
void SetColorDataStandard24(ColorData* data);
void SetColorDataPalette8(ColorData* data);   // palette left for the caller
void SetColorDataGrey8(ColorData* data);

// Spare bits follow the channel masks again (decoded images set masks by hand).
void RefreshColorDataSpareBits(ColorData* data);
// 1 when depth and the four masks are equal.
int CompareColorDataFormat(const ColorData* a, const ColorData* b);

// r, g, b, a in 0..255 packed into the format (spare bits set).
uint32_t PackColorData(const ColorData* data, int r, int g, int b, int a);
// A transparent colour 0x00RRGGBB packed into the format with full alpha.
uint32_t PackTransColor(const ColorData* data, uint32_t rgb);
// One pixel value moved between formats by shifting channels (no rescaling).
uint32_t ConvertColorValue(const ColorData* dest, const ColorData* src, uint32_t value);
// One channel of a pixel value widened to 0..255 by rescaling; a channel of
// width 0 reads 0.
int UnpackChannel(uint32_t value, uint32_t mask, int shift, int width);

// One pixel of `bytes` (1 to 4) bytes, little-endian, read or written raw.
inline uint32_t ReadPixelRaw(const unsigned char* p, int bytes) {
    switch (bytes) {
    case 1: return p[0];
    case 2: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    default: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
}
inline void WritePixelRaw(unsigned char* p, int bytes, uint32_t v) {
    p[0] = uint8_t(v);
    if (bytes > 1) p[1] = uint8_t(v >> 8);
    if (bytes > 2) p[2] = uint8_t(v >> 16);
    if (bytes > 3) p[3] = uint8_t(v >> 24);
}
// A palette entry as a value in the X8R8G8B8 masks.
inline uint32_t PaletteEntryValue(const ColorData* data, uint32_t index) {
    const ColorPaletteEntry& e = data->Palette[index & 0xFF];
    return uint32_t(e.Blue) | uint32_t(e.Green) << 8 | uint32_t(e.Red) << 16;
}

// Screen format: pack r, g, b for the current screen; unpack a screen value.
int GetColorImpl(int red, int green, int blue);
int GetColorRGBImpl(int color, int* red, int* green, int* blue);
