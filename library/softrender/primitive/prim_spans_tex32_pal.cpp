// Span loops: texture only, 32-bit destination, palette texture (40 members).
#include "softrender/primitive/prim_spans.h"

namespace {
using namespace primspans;

template <int Mode, int Opts>
struct Tex32Pal {
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

constexpr auto kMembers = MemberTable<Tex32Pal, 8>();
}  // namespace

void PrimSpansTex32Pal(const PrimSpanJob& j) {
    int mode = j.blendMode;
    if (mode == 1 && j.blendParam == 255) mode = 0;
    if ((mode == 1 || mode == 2) && j.blendParam == 0) return;
    const int opts = (j.blend ? 4 : 0) | (IsDrawBrightNone(j.bright) ? 0 : 2) | (j.trans ? 1 : 0);
    kMembers[size_t(mode)][size_t(opts)](j);
}
