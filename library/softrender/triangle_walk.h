// Row walk of the triangle mapper and its textured and flat span members.
#pragma once
#include <array>
#include <cstddef>

#include "softrender/colour_rules.h"
#include "softrender/member_table.h"

namespace softrender {

struct TriangleSide {
    int32_t x[2], slope[2], rows[2];
    int32_t segments;  // 1 or 2
};

struct TriangleJob {
    PixelCtx ctx;
    ColourCtx colour;
    uint8_t* dst;
    int32_t dstPitch;
    MemImgRect area;        // draw area cut to the target
    TriangleSide left, right;
    int32_t firstRow;
    // Texture equation.
    int32_t xr, yr, u0, v0, dudx, dudy, dvdx, dvdy;
    uint64_t limitU, limitV;
    const uint8_t* src;
    int32_t srcPitch;
    const uint8_t* blend;
    int32_t blendPitch;
};

inline int32_t FixedWhole(int32_t a) { return a / 262144; }

// Walks the rows; span(row, xs, count) draws count pixels from column xs.
// Each row is visited once: the row counter runs on when a side changes segment.
template <class Span>
ZV_SR_INLINE void WalkTriangle(const TriangleJob& j, Span span) {
    int segL = 0, segR = 0;
    int32_t xl = j.left.x[0], xr = j.right.x[0];
    int32_t leftRows = j.left.rows[0], rightRows = j.right.rows[0];
    int32_t row = j.firstRow;
    for (;;) {
        int32_t xs = FixedWhole(xl);
        const int32_t xe = FixedWhole(xr);
        int32_t n = xe - xs;
        if (xs < j.area.left) {
            n -= j.area.left - xs;
            xs = j.area.left;
        }
        n += 1;
        if (row >= j.area.top && row < j.area.bottom && xs < j.area.right && n > 0) {
            if (n > j.area.right - xs) n = j.area.right - xs;
            span(row, xs, n);
        }
        xr = WrapAdd(xr, j.right.slope[segR]);
        xl = WrapAdd(xl, j.left.slope[segL]);
        ++row;
        --leftRows;
        --rightRows;
        if (leftRows == 0) {
            if (segL + 1 >= j.left.segments) return;
            ++segL;
            xl = j.left.x[segL];
            leftRows = j.left.rows[segL];
        }
        if (rightRows == 0) {
            if (segR + 1 >= j.right.segments) return;
            ++segR;
            xr = j.right.x[segR];
            rightRows = j.right.rows[segR];
        }
    }
}

template <class M>
struct TriangleWalker {
    using Dst = typename M::Dst;
    static void Run(const TriangleJob& j) {
        const PixelCtx c = j.ctx;
        WalkTriangle(j, [&](int32_t row, int32_t xs, int32_t n) {
            Dst* d = reinterpret_cast<Dst*>(j.dst + std::ptrdiff_t(row) * j.dstPitch) + xs;
            const int32_t ox = WrapSub(xs, j.xr), oy = WrapSub(row, j.yr);
            uint32_t u = uint32_t(WrapAdd(WrapAdd(j.u0, WrapMul(ox, j.dudx)), WrapMul(oy, j.dudy)));
            uint32_t v = uint32_t(WrapAdd(WrapAdd(j.v0, WrapMul(ox, j.dvdx)), WrapMul(oy, j.dvdy)));
            for (int32_t i = 0; i < n; ++i, ++d, u += uint32_t(j.dudx), v += uint32_t(j.dvdx)) {
                if (u >= j.limitU || v >= j.limitV) continue;
                const uint32_t col = u >> 18, r = v >> 18;
                const uint8_t* s = j.src + std::ptrdiff_t(r) * j.srcPitch + std::ptrdiff_t(col) * M::kTexel;
                const uint8_t* b = nullptr;
                if constexpr (M::kBI) b = j.blend + std::ptrdiff_t(r) * j.blendPitch + col;
                M::Pixel(c, d, s, b);
            }
        });
    }
};

template <int Fmt32, int Mode>
struct FlatWalker {
    using Rule = ColourRule<Fmt32, Mode>;
    using Dst = typename Rule::Dst;
    static void Run(const TriangleJob& j) {
        const ColourCtx k = j.colour;
        WalkTriangle(j, [&](int32_t row, int32_t xs, int32_t n) {
            Dst* d = reinterpret_cast<Dst*>(j.dst + std::ptrdiff_t(row) * j.dstPitch) + xs;
            for (int32_t i = 0; i < n; ++i) Rule::Apply(k, d + i);
        });
    }
};

using TriangleTable = std::array<MemberFn<TriangleJob>, kMemberCount>;
extern const TriangleTable kTriangleTable32, kTriangleTable16;

}  // namespace softrender
