// MEMIMG software images: formats and their cached ColorData, making,
// viewing, clearing and transferring images, premultiplied copies and run maps.
#include "graphics/memimg/memimg.h"

#include <cstring>

#include "core/alloc.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "graphics/graphics_core.h"
#include "graphics/image/graph_image.h"
#include "platform/surface_memory.h"

namespace {

constexpr int kFormatCount = 10;

struct MemImgFormatCache {
    ColorData colorData[kFormatCount];
    SurfacePixelFormat pixelFormat[kFormatCount];
    bool built[kFormatCount];
};
MemImgFormatCache g_formats;

int FormatIndex(int format, int alphaFlag, int paletteFlag) {
    if (format == MEMIMG_FORMAT_CHANNEL8) return 8;
    if (format == MEMIMG_FORMAT_CHANNEL16) return 9;
    return format * 4 + (alphaFlag ? 2 : 0) + (paletteFlag ? 1 : 0);
}

void BuildFormat(int index) {
    ColorData& c = g_formats.colorData[index];
    SurfacePixelFormat& p = g_formats.pixelFormat[index];
    int bits;
    uint32_t r, g, b, a;
    if (index >= 8) {
        // One channel: every mask is the whole value.
        bits = index == 8 ? 8 : 16;
        r = g = b = a = index == 8 ? 0xFF : 0xFFFF;
    } else {
        const int format = index / 4;
        const bool alpha = (index & 2) != 0;
        const bool palette = (index & 1) != 0;
        if (format == 0) {
            r = 0xF800; g = 0x07E0; b = 0x001F; a = alpha ? 0x00FF0000 : 0;
        } else {
            r = 0xFF0000; g = 0xFF00; b = 0xFF; a = alpha ? 0xFF000000u : 0;
        }
        bits = palette ? 8 : (format == 0 && !alpha ? 16 : 32);
    }
    CreateColorDataImpl(&c, bits, r, g, b, a);
    CreatePixelFormatImpl(&p, bits, r, g, b, a);
    g_formats.built[index] = true;
}

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

const ColorData* GetMemImgColorData(int format, int alphaFlag, int paletteFlag) {
    if (!ValidFormat(format)) return nullptr;
    int index = FormatIndex(format, alphaFlag, paletteFlag);
    if (!g_formats.built[index]) BuildFormat(index);
    return &g_formats.colorData[index];
}

const SurfacePixelFormat* GetMemImgPixelFormat(int format, int alphaFlag, int paletteFlag) {
    if (!ValidFormat(format)) return nullptr;
    int index = FormatIndex(format, alphaFlag, paletteFlag);
    if (!g_formats.built[index]) BuildFormat(index);
    return &g_formats.pixelFormat[index];
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

int CreateMemImgScreen(MEMIMG* img, int width, int height, int format) {
    std::memset(img, 0, sizeof(*img));
    if (format == -1) {
        format = GetDisplayColorBitDepth() == 16 ? MEMIMG_FORMAT_R5G6B5 : MEMIMG_FORMAT_X8R8G8B8;
    }
    return InitializeMemImg(img, width, height, -1, 0, format, 0, 0, 0);
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
    view->Pixels = parent->Pixels + size_t(y) * parent->Pitch + size_t(x) * parent->ColorFormat->PixelByte;
    view->PremulPixels = nullptr;
    view->RunData = nullptr;
}

int CheckValidMemImg(const MEMIMG* img) { return img->Pixels != nullptr ? 1 : 0; }

void ClearMemImg(MEMIMG* img, const ImageRect* rect, uint32_t value) {
    ImageRect r = rect ? *rect : ImageRect{0, 0, img->Width, img->Height};
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > img->Width) r.right = img->Width;
    if (r.bottom > img->Height) r.bottom = img->Height;
    if (r.left >= r.right || r.top >= r.bottom || img->Pixels == nullptr) return;
    const int bytes = img->ColorFormat->PixelByte;
    for (int y = r.top; y < r.bottom; ++y) {
        unsigned char* p = img->Pixels + size_t(y) * img->Pitch + size_t(r.left) * bytes;
        const int n = r.right - r.left;
        switch (bytes) {
        case 1: std::memset(p, int(value & 0xFF), size_t(n)); break;
        case 2: {
            uint16_t v = uint16_t(value);
            for (int i = 0; i < n; ++i) std::memcpy(p + i * 2, &v, 2);
            break;
        }
        case 4:
            for (int i = 0; i < n; ++i) std::memcpy(p + i * 4, &value, 4);
            break;
        default: return;
        }
    }
}

int BltMemImg(MEMIMG* dest, const MEMIMG* src, const ImageRect* srcRect, int destX, int destY) {
    ImageRect r = srcRect ? *srcRect : ImageRect{0, 0, src->Width, src->Height};
    // Keep the copy inside both images; an empty one is refused by the transfer.
    ClipImageRect(&r, &destX, &destY, src->Width, src->Height, dest->Width, dest->Height);
    return ColorConvertBlt(dest->Pixels, dest->Pitch, dest->ColorFormat, src->Pixels, src->Pitch,
                           src->ColorFormat, nullptr, 0, nullptr, destX, destY, &r, 0, 0, 0, 0, 0, 0, 0);
}

void BltGraphImageToMemImg(const GraphImage* image, const GraphImage* alphaImage, MEMIMG* img, int srcX, int srcY,
                           int width, int height, int destX, int destY, int keyFlag) {
    ImageRect rect{srcX, srcY, srcX + width, srcY + height};
    if (img->Format == MEMIMG_FORMAT_CHANNEL8 || img->Format == MEMIMG_FORMAT_CHANNEL16) {
        ColorConvertBlt(img->Pixels, img->Pitch, img->ColorFormat, image->Pixels, image->Pitch, &image->ColorInfo,
                        nullptr, 0, nullptr, destX, destY, &rect, 0, 0, 0, 0, 1, 1, 0);
    } else if (alphaImage != nullptr) {
        if (ColorConvertBlt(img->Pixels, img->Pitch, img->ColorFormat, image->Pixels, image->Pitch,
                            &image->ColorInfo, alphaImage->Pixels, alphaImage->Pitch, &alphaImage->ColorInfo,
                            destX, destY, &rect, 0, keyFlag, img->ColorKey, 0, 0, 0, 0) < 0)
            return;
    } else {
        int result = ColorConvertBlt(img->Pixels, img->Pitch, img->ColorFormat, image->Pixels, image->Pitch,
                                     &image->ColorInfo, nullptr, 0, nullptr, destX, destY, &rect, 0, keyFlag,
                                     img->ColorKey, 0, 0, 0, 0);
        if (result < 0) return;
        if (img->PaletteFlag) img->PaletteColorCount = result + 1;
    }

    if (img->PaletteFlag) {
        for (int i = 0; i < 256; ++i) {
            const ColorPaletteEntry& e = image->ColorInfo.Palette[i];
            if (img->Format == MEMIMG_FORMAT_X8R8G8B8) {
                img->PalettePtr[i] = uint32_t(e.Red) << 16 | uint32_t(e.Green) << 8 | e.Blue;
            } else {
                uint16_t v = uint16_t((e.Red & 0xF8) << 8 | (e.Green & 0xFC) << 3 | e.Blue >> 3);
                std::memcpy(reinterpret_cast<unsigned char*>(img->PalettePtr) + i * 2, &v, 2);
            }
        }
        std::memcpy(img->SecondPalettePtr, img->PalettePtr, img->Format == MEMIMG_FORMAT_X8R8G8B8 ? 1024 : 512);
    }

    img->PremulFlag = 0;
    img->RunDataFlag = 0;
    if (width != img->Width || height != img->Height || img->Format > MEMIMG_FORMAT_X8R8G8B8 ||
        img->RunData == nullptr)
        return;
    img->RunDataFlag = 1;
    if (img->AlphaFlag && img->PremulPixels != nullptr) {
        img->PremulFlag = 1;
        Premultiply(img);
    }
    BuildRunMap(img);
}

void BltMemImgToGraphImage(GraphImage* image, const MEMIMG* img, int srcX, int srcY, int width, int height,
                           int destX, int destY, int keyArg, int lastArg) {
    if (img->Format > MEMIMG_FORMAT_X8R8G8B8 || img->PaletteFlag || img->AlphaFlag) return;
    ImageRect rect{srcX, srcY, srcX + width, srcY + height};
    ColorConvertBlt(image->Pixels, image->Pitch, &image->ColorInfo, img->Pixels, img->Pitch, img->ColorFormat,
                    nullptr, 0, nullptr, destX, destY, &rect, 0, 0, uint32_t(keyArg), 0, 0, 0, lastArg);
}
