// The scanline walk and the per-pixel blend rules shared by the eight fast
// span families (prim_span_families.h).
#pragma once
#include <array>
#include <cstddef>
#include <cstring>
#include <utility>

#include "softrender/pixel_rules.h"
#include "softrender/primitive/prim_internal.h"

namespace primspans {

using softrender::BLEND_ADD;
using softrender::BLEND_ALPHA;
using softrender::BLEND_COPY;
using softrender::BLEND_MUL;
using softrender::BLEND_SUB;
using softrender::Load32;
using softrender::PackedAdd16;
using softrender::PackedAdd32;
using softrender::PackedSub16;
using softrender::PackedSub32;
using softrender::WrapAdd;

// Value at the centre of pixel x0 of the current scanline.
inline int32_t SpanStart(int32_t row, int32_t dx, int x0) {
    return int32_t(uint32_t(row) + uint32_t(x0) * uint32_t(dx) + uint32_t(dx / 2));
}

// A colour interpolant as a byte: truncated toward zero, and held to 0..255
// so that a value just past the end never wraps to the other extreme.
inline uint32_t Channel(int32_t c) {
    int32_t v = c / 16384;
    return uint32_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Depth of a pixel; held to 0..65535 so that z = 1.0 stays farthest.
inline uint32_t Depth16(int32_t z) {
    int32_t d = z >> 8;
    return uint32_t(d < 0 ? 0 : (d > 65535 ? 65535 : d));
}

inline void Store32(unsigned char* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline uint32_t Load16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline void Store16(unsigned char* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// Colour and alpha bytes of the pixel being drawn (vertex-colour families).
struct VertexColour {
    uint32_t b, g, r, a;
};

// The interpolants a walk carries: w, u, v and z always; blue, green and red
// from three colours on, alpha at four.
struct Interpolants {
    int32_t w, u, v, z, r, g, b, a;
};

// The steps of every interpolant along x or along y.
using PrimStepField = int32_t PrimStep::*;

template <int Colours>
inline void Step(Interpolants& i, const PrimSpanJob& j, PrimStepField along) {
    i.w = WrapAdd(i.w, j.w.*along);
    i.u = WrapAdd(i.u, j.u.*along);
    i.v = WrapAdd(i.v, j.v.*along);
    i.z = WrapAdd(i.z, j.z.*along);
    if (Colours >= 3) {
        i.r = WrapAdd(i.r, j.r.*along);
        i.g = WrapAdd(i.g, j.g.*along);
        i.b = WrapAdd(i.b, j.b.*along);
    }
    if (Colours == 4) i.a = WrapAdd(i.a, j.a.*along);
}

// The interpolants at the centre of pixel x0 of the scanline whose values at
// x = 0 are row.
template <int Colours>
inline Interpolants AtPixel(const Interpolants& row, const PrimSpanJob& j, int x0) {
    Interpolants i = {SpanStart(row.w, j.w.dx, x0), SpanStart(row.u, j.u.dx, x0), SpanStart(row.v, j.v.dx, x0),
                      SpanStart(row.z, j.z.dx, x0), 0, 0, 0, 0};
    if (Colours >= 3) {
        i.r = SpanStart(row.r, j.r.dx, x0);
        i.g = SpanStart(row.g, j.g.dx, x0);
        i.b = SpanStart(row.b, j.b.dx, x0);
    }
    if (Colours == 4) i.a = SpanStart(row.a, j.a.dx, x0);
    return i;
}

// Walks the span table. For every pixel that passes the depth test and lands
// inside the texture, calls pixel(dest, col, row, colour). Colours: 0 none,
// 3 blue/green/red, 4 with alpha. Depth: the job has a depth image.
template <int DestBytes, int Colours, bool Depth, class Pixel>
inline void WalkSpansWith(const PrimSpanJob& j, Pixel pixel) {
    Interpolants row = {j.w.row, j.u.row, j.v.row, j.z.row, j.r.row, j.g.row, j.b.row, j.a.row};
    unsigned char* destRow = j.destRow;
    unsigned char* depthRow = j.depthRow;
    const uint32_t texW = uint32_t(j.texWidth), texH = uint32_t(j.texHeight);
    const int depthWrite = j.depthWrite;

    for (int y = 0; y < j.rows; ++y) {
        const PrimSpan e = j.spans[y];
        Interpolants i = AtPixel<Colours>(row, j, e.x);
        if (e.count > 0 && i.w != 0) {
            unsigned char* d = destRow + ptrdiff_t(DestBytes) * e.x;
            unsigned char* zp = Depth ? depthRow + ptrdiff_t(2) * e.x : nullptr;
            for (int n = 0; n < e.count; ++n) {
                do {
                    if (Depth) {
                        const uint32_t z16 = Depth16(i.z);
                        if (Load16(zp) < z16) break;
                        if (depthWrite) Store16(zp, z16);
                    }
                    if (i.w == 0) break;  // would divide by zero
                    const int32_t F = 0x20000000 / i.w;
                    const uint32_t col = (uint32_t(i.u >> 10) * uint32_t(F) * texW) >> 19;
                    const uint32_t texRow = (uint32_t(i.v >> 10) * uint32_t(F) * texH) >> 19;
                    if (col >= texW || texRow >= texH) break;
                    VertexColour c{0, 0, 0, 0};
                    if (Colours >= 3) {
                        c.b = Channel(i.b);
                        c.g = Channel(i.g);
                        c.r = Channel(i.r);
                    }
                    if (Colours == 4) c.a = Channel(i.a);
                    pixel(d, col, texRow, c);
                } while (false);
                Step<Colours>(i, j, &PrimStep::dx);
                d += DestBytes;
                if (Depth) zp += 2;
            }
        }
        Step<Colours>(row, j, &PrimStep::dy);
        destRow += j.destPitch;
        if (Depth) depthRow += j.depthPitch;
    }
}

// The depth test is decided once per job, not at every pixel.
template <int DestBytes, int Colours, class Pixel>
inline void WalkSpans(const PrimSpanJob& j, Pixel pixel) {
    if (j.rows <= 0) return;
    if (j.depthRow)
        WalkSpansWith<DestBytes, Colours, true>(j, pixel);
    else
        WalkSpansWith<DestBytes, Colours, false>(j, pixel);
}

// ---- 32-bit destination, texture only ----------------------------------------
// s: source bytes after brightness; q: product of the n weights (p, blend
// weight, texel alpha as present); whole: the texel word a plain copy stores.
template <int Mode, int N>
inline void CombineTex32(unsigned char* d, const uint32_t s[3], uint32_t q, uint32_t whole, bool white,
                         const PrimSpanJob& j) {
    if (Mode == BLEND_COPY && N == 0) {
        if (white) {
            Store32(d, whole);
        } else {
            d[0] = uint8_t(s[0]);
            d[1] = uint8_t(s[1]);
            d[2] = uint8_t(s[2]);
        }
    } else if (Mode == BLEND_COPY || Mode == BLEND_ALPHA) {
        for (int c = 0; c < 3; ++c)
            d[c] = uint8_t(((uint32_t(d[c]) << (8 * N)) + uint32_t(int32_t(s[c]) - int32_t(d[c])) * q) >> (8 * N));
    } else if (Mode == BLEND_ADD || Mode == BLEND_SUB) {
        uint32_t t[3];
        for (int c = 0; c < 3; ++c) t[c] = N == 1 ? (j.mulP[s[c]] & 0xFF) : uint8_t((s[c] * q) >> (8 * N));
        const uint32_t S = t[0] | t[1] << 8 | t[2] << 16;
        Store32(d, Mode == BLEND_ADD ? PackedAdd32(Load32(d), S) : PackedSub32(Load32(d), S));
    } else {
        for (int c = 0; c < 3; ++c) d[c] = uint8_t((uint32_t(d[c]) * s[c] * q) >> (8 + 8 * N));
    }
}

// ---- 32-bit destination, vertex colour -----------------------------------------
// t: texel bytes, v: vertex colour bytes; q and N as above (alpha a counts).
template <int Mode, int N>
inline void CombineCol32(unsigned char* d, const uint32_t t[3], const uint32_t v[3], uint32_t q) {
    if (Mode == BLEND_COPY || Mode == BLEND_ALPHA) {
        for (int c = 0; c < 3; ++c) {
            const uint32_t s = (t[c] * v[c]) >> 8;
            if (N == 0)
                d[c] = uint8_t(s);
            else
                d[c] = uint8_t(((uint32_t(d[c]) << (8 * N)) + uint32_t(int32_t(s) - int32_t(d[c])) * q) >> (8 * N));
        }
    } else if (Mode == BLEND_ADD || Mode == BLEND_SUB) {
        uint32_t e[3];
        for (int c = 0; c < 3; ++c)
            e[c] = N == 3 ? uint8_t((((t[c] * v[c]) >> 8) * q) >> 24) : uint8_t((t[c] * v[c] * q) >> (8 + 8 * N));
        const uint32_t S = e[0] | e[1] << 8 | e[2] << 16;
        Store32(d, Mode == BLEND_ADD ? PackedAdd32(Load32(d), S) : PackedSub32(Load32(d), S));
    } else {
        for (int c = 0; c < 3; ++c)
            d[c] = N == 2 ? uint8_t((((t[c] * v[c]) >> 8) * q * d[c]) >> 24)
                          : uint8_t((t[c] * v[c] * d[c] * q) >> (16 + 8 * N));
    }
}

// ---- 16-bit destination ---------------------------------------------------------
// Fields in the order red, green, blue; widths 5, 6, 5.
constexpr int kFieldShift[3] = {11, 5, 0};
constexpr uint32_t kFieldMask[3] = {31, 63, 31};
constexpr int kFieldExtra[3] = {0, 1, 0};  // green multiplies one bit more

inline void Fields565(uint32_t w, uint32_t f[3]) {
    f[0] = w >> 11;
    f[1] = (w >> 5) & 63;
    f[2] = w & 31;
}
inline uint32_t Word565(const uint32_t f[3]) { return (f[0] << 11) | (f[1] << 5) | f[2]; }

// Texture only. s: texel fields, t: after brightness, mul: brightness rows
// (red, green, blue; null when white), k: texel alpha or -1 when not a weight,
// bw: blend weight or -1 without a blend image. q/N as above (p in mode 1).
template <int Mode, int N>
inline void CombineTex16(unsigned char* dp, const uint32_t s[3], const uint32_t t[3], const uint32_t* const* mul,
                         int k, int bw, uint32_t q, const PrimSpanJob& j) {
    uint32_t d[3];
    const uint32_t D = Load16(dp);
    Fields565(D, d);
    uint32_t out[3];
    if (Mode == BLEND_COPY && N == 0) {
        Store16(dp, Word565(t));
        return;
    }
    if (Mode == BLEND_COPY || (Mode == BLEND_ALPHA && N > 1)) {
        for (int f = 0; f < 3; ++f)
            out[f] = (((d[f] << (8 * N)) + uint32_t(int32_t(t[f]) - int32_t(d[f])) * q) >> (8 * N)) & kFieldMask[f];
        Store16(dp, Word565(out));
    } else if (Mode == BLEND_ALPHA) {
        for (int f = 0; f < 3; ++f) out[f] = uint32_t(int32_t(d[f]) + j.diffP[int32_t(t[f]) - int32_t(d[f])]) & kFieldMask[f];
        Store16(dp, Word565(out));
    } else if (Mode == BLEND_ADD || Mode == BLEND_SUB) {
        uint32_t e[3];
        for (int f = 0; f < 3; ++f) {
            uint32_t x;
            if (bw < 0) {
                x = s[f];
                if (k >= 0) x = (x * uint32_t(k)) >> 8;
                if (mul) x = mul[f][x];
            } else {
                x = t[f];
                x = k >= 0 ? (x * uint32_t(bw) * uint32_t(k)) >> 16 : (x * uint32_t(bw)) >> 8;
            }
            e[f] = j.mulP[x] & 0xFFFF;
        }
        const uint32_t S = (e[0] << 11) | (e[1] << 5) | e[2];
        Store16(dp, Mode == BLEND_ADD ? PackedAdd16(D, S) : PackedSub16(D, S));
    } else {
        for (int f = 0; f < 3; ++f) out[f] = ((t[f] * d[f] * q) >> (5 + kFieldExtra[f] + 8 * N)) & kFieldMask[f];
        Store16(dp, Word565(out));
    }
}

// Vertex colour. t: texel fields, v: vertex colour bytes (red, green, blue).
template <int Mode, int N>
inline void CombineCol16(unsigned char* dp, const uint32_t t[3], const uint32_t v[3], uint32_t q) {
    uint32_t d[3];
    const uint32_t D = Load16(dp);
    Fields565(D, d);
    uint32_t out[3];
    if (Mode == BLEND_COPY || Mode == BLEND_ALPHA) {
        for (int f = 0; f < 3; ++f) {
            const uint32_t s = (t[f] * v[f]) >> 8;
            out[f] = N == 0 ? s
                            : (((d[f] << (8 * N)) + uint32_t(int32_t(s) - int32_t(d[f])) * q) >> (8 * N));
            out[f] &= kFieldMask[f];
        }
        Store16(dp, Word565(out));
    } else if (Mode == BLEND_ADD || Mode == BLEND_SUB) {
        uint32_t e[3];
        for (int f = 0; f < 3; ++f)
            e[f] = (N == 3 ? (((t[f] * v[f]) >> 8) * q) >> 24 : (t[f] * v[f] * q) >> (8 + 8 * N)) & 0xFFFF;
        const uint32_t S = (e[0] << 11) | (e[1] << 5) | e[2];
        Store16(dp, Mode == BLEND_ADD ? PackedAdd16(D, S) : PackedSub16(D, S));
    } else {
        for (int f = 0; f < 3; ++f)
            out[f] = (N == 2 ? (((t[f] * v[f]) >> 8) * d[f] * q) >> (21 + kFieldExtra[f])
                             : (t[f] * v[f] * d[f] * q) >> (13 + kFieldExtra[f] + 8 * N)) &
                     kFieldMask[f];
        Store16(dp, Word565(out));
    }
}

// A table of member functions indexed by the option bits of a family.
using Member = void (*)(const PrimSpanJob&);
template <template <int, int> class Fam, int Mode, size_t... I>
constexpr std::array<Member, sizeof...(I)> MemberRow(std::index_sequence<I...>) {
    return {{&Fam<Mode, int(I)>::Run...}};
}
template <template <int, int> class Fam, size_t Count>
constexpr std::array<std::array<Member, Count>, 5> MemberTable() {
    using Seq = std::make_index_sequence<Count>;
    return {{MemberRow<Fam, 0>(Seq()), MemberRow<Fam, 1>(Seq()), MemberRow<Fam, 2>(Seq()),
             MemberRow<Fam, 3>(Seq()), MemberRow<Fam, 4>(Seq())}};
}

}  // namespace primspans
