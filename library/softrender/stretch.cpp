// The stretched transfer: a whole source into a destination rectangle, scaled and mirrored per axis.
#include <cstdint>
#include <vector>

#include "softrender/softrender.h"
#include "softrender/stretch_walk.h"

using namespace softrender;

namespace {

// What a column map and plan were made for.
struct ColumnShape {
    int64_t stepX, cx0;
    int32_t srcStep, width, rowLow, rowHigh, level;
    bool operator==(const ColumnShape& o) const {
        return stepX == o.stepX && cx0 == o.cx0 && srcStep == o.srcStep && width == o.width && rowLow == o.rowLow &&
               rowHigh == o.rowHigh && level == o.level;
    }
};

// The column map (the counter walk run once instead of once per row), the wide forms' plan
// and widened row. Calls of the last call's shape (sprites of one size at one scale) reuse them.
struct StretchState {
    std::vector<int32_t> columns, plan;
    std::vector<uint32_t> rowTexels;
    ColumnShape made{};  // width 0: nothing made yet
};
StretchState stretchState;

// Grows a buffer to at least n elements; it never shrinks, so calls of varied widths do not
// clear it again and again.
template <class T>
void Reserve(std::vector<T>* v, size_t n) {
    if (v->size() < n) v->resize(n);
}

void MakeColumns(const ColumnShape& shape) {
    StretchState& st = stretchState;
    const size_t width = size_t(shape.width);
    Reserve(&st.columns, width);
    int32_t column = 0;
    int64_t cx = shape.cx0;
    for (size_t x = 0; x < width; ++x) {
        st.columns[x] = column * shape.srcStep;
        cx -= 65536;
        while (cx <= 0) {
            cx += shape.stepX;
            ++column;
        }
    }
    Reserve(&st.plan, StretchPlanWords(shape.width));
    Reserve(&st.rowTexels, width);
    const WideRows& wide = kWideRows[shape.level];
    // Only 32-bit texels have wide forms.
    if (wide.stretchPlan && (shape.srcStep == 4 || shape.srcStep == -4))
        wide.stretchPlan(StretchRow{nullptr, st.columns.data(), shape.width, shape.rowLow, shape.rowHigh},
                         st.plan.data());
    st.made = shape;
}

}  // namespace

void MemImgDrawExtendGraphBase(MEMIMG* dest, const MEMIMG* src, const int32_t* corners, int transFlag,
                               const MEMIMG* blendImage) {
    if (dest == nullptr || src == nullptr || corners == nullptr || dest->Pixels == nullptr || src->Pixels == nullptr)
        return;
    int64_t x1 = corners[0], y1 = corners[1], x2 = corners[2], y2 = corners[3];
    bool mirrorX = false, mirrorY = false;
    if (x1 > x2) {
        const int64_t t = x1;
        x1 = x2;
        x2 = t;
        mirrorX = true;
    }
    if (y1 > y2) {
        const int64_t t = y1;
        y1 = y2;
        y2 = t;
        mirrorY = true;
    }
    const int64_t W = x2 - x1, H = y2 - y1;
    if (W == 0 || H == 0) return;
    if (W == src->Width && H == src->Height && !mirrorX && !mirrorY) {
        MemImgDrawGraphBase(dest, src, int(x1), int(y1), transFlag, blendImage);
        return;
    }
    // A 32-bit source must never be written into a 16-bit target (or back).
    if (src->Format != dest->Format || dest->PaletteFlag == 1 || dest->AlphaFlag == 1) return;
    if (src->Format != 0 && src->Format != 1) return;
    if (src->Width <= 0 || src->Height <= 0 || src->Width > 65535 || src->Height > 65535) return;

    // Set up in 64 bits: extents and clip offsets of any size divide safely.
    const int64_t stepX = (W << 16) / src->Width;
    const int64_t stepY = (H << 16) / src->Height;
    if (stepX <= 0 || stepY <= 0) return;

    // The corners are 32-bit, so after the swaps the rectangle is too.
    MemImgRect clip{int32_t(x1), int32_t(y1), int32_t(x2), int32_t(y2)};
    if (!ClipToTarget(&clip, dest)) return;
    const int64_t cl = clip.left, cr = clip.right, ct = clip.top, cb = clip.bottom;
    const int64_t ox = cl - x1, oy = ct - y1;
    const int64_t sx0 = (ox << 16) / stepX, cx0 = stepX - (ox << 16) % stepX;
    const int64_t sy0 = (oy << 16) / stepY, cy0 = stepY - (oy << 16) % stepY;

    const int fmt32 = src->Format;
    const int index = ChooseMember(src, blendImage, transFlag, CORE_STRETCH, fmt32);
    if (index < 0) return;

    StretchJob job;
    MakePixelCtx(&job.ctx, src);
    const int texel = TexelBytesOf(src);
    const int64_t col = mirrorX ? src->Width - 1 - sx0 : sx0;
    const int64_t row = mirrorY ? src->Height - 1 - sy0 : sy0;
    job.src = src->Pixels + row * src->Pitch + col * texel;
    job.srcRowStep = mirrorY ? -std::ptrdiff_t(src->Pitch) : src->Pitch;
    if (blendImage) {
        job.blend = blendImage->Pixels + row * blendImage->Pitch + col;
        job.blendRowStep = mirrorY ? -std::ptrdiff_t(blendImage->Pitch) : blendImage->Pitch;
    } else {
        job.blend = nullptr;
        job.blendRowStep = 0;
    }
    const int destBytes = fmt32 ? 4 : 2;
    job.dst = dest->Pixels + ct * dest->Pitch + cl * destBytes;
    job.dstPitch = dest->Pitch;
    job.width = int32_t(cr - cl);
    job.height = int32_t(cb - ct);
    job.stepY = stepY;
    job.cy0 = cy0;
    // Bytes from one source pixel to the next (negative when mirrored).
    const int32_t srcStep = mirrorX ? -texel : texel;
    job.rowLow = int32_t(-col * texel);
    job.rowHigh = int32_t((src->Width - col) * texel);
    const ColumnShape shape{stepX, cx0, srcStep, job.width, job.rowLow, job.rowHigh, SimdLevel()};
    if (!(stretchState.made == shape)) MakeColumns(shape);
    job.columns = stretchState.columns.data();
    job.plan = stretchState.plan.data();
    job.rowTexels = stretchState.rowTexels.data();
    (fmt32 ? kStretchTable32 : kStretchTable16)[index](job);
}
