// Colour preparation for the constant-colour cores.
#include "softrender/colour_rules.h"

namespace softrender {

void MakeColourCtx(ColourCtx* ctx, uint32_t c, int fmt32) {
    const int p = MemImgDrawStateData.BlendParam < 0 ? 0 : (MemImgDrawStateData.BlendParam > 255 ? 255 : MemImgDrawStateData.BlendParam);
    const uint32_t* row = MemImgMulTable[p];
    ctx->p = p;
    ctx->diffP = &MemImgDiffTable[p][255];
    if (fmt32) {
        ctx->c = c;
        ctx->S = row[(c >> 16) & 0xFF] << 16 | row[(c >> 8) & 0xFF] << 8 | row[c & 0xFF];
    } else {
        ctx->c = c & 0xFFFF;
        ctx->S = row[(c >> 11) & 31] << 11 | row[(c >> 5) & 63] << 5 | row[c & 31];
    }
}

uint32_t BrightenByShift(uint32_t c, int fmt32) {
    const uint32_t br = MemImgDrawStateData.DrawBright;
    if (IsDrawBrightNone(br)) return c;
    const uint32_t bb = br & 0xFF, bg = (br >> 8) & 0xFF, brr = (br >> 16) & 0xFF;
    if (fmt32) {
        return (c & 0xFF000000u) | ((((c >> 16) & 0xFF) * brr) >> 8) << 16 | ((((c >> 8) & 0xFF) * bg) >> 8) << 8 |
               (((c & 0xFF) * bb) >> 8);
    }
    return ((((c >> 11) & 31) * brr) >> 8) << 11 | ((((c >> 5) & 63) * bg) >> 8) << 5 | (((c & 31) * bb) >> 8);
}

uint32_t BrightenByTable(uint32_t c, int fmt32) {
    const uint32_t br = MemImgDrawStateData.DrawBright;
    const uint32_t* tb = MemImgMulTable[br & 0xFF];
    const uint32_t* tg = MemImgMulTable[(br >> 8) & 0xFF];
    const uint32_t* tr = MemImgMulTable[(br >> 16) & 0xFF];
    if (fmt32) return (c & 0xFF000000u) | tr[(c >> 16) & 0xFF] << 16 | tg[(c >> 8) & 0xFF] << 8 | tb[c & 0xFF];
    return tr[(c >> 11) & 31] << 11 | tg[(c >> 5) & 63] << 5 | tb[c & 31];
}

}  // namespace softrender
