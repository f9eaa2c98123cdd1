// The table of images of every kind the loader chain reads, with pixels
// that must come back: shared by the decoder tests and the graph tests.
#pragma once
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "image_fixtures.h"

namespace imgfix {

struct Probe {
    int x, y;
    uint32_t argb;   // as GetGraphImagePixel gives it
};

struct DecodeCase {
    const char* name;
    std::function<Bytes()> make;
    int width, height, depth;
    std::vector<Probe> probes;
    int tolerance = 0;   // per channel, for lossy data
    int pitch = 0;       // checked when not 0
};

inline bool Near(uint32_t a, uint32_t b, int tol) {
    for (int s = 0; s < 32; s += 8) {
        if (std::abs(int(a >> s & 0xFF) - int(b >> s & 0xFF)) > tol) return false;
    }
    return true;
}

inline const std::vector<uint32_t> kSix = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF, 0x00123456, 0xFF808080};

inline Bytes BmpRows24Bottom() {
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    // Bottom row first: (0,1)=blue (1,1)=white (2,1)=black, then top row red green blue.
    s.data = {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,
              0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0};
    return MakeBmp(s);
}

inline Bytes BmpRows24Top() {
    BmpSpec s;
    s.width = 3;
    s.height = -2;
    s.data = {0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0,
              0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
    return MakeBmp(s);
}

inline std::vector<DecodeCase> DecodeCases() {
    std::vector<DecodeCase> c;
    c.push_back({"png rgb", [] { return MakeRgbPng(3, 2, kSix, false); }, 3, 2, 24,
                 {{0, 0, 0xFF0000}, {1, 0, 0x00FF00}, {2, 1, 0x808080}}});
    c.push_back({"png rgba", [] { return MakeRgbPng(3, 2, kSix, true); }, 3, 2, 32,
                 {{0, 0, 0xFFFF0000}, {0, 1, 0x80FFFFFF}, {1, 1, 0x00123456}}});
    c.push_back({"png grey 8", [] {
                     PngSpec s; s.width = 2; s.height = 1; s.colorType = PNG_COLOR_TYPE_GRAY; s.rows = {0x10, 0xF0};
                     return MakePng(s); }, 2, 1, 8, {{0, 0, 0x101010}, {1, 0, 0xF0F0F0}}});
    c.push_back({"png grey 1-bit", [] {
                     PngSpec s; s.width = 10; s.height = 1; s.colorType = PNG_COLOR_TYPE_GRAY; s.bitDepth = 1;
                     s.rows = {0xA0, 0x40};   // 1010 0000 01..
                     return MakePng(s); }, 10, 1, 8, {{0, 0, 0xFFFFFF}, {1, 0, 0}, {2, 0, 0xFFFFFF}, {9, 0, 0xFFFFFF}}});
    c.push_back({"png palette 4-bit", [] {
                     PngSpec s; s.width = 3; s.height = 1; s.colorType = PNG_COLOR_TYPE_PALETTE; s.bitDepth = 4;
                     s.palette = {{255, 0, 0}, {0, 0, 255}, {10, 20, 30}};
                     s.rows = {0x12, 0x00};
                     return MakePng(s); }, 3, 1, 8, {{0, 0, 0x0000FF}, {1, 0, 0x0A141E}, {2, 0, 0xFF0000}}});
    c.push_back({"png palette tRNS", [] {
                     PngSpec s; s.width = 2; s.height = 1; s.colorType = PNG_COLOR_TYPE_PALETTE;
                     s.palette = {{255, 0, 0}, {0, 255, 0}}; s.trns = {0x40};
                     s.rows = {0, 1};
                     return MakePng(s); }, 2, 1, 32, {{0, 0, 0x40FF0000}, {1, 0, 0xFF00FF00}}});
    c.push_back({"png rgb 16-bit", [] {
                     PngSpec s; s.width = 1; s.height = 1; s.bitDepth = 16;
                     s.rows = {0xAB, 0xCD, 0x12, 0x34, 0xFE, 0xDC};
                     return MakePng(s); }, 1, 1, 24, {{0, 0, 0xAB12FE}}});
    c.push_back({"png grey alpha", [] {
                     PngSpec s; s.width = 2; s.height = 1; s.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
                     s.rows = {0x30, 0x00, 0xC0, 0xFF};
                     return MakePng(s); }, 2, 1, 16, {{0, 0, 0x303030}, {1, 0, 0xC0C0C0}}});
    c.push_back({"png interlaced", [] {
                     std::vector<uint32_t> px;
                     for (int i = 0; i < 9 * 9; ++i) px.push_back(0xFF000000u | uint32_t(i * 3) << 16 | uint32_t(i));
                     PngSpec s = PngSpec(); s.width = 9; s.height = 9; s.interlace = true;
                     for (uint32_t p : px) { s.rows.push_back(uint8_t(p >> 16)); s.rows.push_back(uint8_t(p >> 8)); s.rows.push_back(uint8_t(p)); }
                     return MakePng(s); }, 9, 9, 24, {{0, 0, 0}, {8, 0, 24u << 16 | 8}, {4, 5, uint32_t(49 * 3) << 16 | 49}}});

    c.push_back({"jpeg colour 33 wide", [] {
                     Bytes px; for (int i = 0; i < 33 * 8; ++i) { px.push_back(200); px.push_back(40); px.push_back(90); }
                     return MakeJpeg(33, 8, 3, px); }, 33, 8, 24, {{0, 0, 0xC8285A}, {32, 7, 0xC8285A}}, 4, 99});
    c.push_back({"jpeg grey", [] {
                     Bytes px(16 * 16, 0x77);
                     return MakeJpeg(16, 16, 1, px); }, 16, 16, 8, {{3, 3, 0x777777}}, 2});
    c.push_back({"jpeg truncated", [] {
                     Bytes px; for (int i = 0; i < 64 * 64; ++i) { px.push_back(uint8_t(i)); px.push_back(uint8_t(i >> 4)); px.push_back(99); }
                     Bytes j = MakeJpeg(64, 64, 3, px, 90);
                     j.resize(j.size() * 2 / 3);
                     return j; }, 64, 64, 24, {}});

    c.push_back({"bmp 24 bottom-up", BmpRows24Bottom, 3, 2, 24,
                 {{0, 0, 0xFF0000}, {1, 0, 0x00FF00}, {2, 0, 0x0000FF}, {0, 1, 0x0000FF}, {1, 1, 0xFFFFFF}}, 0, 12});
    c.push_back({"bmp 24 top-down", BmpRows24Top, 3, 2, 24,
                 {{0, 0, 0xFF0000}, {1, 0, 0x00FF00}, {2, 0, 0x0000FF}, {0, 1, 0x0000FF}, {1, 1, 0xFFFFFF}}, 0, 12});
    c.push_back({"bmp 8 palette", [] {
                     BmpSpec s; s.width = 2; s.height = 1; s.bits = 8;
                     s.palette.assign(256, 0); s.palette[7] = 0x112233; s.palette[255] = 0xABCDEF;
                     s.data = {7, 255, 0, 0};
                     return MakeBmp(s); }, 2, 1, 8, {{0, 0, 0x112233}, {1, 0, 0xABCDEF}}, 0, 4});
    c.push_back({"bmp 4 palette", [] {
                     BmpSpec s; s.width = 3; s.height = 1; s.bits = 4;
                     s.palette.assign(16, 0); s.palette[1] = 0xFF0000; s.palette[15] = 0x00FF00;
                     s.data = {0x1F, 0x10, 0, 0};
                     return MakeBmp(s); }, 3, 1, 8, {{0, 0, 0xFF0000}, {1, 0, 0x00FF00}, {2, 0, 0xFF0000}}});
    c.push_back({"bmp 1 palette", [] {
                     BmpSpec s; s.width = 9; s.height = 1; s.bits = 1;
                     s.palette = {0x000000, 0xFFFFFF};
                     s.data = {0x81, 0x80, 0, 0};
                     return MakeBmp(s); }, 9, 1, 8, {{0, 0, 0xFFFFFF}, {1, 0, 0}, {7, 0, 0xFFFFFF}, {8, 0, 0xFFFFFF}}});
    c.push_back({"bmp 16 x1r5g5b5", [] {
                     BmpSpec s; s.width = 2; s.height = 1; s.bits = 16;
                     s.data = {0x00, 0x7C, 0xFF, 0xFF};   // red, white with the spare bit set
                     return MakeBmp(s); }, 2, 1, 24, {{0, 0, 0xFF0000}, {1, 0, 0xFFFFFF}}});
    c.push_back({"bmp 32 ignores fourth byte", [] {
                     BmpSpec s; s.width = 1; s.height = 1; s.bits = 32;
                     s.data = {0x33, 0x22, 0x11, 0x7E};
                     return MakeBmp(s); }, 1, 1, 24, {{0, 0, 0x112233}}});
    c.push_back({"bmp bit fields after header", [] {
                     BmpSpec s; s.width = 1; s.height = 1; s.bits = 16; s.compression = 3; s.masksAfterHeader = true;
                     s.masks[0] = 0xF800; s.masks[1] = 0x07E0; s.masks[2] = 0x001F;
                     s.data = {0xE0, 0x07, 0, 0};   // pure green
                     return MakeBmp(s); }, 1, 1, 24, {{0, 0, 0x00FF00}}});
    c.push_back({"bmp v4 header masks", [] {
                     BmpSpec s; s.width = 1; s.height = 1; s.bits = 32; s.compression = 3; s.headerSize = 108;
                     s.masks[0] = 0xFF; s.masks[1] = 0xFF00; s.masks[2] = 0xFF0000; s.masks[3] = 0xFF000000u;
                     s.data = {0x11, 0x22, 0x33, 0x44};
                     return MakeBmp(s); }, 1, 1, 24, {{0, 0, 0x112233}}});
    c.push_back({"bmp v5 header palette", [] {
                     BmpSpec s; s.width = 1; s.height = 1; s.bits = 8; s.headerSize = 124;
                     s.palette.assign(256, 0); s.palette[3] = 0x445566;
                     s.data = {3, 0, 0, 0};
                     return MakeBmp(s); }, 1, 1, 8, {{0, 0, 0x445566}}});
    c.push_back({"bmp rle8 with delta", [] {
                     BmpSpec s; s.width = 4; s.height = 2; s.bits = 8; s.compression = 1;
                     s.palette.assign(256, 0); s.palette[5] = 0x0000FF; s.palette[9] = 0xFF0000;
                     // bottom row: two 5s, delta (1, 1) to the top row at x 3, one 9, end.
                     s.data = {2, 5, 0, 2, 1, 1, 1, 9, 0, 1};
                     return MakeBmp(s); }, 4, 2, 8,
                 {{0, 1, 0x0000FF}, {1, 1, 0x0000FF}, {2, 1, 0}, {3, 0, 0xFF0000}, {0, 0, 0}}});
    c.push_back({"bmp rle4 literal", [] {
                     BmpSpec s; s.width = 5; s.height = 1; s.bits = 4; s.compression = 2;
                     s.palette.assign(16, 0); s.palette[1] = 0x010101; s.palette[2] = 0x020202; s.palette[3] = 0x030303;
                     s.data = {0, 3, 0x12, 0x30, 2, 0x21, 0, 1};
                     return MakeBmp(s); }, 5, 1, 8,
                 {{0, 0, 0x010101}, {1, 0, 0x020202}, {2, 0, 0x030303}, {3, 0, 0x020202}, {4, 0, 0x010101}}});

    c.push_back({"bgra 8", [] {
                     Bytes b = BgraHeader(0x08080808, 2, 1);
                     b.insert(b.end(), {1, 2, 3, 4, 5, 6, 7, 8});
                     return b; }, 2, 1, 32, {{0, 0, 0x04030201}, {1, 0, 0x08070605}}});
    c.push_back({"bgra 16 keeps high bytes", [] {
                     Bytes b = BgraHeader(0x10101010, 1, 1);
                     b.insert(b.end(), {0x11, 0xA1, 0x22, 0xA2, 0x33, 0xA3, 0x44, 0xA4});
                     return b; }, 1, 1, 32, {{0, 0, 0xA4A3A2A1}}});

    auto tga24 = [](bool bottomUp, bool rle, bool footer) {
        Bytes b = TgaHeader(rle ? 10 : 2, 2, 2, 24, bottomUp ? 0 : 0x20);
        // Top row: red, green; bottom row: blue, white.
        Bytes top = {0, 0, 255, 0, 255, 0}, bottom = {255, 0, 0, 255, 255, 255};
        Bytes rows;
        const Bytes& first = bottomUp ? bottom : top;
        const Bytes& second = bottomUp ? top : bottom;
        rows.insert(rows.end(), first.begin(), first.end());
        rows.insert(rows.end(), second.begin(), second.end());
        if (rle) {
            b.push_back(0x03);   // four raw pixels in one packet
        }
        b.insert(b.end(), rows.begin(), rows.end());
        if (footer) AppendTgaFooter(b);
        return b;
    };
    const std::vector<Probe> tgaProbes = {{0, 0, 0xFF0000}, {1, 0, 0x00FF00}, {0, 1, 0x0000FF}, {1, 1, 0xFFFFFF}};
    c.push_back({"tga bottom-up", [=] { return tga24(true, false, true); }, 2, 2, 24, tgaProbes});
    c.push_back({"tga top-down", [=] { return tga24(false, false, false); }, 2, 2, 24, tgaProbes});
    c.push_back({"tga rle without footer", [=] { return tga24(true, true, false); }, 2, 2, 24, tgaProbes});
    c.push_back({"tga rle run and right-to-left", [] {
                     Bytes b = TgaHeader(10, 3, 1, 32, 0x30);
                     b.insert(b.end(), {0x81, 1, 2, 3, 4, 0x00, 9, 8, 7, 6});
                     return b; }, 3, 1, 32, {{0, 0, 0x06070809}, {1, 0, 0x04030201}, {2, 0, 0x04030201}}});
    c.push_back({"tga colour-mapped", [] {
                     Bytes b = TgaHeader(1, 2, 1, 8, 0x20, 1, 2, 2, 24);
                     b.insert(b.end(), {0, 0, 255, 0, 255, 0});   // entries 2 and 3
                     b.insert(b.end(), {3, 2});
                     return b; }, 2, 1, 24, {{0, 0, 0x00FF00}, {1, 0, 0xFF0000}}});
    c.push_back({"tga colour-mapped rle 16-bit", [] {
                     Bytes b = TgaHeader(9, 3, 1, 8, 0x20, 1, 0, 1, 16);
                     b.insert(b.end(), {0x00, 0x7C});   // entry 0: red in 5:5:5
                     b.insert(b.end(), {0x82, 0});
                     return b; }, 3, 1, 16, {{2, 0, 0xF80000}}});

    c.push_back({"dds rgb alpha", [] {
                     Bytes b = DdsHeader(2, 1, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
                     b.insert(b.end(), {1, 2, 3, 4, 5, 6, 7, 8});
                     return b; }, 2, 1, 32, {{0, 0, 0x04030201}, {1, 0, 0x08070605}}});
    c.push_back({"dds rgb with pitch", [] {
                     Bytes b = DdsHeader(1, 2, 0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0, 4);
                     b.insert(b.end(), {1, 2, 3, 0, 4, 5, 6, 0});
                     return b; }, 1, 2, 24, {{0, 0, 0x030201}, {0, 1, 0x060504}}, 0, 4});
    c.push_back({"dds format code r5g6b5", [] {
                     Bytes b = DdsHeader(1, 1, 0x4, 23, 0, 0, 0, 0, 0);
                     b.insert(b.end(), {0x1F, 0x00});
                     return b; }, 1, 1, 16, {{0, 0, 0x0000F8}}});
    c.push_back({"dds format code r3g3b2", [] {
                     Bytes b = DdsHeader(1, 1, 0x4, 27, 0, 0, 0, 0, 0);
                     b.push_back(0xE0);
                     return b; }, 1, 1, 8, {{0, 0, 0xFF0000}}});
    return c;
}

}  // namespace imgfix
