// The plain per-pixel form of every span family: each option is tested at
// each pixel and each weight is spelled out. Slow; the fast loops must match it.
#include <cstddef>
#include <cstring>

#include "softrender/pixel_rules.h"
#include "softrender/primitive/prim_internal.h"

namespace {

using softrender::BLEND_ADD;
using softrender::BLEND_ALPHA;
using softrender::BLEND_COPY;
using softrender::BLEND_MUL;
using softrender::BLEND_SUB;
using i64 = long long;

int32_t At(const PrimStep& s, int row, int x) {
    return int32_t(uint32_t(s.row) + uint32_t(row) * uint32_t(s.dy) + uint32_t(x) * uint32_t(s.dx) +
                   uint32_t(s.dx / 2));
}

int ByteOf(int32_t c) {
    const int v = c / 16384;
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// The weights of one pixel, multiplied together, and how many there are.
struct Weights {
    i64 q = 1;
    int n = 0;
    bool onlyParam = true;
    void Add(i64 w, bool isParam) {
        q *= w;
        ++n;
        if (!isParam) onlyParam = false;
    }
};

// One pixel of any family; returns without writing when the pixel is skipped.
void DrawPixel(const PrimSpanJob& j, int mode, unsigned char* d, uint32_t col, uint32_t row, const int vc[4]) {
    const bool colour = j.family >= PRIM_COL32_PAL;
    const bool wide = j.family == PRIM_TEX32_PAL || j.family == PRIM_TEX32_RGB || j.family == PRIM_COL32_PAL ||
                      j.family == PRIM_COL32_RGB;
    const bool palette = (j.family % 2) == 0;
    const bool white = (j.bright & 0xFFFFFF) == 0xFFFFFF;
    const int p = j.blendParam;
    const int brightByte[3] = {int(j.bright & 0xFF), int((j.bright >> 8) & 0xFF), int((j.bright >> 16) & 0xFF)};

    // Texel: colour channels in memory order for 32 bits (blue, green, red),
    // field order for 16 bits (red, green, blue).
    int tc[3];
    uint32_t word32 = 0;
    bool hasK = false;
    int k = 0;
    const unsigned char* tp;
    if (palette) {
        const uint32_t index = j.tex[size_t(row) * j.texPitch + col];
        if (j.trans && index == j.colorKey) return;
        if (wide) {
            tp = j.palette + 4 * index;
            std::memcpy(&word32, tp, 4);
            for (int c = 0; c < 3; ++c) tc[c] = tp[c];
        } else {
            tp = j.palette + 2 * index;
            const int w = tp[0] | tp[1] << 8;
            tc[0] = w >> 11, tc[1] = (w >> 5) & 63, tc[2] = w & 31;
        }
    } else if (wide) {
        tp = j.tex + size_t(row) * j.texPitch + 4 * col;
        std::memcpy(&word32, tp, 4);
        for (int c = 0; c < 3; ++c) tc[c] = tp[c];
        if (j.texAlpha) {
            hasK = true;
            k = tp[3];
        } else if (j.trans && word32 == j.colorKey) {
            return;
        }
    } else {
        tp = j.tex + size_t(row) * j.texPitch + (j.texAlpha ? 4 : 2) * col;
        const uint32_t w = uint32_t(tp[0] | tp[1] << 8);
        tc[0] = int(w >> 11), tc[1] = int((w >> 5) & 63), tc[2] = int(w & 31);
        if (j.texAlpha) {
            hasK = true;
            k = tp[2];
        } else if (j.trans && w == j.colorKey) {
            return;
        }
    }
    // Texel alpha with the colour key on: 0 is a hole (not for multiply),
    // 255 is plain opaque and drops out of the arithmetic.
    if (hasK && j.trans) {
        if (k == 0 && mode != BLEND_MUL) return;
        if (k == 255) hasK = false;
    }
    const bool hasB = j.blend != nullptr;
    const int bw = hasB ? j.weight[j.blend[size_t(row) * j.blendPitch + col]] : 0;

    // Destination channels in the texel's order.
    int dc[3];
    uint32_t dword = 0;
    if (wide) {
        std::memcpy(&dword, d, 4);
        for (int c = 0; c < 3; ++c) dc[c] = d[c];
    } else {
        const int w = d[0] | d[1] << 8;
        dc[0] = w >> 11, dc[1] = (w >> 5) & 63, dc[2] = w & 31;
    }
    // Vertex colour per channel in the same order; vc is blue, green, red, alpha.
    int v[3];
    if (wide)
        v[0] = vc[0], v[1] = vc[1], v[2] = vc[2];
    else
        v[0] = vc[2], v[1] = vc[1], v[2] = vc[0];
    const int a = vc[3];
    // Brightness byte per channel in the same order.
    int br[3];
    if (wide)
        br[0] = brightByte[0], br[1] = brightByte[1], br[2] = brightByte[2];
    else
        br[0] = brightByte[2], br[1] = brightByte[1], br[2] = brightByte[0];
    const int extra[3] = {0, wide ? 0 : 1, 0};  // 16-bit green keeps one more bit

    Weights wt;
    if (colour) {
        if (mode >= BLEND_ALPHA && mode <= BLEND_SUB) wt.Add(a, false);
    } else if (mode == BLEND_ALPHA || (wide && (mode == BLEND_ADD || mode == BLEND_SUB))) {
        wt.Add(p, true);
    }
    if (hasB) wt.Add(bw, false);
    if (hasK) wt.Add(k, false);
    const i64 Q = wt.q;
    const int n = wt.n;

    i64 out[3];
    i64 e[3] = {0, 0, 0};
    for (int c = 0; c < 3; ++c) {
        const i64 t = tc[c], dv = dc[c];
        i64 s = t;
        if (colour)
            s = (t * v[c]) >> 8;
        else if (!white)
            s = t * br[c] / 255;
        switch (mode) {
        case BLEND_COPY:
        case BLEND_ALPHA:
            if (n == 0)
                out[c] = s;
            else if (!colour && !wide && mode == BLEND_ALPHA && n == 1)
                out[c] = dv + i64(p) * (s - dv) / 255;
            else
                out[c] = ((dv << (8 * n)) + (s - dv) * Q) >> (8 * n);
            break;
        case BLEND_ADD:
        case BLEND_SUB:
            if (colour)
                e[c] = n == 3 ? (s * Q) >> 24 : (t * v[c] * Q) >> (8 + 8 * n);
            else if (wide)
                e[c] = wt.onlyParam ? p * s / 255 : (s * Q) >> (8 * n);
            else if (!hasB) {
                i64 x = hasK ? (t * k) >> 8 : t;
                if (!white) x = x * br[c] / 255;
                e[c] = i64(p) * x / 255;
            } else {
                const i64 x = hasK ? (s * bw * k) >> 16 : (s * bw) >> 8;
                e[c] = i64(p) * x / 255;
            }
            break;
        default: {
            const int base = wide ? 8 : 5 + extra[c];
            if (colour && n == 2)
                out[c] = (s * Q * dv) >> (wide ? 24 : 21 + extra[c]);
            else if (colour)
                out[c] = (t * v[c] * dv * Q) >> (base + 8 + 8 * n);
            else
                out[c] = (s * dv * Q) >> (base + 8 * n);
            break;
        }
        }
    }

    if (mode == BLEND_ADD || mode == BLEND_SUB) {
        if (wide) {
            const uint32_t S = uint32_t(e[0] & 0xFF) | uint32_t(e[1] & 0xFF) << 8 | uint32_t(e[2] & 0xFF) << 16;
            const uint32_t r = mode == BLEND_ADD ? softrender::PackedAdd32(dword, S) : softrender::PackedSub32(dword, S);
            std::memcpy(d, &r, 4);
        } else {
            const uint32_t S = uint32_t(e[0]) << 11 | uint32_t(e[1]) << 5 | uint32_t(e[2]);
            const uint32_t D = uint32_t(d[0] | d[1] << 8);
            const uint32_t r = mode == BLEND_ADD ? softrender::PackedAdd16(D, S) : softrender::PackedSub16(D, S);
            d[0] = uint8_t(r), d[1] = uint8_t(r >> 8);
        }
        return;
    }
    if (wide) {
        // A plain texture copy at white brightness takes the texel's fourth byte too.
        if (!colour && mode == BLEND_COPY && n == 0 && white) {
            std::memcpy(d, &word32, 4);
            return;
        }
        for (int c = 0; c < 3; ++c) d[c] = uint8_t(out[c]);
    } else {
        const uint32_t w = uint32_t(out[0] & 31) << 11 | uint32_t(out[1] & 63) << 5 | uint32_t(out[2] & 31);
        d[0] = uint8_t(w), d[1] = uint8_t(w >> 8);
    }
}

}  // namespace

void PrimRunReferenceSpans(const PrimSpanJob& j) {
    if (j.blendMode < 0 || j.blendMode > BLEND_MUL) return;
    const bool colour = j.family >= PRIM_COL32_PAL;
    const bool palette = (j.family % 2) == 0;
    int mode = j.blendMode;
    // Parameter gates of the texture-only families; vertex colour has none.
    if (!colour) {
        if (mode == BLEND_ALPHA && j.blendParam == 255) mode = BLEND_COPY;
        if (j.blendParam == 0 && (mode == BLEND_ALPHA || mode == BLEND_ADD || (mode == BLEND_SUB && !palette))) return;
    }
    const bool wide = j.family == PRIM_TEX32_PAL || j.family == PRIM_TEX32_RGB || j.family == PRIM_COL32_PAL ||
                      j.family == PRIM_COL32_RGB;
    const int bytes = wide ? 4 : 2;

    for (int i = 0; i < j.rows; ++i) {
        const PrimSpan e = j.spans[i];
        if (e.count <= 0 || At(j.w, i, e.x) == 0) continue;
        unsigned char* destRow = j.destRow + ptrdiff_t(i) * j.destPitch;
        unsigned char* depthRow = j.depthRow ? j.depthRow + ptrdiff_t(i) * j.depthPitch : nullptr;
        for (int x = e.x; x < e.x + e.count; ++x) {
            if (depthRow) {
                int z = At(j.z, i, x) >> 8;
                z = z < 0 ? 0 : (z > 65535 ? 65535 : z);
                unsigned char* zp = depthRow + 2 * x;
                if ((zp[0] | zp[1] << 8) < z) continue;
                if (j.depthWrite) zp[0] = uint8_t(z), zp[1] = uint8_t(z >> 8);
            }
            const int32_t W = At(j.w, i, x);
            if (W == 0) continue;
            const int32_t F = 0x20000000 / W;
            const uint32_t col = (uint32_t(At(j.u, i, x) >> 10) * uint32_t(F) * uint32_t(j.texWidth)) >> 19;
            const uint32_t row = (uint32_t(At(j.v, i, x) >> 10) * uint32_t(F) * uint32_t(j.texHeight)) >> 19;
            if (col >= uint32_t(j.texWidth) || row >= uint32_t(j.texHeight)) continue;
            const int vc[4] = {ByteOf(At(j.b, i, x)), ByteOf(At(j.g, i, x)), ByteOf(At(j.r, i, x)),
                               ByteOf(At(j.a, i, x))};
            DrawPixel(j, mode, destRow + ptrdiff_t(bytes) * x, col, row, vc);
        }
    }
}
