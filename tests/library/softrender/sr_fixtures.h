// Small hand-made MEMIMG images for the software drawing tests.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/memimg/memimg_graphics.h"
#include "softrender/draw_state.h"

namespace srtest {

enum Kind { PALETTE = 0, DIRECT = 1, ALPHA = 2 };

struct Image {
    MEMIMG img;
    std::vector<uint8_t> buf;
    int texel = 4;

    Image(int w, int h, int fmt32, Kind kind, uint32_t key = 0) : img() {
        texel = kind == PALETTE ? 1 : (fmt32 || kind == ALPHA ? 4 : 2);
        img.ValidMagic = MEMIMG_VALID_MAGIC;
        img.Width = w;
        img.Height = h;
        img.Pitch = (w * texel + 3) / 4 * 4 + 4;  // a padded pitch catches row-step mistakes
        img.Format = fmt32 ? 1 : 0;
        img.PaletteFlag = kind == PALETTE;
        img.AlphaFlag = kind == ALPHA;
        img.ColorKey = key;
        img.PalettePtr = img.Palette;
        buf.assign(size_t(img.Pitch) * h + 8, 0);
        img.Pixels = buf.data();
    }
    Image(const Image& o) : img(o.img), buf(o.buf), texel(o.texel) {
        img.Pixels = buf.data();
        img.PalettePtr = img.Palette;
    }
    Image& operator=(const Image&) = delete;

    uint8_t* At(int x, int y) { return buf.data() + size_t(y) * img.Pitch + size_t(x) * texel; }
    uint32_t Get(int x, int y) {
        uint32_t v = 0;
        std::memcpy(&v, At(x, y), texel == 2 ? 2 : (texel == 1 ? 1 : 4));
        return v;
    }
    void Set(int x, int y, uint32_t v) { std::memcpy(At(x, y), &v, texel == 2 ? 2 : (texel == 1 ? 1 : 4)); }
    void Fill(uint32_t v) {
        for (int y = 0; y < img.Height; ++y)
            for (int x = 0; x < img.Width; ++x) Set(x, y, v);
    }
    void SetPalette(int i, uint32_t v) {
        if (img.Format == 1) img.Palette[i] = v;
        else std::memcpy(reinterpret_cast<uint8_t*>(img.Palette) + i * 2, &v, 2);
    }
    uint32_t PaletteEntry(int i) const {
        if (img.Format == 1) return img.Palette[i];
        uint16_t v;
        std::memcpy(&v, reinterpret_cast<const uint8_t*>(img.Palette) + i * 2, 2);
        return v;
    }
};

// One byte a pixel (a blend image).
inline Image MakeBlend(int w, int h) {
    Image b(w, h, 1, PALETTE);
    b.img.PaletteFlag = 0;
    b.img.Format = 2;
    return b;
}

// Fresh drawing state over a draw area.
inline void ResetState(int left = 0, int top = 0, int right = 640, int bottom = 480) {
    InitializeMemImgDrawState();
    SetMemImgDrawArea(left, top, right, bottom);
}

inline void SetBlend(int mode, int param) {
    MemImgDrawStateData.BlendMode = mode;
    MemImgDrawStateData.BlendParam = param;
}

inline uint16_t Rgb16(int r, int g, int b) { return uint16_t(r << 11 | g << 5 | b); }

}  // namespace srtest
