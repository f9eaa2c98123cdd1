// The software renderer's drawing state and the lookup tables its pixel rules read.
// Graphics start-up calls InitializeMemImgDrawState once; the setters of the
// graphics front ends write the fields below between draws, never during one.
#pragma once
#include <cstdint>

struct MEMIMG;

// Left and top inclusive, right and bottom exclusive.
struct MemImgRect {
    int32_t left, top, right, bottom;
};

// Draw-bright word that means "no brightness": low 24 bits all ones.
constexpr uint32_t MEMIMG_BRIGHT_NONE = 0x00FFFFFF;

inline bool IsDrawBrightNone(uint32_t bright) { return (bright & 0x00FFFFFF) == 0x00FFFFFF; }

struct MemImgDrawState {
    MemImgRect DrawArea;         // every core clips to it (and to the target's own size)
    int32_t BlendMode;           // a softrender::BlendOp; other values draw nothing
    int32_t BlendParam;          // 0..255
    uint32_t DrawBright;         // blue in byte 0, green in byte 1, red in byte 2
    int32_t MMXUseFlag;          // always 0 on this platform: the scalar forms are the results

    // The blend graph: its software image (null = none), its place and the two
    // parameters the weight table was built from.
    MEMIMG* BlendGraphImage;
    int32_t BlendGraphX, BlendGraphY;
    int32_t BlendGraphBorderParam;   // threshold t, 0..255
    int32_t BlendGraphBorderRange;   // ramp width r, 0..255

    // Switches the drawing entry points read; graphics owns their meaning and
    // keeps these copies current.
    int32_t SoftRenderFlag;          // hardware drawing off
    int32_t DirectDrawFlag;          // a surface device exists
    int32_t ScreenMemImgFlag;        // the screens are MEMIMG images
    int32_t ScreenColorBitDepth;
    int32_t MaskUseFlag;
    MEMIMG* DrawScreenImage;         // MEMIMG of the current draw screen
    MEMIMG* MaskImage;               // MEMIMG of the mask screen
};

extern MemImgDrawState MemImgDrawStateData;

// [r][v] = r * v / 255, truncated.
extern uint32_t MemImgMulTable[256][256];
// [r][255 + k] = r * k / 255 truncated toward zero, k = -255..255; entry 511 unused.
extern int32_t MemImgDiffTable[256][512];
// [L][s][d] = (s * L + d * (63 - L)) / 63, truncated.
extern uint8_t MemImgBlend16Table[64][64][64];
// Weight 0..255 of each blend-image byte.
extern uint8_t BlendGraphWeightTable[256];

// Fills the fixed tables, resets the state to its defaults (blend mode 0,
// parameter 255, no brightness, no blend graph, empty draw area) and builds
// a weight table for threshold 0, ramp 0.
void InitializeMemImgDrawState();

// Rebuilds BlendGraphWeightTable from threshold t and ramp width r (each
// clamped to 0..255) and records them in the state.
void MakeBlendGraphWeightTable(int borderParam, int borderRange);

// Draw area setter for the front ends and tests.
void SetMemImgDrawArea(int left, int top, int right, int bottom);
