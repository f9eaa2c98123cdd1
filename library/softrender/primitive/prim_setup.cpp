// Triangle set-up: refusals, the white stand-in texture, gradients in fixed
// point, the edge walk into the span table, and the hand-over to span loops.
#include <cmath>
#include <cstddef>
#include <utility>

#include "core/routines.h"
#include "softrender/memimg.h"
#include "softrender/draw_state.h"
#include "softrender/pixel_rules.h"
#include "softrender/primitive/prim_internal.h"
#include "softrender/primitive/primitive.h"

namespace {

constexpr int kEdgeOne = 262144;   // edge positions carry 18 fractional bits
constexpr int kEdgeHalf = 131072;

struct PrimSetupState {
    PrimSpan spanTable[kPrimSpanTableRows];
};
PrimSetupState g_primSetup;

struct Segment {
    float x, y, slope;
};
Segment MakeSegment(float x0, float y0, float x1, float y1) { return {x0, y0, (x1 - x0) / (y1 - y0)}; }

// One edge of the triangle: its first segment, and a second one below the
// middle vertex when the edge bends there.
struct Edge {
    Segment first, second;
    bool bends;
};

// Fixed-point plane of one interpolated value: step per pixel, per scanline
// and the value at (0, 0).
struct Plane {
    int32_t dx, dy, origin;
};

struct Triangle {
    const PrimitiveVertex* a;  // smallest x
    const PrimitiveVertex* b;  // largest x
    const PrimitiveVertex* m;  // middle x
    float dx1, dy1, dx2, dy2, det;
};

Plane MakePlane(const Triangle& t, float qa, float q1, float q2, double scale) {
    const float ddx = (q2 * t.dy1 - q1 * t.dy2) / t.det;
    const float ddy = (q1 * t.dx2 - q2 * t.dx1) / t.det;
    const float q0 = qa - t.a->x * ddx - t.a->y * ddy;
    return {DoubleToInt(double(ddx) * scale), DoubleToInt(double(ddy) * scale), DoubleToInt(double(q0) * scale)};
}
Plane ValuePlane(const Triangle& t, float qa, float qb, float qm, double scale) {
    return MakePlane(t, qa, qb - qa, qm - qa, scale);
}
Plane ColourPlane(const Triangle& t, int ca, int cb, int cm) {
    return MakePlane(t, float(ca), float(cb - ca), float(cm - ca), 16384.0);
}

// Row value at the centre of scanline y, x = 0 (32-bit wrap-around).
PrimStep StepAt(const Plane& p, int y) {
    const uint32_t row = uint32_t(p.origin) + uint32_t(y) * uint32_t(p.dy) + uint32_t(p.dy / 2);
    return {int32_t(row), p.dx, p.dy};
}

// Stable sort of three vertices by one coordinate.
template <class Key>
void Sort3(const PrimitiveVertex* v[3], Key key) {
    for (int i = 1; i < 3; ++i)
        for (int k = i; k > 0 && key(v[k]) < key(v[k - 1]); --k) std::swap(v[k], v[k - 1]);
}

bool Finite(const PrimitiveVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.rhw);
}

// Releases the stand-in texture on every way out.
struct FallbackTexture {
    MEMIMG image;
    alignas(16) unsigned char pixels[8 * 32];
    bool made = false;
    ~FallbackTexture() {
        if (made) TerminateMemImg(&image);
    }
};

// The stand-in is plain white in the destination's format, made on the
// call's own storage so that nothing is allocated per triangle.
MEMIMG* MakeFallbackTexture(FallbackTexture& f, int format) {
    MemSet(&f.image, 0, sizeof(f.image));
    f.image.Pixels = f.pixels;
    if (InitializeMemImg(&f.image, 8, 8, -1, 0, format, 0, 0, 0) != 0) return nullptr;
    f.made = true;
    if (size_t(f.image.Pitch) * 8 > sizeof(f.pixels)) return nullptr;
    MemSet(f.pixels, 0xFF, sizeof(f.pixels));
    return &f.image;
}

bool ValidImage(const MEMIMG* img) { return img && img->ValidMagic == MEMIMG_VALID_MAGIC && img->Pixels; }

}  // namespace

void PrimDrawTriangle(MEMIMG* dest, MEMIMG* depth, MEMIMG* texture, const PrimitiveVertex* vertices,
                      int transFlag, MEMIMG* blendImage, int depthWriteFlag, int vertexColorFlag,
                      PrimSpanRunner run) {
    if (!ValidImage(dest) || vertices == nullptr) return;
    if (dest->Format != MEMIMG_FORMAT_R5G6B5 && dest->Format != MEMIMG_FORMAT_X8R8G8B8) return;
    if (depth) {
        if (!ValidImage(depth) || depth->Width != dest->Width || depth->Height != dest->Height) return;
        if (depth->Pitch < 2 * depth->Width) return;  // not 16 bits a pixel
    }

    FallbackTexture fallback;
    if (texture == nullptr) {
        texture = MakeFallbackTexture(fallback, dest->Format);
        if (texture == nullptr) return;
    }
    if (!ValidImage(texture)) return;
    if (texture->Format != dest->Format || dest->PaletteFlag != 0 || dest->AlphaFlag != 0) return;
    if (texture->PaletteFlag && texture->PalettePtr == nullptr) return;
    // The blend image is read at texel positions: it must cover the texture.
    if (blendImage) {
        if (!ValidImage(blendImage)) return;
        if (blendImage->Width < texture->Width || blendImage->Height < texture->Height) return;
    }

    const MemImgDrawState& state = MemImgDrawStateData;
    if (state.BlendMode < 0 || state.BlendMode > softrender::BLEND_MUL) return;
    const MemImgRect area = softrender::TargetArea(dest);
    const int x1 = area.left, y1 = area.top, y2 = area.bottom;
    int x2 = area.right;
    // Span columns are 16-bit.
    if (x2 > 0x7FFF) x2 = 0x7FFF;
    if (x1 >= x2 || y1 >= y2) return;

    const PrimitiveVertex& v0 = vertices[0];
    const PrimitiveVertex& v1 = vertices[1];
    const PrimitiveVertex& v2 = vertices[2];
    if (!Finite(v0) || !Finite(v1) || !Finite(v2)) return;

    // Sorting and rejection.
    const PrimitiveVertex* byX[3] = {&v0, &v1, &v2};
    const PrimitiveVertex* byY[3] = {&v0, &v1, &v2};
    const PrimitiveVertex* byZ[3] = {&v0, &v1, &v2};
    Sort3(byX, [](const PrimitiveVertex* v) { return v->x; });
    Sort3(byY, [](const PrimitiveVertex* v) { return v->y; });
    Sort3(byZ, [](const PrimitiveVertex* v) { return v->z; });
    const float minX = byX[0]->x, maxX = byX[2]->x, minY = byY[0]->y, maxY = byY[2]->y;
    if (float(x1) > maxX || float(x2) <= minX || float(y1) > maxY || float(y2) <= minY) return;
    if (byZ[2]->z < 0.0f || byZ[0]->z >= 1.0f) return;
    if ((maxY - minY) < 1.1 || (maxX - minX) < 1.1) return;

    // Gradients, from the leftmost vertex towards the rightmost and the middle one.
    Triangle tri;
    tri.a = byX[0];
    tri.b = byX[2];
    tri.m = byX[1];
    tri.dx1 = tri.b->x - tri.a->x;
    tri.dy1 = tri.b->y - tri.a->y;
    tri.dx2 = tri.m->x - tri.a->x;
    tri.dy2 = tri.m->y - tri.a->y;
    tri.det = tri.dx2 * tri.dy1 - tri.dy2 * tri.dx1;
    if (tri.det == 0.0f) return;

    const PrimitiveVertex &A = *tri.a, &B = *tri.b, &M = *tri.m;
    const Plane pu = ValuePlane(tri, A.u * A.rhw, B.u * B.rhw, M.u * M.rhw, 67108864.0);
    const Plane pv = ValuePlane(tri, A.v * A.rhw, B.v * B.rhw, M.v * M.rhw, 67108864.0);
    const Plane pw = ValuePlane(tri, A.rhw, B.rhw, M.rhw, 67108864.0);
    const Plane pz = ValuePlane(tri, A.z, B.z, M.z, 16777216.0);
    const Plane pr = ColourPlane(tri, A.r, B.r, M.r);
    const Plane pg = ColourPlane(tri, A.g, B.g, M.g);
    const Plane pb = ColourPlane(tri, A.b, B.b, M.b);
    const Plane pa = ColourPlane(tri, A.a, B.a, M.a);

    // Edges.
    const PrimitiveVertex &top = *byY[0], &mid = *byY[1], &bot = *byY[2];
    const int ty = FloatToInt(top.y), my = FloatToInt(mid.y), by = FloatToInt(bot.y);
    Edge left{}, right{};
    if (ty == my) {
        const PrimitiveVertex& l = mid.x < top.x ? mid : top;
        const PrimitiveVertex& r = mid.x < top.x ? top : mid;
        left.first = MakeSegment(l.x, l.y, bot.x, bot.y);
        right.first = MakeSegment(r.x, r.y, bot.x, bot.y);
    } else if (my == by) {
        const PrimitiveVertex& l = bot.x < mid.x ? bot : mid;
        const PrimitiveVertex& r = bot.x < mid.x ? mid : bot;
        left.first = MakeSegment(top.x, top.y, l.x, l.y);
        right.first = MakeSegment(top.x, top.y, r.x, r.y);
    } else {
        const Segment topBot = MakeSegment(top.x, top.y, bot.x, bot.y);
        const Segment topMid = MakeSegment(top.x, top.y, mid.x, mid.y);
        if (topBot.slope > topMid.slope) {  // middle vertex on the left
            left.first = topMid;
            left.second = MakeSegment(mid.x, mid.y, bot.x, bot.y);
            left.bends = true;
            right.first = topBot;
        } else {
            left.first = topBot;
            right.first = topMid;
            right.second = MakeSegment(mid.x + 1.0f, mid.y, bot.x, bot.y);
            right.bends = true;
        }
    }

    // Scanlines.
    long long y0 = ((long long)FloatToInt(top.y * 262144.0f) + kEdgeHalf) / kEdgeOne;
    if (y0 < y1) y0 = y1;
    long long yb = FloatToInt(bot.y * 262144.0f);
    if (yb > (long long)y2 * kEdgeOne) yb = (long long)y2 * kEdgeOne;
    long long c = y0 * kEdgeOne + kEdgeHalf;
    if (yb <= c) return;
    const long long rows = (yb - c + (kEdgeOne - 1)) >> 18;

    const float d = (float(y0) + 0.5f) - left.first.y;
    uint32_t leftX = uint32_t(FloatToInt((left.first.x + d * left.first.slope) * 262144.0f));
    uint32_t rightX = uint32_t(FloatToInt((right.first.x + d * right.first.slope) * 262144.0f));
    uint32_t leftStep = uint32_t(FloatToInt(left.first.slope * 262144.0f));
    uint32_t rightStep = uint32_t(FloatToInt(right.first.slope * 262144.0f));
    const long long switchY = FloatToInt(mid.y * 262144.0f);
    bool leftPending = left.bends, rightPending = right.bends;

    // Hand-over.
    PrimSpanJob job{};
    job.spans = g_primSetup.spanTable;
    job.destPitch = dest->Pitch;
    job.depthPitch = depth ? depth->Pitch : 0;
    job.depthWrite = depthWriteFlag;
    job.tex = texture->Pixels;
    job.texPitch = texture->Pitch;
    job.texWidth = texture->Width;
    job.texHeight = texture->Height;
    job.colorKey = texture->ColorKey;
    job.palette = reinterpret_cast<const unsigned char*>(texture->PalettePtr);
    job.texAlpha = texture->PaletteFlag ? 0 : (texture->AlphaFlag != 0);
    job.trans = transFlag;
    job.blend = blendImage ? blendImage->Pixels : nullptr;
    job.blendPitch = blendImage ? blendImage->Pitch : 0;
    job.family = (vertexColorFlag ? 4 : 0) + (texture->Format == MEMIMG_FORMAT_X8R8G8B8 ? 0 : 2) +
                 (texture->PaletteFlag ? 0 : 1);
    job.blendMode = state.BlendMode;
    job.blendParam = state.BlendParam < 0 ? 0 : (state.BlendParam > 255 ? 255 : state.BlendParam);
    job.bright = state.DrawBright;
    job.mulB = MemImgMulTable[job.bright & 0xFF];
    job.mulG = MemImgMulTable[(job.bright >> 8) & 0xFF];
    job.mulR = MemImgMulTable[(job.bright >> 16) & 0xFF];
    job.mulP = MemImgMulTable[job.blendParam];
    job.diffP = &MemImgDiffTable[job.blendParam][255];
    job.weight = BlendGraphWeightTable;

    // The span table holds kPrimSpanTableRows scanlines: taller triangles are
    // handed over in batches, each with its interpolants taken at its first row.
    auto flush = [&](int firstY, int count) {
        job.rows = count;
        job.destRow = dest->Pixels + (ptrdiff_t)firstY * dest->Pitch;
        job.depthRow = depth ? depth->Pixels + (ptrdiff_t)firstY * depth->Pitch : nullptr;
        job.w = StepAt(pw, firstY);
        job.u = StepAt(pu, firstY);
        job.v = StepAt(pv, firstY);
        job.z = StepAt(pz, firstY);
        job.r = StepAt(pr, firstY);
        job.g = StepAt(pg, firstY);
        job.b = StepAt(pb, firstY);
        job.a = StepAt(pa, firstY);
        run(job);
    };

    int batchY = int(y0), filled = 0;
    for (long long i = 0; i < rows; ++i) {
        const long long lp = ((long long)int32_t(leftX) + kEdgeHalf) / kEdgeOne;
        const long long rp = ((long long)int32_t(rightX) - kEdgeHalf) / kEdgeOne;
        long long x = lp, count = rp - lp + 1;
        if (x < x1) {
            count -= x1 - x;
            x = x1;
        }
        if (x + count > x2) count = x2 - x;
        if (count <= 0) count = 0;
        g_primSetup.spanTable[filled].x = int16_t(count ? x : x1);
        g_primSetup.spanTable[filled].count = int16_t(count);
        if (++filled == kPrimSpanTableRows) {
            flush(batchY, filled);
            batchY += filled;
            filled = 0;
        }

        leftX += leftStep;
        rightX += rightStep;
        c += kEdgeOne;
        const float height = float(c) / 262144.0f;
        if (leftPending && switchY <= c) {
            const Segment& s = left.second;
            leftX = uint32_t(FloatToInt((s.x + (height - s.y) * s.slope) * 262144.0f));
            leftStep = uint32_t(FloatToInt(s.slope * 262144.0f));
            leftPending = false;
        }
        if (rightPending && switchY <= c) {
            const Segment& s = right.second;
            rightX = uint32_t(FloatToInt((s.x + (height - s.y) * s.slope) * 262144.0f));
            rightStep = uint32_t(FloatToInt(s.slope * 262144.0f));
            rightPending = false;
        }
    }
    if (filled > 0) flush(batchY, filled);
}
