// Span loops: vertex colour, 32-bit destination, direct-colour texture (40 members).
#include "softrender/primitive/prim_spans.h"

namespace {
using namespace primspans;

template <int Mode, int Opts>
struct Col32Rgb {
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

constexpr auto kMembers = MemberTable<Col32Rgb, 8>();
}  // namespace

void PrimSpansCol32Rgb(const PrimSpanJob& j) {
    const int opts = (j.blend ? 4 : 0) | (j.texAlpha ? 2 : 0) | (j.trans ? 1 : 0);
    kMembers[size_t(j.blendMode)][size_t(opts)](j);
}
