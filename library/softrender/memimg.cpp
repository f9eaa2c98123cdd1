// MEMIMG software images: making, viewing and releasing them, their
// premultiplied copies and run maps.
#include "softrender/memimg.h"

#include <cstring>

#include "core/alloc.h"

namespace {

inline int ValidFormat(int format) { return format >= 0 && format <= 3; }

// Smallest power of two >= n (1 for n <= 1), as a shift.
int PitchShiftFor(long long n, long long pitch) {
    long long p = 1;
    int shift = 0;
    while (p < n) {
        p <<= 1;
        ++shift;
    }
    return p == pitch ? shift : -1;
}

// One row of premultiplied pixels: X8R8G8B8 with alpha in the fourth byte,
// or 5:6:5 with alpha in the third.
void PremultiplyRow32(const unsigned char* s, unsigned char* d, int width) {
    for (int x = 0; x < width; ++x, s += 4, d += 4) {
        uint32_t a = s[3];
        d[0] = uint8_t(s[0] * a >> 8);
        d[1] = uint8_t(s[1] * a >> 8);
        d[2] = uint8_t(s[2] * a >> 8);
        d[3] = s[3];
    }
}

void PremultiplyRow16(const unsigned char* s, unsigned char* d, int width) {
    for (int x = 0; x < width; ++x, s += 4, d += 4) {
        uint32_t v = uint32_t(s[0]) | uint32_t(s[1]) << 8;
        uint32_t a = s[2];
        uint32_t m = ((((v & 0xF800) * a) & 0xF80000) + (((v & 0x07E0) * a) & 0x7E000) +
                      (((v & 0x1F) * a) & 0x1F00)) >> 8;
        d[0] = uint8_t(m);
        d[1] = uint8_t(m >> 8);
        d[2] = s[2];
        d[3] = s[3];
    }
}

void Premultiply(MEMIMG* img) {
    const auto row = img->Format == MEMIMG_FORMAT_X8R8G8B8 ? PremultiplyRow32 : PremultiplyRow16;
    for (int y = 0; y < img->Height; ++y)
        row(img->Pixels + size_t(y) * img->Pitch, img->PremulPixels + size_t(y) * img->Pitch, img->Width);
}

// Writes one row's run codes: spans of one class (0 skip, 1 copy, 2 blend)
// of at most 64 pixels, then the row end.
template <class Classify>
unsigned char* RunRow(unsigned char* out, int width, Classify classify) {
    static const uint8_t kKinds[3] = {MEMIMG_RUN_SKIP, MEMIMG_RUN_COPY, MEMIMG_RUN_BLEND};
    int x = 0;
    while (x < width) {
        const int cls = classify(x);
        int count = 1;
        if (x + 64 <= width) {
            // A whole run of one class (most of a picture) is found without a branch a pixel.
            int differ = 0;
            for (int i = 1; i < 64; ++i) differ |= classify(x + i) ^ cls;
            if (differ == 0) count = 64;
        }
        while (x + count < width && count < 64 && classify(x + count) == cls) ++count;
        *out++ = uint8_t(kKinds[cls] | (count - 1));
        x += count;
    }
    *out++ = MEMIMG_RUN_END;
    return out;
}

// Alpha images are classed by their alpha byte, others by the colour key
// (compared at the pixel's own size).
void BuildRunMap(MEMIMG* img) {
    unsigned char* out = img->RunData;
    const uint32_t key = img->ColorKey;
    for (int y = 0; y < img->Height; ++y) {
        const unsigned char* p = img->Pixels + size_t(y) * img->Pitch;
        if (img->AlphaFlag) {
            const int at = img->Format == MEMIMG_FORMAT_X8R8G8B8 ? 3 : 2;
            out = RunRow(out, img->Width, [p, at](int x) {
                const uint8_t a = p[x * 4 + at];
                return a == 0 ? 0 : (a == 255 ? 1 : 2);
            });
        } else if (img->PaletteFlag) {
            out = RunRow(out, img->Width, [p, key](int x) { return p[x] == key ? 0 : 1; });
        } else if (img->Format == MEMIMG_FORMAT_X8R8G8B8) {
            out = RunRow(out, img->Width, [p, key](int x) {
                uint32_t v;
                std::memcpy(&v, p + x * 4, 4);
                return v == key ? 0 : 1;
            });
        } else {
            out = RunRow(out, img->Width, [p, key](int x) {
                return uint16_t(p[x * 2] | p[x * 2 + 1] << 8) == uint16_t(key) ? 0 : 1;
            });
        }
    }
}

}  // namespace

int GetMemImgPixelBytes(int format, int alphaFlag, int paletteFlag) {
    if (format == MEMIMG_FORMAT_CHANNEL8) return 1;
    if (format == MEMIMG_FORMAT_CHANNEL16) return 2;
    if (format == MEMIMG_FORMAT_R5G6B5 && alphaFlag && !paletteFlag) return 4;
    if (paletteFlag) return 1;
    return format == MEMIMG_FORMAT_R5G6B5 ? 2 : 4;
}

int InitializeMemImg(MEMIMG* img, int width, int height, int pitch, uint32_t colorKey, int format,
                     int paletteFlag, int alphaFlag, int makeExtrasFlag) {
    if (img->ValidMagic == MEMIMG_VALID_MAGIC) return -1;
    if (!ValidFormat(format) || width <= 0 || height <= 0) return -1;
    if (paletteFlag) alphaFlag = 0;
    if (format >= MEMIMG_FORMAT_CHANNEL8) paletteFlag = alphaFlag = 0;

    const int bytes = GetMemImgPixelBytes(format, alphaFlag, paletteFlag);
    const long long rowBytes = (long long)bytes * width;
    const long long stored = pitch == -1 ? (rowBytes + 15) & ~15LL : pitch;
    if (stored < rowBytes || stored > 0x7FFFFFFF || stored * height > 0x7FFFFFFFLL) return -1;

    img->Height = height;
    img->ColorKey = colorKey;
    img->AlphaFlag = alphaFlag;
    img->Width = width;
    img->Format = format;
    img->PaletteFlag = paletteFlag;
    img->PremulFlag = 0;
    img->RunDataFlag = 0;
    img->PalettePtr = img->Palette;
    img->SecondPalettePtr = img->SecondPalette;
    img->Pitch = int(stored);
    img->PitchShift = PitchShiftFor(pitch == -1 ? rowBytes : pitch, stored);
    img->ColorFormat = GetMemImgColorData(format, alphaFlag, paletteFlag);

    const size_t total = size_t(stored) * size_t(height);
    bool madePixels = false;
    if (img->Pixels == nullptr) {
        img->Pixels = static_cast<unsigned char*>(ZVALLOC(total));
        if (img->Pixels == nullptr) return -1;
        img->BufferSuppliedFlag = 0;
        madePixels = true;
    } else {
        img->BufferSuppliedFlag = 1;
    }
    if (makeExtrasFlag) {
        bool madePremul = false;
        if (alphaFlag && img->PremulPixels == nullptr) {
            img->PremulPixels = static_cast<unsigned char*>(ZVALLOC(total));
            madePremul = img->PremulPixels != nullptr;
            if (!madePremul) goto fail;
        }
        if (format != MEMIMG_FORMAT_CHANNEL8 && img->RunData == nullptr) {
            img->RunData = static_cast<unsigned char*>(ZVALLOC(size_t(width + 5) * size_t(height)));
            if (img->RunData == nullptr) {
                if (madePremul) {
                    ZvFree(img->PremulPixels);
                    img->PremulPixels = nullptr;
                }
                goto fail;
            }
        }
    }
    img->ValidMagic = MEMIMG_VALID_MAGIC;
    return 0;

fail:
    // Nothing made by this call stays behind an image that is not valid.
    if (madePixels) {
        ZvFree(img->Pixels);
        img->Pixels = nullptr;
    }
    return -1;
}

int CreateMemImgZBuffer(MEMIMG* img, int width, int height) {
    std::memset(img, 0, sizeof(*img));
    return InitializeMemImg(img, width, height, -1, 0, MEMIMG_FORMAT_CHANNEL16, 0, 0, 0);
}

void TerminateMemImg(MEMIMG* img) {
    if (img->ValidMagic != MEMIMG_VALID_MAGIC) return;
    if (!img->BufferSuppliedFlag && img->Pixels) ZvFree(img->Pixels);
    if (img->PremulPixels) ZvFree(img->PremulPixels);
    if (img->RunData) ZvFree(img->RunData);
    img->Pixels = nullptr;
    img->PremulPixels = nullptr;
    img->RunData = nullptr;
    img->ValidMagic = 0;
}

void DerivationMemImg(MEMIMG* view, const MEMIMG* parent, int x, int y, int width, int height) {
    view->ValidMagic = MEMIMG_VALID_MAGIC;
    view->Width = width;
    view->Height = height;
    view->Pitch = parent->Pitch;
    view->PitchShift = parent->PitchShift;
    view->ColorFormat = parent->ColorFormat;
    view->ColorKey = parent->ColorKey;
    view->Format = parent->Format;
    view->PaletteFlag = parent->PaletteFlag;
    view->PaletteColorCount = parent->PaletteColorCount;
    view->AlphaFlag = parent->AlphaFlag;
    view->PremulFlag = 0;
    view->RunDataFlag = 0;
    view->BufferSuppliedFlag = 0;
    view->PalettePtr = parent->PalettePtr;
    view->SecondPalettePtr = parent->SecondPalettePtr;
    const int bytes = GetMemImgPixelBytes(parent->Format, parent->AlphaFlag, parent->PaletteFlag);
    view->Pixels = parent->Pixels + size_t(y) * parent->Pitch + size_t(x) * size_t(bytes);
    view->PremulPixels = nullptr;
    view->RunData = nullptr;
}

int CheckValidMemImg(const MEMIMG* img) { return img->Pixels != nullptr ? 1 : 0; }

void RefreshMemImgExtras(MEMIMG* img) {
    img->PremulFlag = 0;
    img->RunDataFlag = 0;
    if (img->Format > MEMIMG_FORMAT_X8R8G8B8 || img->RunData == nullptr) return;
    img->RunDataFlag = 1;
    if (img->AlphaFlag && img->PremulPixels != nullptr) {
        img->PremulFlag = 1;
        Premultiply(img);
    }
    BuildRunMap(img);
}
