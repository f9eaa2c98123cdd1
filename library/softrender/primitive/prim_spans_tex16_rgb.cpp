// Span loops: texture only, 16-bit 5:6:5 destination, direct-colour texture (80 members).
#include "softrender/primitive/prim_spans.h"

namespace {
using namespace primspans;

template <int Mode, int Opts>
struct Tex16Rgb {
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

constexpr auto kMembers = MemberTable<Tex16Rgb, 16>();
}  // namespace

void PrimSpansTex16Rgb(const PrimSpanJob& j) {
    int mode = j.blendMode;
    if (mode == 1 && j.blendParam == 255) mode = 0;
    if (mode >= 1 && mode <= 3 && j.blendParam == 0) return;
    const int opts =
        (j.blend ? 8 : 0) | (IsDrawBrightNone(j.bright) ? 0 : 4) | (j.texAlpha ? 2 : 0) | (j.trans ? 1 : 0);
    kMembers[size_t(mode)][size_t(opts)](j);
}
