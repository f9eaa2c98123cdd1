// The blend operation a draw runs: the public blend-mode numbers, which the drawing state
// holds and the member tables are indexed by.
#pragma once

#include "zovav.h"

namespace softrender {

enum BlendOp : int {
    BLEND_COPY = ZV_BLEND_NOBLEND,
    BLEND_ALPHA = ZV_BLEND_ALPHA,
    BLEND_ADD = ZV_BLEND_ADD,
    BLEND_SUB = ZV_BLEND_SUB,
    BLEND_MUL = ZV_BLEND_MUL,
};
constexpr int kBlendOpCount = BLEND_MUL + 1;

}  // namespace softrender
