// Per-call choices shared by the image cores: clipping to the target, table rows, member choice.
#include "softrender/pixel_rules.h"

namespace softrender {

namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

MemImgRect TargetArea(const MEMIMG* dest) {
    MemImgRect a = MemImgDrawStateData.DrawArea;
    // The cores must never write outside the target, whatever the draw area says.
    if (a.left < 0) a.left = 0;
    if (a.top < 0) a.top = 0;
    if (a.right > dest->Width) a.right = dest->Width;
    if (a.bottom > dest->Height) a.bottom = dest->Height;
    if (a.right < a.left) a.right = a.left;
    if (a.bottom < a.top) a.bottom = a.top;
    return a;
}

bool ClipToTarget(MemImgRect* r, const MEMIMG* dest) {
    const MemImgRect a = TargetArea(dest);
    if (r->right < r->left) r->right = r->left;
    if (r->bottom < r->top) r->bottom = r->top;
    r->top = Clamp(r->top, a.top, a.bottom);
    r->bottom = Clamp(r->bottom, a.top, a.bottom);
    r->left = Clamp(r->left, a.left, a.right);
    r->right = Clamp(r->right, a.left, a.right);
    return r->right > r->left && r->bottom > r->top;
}

bool BlendImageCovers(const MEMIMG* blendImage, const MEMIMG* src) {
    return blendImage->Pixels != nullptr && blendImage->Width >= src->Width &&
           blendImage->Height >= src->Height && blendImage->Pitch >= src->Width;
}

void MakePixelCtx(PixelCtx* ctx, const MEMIMG* src) {
    const MemImgDrawState& st = MemImgDrawStateData;
    const int p = Clamp(st.BlendParam, 0, 255);
    ctx->p = p;
    ctx->mulP = MemImgMulTable[p];
    ctx->mulB = MemImgMulTable[st.DrawBright & 0xFF];
    ctx->mulG = MemImgMulTable[(st.DrawBright >> 8) & 0xFF];
    ctx->mulR = MemImgMulTable[(st.DrawBright >> 16) & 0xFF];
    ctx->diffP = &MemImgDiffTable[p][255];
    ctx->blend16 = MemImgBlend16Table[p / 4];
    ctx->weight = BlendGraphWeightTable;
    ctx->palette = src ? src->PalettePtr : nullptr;
    ctx->key = src ? src->ColorKey : 0;
}

int ChooseMember(const MEMIMG* src, const MEMIMG* blendImage, int transFlag, int core, int fmt32) {
    const MemImgDrawState& st = MemImgDrawStateData;
    const unsigned mode0 = unsigned(st.BlendMode);
    if (mode0 > BLEND_MUL) return -1;
    int mode = int(mode0);
    const int p = Clamp(st.BlendParam, 0, 255);
    const int src3 = SourceKindOf(src);
    if (src3 == SRC_PALETTE && src->PalettePtr == nullptr) return -1;
    if (mode == BLEND_ALPHA && p == 255) mode = BLEND_COPY;
    if (mode == BLEND_ALPHA && p == 0) return -1;
    if (mode == BLEND_ADD && p == 0) return -1;
    if (mode == BLEND_SUB && p == 0 && src3 != SRC_PALETTE) return -1;
    const bool bi = blendImage != nullptr;
    if (bi && !BlendImageCovers(blendImage, src)) return -1;
    const bool br = !IsDrawBrightNone(st.DrawBright);
    const bool tr = transFlag != 0;
    int fast = FAST_NONE;
    if (core == CORE_RECT && src3 != SRC_ALPHA && !bi && !br) {
        if (fmt32) {
            if (mode == BLEND_ALPHA && p == 128) fast = FAST_HALF;
            if (mode == BLEND_ADD && p == 255) fast = FAST_FULL_PARAM;
        } else {
            if (mode == BLEND_ALPHA) fast = p == 128 ? FAST_HALF : FAST_TABLE64;
            if ((mode == BLEND_ADD || mode == BLEND_SUB) && p == 255) fast = FAST_FULL_PARAM;
        }
    }
    return MemberIndex(fast, src3, mode, bi, br, tr);
}

}  // namespace softrender
