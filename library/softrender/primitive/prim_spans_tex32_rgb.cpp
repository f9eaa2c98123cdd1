// Span loops: texture only, 32-bit destination, direct-colour texture (80 members).
#include "softrender/primitive/prim_spans.h"

namespace {
using namespace primspans;

template <int Mode, int Opts>
struct Tex32Rgb {
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

constexpr auto kMembers = MemberTable<Tex32Rgb, 16>();
}  // namespace

void PrimSpansTex32Rgb(const PrimSpanJob& j) {
    int mode = j.blendMode;
    if (mode == 1 && j.blendParam == 255) mode = 0;
    if (mode >= 1 && mode <= 3 && j.blendParam == 0) return;
    const int opts =
        (j.blend ? 8 : 0) | (IsDrawBrightNone(j.bright) ? 0 : 4) | (j.texAlpha ? 2 : 0) | (j.trans ? 1 : 0);
    kMembers[size_t(mode)][size_t(opts)](j);
}
