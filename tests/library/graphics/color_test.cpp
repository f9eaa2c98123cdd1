// Pixel formats and the colour-converting transfer: masks to widths and
// shifts, packing and unpacking, and the transfer's flags and special cases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "platform/surface_memory.h"
#include "softrender/simd_level.h"
#include "zovav.h"

namespace {

ColorData Make(int depth, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    ColorData c;
    std::memset(&c, 0, sizeof(c));
    CreateColorDataImpl(&c, depth, r, g, b, a);
    return c;
}

const ColorData k565 = Make(16, 0xF800, 0x07E0, 0x001F, 0);
const ColorData k555 = Make(16, 0x7C00, 0x03E0, 0x001F, 0);
const ColorData kX888 = Make(32, 0xFF0000, 0xFF00, 0xFF, 0);
const ColorData kA888 = Make(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);

uint32_t Px32(const std::vector<uint32_t>& v, size_t i) { return v[i]; }

}  // namespace

TEST(ColorData, MasksGiveWidthsShiftsAndSpareBits) {
    struct Case {
        int depth;
        uint32_t r, g, b, a;
        int rw, gw, bw, aw, rs, gs, bs;
        uint32_t spare;
    };
    const Case cases[] = {
        {16, 0xF800, 0x07E0, 0x001F, 0, 5, 6, 5, 0, 11, 5, 0, 0},
        {16, 0x7C00, 0x03E0, 0x001F, 0, 5, 5, 5, 0, 10, 5, 0, 0x8000},
        {32, 0xFF0000, 0xFF00, 0xFF, 0, 8, 8, 8, 0, 16, 8, 0, 0xFF000000u},
        {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 8, 8, 8, 8, 16, 8, 0, 0},
        {32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000u, 10, 10, 10, 2, 0, 10, 20, 0},
        {24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFFFFFF},
    };
    for (const Case& k : cases) {
        ColorData c = Make(k.depth, k.r, k.g, k.b, k.a);
        SCOPED_TRACE(k.r);
        EXPECT_EQ(c.PixelByte, k.depth / 8);
        EXPECT_EQ(c.RedWidth, k.rw);
        EXPECT_EQ(c.GreenWidth, k.gw);
        EXPECT_EQ(c.BlueWidth, k.bw);
        EXPECT_EQ(c.AlphaWidth, k.aw);
        EXPECT_EQ(c.RedLoc, k.rs);
        EXPECT_EQ(c.GreenLoc, k.gs);
        EXPECT_EQ(c.BlueLoc, k.bs);
        EXPECT_EQ(c.NoneMask, k.spare);
    }
}

// Through the public calls, into records full of leftovers: every field is
// written but the palette, which stays the caller's; the description is
// cleared first and says RGB only, also with an alpha mask.
TEST(ColorData, PublicCallsFillRecordsFromMasks) {
    struct Case {
        int depth;
        uint32_t r, g, b, a;
        int rw, gw, bw, aw, rs, gs, bs, as;
        uint32_t spare;
    };
    const Case cases[] = {
        {16, 0xF800, 0x07E0, 0x001F, 0, 5, 6, 5, 0, 11, 5, 0, 0, 0},
        {16, 0x7C00, 0x03E0, 0x001F, 0x8000, 5, 5, 5, 1, 10, 5, 0, 15, 0},
        {24, 0xFF0000, 0xFF00, 0xFF, 0, 8, 8, 8, 0, 16, 8, 0, 0, 0},
        {32, 0xFF0000, 0xFF00, 0xFF, 0, 8, 8, 8, 0, 16, 8, 0, 0, 0xFF000000u},
        {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 8, 8, 8, 8, 16, 8, 0, 24, 0},
        {8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.depth << " bits, alpha " << std::hex << k.a);
        ColorData c;
        std::memset(&c, 0xAB, sizeof c);
        ASSERT_EQ(CreateColorData(&c, k.depth, k.r, k.g, k.b, k.a), 0);
        EXPECT_EQ(c.ColorBitDepth, k.depth);
        EXPECT_EQ(c.PixelByte, k.depth / 8);
        EXPECT_EQ(std::vector<uint32_t>({c.RedMask, c.GreenMask, c.BlueMask, c.AlphaMask}),
                  std::vector<uint32_t>({k.r, k.g, k.b, k.a}));
        EXPECT_EQ(std::vector<int>({c.RedWidth, c.GreenWidth, c.BlueWidth, c.AlphaWidth}),
                  std::vector<int>({k.rw, k.gw, k.bw, k.aw}));
        EXPECT_EQ(std::vector<int>({c.RedLoc, c.GreenLoc, c.BlueLoc, c.AlphaLoc}),
                  std::vector<int>({k.rs, k.gs, k.bs, k.as}));
        EXPECT_EQ(c.NoneMask, k.spare);
        EXPECT_EQ(c.Palette[0].Red, 0xAB);
        EXPECT_EQ(c.Palette[255].Reserved, 0xAB);

        SurfacePixelFormat pf;
        std::memset(&pf, 0xAB, sizeof pf);
        ASSERT_EQ(CreatePixelFormat(&pf, k.depth, k.r, k.g, k.b, k.a), 0);
        EXPECT_EQ(std::vector<uint32_t>({pf.Size, pf.Flags, pf.FourCC, pf.RGBBitCount, pf.RBitMask, pf.GBitMask,
                                         pf.BBitMask, pf.RGBAlphaBitMask}),
                  std::vector<uint32_t>({32, 0x40, 0, uint32_t(k.depth), k.r, k.g, k.b, k.a}));
    }
}

TEST(ColorData, PackConvertAndUnpack) {
    EXPECT_EQ(PackColorData(&kX888, 255, 0, 0, 0), 0xFFFF0000u);   // spare bits set
    EXPECT_EQ(PackColorData(&k565, 255, 255, 255, 0), 0xFFFFu);
    EXPECT_EQ(PackColorData(&kA888, 1, 2, 3, 4), 0x04010203u);
    // Shifted, not rescaled; a source without alpha gives full alpha.
    EXPECT_EQ(ConvertColorValue(&kA888, &k555, 0x7C00), 0xFFF80000u);
    EXPECT_EQ(ConvertColorValue(&k565, &kX888, 0x00FF8000u), 0xFC00u);
    EXPECT_EQ(UnpackChannel(31, 0x1F, 0, 5), 255);
    EXPECT_EQ(UnpackChannel(16, 0x1F, 0, 5), 131);
    EXPECT_EQ(UnpackChannel(0xFFFF, 0, 0, 0), 0);   // absent channel: no division by zero

    SurfacePixelFormat pf;
    CreatePixelFormatImpl(&pf, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    EXPECT_EQ(pf.Size, 32u);
    EXPECT_EQ(pf.Flags, SURFACE_PF_RGB);
    ColorData fromPf;
    CreateColorDataFromPixelFormat(&fromPf, &pf);
    EXPECT_EQ(CompareColorDataFormat(&fromPf, &kA888), 1);
    EXPECT_EQ(CompareColorDataFormat(&fromPf, &kX888), 0);

    ColorData grey;
    SetColorDataGrey8(&grey);
    EXPECT_EQ(grey.Palette[77].Red, 77);
    EXPECT_EQ(grey.NoneMask, 0xFF000000u);
    ColorData refreshed = kX888;
    refreshed.AlphaWidth = 8;   // widths add up to the depth now
    RefreshColorDataSpareBits(&refreshed);
    EXPECT_EQ(refreshed.NoneMask, 0u);
}

TEST(ColorConvert, EmptyRectangleWritesNothing) {
    uint32_t src[4] = {1, 2, 3, 4}, dst[4] = {9, 9, 9, 9};
    for (ImageRect r : {ImageRect{0, 0, 0, 1}, ImageRect{1, 0, 2, 0}, ImageRect{2, 0, 1, 1}}) {
        EXPECT_EQ(ColorConvertBlt(dst, 16, &kX888, src, 16, &kX888, nullptr, 0, nullptr, 0, 0, &r, 0, 0, 0, 0, 0, 0,
                                  0),
                  -1);
    }
    EXPECT_EQ(dst[0], 9u);
}

TEST(ColorConvert, MirrorAndColourKeyInEveryPath) {
    // Same format (row copy path) and a format change (per-pixel path).
    const uint32_t src[3] = {0xFF000001, 0xFF000002, 0xFF000003};
    ImageRect row{0, 0, 3, 1};
    uint32_t dst[3] = {};
    ColorConvertBlt(dst, 12, &kX888, src, 12, &kX888, nullptr, 0, nullptr, 0, 0, &row, 1, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(dst[0], 0xFF000003u);
    EXPECT_EQ(dst[2], 0xFF000001u);
    uint16_t d16[3] = {};
    ColorConvertBlt(d16, 6, &k565, src, 12, &kX888, nullptr, 0, nullptr, 0, 0, &row, 1, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(d16[0], 0u);   // blue 3 >> 3
    uint32_t keyed[3] = {7, 7, 7};
    ColorConvertBlt(keyed, 12, &kX888, src, 12, &kX888, nullptr, 0, nullptr, 0, 0, &row, 0, 0, 0xFF000002, 0, 0, 0,
                    1);
    EXPECT_EQ(keyed[0], 0xFF000001u);
    EXPECT_EQ(keyed[1], 7u);
    EXPECT_EQ(keyed[2], 0xFF000003u);
}

// 24-bit rows into 32-bit targets at every processor level: each pixel takes its three
// bytes and the target's fill, and nothing past a row's end is written.
TEST(ColorConvert, Rows24To32AtEveryLevel) {
    const ColorData k24 = Make(24, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level) {
        softrender::ForceSimdLevel(level);
        for (int w : {1, 5, 6, 7, 13, 33})
            for (const ColorData* dc : {&kX888, &kA888}) {
                const int h = 3, sPitch = w * 3 + 1, dPitch = (w + 2) * 4;
                std::vector<unsigned char> src(size_t(sPitch) * h);
                for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 37 + w);
                std::vector<uint32_t> dst(size_t(w + 2) * h, 0x12345678u);
                const ImageRect r{0, 0, w, h};
                ColorConvertBlt(dst.data(), dPitch, dc, src.data(), sPitch, &k24, nullptr, 0, nullptr, 0, 0, &r, 0,
                                0, 0, 0, 0, 0, 0);
                const uint32_t fill = dc->AlphaMask | dc->NoneMask;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w + 2; ++x) {
                        const unsigned char* p = &src[size_t(y) * sPitch + size_t(x) * 3];
                        const uint32_t want = x < w ? (p[0] | p[1] << 8 | p[2] << 16 | fill) : 0x12345678u;
                        ASSERT_EQ(dst[size_t(y) * (w + 2) + x], want) << "level " << level << " w " << w << " x " << x;
                    }
            }
    }
    softrender::ForceSimdLevel(-1);
}

// Narrowing every channel, as pictures loaded into 16-bit graphs are: each channel keeps its
// top bits, a destination alpha without a source alpha is solid, spare bits are set, and
// mirroring and the colour key hold at widths on both sides of four and eight pixels, at
// every wide-form level.
TEST(ColorConvert, NarrowingKeepsEachChannelsTopBits) {
    const ColorData k24 = Make(24, 0xFF0000, 0xFF00, 0xFF, 0);
    const ColorData kA565 = Make(32, 0xF800, 0x07E0, 0x001F, 0x00FF0000);   // alpha in the third byte
    const ColorData kA4444 = Make(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
    const struct {
        const ColorData* src;
        const ColorData* dst;
    } kPairs[] = {{&kA888, &k565}, {&kX888, &k555}, {&k24, &k565}, {&kA888, &kA565}, {&kA888, &kA4444},
                  {&kX888, &kA565}};
    // Top bits of an 8-bit channel value moved to a field.
    const auto field = [](uint32_t v8, uint32_t mask) {
        if (mask == 0) return 0u;
        int shift = 0, width = 0;
        while (!(mask >> shift & 1)) ++shift;
        while (shift + width < 32 && (mask >> (shift + width) & 1)) ++width;
        return (v8 >> (8 - width)) << shift;
    };
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level)
    for (const auto& pair : kPairs)
        for (int w : {1, 3, 4, 7, 9, 16, 21})
            for (int variant = 0; variant < 3; ++variant) {   // plain, mirrored, keyed
                softrender::ForceSimdLevel(level);
                const ColorData& sc = *pair.src;
                const ColorData& dc = *pair.dst;
                const int sBytes = sc.PixelByte, dBytes = dc.PixelByte;
                std::vector<unsigned char> src(size_t(w) * sBytes);
                for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 73 + w * 11 + 5);
                const uint32_t key = ReadPixelRaw(&src[0], sBytes);   // the first pixel's value
                std::vector<unsigned char> dst(size_t(w + 1) * dBytes, 0xEE);
                const ImageRect r{0, 0, w, 1};
                EXPECT_EQ(ColorConvertBlt(dst.data(), 0, &dc, src.data(), 0, &sc, nullptr, 0, nullptr, 0, 0, &r,
                                          variant == 1, 0, key, 0, 0, 0, variant == 2),
                          0);
                // A transfer that writes alpha leaves no pixel out for the key.
                const bool keyed = variant == 2 && !(dc.AlphaWidth && sc.AlphaWidth);
                for (int x = 0; x < w + 1; ++x) {
                    const uint32_t got = ReadPixelRaw(&dst[size_t(x) * dBytes], dBytes);
                    const int from = variant == 1 ? w - 1 - x : x;
                    uint32_t want = dBytes == 2 ? 0xEEEE : 0xEEEEEEEE;
                    if (x < w && !(keyed && from == 0)) {
                        const uint32_t p = ReadPixelRaw(&src[size_t(from) * sBytes], sBytes);
                        const uint32_t alpha = sc.AlphaWidth ? p >> 24 : 0xFF;
                        want = field(p >> 16 & 0xFF, dc.RedMask) | field(p >> 8 & 0xFF, dc.GreenMask) |
                               field(p & 0xFF, dc.BlueMask) | field(alpha, dc.AlphaMask) | dc.NoneMask;
                    }
                    ASSERT_EQ(got, want) << "depths " << sc.ColorBitDepth << " to " << dc.ColorBitDepth << " width "
                                         << w << " variant " << variant << " x " << x << " level " << level;
                }
            }
    softrender::ForceSimdLevel(-1);
}

TEST(ColorConvert, PaletteAndWideningAndNarrowing) {
    ColorData pal;
    SetColorDataPalette8(&pal);
    std::memset(pal.Palette, 0, sizeof(pal.Palette));
    pal.Palette[1] = ColorPaletteEntry{3, 2, 1, 0};
    const unsigned char idx[2] = {1, 0};
    ImageRect two{0, 0, 2, 1};
    std::vector<uint32_t> out(2, 0);
    ColorConvertBlt(out.data(), 8, &kX888, idx, 4, &pal, nullptr, 0, nullptr, 0, 0, &two, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(Px32(out, 0), 0xFF010203u);
    EXPECT_EQ(Px32(out, 1), 0xFF000000u);
    // 8-bit destinations take 8-bit sources only, and report the top index.
    unsigned char idxOut[2] = {};
    EXPECT_EQ(ColorConvertBlt(idxOut, 4, &pal, idx, 4, &pal, nullptr, 0, nullptr, 0, 0, &two, 0, 0, 0, 0, 0, 0, 0), 1);
    EXPECT_EQ(ColorConvertBlt(idxOut, 4, &pal, out.data(), 8, &kX888, nullptr, 0, nullptr, 0, 0, &two, 0, 0, 0, 0, 0,
                              0, 0),
              -1);

    const uint16_t red5 = 0x7C00, half = 16 << 10;
    const uint16_t src555[2] = {red5, half};
    ColorConvertBlt(out.data(), 8, &kA888, src555, 4, &k555, nullptr, 0, nullptr, 0, 0, &two, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(Px32(out, 0), 0xFFFF0000u);   // 31 widened to 255
    EXPECT_EQ(Px32(out, 1) >> 16 & 0xFF, 131u);

    const uint32_t white[2] = {0xFFFFFFFF, 0xFFFFFFFF};
    for (int dither = 0; dither <= 2; ++dither) {
        uint16_t d[2] = {};
        ColorConvertBlt(d, 4, &k555, white, 8, &kX888, nullptr, 0, nullptr, 0, 0, &two, 0, 0, 0, dither, 0, 0, 0);
        EXPECT_EQ(d[0], 0xFFFF) << dither;   // 31 in each channel plus the spare bit, never above
    }
}

// Each dither mode's 4 x 4 pattern of red fields rounded up ('1') or
// truncated ('0'), for a grey whose red drops 4 or 2 of its 8 low-bit steps
// going to 5 bits: ordered dither rounds up where the dropped bits beat the
// matrix (a checkerboard at 4, the four smallest places at 2); error
// diffusion carries the rest from pixel to pixel and row to row.
TEST(ColorConvert, EachDitherModeHasItsPattern) {
    const struct {
        uint32_t grey;
        int mode;
        const char* rows;
    } kCases[] = {
        {0x848484, COLOR_DITHER_NONE, "0000/0000/0000/0000"},
        {0x848484, COLOR_DITHER_ORDERED, "1010/0101/1010/0101"},
        {0x848484, COLOR_DITHER_DIFFUSION, "0101/0101/0101/0101"},
        {0x828282, COLOR_DITHER_ORDERED, "1010/0000/1010/0000"},
        {0x828282, COLOR_DITHER_DIFFUSION, "0001/0001/0001/0001"},
    };
    const ImageRect r{0, 0, 4, 4};
    for (const auto& c : kCases) {
        std::vector<uint32_t> src(16, c.grey);
        std::vector<uint16_t> d(16, 0);
        ColorConvertBlt(d.data(), 8, &k565, src.data(), 16, &kX888, nullptr, 0, nullptr, 0, 0, &r, 0, 0, 0, c.mode,
                        0, 0, 0);
        std::string got;
        for (int i = 0; i < 16; ++i) {
            if (i && i % 4 == 0) got += '/';
            got += char('0' + (d[size_t(i)] >> 11) - 16);
        }
        EXPECT_EQ(got, c.rows) << "grey " << std::hex << c.grey << " mode " << c.mode;
    }
}

TEST(ColorConvert, AlphaFromAnImageOrFromTheTransparentColour) {
    const uint32_t src[3] = {0x000000, 0x102030, 0x000000};
    ImageRect r{0, 0, 3, 1};
    uint32_t d[3] = {};
    ColorConvertBlt(d, 12, &kA888, src, 12, &kX888, nullptr, 0, nullptr, 0, 0, &r, 0, 1, 0x000000, 0, 0, 0, 0);
    EXPECT_EQ(d[0], 0x00000000u);
    EXPECT_EQ(d[1], 0xFF102030u);

    const uint32_t alpha[3] = {0x00400000, 0x00FF0000, 0x00000000};
    ColorConvertBlt(d, 12, &kA888, src, 12, &kX888, alpha, 12, &kX888, 0, 0, &r, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(d[0] >> 24, 0x40u);
    EXPECT_EQ(d[1], 0xFF102030u);
    EXPECT_EQ(d[2] >> 24, 0u);
}
