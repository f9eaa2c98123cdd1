// The eight fast span families: which pixels each draws and how it blends
// them. A family is a texture kind (palette or direct colour) drawn on a
// destination format (32-bit or 16-bit 5:6:5), textured only or multiplied
// by the vertex colour. Each family's members are made in a file of their
// own (generated from prim_spans_family.cpp.in), so the build spreads.
#pragma once
#include "softrender/primitive/prim_spans.h"

namespace primspans {

// A texel as the blend rules take it: s its fields, t the fields after the
// draw brightness, word the whole value a colour key compares (and a plain
// 32-bit copy stores).
struct Texel {
    uint32_t s[3], t[3];
    uint32_t word;
};

// 32-bit destination: fields in byte order (blue, green, red).
struct Dest32 {
    static constexpr int kBytes = 4;
    static constexpr size_t kTexelBytes = 4;   // without alpha
    static constexpr int kAlphaByte = 3;
    // Modes 1 to 3 weigh the texel by the blend parameter.
    static constexpr bool UsesParam(int mode) { return mode >= BLEND_ALPHA && mode <= BLEND_SUB; }

    static void FromPalette(const PrimSpanJob& j, uint32_t index, Texel* x) {
        const unsigned char* e = j.palette + index * 4;
        x->s[0] = e[0];
        x->s[1] = e[1];
        x->s[2] = e[2];
        x->word = Load32(e);
    }
    static void FromTexture(const unsigned char* tp, Texel* x) {
        x->s[0] = tp[0];
        x->s[1] = tp[1];
        x->s[2] = tp[2];
        x->word = Load32(tp);
    }
    static void Brighten(const PrimSpanJob& j, Texel* x) {
        x->t[0] = j.mulB[x->s[0]];
        x->t[1] = j.mulG[x->s[1]];
        x->t[2] = j.mulR[x->s[2]];
    }
    static void VertexFields(const VertexColour& c, uint32_t v[3]) {
        v[0] = c.b;
        v[1] = c.g;
        v[2] = c.r;
    }
    template <int Mode, int N, bool Dark>
    static void Textured(unsigned char* d, const Texel& x, int, int, uint32_t q, const PrimSpanJob& j) {
        CombineTex32<Mode, N>(d, x.t, q, x.word, !Dark, j);
    }
    template <int Mode, int N>
    static void Coloured(unsigned char* d, const Texel& x, const uint32_t v[3], uint32_t q) {
        CombineCol32<Mode, N>(d, x.s, v, q);
    }
};

// 16-bit 5:6:5 destination: fields red, green, blue.
struct Dest16 {
    static constexpr int kBytes = 2;
    static constexpr size_t kTexelBytes = 2;
    static constexpr int kAlphaByte = 2;
    // Only mode 1 weighs by the parameter; adding and subtracting take it
    // through the parameter table.
    static constexpr bool UsesParam(int mode) { return mode == BLEND_ALPHA; }

    static void FromPalette(const PrimSpanJob& j, uint32_t index, Texel* x) {
        x->word = Load16(j.palette + index * 2);
        Fields565(x->word, x->s);
    }
    static void FromTexture(const unsigned char* tp, Texel* x) {
        x->word = Load16(tp);
        Fields565(x->word, x->s);
    }
    static void Brighten(const PrimSpanJob& j, Texel* x) {
        const uint32_t* const rows[3] = {j.mulR, j.mulG, j.mulB};
        for (int f = 0; f < 3; ++f) x->t[f] = rows[f][x->s[f]];
    }
    static void VertexFields(const VertexColour& c, uint32_t v[3]) {
        v[0] = c.r;
        v[1] = c.g;
        v[2] = c.b;
    }
    template <int Mode, int N, bool Dark>
    static void Textured(unsigned char* d, const Texel& x, int k, int bw, uint32_t q, const PrimSpanJob& j) {
        const uint32_t* const rows[3] = {j.mulR, j.mulG, j.mulB};
        CombineTex16<Mode, N>(d, x.s, x.t, Dark ? rows : nullptr, k, bw, q, j);
    }
    template <int Mode, int N>
    static void Coloured(unsigned char* d, const Texel& x, const uint32_t v[3], uint32_t q) {
        CombineCol16<Mode, N>(d, x.s, v, q);
    }
};

// Reads the texel at (col, row) and decides whether it shows: false for a
// keyed or fully transparent texel. *k is the texel alpha as a weight, -1
// when it is none (no alpha, or an opaque texel with transparency on).
template <class Dest, bool Palette, bool Alpha, bool Trans, int Mode>
inline bool FetchTexel(const PrimSpanJob& j, uint32_t col, uint32_t row, Texel* x, int* k) {
    *k = -1;
    if (Palette) {
        const uint32_t index = j.tex[size_t(row) * size_t(j.texPitch) + col];
        if (Trans && index == j.colorKey) return false;
        Dest::FromPalette(j, index, x);
        return true;
    }
    const size_t bytes = Alpha ? 4 : Dest::kTexelBytes;
    const unsigned char* tp = j.tex + size_t(row) * size_t(j.texPitch) + size_t(col) * bytes;
    Dest::FromTexture(tp, x);
    if (!Alpha) return !(Trans && x->word == j.colorKey);
    const int alpha = tp[Dest::kAlphaByte];
    if (Trans && Mode != BLEND_MUL && alpha == 0) return false;
    // With transparency on, an opaque texel's alpha drops out.
    if (!(Trans && alpha == 255)) *k = alpha;
    return true;
}

// Option bits from high to low: blend image, brightness (textured only),
// texel alpha (direct colour only), transparency.
template <class Dest, bool Palette, bool Coloured, int Mode, int Opts>
struct SpanFamily {
    static constexpr bool kTakesBright = !Coloured, kTakesAlpha = !Palette;
    static constexpr int kOptionBits = 2 + (kTakesBright ? 1 : 0) + (kTakesAlpha ? 1 : 0);
    static constexpr bool kBlend = (Opts >> (kOptionBits - 1) & 1) != 0;
    static constexpr bool kDark = kTakesBright && (Opts >> (kTakesAlpha ? 2 : 1) & 1) != 0;
    static constexpr bool kAlpha = kTakesAlpha && (Opts & 2) != 0;
    static constexpr bool kTrans = (Opts & 1) != 0;
    // Textured members weigh by the parameter; coloured ones by the vertex
    // alpha in modes 1 to 3.
    static constexpr bool kWeighs = Coloured ? Mode >= BLEND_ALPHA && Mode <= BLEND_SUB : Dest::UsesParam(Mode);
    static constexpr int kN = (kWeighs ? 1 : 0) + (kBlend ? 1 : 0);

    static void Run(const PrimSpanJob& j) {
        const uint32_t p = !Coloured && kWeighs ? uint32_t(j.blendParam) : 1u;
        constexpr int kColours = Coloured ? (kWeighs ? 4 : 3) : 0;
        WalkSpans<Dest::kBytes, kColours>(j, [&](unsigned char* d, uint32_t col, uint32_t row,
                                                 const VertexColour& c) {
            uint32_t q = Coloured && kWeighs ? c.a : p;
            int bw = -1;
            if (kBlend) {
                bw = int(j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]]);
                q *= uint32_t(bw);
            }
            Texel x;
            int k;
            if (!FetchTexel<Dest, Palette, kAlpha, kTrans, Mode>(j, col, row, &x, &k)) return;
            if (Coloured) {
                uint32_t v[3];
                Dest::VertexFields(c, v);
                if (k < 0) Dest::template Coloured<Mode, kN>(d, x, v, q);
                else Dest::template Coloured<Mode, kN + 1>(d, x, v, q * uint32_t(k));
                return;
            }
            if (kDark) Dest::Brighten(j, &x);
            else std::memcpy(x.t, x.s, sizeof x.t);
            if (k < 0) Dest::template Textured<Mode, kN, kDark>(d, x, -1, bw, q, j);
            else Dest::template Textured<Mode, kN + 1, kDark>(d, x, k, bw, q * uint32_t(k), j);
        });
    }
};

template <int M, int O> using Tex32Pal = SpanFamily<Dest32, true, false, M, O>;
template <int M, int O> using Tex32Rgb = SpanFamily<Dest32, false, false, M, O>;
template <int M, int O> using Tex16Pal = SpanFamily<Dest16, true, false, M, O>;
template <int M, int O> using Tex16Rgb = SpanFamily<Dest16, false, false, M, O>;
template <int M, int O> using Col32Pal = SpanFamily<Dest32, true, true, M, O>;
template <int M, int O> using Col32Rgb = SpanFamily<Dest32, false, true, M, O>;
template <int M, int O> using Col16Pal = SpanFamily<Dest16, true, true, M, O>;
template <int M, int O> using Col16Rgb = SpanFamily<Dest16, false, true, M, O>;

// Picks the family member for the job's blend mode and options and runs it.
// Textured families skip what draws nothing: parameter 0 in the weighing
// and adding modes, and treat parameter 255 in mode 1 as a plain copy.
template <template <int, int> class Family>
inline void RunFamily(const PrimSpanJob& j) {
    using F = Family<0, 0>;
    static constexpr auto kMembers = MemberTable<Family, size_t(1) << F::kOptionBits>();
    int mode = j.blendMode;
    if (F::kTakesBright) {
        if (mode == BLEND_ALPHA && j.blendParam == 255) mode = BLEND_COPY;
        const int lastSilent = F::kTakesAlpha ? 3 : 2;
        if (mode >= BLEND_ALPHA && mode <= lastSilent && j.blendParam == 0) return;
    }
    int opts = j.blend ? 1 : 0;
    if (F::kTakesBright) opts = opts << 1 | (IsDrawBrightNone(j.bright) ? 0 : 1);
    if (F::kTakesAlpha) opts = opts << 1 | (j.texAlpha ? 1 : 0);
    opts = opts << 1 | (j.trans ? 1 : 0);
    kMembers[size_t(mode)][size_t(opts)](j);
}

}  // namespace primspans
