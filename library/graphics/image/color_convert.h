// Colour-converting transfer: copies a rectangle between two pixel buffers of
// any formats, with mirroring, alpha from a second image or a transparent
// colour, colour keys and dithering.
#pragma once
#include <cstdint>

struct ColorData;

// Left and top inclusive, right and bottom exclusive.
struct ImageRect {
    int left, top, right, bottom;
};

// Clips a copy of rect r of a srcWidth x srcHeight image to (destX, destY) of a
// destWidth x destHeight one: nothing is read or written outside either, and
// the destination point moves with the rectangle. False when nothing is left.
bool ClipImageRect(ImageRect* r, int* destX, int* destY, int srcWidth, int srcHeight, int destWidth,
                   int destHeight);

enum ColorDitherMode { COLOR_DITHER_NONE = 0, COLOR_DITHER_ORDERED = 1, COLOR_DITHER_DIFFUSION = 2 };

// Returns -1 for an empty rectangle or an 8-bit destination fed from a
// non-8-bit source; the largest index copied for 8-bit to 8-bit; else 0.
// transColor is 0x00RRGGBB; for the colour key it is compared as a raw source value.
int ColorConvertBlt(void* destPixels, int destPitch, const ColorData* destColor,
                    const void* srcPixels, int srcPitch, const ColorData* srcColor,
                    const void* alphaPixels, int alphaPitch, const ColorData* alphaColor,
                    int destX, int destY, const ImageRect* srcRect,
                    int mirrorFlag, int transToAlphaFlag, uint32_t transColor, int ditherMode,
                    int alphaOnlyFlag, int alphaFromRedFlag, int colorKeyFlag);
