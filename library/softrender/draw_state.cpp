// Drawing state of the software renderer and the fixed tables behind its pixel rules.
#include "softrender/draw_state.h"

#include <cstring>

#include "softrender/blend_op.h"

MemImgDrawState MemImgDrawStateData;
uint32_t MemImgMulTable[256][256];
int32_t MemImgDiffTable[256][512];
uint8_t MemImgBlend16Table[64][64][64];
uint8_t BlendGraphWeightTable[256];

namespace {

int ClampByte(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

void FillFixedTables() {
    for (int r = 0; r < 256; ++r) {
        for (int v = 0; v < 256; ++v) MemImgMulTable[r][v] = static_cast<uint32_t>(r * v / 255);
        for (int k = -255; k <= 255; ++k) MemImgDiffTable[r][255 + k] = r * k / 255;  // C++ division truncates
        MemImgDiffTable[r][511] = 0;
    }
    for (int l = 0; l < 64; ++l)
        for (int s = 0; s < 64; ++s)
            for (int d = 0; d < 64; ++d)
                MemImgBlend16Table[l][s][d] = static_cast<uint8_t>((s * l + d * (63 - l)) / 63);
}

}  // namespace

void MakeBlendGraphWeightTable(int borderParam, int borderRange) {
    const int t = ClampByte(borderParam);
    const int r = ClampByte(borderRange);
    MemImgDrawStateData.BlendGraphBorderParam = t;
    MemImgDrawStateData.BlendGraphBorderRange = r;
    // All operands are non-negative, so integer division is the floor.
    const int offset = 256 - ((65536 / (r + 1) + 256) * t) / 256;
    for (int i = 0; i < 256; ++i) BlendGraphWeightTable[i] = static_cast<uint8_t>(ClampByte(i * 256 / (r + 1) + offset));
}

void SetMemImgDrawArea(int left, int top, int right, int bottom) {
    MemImgDrawStateData.DrawArea = MemImgRect{left, top, right, bottom};
}

void InitializeMemImgDrawState() {
    FillFixedTables();
    std::memset(&MemImgDrawStateData, 0, sizeof MemImgDrawStateData);
    MemImgDrawStateData.BlendMode = softrender::BLEND_COPY;
    MemImgDrawStateData.BlendParam = 255;
    MemImgDrawStateData.DrawBright = MEMIMG_BRIGHT_NONE;
    MemImgDrawStateData.MMXUseFlag = 0;
    MakeBlendGraphWeightTable(0, 0);
}
