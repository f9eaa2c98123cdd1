// Colour-converting transfer between pixel buffers of any two formats; the
// per-pixel rule defines every result, common cases take faster row loops.
#include "graphics/image/color_convert.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "graphics/image/color_data.h"
#include "softrender/simd_level.h"

namespace {

// One channel's move from a source width to a destination width.
struct ChannelMap {
    uint32_t srcMask;
    int srcShift;
    int srcWidth;
    int dstShift;
    int dstWidth;
    int narrow;        // bits dropped when the source is wider
    int widen;         // bits added when the source is narrower
    uint32_t srcMax;   // 2^srcWidth - 1
    uint32_t dstMax;

    void Set(uint32_t mask, int shift, int width, int dShift, int dWidth) {
        srcMask = mask;
        srcShift = shift;
        srcWidth = width;
        dstShift = dShift;
        dstWidth = dWidth;
        narrow = width > dWidth ? width - dWidth : 0;
        widen = dWidth > width ? dWidth - width : 0;
        srcMax = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
        dstMax = dWidth >= 32 ? 0xFFFFFFFFu : (1u << dWidth) - 1;
    }
    // The value at the destination width and the bits that were dropped.
    inline uint32_t Map(uint32_t pixel, uint32_t* dropped) const {
        if (srcWidth == 0 || dstWidth == 0) {
            *dropped = 0;
            return 0;
        }
        uint32_t v = (pixel & srcMask) >> srcShift;
        if (narrow) {
            *dropped = v & ((1u << narrow) - 1);
            return v >> narrow;
        }
        *dropped = 0;
        if (widen) {
            uint64_t add = uint64_t(v) * ((uint64_t(1) << widen) - 1) / srcMax;
            return uint32_t((uint64_t(v) << widen) + add);
        }
        return v;
    }
};

const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

inline uint32_t RgbMask(const ColorData* c) { return c->RedMask | c->GreenMask | c->BlueMask; }

// Dedicated loop: 24-bit standard to 32-bit R8G8B8 with or without alpha bits.
void Row24To32(uint32_t* dp, const unsigned char* sp, int x, int w, uint32_t fill) {
    for (sp += 3 * x; x < w; ++x, sp += 3) {
        uint32_t v = uint32_t(sp[0]) | uint32_t(sp[1]) << 8 | uint32_t(sp[2]) << 16 | fill;
        std::memcpy(dp + x, &v, 4);
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same with a byte shuffle, four pixels from twelve bytes; each 16-byte load stays
// inside the row.
__attribute__((target("ssse3"))) void Rows24To32Shuffle(unsigned char* d, int dPitch, const unsigned char* s,
                                                        int sPitch, int w, int h, uint32_t fill) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i top = _mm_set1_epi32(int(fill));
    for (int y = 0; y < h; ++y, d += dPitch, s += sPitch) {
        uint32_t* dp = reinterpret_cast<uint32_t*>(d);
        int x = 0;
        for (; x + 6 <= w; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + x), _mm_or_si128(_mm_shuffle_epi8(v, spread), top));
        }
        Row24To32(dp, s, x, w, fill);
    }
}
#endif

void Rows24To32(unsigned char* d, int dPitch, const unsigned char* s, int sPitch, int w, int h,
                uint32_t fill) {
#if defined(__x86_64__) && defined(__GNUC__)
    // Every processor with the widest drawing forms has the byte shuffle.
    if (softrender::SimdLevel() >= softrender::ISA_AVX2) {
        Rows24To32Shuffle(d, dPitch, s, sPitch, w, h, fill);
        return;
    }
#endif
    for (int y = 0; y < h; ++y, d += dPitch, s += sPitch) Row24To32(reinterpret_cast<uint32_t*>(d), s, 0, w, fill);
}

// Dedicated loop: 8-bit palette to 32-bit R8G8B8.
void RowsPal8To32(unsigned char* d, int dPitch, const unsigned char* s, int sPitch, int w, int h,
                  const ColorData* src, uint32_t fill) {
    uint32_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = PaletteEntryValue(src, uint32_t(i)) | fill;
    for (int y = 0; y < h; ++y, d += dPitch, s += sPitch) {
        for (int x = 0; x < w; ++x) std::memcpy(d + x * 4, &table[s[x]], 4);
    }
}

// One channel moved by shifts alone (the source as wide or wider): the
// general rule's value, or nothing for a channel either side lacks.
struct ShiftLane {
    uint32_t mask;
    int down;
    int up;

    static ShiftLane Of(const ChannelMap& m) {
        if (m.srcWidth == 0 || m.dstWidth == 0) return ShiftLane{0, 0, 0};
        return ShiftLane{m.srcMask, m.srcShift + m.narrow, m.dstShift};
    }
};

#if defined(__SSE2__)
// Four-byte pixels four at a time (each lane shifts every pixel alike); the
// count done, a multiple of four.
template <int D>
int FourByShifts(unsigned char* d, const unsigned char* s, int w, const ShiftLane (&lanes)[4], uint32_t constant) {
    __m128i mask[4], down[4], up[4];
    for (int i = 0; i < 4; ++i) {
        mask[i] = _mm_set1_epi32(int(lanes[i].mask));
        down[i] = _mm_cvtsi32_si128(lanes[i].down);
        up[i] = _mm_cvtsi32_si128(lanes[i].up);
    }
    const __m128i fill = _mm_set1_epi32(int(constant));
    int x = 0;
    for (; x + 4 <= w; x += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x * 4));
        __m128i out = fill;
        for (int i = 0; i < 4; ++i)
            out = _mm_or_si128(out, _mm_sll_epi32(_mm_srl_epi32(_mm_and_si128(v, mask[i]), down[i]), up[i]));
        if constexpr (D == 4) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x * 4), out);
        } else {
            // The low halves, sign-extended so that the saturating pack keeps them as they are.
            const __m128i low = _mm_srai_epi32(_mm_slli_epi32(out, 16), 16);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(d + x * 2), _mm_packs_epi32(low, low));
        }
    }
    return x;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// The same eight at a time; the count done, a multiple of eight.
template <int D>
__attribute__((target("avx2"))) int EightByShifts(unsigned char* d, const unsigned char* s, int w,
                                                  const ShiftLane (&lanes)[4], uint32_t constant) {
    __m256i mask[4];
    __m128i down[4], up[4];
    for (int i = 0; i < 4; ++i) {
        mask[i] = _mm256_set1_epi32(int(lanes[i].mask));
        down[i] = _mm_cvtsi32_si128(lanes[i].down);
        up[i] = _mm_cvtsi32_si128(lanes[i].up);
    }
    const __m256i fill = _mm256_set1_epi32(int(constant));
    int x = 0;
    for (; x + 8 <= w; x += 8) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x * 4));
        __m256i out = fill;
        for (int i = 0; i < 4; ++i)
            out = _mm256_or_si256(out, _mm256_sll_epi32(_mm256_srl_epi32(_mm256_and_si256(v, mask[i]), down[i]), up[i]));
        if constexpr (D == 4) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x * 4), out);
        } else {
            // Packed in each half, then the halves' low quarters brought together.
            const __m256i low = _mm256_srai_epi32(_mm256_slli_epi32(out, 16), 16);
            const __m256i packed = _mm256_permute4x64_epi64(_mm256_packs_epi32(low, low), 0x08);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x * 2), _mm256_castsi256_si128(packed));
        }
    }
    return x;
}
#endif

// Rows of S-byte pixels to D-byte ones: each pixel is its lanes and the
// constant bits (spare bits, a solid alpha).
template <int S, int D>
void RowsByShifts(unsigned char* d, int dPitch, const unsigned char* s, int sPitch, int w, int h,
                  const ShiftLane (&lanes)[4], uint32_t constant, bool mirror, bool colorKey, uint32_t key) {
    // Held in locals: the byte stores below could otherwise alias them.
    const ShiftLane r = lanes[0], g = lanes[1], b = lanes[2], a = lanes[3];
    const auto convert = [=](uint32_t raw) {
        return constant | ((raw & r.mask) >> r.down) << r.up | ((raw & g.mask) >> g.down) << g.up |
               ((raw & b.mask) >> b.down) << b.up | ((raw & a.mask) >> a.down) << a.up;
    };
    for (int y = 0; y < h; ++y, d += dPitch, s += sPitch) {
        if (!mirror && !colorKey) {
            int x = 0;
#if defined(__x86_64__) && defined(__GNUC__)
            if constexpr (S == 4)
                if (softrender::SimdLevel() >= softrender::ISA_AVX2) x = EightByShifts<D>(d, s, w, lanes, constant);
#endif
#if defined(__SSE2__)
            if constexpr (S == 4) x += FourByShifts<D>(d + x * D, s + x * 4, w - x, lanes, constant);
#endif
            for (; x < w; ++x) WritePixelRaw(d + x * D, D, convert(ReadPixelRaw(s + x * S, S)));
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const uint32_t raw = ReadPixelRaw(s + x * S, S);
            if (colorKey && raw == key) continue;
            WritePixelRaw(d + (mirror ? w - 1 - x : x) * D, D, convert(raw));
        }
    }
}

using ShiftRows = void (*)(unsigned char*, int, const unsigned char*, int, int, int, const ShiftLane (&)[4],
                           uint32_t, bool, bool, uint32_t);

// The loop for 2-, 3- or 4-byte sources into 2- or 4-byte destinations.
ShiftRows ShiftRowsFor(int sBytes, int dBytes) {
    static const ShiftRows kRows[3][2] = {{RowsByShifts<2, 2>, RowsByShifts<2, 4>},
                                          {RowsByShifts<3, 2>, RowsByShifts<3, 4>},
                                          {RowsByShifts<4, 2>, RowsByShifts<4, 4>}};
    if (sBytes < 2 || sBytes > 4 || (dBytes != 2 && dBytes != 4)) return nullptr;
    return kRows[sBytes - 2][dBytes / 2 - 1];
}

}  // namespace

bool ClipImageRect(ImageRect* r, int* destX, int* destY, int srcWidth, int srcHeight, int destWidth,
                   int destHeight) {
    if (r->left < 0) { *destX -= r->left; r->left = 0; }
    if (r->top < 0) { *destY -= r->top; r->top = 0; }
    if (r->right > srcWidth) r->right = srcWidth;
    if (r->bottom > srcHeight) r->bottom = srcHeight;
    if (*destX < 0) { r->left -= *destX; *destX = 0; }
    if (*destY < 0) { r->top -= *destY; *destY = 0; }
    if (*destX + (r->right - r->left) > destWidth) r->right = r->left + destWidth - *destX;
    if (*destY + (r->bottom - r->top) > destHeight) r->bottom = r->top + destHeight - *destY;
    return r->left < r->right && r->top < r->bottom;
}

int ColorConvertBlt(void* destPixels, int destPitch, const ColorData* dc, const void* srcPixels, int srcPitch,
                    const ColorData* sc, const void* alphaPixels, int alphaPitch, const ColorData* ac,
                    int destX, int destY, const ImageRect* rect, int mirror, int transToAlpha,
                    uint32_t transColor, int dither, int alphaOnly, int alphaFromRed, int colorKey) {
    const int w = rect->right - rect->left;
    const int h = rect->bottom - rect->top;
    if (w <= 0 || h <= 0) return -1;
    const int sBytes = sc->PixelByte;
    const int dBytes = dc->PixelByte;
    const unsigned char* src = static_cast<const unsigned char*>(srcPixels) + size_t(rect->top) * srcPitch +
                               size_t(rect->left) * sBytes;
    unsigned char* dst = static_cast<unsigned char*>(destPixels) + size_t(destY) * destPitch +
                         size_t(destX) * dBytes;
    const bool useAlphaImage = alphaPixels != nullptr && ac != nullptr;
    const unsigned char* alp = nullptr;
    if (useAlphaImage) {
        alp = static_cast<const unsigned char*>(alphaPixels) + size_t(rect->top) * alphaPitch +
              size_t(rect->left) * ac->PixelByte;
    }

    const bool destAlpha = dc->AlphaWidth != 0;
    const bool srcAlpha = sc->AlphaWidth != 0;
    const bool alphaWritten = destAlpha && (srcAlpha || useAlphaImage);
    const bool alphaFromImage = destAlpha && useAlphaImage && !srcAlpha;
    if (alphaWritten || !destAlpha || alphaFromRed) transToAlpha = 0;
    if (alphaWritten || mirror) colorKey = 0;

    // 8-bit destinations take only 8-bit sources, byte for byte.
    if (dc->ColorBitDepth == 8 && !alphaOnly) {
        if (sc->ColorBitDepth != 8) return -1;
        int maxIndex = 0;
        for (int y = 0; y < h; ++y) {
            const unsigned char* sp = src + size_t(y) * srcPitch;
            unsigned char* dp = dst + size_t(y) * destPitch;
            for (int x = 0; x < w; ++x) {
                unsigned char v = sp[x];
                if (colorKey && v == (transColor & 0xFF)) continue;
                if (v > maxIndex) maxIndex = v;
                dp[mirror ? w - 1 - x : x] = v;
            }
        }
        return maxIndex;
    }

    const bool sameFormat = CompareColorDataFormat(dc, sc) != 0;
    if (sameFormat && !alphaFromImage && !transToAlpha && !alphaOnly && !alphaFromRed) {
        const uint32_t keyMask = sBytes == 4 ? 0xFFFFFFFFu : (1u << (sBytes * 8)) - 1;
        const uint32_t key = transColor & keyMask;
        for (int y = 0; y < h; ++y) {
            const unsigned char* sp = src + size_t(y) * srcPitch;
            unsigned char* dp = dst + size_t(y) * destPitch;
            if (!mirror && !colorKey) {
                std::memmove(dp, sp, size_t(w) * sBytes);
                continue;
            }
            for (int x = 0; x < w; ++x) {
                uint32_t v = ReadPixelRaw(sp + x * sBytes, sBytes);
                if (colorKey && v == key) continue;
                WritePixelRaw(dp + (mirror ? w - 1 - x : x) * dBytes, dBytes, v);
            }
        }
        return 0;
    }

    if (transToAlpha && dc->ColorBitDepth == sc->ColorBitDepth && dc->RedMask == sc->RedMask &&
        dc->GreenMask == sc->GreenMask && dc->BlueMask == sc->BlueMask && !alphaOnly && !useAlphaImage) {
        const uint32_t rgb = RgbMask(dc);
        const uint32_t key = PackTransColor(dc, transColor) & rgb;
        for (int y = 0; y < h; ++y) {
            const unsigned char* sp = src + size_t(y) * srcPitch;
            unsigned char* dp = dst + size_t(y) * destPitch;
            for (int x = 0; x < w; ++x) {
                uint32_t v = ReadPixelRaw(sp + x * sBytes, sBytes);
                v = (v & rgb) == key ? v & ~dc->AlphaMask : v | dc->AlphaMask;
                WritePixelRaw(dp + (mirror ? w - 1 - x : x) * dBytes, dBytes, v);
            }
        }
        return 0;
    }

    // Plain conversions to X8R8G8B8 / A8R8G8B8 with nothing special asked.
    const bool plain = !mirror && dither == COLOR_DITHER_NONE && !useAlphaImage && !transToAlpha && !alphaOnly &&
                       !alphaFromRed && !colorKey;
    const bool dest8888 = dc->ColorBitDepth == 32 && dc->RedMask == 0xFF0000 && dc->GreenMask == 0xFF00 &&
                          dc->BlueMask == 0xFF && (dc->AlphaMask == 0 || dc->AlphaMask == 0xFF000000u);
    if (plain && dest8888 && !srcAlpha) {
        const uint32_t fill = dc->AlphaMask | dc->NoneMask;
        if (sc->ColorBitDepth == 24 && sc->RedMask == 0xFF0000 && sc->GreenMask == 0xFF00 && sc->BlueMask == 0xFF) {
            Rows24To32(dst, destPitch, src, srcPitch, w, h, fill);
            return 0;
        }
        if (sc->ColorBitDepth == 8 && sc->RedMask == 0xFF0000 && sc->GreenMask == 0xFF00 && sc->BlueMask == 0xFF) {
            RowsPal8To32(dst, destPitch, src, srcPitch, w, h, sc, fill);
            return 0;
        }
    }

    // The general rule, pixel by pixel.
    ChannelMap red{}, green{}, blue{}, alpha{}, alphaImg{};
    red.Set(sc->RedMask, sc->RedLoc, sc->RedWidth, dc->RedLoc, dc->RedWidth);
    green.Set(sc->GreenMask, sc->GreenLoc, sc->GreenWidth, dc->GreenLoc, dc->GreenWidth);
    blue.Set(sc->BlueMask, sc->BlueLoc, sc->BlueWidth, dc->BlueLoc, dc->BlueWidth);
    alpha.Set(sc->AlphaMask, sc->AlphaLoc, sc->AlphaWidth, dc->AlphaLoc, dc->AlphaWidth);

    ChannelMap redAsAlpha{};
    redAsAlpha.Set(sc->RedMask, sc->RedLoc, sc->RedWidth, dc->AlphaLoc, dc->AlphaWidth);
    if (useAlphaImage) alphaImg.Set(ac->RedMask, ac->RedLoc, ac->RedWidth, dc->AlphaLoc, dc->AlphaWidth);
    const uint32_t fullAlpha = destAlpha ? dc->AlphaMask >> dc->AlphaLoc : 0;
    const uint32_t spare = (dBytes == 2 || dBytes == 4) ? dc->NoneMask : 0;
    const uint32_t destRgb = RgbMask(dc);
    const uint32_t transPacked = transToAlpha ? PackTransColor(dc, transColor) & destRgb : 0;
    // Palette images give their entry instead of the index.
    const bool srcPalette = sc->ColorBitDepth == 8;
    const bool alphaPalette = useAlphaImage && ac->ColorBitDepth == 8;
    const uint32_t keyMask = sBytes == 4 ? 0xFFFFFFFFu : (1u << (sBytes * 8)) - 1;
    const uint32_t key = transColor & keyMask;

    // Pictures loaded into 16-bit graphs come this way: where every channel
    // only narrows, shifts alone give the rule's values.
    const bool alphaShifted = destAlpha && srcAlpha;
    const ShiftRows shiftRows = ShiftRowsFor(sBytes, dBytes);
    if (shiftRows && dither == COLOR_DITHER_NONE && !useAlphaImage && !transToAlpha && !alphaOnly && !alphaFromRed &&
        !srcPalette && red.widen == 0 && green.widen == 0 && blue.widen == 0 && (!alphaShifted || alpha.widen == 0)) {
        const ShiftLane lanes[4] = {ShiftLane::Of(red), ShiftLane::Of(green), ShiftLane::Of(blue),
                                    alphaShifted ? ShiftLane::Of(alpha) : ShiftLane{0, 0, 0}};
        const uint32_t solid = destAlpha && !alphaShifted ? (fullAlpha << dc->AlphaLoc) & dc->AlphaMask : 0;
        shiftRows(dst, destPitch, src, srcPitch, w, h, lanes, spare | solid, mirror != 0, colorKey != 0, key);
        return 0;
    }
    uint32_t errR = 0, errG = 0, errB = 0;

    auto ditherChannel = [&](uint32_t v, uint32_t dropped, const ChannelMap& m, uint32_t& err, int col,
                             int row) -> uint32_t {
        if (m.narrow == 0 || dither == COLOR_DITHER_NONE) return v;
        if (dither == COLOR_DITHER_ORDERED) {
            uint32_t threshold = uint32_t(kBayer[row & 3][col & 3]) * (1u << m.narrow) / 16;
            if (dropped > threshold) ++v;
        } else {
            err += dropped;
            if (err >= (1u << m.narrow)) {
                err -= 1u << m.narrow;
                ++v;
            }
        }
        return v > m.dstMax ? m.dstMax : v;
    };

    for (int y = 0; y < h; ++y) {
        const unsigned char* sp = src + size_t(y) * srcPitch;
        const unsigned char* ap = alp ? alp + size_t(y) * alphaPitch : nullptr;
        unsigned char* dp = dst + size_t(y) * destPitch;
        for (int x = 0; x < w; ++x) {
            const uint32_t raw = ReadPixelRaw(sp + x * sBytes, sBytes);
            if (colorKey && raw == key) continue;
            const uint32_t pixel = srcPalette ? PaletteEntryValue(sc, raw) : raw;
            uint32_t dr, dg, db, da;
            uint32_t r = red.Map(pixel, &dr);
            uint32_t g = green.Map(pixel, &dg);
            uint32_t b = blue.Map(pixel, &db);
            r = ditherChannel(r, dr, red, errR, x, y);
            g = ditherChannel(g, dg, green, errG, x, y);
            b = ditherChannel(b, db, blue, errB, x, y);
            uint32_t a;
            if (alphaFromImage) {
                const uint32_t alphaRaw = ReadPixelRaw(ap + x * ac->PixelByte, ac->PixelByte);
                a = alphaImg.Map(alphaPalette ? PaletteEntryValue(ac, alphaRaw) : alphaRaw, &da);
            } else if (destAlpha && srcAlpha) {
                a = alpha.Map(pixel, &da);
            } else {
                a = fullAlpha;
            }
            if (alphaFromRed) a = redAsAlpha.Map(pixel, &da);
            if (alphaOnly) r = g = b = 0;
            uint32_t out = 0;
            if (red.dstWidth) out |= r << red.dstShift;
            if (green.dstWidth) out |= g << green.dstShift;
            if (blue.dstWidth) out |= b << blue.dstShift;
            if (transToAlpha) {
                a = (out & destRgb) == transPacked ? 0 : fullAlpha;
            }
            if (dc->AlphaWidth) out |= (a << dc->AlphaLoc) & dc->AlphaMask;
            out |= spare;
            WritePixelRaw(dp + (mirror ? w - 1 - x : x) * dBytes, dBytes, out);
        }
    }
    return 0;
}
