// MEMIMG software images as graphics sees them: the colour descriptions of
// their formats, screens, clearing, and transfers to and from images.
#include "softrender/memimg.h"

#include <cstring>

#include "graphics/graphics_core.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "graphics/image/graph_image.h"
#include "graphics/memimg/memimg_graphics.h"
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

// The cache place of a format, built on first use; -1 for no format.
int BuiltFormat(int format, int alphaFlag, int paletteFlag) {
    if (format < MEMIMG_FORMAT_R5G6B5 || format > MEMIMG_FORMAT_CHANNEL16) return -1;
    const int index = FormatIndex(format, alphaFlag, paletteFlag);
    if (!g_formats.built[index]) BuildFormat(index);
    return index;
}

}  // namespace

const ColorData* GetMemImgColorData(int format, int alphaFlag, int paletteFlag) {
    const int index = BuiltFormat(format, alphaFlag, paletteFlag);
    return index < 0 ? nullptr : &g_formats.colorData[index];
}

const SurfacePixelFormat* GetMemImgPixelFormat(int format, int alphaFlag, int paletteFlag) {
    const int index = BuiltFormat(format, alphaFlag, paletteFlag);
    return index < 0 ? nullptr : &g_formats.pixelFormat[index];
}

int CreateMemImgScreen(MEMIMG* img, int width, int height, int format) {
    std::memset(img, 0, sizeof(*img));
    if (format == -1) {
        format = GetDisplayColorBitDepth() == 16 ? MEMIMG_FORMAT_R5G6B5 : MEMIMG_FORMAT_X8R8G8B8;
    }
    return InitializeMemImg(img, width, height, -1, 0, format, 0, 0, 0);
}

void ClearMemImg(MEMIMG* img, const ImageRect* rect, uint32_t value) {
    ImageRect r = rect ? *rect : ImageRect{0, 0, img->Width, img->Height};
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > img->Width) r.right = img->Width;
    if (r.bottom > img->Height) r.bottom = img->Height;
    if (r.left >= r.right || r.top >= r.bottom || img->Pixels == nullptr) return;
    const int bytes = img->ColorFormat->PixelByte;
    // A value whose bytes are all the same (black, white, the depth buffer's far value) is a byte fill.
    const uint32_t low = value & 0xFFu;
    const bool sameBytes = (bytes == 2 && (value & 0xFFFFu) == low * 0x0101u) ||
                           (bytes == 4 && value == low * 0x01010101u);
    for (int y = r.top; y < r.bottom; ++y) {
        unsigned char* p = img->Pixels + size_t(y) * img->Pitch + size_t(r.left) * bytes;
        const int n = r.right - r.left;
        if (sameBytes) {
            std::memset(p, int(low), size_t(n) * size_t(bytes));
            continue;
        }
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

    // Only a whole-image transfer makes the premultiplied copy and run map.
    img->PremulFlag = 0;
    img->RunDataFlag = 0;
    if (width == img->Width && height == img->Height) RefreshMemImgExtras(img);
}

void BltMemImgToGraphImage(GraphImage* image, const MEMIMG* img, int srcX, int srcY, int width, int height,
                           int destX, int destY, int keyArg, int lastArg) {
    if (img->Format > MEMIMG_FORMAT_X8R8G8B8 || img->PaletteFlag || img->AlphaFlag) return;
    ImageRect rect{srcX, srcY, srcX + width, srcY + height};
    ColorConvertBlt(image->Pixels, image->Pitch, &image->ColorInfo, img->Pixels, img->Pitch, img->ColorFormat,
                    nullptr, 0, nullptr, destX, destY, &rect, 0, 0, uint32_t(keyArg), 0, 0, 0, lastArg);
}
