// Walker of the rotated transfer: inverse mapping of every box pixel in 18-bit fixed point.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "softrender/member_table.h"
#include "softrender/wide_rows.h"

namespace softrender {

template <class M>
struct RotateWalker {
    using Dst = typename M::Dst;
    static void Run(const RotateJob& j) {
        // The wide forms address texels with 32-bit signed offsets.
        const bool small = uint64_t(uint32_t(j.srcPitch)) * (j.limitV >> 18) <= uint64_t(INT32_MAX);
        if (const RotateFn wide = small ? WideRotate<M>() : nullptr) {
            wide(j, M::kTrans);
            return;
        }
        const PixelCtx c = j.ctx;
        uint8_t* drow = j.dst;
        uint32_t urow = j.u0, vrow = j.v0;
        for (int y = 0; y < j.rows; ++y) {
            Dst* d = reinterpret_cast<Dst*>(drow);
            uint32_t u = urow, v = vrow;
            for (int x = 0; x < j.columns; ++x, ++d, u += j.du, v += j.dv) {
                if (u >= j.limitU || v >= j.limitV) continue;
                const uint32_t col = u >> 18, row = v >> 18;
                const uint8_t* s = j.src + std::ptrdiff_t(row) * j.srcPitch + std::ptrdiff_t(col) * M::kTexel;
                const uint8_t* b = nullptr;
                if constexpr (M::kBI) b = j.blend + std::ptrdiff_t(row) * j.blendPitch + col;
                M::Pixel(c, d, s, b);
            }
            drow += j.dstPitch;
            urow += j.rowDu;
            vrow += j.rowDv;
        }
    }
};

using RotateTable = std::array<MemberFn<RotateJob>, kMemberCount>;
extern const RotateTable kRotateTable32, kRotateTable16;

}  // namespace softrender
