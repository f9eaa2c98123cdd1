// Per-pixel rules of the software renderer: one template computes every combination of
// format, source kind, blend mode and options; the geometry walkers inline it into their loops.
#pragma once
#include <cstdint>
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "softrender/blend_op.h"
#include "softrender/memimg.h"
#include "softrender/draw_state.h"

#define ZV_SR_INLINE inline __attribute__((always_inline))

namespace softrender {

// Source kinds.
enum : int { SRC_PALETTE = 0, SRC_DIRECT = 1, SRC_ALPHA = 2 };

// Which core a member belongs to: the cores differ in a few places.
//  CORE_RECT:    the plain rectangle transfer (whole-pixel copy of alpha images without
//                trans, fixed-weight fast forms, no alpha-0 skip in mode 4).
//  CORE_STRETCH: skips alpha 0 under trans in every mode, mode 4 included.
//  CORE_MAPPED:  rotated transfer and triangle mapper (mode 4 tests only alpha 255).
enum : int { CORE_RECT = 0, CORE_STRETCH = 1, CORE_MAPPED = 2 };

// Fast forms of the rectangle transfer, chosen per call for colour sources without blend
// image or bright; each names what it does, and writes what the full rule would not always.
enum FastForm : int {
    FAST_NONE = 0,
    FAST_HALF,        // alpha blend at 128: the halves of source and target summed
    FAST_FULL_PARAM,  // add or subtract at 255: no parameter row, no OR term (16-bit: two pixels a word)
    FAST_TABLE64,     // 16-bit alpha blend through the 64-level table
    FAST_FORM_COUNT
};

// Everything a member reads that is fixed for one call.
struct PixelCtx {
    const uint32_t* mulP;          // product row of the blend parameter
    const uint32_t* mulB;          // product rows of the bright components
    const uint32_t* mulG;
    const uint32_t* mulR;
    const int32_t* diffP;          // centre of the difference row of the parameter
    const uint8_t (*blend16)[64];  // 64-level table of p / 4
    const uint8_t* weight;         // blend-image weight table
    const void* palette;
    uint32_t key;
    int32_t p;
};

void MakePixelCtx(PixelCtx* ctx, const MEMIMG* src);

// Packed saturating add and subtract on whole words.
ZV_SR_INLINE uint32_t PackedAdd32(uint32_t d, uint32_t s) {
    const uint32_t x = (d & 0xFEFEFFu) + (s & 0xFEFEFFu);
    const uint32_t c = x & 0x1010100u;
    return (c - (c >> 8)) | ((d | s) & 0x10100u) | x;
}
ZV_SR_INLINE uint32_t PackedAdd32NoOr(uint32_t d, uint32_t s) {
    const uint32_t x = (d & 0xFEFEFFu) + (s & 0xFEFEFFu);
    const uint32_t c = x & 0x1010100u;
    return (c - (c >> 8)) | x;
}
ZV_SR_INLINE uint32_t PackedSub32(uint32_t d, uint32_t s) {
    const uint32_t x = (d | 0x1010100u) - (s & 0xFEFEFEFFu);
    const uint32_t c = x & 0x1010100u;
    return x & (c - (c >> 8));
}
ZV_SR_INLINE uint16_t PackedAdd16(uint32_t d, uint32_t s) {
    const uint32_t x = (d & 0xF7DEF7DFu) + (s & 0xF7DEF7DFu);
    const uint32_t c = x & 0x08210820u;
    return uint16_t((c - (c >> 5)) | ((d | s) & 0x0820u) | x);
}
ZV_SR_INLINE uint16_t PackedAdd16NoOr(uint32_t d, uint32_t s) {
    const uint32_t x = (d & 0xF7DEF7DFu) + (s & 0xF7DEF7DFu);
    const uint32_t c = x & 0x08210820u;
    return uint16_t((c - (c >> 5)) | x);
}
ZV_SR_INLINE uint16_t PackedSub16(uint32_t d, uint32_t s) {
    const uint32_t x = (d | 0x08210820u) - (s & 0xF7DEF7DFu);
    const uint32_t c = x & 0x08210820u;
    return uint16_t(x & (c - (c >> 5)));
}
// Two 16-bit pixels in one word (lower pixel in the low half). The carry or
// borrow out of the upper pixel's red leaves the word and is put back by hand.
ZV_SR_INLINE uint32_t PackedAdd16Pair(uint32_t d, uint32_t s) {
    const uint64_t wide = uint64_t(d & 0xF7DEF7DFu) + uint64_t(s & 0xF7DEF7DFu);
    const uint32_t x = uint32_t(wide);
    const uint32_t c = x & 0x08210820u;
    const uint32_t shifted = (c >> 5) | (uint32_t(wide >> 32) << 27);
    return (c - shifted) | x;
}
ZV_SR_INLINE uint32_t PackedSub16Pair(uint32_t d, uint32_t s) {
    const uint32_t dd = d | 0x08210820u;
    const uint32_t ss = s & 0xF7DEF7DFu;
    const uint32_t x = dd - ss;
    const uint32_t c = x & 0x08210820u;
    const uint32_t keepTop = dd >= ss ? 0xF8000000u : 0u;
    return x & ((c - (c >> 5)) | keepTop);
}

// Channels of D moved toward S: d + floor((s - d) * f / 256) for f 0..255, written as
// (d * (256 - f) + s * f) >> 8 so that all lanes stay non-negative and apart.
ZV_SR_INLINE uint32_t Lerp8(uint32_t D, uint32_t S, uint32_t f) {
    const uint32_t g = 256 - f;
    const uint32_t rb = (((D & 0xFF00FFu) * g + (S & 0xFF00FFu) * f) >> 8) & 0xFF00FFu;
    const uint32_t gg = (((D & 0xFF00u) * g + (S & 0xFF00u) * f) >> 8) & 0xFF00u;
    return (D & 0xFF000000u) | rb | gg;
}
// The same with a weight F of two factors (0..65025) and a shift of 16.
ZV_SR_INLINE uint32_t Lerp16(uint32_t D, uint32_t S, uint32_t F) {
    const uint32_t G = 65536 - F;
    const uint64_t dbr = (D & 0xFFu) | uint64_t(D & 0xFF0000u) << 16;
    const uint64_t sbr = (S & 0xFFu) | uint64_t(S & 0xFF0000u) << 16;
    const uint64_t x = dbr * G + sbr * F;
    const uint32_t gg = (((D >> 8) & 0xFFu) * G + ((S >> 8) & 0xFFu) * F) >> 16;
    return (D & 0xFF000000u) | uint32_t((x >> 16) & 0xFFu) | uint32_t((x >> 48) & 0xFFu) << 16 | gg << 8;
}

ZV_SR_INLINE uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
ZV_SR_INLINE uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

// Bytes a source texel takes.
template <int Fmt32, int Src>
constexpr int kTexelBytes = Src == SRC_PALETTE ? 1 : (Fmt32 || Src == SRC_ALPHA ? 4 : 2);

// One member's pixel rule. Fmt32: 1 for 32-bit images, 0 for 16-bit.
template <int Fmt32, int Src, int Mode, bool BI, bool BR, bool TR, int Core, int Fast>
struct Member {
    using Dst = typename std::conditional<Fmt32 != 0, uint32_t, uint16_t>::type;
    static constexpr int kFmt32 = Fmt32;
    static constexpr int kSrc = Src;
    static constexpr int kMode = Mode;
    static constexpr bool kBI = BI;
    static constexpr bool kBR = BR;
    static constexpr bool kTrans = TR;
    static constexpr int kFast = Fast;
    static constexpr int kTexel = kTexelBytes<Fmt32, Src>;
    static constexpr int kDstBytes = Fmt32 ? 4 : 2;
    // Rows copied whole: plain copies whose texel is the target pixel.
    static constexpr bool kRowCopy = Mode == BLEND_COPY && !BI && !BR && !TR && Fast == FAST_NONE &&
                                     (Src == SRC_DIRECT || (Src == SRC_ALPHA && Fmt32 && Core == CORE_RECT));
    // 16-bit add and subtract at full strength work on pixel pairs.
    static constexpr bool kPairs = !Fmt32 && Fast == FAST_FULL_PARAM;

    // Raw texel value (palette index, colour word, or colour word with alpha).
    static ZV_SR_INLINE uint32_t Fetch(const uint8_t* s) {
        if constexpr (Src == SRC_PALETTE) return *s;
        else if constexpr (Fmt32 || Src == SRC_ALPHA) return Load32(s);
        else return Load16(s);
    }
    static ZV_SR_INLINE uint32_t Colour(const PixelCtx& c, uint32_t raw) {
        if constexpr (Src == SRC_PALETTE) {
            if constexpr (Fmt32) return static_cast<const uint32_t*>(c.palette)[raw];
            else return static_cast<const uint16_t*>(c.palette)[raw];
        } else if constexpr (!Fmt32 && Src == SRC_ALPHA) {
            return raw & 0xFFFF;
        } else {
            return raw;
        }
    }
    static ZV_SR_INLINE uint32_t Alpha(uint32_t raw) {
        if constexpr (Fmt32) return raw >> 24;
        else return (raw >> 16) & 0xFF;
    }

    // The whole rule for one pixel. b points at the blend-image byte (unused without one).
    static ZV_SR_INLINE void Pixel(const PixelCtx& c, Dst* d, const uint8_t* s, const uint8_t* b) {
        const uint32_t raw = Fetch(s);
        if constexpr (Src != SRC_ALPHA) {
            if constexpr (TR) {
                if (raw == c.key) return;
            }
            Combine<false>(c, d, Colour(c, raw), 0, b);
        } else {
            const uint32_t a = Alpha(raw);
            if constexpr (TR && Fmt32 && Mode == BLEND_ALPHA && !BI) {
                // Alpha 0 (weight 0) and alpha 255 (weight p << 8) fold into one
                // branch-free blend that writes the same bytes as skipping and the full form.
                const uint32_t F = a == 255 ? uint32_t(c.p) << 8 : a * uint32_t(c.p);
                uint32_t sw = raw & 0xFFFFFFu;
                if constexpr (BR)
                    sw = c.mulR[(raw >> 16) & 0xFF] << 16 | c.mulG[(raw >> 8) & 0xFF] << 8 | c.mulB[raw & 0xFF];
                *d = Lerp16(*d, sw, F);
            } else if constexpr (TR) {
                if constexpr (Mode != BLEND_MUL || Core == CORE_STRETCH) {
                    if (a == 0) return;
                }
                if (a == 255) {
                    Full(c, d, raw, b);
                    return;
                }
                Combine<true>(c, d, Colour(c, raw), a, b);
            } else if constexpr (Core == CORE_RECT && Mode == BLEND_COPY && !BI && !BR) {
                // The plain transfer copies an alpha image whole when trans is off.
                *d = Dst(raw);
            } else {
                Combine<true>(c, d, Colour(c, raw), a, b);
            }
        }
    }

    // The form without the alpha factor (alpha 255 under trans, opaque runs).
    static ZV_SR_INLINE void Full(const PixelCtx& c, Dst* d, uint32_t raw, const uint8_t* b) {
        if constexpr (Src == SRC_ALPHA && Mode == BLEND_COPY && !BI && !BR) *d = Dst(raw);
        else Combine<false>(c, d, Colour(c, raw), 0, b);
    }
    // The form with the alpha factor (translucent runs).
    static ZV_SR_INLINE void Partial(const PixelCtx& c, Dst* d, uint32_t raw, const uint8_t* b) {
        if constexpr (Src == SRC_ALPHA) Combine<true>(c, d, Colour(c, raw), Alpha(raw), b);
        else Combine<false>(c, d, Colour(c, raw), 0, b);
    }

    // The plain copy and the fast forms need no channel arithmetic and read
    // alike in both formats; every other rule works on the format's channels.
    template <bool AF>
    static ZV_SR_INLINE void Combine(const PixelCtx& c, Dst* d, uint32_t colour, uint32_t a, const uint8_t* b) {
        constexpr uint32_t kHalfMask = Fmt32 ? 0x7F7F7Fu : 0x7BEFu;  // each channel without its lowest bit
        if constexpr (Mode == BLEND_COPY && !BI && !AF && !BR) {
            *d = Dst(colour);
        } else if constexpr (Fast == FAST_HALF) {
            *d = Dst(((colour >> 1) & kHalfMask) + ((uint32_t(*d) >> 1) & kHalfMask));
        } else if constexpr (Mode == BLEND_ADD && Fast == FAST_FULL_PARAM) {
            *d = Fmt32 ? Dst(PackedAdd32NoOr(*d, colour)) : Dst(PackedAdd16NoOr(*d, colour));
        } else if constexpr (!Fmt32 && Mode == BLEND_SUB && Fast == FAST_FULL_PARAM) {
            *d = PackedSub16(*d, colour);
        } else if constexpr (Fmt32) {
            Combine32<AF>(c, d, colour, a, b);
        } else {
            Combine16<AF>(c, d, colour, a, b);
        }
    }

    // The blend image's weight times the alpha factor: each one 0..255 when it applies.
    template <bool AF>
    static ZV_SR_INLINE int32_t Factor(const PixelCtx& c, uint32_t a, const uint8_t* b) {
        int32_t f = 1;
        if constexpr (BI) f = c.weight[*b];
        if constexpr (AF) f *= int32_t(a);
        return f;
    }

    template <bool AF>
    static ZV_SR_INLINE void Combine32(const PixelCtx& c, uint32_t* d, uint32_t colour, uint32_t a,
                                       const uint8_t* b) {
        constexpr int nf = int(BI) + int(AF);
        const uint32_t D = *d;
        int32_t sb = colour & 0xFF, sg = (colour >> 8) & 0xFF, sr = (colour >> 16) & 0xFF;
        if constexpr (BR) {
            sb = int32_t(c.mulB[sb]);
            sg = int32_t(c.mulG[sg]);
            sr = int32_t(c.mulR[sr]);
        }
        const int32_t f = Factor<AF>(c, a, b);
        const int32_t db = D & 0xFF, dg = (D >> 8) & 0xFF, dr = (D >> 16) & 0xFF;
        const uint32_t sw = uint32_t(sr) << 16 | uint32_t(sg) << 8 | uint32_t(sb);
        if constexpr (Mode == BLEND_COPY) {
            if constexpr (nf == 0) *d = (D & 0xFF000000u) | sw;
            else if constexpr (nf == 1) *d = Lerp8(D, sw, uint32_t(f));
            else *d = Lerp16(D, sw, uint32_t(f));
        } else if constexpr (Mode == BLEND_ALPHA && nf == 0) {
            *d = Lerp8(D, sw, uint32_t(c.p));
        } else if constexpr (Mode == BLEND_ALPHA && nf == 1) {
            *d = Lerp16(D, sw, uint32_t(f * c.p));
        } else if constexpr (Mode == BLEND_ALPHA) {
            constexpr int sh = 8 * (nf + 1);
            const int64_t fp = int64_t(f) * c.p;
            const uint32_t rb = uint32_t(db + ((int64_t(sb - db) * fp) >> sh));
            const uint32_t rg = uint32_t(dg + ((int64_t(sg - dg) * fp) >> sh));
            const uint32_t rr = uint32_t(dr + ((int64_t(sr - dr) * fp) >> sh));
            *d = (D & 0xFF000000u) | rr << 16 | rg << 8 | rb;
        } else if constexpr (Mode == BLEND_ADD || Mode == BLEND_SUB) {
            uint32_t S;
            if constexpr (nf == 0) {
                S = c.mulP[sr] << 16 | c.mulP[sg] << 8 | c.mulP[sb];
            } else {
                constexpr int sh = 8 * (nf + 1);
                const uint64_t fp = uint64_t(uint32_t(f)) * uint32_t(c.p);
                S = uint32_t((uint64_t(sr) * fp) >> sh) << 16 | uint32_t((uint64_t(sg) * fp) >> sh) << 8 |
                    uint32_t((uint64_t(sb) * fp) >> sh);
            }
            *d = Mode == BLEND_ADD ? PackedAdd32(D, S) : PackedSub32(D, S);
        } else {
            constexpr int sh = 8 * (nf + 1);
            const uint32_t uf = uint32_t(f);
            const uint32_t rb = uint32_t((uint64_t(uint32_t(sb) * uf) * uint32_t(db)) >> sh);
            const uint32_t rg = uint32_t((uint64_t(uint32_t(sg) * uf) * uint32_t(dg)) >> sh);
            const uint32_t rr = uint32_t((uint64_t(uint32_t(sr) * uf) * uint32_t(dr)) >> sh);
            *d = (D & 0xFF000000u) | rr << 16 | rg << 8 | rb;
        }
    }

    template <bool AF>
    static ZV_SR_INLINE void Combine16(const PixelCtx& c, uint16_t* d, uint32_t colour, uint32_t a,
                                       const uint8_t* b) {
        constexpr int nf = int(BI) + int(AF);
        const uint32_t D = *d;
        const int32_t rr0 = int32_t(colour >> 11) & 31, rg0 = int32_t(colour >> 5) & 63, rb0 = int32_t(colour) & 31;
        const int32_t dr = int32_t(D >> 11), dg = int32_t(D >> 5) & 63, db = int32_t(D) & 31;
        int32_t sr = rr0, sg = rg0, sb = rb0;
        // Modes 2 and 3 with the alpha factor alone scale by alpha before the bright rows.
        constexpr bool alphaFirst = (Mode == BLEND_ADD || Mode == BLEND_SUB) && AF && !BI && BR;
        if constexpr (BR && !alphaFirst) {
            sr = int32_t(c.mulR[sr]);
            sg = int32_t(c.mulG[sg]);
            sb = int32_t(c.mulB[sb]);
        }
        const int32_t f = Factor<AF>(c, a, b);
        if constexpr (Mode == BLEND_COPY) {
            if constexpr (nf == 0) {
                *d = uint16_t(sr << 11 | sg << 5 | sb);
            } else {
                constexpr int sh = 8 * nf;
                *d = uint16_t((dr + (((sr - dr) * f) >> sh)) << 11 | (dg + (((sg - dg) * f) >> sh)) << 5 |
                              (db + (((sb - db) * f) >> sh)));
            }
        } else if constexpr (Mode == BLEND_ALPHA) {
            if constexpr (Fast == FAST_TABLE64) {
                *d = uint16_t(c.blend16[sr][dr] << 11 | c.blend16[sg][dg] << 5 | c.blend16[sb][db]);
            } else if constexpr (nf == 0) {
                *d = uint16_t((dr + c.diffP[sr - dr]) << 11 | (dg + c.diffP[sg - dg]) << 5 | (db + c.diffP[sb - db]));
            } else {
                constexpr int sh = 8 * (nf + 1);
                const int64_t fp = int64_t(f) * c.p;
                *d = uint16_t((dr + ((int64_t(sr - dr) * fp) >> sh)) << 11 |
                              (dg + ((int64_t(sg - dg) * fp) >> sh)) << 5 | (db + ((int64_t(sb - db) * fp) >> sh)));
            }
        } else if constexpr (Mode == BLEND_ADD || Mode == BLEND_SUB) {
            uint32_t ur, ug, ub;
            if constexpr (nf == 0) {
                ur = uint32_t(sr), ug = uint32_t(sg), ub = uint32_t(sb);
            } else if constexpr (alphaFirst) {
                ur = c.mulR[(uint32_t(sr) * a) >> 8];
                ug = c.mulG[(uint32_t(sg) * a) >> 8];
                ub = c.mulB[(uint32_t(sb) * a) >> 8];
            } else {
                constexpr int sh = 8 * nf;
                ur = (uint32_t(sr) * uint32_t(f)) >> sh;
                ug = (uint32_t(sg) * uint32_t(f)) >> sh;
                ub = (uint32_t(sb) * uint32_t(f)) >> sh;
            }
            const uint32_t S = c.mulP[ur] << 11 | c.mulP[ug] << 5 | c.mulP[ub];
            *d = Mode == BLEND_ADD ? PackedAdd16(D, S) : PackedSub16(D, S);
        } else {
            const uint32_t uf = uint32_t(f);
            *d = uint16_t(uint32_t((uint64_t(uint32_t(sr) * uint32_t(dr)) * uf) >> (5 + 8 * nf)) << 11 |
                          uint32_t((uint64_t(uint32_t(sg) * uint32_t(dg)) * uf) >> (6 + 8 * nf)) << 5 |
                          uint32_t((uint64_t(uint32_t(sb) * uint32_t(db)) * uf) >> (5 + 8 * nf)));
        }
    }
};

// ---- member selection ------------------------------------------------------

// Linear member index: fast form x source kind (3) x blend operation x blend image x bright x trans.
constexpr int kMemberCount = FAST_FORM_COUNT * 3 * kBlendOpCount * 8;

constexpr int MemberIndex(int fast, int src, int mode, bool bi, bool br, bool tr) {
    return ((((fast * 3 + src) * kBlendOpCount + mode) * 2 + int(bi)) * 2 + int(br)) * 2 + int(tr);
}

// Fast forms exist only for the plain rectangle transfer, for sources without
// blend image, bright and alpha; anything else folds onto the ordinary member.
template <int Fmt32, int Core>
constexpr int CanonicalIndex(int index) {
    int tr = index & 1, br = (index >> 1) & 1, bi = (index >> 2) & 1;
    int mode = (index >> 3) % kBlendOpCount, src = ((index >> 3) / kBlendOpCount) % 3;
    int fast = ((index >> 3) / kBlendOpCount) / 3;
    bool ok = Core == CORE_RECT && src != SRC_ALPHA && !bi && !br;
    if (Fmt32)
        ok = ok && ((mode == BLEND_ALPHA && fast == FAST_HALF) || (mode == BLEND_ADD && fast == FAST_FULL_PARAM));
    else ok = ok && ((mode == BLEND_ALPHA && (fast == FAST_HALF || fast == FAST_TABLE64)) ||
                     ((mode == BLEND_ADD || mode == BLEND_SUB) && fast == FAST_FULL_PARAM));
    if (!ok) fast = FAST_NONE;
    return MemberIndex(fast, src, mode, bi, br, tr);
}

template <int Fmt32, int Core, int Index>
using MemberAt = Member<Fmt32, ((Index >> 3) / kBlendOpCount) % 3, (Index >> 3) % kBlendOpCount,
                        ((Index >> 2) & 1) != 0, ((Index >> 1) & 1) != 0, (Index & 1) != 0, Core,
                        ((Index >> 3) / kBlendOpCount) / 3>;

// Per-call selection shared by all image cores. Returns -1 when nothing is drawn.
struct MemberChoice {
    int index;
    int modeDrawn;  // the mode whose members run (1 at 255 runs 0)
};
int ChooseMember(const MEMIMG* src, const MEMIMG* blendImage, int transFlag, int core, int fmt32);

// Source kind of an image.
inline int SourceKindOf(const MEMIMG* img) {
    return img->PaletteFlag == 1 ? SRC_PALETTE : (img->AlphaFlag == 1 ? SRC_ALPHA : SRC_DIRECT);
}
inline int TexelBytesOf(const MEMIMG* img) {
    if (img->PaletteFlag == 1) return 1;
    return (img->Format == 1 || img->AlphaFlag == 1) ? 4 : 2;
}

// Wrapping arithmetic on 32-bit values (the fixed-point walks rely on it).
ZV_SR_INLINE int32_t WrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
ZV_SR_INLINE int32_t WrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
ZV_SR_INLINE int32_t WrapMul(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }

// Clips r to the draw area and to the target's own size; false when empty.
bool ClipToTarget(MemImgRect* r, const MEMIMG* dest);
// The draw area cut to the target's size.
MemImgRect TargetArea(const MEMIMG* dest);
// Blend image usable with this source: one byte a pixel, covering the source.
bool BlendImageCovers(const MEMIMG* blendImage, const MEMIMG* src);

}  // namespace softrender
