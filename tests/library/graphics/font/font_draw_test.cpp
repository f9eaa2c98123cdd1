// Text drawn into software images, pixel by pixel, in every style: plain,
// edged, anti-aliased, anti-aliased with an edge, vertical; clipping,
// transparency, brightness and the pixel layouts of the destinations.
#include "font_fixture.h"

using namespace fonttest;

namespace {

constexpr uint32_t kBack = 0x11223344;

class FontDraw : public FontTest {
protected:
    int Font(int type, int edge = -1) { return CreateFontToHandleImpl(nullptr, 8, -1, type, -1, edge, 0, -1, -1); }
    int white = 0, black = 0;
    void SetUp() override {
        FontTest::SetUp();
        white = GetColorImpl(255, 255, 255);
        black = GetColorImpl(0, 0, 0);
    }
};

}  // namespace

// The test 'A' is "#.#" over ".#." with its origin one pixel right of the pen
// and its top on the font's top row.
TEST_F(FontDraw, PlainAndEdgedGlyphs) {
    struct Case {
        int type, edge;
        std::string picture;
    };
    const Case cases[] = {
        {0, -1, Rows({"........", "........", "...T.T..", "....T...", "........"})},
        {1, 1, Rows({"........", "...E.E..", "..ETETE.", "...ETE..", "....E..."})},
        {1, 2, Rows({"..EEEEE.", ".EEEEEEE", ".EETETEE", ".EEETEEE", "..EEEEE."})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type * 10 + c.edge);
        const int h = Font(c.type, c.edge);
        Canvas canvas(8, 5, MEMIMG_FORMAT_X8R8G8B8, 0, kBack);
        const int s = c.edge < 0 ? 0 : c.edge;
        // The edge grows the box by the edge size on each side: draw so that
        // the glyph itself lands on the same pixels.
        EXPECT_EQ(DrawFontStringToMemImg(&canvas.m, nullptr, 2 - s, 2 - s, "A", white, GetColorImpl(255, 0, 0), h, 0,
                                         0xFFFFFF),
                  5 + 2 * s);
        EXPECT_EQ(canvas.Picture({{kBack, '.'}, {0xFFFFFFFF, 'T'}, {0xFFFF0000, 'E'}}), c.picture);
        DeleteFontToHandleImpl(h);
    }
}

TEST_F(FontDraw, AntiAliasedCoverageBecomesAlpha) {
    // Coverage of the test 'A' in grey: 16 8 . / . 4 .
    const int h = Font(2);
    Canvas canvas(5, 3, MEMIMG_FORMAT_X8R8G8B8, 1, 0);
    DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, "A", GetColorImpl(10, 20, 30), 0, h, 0, 0xFFFFFF);
    EXPECT_EQ(canvas.At(1, 0), 0xF00A141Eu);   // 15 x 16
    EXPECT_EQ(canvas.At(2, 0), 0x700A141Eu);   // 7 x 16
    EXPECT_EQ(canvas.At(3, 0), 0u);
    EXPECT_EQ(canvas.At(2, 1), 0x300A141Eu);
    EXPECT_EQ(canvas.At(1, 1), 0u);

    // The same into a 16-bit image with an alpha byte.
    Canvas c16(5, 3, MEMIMG_FORMAT_R5G6B5, 1, 0);
    DrawFontStringToMemImg(&c16.m, nullptr, 0, 0, "A", white, 0, h, 0, 0xFFFFFF);
    EXPECT_EQ(c16.At(1, 0), 0x00F0FFFFu);
    EXPECT_EQ(c16.At(2, 1), 0x0030FFFFu);
    // A 16-bit image without alpha cannot hold coverage.
    Canvas plain16(5, 3, MEMIMG_FORMAT_R5G6B5, 0, 0);
    EXPECT_EQ(DrawFontStringToMemImg(&plain16.m, nullptr, 0, 0, "A", white, 0, h, 0, 0xFFFFFF), -1);
    EXPECT_EQ(plain16.At(1, 0), 0u);
}

TEST_F(FontDraw, AntiAliasedEdgeMixesTextAndEdge) {
    const int h = Font(3, 1);
    Canvas canvas(6, 5, MEMIMG_FORMAT_X8R8G8B8, 1, 0);
    const int blue = GetColorImpl(0, 0, 255), red = GetColorImpl(255, 0, 0);
    DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, "A", blue, red, h, 0, 0xFFFFFF);
    // Glyph pixels sit one pixel right and down in the box, which starts at
    // the origin's x of 1.
    EXPECT_EQ(canvas.At(2, 1), 0xFF0000FFu) << "full body coverage: the text colour, opaque";
    EXPECT_EQ(canvas.At(1, 1), 0xF0FF0000u) << "edge only (coverage 15): the edge colour";
    // Body 7 with edge 15 from its left neighbour: alpha 8 x 15 + 16 x 7 = 232,
    // ratio 4096 x 7 / 232 = 123; red 255 - 255 x 123 / 256, blue 255 x 123 / 256.
    EXPECT_EQ(canvas.At(3, 1), 0xE885007Au);
    EXPECT_EQ(canvas.At(5, 4), 0u) << "outside the edge";
}

TEST_F(FontDraw, VerticalTextTurnsAQuarterClockwise) {
    const int h = Font(0);
    Canvas canvas(12, 12, MEMIMG_FORMAT_X8R8G8B8, 0, kBack);
    int size[2] = {0, 0};
    // Pixel (c, r) of the box lands at (x + cell height - top - r, y + pen + left + c).
    EXPECT_EQ(DrawStringCore(1, 1, 0, "AA", white, &canvas.m, nullptr, 1, h, 0, -1, 1, size, 0xFFFFFF), 10);
    EXPECT_EQ(size[0], 8);
    EXPECT_EQ(size[1], 10);
    EXPECT_EQ(canvas.Picture({{kBack, '.'}, {0xFFFFFFFF, 'T'}}),
              Rows({"............", ".........T..", "........T...", ".........T..", "............",
                    "............", ".........T..", "........T...", ".........T..", "............",
                    "............", "............"}));
}

TEST_F(FontDraw, ClippingTransparencyAndBrightness) {
    const int h = Font(0);
    {
        // The clip rectangle and the image's own edges both cut.
        Canvas canvas(6, 3, MEMIMG_FORMAT_X8R8G8B8, 0, kBack);
        const ImageRect clip{0, 0, 4, 1};
        DrawFontStringToMemImg(&canvas.m, &clip, -2, 0, "AA", white, 0, h, 0, 0xFFFFFF);
        EXPECT_EQ(canvas.Picture({{kBack, '.'}, {0xFFFFFFFF, 'T'}}), Rows({".T....", "......", "......"}));
        // Far outside: nothing, and no harm.
        EXPECT_EQ(DrawFontStringToMemImg(&canvas.m, nullptr, -100000, 100000, "AA", white, 0, h, 0, 0xFFFFFF), 10);
    }
    {
        // Without transparency the box's empty pixels are written 0.
        Canvas canvas(5, 3, MEMIMG_FORMAT_X8R8G8B8, 0, kBack);
        DrawStringCore(1, 0, 0, "A", white, &canvas.m, nullptr, 0, h, 0, -1, 0, nullptr, 0xFFFFFF);
        EXPECT_EQ(canvas.Picture({{kBack, '.'}, {0xFFFFFFFF, 'T'}, {0, '0'}}), Rows({".T0T.", ".0T0.", "....."}));
    }
    {
        // Brightness scales each channel; 16-bit images get R5G6B5.
        Canvas canvas(5, 3, MEMIMG_FORMAT_R5G6B5, 0, 0);
        DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, "A", white, 0, h, 0, 0x80FF00);
        EXPECT_EQ(canvas.At(1, 0), uint32_t((128 >> 3) << 11 | (255 >> 2) << 5 | 0));
    }
}

TEST_F(FontDraw, NothingToDrawAndRefusals) {
    const int h = Font(0);
    Canvas canvas(8, 4, MEMIMG_FORMAT_X8R8G8B8, 0, kBack);
    const std::string before = canvas.Picture({{kBack, '.'}});
    EXPECT_EQ(DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, "", white, 0, h, 0, 0xFFFFFF), 0);
    EXPECT_EQ(DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, nullptr, white, 0, h, 0, 0xFFFFFF), 0);
    EXPECT_EQ(DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, "　 \t", white, 0, h, 0, 0xFFFFFF), 8 + 4 + 7);
    EXPECT_EQ(DrawFontStringToMemImg(nullptr, nullptr, 0, 0, "A", white, 0, h, 0, 0xFFFFFF), -1);
    EXPECT_EQ(DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, "A", white, 0, -1, 0, 0xFFFFFF), -1);
    EXPECT_EQ(canvas.Picture({{kBack, '.'}}), before);
    // With the graphics system down, nothing is measured or drawn.
    TerminateDisplay();
    EXPECT_EQ(GetDrawStringWidthToHandle("A", -1, h, 0), -1);
    EXPECT_EQ(DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, "A", white, 0, h, 0, 0xFFFFFF), -1);
    ASSERT_EQ(InitializeDisplay(), 0);
    ASSERT_EQ(InitFont(), 0);
}
