// MEMIMG: the library's software image (fixed formats, colour key, palette,
// optional alpha, premultiplied copy and run map) and the operations that
// make, view and release it. Its colour description comes from graphics.
#pragma once
#include <cstdint>

struct ColorData;

constexpr uint32_t MEMIMG_VALID_MAGIC = 0x12345678;

enum MemImgFormat {
    MEMIMG_FORMAT_R5G6B5 = 0,   // 16-bit 5:6:5 (32-bit with alpha: value low, alpha third byte)
    MEMIMG_FORMAT_X8R8G8B8 = 1,
    MEMIMG_FORMAT_CHANNEL8 = 2, // one 8-bit channel
    MEMIMG_FORMAT_CHANNEL16 = 3 // one 16-bit channel (depth buffers)
};

// Run map codes: kind | (count - 1), one end byte per row.
constexpr uint8_t MEMIMG_RUN_SKIP = 0x00;
constexpr uint8_t MEMIMG_RUN_COPY = 0x40;
constexpr uint8_t MEMIMG_RUN_BLEND = 0x80;
constexpr uint8_t MEMIMG_RUN_END = 0xC0;

struct MEMIMG {
    uint32_t ValidMagic;
    int32_t Width;
    int32_t Height;
    int32_t Pitch;
    int32_t PitchShift;          // log2 of the pitch when it is a power of two, else -1
    const ::ColorData* ColorFormat;  // shared, cached record
    uint32_t ColorKey;
    int32_t Format;
    int32_t PaletteFlag;
    int32_t PaletteColorCount;
    int32_t AlphaFlag;
    int32_t PremulFlag;
    int32_t RunDataFlag;
    int32_t BufferSuppliedFlag;
    uint32_t* PalettePtr;        // own palette, or the parent's for a view
    uint32_t* SecondPalettePtr;
    uint32_t Palette[256];
    uint32_t SecondPalette[256];
    unsigned char* Pixels;
    unsigned char* PremulPixels;
    unsigned char* RunData;
};

int InitializeMemImg(MEMIMG* img, int width, int height, int pitch, uint32_t colorKey, int format,
                     int paletteFlag, int alphaFlag, int makeExtrasFlag);
int CreateMemImgZBuffer(MEMIMG* img, int width, int height);
void TerminateMemImg(MEMIMG* img);
void DerivationMemImg(MEMIMG* view, const MEMIMG* parent, int x, int y, int width, int height);
int CheckValidMemImg(const MEMIMG* img);
// Remakes the premultiplied copy and the run map from the pixels (whole
// images of the colour formats that have them).
void RefreshMemImgExtras(MEMIMG* img);
// The same made a band of rows at a time, top down, while the rows are
// written: Start, then Add as rows become final (those below the given count
// are done), then End, which does any rows left and sets the flags. A build
// given up before End holds nothing to release.
struct MemImgExtrasBuild {
    MEMIMG* img;
    unsigned char* runOut;   // where the next row's run codes go; null when nothing is built
    int rows;                // rows done
};
void StartMemImgExtras(MEMIMG* img, MemImgExtrasBuild* build);
void AddMemImgExtrasRows(MemImgExtrasBuild* build, int rows);
void EndMemImgExtras(MemImgExtrasBuild* build);
// Bytes per pixel of a MEMIMG of these settings.
int GetMemImgPixelBytes(int format, int alphaFlag, int paletteFlag);
// The shared colour description of a format (made by graphics).
const ColorData* GetMemImgColorData(int format, int alphaFlag, int paletteFlag);
