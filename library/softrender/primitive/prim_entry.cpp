// Entry of the primitive rasteriser: clipping against depth 0 and 1 in
// homogeneous space, the fan of clipped triangles, and the family dispatch.
#include <cmath>

#include "core/routines.h"
#include "softrender/primitive/prim_internal.h"
#include "softrender/primitive/primitive.h"

namespace {

constexpr int kClipBufferSize = 7;
// Triangles that clipping produced are clipped again at most this often:
// rounding can leave a new vertex a hair past the far plane, and clipping it
// forever would never end.
constexpr int kClipNestingLimit = 2;

// In clip space the rhw slot holds w.
PrimitiveVertex Lerp(const PrimitiveVertex& p, const PrimitiveVertex& q, float t) {
    PrimitiveVertex o;
    o.x = p.x + (q.x - p.x) * t;
    o.y = p.y + (q.y - p.y) * t;
    o.z = p.z + (q.z - p.z) * t;
    o.rhw = p.rhw + (q.rhw - p.rhw) * t;
    o.u = p.u + (q.u - p.u) * t;
    o.v = p.v + (q.v - p.v) * t;
    const int k = FloatToInt(float(t * 255.0)) & 255;
    auto mix = [k](int a, int b) { return uint8_t((a * 256 + (b - a) * k) >> 8); };
    o.b = mix(p.b, q.b);
    o.g = mix(p.g, q.g);
    o.r = mix(p.r, q.r);
    o.a = mix(p.a, q.a);
    return o;
}

bool OutsideFar(const PrimitiveVertex& v) { return v.z > v.rhw; }
bool OutsideNear(const PrimitiveVertex& v) { return v.z < 0.0f; }

// One clipping pass over a closed polygon (Sutherland-Hodgman).
int ClipPass(const PrimitiveVertex* in, int n, PrimitiveVertex* out, bool farPlane) {
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const PrimitiveVertex& a = in[i];
        const PrimitiveVertex& b = in[(i + 1) % n];
        const bool aOut = farPlane ? OutsideFar(a) : OutsideNear(a);
        const bool bOut = farPlane ? OutsideFar(b) : OutsideNear(b);
        if (!aOut && m < kClipBufferSize) out[m++] = a;
        if (aOut != bOut && m < kClipBufferSize) {
            if (farPlane) {
                const PrimitiveVertex& p = aOut ? b : a;  // inside
                const PrimitiveVertex& q = aOut ? a : b;  // outside
                const float pz = p.z / p.rhw, qz = q.z / q.rhw;
                out[m++] = Lerp(p, q, (1.0f - pz) / (qz - pz));
            } else {
                const PrimitiveVertex& p = aOut ? a : b;  // outside
                const PrimitiveVertex& q = aOut ? b : a;  // inside
                PrimitiveVertex nv = Lerp(p, q, -p.z / (q.z - p.z));
                nv.z = 0.0f;
                out[m++] = nv;
            }
        }
    }
    return m;
}

void DrawPrimitive(MEMIMG* dest, MEMIMG* depth, MEMIMG* texture, const PrimitiveVertex* vertices, int transFlag,
                   MEMIMG* blendImage, int depthWriteFlag, int fanDepthWriteFlag, int vertexColorFlag,
                   int clipFlag, int nesting, PrimSpanRunner run) {
    if (vertices == nullptr) return;
    if (clipFlag != 1 || nesting > kClipNestingLimit) {
        PrimDrawTriangle(dest, depth, texture, vertices, transFlag, blendImage, depthWriteFlag, vertexColorFlag, run);
        return;
    }

    int violations = 0;
    for (int i = 0; i < 3; ++i) {
        if (vertices[i].z < 0.0f) ++violations;
        if (vertices[i].z > 1.0f) ++violations;
    }
    if (violations >= 3) return;
    if (violations == 0) {
        PrimDrawTriangle(dest, depth, texture, vertices, transFlag, blendImage, depthWriteFlag, vertexColorFlag, run);
        return;
    }
    // Clipping assumes w > 0; anything else has no sensible clipped shape.
    for (int i = 0; i < 3; ++i)
        if (!(vertices[i].rhw > 0.0f) || !std::isfinite(vertices[i].rhw)) return;

    PrimitiveVertex bufA[kClipBufferSize], bufB[kClipBufferSize];
    for (int i = 0; i < 3; ++i) {
        PrimitiveVertex v = vertices[i];
        const float w = 1.0f / v.rhw;
        v.x *= w;
        v.y *= w;
        v.z *= w;
        v.rhw = w;
        bufA[i] = v;
    }
    int n = ClipPass(bufA, 3, bufB, true);
    n = ClipPass(bufB, n, bufA, false);
    if (n < 3) return;
    for (int i = 0; i < n; ++i) {
        PrimitiveVertex& v = bufA[i];
        const float rhw = 1.0f / v.rhw;
        v.rhw = rhw;
        v.x *= rhw;
        v.y *= rhw;
        v.z *= rhw;
    }

    PrimitiveVertex tri[3] = {bufA[0], bufA[1], bufA[2]};
    DrawPrimitive(dest, depth, texture, tri, transFlag, blendImage, fanDepthWriteFlag, 0, 1, 1, nesting + 1, run);
    for (int i = 3; i < n; ++i) {
        tri[0] = bufA[i];
        tri[1] = bufA[0];
        tri[2] = bufA[i - 1];
        DrawPrimitive(dest, depth, texture, tri, transFlag, blendImage, fanDepthWriteFlag, 0, 1, 1, nesting + 1, run);
    }
}

}  // namespace

void PrimRunFastSpans(const PrimSpanJob& job) {
    static constexpr PrimSpanRunner kFamilies[8] = {
        PrimSpansTex32Pal, PrimSpansTex32Rgb, PrimSpansTex16Pal, PrimSpansTex16Rgb,
        PrimSpansCol32Pal, PrimSpansCol32Rgb, PrimSpansCol16Pal, PrimSpansCol16Rgb,
    };
    if (job.family < 0 || job.family > 7 || job.blendMode < 0 || job.blendMode > softrender::BLEND_MUL) return;
    kFamilies[job.family](job);
}

void MemImgDrawPrimitiveBase(MEMIMG* dest, MEMIMG* depth, MEMIMG* texture, const PrimitiveVertex* vertices,
                             int transFlag, MEMIMG* blendImage, int depthWriteFlag, int fanDepthWriteFlag,
                             int vertexColorFlag, int clipFlag) {
    DrawPrimitive(dest, depth, texture, vertices, transFlag, blendImage, depthWriteFlag, fanDepthWriteFlag,
                  vertexColorFlag, clipFlag, 0, PrimRunFastSpans);
}

void MemImgDrawPrimitiveReference(MEMIMG* dest, MEMIMG* depth, MEMIMG* texture,
                                  const PrimitiveVertex* vertices, int transFlag, MEMIMG* blendImage,
                                  int depthWriteFlag, int fanDepthWriteFlag, int vertexColorFlag, int clipFlag) {
    DrawPrimitive(dest, depth, texture, vertices, transFlag, blendImage, depthWriteFlag, fanDepthWriteFlag,
                  vertexColorFlag, clipFlag, 0, PrimRunReferenceSpans);
}
