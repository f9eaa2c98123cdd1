// The wide rule rows at each processor level: one set of rules over two lane widths.
#include "softrender/wide_rows.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ZV_SR_WIDE 1
#endif

namespace softrender {

#ifdef ZV_SR_WIDE
namespace {

// One axis of the rotated walk: the position of column x of row y is
// at + x step + y rowStep modulo 2^32, and the column takes a texel while it lies below
// `limit`. Where the positions of the whole box stay within the signed 32-bit range and the
// limit is at most 2^31, those columns of a row run from one bound to another: the bounds
// here have a column's margin either way, for rounding and for the open and closed ends, and
// the columns between them are still tested one by one.
struct RotateAxis {
    int64_t at, rowStep, limit;
    bool rowWise;          // step 0: a row lies inside or outside as a whole
    double first, perRow;  // -at / step and -rowStep / step: where the position is 0
    double low, high;      // the bounds from there
    RotateAxis(uint32_t at0, uint32_t step0, uint32_t rowStep0, uint64_t lim, int columns, int rows)
        : at(int32_t(at0)),
          rowStep(int32_t(rowStep0)),
          limit(int64_t(lim)),
          rowWise(false),
          first(0.0),
          perRow(0.0),
          low(-HUGE_VAL),
          high(HUGE_VAL) {
        const int64_t step = int32_t(step0);
        const int64_t across = (columns - 1) * step, down = (rows - 1) * rowStep;
        const int64_t least = at + (across < 0 ? across : 0) + (down < 0 ? down : 0);
        const int64_t most = at + (across > 0 ? across : 0) + (down > 0 ? down : 0);
        if (lim > 0x80000000ull || least < INT32_MIN || most > INT32_MAX) return;  // no bounds
        if (step == 0) {
            rowWise = true;
            return;
        }
        const double per = 1.0 / double(step);
        first = -double(at) * per;
        perRow = -double(rowStep) * per;
        // Rising, the columns from 0 up to (not at) `far`; falling, those past `far` up to
        // and at 0; each with a margin far wider than the rounding.
        const double far = double(limit) * per, margin = 1.0 / 256;
        low = (far < 0 ? far + 1.0 : 0.0) - margin;
        high = (far > 0 ? far : 0.0) + 1.0 + margin;
    }
    // Narrows [*from, *to) to row y's bounds.
    ZV_SR_INLINE void Narrow(int y, double* from, double* to) const {
        if (rowWise) {
            const int64_t p = at + y * rowStep;
            if (p < 0 || p >= limit) *to = *from;
            return;
        }
        const double e = first + double(y) * perRow;
        if (e + low > *from) *from = e + low;
        if (e + high < *to) *to = e + high;
    }
};

}  // namespace

namespace sse2 {

struct L {
    using V = __m128i;
    static constexpr int kN = 4;
    static constexpr bool kPermute = false;
    static constexpr bool kMaskedTail = false;
    static ZV_SR_INLINE V Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
    static ZV_SR_INLINE void Store(void* p, V v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
    // One pixel in the lowest lane (the tails of runs).
    static ZV_SR_INLINE V Load1(const void* p) {
        return _mm_cvtsi32_si128(int(Load32(static_cast<const uint8_t*>(p))));
    }
    static ZV_SR_INLINE void Store1(void* p, V v) {
        const uint32_t x = uint32_t(_mm_cvtsi128_si32(v));
        std::memcpy(p, &x, 4);
    }
    static ZV_SR_INLINE V Zero() { return _mm_setzero_si128(); }
    static ZV_SR_INLINE V Set32(uint32_t x) { return _mm_set1_epi32(int(x)); }
    static ZV_SR_INLINE V Set16(uint16_t x) { return _mm_set1_epi16(int16_t(x)); }
    static ZV_SR_INLINE V Set64(uint64_t x) { return _mm_set1_epi64x(int64_t(x)); }
    static ZV_SR_INLINE V Step32() { return _mm_setr_epi32(0, 1, 2, 3); }
    static ZV_SR_INLINE V And(V a, V b) { return _mm_and_si128(a, b); }
    static ZV_SR_INLINE V Or(V a, V b) { return _mm_or_si128(a, b); }
    static ZV_SR_INLINE V Xor(V a, V b) { return _mm_xor_si128(a, b); }
    static ZV_SR_INLINE V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }
    static ZV_SR_INLINE V Add32(V a, V b) { return _mm_add_epi32(a, b); }
    static ZV_SR_INLINE V Sub32(V a, V b) { return _mm_sub_epi32(a, b); }
    static ZV_SR_INLINE V Mul32(V a, V b) {
        const V even = _mm_mul_epu32(a, b);
        const V odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), _mm_srli_epi64(b, 32));
        return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, 0x08), _mm_shuffle_epi32(odd, 0x08));
    }
    static ZV_SR_INLINE V Eq32(V a, V b) { return _mm_cmpeq_epi32(a, b); }
    static ZV_SR_INLINE V Gt32(V a, V b) { return _mm_cmpgt_epi32(a, b); }
    static ZV_SR_INLINE V Srl32(V a, int n) { return _mm_srli_epi32(a, n); }
    static ZV_SR_INLINE V Sll32(V a, int n) { return _mm_slli_epi32(a, n); }
    static ZV_SR_INLINE V Add16(V a, V b) { return _mm_add_epi16(a, b); }
    static ZV_SR_INLINE V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
    static ZV_SR_INLINE V Mul16(V a, V b) { return _mm_mullo_epi16(a, b); }
    static ZV_SR_INLINE V MulHi16(V a, V b) { return _mm_mulhi_epu16(a, b); }
    static ZV_SR_INLINE V MulHiSigned16(V a, V b) { return _mm_mulhi_epi16(a, b); }
    static ZV_SR_INLINE V Srl16(V a, int n) { return _mm_srli_epi16(a, n); }
    static ZV_SR_INLINE V Sll16(V a, int n) { return _mm_slli_epi16(a, n); }
    static ZV_SR_INLINE V Sra16(V a, int n) { return _mm_srai_epi16(a, n); }
    static ZV_SR_INLINE V Lo8(V a) { return _mm_unpacklo_epi8(a, _mm_setzero_si128()); }
    static ZV_SR_INLINE V Hi8(V a) { return _mm_unpackhi_epi8(a, _mm_setzero_si128()); }
    static ZV_SR_INLINE V Pack16(V lo, V hi) { return _mm_packus_epi16(lo, hi); }
    static ZV_SR_INLINE V Alpha16(V a) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, 0xFF), 0xFF); }
    static ZV_SR_INLINE V Unpack32Lo(V a, V b) { return _mm_unpacklo_epi32(a, b); }
    static ZV_SR_INLINE V Unpack32Hi(V a, V b) { return _mm_unpackhi_epi32(a, b); }
    // Each pixel's low word in all four words of the pixel, for the pixels Lo8 and Hi8 widen.
    static ZV_SR_INLINE V WordsLo(V a) {
        const V w = _mm_or_si128(a, _mm_slli_epi32(a, 16));
        return _mm_unpacklo_epi32(w, w);
    }
    static ZV_SR_INLINE V WordsHi(V a) {
        const V w = _mm_or_si128(a, _mm_slli_epi32(a, 16));
        return _mm_unpackhi_epi32(w, w);
    }
    static ZV_SR_INLINE bool All(V m) { return _mm_movemask_epi8(m) == 0xFFFF; }
    static ZV_SR_INLINE bool None(V m) { return _mm_movemask_epi8(m) == 0; }
    static ZV_SR_INLINE V Select(V m, V a, V b) { return _mm_or_si128(_mm_and_si128(m, a), _mm_andnot_si128(m, b)); }
    // Texels at base + offsets where the mask is set, zero elsewhere: four loads put
    // together in registers (four stores read back as one would stall the load).
    static ZV_SR_INLINE V Gather(const uint8_t* base, V offs, V m) {
        alignas(16) int32_t o[4], k[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(o), offs);
        _mm_store_si128(reinterpret_cast<__m128i*>(k), m);
        auto at = [&](int i) { return _mm_cvtsi32_si128(k[i] ? int32_t(Load32(base + o[i])) : 0); };
        return _mm_unpacklo_epi64(_mm_unpacklo_epi32(at(0), at(1)), _mm_unpacklo_epi32(at(2), at(3)));
    }
};
#include "softrender/wide_rules.inc"

}  // namespace sse2

#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {

struct L {
    using V = __m256i;
    static constexpr int kN = 8;
    static constexpr bool kPermute = true;
    static constexpr bool kMaskedTail = true;
    static ZV_SR_INLINE V MaskLoad(const void* p, V m) { return _mm256_maskload_epi32(static_cast<const int*>(p), m); }
    static ZV_SR_INLINE void MaskStore(void* p, V m, V v) { _mm256_maskstore_epi32(static_cast<int*>(p), m, v); }
    static ZV_SR_INLINE V Permute(V a, V idx) { return _mm256_permutevar8x32_epi32(a, idx); }
    static ZV_SR_INLINE V Load(const void* p) { return _mm256_loadu_si256(static_cast<const __m256i*>(p)); }
    static ZV_SR_INLINE void Store(void* p, V v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
    static ZV_SR_INLINE V Zero() { return _mm256_setzero_si256(); }
    static ZV_SR_INLINE V Set32(uint32_t x) { return _mm256_set1_epi32(int(x)); }
    static ZV_SR_INLINE V Set16(uint16_t x) { return _mm256_set1_epi16(int16_t(x)); }
    static ZV_SR_INLINE V Set64(uint64_t x) { return _mm256_set1_epi64x(int64_t(x)); }
    static ZV_SR_INLINE V Step32() { return _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7); }
    static ZV_SR_INLINE V And(V a, V b) { return _mm256_and_si256(a, b); }
    static ZV_SR_INLINE V Or(V a, V b) { return _mm256_or_si256(a, b); }
    static ZV_SR_INLINE V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
    static ZV_SR_INLINE V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }
    static ZV_SR_INLINE V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
    static ZV_SR_INLINE V Sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
    static ZV_SR_INLINE V Mul32(V a, V b) { return _mm256_mullo_epi32(a, b); }
    static ZV_SR_INLINE V Eq32(V a, V b) { return _mm256_cmpeq_epi32(a, b); }
    static ZV_SR_INLINE V Gt32(V a, V b) { return _mm256_cmpgt_epi32(a, b); }
    static ZV_SR_INLINE V Srl32(V a, int n) { return _mm256_srli_epi32(a, n); }
    static ZV_SR_INLINE V Sll32(V a, int n) { return _mm256_slli_epi32(a, n); }
    static ZV_SR_INLINE V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
    static ZV_SR_INLINE V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
    static ZV_SR_INLINE V Mul16(V a, V b) { return _mm256_mullo_epi16(a, b); }
    static ZV_SR_INLINE V MulHi16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
    static ZV_SR_INLINE V MulHiSigned16(V a, V b) { return _mm256_mulhi_epi16(a, b); }
    static ZV_SR_INLINE V Srl16(V a, int n) { return _mm256_srli_epi16(a, n); }
    static ZV_SR_INLINE V Sll16(V a, int n) { return _mm256_slli_epi16(a, n); }
    static ZV_SR_INLINE V Sra16(V a, int n) { return _mm256_srai_epi16(a, n); }
    static ZV_SR_INLINE V Lo8(V a) { return _mm256_unpacklo_epi8(a, _mm256_setzero_si256()); }
    static ZV_SR_INLINE V Hi8(V a) { return _mm256_unpackhi_epi8(a, _mm256_setzero_si256()); }
    static ZV_SR_INLINE V Pack16(V lo, V hi) { return _mm256_packus_epi16(lo, hi); }
    static ZV_SR_INLINE V Alpha16(V a) { return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(a, 0xFF), 0xFF); }
    static ZV_SR_INLINE V Unpack32Lo(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
    static ZV_SR_INLINE V Unpack32Hi(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
    static ZV_SR_INLINE V WordsLo(V a) {
        return _mm256_shuffle_epi8(a, _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 4, 5, 4, 5, 4, 5, 4, 5, 0, 1, 0, 1, 0, 1,
                                                       0, 1, 4, 5, 4, 5, 4, 5, 4, 5));
    }
    static ZV_SR_INLINE V WordsHi(V a) {
        return _mm256_shuffle_epi8(a, _mm256_setr_epi8(8, 9, 8, 9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13, 8, 9, 8,
                                                       9, 8, 9, 8, 9, 12, 13, 12, 13, 12, 13, 12, 13));
    }
    static ZV_SR_INLINE bool All(V m) { return _mm256_movemask_epi8(m) == -1; }
    static ZV_SR_INLINE bool None(V m) { return _mm256_movemask_epi8(m) == 0; }
    static ZV_SR_INLINE V Select(V m, V a, V b) { return _mm256_blendv_epi8(b, a, m); }
    static ZV_SR_INLINE V Gather(const uint8_t* base, V offs, V m) {
        return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), reinterpret_cast<const int*>(base), offs, m, 1);
    }
};
#include "softrender/wide_rules.inc"

}  // namespace avx2
#pragma GCC pop_options
#endif

const WideRows kWideRows[ISA_COUNT] = {
    WideRows{},
#ifdef ZV_SR_WIDE
    sse2::kRows,
    avx2::kRows,
#else
    WideRows{},
    WideRows{},
#endif
};

}  // namespace softrender
