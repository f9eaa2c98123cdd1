// What the rasteriser's set-up hands to the span loops: the span table, the
// fixed-point interpolants, the images and the drawing state of one triangle.
#pragma once
#include <cstdint>

#include "softrender/blend_op.h"

struct MEMIMG;
struct PrimitiveVertex;

// One scanline of the triangle: first column and pixel count (0: nothing).
struct PrimSpan {
    int16_t x;
    int16_t count;
};
constexpr int kPrimSpanTableRows = 4096;

// An interpolant: value on the current scanline at x = 0 (pixel-centre row),
// step per pixel and step per scanline. Sums wrap in 32 bits.
struct PrimStep {
    int32_t row;
    int32_t dx;
    int32_t dy;
};

// Family keys, fixed per triangle by the dispatch.
enum PrimFamily {
    PRIM_TEX32_PAL, PRIM_TEX32_RGB, PRIM_TEX16_PAL, PRIM_TEX16_RGB,
    PRIM_COL32_PAL, PRIM_COL32_RGB, PRIM_COL16_PAL, PRIM_COL16_RGB,
};

struct PrimSpanJob {
    const PrimSpan* spans;
    int rows;
    PrimStep w, u, v, z;          // 2^26, 2^26, 2^26, 2^24
    PrimStep r, g, b, a;          // 2^14, vertex-colour families only

    unsigned char* destRow;       // scanline of spans[0]
    int destPitch;
    unsigned char* depthRow;      // null without a depth image
    int depthPitch;
    int depthWrite;

    const unsigned char* tex;
    int texPitch, texWidth, texHeight;
    uint32_t colorKey;
    const unsigned char* palette; // 4-byte entries (32-bit) or 16-bit words
    int texAlpha;                 // texture has an alpha channel
    int trans;

    const unsigned char* blend;   // null without a blend image
    int blendPitch;

    int family;
    int blendMode, blendParam;
    uint32_t bright;              // low 24 bits 0xFFFFFF: white
    const uint32_t* mulB;         // MemImgMulTable rows of the brightness bytes
    const uint32_t* mulG;
    const uint32_t* mulR;
    const uint32_t* mulP;         // ... and of the blend parameter
    const int32_t* diffP;         // centre of the parameter's difference row
    const uint8_t* weight;        // blend-image byte -> weight
};

using PrimSpanRunner = void (*)(const PrimSpanJob&);

// The eight families of fast span loops; each applies its own parameter
// gates and picks its member once per triangle.
void PrimSpansTex32Pal(const PrimSpanJob& job);
void PrimSpansTex32Rgb(const PrimSpanJob& job);
void PrimSpansTex16Pal(const PrimSpanJob& job);
void PrimSpansTex16Rgb(const PrimSpanJob& job);
void PrimSpansCol32Pal(const PrimSpanJob& job);
void PrimSpansCol32Rgb(const PrimSpanJob& job);
void PrimSpansCol16Pal(const PrimSpanJob& job);
void PrimSpansCol16Rgb(const PrimSpanJob& job);

// Chooses the family of job.family among the fast loops.
void PrimRunFastSpans(const PrimSpanJob& job);
// The per-pixel oracle.
void PrimRunReferenceSpans(const PrimSpanJob& job);

// Sets up one triangle (no clipping) and hands its spans to run in batches
// of at most kPrimSpanTableRows scanlines.
void PrimDrawTriangle(MEMIMG* dest, MEMIMG* depth, MEMIMG* texture, const PrimitiveVertex* vertices,
                      int transFlag, MEMIMG* blendImage, int depthWriteFlag, int vertexColorFlag,
                      PrimSpanRunner run);
