// The eight fast span families: which pixels each draws and how it blends
// them. Each family's members are made in a file of their own (generated
// from prim_spans_family.cpp.in), so the build spreads over several files.
#pragma once
#include "softrender/primitive/prim_spans.h"

namespace primspans {
// Texture only, 32-bit destination, palette texture (40 members).
template <int Mode, int Opts>
struct Tex32Pal {
    // Option bits: blend image, brightness, transparency.
    static constexpr bool kTakesBright = true, kTakesAlpha = false;
    // Blend parameter 0 draws nothing in modes 1 to 2.
    static constexpr int kLastSilentMode = 2;
    static constexpr bool kBlend = (Opts & 4) != 0, kDark = (Opts & 2) != 0, kTrans = (Opts & 1) != 0;
    static constexpr bool kUsesParam = Mode >= 1 && Mode <= 3;
    static constexpr int kN = (kUsesParam ? 1 : 0) + (kBlend ? 1 : 0);

    static void Run(const PrimSpanJob& j) {
        const uint32_t p = kUsesParam ? uint32_t(j.blendParam) : 1u;
        WalkSpans<4, 0>(j, [&](unsigned char* d, uint32_t col, uint32_t row, const VertexColour&) {
            const uint32_t index = j.tex[size_t(row) * size_t(j.texPitch) + col];
            uint32_t w = 1;
            if (kBlend) w = j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]];
            if (kTrans && index == j.colorKey) return;
            const unsigned char* e = j.palette + index * 4;
            uint32_t s[3] = {e[0], e[1], e[2]};
            if (kDark) {
                s[0] = j.mulB[s[0]];
                s[1] = j.mulG[s[1]];
                s[2] = j.mulR[s[2]];
            }
            CombineTex32<Mode, kN>(d, s, p * w, Load32(e), !kDark, j);
        });
    }
};

// Texture only, 32-bit destination, direct-colour texture (80 members).
template <int Mode, int Opts>
struct Tex32Rgb {
    // Option bits: blend image, brightness, texel alpha, transparency.
    static constexpr bool kTakesBright = true, kTakesAlpha = true;
    // Blend parameter 0 draws nothing in modes 1 to 3.
    static constexpr int kLastSilentMode = 3;
    static constexpr bool kBlend = (Opts & 8) != 0, kDark = (Opts & 4) != 0;
    static constexpr bool kAlpha = (Opts & 2) != 0, kTrans = (Opts & 1) != 0;
    static constexpr bool kUsesParam = Mode >= 1 && Mode <= 3;
    static constexpr int kN = (kUsesParam ? 1 : 0) + (kBlend ? 1 : 0);

    static void Run(const PrimSpanJob& j) {
        const uint32_t p = kUsesParam ? uint32_t(j.blendParam) : 1u;
        WalkSpans<4, 0>(j, [&](unsigned char* d, uint32_t col, uint32_t row, const VertexColour&) {
            const unsigned char* tp = j.tex + size_t(row) * size_t(j.texPitch) + size_t(col) * 4;
            const uint32_t texel = Load32(tp);
            uint32_t q = p;
            if (kBlend) q *= j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]];
            uint32_t s[3] = {tp[0], tp[1], tp[2]};
            if (kDark) {
                s[0] = j.mulB[s[0]];
                s[1] = j.mulG[s[1]];
                s[2] = j.mulR[s[2]];
            }
            if (kAlpha) {
                const uint32_t k = tp[3];
                if (kTrans) {
                    if (Mode != 4 && k == 0) return;
                    if (k == 255) {  // opaque texel: alpha drops out
                        CombineTex32<Mode, kN>(d, s, q, texel, !kDark, j);
                        return;
                    }
                }
                CombineTex32<Mode, kN + 1>(d, s, q * k, texel, !kDark, j);
            } else {
                if (kTrans && texel == j.colorKey) return;
                CombineTex32<Mode, kN>(d, s, q, texel, !kDark, j);
            }
        });
    }
};

// Texture only, 16-bit 5:6:5 destination, palette texture (40 members).
template <int Mode, int Opts>
struct Tex16Pal {
    // Option bits: blend image, brightness, transparency.
    static constexpr bool kTakesBright = true, kTakesAlpha = false;
    // Blend parameter 0 draws nothing in modes 1 to 2.
    static constexpr int kLastSilentMode = 2;
    static constexpr bool kBlend = (Opts & 4) != 0, kDark = (Opts & 2) != 0, kTrans = (Opts & 1) != 0;
    // Weights of the shifted forms: the blend weight, and p in mode 1.
    static constexpr int kN = (Mode == 1 ? 1 : 0) + (kBlend ? 1 : 0);

    static void Run(const PrimSpanJob& j) {
        const uint32_t p = Mode == 1 ? uint32_t(j.blendParam) : 1u;
        const uint32_t* const rows[3] = {j.mulR, j.mulG, j.mulB};
        WalkSpans<2, 0>(j, [&](unsigned char* d, uint32_t col, uint32_t row, const VertexColour&) {
            const uint32_t index = j.tex[size_t(row) * size_t(j.texPitch) + col];
            int bw = -1;
            if (kBlend) bw = j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]];
            if (kTrans && index == j.colorKey) return;
            uint32_t s[3], t[3];
            Fields565(Load16(j.palette + index * 2), s);
            for (int f = 0; f < 3; ++f) t[f] = kDark ? rows[f][s[f]] : s[f];
            const uint32_t q = p * (kBlend ? uint32_t(bw) : 1u);
            CombineTex16<Mode, kN>(d, s, t, kDark ? rows : nullptr, -1, bw, q, j);
        });
    }
};

// Texture only, 16-bit 5:6:5 destination, direct-colour texture (80 members).
template <int Mode, int Opts>
struct Tex16Rgb {
    // Option bits: blend image, brightness, texel alpha, transparency.
    static constexpr bool kTakesBright = true, kTakesAlpha = true;
    // Blend parameter 0 draws nothing in modes 1 to 3.
    static constexpr int kLastSilentMode = 3;
    static constexpr bool kBlend = (Opts & 8) != 0, kDark = (Opts & 4) != 0;
    static constexpr bool kAlpha = (Opts & 2) != 0, kTrans = (Opts & 1) != 0;
    static constexpr int kN = (Mode == 1 ? 1 : 0) + (kBlend ? 1 : 0);
    static constexpr size_t kTexelBytes = kAlpha ? 4 : 2;

    static void Run(const PrimSpanJob& j) {
        const uint32_t p = Mode == 1 ? uint32_t(j.blendParam) : 1u;
        const uint32_t* const rows[3] = {j.mulR, j.mulG, j.mulB};
        const uint32_t* const* mul = kDark ? rows : nullptr;
        WalkSpans<2, 0>(j, [&](unsigned char* d, uint32_t col, uint32_t row, const VertexColour&) {
            const unsigned char* tp = j.tex + size_t(row) * size_t(j.texPitch) + size_t(col) * kTexelBytes;
            const uint32_t colour = Load16(tp);
            int bw = -1;
            if (kBlend) bw = j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]];
            uint32_t s[3], t[3];
            Fields565(colour, s);
            for (int f = 0; f < 3; ++f) t[f] = kDark ? rows[f][s[f]] : s[f];
            const uint32_t q = p * (kBlend ? uint32_t(bw) : 1u);
            if (kAlpha) {
                const uint32_t k = tp[2];
                if (kTrans) {
                    if (Mode != 4 && k == 0) return;
                    if (k == 255) {  // opaque texel: alpha drops out
                        CombineTex16<Mode, kN>(d, s, t, mul, -1, bw, q, j);
                        return;
                    }
                }
                CombineTex16<Mode, kN + 1>(d, s, t, mul, int(k), bw, q * k, j);
            } else {
                if (kTrans && colour == j.colorKey) return;
                CombineTex16<Mode, kN>(d, s, t, mul, -1, bw, q, j);
            }
        });
    }
};

// Vertex colour, 32-bit destination, palette texture (20 members).
template <int Mode, int Opts>
struct Col32Pal {
    // Option bits: blend image, transparency.
    static constexpr bool kTakesBright = false, kTakesAlpha = false;
    static constexpr int kLastSilentMode = 0;
    static constexpr bool kBlend = (Opts & 2) != 0, kTrans = (Opts & 1) != 0;
    static constexpr bool kUsesAlpha = Mode >= 1 && Mode <= 3;
    static constexpr int kN = (kUsesAlpha ? 1 : 0) + (kBlend ? 1 : 0);

    static void Run(const PrimSpanJob& j) {
        WalkSpans<4, kUsesAlpha ? 4 : 3>(j, [&](unsigned char* d, uint32_t col, uint32_t row, const VertexColour& c) {
            const uint32_t index = j.tex[size_t(row) * size_t(j.texPitch) + col];
            uint32_t q = kUsesAlpha ? c.a : 1u;
            if (kBlend) q *= j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]];
            if (kTrans && index == j.colorKey) return;
            const unsigned char* e = j.palette + index * 4;
            const uint32_t t[3] = {e[0], e[1], e[2]};
            const uint32_t v[3] = {c.b, c.g, c.r};
            CombineCol32<Mode, kN>(d, t, v, q);
        });
    }
};

// Vertex colour, 32-bit destination, direct-colour texture (40 members).
template <int Mode, int Opts>
struct Col32Rgb {
    // Option bits: blend image, texel alpha, transparency.
    static constexpr bool kTakesBright = false, kTakesAlpha = true;
    static constexpr int kLastSilentMode = 0;
    static constexpr bool kBlend = (Opts & 4) != 0, kAlpha = (Opts & 2) != 0, kTrans = (Opts & 1) != 0;
    static constexpr bool kUsesAlpha = Mode >= 1 && Mode <= 3;
    static constexpr int kN = (kUsesAlpha ? 1 : 0) + (kBlend ? 1 : 0);

    static void Run(const PrimSpanJob& j) {
        WalkSpans<4, kUsesAlpha ? 4 : 3>(j, [&](unsigned char* d, uint32_t col, uint32_t row, const VertexColour& c) {
            const unsigned char* tp = j.tex + size_t(row) * size_t(j.texPitch) + size_t(col) * 4;
            uint32_t q = kUsesAlpha ? c.a : 1u;
            if (kBlend) q *= j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]];
            const uint32_t t[3] = {tp[0], tp[1], tp[2]};
            const uint32_t v[3] = {c.b, c.g, c.r};
            if (kAlpha) {
                const uint32_t k = tp[3];
                if (kTrans) {
                    if (Mode != 4 && k == 0) return;
                    if (k == 255) {  // opaque texel: alpha drops out
                        CombineCol32<Mode, kN>(d, t, v, q);
                        return;
                    }
                }
                CombineCol32<Mode, kN + 1>(d, t, v, q * k);
            } else {
                if (kTrans && Load32(tp) == j.colorKey) return;
                CombineCol32<Mode, kN>(d, t, v, q);
            }
        });
    }
};

// Vertex colour, 16-bit 5:6:5 destination, palette texture (20 members).
template <int Mode, int Opts>
struct Col16Pal {
    // Option bits: blend image, transparency.
    static constexpr bool kTakesBright = false, kTakesAlpha = false;
    static constexpr int kLastSilentMode = 0;
    static constexpr bool kBlend = (Opts & 2) != 0, kTrans = (Opts & 1) != 0;
    static constexpr bool kUsesAlpha = Mode >= 1 && Mode <= 3;
    static constexpr int kN = (kUsesAlpha ? 1 : 0) + (kBlend ? 1 : 0);

    static void Run(const PrimSpanJob& j) {
        WalkSpans<2, kUsesAlpha ? 4 : 3>(j, [&](unsigned char* d, uint32_t col, uint32_t row, const VertexColour& c) {
            const uint32_t index = j.tex[size_t(row) * size_t(j.texPitch) + col];
            uint32_t q = kUsesAlpha ? c.a : 1u;
            if (kBlend) q *= j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]];
            if (kTrans && index == j.colorKey) return;
            uint32_t t[3];
            Fields565(Load16(j.palette + index * 2), t);
            const uint32_t v[3] = {c.r, c.g, c.b};
            CombineCol16<Mode, kN>(d, t, v, q);
        });
    }
};

// Vertex colour, 16-bit 5:6:5 destination, direct-colour texture (40 members).
template <int Mode, int Opts>
struct Col16Rgb {
    // Option bits: blend image, texel alpha, transparency.
    static constexpr bool kTakesBright = false, kTakesAlpha = true;
    static constexpr int kLastSilentMode = 0;
    static constexpr bool kBlend = (Opts & 4) != 0, kAlpha = (Opts & 2) != 0, kTrans = (Opts & 1) != 0;
    static constexpr bool kUsesAlpha = Mode >= 1 && Mode <= 3;
    static constexpr int kN = (kUsesAlpha ? 1 : 0) + (kBlend ? 1 : 0);
    static constexpr size_t kTexelBytes = kAlpha ? 4 : 2;

    static void Run(const PrimSpanJob& j) {
        WalkSpans<2, kUsesAlpha ? 4 : 3>(j, [&](unsigned char* d, uint32_t col, uint32_t row, const VertexColour& c) {
            const unsigned char* tp = j.tex + size_t(row) * size_t(j.texPitch) + size_t(col) * kTexelBytes;
            const uint32_t colour = Load16(tp);
            uint32_t q = kUsesAlpha ? c.a : 1u;
            if (kBlend) q *= j.weight[j.blend[size_t(row) * size_t(j.blendPitch) + col]];
            uint32_t t[3];
            Fields565(colour, t);
            const uint32_t v[3] = {c.r, c.g, c.b};
            if (kAlpha) {
                const uint32_t k = tp[2];
                if (kTrans) {
                    if (Mode != 4 && k == 0) return;
                    if (k == 255) {  // opaque texel: alpha drops out
                        CombineCol16<Mode, kN>(d, t, v, q);
                        return;
                    }
                }
                CombineCol16<Mode, kN + 1>(d, t, v, q * k);
            } else {
                if (kTrans && colour == j.colorKey) return;
                CombineCol16<Mode, kN>(d, t, v, q);
            }
        });
    }
};

// Option bits from high to low: blend image, brightness, texel alpha (the
// last two where the family takes them), transparency.
template <bool Bright, bool Alpha>
inline int OptionBits(const PrimSpanJob& j) {
    int o = j.blend ? 1 : 0;
    if (Bright) o = o << 1 | (IsDrawBrightNone(j.bright) ? 0 : 1);
    if (Alpha) o = o << 1 | (j.texAlpha ? 1 : 0);
    return o << 1 | (j.trans ? 1 : 0);
}

// Picks the family member for the job's blend mode and options and runs it.
template <template <int, int> class Family>
inline void RunFamily(const PrimSpanJob& j) {
    using F = Family<0, 0>;
    constexpr size_t kCount = size_t(1) << (2 + (F::kTakesBright ? 1 : 0) + (F::kTakesAlpha ? 1 : 0));
    static constexpr auto kMembers = MemberTable<Family, kCount>();
    int mode = j.blendMode;
    if (F::kLastSilentMode > 0) {
        if (mode == 1 && j.blendParam == 255) mode = 0;
        if (mode >= 1 && mode <= F::kLastSilentMode && j.blendParam == 0) return;
    }
    kMembers[size_t(mode)][size_t(OptionBits<F::kTakesBright, F::kTakesAlpha>(j))](j);
}

}  // namespace primspans
