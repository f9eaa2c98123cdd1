// The triangle mapper: set-up of one affine textured or flat triangle, and quads as two triangles.
#include <cstdint>

#include "core/routines.h"
#include "softrender/softrender.h"
#include "softrender/triangle_walk.h"

using namespace softrender;

namespace {

constexpr int32_t kOne = 262144;
constexpr int32_t kHalf = 131072;

using FlatFn = void (*)(const TriangleJob&);
constexpr FlatFn kFlat32[5] = {&FlatWalker<1, 0>::Run, &FlatWalker<1, 1>::Run, &FlatWalker<1, 2>::Run,
                               &FlatWalker<1, 3>::Run, &FlatWalker<1, 4>::Run};
constexpr FlatFn kFlat16[5] = {&FlatWalker<0, 0>::Run, &FlatWalker<0, 1>::Run, &FlatWalker<0, 2>::Run,
                               &FlatWalker<0, 3>::Run, &FlatWalker<0, 4>::Run};

// Exchange sort of the three indices by key; equal keys keep their order.
void SortIndices(const int32_t* key, int* order) {
    order[0] = 0, order[1] = 1, order[2] = 2;
    for (int i = 0; i < 2; ++i)
        for (int k = i + 1; k < 3; ++k)
            if (key[order[i]] > key[order[k]]) {
                const int t = order[i];
                order[i] = order[k];
                order[k] = t;
            }
}

int32_t Gradient(int32_t numerator, int32_t det) { return DoubleToInt(262144.0 * double(numerator) / double(det)); }

// One segment from (xs, ys) to (xe, ye); false when it has no rows.
bool MakeSegment(int32_t xs, int32_t ys, int32_t xe, int32_t ye, int32_t* x, int32_t* slope, int32_t* rows) {
    const int32_t n = FixedWhole(WrapSub(ye, ys));
    if (n <= 0) return false;
    *x = xs;
    *slope = WrapSub(xe, xs) / n;
    *rows = n;
    return true;
}

}  // namespace

void MemImgDrawPolygonBase(MEMIMG* dest, const MEMIMG* src, const MemImgVertex* vertices, int transFlag,
                           const MEMIMG* blendImage, uint32_t fillColor) {
    if (dest == nullptr || vertices == nullptr || dest->Pixels == nullptr) return;
    if (src != nullptr && (src->Format != dest->Format || src->Pixels == nullptr)) return;
    if (dest->PaletteFlag == 1 || dest->AlphaFlag == 1) return;
    if (dest->Format != 0 && dest->Format != 1) return;

    int32_t X[3], Y[3], U[3], V[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = WrapAdd(WrapMul(vertices[i].x, kOne), kHalf);
        Y[i] = WrapAdd(WrapMul(vertices[i].y, kOne), kHalf);
        U[i] = src ? WrapMul(vertices[i].u, kOne) : 0;
        V[i] = src ? WrapMul(vertices[i].v, kOne) : 0;
    }
    int a[3], b[3];
    SortIndices(X, a);
    SortIndices(Y, b);

    TriangleJob job;
    // Texture gradients, from the vertices in X order.
    const int32_t dx1 = FixedWhole(WrapSub(X[a[1]], X[a[0]])), dx2 = FixedWhole(WrapSub(X[a[2]], X[a[0]]));
    const int32_t dy1 = FixedWhole(WrapSub(Y[a[1]], Y[a[0]])), dy2 = FixedWhole(WrapSub(Y[a[2]], Y[a[0]]));
    const int32_t du1 = FixedWhole(WrapSub(U[a[1]], U[a[0]])), du2 = FixedWhole(WrapSub(U[a[2]], U[a[0]]));
    const int32_t dv1 = FixedWhole(WrapSub(V[a[1]], V[a[0]])), dv2 = FixedWhole(WrapSub(V[a[2]], V[a[0]]));
    const int32_t det = WrapSub(WrapMul(dy1, dx2), WrapMul(dy2, dx1));
    if (det == 0) return;
    job.dudx = Gradient(WrapSub(WrapMul(dy1, du2), WrapMul(dy2, du1)), det);
    job.dudy = Gradient(WrapSub(WrapMul(du1, dx2), WrapMul(dx1, du2)), det);
    job.dvdx = Gradient(WrapSub(WrapMul(dy1, dv2), WrapMul(dy2, dv1)), det);
    job.dvdy = Gradient(WrapSub(WrapMul(dv1, dx2), WrapMul(dx1, dv2)), det);
    job.xr = FixedWhole(X[a[0]]);
    job.yr = FixedWhole(Y[a[0]]);
    job.u0 = U[a[0]];
    job.v0 = V[a[0]];

    // Edges, from the vertices in Y order.
    const int T = b[0], M = b[1], B = b[2];
    TriangleSide& L = job.left;
    TriangleSide& R = job.right;
    bool ok = true;
    if (Y[T] == Y[M]) {
        const int lt = X[T] <= X[M] ? T : M, rt = lt == T ? M : T;
        L.segments = R.segments = 1;
        ok = MakeSegment(X[lt], Y[lt], X[B], Y[B], &L.x[0], &L.slope[0], &L.rows[0]) &&
             MakeSegment(X[rt], Y[rt], X[B], Y[B], &R.x[0], &R.slope[0], &R.rows[0]);
    } else if (Y[M] == Y[B]) {
        const int lb = X[M] <= X[B] ? M : B, rb = lb == M ? B : M;
        L.segments = R.segments = 1;
        ok = MakeSegment(X[T], Y[T], X[lb], Y[lb], &L.x[0], &L.slope[0], &L.rows[0]) &&
             MakeSegment(X[T], Y[T], X[rb], Y[rb], &R.x[0], &R.slope[0], &R.rows[0]);
    } else {
        const int32_t longRows = FixedWhole(WrapSub(Y[B], Y[T])), midRows = FixedWhole(WrapSub(Y[M], Y[T]));
        if (longRows == 0 || midRows == 0) return;
        const double sLong = double(WrapSub(X[B], X[T])) / double(longRows);
        const double sMid = double(WrapSub(X[M], X[T])) / double(midRows);
        if (sLong > sMid) {
            L.segments = 2;
            R.segments = 1;
            ok = MakeSegment(X[T], Y[T], X[M], Y[M], &L.x[0], &L.slope[0], &L.rows[0]) &&
                 MakeSegment(X[M], Y[M], X[B], Y[B], &L.x[1], &L.slope[1], &L.rows[1]) &&
                 MakeSegment(X[T], Y[T], X[B], Y[B], &R.x[0], &R.slope[0], &R.rows[0]);
        } else {
            L.segments = 1;
            R.segments = 2;
            const int32_t xm = WrapAdd(X[M], 1);
            ok = MakeSegment(X[T], Y[T], X[B], Y[B], &L.x[0], &L.slope[0], &L.rows[0]) &&
                 MakeSegment(X[T], Y[T], X[M], Y[M], &R.x[0], &R.slope[0], &R.rows[0]) &&
                 MakeSegment(xm, Y[M], X[B], Y[B], &R.x[1], &R.slope[1], &R.rows[1]);
        }
    }
    if (!ok) return;
    job.firstRow = FixedWhole(Y[T]);
    job.area = TargetArea(dest);
    if (job.area.right <= job.area.left || job.area.bottom <= job.area.top) return;
    const int fmt32 = dest->Format;
    job.dst = dest->Pixels;
    job.dstPitch = dest->Pitch;

    if (src == nullptr) {
        const int mode = ColourModeToRun(MemImgDrawStateData.BlendMode, MemImgDrawStateData.BlendParam);
        if (mode < 0) return;
        MakeColourCtx(&job.colour, BrightenByTable(fillColor, fmt32), fmt32);
        (fmt32 ? kFlat32 : kFlat16)[mode](job);
        return;
    }
    if (src->Width <= 0 || src->Height <= 0) return;
    const int index = ChooseMember(src, blendImage, transFlag, CORE_MAPPED, fmt32);
    if (index < 0) return;
    MakePixelCtx(&job.ctx, src);
    job.limitU = uint64_t(uint32_t(src->Width)) << 18;
    job.limitV = uint64_t(uint32_t(src->Height)) << 18;
    job.src = src->Pixels;
    job.srcPitch = src->Pitch;
    job.blend = blendImage ? blendImage->Pixels : nullptr;
    job.blendPitch = blendImage ? blendImage->Pitch : 0;
    (fmt32 ? kTriangleTable32 : kTriangleTable16)[index](job);
}

void MemImgDrawRotaGraphPolygon(MEMIMG* dest, const MEMIMG* src, const int32_t* corners, int transFlag,
                                const MEMIMG* blendImage) {
    if (dest == nullptr || src == nullptr || corners == nullptr) return;
    int32_t minX = corners[0], maxX = corners[0], minY = corners[1], maxY = corners[1];
    for (int i = 1; i < 4; ++i) {
        const int32_t x = corners[i * 2], y = corners[i * 2 + 1];
        if (x < minX) minX = x;
        if (x > maxX) maxX = x;
        if (y < minY) minY = y;
        if (y > maxY) maxY = y;
    }
    MemImgRect box{WrapSub(minX, 2), WrapSub(minY, 2), WrapAdd(maxX, 4), WrapAdd(maxY, 4)};
    if (!ClipToTarget(&box, dest)) return;
    const int32_t w = src->Width, h = src->Height;
    const MemImgVertex first[3] = {{corners[0], corners[1], 0, 0}, {corners[2], corners[3], w, 0},
                                   {corners[4], corners[5], 0, h}};
    const MemImgVertex second[3] = {{corners[2], corners[3], w, 0}, {corners[4], corners[5], 0, h},
                                    {corners[6], corners[7], w, h}};
    MemImgDrawPolygonBase(dest, src, first, transFlag, blendImage, 0);
    MemImgDrawPolygonBase(dest, src, second, transFlag, blendImage, 0);
}
