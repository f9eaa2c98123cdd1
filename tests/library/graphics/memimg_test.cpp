// MEMIMG software images: pitches and formats, views, clearing, transfers
// from graph images with palettes, premultiplied copies and run maps.
#include <gtest/gtest.h>

#include <cstring>

#include "core/alloc.h"
#include "graphics/image/color_convert.h"
#include "graphics/image/color_data.h"
#include "graphics/image/graph_image.h"
#include "graphics/memimg/memimg_graphics.h"
#include "platform/surface_memory.h"
#include "softrender/simd_level.h"

namespace {

struct Img {
    MEMIMG m;
    Img() { std::memset(&m, 0, sizeof(m)); }
    ~Img() { TerminateMemImg(&m); }
};

GraphImage Argb(int w, int h, const std::vector<uint32_t>& px) {
    GraphImage g;
    std::memset(&g, 0, sizeof(g));
    CreateColorDataImpl(&g.ColorInfo, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    g.Width = w;
    g.Height = h;
    g.Pitch = w * 4;
    g.Pixels = const_cast<uint32_t*>(px.data());
    return g;
}

}  // namespace

TEST(MemImg, PitchShiftAndPixelBytes) {
    struct Case {
        int width, format, palette, alpha;
        int pitch, shift, bytes;
    };
    const Case cases[] = {
        {10, 0, 0, 0, 32, 5, 2}, {9, 1, 0, 0, 48, -1, 4}, {8, 1, 0, 0, 32, 5, 4},
        {10, 0, 0, 1, 48, -1, 4}, {10, 0, 1, 1, 16, 4, 1}, {3, 2, 1, 1, 16, -1, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.width * 100 + k.format * 10 + k.alpha);
        Img i;
        ASSERT_EQ(InitializeMemImg(&i.m, k.width, 2, -1, 0, k.format, k.palette, k.alpha, 0), 0);
        EXPECT_EQ(i.m.Pitch, k.pitch);
        EXPECT_EQ(i.m.PitchShift, k.shift);
        EXPECT_EQ(i.m.ColorFormat->PixelByte, k.bytes);
        EXPECT_EQ(i.m.PalettePtr, i.m.Palette);
        if (k.palette) {
            EXPECT_EQ(i.m.AlphaFlag, 0);
        }
    }
    // The same address for the same format every time; nothing past format 3.
    EXPECT_EQ(GetMemImgColorData(1, 1, 0), GetMemImgColorData(1, 1, 0));
    EXPECT_EQ(GetMemImgColorData(4, 0, 0), nullptr);
    EXPECT_EQ(GetMemImgPixelFormat(0, 0, 0)->RGBBitCount, 16u);
}

TEST(MemImg, LifecycleOwnsExactlyItsBuffers) {
    const uint32_t before = ZvAllocCount();
    {
        Img i;
        ASSERT_EQ(InitializeMemImg(&i.m, 7, 3, -1, 0, 1, 0, 1, 1), 0);
        EXPECT_NE(i.m.PremulPixels, nullptr);
        EXPECT_NE(i.m.RunData, nullptr);
        EXPECT_EQ(InitializeMemImg(&i.m, 7, 3, -1, 0, 1, 0, 1, 1), -1);   // already initialised
        MEMIMG view;
        DerivationMemImg(&view, &i.m, 2, 1, 3, 2);
        EXPECT_EQ(view.Pixels, i.m.Pixels + i.m.Pitch + 8);
        EXPECT_EQ(view.PalettePtr, i.m.PalettePtr);
        EXPECT_EQ(view.RunData, nullptr);
    }
    EXPECT_EQ(ZvAllocCount(), before);
    // A caller's buffer is not freed by the image.
    uint32_t own[4 * 2];
    Img s;
    s.m.Pixels = reinterpret_cast<unsigned char*>(own);
    ASSERT_EQ(InitializeMemImg(&s.m, 4, 2, 16, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(s.m.BufferSuppliedFlag, 1);
    TerminateMemImg(&s.m);
    EXPECT_EQ(ZvAllocCount(), before);
    TerminateMemImg(&s.m);   // a second end does nothing
    EXPECT_EQ(InitializeMemImg(&s.m, 0, 2, -1, 0, 1, 0, 0, 0), -1);
}

TEST(MemImg, ClearClipsToTheImage) {
    Img i;
    ASSERT_EQ(InitializeMemImg(&i.m, 4, 4, -1, 0, 0, 0, 0, 0), 0);
    ClearMemImg(&i.m, nullptr, 0x1234);
    ImageRect outside{10, 10, 20, 20};
    ClearMemImg(&i.m, &outside, 0xFFFF);
    ImageRect corner{-5, -5, 1, 1};
    ClearMemImg(&i.m, &corner, 0xABCD);
    uint16_t px[2];
    std::memcpy(px, i.m.Pixels, 4);
    EXPECT_EQ(px[0], 0xABCD);
    EXPECT_EQ(px[1], 0x1234);
    std::memcpy(px, i.m.Pixels + 3 * i.m.Pitch + 6, 2);
    EXPECT_EQ(px[0], 0x1234);
}

TEST(MemImg, RunMapAndPremultipliedCopy) {
    std::vector<uint32_t> px(100, 0xFF112233);
    for (int x = 0; x < 10; ++x) px[size_t(x)] = 0x00000000;
    px[50] = 0x80FF0000;
    GraphImage g = Argb(100, 1, px);
    Img i;
    ASSERT_EQ(InitializeMemImg(&i.m, 100, 1, -1, 0, 1, 0, 1, 1), 0);
    BltGraphImageToMemImg(&g, nullptr, &i.m, 0, 0, 100, 1, 0, 0, 0);
    EXPECT_EQ(i.m.RunDataFlag, 1);
    EXPECT_EQ(i.m.PremulFlag, 1);
    const unsigned char want[] = {0x00 | 9, 0x40 | 39, 0x80 | 0, 0x40 | 48, 0xC0};
    EXPECT_EQ(0, std::memcmp(i.m.RunData, want, sizeof(want)));
    uint32_t pm;
    std::memcpy(&pm, i.m.PremulPixels + 50 * 4, 4);
    EXPECT_EQ(pm, 0x807F0000u);   // 255 * 128 >> 8

    // A run of 100 equal pixels: counts 64 and 36.
    std::vector<uint32_t> flat(100, 0xFF010101);
    GraphImage f = Argb(100, 1, flat);
    BltGraphImageToMemImg(&f, nullptr, &i.m, 0, 0, 100, 1, 0, 0, 0);
    const unsigned char two[] = {0x40 | 63, 0x40 | 35, 0xC0};
    EXPECT_EQ(0, std::memcmp(i.m.RunData, two, sizeof(two)));
    // The last pixel of a would-be full run differs: the run stops short of it.
    Img k;
    ASSERT_EQ(InitializeMemImg(&k.m, 130, 1, -1, 0, 1, 0, 1, 1), 0);
    std::vector<uint32_t> edge(130, 0xFF010101);
    edge[63] = 0x40010101;
    GraphImage e = Argb(130, 1, edge);
    BltGraphImageToMemImg(&e, nullptr, &k.m, 0, 0, 130, 1, 0, 0, 0);
    const unsigned char cut[] = {0x40 | 62, 0x80 | 0, 0x40 | 63, 0x40 | 1, 0xC0};
    EXPECT_EQ(0, std::memcmp(k.m.RunData, cut, sizeof(cut)));
    // Part of the image: the run map no longer describes it.
    BltGraphImageToMemImg(&f, nullptr, &i.m, 0, 0, 50, 1, 0, 0, 0);
    EXPECT_EQ(i.m.RunDataFlag, 0);
    EXPECT_EQ(i.m.PremulFlag, 0);
}

TEST(MemImg, PaletteImagesTakeThePaletteInTheirFormat) {
    GraphImage g;
    std::memset(&g, 0, sizeof(g));
    SetColorDataPalette8(&g.ColorInfo);
    g.ColorInfo.Palette[3] = ColorPaletteEntry{0xFF, 0x80, 0x08, 0};   // blue, green, red
    unsigned char idx[4] = {3, 1, 3, 0};
    g.Width = 4;
    g.Height = 1;
    g.Pitch = 4;
    g.Pixels = idx;
    for (int format = 0; format <= 1; ++format) {
        SCOPED_TRACE(format);
        Img i;
        ASSERT_EQ(InitializeMemImg(&i.m, 4, 1, -1, 0, format, 1, 0, 0), 0);
        BltGraphImageToMemImg(&g, nullptr, &i.m, 0, 0, 4, 1, 0, 0, 0);
        EXPECT_EQ(i.m.PaletteColorCount, 4);
        EXPECT_EQ(0, std::memcmp(i.m.Pixels, idx, 4));
        if (format == 1) {
            EXPECT_EQ(i.m.Palette[3], 0x0880FFu);
            EXPECT_EQ(i.m.SecondPalette[3], 0x0880FFu);
        } else {
            uint16_t v;
            std::memcpy(&v, reinterpret_cast<unsigned char*>(i.m.Palette) + 6, 2);
            EXPECT_EQ(v, uint16_t((0x08 & 0xF8) << 8 | (0x80 & 0xFC) << 3 | 0xFF >> 3));
        }
    }
}

TEST(MemImg, BltBetweenImagesConvertsAndClips) {
    Img a, b;
    ASSERT_EQ(InitializeMemImg(&a.m, 4, 4, -1, 0, 1, 0, 0, 0), 0);
    ASSERT_EQ(InitializeMemImg(&b.m, 2, 2, -1, 0, 0, 0, 0, 0), 0);
    ClearMemImg(&a.m, nullptr, 0xFFFF0000);
    ClearMemImg(&b.m, nullptr, 0);
    EXPECT_EQ(BltMemImg(&b.m, &a.m, nullptr, 1, 1), 0);   // clipped to 1 x 1
    uint16_t v[2];
    std::memcpy(v, b.m.Pixels + b.m.Pitch, 4);
    EXPECT_EQ(v[1], 0xF800);
    EXPECT_EQ(v[0], 0);
}

namespace {

// Run codes written the plain way: the longest span of one class, at most 64.
std::vector<unsigned char> PlainRunRow(const std::vector<int>& classes) {
    static const unsigned char kKinds[3] = {MEMIMG_RUN_SKIP, MEMIMG_RUN_COPY, MEMIMG_RUN_BLEND};
    std::vector<unsigned char> out;
    for (size_t x = 0; x < classes.size();) {
        size_t n = 1;
        while (x + n < classes.size() && n < 64 && classes[x + n] == classes[x]) ++n;
        out.push_back(uint8_t(kKinds[classes[x]] | (n - 1)));
        x += n;
    }
    out.push_back(MEMIMG_RUN_END);
    return out;
}

}  // namespace

// Rows of every width up to past the wide steps' sizes, with spans of each
// class whose lengths cross 8 and 64: the premultiplied copy holds s * a >> 8
// for every colour byte and alpha, and the run map equals the plain encoding,
// at every wide-form level the processor runs.
TEST(MemImg, PremultipliedCopyAndRunMapMatchThePlainForms) {
    uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level)
    for (int width : {1, 3, 4, 5, 8, 63, 64, 65, 130, 257}) {
        softrender::ForceSimdLevel(level);
        SCOPED_TRACE(testing::Message() << "level " << level << ", width " << width);
        const int height = 6;
        std::vector<uint32_t> px(size_t(width) * height);
        std::vector<std::vector<int>> classes(height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width;) {
                // A span of one class, 1 to 80 pixels long.
                const int cls = int(next() >> 30) % 3;
                const int span = 1 + int(next() >> 25) % 80;
                for (int i = 0; i < span && x < width; ++i, ++x) {
                    const uint32_t a = cls == 0 ? 0 : cls == 1 ? 255 : 1 + (next() >> 24) % 254;
                    px[size_t(y) * width + x] = a << 24 | (next() & 0xFFFFFF);
                    classes[size_t(y)].push_back(cls);
                }
            }
        }
        // Every alpha over bytes 0, 1, 128 and 255 in the first row where it fits.
        for (int x = 0; x < width; ++x) px[size_t(x)] = uint32_t(x * 41 % 256) << 24 | 0x00FF8001u;
        classes[0].clear();
        for (int x = 0; x < width; ++x) {
            const uint32_t a = uint32_t(x * 41 % 256);
            classes[0].push_back(a == 0 ? 0 : a == 255 ? 1 : 2);
        }

        Img i;
        ASSERT_EQ(InitializeMemImg(&i.m, width, height, -1, 0, 1, 0, 1, 1), 0);
        GraphImage g = Argb(width, height, px);
        BltGraphImageToMemImg(&g, nullptr, &i.m, 0, 0, width, height, 0, 0, 0);
        ASSERT_EQ(i.m.PremulFlag, 1);
        ASSERT_EQ(i.m.RunDataFlag, 1);
        const unsigned char* runs = i.m.RunData;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const unsigned char* s = i.m.Pixels + size_t(y) * i.m.Pitch + x * 4;
                const unsigned char* d = i.m.PremulPixels + size_t(y) * i.m.Pitch + x * 4;
                const unsigned char want[4] = {uint8_t(s[0] * s[3] >> 8), uint8_t(s[1] * s[3] >> 8),
                                               uint8_t(s[2] * s[3] >> 8), s[3]};
                ASSERT_EQ(0, std::memcmp(d, want, 4)) << "pixel " << x << "," << y;
            }
            const std::vector<unsigned char> want = PlainRunRow(classes[size_t(y)]);
            ASSERT_EQ(std::vector<unsigned char>(runs, runs + want.size()), want) << "row " << y;
            runs += want.size();
        }
    }
    softrender::ForceSimdLevel(-1);
}

// 5:6:5 with alpha in the third byte: each field becomes field * a >> 8 kept
// to its bits, the alpha and fourth bytes unchanged, at every width past the
// wide steps and every level.
TEST(MemImg, SixteenBitPremultipliedCopyMatchesThePlainForm) {
    uint32_t seed = 777;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level)
    for (int width : {1, 3, 4, 5, 8, 9, 65, 300}) {
        softrender::ForceSimdLevel(level);
        SCOPED_TRACE(testing::Message() << "level " << level << ", width " << width);
        Img i;
        ASSERT_EQ(InitializeMemImg(&i.m, width, 2, -1, 0, MEMIMG_FORMAT_R5G6B5, 0, 1, 1), 0);
        for (int n = 0; n < width * 2; ++n) {
            uint32_t v = next();
            if (n < 256) v = (v & 0xFF00FFFFu) | uint32_t(n) << 16;   // every alpha once
            std::memcpy(i.m.Pixels + size_t(n / width) * i.m.Pitch + size_t(n % width) * 4, &v, 4);
        }
        RefreshMemImgExtras(&i.m);
        ASSERT_EQ(i.m.PremulFlag, 1);
        for (int n = 0; n < width * 2; ++n) {
            const size_t at = size_t(n / width) * i.m.Pitch + size_t(n % width) * 4;
            uint32_t s, d;
            std::memcpy(&s, i.m.Pixels + at, 4);
            std::memcpy(&d, i.m.PremulPixels + at, 4);
            const uint32_t a = s >> 16 & 0xFF;
            const uint32_t field = ((s & 0xF800) * a >> 8 & 0xF800) | ((s & 0x07E0) * a >> 8 & 0x07E0) |
                                   ((s & 0x001F) * a >> 8 & 0x001F);
            ASSERT_EQ(d, (s & 0xFFFF0000u) | field) << "pixel " << n;
        }
    }
    softrender::ForceSimdLevel(-1);
}

// Images without alpha are classed by their colour key at their own pixel size.
TEST(MemImg, RunMapOfKeyedImagesSkipsTheKeyColour) {
    struct Case {
        int format, palette;
        uint32_t key;
    };
    for (const Case& k : {Case{1, 0, 0x00FF00FFu}, Case{0, 0, 0xF81Fu}, Case{1, 1, 7u}}) {
        SCOPED_TRACE(k.format * 10 + k.palette);
        const int width = 150;
        Img i;
        ASSERT_EQ(InitializeMemImg(&i.m, width, 1, -1, k.key, k.format, k.palette, 0, 1), 0);
        const int bytes = GetMemImgPixelBytes(k.format, 0, k.palette);
        std::vector<int> classes;
        for (int x = 0; x < width; ++x) {
            // Keyed spans of 9, others of 70; a value that differs from the key
            // only above the pixel's size counts as the key.
            const bool keyed = x % 79 < 9;
            const uint32_t v = keyed ? k.key | (bytes < 4 ? 0xAB000000u : 0) : k.key ^ 1u;
            std::memcpy(i.m.Pixels + x * bytes, &v, size_t(bytes));
            classes.push_back(keyed ? 0 : 1);
        }
        RefreshMemImgExtras(&i.m);
        const std::vector<unsigned char> want = PlainRunRow(classes);
        EXPECT_EQ(std::vector<unsigned char>(i.m.RunData, i.m.RunData + want.size()), want);
    }
}
