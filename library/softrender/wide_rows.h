// Wide forms of the commonest 32-bit rules (four pixels with SSE2, eight with AVX2), as row
// functions the walkers call ahead of their per-pixel tails; each writes the bytes of the rule.
#pragma once
#include <cstdint>

#include "softrender/pixel_rules.h"
#include "softrender/simd_level.h"

namespace softrender {

// The rules with a wide form.
enum : int {
    WIDE_NONE = -1,
    WIDE_ALPHA_COPY = 0,  // alpha source under trans, mode 0
    WIDE_ALPHA_BLEND,     // alpha source under trans, mode 1
    WIDE_ALPHA_ADD,       // alpha source under trans, mode 2
    WIDE_COPY,            // colour source, mode 0
    WIDE_HALF,            // colour source, mode 1 at 128 (the rectangle transfer's fast form)
    WIDE_BLEND,           // colour source, mode 1
    WIDE_ADD_FULL,        // colour source, mode 2 at 255 without the OR term (fast form)
    WIDE_ADD,             // colour source, mode 2
    WIDE_RULE_COUNT
};

// The wide rule a member runs, or WIDE_NONE: 32-bit images without blend image or bright;
// whole-row copies stay block copies.
template <class M>
constexpr int WideRuleOf() {
    if (!M::kFmt32 || M::kBI || M::kBR || M::kRowCopy) return WIDE_NONE;
    if (M::kSrc == SRC_ALPHA) {
        if (!M::kTrans || M::kMode > BLEND_ADD) return WIDE_NONE;
        return M::kMode == BLEND_COPY ? WIDE_ALPHA_COPY : (M::kMode == BLEND_ALPHA ? WIDE_ALPHA_BLEND : WIDE_ALPHA_ADD);
    }
    if (M::kSrc != SRC_DIRECT) return WIDE_NONE;
    switch (M::kMode) {
        case BLEND_COPY: return WIDE_COPY;
        case BLEND_ALPHA: return M::kFast == FAST_HALF ? WIDE_HALF : WIDE_BLEND;
        case BLEND_ADD: return M::kFast == FAST_FULL_PARAM ? WIDE_ADD_FULL : WIDE_ADD;
        default: return WIDE_NONE;
    }
}

// Each returns how many leading pixels it drew (a multiple of its width); the caller draws the rest.
// Trans is passed at run time: skipping keyed pixels costs one compare.
using RectRowFn = int (*)(const PixelCtx& c, bool trans, uint8_t* d, const uint8_t* s, int count);
// The stretched walk's source row: column x's texel is at src + cols[x]; the row's texels
// span src + lo up to src + hi. The walk widens each source row once into a row of texels
// (however many target rows repeat it) and blends that with the rule's rect row; the alpha
// copy instead fetches texels straight into the one or two target rows it draws.
struct StretchRow {
    const uint8_t* src;
    const int32_t* cols;
    int count;
    int32_t lo, hi;
};
// Words of the plan a level makes from one call's column map, for `count` columns.
constexpr size_t StretchPlanWords(int count) { return (size_t(count) / 4 + 1) * 9; }
// Made once per call: how each group of columns fetches its texels (the columns are the
// same on every row).
using StretchPlanFn = void (*)(const StretchRow& r, int32_t* plan);
// The row's `count` texels into `out`, by the plan.
using StretchWidenFn = void (*)(uint32_t* out, const StretchRow& r, const int32_t* plan);
// The alpha copy of a source row straight into one target row (d1 unused) or two; returns
// how many leading pixels of each it drew, as a rect row does.
using StretchRowsFn = int (*)(uint8_t* d0, uint8_t* d1, const StretchRow& r, const int32_t* plan);
// The rotated walk: the box pixel at column x of row y takes the texel at
// (u0 + x du + y rowDu, v0 + x dv + y rowDv) in 18-bit fixed point, modulo 2^32; pixels
// whose position lies outside limitU x limitV are left.
struct RotateJob {
    PixelCtx ctx;
    uint8_t* dst;
    int32_t dstPitch;
    int32_t columns, rows;
    uint32_t u0, v0;  // source position of the box's top-left pixel
    uint32_t du, dv, rowDu, rowDv;
    uint64_t limitU, limitV;  // width and height times 2^18
    const uint8_t* src;
    int32_t srcPitch;
    const uint8_t* blend;
    int32_t blendPitch;
};
// Draws the whole box (the wide forms address texels with 32-bit signed offsets).
using RotateFn = void (*)(const RotateJob& j, bool trans);

// The rules of the run-code walk over 32-bit alpha sources, each with and without bright.
enum : int { RUN_WIDE_NONE = -1, RUN_WIDE_COPY = 0, RUN_WIDE_BLEND, RUN_WIDE_ADD, RUN_RULE_COUNT };

template <class M>
constexpr int RunRuleOf() {
    if (!M::kFmt32 || M::kSrc != SRC_ALPHA || M::kBI) return RUN_WIDE_NONE;
    switch (M::kMode) {
        case BLEND_COPY: return RUN_WIDE_COPY;
        case BLEND_ALPHA: return RUN_WIDE_BLEND;
        case BLEND_ADD: return RUN_WIDE_ADD;
        default: return RUN_WIDE_NONE;
    }
}

// One row of the run-code walk: `code` points at the row's first code; returns the code
// after the row's end. Opaque runs take the rule without the alpha factor, translucent runs
// the rule with it (whatever their alpha), skip runs nothing; counts stop at `width`.
using RunRowFn = const uint8_t* (*)(const PixelCtx& c, uint8_t* d, const uint8_t* s, const uint8_t* code,
                                    int width);

struct WideRows {
    RectRowFn rect[WIDE_RULE_COUNT];
    RunRowFn run[RUN_RULE_COUNT][2];  // without bright, with bright
    StretchPlanFn stretchPlan;
    StretchWidenFn stretchWiden;
    RotateFn rotate[WIDE_RULE_COUNT];
    StretchRowsFn alphaCopyRows[2];  // into one row, into two
};
// One set per level; the scalar level's entries are empty.
extern const WideRows kWideRows[ISA_COUNT];

// The row functions of a member at the level in force (null when it has none).
template <class M>
inline const WideRows* WideRowsOf(int* rule) {
    *rule = WideRuleOf<M>();
    return *rule == WIDE_NONE ? nullptr : &kWideRows[SimdLevel()];
}
template <class M>
inline RectRowFn WideRectRow() {
    int rule;
    const WideRows* w = WideRowsOf<M>(&rule);
    return w ? w->rect[rule] : nullptr;
}
template <class M>
inline RunRowFn WideRunRow() {
    constexpr int rule = RunRuleOf<M>();
    return rule == RUN_WIDE_NONE ? nullptr : kWideRows[SimdLevel()].run[rule][M::kBR ? 1 : 0];
}
template <class M>
inline RotateFn WideRotate() {
    int rule;
    const WideRows* w = WideRowsOf<M>(&rule);
    return w ? w->rotate[rule] : nullptr;
}

}  // namespace softrender
