// Triangle set-up seen from the entry point: which pixels a triangle covers,
// what it refuses, the draw area, tall triangles and the white stand-in texture.
#include <cmath>
#include <functional>
#include <limits>

#include "library/softrender/primitive/prim_fixture.h"

namespace {
using namespace primtest;

// Columns drawn per row of a 32-bit image that started black.
std::vector<std::vector<int>> DrawnColumns(Image& img) {
    std::vector<std::vector<int>> rows(size_t(img.height()));
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.Get32(x, y) != 0) rows[size_t(y)].push_back(x);
    return rows;
}

TEST(primitiveSetup, RightAngleTriangleCoversEightRowsOf36Pixels) {
    ResetDrawState(16, 16);
    Image dest(16, 16, MEMIMG_FORMAT_X8R8G8B8);
    DrawTri(dest.get(), Tri{Vtx(0, 0), Vtx(8, 0), Vtx(0, 8)});
    const auto rows = DrawnColumns(dest);
    int total = 0;
    for (int y = 0; y < 16; ++y) {
        const int expect = y < 8 ? 8 - y : 0;
        ASSERT_EQ(size_t(expect), rows[size_t(y)].size()) << "row " << y;
        if (expect) {
            EXPECT_EQ(0, rows[size_t(y)].front());
            EXPECT_EQ(expect - 1, rows[size_t(y)].back());
        }
        total += expect;
    }
    EXPECT_EQ(36, total);
}

TEST(primitiveSetup, VertexOrderDoesNotChangeCoverage) {
    ResetDrawState(32, 32);
    const PrimitiveVertex a = Vtx(2.3f, 1.7f), b = Vtx(27.5f, 9.2f), c = Vtx(11.1f, 29.6f);
    const Tri orders[] = {{a, b, c}, {a, c, b}, {b, a, c}, {b, c, a}, {c, a, b}, {c, b, a}};
    Image first(32, 32, MEMIMG_FORMAT_X8R8G8B8);
    DrawTri(first.get(), orders[0]);
    for (const Tri& t : orders) {
        Image img(32, 32, MEMIMG_FORMAT_X8R8G8B8);
        DrawTri(img.get(), t);
        EXPECT_EQ(first.Bytes(), img.Bytes());
    }
}

TEST(primitiveSetup, DrawAreaClipsSpansAndStartsAtItsTopRow) {
    ResetDrawState(32, 32);
    SetMemImgDrawArea(5, 4, 20, 30);
    Image dest(32, 32, MEMIMG_FORMAT_X8R8G8B8);
    DrawTri(dest.get(), Tri{Vtx(-10, -10), Vtx(40, -10), Vtx(-10, 40)});
    // The long edge runs along x + y = 30; pixels near it are left unchecked.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool inArea = x >= 5 && x < 20 && y >= 4 && y < 30;
            if (!inArea || x + y > 30) {
                EXPECT_EQ(0u, dest.Get32(x, y)) << x << "," << y;
            } else if (x + y < 28) {
                EXPECT_NE(0u, dest.Get32(x, y)) << x << "," << y;
            }
        }
}

TEST(primitiveSetup, DrawAreaLargerThanTheImageStaysInsideIt) {
    ResetDrawState(64, 64);
    Image dest(16, 8, MEMIMG_FORMAT_R5G6B5);
    DrawTri(dest.get(), Tri{Vtx(-20, -20), Vtx(60, -20), Vtx(-20, 60)});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(0xF7DE, dest.Get16(x, y));
}

TEST(primitiveSetup, TrianglesTallerThanTheSpanTableAreDrawnWhole) {
    const int h = 6000;
    ResetDrawState(8, h);
    Image dest(8, h, MEMIMG_FORMAT_X8R8G8B8);
    DrawTri(dest.get(), Tri{Vtx(0, 0), Vtx(8, 0), Vtx(8, float(h))});
    // Right edge at x = 8, left edge from (0, 0) to (8, h): row y starts at the
    // column whose centre passes 8 (y + 0.5) / h.
    int checked = 0;
    for (int y = 0; y < h; ++y) {
        const double edge = (y + 0.5) * 8.0 / h + 0.5;
        if (std::fabs(edge - std::round(edge)) < 0.01) continue;
        const int first = int(edge);
        for (int x = 0; x < 8; ++x) ASSERT_EQ(x >= first, dest.Get32(x, y) != 0) << x << "," << y;
        ++checked;
    }
    EXPECT_GT(checked, h - 200);
}

// A vertex-coloured gradient whose right edge reaches past the middle vertex
// sees colour values slightly above 255; they stay at the top of the range.
TEST(primitiveSetup, VertexColourPastTheEndStaysAtFull) {
    ResetDrawState(64, 128);
    Image dest(64, 128, MEMIMG_FORMAT_X8R8G8B8);
    DrawTri(dest.get(), Tri{Vtx(0, 0, 0xFF000000), Vtx(16, 8, 0xFFFF0000), Vtx(0, 100, 0xFF000000)});
    const uint32_t far = dest.Get32(16, 8);
    ASSERT_NE(0u, far) << "the column past the middle vertex is drawn";
    EXPECT_EQ(0xFEu, (far >> 16) & 0xFF);
    for (int x = 0; x < 16; ++x) EXPECT_LE((dest.Get32(x, 8) >> 16) & 0xFF, 0xFEu);
}

TEST(primitiveSetup, PerspectiveDivisorReachingZeroMidSpanSkipsThatPixel) {
    ResetDrawState(16, 4);
    Image dest(16, 4, MEMIMG_FORMAT_X8R8G8B8);
    // rhw falls 0.125 a pixel from 0.9375: exactly 0 at the centre of column 7.
    DrawTri(dest.get(), Tri{Vtx(0, 0, 0xFFFFFFFF, 0, 0, 0, 0.9375f), Vtx(16, 0, 0xFFFFFFFF, 0, 0, 0, -1.0625f),
                            Vtx(0, 16, 0xFFFFFFFF, 0, 0, 0, 0.9375f)});
    for (int x = 0; x < 16; ++x) {
        if (x == 7)
            EXPECT_EQ(0u, dest.Get32(x, 0));
        else
            EXPECT_NE(0u, dest.Get32(x, 0)) << x;
    }
}

// The stand-in texture is white whatever the drawing state: a draw area that
// misses its corner and a dark brightness change nothing in it, and the
// brightness is applied once, by the span loops.
TEST(primitiveSetup, StandInTextureIsWhiteWhateverTheDrawingState) {
    ResetDrawState(64, 64);
    SetMemImgDrawArea(20, 20, 64, 64);
    MemImgDrawStateData.DrawBright = 0x808080;
    Image dest(64, 64, MEMIMG_FORMAT_X8R8G8B8);
    DrawTri(dest.get(), Tri{Vtx(20, 20, 0xFFFFFFFF, 0, 0), Vtx(60, 20, 0xFFFFFFFF, 0.99f, 0),
                            Vtx(20, 60, 0xFFFFFFFF, 0, 0.99f)},
            nullptr, 0);
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 40; ++x) EXPECT_EQ(0x808080u, dest.Get32(x, y) & 0xFFFFFF) << x << "," << y;
}

TEST(primitiveSetup, WhiteUntexturedTriangleIsOneStepShortOfWhite) {
    ResetDrawState(16, 16);
    Image d32(16, 16, MEMIMG_FORMAT_X8R8G8B8);
    Image d16(16, 16, MEMIMG_FORMAT_R5G6B5);
    d32.Fill32(0x5A000000);
    const Tri t{Vtx(0, 0), Vtx(16, 0), Vtx(0, 16)};
    DrawTri(d32.get(), t);
    DrawTri(d16.get(), t);
    EXPECT_EQ(0x5AFEFEFEu, d32.Get32(2, 2));  // fourth byte kept
    EXPECT_EQ(0xF7DE, d16.Get16(2, 2));
}

TEST(primitiveSetup, WhiteOverBlackAtFullVertexAlphaGives253) {
    ResetDrawState(16, 16);
    SetBlend(1, 255);
    Image d32(16, 16, MEMIMG_FORMAT_X8R8G8B8);
    Image d16(16, 16, MEMIMG_FORMAT_R5G6B5);
    const Tri t{Vtx(0, 0), Vtx(16, 0), Vtx(0, 16)};
    DrawTri(d32.get(), t);
    DrawTri(d16.get(), t);
    EXPECT_EQ(0xFDFDFDu, d32.Get32(2, 2) & 0xFFFFFF);
    EXPECT_EQ((29 << 11) | (61 << 5) | 29, d16.Get16(2, 2));
}

// Every refusal leaves the destination (and the depth image) as it was.
TEST(primitiveSetup, RefusedTrianglesLeaveEverythingUntouched) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        Tri tri;
        std::function<void()> state;
        int depthW, depthH;
        int texFormat;  // -1: stand-in texture
        int blendW;     // 0: no blend image
    };
    const Tri ok{Vtx(2, 2), Vtx(28, 3), Vtx(5, 27)};
    auto none = [] {};
    const Case cases[] = {
        {"box 1.0 wide", Tri{Vtx(10, 2), Vtx(11, 2), Vtx(10, 30)}, none, 0, 0, -1, 0},
        {"box 1.0 high", Tri{Vtx(2, 10), Vtx(30, 10), Vtx(2, 11)}, none, 0, 0, -1, 0},
        {"collinear", Tri{Vtx(0, 0), Vtx(10, 10), Vtx(20, 20)}, none, 0, 0, -1, 0},
        {"left of the area", Tri{Vtx(-20, 2), Vtx(-1, 3), Vtx(-5, 27)}, none, 0, 0, -1, 0},
        {"below the area", Tri{Vtx(2, 32), Vtx(28, 33), Vtx(5, 50)}, none, 0, 0, -1, 0},
        {"all nearer than 0", Tri{Vtx(2, 2, ~0u, 0, 0, -0.5f), Vtx(28, 3, ~0u, 0, 0, -0.1f), Vtx(5, 27, ~0u, 0, 0, -1)},
         none, 0, 0, -1, 0},
        {"all at 1 or farther", Tri{Vtx(2, 2, ~0u, 0, 0, 1), Vtx(28, 3, ~0u, 0, 0, 1.5f), Vtx(5, 27, ~0u, 0, 0, 1)},
         none, 0, 0, -1, 0},
        {"blend mode 5", ok, [] { SetBlend(5, 128); }, 0, 0, -1, 0},
        {"negative blend mode", ok, [] { SetBlend(-1, 128); }, 0, 0, -1, 0},
        {"empty draw area", ok, [] { SetMemImgDrawArea(10, 10, 10, 20); }, 0, 0, -1, 0},
        {"depth image of another size", ok, none, 32, 31, -1, 0},
        {"texture of another format", ok, none, 0, 0, MEMIMG_FORMAT_R5G6B5, 0},
        {"blend image smaller than the texture", ok, none, 0, 0, MEMIMG_FORMAT_X8R8G8B8, 4},
        {"not a number", Tri{Vtx(nan, 2), Vtx(28, 3), Vtx(5, 27)}, none, 0, 0, -1, 0},
        {"infinite", Tri{Vtx(2, 2), Vtx(std::numeric_limits<float>::infinity(), 3), Vtx(5, 27)}, none, 0, 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetDrawState(32, 32);
        c.state();
        Image dest(32, 32, MEMIMG_FORMAT_X8R8G8B8);
        dest.Fill32(0x11223344);
        const auto before = dest.Bytes();
        MEMIMG depth{};
        if (c.depthW) {
            ASSERT_EQ(0, CreateMemImgZBuffer(&depth, c.depthW, c.depthH));
        }
        Image tex(8, 8, c.texFormat < 0 ? MEMIMG_FORMAT_X8R8G8B8 : c.texFormat);
        Image blend(c.blendW ? c.blendW : 1, c.blendW ? c.blendW : 1, MEMIMG_FORMAT_CHANNEL8);
        MemImgDrawPrimitiveBase(dest.get(), c.depthW ? &depth : nullptr, c.texFormat < 0 ? nullptr : tex.get(),
                                c.tri.data(), 0, c.blendW ? blend.get() : nullptr, 1, 1, 1, 0);
        EXPECT_EQ(before, dest.Bytes());
        TerminateMemImg(&depth);
    }
}

TEST(primitiveSetup, UnusableImagesAreRefusedWithoutHarm) {
    ResetDrawState(32, 32);
    const Tri t{Vtx(2, 2), Vtx(28, 3), Vtx(5, 27)};
    MemImgDrawPrimitiveBase(nullptr, nullptr, nullptr, t.data(), 0, nullptr, 0, 0, 1, 0);
    Image dest(32, 32, MEMIMG_FORMAT_X8R8G8B8);
    MemImgDrawPrimitiveBase(dest.get(), nullptr, nullptr, nullptr, 0, nullptr, 0, 0, 1, 1);

    MEMIMG stale{};  // never initialised
    MemImgDrawPrimitiveBase(dest.get(), nullptr, &stale, t.data(), 0, nullptr, 0, 0, 1, 0);
    MemImgDrawPrimitiveBase(dest.get(), &stale, nullptr, t.data(), 0, nullptr, 0, 0, 1, 0);
    MemImgDrawPrimitiveBase(dest.get(), nullptr, nullptr, t.data(), 0, &stale, 0, 0, 1, 0);
    MemImgDrawPrimitiveBase(&stale, nullptr, nullptr, t.data(), 0, nullptr, 0, 0, 1, 0);
    EXPECT_EQ(std::vector<unsigned char>(size_t(dest.get()->Pitch) * 32, 0), dest.Bytes());

    Image paletted(32, 32, MEMIMG_FORMAT_X8R8G8B8, 1);
    Image withAlpha(32, 32, MEMIMG_FORMAT_X8R8G8B8, 0, 1);
    Image depth8(32, 32, MEMIMG_FORMAT_CHANNEL8);
    const auto p0 = paletted.Bytes(), a0 = withAlpha.Bytes();
    DrawTri(paletted.get(), t);
    DrawTri(withAlpha.get(), t);
    MemImgDrawPrimitiveBase(dest.get(), depth8.get(), nullptr, t.data(), 0, nullptr, 1, 0, 1, 0);
    EXPECT_EQ(p0, paletted.Bytes());
    EXPECT_EQ(a0, withAlpha.Bytes());
    EXPECT_EQ(std::vector<unsigned char>(size_t(dest.get()->Pitch) * 32, 0), dest.Bytes());
}

}  // namespace
