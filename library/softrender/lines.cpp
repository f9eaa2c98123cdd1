// One-pixel lines and line lists: clipping by the line's equation, then integer stepping.
#include <cstddef>

#include "core/routines.h"
#include "softrender/colour_rules.h"
#include "softrender/softrender.h"

using namespace softrender;

namespace {

struct LineJob {
    ColourCtx k;
    uint8_t* start;
    int32_t adx, ady;
    std::ptrdiff_t stepX, stepY;  // bytes for one pixel and one row, with the signs
};

template <int Fmt32, int Mode>
void StepLine(const LineJob& j) {
    using Rule = ColourRule<Fmt32, Mode>;
    using Dst = typename Rule::Dst;
    uint8_t* p = j.start;
    int32_t e = 0;
    if (j.adx >= j.ady) {
        for (int32_t i = 0; i < j.adx; ++i) {
            Rule::Apply(j.k, reinterpret_cast<Dst*>(p));
            e += j.ady;
            p += j.stepX;
            if (e >= j.adx) {
                p += j.stepY;
                e -= j.adx;
            }
        }
    } else {
        for (int32_t i = 0; i < j.ady; ++i) {
            Rule::Apply(j.k, reinterpret_cast<Dst*>(p));
            e += j.adx;
            p += j.stepY;
            if (e >= j.ady) {
                p += j.stepX;
                e -= j.ady;
            }
        }
    }
}

using LineFn = void (*)(const LineJob&);
constexpr LineFn kLine32[5] = {&StepLine<1, 0>, &StepLine<1, 1>, &StepLine<1, 2>, &StepLine<1, 3>, &StepLine<1, 4>};
constexpr LineFn kLine16[5] = {&StepLine<0, 0>, &StepLine<0, 1>, &StepLine<0, 2>, &StepLine<0, 3>, &StepLine<0, 4>};

int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

void MemImgDrawLineBase(MEMIMG* dest, int x1, int y1, int x2, int y2, uint32_t color) {
    if (dest == nullptr || dest->Pixels == nullptr) return;
    if (dest->PaletteFlag == 1 || dest->AlphaFlag == 1) return;
    const MemImgRect a = TargetArea(dest);
    const int64_t L = a.left, T = a.top, R = a.right, B = a.bottom;
    if (R <= L || B <= T) return;
    if ((y1 < y2 ? y1 : y2) >= B || (x1 < x2 ? x1 : x2) >= R || (y1 > y2 ? y1 : y2) < T || (x1 > x2 ? x1 : x2) < L)
        return;

    const double kx = y1 == y2 ? 0.0 : double(int64_t(x2) - x1) / double(int64_t(y2) - y1);
    const double ky = x1 == x2 ? 0.0 : double(int64_t(y2) - y1) / double(int64_t(x2) - x1);
    const double cx = double(x1) - double(y1) * kx, cy = double(y1) - double(x1) * ky;
    // Coordinates are held in 64 bits so that the clamps below never wrap.
    int64_t px1 = x1, py1 = y1, px2 = x2, py2 = y2;
    if (px1 < L) px1 = L, py1 = DoubleToInt(double(L) * ky + cy);
    else if (px1 >= R) px1 = R - 1, py1 = DoubleToInt(double(R - 1) * ky + cy);
    if (px2 < L) px2 = L - 1, py2 = DoubleToInt(double(L - 1) * ky + cy);
    else if (px2 >= R) px2 = R, py2 = DoubleToInt(double(R) * ky + cy);
    if (py1 < T) py1 = T, px1 = DoubleToInt(double(T) * kx + cx);
    else if (py1 >= B) py1 = B - 1, px1 = DoubleToInt(double(B - 1) * kx + cx);
    if (py2 < T) py2 = T - 1, px2 = DoubleToInt(double(T - 1) * kx + cx);
    else if (py2 >= B) py2 = B, px2 = DoubleToInt(double(B) * kx + cx);
    px1 = Clamp64(px1, L, R - 1);
    py1 = Clamp64(py1, T, B - 1);
    px2 = Clamp64(px2, L - 1, R);
    py2 = Clamp64(py2, T - 1, B);

    const int64_t dx = px2 - px1, dy = py2 - py1;
    if (dx == 0 && dy == 0) return;
    if (dest->Format != 0 && dest->Format != 1) return;
    const int fmt32 = dest->Format;
    const int mode = ColourModeToRun(MemImgDrawStateData.BlendMode, MemImgDrawStateData.BlendParam);
    if (mode < 0) return;
    const int bytes = fmt32 ? 4 : 2;
    LineJob job;
    MakeColourCtx(&job.k, BrightenByShift(color, fmt32), fmt32);
    job.start = dest->Pixels + std::ptrdiff_t(py1) * dest->Pitch + std::ptrdiff_t(px1) * bytes;
    job.adx = int32_t(dx < 0 ? -dx : dx);
    job.ady = int32_t(dy < 0 ? -dy : dy);
    job.stepX = dx >= 0 ? bytes : -bytes;
    job.stepY = dy >= 0 ? std::ptrdiff_t(dest->Pitch) : -std::ptrdiff_t(dest->Pitch);
    (fmt32 ? kLine32 : kLine16)[mode](job);
}

void MemImgDrawLineList(MEMIMG* dest, const LineSegment* entries, int count) {
    if (entries == nullptr) return;
    for (int i = 0; i < count; ++i)
        MemImgDrawLineBase(dest, entries[i].x1, entries[i].y1, entries[i].x2, entries[i].y2, entries[i].color);
}
