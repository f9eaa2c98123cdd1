// Four-pixel SSE2 forms of the commonest sprite rules; they write exactly the bytes
// of the per-pixel rules they stand in for.
#pragma once
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "softrender/pixel_rules.h"

namespace softrender {

// Members that AlphaBlend4 serves: 32-bit alpha sources under trans, modes 0 and 1,
// without blend image or bright.
template <class M>
constexpr bool kAlphaBlend4 = M::kFmt32 && M::kSrc == SRC_ALPHA && M::kTrans && !M::kBI && !M::kBR &&
                              (M::kMode == 0 || M::kMode == 1);

#ifdef __SSE2__
// Four 32-bit alpha pixels onto four target pixels under trans, modes 0 and 1 without
// blend image or bright. The same bytes as the per-pixel rule: alpha 0 is a blend of
// weight 0, alpha 255 the full form.
template <int Mode>
ZV_SR_INLINE void AlphaBlend4(uint8_t* dst, __m128i S, uint32_t p) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i a = _mm_srli_epi32(S, 24);
    // Four clear pixels leave the target as it is.
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, zero)) == 0xFFFF) return;
    const __m128i D = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
    const __m128i opaque = _mm_cmpeq_epi32(a, _mm_set1_epi32(255));
    if constexpr (Mode == 0) {
        // Four opaque pixels are copied whole.
        if (_mm_movemask_epi8(opaque) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), S);
            return;
        }
    }
    const __m128i topMask = _mm_set1_epi32(int(0xFF000000u));
    const __m128i sLo = _mm_unpacklo_epi8(S, zero), sHi = _mm_unpackhi_epi8(S, zero);
    const __m128i dLo = _mm_unpacklo_epi8(D, zero), dHi = _mm_unpackhi_epi8(D, zero);
    __m128i rLo, rHi;
    if constexpr (Mode == 0) {
        // (d * (256 - a) + s * a) >> 8 fits 16-bit lanes.
        const __m128i aLo = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sLo, 0xFF), 0xFF);
        const __m128i aHi = _mm_shufflehi_epi16(_mm_shufflelo_epi16(sHi, 0xFF), 0xFF);
        const __m128i k256 = _mm_set1_epi16(256);
        rLo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dLo, _mm_sub_epi16(k256, aLo)), _mm_mullo_epi16(sLo, aLo)), 8);
        rHi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dHi, _mm_sub_epi16(k256, aHi)), _mm_mullo_epi16(sHi, aHi)), 8);
    } else if (_mm_movemask_epi8(opaque) == 0xFFFF) {
        // All opaque: weight p over 256, which fits 16-bit lanes as in mode 0.
        const __m128i pw = _mm_set1_epi16(int16_t(p)), qw = _mm_set1_epi16(int16_t(256 - p));
        rLo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dLo, qw), _mm_mullo_epi16(sLo, pw)), 8);
        rHi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(dHi, qw), _mm_mullo_epi16(sHi, pw)), 8);
    } else {
        // Weight F = a * p, or p << 8 at alpha 255; d + floor((s - d) * F / 65536) from the
        // high and low halves of the 16 x 16 products, with the borrow of the low halves.
        const __m128i pv = _mm_set1_epi32(int(p));
        __m128i F = _mm_or_si128(_mm_and_si128(opaque, _mm_slli_epi32(pv, 8)),
                                 _mm_andnot_si128(opaque, _mm_mullo_epi16(a, pv)));
        F = _mm_or_si128(F, _mm_slli_epi32(F, 16));
        const __m128i fLo = _mm_unpacklo_epi32(F, F), fHi = _mm_unpackhi_epi32(F, F);
        const __m128i sign = _mm_set1_epi16(int16_t(0x8000));
        auto lerp = [&](__m128i d, __m128i s, __m128i f) {
            const __m128i sh = _mm_mulhi_epu16(s, f), sl = _mm_mullo_epi16(s, f);
            const __m128i dh = _mm_mulhi_epu16(d, f), dl = _mm_mullo_epi16(d, f);
            const __m128i borrow = _mm_cmplt_epi16(_mm_xor_si128(sl, sign), _mm_xor_si128(dl, sign));
            return _mm_add_epi16(_mm_sub_epi16(_mm_add_epi16(d, sh), dh), borrow);
        };
        rLo = lerp(dLo, sLo, fLo);
        rHi = lerp(dHi, sHi, fHi);
    }
    __m128i r = _mm_or_si128(_mm_andnot_si128(topMask, _mm_packus_epi16(rLo, rHi)), _mm_and_si128(topMask, D));
    if constexpr (Mode == 0) r = _mm_or_si128(_mm_and_si128(opaque, S), _mm_andnot_si128(opaque, r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), r);
}
template <int Mode>
ZV_SR_INLINE void AlphaBlend4(uint8_t* dst, const uint8_t* src, uint32_t p) {
    AlphaBlend4<Mode>(dst, _mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), p);
}
#endif

}  // namespace softrender
