// Span loops: texture only, 16-bit 5:6:5 destination, palette texture (40 members).
#include "softrender/primitive/prim_spans.h"

namespace {
using namespace primspans;

template <int Mode, int Opts>
struct Tex16Pal {
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

constexpr auto kMembers = MemberTable<Tex16Pal, 8>();
}  // namespace

void PrimSpansTex16Pal(const PrimSpanJob& j) {
    int mode = j.blendMode;
    if (mode == 1 && j.blendParam == 255) mode = 0;
    if ((mode == 1 || mode == 2) && j.blendParam == 0) return;
    const int opts = (j.blend ? 4 : 0) | (IsDrawBrightNone(j.bright) ? 0 : 2) | (j.trans ? 1 : 0);
    kMembers[size_t(mode)][size_t(opts)](j);
}
