// Pixel rules of the span loops at the entry point: the packed add and
// subtract, the parameter gates of each family, depth, colour key and alpha.
#include "library/softrender/primitive/prim_fixture.h"
#include "softrender/pixel_rules.h"

namespace {
using namespace primtest;

TEST(primitivePacked, AddAndSubtractKeepTheirLowBitRules) {
    struct Case {
        const char* name;
        bool add16, sub16, add32;
        uint32_t d, s, expect;
    };
    const Case cases[] = {
        {"32 add: blue saturates, red carry sets byte 3", false, false, true, 0x00C8C8C8, 0x00646464, 0x01FFFFFF},
        {"32 add: low bits of green and red are or-ed", false, false, true, 0x00010101, 0x00010101, 0x00010102},
        {"32 add: no overflow leaves byte 3 clear", false, false, true, 0xAA102030, 0x00010203, 0x00112233},
        {"32 sub: floors at 0", false, false, false, 0x00323232, 0x00646464, 0x00000000},
        {"32 sub: 0 from black sets green and red low bits", false, false, false, 0xFF000000, 0, 0x00010100},
        {"565 add: white stays white", true, false, false, 0xFFFF, 0x1234, 0xFFFF},
        {"565 add: green 1 + 1 stays 1", true, false, false, 1 << 5, 1 << 5, 1 << 5},
        {"565 add: blue exact", true, false, false, 10, 11, 21},
        {"565 sub: 0 clears green low bit, sets red low bit", false, true, false, 0xFFFF, 0, 0xFFDF},
        {"565 sub: floors at 0", false, true, false, 0x0841, 0xFFFF, 0x0000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t got = c.add16 ? softrender::PackedAdd16(c.d, c.s)
                             : c.sub16 ? softrender::PackedSub16(c.d, c.s)
                             : c.add32 ? softrender::PackedAdd32(c.d, c.s)
                                       : softrender::PackedSub32(c.d, c.s);
        EXPECT_EQ(c.expect, got);
    }
}

// Texture kinds the families are reached with.
enum TexKind { PAL, RGB };

struct Scene {
    int format;
    TexKind kind;
    int vertexColor;
};

// Draws a grey texture over a grey destination with a depth image, and
// returns whether anything (pixels or depth) changed.
struct GateResult {
    bool changed;
    std::vector<unsigned char> pixels;
};
GateResult DrawGrey(const Scene& sc, int mode, int param) {
    ResetDrawState(16, 16);
    SetBlend(mode, param);
    Image dest(16, 16, sc.format);
    Image tex(4, 4, sc.format, sc.kind == PAL ? 1 : 0, 0, 0xFFFFFFFF);
    const bool wide = sc.format == MEMIMG_FORMAT_X8R8G8B8;
    if (wide) dest.Fill32(0x00604020); else dest.Fill16(0x6186);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            if (sc.kind == PAL) *tex.at(x, y, 1) = 3;
            else if (wide) tex.Set32(x, y, 0x00A0A0A0);
            else tex.Set16(x, y, 0xA514);
        }
    if (sc.kind == PAL) {
        if (wide) tex.SetPalette32(3, 0x00A0A0A0); else tex.SetPalette16(3, 0xA514);
    }
    MEMIMG depth{};
    EXPECT_EQ(0, CreateMemImgZBuffer(&depth, 16, 16));
    std::memset(depth.Pixels, 0xFF, size_t(depth.Pitch) * 16);
    const auto before = dest.Bytes();
    const std::vector<unsigned char> depthBefore(depth.Pixels, depth.Pixels + size_t(depth.Pitch) * 16);
    const auto q = Quad(0, 0, 16, 16, 0x80FFFFFF);
    for (const Tri& t : q)
        MemImgDrawPrimitiveBase(dest.get(), &depth, tex.get(), t.data(), 0, nullptr, 1, 0, sc.vertexColor, 0);
    const std::vector<unsigned char> depthAfter(depth.Pixels, depth.Pixels + size_t(depth.Pitch) * 16);
    TerminateMemImg(&depth);
    const bool changed = before != dest.Bytes();
    EXPECT_EQ(changed, depthBefore != depthAfter) << "pixels and depth change together";
    return {changed, dest.Bytes()};
}

TEST(primitiveGates, EachFamilyKeepsItsOwnParameterGates) {
    struct Case {
        const char* family;
        Scene scene;
        bool drawsAtZero[5];  // modes 0..4 at parameter 0
        bool fullAlphaIsCopy;  // mode 1 at parameter 255 equals mode 0
    };
    const Case cases[] = {
        {"texture, 32-bit, palette", {MEMIMG_FORMAT_X8R8G8B8, PAL, 0}, {true, false, false, true, true}, true},
        {"texture, 32-bit, direct", {MEMIMG_FORMAT_X8R8G8B8, RGB, 0}, {true, false, false, false, true}, true},
        {"texture, 16-bit, palette", {MEMIMG_FORMAT_R5G6B5, PAL, 0}, {true, false, false, true, true}, true},
        {"texture, 16-bit, direct", {MEMIMG_FORMAT_R5G6B5, RGB, 0}, {true, false, false, false, true}, true},
        {"colour, 32-bit, palette", {MEMIMG_FORMAT_X8R8G8B8, PAL, 1}, {true, true, true, true, true}, false},
        {"colour, 32-bit, direct", {MEMIMG_FORMAT_X8R8G8B8, RGB, 1}, {true, true, true, true, true}, false},
        {"colour, 16-bit, palette", {MEMIMG_FORMAT_R5G6B5, PAL, 1}, {true, true, true, true, true}, false},
        {"colour, 16-bit, direct", {MEMIMG_FORMAT_R5G6B5, RGB, 1}, {true, true, true, true, true}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.family);
        for (int mode = 0; mode < 5; ++mode) {
            SCOPED_TRACE(mode);
            EXPECT_EQ(c.drawsAtZero[mode], DrawGrey(c.scene, mode, 0).changed);
            EXPECT_TRUE(DrawGrey(c.scene, mode, 255).changed);
        }
        EXPECT_EQ(c.fullAlphaIsCopy, DrawGrey(c.scene, 1, 255).pixels == DrawGrey(c.scene, 0, 255).pixels);
        // Vertex colour ignores the parameter altogether.
        if (c.scene.vertexColor) {
            for (int mode = 0; mode < 5; ++mode)
                EXPECT_EQ(DrawGrey(c.scene, mode, 0).pixels, DrawGrey(c.scene, mode, 200).pixels);
        }
    }
}

// One full-screen quad of a 1x1 texture; returns the pixel at (1, 1).
struct One {
    int format = MEMIMG_FORMAT_X8R8G8B8;
    int palette = 0, alpha = 0, trans = 0, vertexColor = 0;
    uint32_t key = 0;
    uint32_t texel = 0;     // texel word (index for palettes)
    uint32_t entry = 0;     // palette entry
    uint32_t dest = 0;
    uint32_t argb = 0xFFFFFFFF;
    int mode = 0, param = 255;
    uint32_t bright = 0xFFFFFF;
    int blendByte = -1;     // blend image byte, -1 none
};
uint32_t DrawOne(const One& o) {
    ResetDrawState(4, 4);
    SetBlend(o.mode, o.param);
    MemImgDrawStateData.DrawBright = o.bright;
    const bool wide = o.format == MEMIMG_FORMAT_X8R8G8B8;
    Image dest(4, 4, o.format);
    Image tex(1, 1, o.format, o.palette, o.alpha, o.key);
    Image blend(1, 1, MEMIMG_FORMAT_CHANNEL8);
    if (wide) dest.Fill32(o.dest); else dest.Fill16(uint16_t(o.dest));
    if (o.palette) {
        *tex.at(0, 0, 1) = uint8_t(o.texel);
        if (wide) tex.SetPalette32(int(o.texel), o.entry); else tex.SetPalette16(int(o.texel), uint16_t(o.entry));
    } else if (wide || o.alpha) {
        tex.Set32(0, 0, o.texel);
    } else {
        tex.Set16(0, 0, uint16_t(o.texel));
    }
    if (o.blendByte >= 0) {
        *blend.at(0, 0, 1) = uint8_t(o.blendByte);
        MakeBlendGraphWeightTable(128, 255);  // weight = byte
    }
    for (const Tri& t : Quad(0, 0, 4, 4, o.argb))
        MemImgDrawPrimitiveBase(dest.get(), nullptr, tex.get(), t.data(), o.trans,
                                o.blendByte >= 0 ? blend.get() : nullptr, 0, 0, o.vertexColor, 0);
    return wide ? dest.Get32(1, 1) : dest.Get16(1, 1);
}

TEST(primitivePixels, WorkedValues) {
    struct Case {
        const char* name;
        One in;
        uint32_t expect;
    };
    auto one = [](auto f) {
        One o;
        f(o);
        return o;
    };
    const Case cases[] = {
        {"32 copy takes the whole texel word at white", one([](One& o) { o.texel = 0x12345678; o.dest = 0xFF000000; }),
         0x12345678},
        {"32 copy keeps byte 3 when darkened", one([](One& o) { o.texel = 0x12FF8000; o.dest = 0x77000000; o.bright = 0x808080; }),
         0x77804000},
        {"32 palette copy takes the whole entry", one([](One& o) { o.palette = 1; o.texel = 9; o.entry = 0x44332211; }),
         0x44332211},
        {"32 alpha texel 255 without trans weighs by 255", one([](One& o) { o.alpha = 1; o.texel = 0xFFFFFFFF; }),
         0x00FEFEFE},
        {"32 alpha texel 255 with trans copies the word", one([](One& o) { o.alpha = 1; o.trans = 1; o.texel = 0xFFFFFFFF; }),
         0xFFFFFFFF},
        {"32 alpha texel 0 with trans is a hole", one([](One& o) { o.alpha = 1; o.trans = 1; o.texel = 0x00FFFFFF; o.dest = 0x00102030; }),
         0x00102030},
        {"32 multiply by alpha 0 with trans turns black", one([](One& o) { o.alpha = 1; o.trans = 1; o.mode = 4; o.texel = 0x00FFFFFF; o.dest = 0x00102030; }),
         0x00000000},
        {"32 key compares all 32 bits", one([](One& o) { o.trans = 1; o.key = 0x00FF00FF; o.texel = 0x01FF00FF; }),
         0x01FF00FF},
        {"32 key match is a hole", one([](One& o) { o.trans = 1; o.key = 0x00FF00FF; o.texel = 0x00FF00FF; o.dest = 0x00000001; }),
         0x00000001},
        {"32 palette key compares the index", one([](One& o) { o.palette = 1; o.trans = 1; o.key = 9; o.texel = 9; o.entry = 0xFF; o.dest = 5; }),
         0x00000005},
        {"32 palette key above 255 never matches", one([](One& o) { o.palette = 1; o.trans = 1; o.key = 0x109; o.texel = 9; o.entry = 0xFF; }),
         0x000000FF},
        {"32 add of 100 to 200 saturates blue", one([](One& o) { o.mode = 2; o.param = 255; o.texel = 0x00000064; o.dest = 0x000000C8; }),
         0x000001FF},  // the carry out of blue lands in green's low bit
        {"32 multiply without weights", one([](One& o) { o.mode = 4; o.param = 0; o.texel = 0x00808080; o.dest = 0x00FFFFFF; }),
         0x007F7F7F},
        {"32 blend weight 0 leaves copy unchanged", one([](One& o) { o.blendByte = 0; o.texel = 0x00FFFFFF; o.dest = 0x00102030; }),
         0x00102030},
        {"32 blend weight 0 in multiply gives black", one([](One& o) { o.blendByte = 0; o.mode = 4; o.texel = 0x00FFFFFF; o.dest = 0x00102030; }),
         0x00000000},
        {"32 vertex colour copy of white texel", one([](One& o) { o.vertexColor = 1; o.texel = 0x00FFFFFF; }),
         0x00FEFEFE},
        {"16 copy: blend weight 255 gives 30 of 31", one([](One& o) { o.format = 0; o.texel = 0xF800; o.blendByte = 255; }),
         30u << 11},
        {"16 alpha 128 over black", one([](One& o) { o.format = 0; o.mode = 1; o.param = 128; o.texel = 0xF800; }),
         15u << 11},
        {"16 multiply white by white", one([](One& o) { o.format = 0; o.mode = 4; o.texel = 0xFFFF; o.dest = 0xFFFF; }),
         (30u << 11) | (62u << 5) | 30u},
        {"16 colour multiply white by white", one([](One& o) { o.format = 0; o.vertexColor = 1; o.mode = 4; o.texel = 0xFFFF; o.dest = 0xFFFF; }),
         (29u << 11) | (61u << 5) | 29u},
        {"16 palette colour copy of white", one([](One& o) { o.format = 0; o.palette = 1; o.vertexColor = 1; o.texel = 7; o.entry = 0xFFFF; }),
         0xF7DE},
        {"16 subtract 0 from white at parameter 0 (palette)", one([](One& o) { o.format = 0; o.palette = 1; o.mode = 3; o.param = 0; o.texel = 7; o.entry = 0xFFFF; o.dest = 0xFFFF; }),
         0xFFDF},
        {"16 alpha texel 255 without trans weighs by 255", one([](One& o) { o.format = 0; o.alpha = 1; o.texel = 0x00FFF800; }),
         30u << 11},
        {"16 key compares the colour word", one([](One& o) { o.format = 0; o.trans = 1; o.key = 0x1F; o.texel = 0x1F; o.dest = 3; }),
         3},
        {"16 key above bit 15 never matches", one([](One& o) { o.format = 0; o.trans = 1; o.key = 0x1001F; o.texel = 0x1F; }),
         0x1F},
        {"16 colour alpha 0 leaves the colour", one([](One& o) { o.format = 0; o.vertexColor = 1; o.mode = 1; o.argb = 0x00FFFFFF; o.texel = 0xFFFF; o.dest = 0x1234; }),
         0x1234},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expect, DrawOne(c.in));
    }
}

// The blend image is read where the texel is, not where the pixel lands: a
// 2x1 texture stretched over 16 columns takes its weights from a 2x1 blend image.
TEST(primitivePixels, BlendImageIsAddressedByTexelPosition) {
    ResetDrawState(16, 4);
    MakeBlendGraphWeightTable(128, 255);  // weight = byte
    Image dest(16, 4, MEMIMG_FORMAT_X8R8G8B8);
    Image tex(2, 1, MEMIMG_FORMAT_X8R8G8B8);
    Image blend(2, 1, MEMIMG_FORMAT_CHANNEL8);
    dest.Fill32(0x00204060);
    tex.Set32(0, 0, 0x00FFFFFF);
    tex.Set32(1, 0, 0x00FFFFFF);
    *blend.at(0, 0, 1) = 0;
    *blend.at(1, 0, 1) = 255;
    for (const Tri& t : Quad(0, 0, 16, 4))
        MemImgDrawPrimitiveBase(dest.get(), nullptr, tex.get(), t.data(), 0, blend.get(), 0, 0, 0, 0);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(x < 8 ? 0x00204060u : 0x00FEFEFEu, dest.Get32(x, 1) & 0xFFFFFF) << x;
}

// Depth: equal passes, the test runs before the texel is fetched, and the
// farthest depth stays farthest.
TEST(primitiveDepth, TestAndWriteRules) {
    ResetDrawState(16, 16);
    Image dest(16, 16, MEMIMG_FORMAT_X8R8G8B8);
    MEMIMG depth{};
    ASSERT_EQ(0, CreateMemImgZBuffer(&depth, 16, 16));
    auto depthAt = [&](int x, int y) {
        uint16_t v;
        std::memcpy(&v, depth.Pixels + size_t(y) * depth.Pitch + 2 * x, 2);
        return v;
    };
    auto fillDepth = [&](uint16_t v) {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) std::memcpy(depth.Pixels + size_t(y) * depth.Pitch + 2 * x, &v, 2);
    };
    auto quad = [&](float z, uint32_t argb, float u1, int write) {
        for (Tri t : Quad(0, 0, 16, 16, argb)) {
            for (auto& v : t) {
                v.z = z;
                v.u *= u1;
            }
            MemImgDrawPrimitiveBase(&dest.get()[0], &depth, nullptr, t.data(), 0, nullptr, write, 0, 1, 0);
        }
    };

    // z = 0.5 is 0x8000: an equal stored depth passes, a nearer one does not.
    fillDepth(0x8000);
    quad(0.5f, 0xFF0000FF, 1, 1);
    EXPECT_EQ(0xFEu, dest.Get32(3, 3) & 0xFF);
    fillDepth(0x7FFF);
    dest.Fill32(0);
    quad(0.5f, 0xFF0000FF, 1, 1);
    EXPECT_EQ(0u, dest.Get32(3, 3));
    EXPECT_EQ(0x7FFF, depthAt(3, 3));

    // Texels outside the texture are not drawn, but their depth is written.
    fillDepth(0xFFFF);
    dest.Fill32(0);
    quad(0.25f, 0xFFFFFFFF, 2.0f, 1);
    EXPECT_NE(0u, dest.Get32(2, 5));
    EXPECT_EQ(0u, dest.Get32(13, 5));
    EXPECT_EQ(0x4000, depthAt(13, 5));

    // Without the write flag the depth image is only read.
    fillDepth(0xFFFF);
    quad(0.25f, 0xFFFFFFFF, 1, 0);
    EXPECT_EQ(0xFFFF, depthAt(5, 5));

    // Depths at and beyond 1 are the farthest, never the nearest: a nearer
    // triangle drawn afterwards still shows.
    fillDepth(0xFFFF);
    dest.Fill32(0);
    {
        Tri far{Vtx(0, 0, 0xFFFF0000, 0, 0, 0.9f), Vtx(16, 0, 0xFFFF0000, 0, 0, 1.5f), Vtx(0, 16, 0xFFFF0000, 0, 0, 1.5f)};
        MemImgDrawPrimitiveBase(dest.get(), &depth, nullptr, far.data(), 0, nullptr, 1, 0, 1, 0);
    }
    EXPECT_EQ(0xFFFF, depthAt(10, 2));
    quad(0.5f, 0xFF00FF00, 1, 1);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(0xFE00u, dest.Get32(x, y) & 0xFFFFFF) << x << "," << y;
    TerminateMemImg(&depth);
}

}  // namespace
