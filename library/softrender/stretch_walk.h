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
    uint32_t* rowTexels;      // room for one widened row (width texels)
    const int32_t* plan;      // the wide forms' plan for the columns
};

template <class M>
struct StretchWalker {
    using Dst = typename M::Dst;

    // Target rows step on; the source row steps whenever the row counter runs out.
    template <class Row>
    static ZV_SR_INLINE void Walk(const StretchJob& j, Row row) {
        uint8_t* drow = j.dst;
        const uint8_t* srow = j.src;
        const uint8_t* brow = j.blend;
        int64_t cy = j.cy0;
        for (int y = 0;;) {
            row(drow, srow, brow);
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

    // Walk's order with target rows that take the same source row passed two at a time to
    // `pair`, the rest one at a time to `row`.
    template <class Row, class Pair>
    static ZV_SR_INLINE void WalkPairs(const StretchJob& j, Row row, Pair pair) {
        uint8_t* drow = j.dst;
        const uint8_t* srow = j.src;
        int64_t cy = j.cy0;
        for (int y = 0;;) {
            // The next target row keeps this source row while the counter stays above one row.
            if (y + 1 < j.height && cy > 65536) {
                pair(drow, drow + j.dstPitch, srow);
                y += 2;
                drow += 2 * std::ptrdiff_t(j.dstPitch);
                cy -= 2 * 65536;
            } else {
                row(drow, srow);
                ++y;
                drow += j.dstPitch;
                cy -= 65536;
            }
            if (y == j.height) break;
            while (cy <= 0) {
                cy += j.stepY;
                srow += j.srcRowStep;
            }
        }
    }

    static void Run(const StretchJob& j) {
        const PixelCtx c = j.ctx;
        const int32_t* col = j.columns;
        int rule;
        const WideRows* w = WideRowsOf<M>(&rule);
        if (w && w->stretchWiden) {
            if (rule == WIDE_ALPHA_COPY && w->alphaCopyRows[0]) {
                // Source rows fetched group by group straight into the target rows.
                auto tail = [&](uint8_t* drow, const uint8_t* srow, int x) {
                    for (Dst* d = reinterpret_cast<Dst*>(drow); x < j.width; ++x)
                        M::Pixel(c, d + x, srow + col[x], nullptr);
                };
                WalkPairs(
                    j,
                    [&](uint8_t* drow, const uint8_t* srow) {
                        const StretchRow r{srow, col, j.width, j.rowLow, j.rowHigh};
                        tail(drow, srow, w->alphaCopyRows[0](drow, nullptr, r, j.plan));
                    },
                    [&](uint8_t* d0, uint8_t* d1, const uint8_t* srow) {
                        const StretchRow r{srow, col, j.width, j.rowLow, j.rowHigh};
                        const int x = w->alphaCopyRows[1](d0, d1, r, j.plan);
                        tail(d0, srow, x);
                        tail(d1, srow, x);
                    });
                return;
            }
            // Each source row widened once by the call's plan, then blended as a plain row of texels.
            const uint8_t* widened = nullptr;
            const uint8_t* texels = reinterpret_cast<const uint8_t*>(j.rowTexels);
            Walk(j, [&](uint8_t* drow, const uint8_t* srow, const uint8_t*) {
                if (srow != widened) {
                    w->stretchWiden(j.rowTexels, StretchRow{srow, col, j.width, j.rowLow, j.rowHigh}, j.plan);
                    widened = srow;
                }
                Dst* d = reinterpret_cast<Dst*>(drow);
                for (int x = w->rect[rule](c, M::kTrans, drow, texels, j.width); x < j.width; ++x)
                    M::Pixel(c, d + x, texels + 4 * x, nullptr);
            });
            return;
        }
        Walk(j, [&](uint8_t* drow, const uint8_t* srow, const uint8_t* brow) {
            Dst* d = reinterpret_cast<Dst*>(drow);
            for (int x = 0; x < j.width; ++x) {
                const uint8_t* b = nullptr;
                // Offsets are whole texels, so the division is exact; the blend image
                // steps one byte a texel in the same direction.
                if constexpr (M::kBI) b = brow + col[x] / M::kTexel;
                M::Pixel(c, d + x, srow + col[x], b);
            }
        });
    }
};

using StretchTable = std::array<MemberFn<StretchJob>, kMemberCount>;
extern const StretchTable kStretchTable32, kStretchTable16;

}  // namespace softrender
