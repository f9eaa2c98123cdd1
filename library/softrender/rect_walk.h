// Walkers of the plain rectangle transfer: every pixel in order, or only where the run codes say.
#pragma once
#include <array>
#include <cstring>

#include "softrender/member_table.h"
#include "softrender/wide_rows.h"

namespace softrender {

struct RectJob {
    PixelCtx ctx;
    uint8_t* dst;
    int32_t dstPitch;
    const uint8_t* src;
    int32_t srcPitch;
    const uint8_t* blend;
    int32_t blendPitch;
    int32_t width, height;
    const uint8_t* runs;  // run codes (run walker only)
};


template <class M>
struct RectWalker {
    using Dst = typename M::Dst;

    static ZV_SR_INLINE void PairOp(const PixelCtx& c, Dst* d, uint32_t s0, uint32_t s1) {
        const uint32_t D = uint32_t(d[0]) | uint32_t(d[1]) << 16;
        const uint32_t S = s0 | s1 << 16;
        const uint32_t r = M::kMode == BLEND_ADD ? PackedAdd16Pair(D, S) : PackedSub16Pair(D, S);
        d[0] = Dst(r);
        d[1] = Dst(r >> 16);
    }

    static void Run(const RectJob& j) {
        if constexpr (M::kRowCopy) {
            // Rows that follow one another without gaps in both images are one block.
            const int32_t rowBytes = j.width * M::kDstBytes;
            if (j.dstPitch == rowBytes && j.srcPitch == rowBytes) {
                std::memcpy(j.dst, j.src, size_t(rowBytes) * size_t(j.height));
                return;
            }
        }
        const PixelCtx c = j.ctx;
        const RectRowFn wide = WideRectRow<M>();
        uint8_t* drow = j.dst;
        const uint8_t* srow = j.src;
        const uint8_t* brow = j.blend;
        for (int y = 0; y < j.height; ++y) {
            Dst* d = reinterpret_cast<Dst*>(drow);
            const uint8_t* s = srow;
            const uint8_t* b = brow;
            if constexpr (M::kRowCopy) {
                std::memcpy(d, s, size_t(j.width) * M::kDstBytes);
            } else if constexpr (M::kPairs) {
                int x = 0;
                for (; x + 1 < j.width; x += 2, d += 2, s += 2 * M::kTexel) {
                    const uint32_t r0 = M::Fetch(s), r1 = M::Fetch(s + M::kTexel);
                    if (M::kTrans && (r0 == c.key || r1 == c.key)) {
                        if (r0 != c.key) M::Pixel(c, d, s, b);
                        if (r1 != c.key) M::Pixel(c, d + 1, s + M::kTexel, b);
                    } else {
                        PairOp(c, d, M::Colour(c, r0), M::Colour(c, r1));
                    }
                }
                if (x < j.width) M::Pixel(c, d, s, b);
            } else {
                int x = 0;
                if (wide) {
                    x = wide(c, M::kTrans, reinterpret_cast<uint8_t*>(d), s, j.width);
                    d += x;
                    s += x * M::kTexel;
                }
                for (; x < j.width; ++x) {
                    M::Pixel(c, d, s, b);
                    ++d;
                    s += M::kTexel;
                    if constexpr (M::kBI) ++b;
                }
            }
            drow += j.dstPitch;
            srow += j.srcPitch;
            if constexpr (M::kBI) brow += j.blendPitch;
        }
    }
};

// Run codes: kind in the top two bits (0 skip, 1 opaque, 2 translucent, 3 end of
// row), count - 1 in the low six. A damaged stream can neither run past a row
// nor past the last row. Only trans draws take this walker.
template <class M>
struct RunWalker {
    using Dst = typename M::Dst;
    static void Run(const RectJob& j) {
        const PixelCtx c = j.ctx;
        const uint8_t* code = j.runs;
        const RunRowFn wide = WideRunRow<M>();
        for (int y = 0; y < j.height; ++y) {
            Dst* d = reinterpret_cast<Dst*>(j.dst + std::ptrdiff_t(y) * j.dstPitch);
            const uint8_t* s = j.src + std::ptrdiff_t(y) * j.srcPitch;
            if (wide) {
                code = wide(c, reinterpret_cast<uint8_t*>(d), s, code, j.width);
                continue;
            }
            const uint8_t* b = M::kBI ? j.blend + std::ptrdiff_t(y) * j.blendPitch : nullptr;
            int x = 0;
            for (;;) {
                const uint8_t op = *code++;
                const int kind = op >> 6;
                if (kind == 3) break;
                int count = (op & 63) + 1;
                if (count > j.width - x) count = j.width - x;
                if (kind == 1) {
                    for (int i = 0; i < count; ++i) M::Full(c, d + i, M::Fetch(s + i * M::kTexel), b + (M::kBI ? i : 0));
                } else if (kind == 2) {
                    for (int i = 0; i < count; ++i)
                        M::Partial(c, d + i, M::Fetch(s + i * M::kTexel), b + (M::kBI ? i : 0));
                }
                x += count;
                d += count;
                s += count * M::kTexel;
                if constexpr (M::kBI) b += count;
            }
        }
    }
};

using RectTable = std::array<MemberFn<RectJob>, kMemberCount>;
extern const RectTable kRectTable32, kRectTable16, kRunTable32, kRunTable16;

}  // namespace softrender
