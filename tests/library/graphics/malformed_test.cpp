// Malformed and hostile images through the whole loader chain: each is
// refused (or, for run-length data that strays, clipped) without reading or
// writing outside its buffers. The sanitizer script builds this file too.
#include <gtest/gtest.h>

#include <climits>

#include "image_fixtures.h"

using namespace imgfix;

namespace {

struct BadCase {
    const char* name;
    Bytes data;
    bool accepted;   // clipped run-length data still gives an image
    std::vector<uint32_t> pixels = {};   // then these, 0xRRGGBB, rows from the top
};

// A palette whose entry i is the grey i * step, so indices show in pixels.
std::vector<uint32_t> GreyPalette(int entries, uint32_t step) {
    std::vector<uint32_t> p;
    for (int i = 0; i < entries; ++i) p.push_back(uint32_t(i) * step);
    return p;
}

Bytes ValidPng() {
    std::vector<uint32_t> px(16 * 16, 0xFF336699);
    return MakeRgbPng(16, 16, px, false);
}

Bytes Bmp(int w, int h, int bits = 24, uint32_t compression = 0, size_t dataBytes = 64) {
    BmpSpec s;
    s.width = w;
    s.height = h;
    s.bits = bits;
    s.compression = compression;
    if (bits <= 8) s.palette.assign(size_t(1) << bits, 0x808080);
    s.data.assign(dataBytes, 0x11);
    return MakeBmp(s);
}

std::vector<BadCase> Cases() {
    std::vector<BadCase> c;
    c.push_back({"empty", {}, false});
    c.push_back({"one byte", {0x42}, false});

    Bytes png = ValidPng();
    Bytes cut(png.begin(), png.begin() + long(png.size() / 2));
    c.push_back({"png cut in half (no TGA fallback)", cut, false});
    Bytes headerOnly(png.begin(), png.begin() + 33);
    c.push_back({"png signature and header only", headerOnly, false});
    Bytes corrupt = png;
    for (size_t i = 41; i < corrupt.size() - 20; i += 7) corrupt[i] ^= 0x5A;
    c.push_back({"png with scrambled data", corrupt, false});
    Bytes huge = png;
    Set32(huge, 16, 0);   // width 0 (big-endian field; CRC now wrong as well)
    c.push_back({"png width 0", huge, false});

    Bytes px(32 * 32 * 4, 0x40);
    Bytes cmyk = MakeJpeg(32, 32, 4, px);
    c.push_back({"jpeg cmyk", cmyk, false});
    c.push_back({"jpeg start marker only", {0xFF, 0xD8}, false});
    c.push_back({"jpeg start marker and garbage", {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x03, 0x08, 0x99, 0x99}, false});

    c.push_back({"bmp width 0", Bmp(0, 4), false});
    c.push_back({"bmp width negative", Bmp(-3, 4), false});
    c.push_back({"bmp height 0", Bmp(4, 0), false});
    c.push_back({"bmp height INT_MIN", Bmp(4, INT_MIN), false});
    c.push_back({"bmp width above 65535", Bmp(70000, 1, 24, 0, 210000), false});
    c.push_back({"bmp data shorter than declared", Bmp(64, 64, 24, 0, 100), false});
    c.push_back({"bmp 8-bit with RLE4", Bmp(4, 4, 8, 2), false});
    c.push_back({"bmp unknown compression", Bmp(4, 4, 24, 4), false});
    Bytes small = Bmp(4, 4);
    Set32(small, 14, 12);   // a 12-byte header is not one of ours
    c.push_back({"bmp core header", small, false});
    Bytes bigHeader = Bmp(4, 4);
    Set32(bigHeader, 14, 0x7FFFFFF0);
    c.push_back({"bmp header larger than file", bigHeader, false});
    Bytes farData = Bmp(2, 2);
    Set32(farData, 10, 0x10000000);
    c.push_back({"bmp data offset past the end", farData, false});
    Bytes early = Bmp(2, 2);
    Set32(early, 10, 20);
    c.push_back({"bmp data offset inside the header", early, false});
    {
        BmpSpec s;
        s.width = 4; s.height = 4; s.bits = 8; s.compression = 1;
        s.palette = GreyPalette(256, 0x010101);
        // A run far past the row fills the bottom row only; the delta then
        // leaves the image and nothing after it lands.
        s.data = {200, 7, 0, 0, 0, 2, 100, 100, 5, 3, 0, 2, 0xFE, 0, 3, 1, 0, 90, 1, 2};
        c.push_back({"bmp rle8 runs off the image", MakeBmp(s), true,
                     {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x070707, 0x070707, 0x070707, 0x070707}});
        s.width = 3; s.height = -2; s.bits = 4; s.compression = 2;
        s.palette = GreyPalette(16, 0x111111);
        // A nibble run cut at the row's end; a literal of nine nibbles cut at
        // the row, whose padding then runs past the data.
        s.data = {255, 0x12, 0, 0, 0, 9, 0x12, 0, 2, 0x80, 0x7F, 0, 40};
        c.push_back({"bmp rle4 top-down runs off the image", MakeBmp(s), true,
                     {0x111111, 0x222222, 0x111111, 0x111111, 0x222222, 0}});
    }

    Bytes bgra = BgraHeader(0x08080808, 4, 4);
    c.push_back({"bgra without pixels", bgra, false});
    c.push_back({"bgra width 0", BgraHeader(0x08080808, 0, 4), false});
    c.push_back({"bgra negative height", BgraHeader(0x08080808, 4, -4), false});
    c.push_back({"bgra 65535 squared", BgraHeader(0x10101010, 65535, 65535), false});
    Bytes bgraFormat = BgraHeader(0x12345678, 1, 1);
    bgraFormat.resize(bgraFormat.size() + 8, 0);
    c.push_back({"bgra unknown format", bgraFormat, false});

    auto tga = [](Bytes h, size_t payload) {
        h.resize(h.size() + payload, 0x22);
        return h;
    };
    c.push_back({"tga grey type", tga(TgaHeader(3, 4, 4, 8, 0), 16), false});
    {
        Bytes b = tga(TgaHeader(2, 4, 4, 24, 0), 48);
        b[10] = 1;   // y origin
        c.push_back({"tga y origin", b, false});
    }
    c.push_back({"tga 4096 wide", tga(TgaHeader(2, 4096, 1, 24, 0), 4096 * 3), false});
    c.push_back({"tga width 0", tga(TgaHeader(2, 0, 4, 24, 0), 16), false});
    c.push_back({"tga depth 8 true colour", tga(TgaHeader(2, 4, 4, 8, 0), 16), false});
    c.push_back({"tga pixels missing", tga(TgaHeader(2, 8, 8, 32, 0), 40), false});
    c.push_back({"tga rle ends early", tga(TgaHeader(10, 8, 8, 24, 0), 7), false});
    c.push_back({"tga colour map past 256", tga(TgaHeader(1, 2, 2, 8, 0, 1, 250, 10, 24), 64), false});
    c.push_back({"tga 16-bit indices", tga(TgaHeader(1, 2, 2, 16, 0, 1, 0, 2, 24), 64), false});
    c.push_back({"tga colour-mapped without map", tga(TgaHeader(1, 2, 2, 8, 0, 0, 0, 0, 24), 64), false});
    {
        // A run longer than the image is cut at the last pixel.
        Bytes b = TgaHeader(10, 2, 2, 24, 0);
        b.insert(b.end(), {0xFF, 1, 2, 3});
        c.push_back({"tga rle run past the image", b, true, {0x030201, 0x030201, 0x030201, 0x030201}});
    }

    c.push_back({"dds compressed", tga(DdsHeader(4, 4, 0x4, 0x31545844, 0, 0, 0, 0, 0), 64), false});
    c.push_back({"dds pitch below row", tga(DdsHeader(4, 4, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, 8), 64), false});
    c.push_back({"dds short data", tga(DdsHeader(16, 16, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0), 100), false});
    c.push_back({"dds width 0", tga(DdsHeader(0, 4, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0), 64), false});
    c.push_back({"dds odd bit count", tga(DdsHeader(2, 2, 0x40, 0, 12, 0xF00, 0xF0, 0xF, 0), 64), false});
    c.push_back({"dds height beyond 65535", tga(DdsHeader(1, 70000, 0x40, 0, 8, 0xE0, 0x1C, 0x3, 0), 70000), false});
    return c;
}

}  // namespace

TEST(MalformedImages, RefusedOrClippedWithoutStrayAccess) {
    for (const BadCase& k : Cases()) {
        SCOPED_TRACE(k.name);
        GraphImage image;
        const int result = Decode(k.data, &image);
        EXPECT_EQ(result, k.accepted ? 0 : -1);
        if (result == 0) {
            EXPECT_GT(image.Width, 0);
            EXPECT_GT(image.Height, 0);
            ASSERT_NE(image.Pixels, nullptr);
            std::vector<uint32_t> got;
            for (int y = 0; y < image.Height; ++y)
                for (int x = 0; x < image.Width; ++x) got.push_back(GetGraphImagePixel(&image, x, y) & 0xFFFFFF);
            EXPECT_EQ(got, k.pixels);
            ReleaseGraphImage(&image);
        }
    }
}

TEST(MalformedImages, EveryTruncationOfAValidPngIsRefused) {
    const Bytes png = ValidPng();
    for (size_t n = 0; n + 12 < png.size(); n += 5) {
        SCOPED_TRACE(n);
        Bytes cut(png.begin(), png.begin() + long(n));
        GraphImage image;
        EXPECT_EQ(Decode(cut, &image), -1);
    }
}
