// Reference pixel rules written straight from the rule tables, one pixel at a time
// with every option tested at run time: the oracle for the specialised members.
#pragma once
#include <cstdint>

#include "softrender/draw_state.h"

namespace srtest {

enum RefCore { REF_RECT = 0, REF_STRETCH = 1, REF_MAPPED = 2 };

struct RefCall {
    int core;
    int fmt32;
    int kind;          // 0 palette, 1 direct, 2 alpha
    int mode, p;
    uint32_t bright;   // draw-bright word
    bool blendImage;
    bool trans;
    uint32_t key;
    const uint32_t* palette32;
    const uint16_t* palette16;
};

namespace ref {

inline int64_t FloorShift(int64_t v, int bits) {
    // Floor division by 2^bits, written without relying on the shift of a negative value.
    const int64_t d = int64_t(1) << bits;
    return v >= 0 ? v / d : -((-v + d - 1) / d);
}
inline uint32_t T(int r, int v) { return uint32_t(r * v / 255); }

// Channels: 32-bit B, G, R bytes; 16-bit B, G, R fields.
inline void Split(int fmt32, uint32_t v, int c[3]) {
    if (fmt32) c[0] = v & 255, c[1] = (v >> 8) & 255, c[2] = (v >> 16) & 255;
    else c[0] = v & 31, c[1] = (v >> 5) & 63, c[2] = (v >> 11) & 31;
}
inline uint32_t Join(int fmt32, const int c[3], uint32_t top) {
    if (fmt32) return (top & 0xFF000000u) | uint32_t(c[2]) << 16 | uint32_t(c[1]) << 8 | uint32_t(c[0]);
    return uint32_t(c[2]) << 11 | uint32_t(c[1]) << 5 | uint32_t(c[0]);
}

inline uint32_t Add32(uint32_t d, uint32_t s, bool orTerm) {
    uint32_t x = (d & 0xFEFEFF) + (s & 0xFEFEFF), k = x & 0x1010100;
    return (k - (k >> 8)) | (orTerm ? ((d | s) & 0x10100) : 0) | x;
}
inline uint32_t Sub32(uint32_t d, uint32_t s) {
    uint32_t x = (d | 0x1010100) - (s & 0xFEFEFEFF), k = x & 0x1010100;
    return x & (k - (k >> 8));
}
inline uint32_t Add16(uint32_t d, uint32_t s, bool orTerm) {
    uint32_t x = (d & 0xF7DEF7DF) + (s & 0xF7DEF7DF), k = x & 0x08210820;
    return ((k - (k >> 5)) | (orTerm ? ((d | s) & 0x820) : 0) | x) & 0xFFFF;
}
inline uint32_t Sub16(uint32_t d, uint32_t s) {
    uint32_t x = (d | 0x08210820) - (s & 0xF7DEF7DF), k = x & 0x08210820;
    return (x & (k - (k >> 5))) & 0xFFFF;
}

}  // namespace ref

// New value of destination pixel d for raw texel value raw (index, word, or word
// with alpha) and blend-image byte wb.
inline uint32_t RefPixel(const RefCall& c, uint32_t d, uint32_t raw, int wb) {
    using namespace ref;
    int mode = c.mode;
    const int p = c.p;
    if (mode < 0 || mode > 4) return d;
    if (mode == 1 && p == 255) mode = 0;
    if (mode == 1 && p == 0) return d;
    if (mode == 2 && p == 0) return d;
    if (mode == 3 && p == 0 && c.kind != 0) return d;
    const bool bright = (c.bright & 0xFFFFFF) != 0xFFFFFF;
    const int fmt32 = c.fmt32;

    uint32_t colour;
    int alpha = -1;  // -1: no alpha factor
    if (c.kind == 0) {
        if (c.trans && raw == c.key) return d;
        colour = fmt32 ? c.palette32[raw] : c.palette16[raw];
    } else if (c.kind == 1) {
        if (c.trans && raw == c.key) return d;
        colour = raw;
    } else {
        const int a = fmt32 ? int(raw >> 24) : int((raw >> 16) & 255);
        colour = fmt32 ? raw : (raw & 0xFFFF);
        if (c.trans) {
            if (a == 0 && (mode != 4 || c.core == REF_STRETCH)) return d;
            if (a != 255) alpha = a;
            else if (mode == 0 && !c.blendImage && !bright) return colour;  // opaque texel copied whole
        } else {
            if (c.core == REF_RECT && mode == 0 && !c.blendImage && !bright) return colour;
            alpha = a;
        }
    }
    const bool plain = c.kind != 2 && !c.blendImage && !bright;

    // Fast forms of the rectangle transfer.
    if (c.core == REF_RECT && plain) {
        if (fmt32 && mode == 1 && p == 128) return ((colour >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F);
        if (fmt32 && mode == 2 && p == 255) return Add32(d, colour, false);
        if (!fmt32 && mode == 1 && p == 128) return (((colour >> 1) & 0x7BEF) + ((d >> 1) & 0x7BEF)) & 0xFFFF;
        if (!fmt32 && mode == 1) {
            const int L = p / 4;
            int s[3], dd[3], r[3];
            Split(0, colour, s);
            Split(0, d, dd);
            for (int i = 0; i < 3; ++i) r[i] = (s[i] * L + dd[i] * (63 - L)) / 63;
            return Join(0, r, 0);
        }
        if (!fmt32 && mode == 2 && p == 255) return Add16(d, colour, false);
    }

    int s[3], dc[3], r[3];
    Split(fmt32, colour, s);
    Split(fmt32, d, dc);
    const int brightCh[3] = {int(c.bright & 255), int((c.bright >> 8) & 255), int((c.bright >> 16) & 255)};
    int raws[3] = {s[0], s[1], s[2]};
    if (bright)
        for (int i = 0; i < 3; ++i) s[i] = int(T(brightCh[i], s[i]));
    const int w = c.blendImage ? BlendGraphWeightTable[wb] : -1;
    int64_t F = 1;
    int n = 0;
    if (w >= 0) F *= w, ++n;
    if (alpha >= 0) F *= alpha, ++n;

    if (mode == 0) {
        if (n == 0) {
            if (!bright) return colour;
            return Join(fmt32, s, d);
        }
        for (int i = 0; i < 3; ++i) r[i] = int(dc[i] + FloorShift((s[i] - dc[i]) * F, 8 * n));
        return Join(fmt32, r, d);
    }
    if (mode == 1) {
        if (n == 0 && !fmt32) {
            for (int i = 0; i < 3; ++i) r[i] = dc[i] + p * (s[i] - dc[i]) / 255;  // truncation toward zero
            return Join(0, r, 0);
        }
        for (int i = 0; i < 3; ++i) r[i] = int(dc[i] + FloorShift((s[i] - dc[i]) * F * p, 8 * (n + 1)));
        return Join(fmt32, r, d);
    }
    if (mode == 2 || mode == 3) {
        int S[3];
        for (int i = 0; i < 3; ++i) {
            if (n == 0) S[i] = int(T(p, s[i]));
            else if (fmt32) S[i] = int((int64_t(s[i]) * F * p) >> (8 * (n + 1)));
            else if (alpha >= 0 && w < 0 && bright) S[i] = int(T(p, int(T(brightCh[i], (raws[i] * alpha) >> 8))));
            else S[i] = int(T(p, int((int64_t(s[i]) * F) >> (8 * n))));
        }
        const uint32_t word = Join(fmt32, S, 0);
        if (fmt32) return mode == 2 ? Add32(d, word, true) : Sub32(d, word);
        return mode == 2 ? Add16(d, word, true) : Sub16(d, word);
    }
    // mode 4
    for (int i = 0; i < 3; ++i) {
        const int width = fmt32 ? 8 : (i == 1 ? 6 : 5);
        r[i] = int((int64_t(s[i]) * dc[i] * F) >> (width + 8 * n));
    }
    return Join(fmt32, r, d);
}

}  // namespace srtest
