// The plain rectangle transfer: a whole source image onto a target at (x, y), every blend mode.
#include "softrender/rect_walk.h"
#include "softrender/softrender.h"

#include <cstdint>

using namespace softrender;

void MemImgDrawGraphBase(MEMIMG* dest, const MEMIMG* src, int x, int y, int transFlag, const MEMIMG* blendImage) {
    if (dest == nullptr || src == nullptr || dest->Pixels == nullptr || src->Pixels == nullptr) return;
    if (src->Format != dest->Format || dest->PaletteFlag == 1 || dest->AlphaFlag == 1) return;
    if (src->Format != 0 && src->Format != 1) return;
    const int fmt32 = src->Format;

    // 64-bit edges: x + width must not wrap.
    const int64_t right = int64_t(x) + src->Width, bottom = int64_t(y) + src->Height;
    if (right > INT32_MAX || bottom > INT32_MAX) return;
    MemImgRect r{x, y, int32_t(right), int32_t(bottom)};
    if (!ClipToTarget(&r, dest)) return;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int ox = r.left - x, oy = r.top - y;

    const int index = ChooseMember(src, blendImage, transFlag, CORE_RECT, fmt32);
    if (index < 0) return;

    RectJob job;
    MakePixelCtx(&job.ctx, src);
    const int texel = TexelBytesOf(src);
    const int destBytes = fmt32 ? 4 : 2;
    job.dst = dest->Pixels + std::ptrdiff_t(r.top) * dest->Pitch + std::ptrdiff_t(r.left) * destBytes;
    job.dstPitch = dest->Pitch;
    job.src = src->Pixels + std::ptrdiff_t(oy) * src->Pitch + std::ptrdiff_t(ox) * texel;
    job.srcPitch = src->Pitch;
    job.blend = blendImage ? blendImage->Pixels + std::ptrdiff_t(oy) * blendImage->Pitch + ox : nullptr;
    job.blendPitch = blendImage ? blendImage->Pitch : 0;
    job.width = w;
    job.height = h;
    job.runs = src->RunData;

    const bool runPath = transFlag == 1 && src->RunDataFlag == 1 && src->RunData != nullptr && w == src->Width &&
                         h == src->Height;
    if (runPath) {
        (fmt32 ? kRunTable32 : kRunTable16)[index](job);
    } else {
        (fmt32 ? kRectTable32 : kRectTable16)[index](job);
    }
}
