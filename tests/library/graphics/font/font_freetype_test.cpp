// The default font over FreeType and IPA Gothic: metrics at the game's sizes,
// string widths in ASCII and Japanese, face fall-backs, weight and the
// bitmaps the glyph source hands out.
#include "font_fixture.h"

using namespace fonttest;

namespace {

class FontFreeType : public FontTest {
protected:
    const GlyphSource* Glyphs() override { return nullptr; }
};

}  // namespace

TEST_F(FontFreeType, DefaultFontMetricsAtSixteenAndTwenty) {
    struct Case {
        int size, ascent, cellWidth, cellHeight;
    };
    const Case cases[] = {{16, 13, 16, 16}, {20, 16, 24, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        ASSERT_EQ(SetFontSizeImpl(c.size), 0);
        FontManageData* f = GetFontManageData(GetDefaultFontHandle());
        ASSERT_NE(f, nullptr) << Log();
        GlyphTextMetrics tm{};
        ASSERT_EQ(f->glyphSource->getTextMetrics(f->glyphFont, &tm), 0);
        EXPECT_EQ(tm.height, c.size);
        EXPECT_EQ(tm.ascent, c.ascent);
        EXPECT_EQ(tm.ascent + tm.descent, c.size);
        EXPECT_EQ(f->cellWidth, c.cellWidth);
        EXPECT_EQ(f->cellHeight, c.cellHeight);
    }
}

TEST_F(FontFreeType, StringWidths) {
    // At size 20 half-width characters advance 10 pixels, full-width ones 19.
    ASSERT_EQ(SetFontSizeImpl(20), 0);
    struct Case {
        const char* text;
        int length, width;
    };
    const Case cases[] = {
        {"A", -1, 10},
        {"Velmora ver 1.000", -1, 170},
        {"スタート", -1, 4 * 19},
        {"スタート　スコア", -1, 8 * 19},   // the full-width space advances like a character
        {"魔女の森", -1, 4 * 19},
        {"Aス", -1, 10 + 19},
        {"Aス", 2, 10},                      // a length that cuts the pair keeps only "A"
        {"Aス", 99, 10 + 19},
        {"", -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(GetDrawStringWidthImpl(c.text, c.length, 0), c.width);
        EXPECT_EQ(GetDrawStringWidthImpl(c.text, c.length, 1), c.width) << "vertical text advances alike";
    }
}

TEST_F(FontFreeType, FacesWeightAndBitmaps) {
    const GlyphSource* ft = GetFreeTypeGlyphSource();
    auto open = [&](const char* face, int weight) {
        GlyphFontSpec spec{face, 20, weight, 0, 128};
        return ft->createFont(&spec);
    };
    // The game's face and an unknown face both fall back to IPA Gothic.
    GlyphFontHandle fonts[] = {open(nullptr, 400), open("ＭＳ ゴシック", 400), open("No Such Face 123", 400),
                               open(nullptr, 600)};
    for (GlyphFontHandle f : fonts) ASSERT_NE(f, nullptr);
    GlyphTextMetrics a{}, b{};
    ft->getTextMetrics(fonts[0], &a);
    for (int i = 1; i < 3; ++i) {
        ft->getTextMetrics(fonts[i], &b);
        EXPECT_EQ(b.ascent, a.ascent);
        EXPECT_EQ(b.maxCharWidth, 19);
    }
    // "ア" (0x8341) as 1-bit rows padded to 4 bytes and as coverage 0..16;
    // thick fonts are bolder.
    auto inked = [&](GlyphFontHandle f, int format, GlyphMetrics& m, std::vector<unsigned char>& bits) {
        const long size = ft->getGlyph(f, 0x8341, format, &m, nullptr, 0);
        EXPECT_GT(size, 0);
        bits.assign(size_t(size), 0xEE);
        EXPECT_EQ(ft->getGlyph(f, 0x8341, format, &m, bits.data(), bits.size()), size);
        const int pitch = int(size / m.blackBoxY);
        EXPECT_EQ(pitch % 4, 0);
        EXPECT_GE(pitch * (format == GLYPH_BITMAP_MONO ? 8 : 1), m.blackBoxX);
        int count = 0;
        for (unsigned char v : bits) count += format == GLYPH_BITMAP_MONO ? __builtin_popcount(v) : (v ? 1 : 0);
        return count;
    };
    GlyphMetrics m{};
    std::vector<unsigned char> bits;
    const int regular = inked(fonts[0], GLYPH_BITMAP_MONO, m, bits);
    EXPECT_GT(m.blackBoxX, 8);
    EXPECT_LE(m.blackBoxX, 20);
    EXPECT_GT(m.originY, 0);
    EXPECT_LE(m.originY, a.ascent + 1);
    EXPECT_EQ(m.cellIncX, 19);
    EXPECT_GT(inked(fonts[3], GLYPH_BITMAP_MONO, m, bits), regular);
    inked(fonts[0], GLYPH_BITMAP_GRAY4, m, bits);
    for (unsigned char v : bits) EXPECT_LE(v, 16);
    // A tab and a code without a character have no pixels but advance.
    for (unsigned code : {0x09u, 0x8540u}) {
        EXPECT_EQ(ft->getGlyph(fonts[0], code, GLYPH_BITMAP_MONO, &m, nullptr, 0), 0) << code;
        EXPECT_EQ(m.blackBoxX, 0);
        EXPECT_GT(m.cellIncX, 0);
    }
    for (GlyphFontHandle f : fonts) ft->deleteFont(f);
}
