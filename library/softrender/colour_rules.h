// Constant-colour pixel rules shared by the box fill, the lines and the flat triangles.
#pragma once
#include <cstdint>
#include <type_traits>

#include "softrender/pixel_rules.h"

namespace softrender {

struct ColourCtx {
    uint32_t c;             // the prepared colour
    uint32_t S;             // source term of add and subtract: the colour through the parameter row
    int32_t p;
    const int32_t* diffP;   // centre of the difference row of p
};

// The mode to run for mode m at parameter p, or -1 when nothing is drawn.
inline int ColourModeToRun(int m, int p) {
    if (unsigned(m) > BLEND_MUL) return -1;
    if (m == BLEND_ALPHA && p == 255) return BLEND_COPY;
    if ((m == BLEND_ALPHA || m == BLEND_ADD || m == BLEND_SUB) && p == 0) return -1;
    return m;
}

// Prepares ctx for colour c (already brightened) in the format.
void MakeColourCtx(ColourCtx* ctx, uint32_t c, int fmt32);
// Brightness by multiply and shift (box fill and lines).
uint32_t BrightenByShift(uint32_t c, int fmt32);
// Brightness by the product table, always applied (flat triangles).
uint32_t BrightenByTable(uint32_t c, int fmt32);

template <int Fmt32, int Mode>
struct ColourRule {
    using Dst = typename std::conditional<Fmt32 != 0, uint32_t, uint16_t>::type;
    static ZV_SR_INLINE void Apply(const ColourCtx& k, Dst* d) {
        const uint32_t D = *d;
        if constexpr (Fmt32) {
            if constexpr (Mode == BLEND_COPY) {
                *d = k.c;
            } else if constexpr (Mode == BLEND_ALPHA) {
                uint32_t r = D & 0xFF000000u;
                for (int sh = 0; sh < 24; sh += 8) {
                    const int32_t dc = (D >> sh) & 0xFF, cc = (k.c >> sh) & 0xFF;
                    r |= uint32_t(dc + (((cc - dc) * k.p) >> 8)) << sh;
                }
                *d = r;
            } else if constexpr (Mode == BLEND_ADD) {
                *d = PackedAdd32(D, k.S);
            } else if constexpr (Mode == BLEND_SUB) {
                *d = PackedSub32(D, k.S);
            } else {
                uint32_t r = D & 0xFF000000u;
                for (int sh = 0; sh < 24; sh += 8) r |= ((((D >> sh) & 0xFF) * ((k.c >> sh) & 0xFF)) >> 8) << sh;
                *d = r;
            }
        } else {
            if constexpr (Mode == BLEND_COPY) {
                *d = uint16_t(k.c);
            } else if constexpr (Mode == BLEND_ALPHA) {
                const int32_t dr = D >> 11, dg = (D >> 5) & 63, db = D & 31;
                const int32_t cr = (k.c >> 11) & 31, cg = (k.c >> 5) & 63, cb = k.c & 31;
                *d = uint16_t((dr + k.diffP[cr - dr]) << 11 | (dg + k.diffP[cg - dg]) << 5 | (db + k.diffP[cb - db]));
            } else if constexpr (Mode == BLEND_ADD) {
                *d = PackedAdd16(D, k.S);
            } else if constexpr (Mode == BLEND_SUB) {
                *d = PackedSub16(D, k.S);
            } else {
                const uint32_t dr = D >> 11, dg = (D >> 5) & 63, db = D & 31;
                const uint32_t cr = (k.c >> 11) & 31, cg = (k.c >> 5) & 63, cb = k.c & 31;
                *d = uint16_t(((dr * cr) >> 5) << 11 | ((dg * cg) >> 6) << 5 | ((db * cb) >> 5));
            }
        }
    }
};

}  // namespace softrender
