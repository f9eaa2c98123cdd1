// Primitive rasteriser: draws one triangle of a vertex primitive into a MEMIMG
// (perspective-correct texture, 16-bit depth image, vertex colour, blend modes
// 0-4 with draw brightness, colour key and blend image, optional depth clip).
#pragma once
#include <cstdint>

struct MEMIMG;

// One screen-space vertex as the vertex-primitive draw hands it over.
#pragma pack(push, 1)
struct PrimitiveVertex {
    float x, y;        // screen position in pixels, y downwards
    float z;           // depth, visible from 0 (near) to 1 (far)
    float rhw;         // reciprocal of the homogeneous w
    uint8_t b, g, r, a;
    float u, v;        // texture position, 0..1 across and down
};
#pragma pack(pop)
static_assert(sizeof(PrimitiveVertex) == 28, "vertex records are 28 bytes");

// Draws the triangle vertices[0..2] into dest with the current drawing state.
//   depth            16-bit depth image of dest's size, or null
//   texture          null draws with a white 8x8 texture
//   transFlag        non-zero: texels equal to the texture's colour key are not drawn
//   blendImage       one byte a texel weighting the draw, or null
//   depthWriteFlag   non-zero: pixels that pass the depth test store their depth
//   fanDepthWrite    depth-write flag of the triangles that clipping produces
//   vertexColorFlag  0: the texel alone; non-zero: texel times vertex colour and alpha
//   clipFlag         1: clip against depth 0 and 1 first
// Nothing is reported: a refused triangle leaves dest and depth untouched.
void MemImgDrawPrimitiveBase(MEMIMG* dest, MEMIMG* depth, MEMIMG* texture, const PrimitiveVertex* vertices,
                             int transFlag, MEMIMG* blendImage, int depthWriteFlag, int fanDepthWriteFlag,
                             int vertexColorFlag, int clipFlag);

// The same drawing done one pixel at a time with every option tested per
// pixel: slow, plain, and the yardstick the fast span loops are checked against.
void MemImgDrawPrimitiveReference(MEMIMG* dest, MEMIMG* depth, MEMIMG* texture,
                                  const PrimitiveVertex* vertices, int transFlag, MEMIMG* blendImage,
                                  int depthWriteFlag, int fanDepthWriteFlag, int vertexColorFlag,
                                  int clipFlag);
