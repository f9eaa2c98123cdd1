// Span loops: vertex colour, 16-bit 5:6:5 destination, palette texture (20 members).
#include "softrender/primitive/prim_spans.h"

namespace {
using namespace primspans;

template <int Mode, int Opts>
struct Col16Pal {
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

constexpr auto kMembers = MemberTable<Col16Pal, 4>();
}  // namespace

void PrimSpansCol16Pal(const PrimSpanJob& j) {
    const int opts = (j.blend ? 2 : 0) | (j.trans ? 1 : 0);
    kMembers[size_t(j.blendMode)][size_t(opts)](j);
}
