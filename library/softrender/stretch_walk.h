// Walker of the stretched transfer: nearest-pixel 16.16 stepping, mirrored by negative steps.
#pragma once
#include <array>
#include <cstddef>

#include "softrender/member_table.h"
#include "softrender/simd_blend.h"

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
        int64_t cy = j.cy0;
        for (int y = 0;;) {
            Dst* d = reinterpret_cast<Dst*>(drow);
            int x = 0;
#ifdef __SSE2__
            if constexpr (kAlphaBlend4<M>) {
                for (; x + 4 <= j.width; x += 4) {
                    const __m128i four = _mm_setr_epi32(int(Load32(srow + col[x])), int(Load32(srow + col[x + 1])),
                                                        int(Load32(srow + col[x + 2])), int(Load32(srow + col[x + 3])));
                    AlphaBlend4<M::kMode>(reinterpret_cast<uint8_t*>(d + x), four, uint32_t(c.p));
                }
            }
#endif
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
