// Span loops: vertex colour, 16-bit 5:6:5 destination, direct-colour texture (40 members).
#include "softrender/primitive/prim_spans.h"

namespace {
using namespace primspans;

template <int Mode, int Opts>
struct Col16Rgb {
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

constexpr auto kMembers = MemberTable<Col16Rgb, 8>();
}  // namespace

void PrimSpansCol16Rgb(const PrimSpanJob& j) {
    const int opts = (j.blend ? 4 : 0) | (j.texAlpha ? 2 : 0) | (j.trans ? 1 : 0);
    kMembers[size_t(j.blendMode)][size_t(opts)](j);
}
