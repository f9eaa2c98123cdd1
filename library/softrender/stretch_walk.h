// Walker of the stretched transfer: nearest-pixel 16.16 stepping, mirrored by negative steps.
#pragma once
#include <array>
#include <cstddef>

#include "softrender/member_table.h"
#include "softrender/wide_rows.h"

namespace softrender {

struct StretchJob {
    PixelCtx ctx;
    uint8_t* dst;
    int32_t dstPitch;
    const uint8_t* src;       // first source pixel of the first row
    std::ptrdiff_t srcRowStep;
    const uint8_t* blend;
    std::ptrdiff_t blendRowStep;
    int32_t width, height;    // clipped destination extent
    int64_t stepY;            // destination rows per source row, 16.16
    int64_t cy0;              // row counter start, 1..stepY
    const int32_t* columns;   // byte offset of each destination column's source pixel from the row start
    int32_t rowLow, rowHigh;  // the source row's bytes lie from rowLow up to rowHigh of the row start
};

template <class M>
struct StretchWalker {
    using Dst = typename M::Dst;
    static void Run(const StretchJob& j) {
        const PixelCtx c = j.ctx;
        uint8_t* drow = j.dst;
        const uint8_t* srow = j.src;
        const uint8_t* brow = j.blend;
        const int32_t* col = j.columns;
        const StretchRowFn wide = WideStretchRow<M>();
        int64_t cy = j.cy0;
        for (int y = 0;;) {
            Dst* d = reinterpret_cast<Dst*>(drow);
            int x = 0;
            if (wide) x = wide(c, M::kTrans, drow, StretchRow{srow, col, j.width, j.rowLow, j.rowHigh});
            for (; x < j.width; ++x) {
                const uint8_t* b = nullptr;
                // Offsets are whole texels, so the division is exact; the blend image
                // steps one byte a texel in the same direction.
                if constexpr (M::kBI) b = brow + col[x] / M::kTexel;
                M::Pixel(c, d + x, srow + col[x], b);
            }
            if (++y == j.height) break;
            drow += j.dstPitch;
            cy -= 65536;
            while (cy <= 0) {
                cy += j.stepY;
                srow += j.srcRowStep;
                if constexpr (M::kBI) brow += j.blendRowStep;
            }
        }
    }
};

using StretchTable = std::array<MemberFn<StretchJob>, kMemberCount>;
extern const StretchTable kStretchTable32, kStretchTable16;

}  // namespace softrender
