// MEMIMG software images: making, viewing and releasing them, their
// premultiplied copies and run maps.
#include "softrender/memimg.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "core/alloc.h"
#include "softrender/simd_level.h"

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

#if defined(__x86_64__) && defined(__GNUC__)
// Eight pixels at a time, as the four-pixel form below does it in each half;
// returns the pixels done.
__attribute__((target("avx2"))) int PremultiplyRow32Avx2(const unsigned char* s, unsigned char* d, int width) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i colourLanes = _mm256_set_epi16(0, -1, -1, -1, 0, -1, -1, -1, 0, -1, -1, -1, 0, -1, -1, -1);
    const __m256i alphaLane = _mm256_set_epi16(256, 0, 0, 0, 256, 0, 0, 0, 256, 0, 0, 0, 256, 0, 0, 0);
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x * 4));
        __m256i half[2] = {_mm256_unpacklo_epi8(px, zero), _mm256_unpackhi_epi8(px, zero)};
        for (__m256i& h : half) {
            const __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(h, 0xFF), 0xFF);
            const __m256i by = _mm256_or_si256(_mm256_and_si256(a, colourLanes), alphaLane);
            h = _mm256_srli_epi16(_mm256_mullo_epi16(h, by), 8);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x * 4), _mm256_packus_epi16(half[0], half[1]));
    }
    return x;
}
#endif

// One row of premultiplied pixels: X8R8G8B8 with alpha in the fourth byte,
// or 5:6:5 with alpha in the third. Each colour byte becomes s * a >> 8.
void PremultiplyRow32(const unsigned char* s, unsigned char* d, int width) {
    int x = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (softrender::SimdLevel() >= softrender::ISA_AVX2) x = PremultiplyRow32Avx2(s, d, width);
#endif
#if defined(__SSE2__)
    // Four pixels at a time in 16-bit lanes; the alpha lane is multiplied by
    // 256, so that it comes back unchanged.
    const __m128i zero = _mm_setzero_si128();
    const __m128i colourLanes = _mm_set_epi16(0, -1, -1, -1, 0, -1, -1, -1);
    const __m128i alphaLane = _mm_set_epi16(256, 0, 0, 0, 256, 0, 0, 0);
    const auto weigh = [&](__m128i px) {
        const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(px, 0xFF), 0xFF);
        const __m128i by = _mm_or_si128(_mm_and_si128(a, colourLanes), alphaLane);
        return _mm_srli_epi16(_mm_mullo_epi16(px, by), 8);
    };
    for (; x + 4 <= width; x += 4) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x * 4));
        const __m128i low = weigh(_mm_unpacklo_epi8(px, zero));
        const __m128i high = weigh(_mm_unpackhi_epi8(px, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x * 4), _mm_packus_epi16(low, high));
    }
#endif
    for (; x < width; ++x) {
        const uint32_t a = s[x * 4 + 3];
        d[x * 4 + 0] = uint8_t(s[x * 4 + 0] * a >> 8);
        d[x * 4 + 1] = uint8_t(s[x * 4 + 1] * a >> 8);
        d[x * 4 + 2] = uint8_t(s[x * 4 + 2] * a >> 8);
        d[x * 4 + 3] = uint8_t(a);
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Eight pixels at a time, as the four-pixel form below; returns the pixels done.
__attribute__((target("avx2"))) int PremultiplyRow16Avx2(const unsigned char* s, unsigned char* d, int width) {
    const __m256i valueLanes = _mm256_set1_epi32(0xFFFF);
    const __m256i fields[3] = {_mm256_set1_epi32(0xF800), _mm256_set1_epi32(0x07E0), _mm256_set1_epi32(0x001F)};
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + x * 4));
        const __m256i by = _mm256_slli_epi16(_mm256_srli_epi32(px, 16), 8);
        __m256i m = _mm256_andnot_si256(valueLanes, px);
        for (const __m256i& mask : fields)
            m = _mm256_or_si256(m, _mm256_and_si256(_mm256_mulhi_epu16(_mm256_and_si256(px, mask), by), mask));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x * 4), m);
    }
    return x;
}
#endif

void PremultiplyRow16(const unsigned char* s, unsigned char* d, int width) {
    int x = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (softrender::SimdLevel() >= softrender::ISA_AVX2) x = PremultiplyRow16Avx2(s, d, width);
#endif
#if defined(__SSE2__)
    // Four pixels at a time: each field times alpha * 256, high half, is the
    // field times alpha >> 8, masked back to the field; the alpha and fourth
    // bytes pass through.
    const __m128i valueLanes = _mm_set1_epi32(0xFFFF);
    const __m128i red = _mm_set1_epi32(0xF800);
    const __m128i green = _mm_set1_epi32(0x07E0);
    const __m128i blue = _mm_set1_epi32(0x001F);
    for (; x + 4 <= width; x += 4) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x * 4));
        const __m128i by = _mm_slli_epi16(_mm_srli_epi32(px, 16), 8);
        const auto field = [&](__m128i mask) {
            return _mm_and_si128(_mm_mulhi_epu16(_mm_and_si128(px, mask), by), mask);
        };
        const __m128i m = _mm_or_si128(_mm_or_si128(field(red), field(green)), field(blue));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x * 4), _mm_or_si128(m, _mm_andnot_si128(valueLanes, px)));
    }
#endif
    s += x * 4;
    d += x * 4;
    for (; x < width; ++x, s += 4, d += 4) {
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

#if defined(__x86_64__) && defined(__GNUC__)
// Alpha classes thirty-two pixels at a time, as the sixteen-pixel form in
// ClassifyRow does them; returns the pixels done.
__attribute__((target("avx2"))) int ClassifyAlphaAvx2(const unsigned char* p, uint8_t* classes, int width, int at) {
    const __m128i shift = _mm_cvtsi32_si128(at * 8);
    const __m256i low = _mm256_set1_epi32(0xFF);
    const __m256i one = _mm256_set1_epi8(1);
    // The packs work in each half: this puts the pixels back in order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        __m256i a[4];
        for (int i = 0; i < 4; ++i)
            a[i] = _mm256_and_si256(
                _mm256_srl_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + (x + 8 * i) * 4)), shift), low);
        const __m256i alpha = _mm256_permutevar8x32_epi32(
            _mm256_packus_epi16(_mm256_packs_epi32(a[0], a[1]), _mm256_packs_epi32(a[2], a[3])), order);
        const __m256i clear = _mm256_cmpeq_epi8(alpha, _mm256_setzero_si256());
        const __m256i solid = _mm256_cmpeq_epi8(alpha, _mm256_set1_epi8(-1));
        const __m256i cls =
            _mm256_add_epi8(_mm256_andnot_si256(clear, one), _mm256_andnot_si256(_mm256_or_si256(clear, solid), one));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(classes + x), cls);
    }
    return x;
}
#endif

// Each pixel's run class: 0 skip, 1 copy, 2 blend. Alpha images are classed
// by their alpha byte, others by the colour key (compared at the pixel's own
// size).
void ClassifyRow(const MEMIMG* img, const unsigned char* p, uint8_t* classes) {
    const int width = img->Width;
    const uint32_t key = img->ColorKey;
    if (img->AlphaFlag) {
        const int at = img->Format == MEMIMG_FORMAT_X8R8G8B8 ? 3 : 2;
        int x = 0;
#if defined(__x86_64__) && defined(__GNUC__)
        if (softrender::SimdLevel() >= softrender::ISA_AVX2) x = ClassifyAlphaAvx2(p, classes, width, at);
#endif
#if defined(__SSE2__)
        // Sixteen alpha bytes at a time: a class is 1 for not clear plus 1 for not solid either.
        const __m128i shift = _mm_cvtsi32_si128(at * 8);
        const __m128i low = _mm_set1_epi32(0xFF);
        const __m128i one = _mm_set1_epi8(1);
        const auto alphas = [&](int from) {
            return _mm_and_si128(_mm_srl_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from * 4)), shift),
                                 low);
        };
        for (; x + 16 <= width; x += 16) {
            const __m128i a = _mm_packus_epi16(_mm_packs_epi32(alphas(x), alphas(x + 4)),
                                               _mm_packs_epi32(alphas(x + 8), alphas(x + 12)));
            const __m128i clear = _mm_cmpeq_epi8(a, _mm_setzero_si128());
            const __m128i solid = _mm_cmpeq_epi8(a, _mm_set1_epi8(-1));
            const __m128i cls =
                _mm_add_epi8(_mm_andnot_si128(clear, one), _mm_andnot_si128(_mm_or_si128(clear, solid), one));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(classes + x), cls);
        }
#endif
        for (; x < width; ++x) {
            const uint8_t a = p[x * 4 + at];
            classes[x] = uint8_t((a != 0) + (a != 0 && a != 255));
        }
    } else if (img->PaletteFlag) {
        for (int x = 0; x < width; ++x) classes[x] = p[x] != key;
    } else if (img->Format == MEMIMG_FORMAT_X8R8G8B8) {
        int x = 0;
#if defined(__SSE2__)
        // Sixteen pixels at a time against the key: 1 where a pixel differs.
        const __m128i keys = _mm_set1_epi32(int(key));
        const auto keyed = [&](int from) {
            return _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from * 4)), keys);
        };
        for (; x + 16 <= width; x += 16) {
            const __m128i same = _mm_packs_epi16(_mm_packs_epi32(keyed(x), keyed(x + 4)),
                                                 _mm_packs_epi32(keyed(x + 8), keyed(x + 12)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(classes + x), _mm_andnot_si128(same, _mm_set1_epi8(1)));
        }
#endif
        for (; x < width; ++x) {
            uint32_t v;
            std::memcpy(&v, p + x * 4, 4);
            classes[x] = v != key;
        }
    } else {
        for (int x = 0; x < width; ++x) classes[x] = uint16_t(p[x * 2] | p[x * 2 + 1] << 8) != uint16_t(key);
    }
}

// One row's run classes with a byte of 0xFF (no class) before and after
// them, and a bit per pixel set where a new class starts.
struct RowScratch {
    uint8_t* classes;     // classes[-1] and classes[width .. width + kClassTail) hold 0xFF
    uint64_t* changes;    // bits 0 .. width; bit width, the row end, is always set
};
constexpr int kClassLead = 16;
constexpr int kClassTail = 32;

size_t RowScratchBytes(int width) {
    return size_t(kClassLead) + size_t(width) + kClassTail + (size_t(width) / 64 + 2) * sizeof(uint64_t);
}

void SetUpRowScratch(RowScratch* scratch, void* block, int width) {
    uint8_t* bytes = static_cast<uint8_t*>(block);
    scratch->classes = bytes + kClassLead;
    scratch->classes[-1] = 0xFF;
    std::memset(scratch->classes + width, 0xFF, kClassTail);
    // Past the classes, rounded up to whole words.
    const size_t at = (size_t(kClassLead) + size_t(width) + kClassTail + 7) & ~size_t(7);
    scratch->changes = reinterpret_cast<uint64_t*>(bytes + at);
}

// Marks where each class differs from the one before it, 0 through width,
// sixteen pixels at a time; the words hold them lowest pixel first.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "change words are read as pieces of 16 bits");
void FindChanges(const RowScratch& scratch, int width) {
    const uint8_t* c = scratch.classes;
    unsigned char* bits = reinterpret_cast<unsigned char*>(scratch.changes);
    int x = 0;
    for (; x <= width; x += 16) {
#if defined(__SSE2__)
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + x));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + x - 1));
        const uint16_t b = uint16_t(~_mm_movemask_epi8(_mm_cmpeq_epi8(here, before)));
#else
        uint16_t b = 0;
        for (int i = 0; i < 16; ++i) b = uint16_t(b | (c[x + i] != c[x + i - 1]) << i);
#endif
        std::memcpy(bits + x / 8, &b, sizeof(b));
    }
    // The rest of the last word.
    for (; x % 64 != 0; x += 16) std::memset(bits + x / 8, 0, 2);
}

// Writes one row's run codes: spans of one class of at most 64 pixels, then
// the row end. The changes are taken a word at a time, lowest bit first, so
// that finding a run's end waits on no load.
unsigned char* RunRow(unsigned char* out, const RowScratch& scratch, int width) {
    // A run's code is its class in the top two bits.
    static_assert(MEMIMG_RUN_SKIP == 0 << 6 && MEMIMG_RUN_COPY == 1 << 6 && MEMIMG_RUN_BLEND == 2 << 6,
                  "run codes are classes shifted");
    FindChanges(scratch, width);
    int start = 0;
    for (int word = 0; start < width; ++word) {
        uint64_t bits = scratch.changes[word];
        // Pixel 0 starts the first run rather than ending one.
        if (word == 0) bits &= ~uint64_t(1);
        for (; bits != 0; bits &= bits - 1) {
            const int end = word * 64 + __builtin_ctzll(bits);
            const uint8_t kind = uint8_t(scratch.classes[start] << 6);
            for (; end - start > 64; start += 64) *out++ = uint8_t(kind | 63);
            *out++ = uint8_t(kind | (end - start - 1));
            start = end;
        }
    }
    *out++ = MEMIMG_RUN_END;
    return out;
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

void StartMemImgExtras(MEMIMG* img, MemImgExtrasBuild* build) {
    img->PremulFlag = 0;
    img->RunDataFlag = 0;
    build->img = img;
    build->rows = 0;
    const bool hasExtras = img->Format <= MEMIMG_FORMAT_X8R8G8B8 && img->RunData != nullptr;
    build->runOut = hasExtras ? img->RunData : nullptr;
}

void AddMemImgExtrasRows(MemImgExtrasBuild* build, int rows) {
    MEMIMG* img = build->img;
    if (build->runOut == nullptr || rows <= build->rows) return;
    void* block = ZVALLOC(RowScratchBytes(img->Width));
    if (block == nullptr) {
        build->runOut = nullptr;
        return;
    }
    RowScratch scratch;
    SetUpRowScratch(&scratch, block, img->Width);
    const bool premultiply = img->AlphaFlag && img->PremulPixels != nullptr;
    const auto premultiplyRow = img->Format == MEMIMG_FORMAT_X8R8G8B8 ? PremultiplyRow32 : PremultiplyRow16;
    // Row by row, so that the premultiplied copy and the run map read each
    // row while it is still in the cache.
    for (int y = build->rows; y < rows; ++y) {
        const unsigned char* row = img->Pixels + size_t(y) * img->Pitch;
        if (premultiply) premultiplyRow(row, img->PremulPixels + size_t(y) * img->Pitch, img->Width);
        ClassifyRow(img, row, scratch.classes);
        build->runOut = RunRow(build->runOut, scratch, img->Width);
    }
    ZvFree(block);
    build->rows = rows;
}

void EndMemImgExtras(MemImgExtrasBuild* build) {
    MEMIMG* img = build->img;
    AddMemImgExtrasRows(build, img->Height);
    // Built only when every row was.
    if (build->runOut == nullptr) return;
    img->RunDataFlag = 1;
    img->PremulFlag = img->AlphaFlag && img->PremulPixels != nullptr ? 1 : 0;
}

void RefreshMemImgExtras(MEMIMG* img) {
    MemImgExtrasBuild build;
    StartMemImgExtras(img, &build);
    EndMemImgExtras(&build);
}
