// The filled box: one colour over a rectangle of a target, every blend mode.
#include <cstddef>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "softrender/colour_rules.h"
#include "softrender/simd_level.h"
#include "softrender/softrender.h"

using namespace softrender;

namespace {

struct BoxJob {
    ColourCtx k;
    uint8_t* dst;
    int32_t pitch, width, height;
};

// One colour over the box, one pixel a store.
template <class Dst>
void FillRowsScalar(const BoxJob& j, Dst value) {
    for (int y = 0; y < j.height; ++y) {
        Dst* d = reinterpret_cast<Dst*>(j.dst + std::ptrdiff_t(y) * j.pitch);
        for (int x = 0; x < j.width; ++x) d[x] = value;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same fill sixteen or thirty-two bytes a store. A row's last store ends at its end,
// overlapping the one before: the same bytes, without a per-pixel tail.
template <class Dst>
void FillRowsSse2(const BoxJob& j, Dst value) {
    const __m128i v = sizeof(Dst) == 4 ? _mm_set1_epi32(int(value)) : _mm_set1_epi16(int16_t(value));
    constexpr int per = 16 / int(sizeof(Dst));
    if (j.width < per) return FillRowsScalar(j, value);
    for (int y = 0; y < j.height; ++y) {
        Dst* d = reinterpret_cast<Dst*>(j.dst + std::ptrdiff_t(y) * j.pitch);
        for (int x = 0; x < j.width - per; x += per) _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + j.width - per), v);
    }
}

template <class Dst>
__attribute__((target("avx2"))) void FillRowsAvx2(const BoxJob& j, Dst value) {
    const __m256i v = sizeof(Dst) == 4 ? _mm256_set1_epi32(int(value)) : _mm256_set1_epi16(int16_t(value));
    constexpr int per = 32 / int(sizeof(Dst));
    if (j.width < per) return FillRowsSse2(j, value);
    for (int y = 0; y < j.height; ++y) {
        Dst* d = reinterpret_cast<Dst*>(j.dst + std::ptrdiff_t(y) * j.pitch);
        for (int x = 0; x < j.width - per; x += per) _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x), v);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + j.width - per), v);
    }
}
#endif

template <int Fmt32, int Mode>
void FillBox(const BoxJob& j) {
    using Rule = ColourRule<Fmt32, Mode>;
    using Dst = typename Rule::Dst;
    if constexpr (Mode == BLEND_COPY) {
        // The fill for the level in force.
#if defined(__x86_64__) && defined(__GNUC__)
        const int level = SimdLevel();
        if (level >= ISA_AVX2) return FillRowsAvx2(j, Dst(j.k.c));
        if (level >= ISA_SSE2) return FillRowsSse2(j, Dst(j.k.c));
#endif
        return FillRowsScalar(j, Dst(j.k.c));
    } else {
        for (int y = 0; y < j.height; ++y) {
            Dst* d = reinterpret_cast<Dst*>(j.dst + std::ptrdiff_t(y) * j.pitch);
            for (int x = 0; x < j.width; ++x) Rule::Apply(j.k, d + x);
        }
    }
}

using BoxFn = void (*)(const BoxJob&);
constexpr BoxFn kBox32[5] = {&FillBox<1, 0>, &FillBox<1, 1>, &FillBox<1, 2>, &FillBox<1, 3>, &FillBox<1, 4>};
constexpr BoxFn kBox16[5] = {&FillBox<0, 0>, &FillBox<0, 1>, &FillBox<0, 2>, &FillBox<0, 3>, &FillBox<0, 4>};

}  // namespace

void MemImgDrawFillBoxBase(MEMIMG* dest, const MemImgRect* rect, uint32_t color) {
    if (dest == nullptr || dest->Pixels == nullptr) return;
    if (dest->PaletteFlag == 1 || dest->AlphaFlag == 1) return;
    MemImgRect r = rect ? *rect : MemImgRect{0, 0, dest->Width, dest->Height};
    if (r.left > r.right) {
        const int32_t t = r.left;
        r.left = r.right;
        r.right = t;
    }
    if (r.top > r.bottom) {
        const int32_t t = r.top;
        r.top = r.bottom;
        r.bottom = t;
    }
    if (!ClipToTarget(&r, dest)) return;
    if (dest->Format != 0 && dest->Format != 1) return;
    const int fmt32 = dest->Format;
    const int mode = ColourModeToRun(MemImgDrawStateData.BlendMode, MemImgDrawStateData.BlendParam);
    if (mode < 0) return;
    BoxJob job;
    MakeColourCtx(&job.k, BrightenByShift(color, fmt32), fmt32);
    job.dst = dest->Pixels + std::ptrdiff_t(r.top) * dest->Pitch + std::ptrdiff_t(r.left) * (fmt32 ? 4 : 2);
    job.pitch = dest->Pitch;
    job.width = r.right - r.left;
    job.height = r.bottom - r.top;
    (fmt32 ? kBox32 : kBox16)[mode](job);
}

void MemImgDrawFillBoxXY(MEMIMG* dest, int x1, int y1, int x2, int y2, uint32_t color) {
    const MemImgRect r{x1, y1, x2, y2};
    MemImgDrawFillBoxBase(dest, &r, color);
}
