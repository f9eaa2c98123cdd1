// Small images, vertices and drawing-state set-up for the primitive rasteriser tests.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "graphics/memimg/memimg_graphics.h"
#include "softrender/draw_state.h"
#include "softrender/primitive/primitive.h"

namespace primtest {

// A MEMIMG released with the object.
class Image {
public:
    Image(int w, int h, int format, int palette = 0, int alpha = 0, uint32_t key = 0) {
        std::memset(&m_, 0, sizeof m_);
        ok_ = InitializeMemImg(&m_, w, h, -1, key, format, palette, alpha, 0) == 0;
        EXPECT_TRUE(ok_);
        if (ok_) std::memset(m_.Pixels, 0, size_t(m_.Pitch) * size_t(h));
    }
    ~Image() { TerminateMemImg(&m_); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    MEMIMG* get() { return &m_; }
    int width() const { return m_.Width; }
    int height() const { return m_.Height; }
    unsigned char* at(int x, int y, int bytes) { return m_.Pixels + size_t(y) * m_.Pitch + size_t(x) * bytes; }

    uint32_t Get32(int x, int y) {
        uint32_t v;
        std::memcpy(&v, at(x, y, 4), 4);
        return v;
    }
    void Set32(int x, int y, uint32_t v) { std::memcpy(at(x, y, 4), &v, 4); }
    uint16_t Get16(int x, int y) {
        uint16_t v;
        std::memcpy(&v, at(x, y, 2), 2);
        return v;
    }
    void Set16(int x, int y, uint16_t v) { std::memcpy(at(x, y, 2), &v, 2); }
    void Fill32(uint32_t v) {
        for (int y = 0; y < m_.Height; ++y)
            for (int x = 0; x < m_.Width; ++x) Set32(x, y, v);
    }
    void Fill16(uint16_t v) {
        for (int y = 0; y < m_.Height; ++y)
            for (int x = 0; x < m_.Width; ++x) Set16(x, y, v);
    }
    // All rows, pitch included, for before/after comparisons.
    std::vector<unsigned char> Bytes() const {
        return std::vector<unsigned char>(m_.Pixels, m_.Pixels + size_t(m_.Pitch) * size_t(m_.Height));
    }
    void SetPalette32(int i, uint32_t bgrx) { m_.PalettePtr[i] = bgrx; }
    void SetPalette16(int i, uint16_t w) { std::memcpy(reinterpret_cast<unsigned char*>(m_.PalettePtr) + 2 * i, &w, 2); }

private:
    MEMIMG m_;
    bool ok_ = false;
};

// Default drawing state with the draw area covering w x h.
inline void ResetDrawState(int w, int h) {
    InitializeMemImgDrawState();
    SetMemImgDrawArea(0, 0, w, h);
}
inline void SetBlend(int mode, int param) {
    MemImgDrawStateData.BlendMode = mode;
    MemImgDrawStateData.BlendParam = param;
}

// A vertex; colour as 0xAARRGGBB.
inline PrimitiveVertex Vtx(float x, float y, uint32_t argb = 0xFFFFFFFF, float u = 0, float v = 0, float z = 0,
                           float rhw = 1) {
    PrimitiveVertex p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.rhw = rhw;
    p.b = uint8_t(argb);
    p.g = uint8_t(argb >> 8);
    p.r = uint8_t(argb >> 16);
    p.a = uint8_t(argb >> 24);
    p.u = u;
    p.v = v;
    return p;
}
using Tri = std::array<PrimitiveVertex, 3>;

// A triangle pair covering the rectangle (x0, y0)-(x1, y1) with the texture
// stretched over it.
inline std::array<Tri, 2> Quad(float x0, float y0, float x1, float y1, uint32_t argb = 0xFFFFFFFF) {
    return {Tri{Vtx(x0, y0, argb, 0, 0), Vtx(x1, y0, argb, 1, 0), Vtx(x0, y1, argb, 0, 1)},
            Tri{Vtx(x1, y0, argb, 1, 0), Vtx(x1, y1, argb, 1, 1), Vtx(x0, y1, argb, 0, 1)}};
}

// Plain draw with no depth image, no blend image, no clipping.
inline void DrawTri(MEMIMG* dest, const Tri& t, MEMIMG* texture = nullptr, int vertexColor = 1, int trans = 0) {
    MemImgDrawPrimitiveBase(dest, nullptr, texture, t.data(), trans, nullptr, 0, 0, vertexColor, 0);
}

}  // namespace primtest
