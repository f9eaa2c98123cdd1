// The rotated transfer: a whole source turned and scaled about a centre, or mirrored through the mapper.
#include <cmath>
#include <cstdint>

#include "core/routines.h"
#include "softrender/rotate_walk.h"
#include "softrender/softrender.h"

using namespace softrender;

namespace {

constexpr int32_t kOne = 262144;  // 1.0 in 18-bit fixed point
constexpr int kFixedRange = 8192;  // whole pixels that fit beside the 18 fraction bits

int32_t Fixed(int32_t v) { return WrapMul(v, kOne); }

}  // namespace

void MemImgDrawRotaGraphBase(MEMIMG* dest, const MEMIMG* src, int x, int y, float angle, float scale, int transFlag,
                             int turnFlag, const MEMIMG* blendImage) {
    if (dest == nullptr || src == nullptr || dest->Pixels == nullptr || src->Pixels == nullptr) return;
    if (dest->Format != src->Format || dest->PaletteFlag == 1 || dest->AlphaFlag == 1) return;
    if (src->Width <= 0 || src->Height <= 0) return;
    // A zero or non-finite scale, or a non-finite angle, has no picture to draw.
    if (!std::isfinite(angle) || !std::isfinite(scale) || scale == 0.0f) return;
    // The fixed point holds positions below 8192 pixels; a centre beyond it would wrap round onto the target.
    if (x <= -kFixedRange || x >= kFixedRange || y <= -kFixedRange || y >= kFixedRange) return;

    float sm, cm, sp, cp;
    SinCos(-angle, &sm, &cm);
    const int32_t Sm = FloatToInt(sm * 262144.0f), Cm = FloatToInt(cm * 262144.0f);
    SinCos(angle, &sp, &cp);
    const int32_t Sp = FloatToInt(sp * 262144.0f), Cp = FloatToInt(cp * 262144.0f);

    const uint32_t w = uint32_t(src->Width), h = uint32_t(src->Height);
    const float hw = float(w) * scale * 0.5f, hh = float(h) * scale * 0.5f;
    const float P = float(Cp) * hw, Q = float(Sp) * hw, R = float(Cp) * hh, S = float(Sp) * hh;
    const int32_t fx = Fixed(x), fy = Fixed(y);
    int32_t cx[4], cy[4];
    cx[0] = WrapAdd(fx, FloatToInt(S - P)), cy[0] = WrapAdd(fy, FloatToInt(-R - Q));
    cx[1] = WrapAdd(fx, FloatToInt(-P - S)), cy[1] = WrapAdd(fy, FloatToInt(R - Q));
    cx[2] = WrapAdd(fx, FloatToInt(P - S)), cy[2] = WrapAdd(fy, FloatToInt(R + Q));
    cx[3] = WrapAdd(fx, FloatToInt(P + S)), cy[3] = WrapAdd(fy, FloatToInt(Q - R));

    if (turnFlag) {
        const int32_t corners[8] = {cx[3] / kOne, cy[3] / kOne, cx[0] / kOne, cy[0] / kOne,
                                    cx[2] / kOne, cy[2] / kOne, cx[1] / kOne, cy[1] / kOne};
        MemImgDrawRotaGraphPolygon(dest, src, corners, transFlag, blendImage);
        return;
    }

    int32_t minX = cx[0], maxX = cx[0], minY = cy[0], maxY = cy[0];
    for (int i = 1; i < 4; ++i) {
        if (cx[i] < minX) minX = cx[i];
        if (cx[i] > maxX) maxX = cx[i];
        if (cy[i] < minY) minY = cy[i];
        if (cy[i] > maxY) maxY = cy[i];
    }
    if (cy[0] == cy[1] && cy[1] == cy[2] && cy[2] == cy[3]) return;
    MemImgRect box{minX / kOne - 2, minY / kOne - 2, maxX / kOne + 4, maxY / kOne + 4};
    if (!ClipToTarget(&box, dest)) return;

    const int fmt32 = src->Format;
    if (fmt32 != 0 && fmt32 != 1) return;
    const int index = ChooseMember(src, blendImage, transFlag, CORE_MAPPED, fmt32);
    if (index < 0) return;

    const int32_t du = FloatToInt(float(Cp) / scale), dv = FloatToInt(float(Sm) / scale);
    const int32_t halfU = Fixed(int32_t(w >> 1)), halfV = Fixed(int32_t(h >> 1));
    const int32_t dx = box.left - x;
    auto edgeU = [&](int32_t dy) {
        return WrapAdd(FloatToInt(float(WrapSub(WrapMul(dx, Cm), WrapMul(dy, Sm))) / scale), halfU);
    };
    auto edgeV = [&](int32_t dy) {
        return WrapAdd(FloatToInt(float(WrapAdd(WrapMul(dy, Cm), WrapMul(dx, Sm))) / scale), halfV);
    };
    const int32_t rows = box.bottom - box.top, columns = box.right - box.left;
    const int32_t uTop = edgeU(box.top - y), vTop = edgeV(box.top - y);
    const int32_t uBottom = edgeU(box.bottom - y), vBottom = edgeV(box.bottom - y);
    // Differences are taken modulo 2^32 and then divided as signed values.
    const int32_t Du = WrapSub(uBottom, uTop) / rows, Dv = WrapSub(vBottom, vTop) / rows;

    RotateJob job;
    MakePixelCtx(&job.ctx, src);
    const int destBytes = fmt32 ? 4 : 2;
    job.dst = dest->Pixels + std::ptrdiff_t(box.top) * dest->Pitch + std::ptrdiff_t(box.left) * destBytes;
    job.dstPitch = dest->Pitch;
    job.columns = columns;
    job.rows = rows;
    job.u0 = uint32_t(uTop);
    job.v0 = uint32_t(vTop);
    job.du = uint32_t(du);
    job.dv = uint32_t(dv);
    job.rowDu = uint32_t(Du);
    job.rowDv = uint32_t(Dv);
    job.limitU = uint64_t(w) << 18;
    job.limitV = uint64_t(h) << 18;
    job.src = src->Pixels;
    job.srcPitch = src->Pitch;
    job.blend = blendImage ? blendImage->Pixels : nullptr;
    job.blendPitch = blendImage ? blendImage->Pitch : 0;
    (fmt32 ? kRotateTable32 : kRotateTable16)[index](job);
}
