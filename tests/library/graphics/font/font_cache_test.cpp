// Glyph cache: string to codes, reuse of cached glyphs, batches, the ring
// refill of a small cache, repeated misses, and glyphs that do not fit.
#include <random>

#include "font_fixture.h"

using namespace fonttest;

namespace {

class FontCache : public FontTest {
protected:
    // A font whose cache has the fewest cells (20): wide cells.
    int SmallCacheFont() {
        const int h = CreateFontToHandleImpl(nullptr, 300, -1, 0, -1, -1, 0, -1, -1);
        EXPECT_EQ(GetFontManageData(h)->cellCapacity, 20);
        return h;
    }
    // Every present index entry names a cell in use that holds its code,
    // and no cell serves two codes.
    void ExpectIndexConsistent(int handle) {
        FontManageData* f = GetFontManageData(handle);
        std::vector<int> owners(size_t(f->cellCapacity), 0);
        for (int code = 0; code < 65536; ++code) {
            const FontCacheCell* cell = FindCachedCell(f, uint16_t(code));
            if (cell == nullptr) continue;
            EXPECT_TRUE(cell->inUse) << code;
            EXPECT_EQ(cell->code, code) << code;
            owners[size_t(cell->cellNumber)] += 1;
        }
        for (int n : owners) EXPECT_LE(n, 1);
    }
    // count distinct single-byte codes from 0x21, skipping the test glyphs with meaning.
    static std::string Distinct(int count, int from = 0x21) {
        std::string s;
        for (int c = from; int(s.size()) < count; ++c)
            if (c != 'A' && c != 'W' && c != 0x7F) s += char(c);
        return s;
    }
};

}  // namespace

TEST_F(FontCache, StringsBecomeCodes) {
    struct Case {
        const char* text;
        int length, charset;
        std::vector<uint16_t> codes;
    };
    const Case cases[] = {
        {"Ab", -1, 1, {'A', 'b'}},
        {"スタ", -1, 1, {0x5883, 0x5E83}},             // lead + 256 x trail
        {"A\x83", -1, 1, {'A'}},                       // a lone lead byte ends the string
        {"ABC", 2, 1, {'A', 'B'}},
        {"AB", 99, 1, {'A', 'B'}},                     // past the terminator: the whole string
        {"\x83\x58" "Z", 1, 1, {}},                    // length cuts a pair
        {"\xB1\xA1", -1, 1, {0xB1, 0xA1}},             // half-width kana are single bytes
        {"\xB1\xA1", -1, 2, {0xA1B1}},                 // but lead bytes in Hangeul
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<uint16_t> codes;
        FontStringToCodes(c.text, c.length, c.charset, codes);
        EXPECT_EQ(codes, c.codes);
    }
}

TEST_F(FontCache, CachedGlyphsAreReusedAndMissesGoInOneBatch) {
    const int h = CreateFontToHandleImpl(nullptr, 8, -1, 0, -1, -1, 0, -1, -1);
    auto& fake = fakeglyphs::State();
    fake.rasterised = 0;
    EXPECT_EQ(GetDrawStringWidthToHandle("AB AB", -1, h, 0), 5 + 5 + 4 + 5 + 5);
    EXPECT_EQ(fake.rasterised, 2) << "A and B once each; the space has no bitmap";
    EXPECT_EQ(GetDrawStringWidthToHandle("BA", -1, h, 0), 10);
    EXPECT_EQ(fake.rasterised, 2) << "nothing new";
    EXPECT_EQ(GetFontManageData(h)->usedCells, 3);

    // 300 new characters: all measured, the first 256 in one batch.
    std::string many;
    for (int i = 0; i < 300; ++i) {
        many += char(0x88 + i / 150);
        many += char(0x40 + i % 150 + (i % 150 >= 0x3F ? 1 : 0));   // trail bytes 0x40..0xFC, not 0x7F
    }
    fake.rasterised = 0;
    EXPECT_EQ(GetDrawStringWidthToHandle(many.c_str(), -1, h, 0), 300 * 8);
    EXPECT_EQ(fake.rasterised, 300);
    EXPECT_EQ(GetFontManageData(h)->usedCells, 303);
    ExpectIndexConsistent(h);
}

TEST_F(FontCache, SmallCacheRefillsWhileAStringIsDrawn) {
    const int h = SmallCacheFont();
    Canvas canvas(1200, 400, MEMIMG_FORMAT_X8R8G8B8, 0, 0);
    const std::string text = Distinct(30);
    const int white = GetColorImpl(255, 255, 255);
    ASSERT_EQ(DrawFontStringToMemImg(&canvas.m, nullptr, 0, 0, text.c_str(), white, 0, h, 0, 0xFFFFFF), 30 * 5);
    // Every one-pixel glyph landed at its pen position on the ascent row... (top offset 0)
    for (int i = 0; i < 30; ++i) EXPECT_EQ(canvas.At(i * 5, 0), 0xFFFFFFFFu) << i;
    ExpectIndexConsistent(h);
    // Only the last 20 stay cached.
    FontManageData* f = GetFontManageData(h);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(FindCachedCell(f, uint8_t(text[size_t(i)])) != nullptr, i >= 10) << i;
}

TEST_F(FontCache, RepeatedMissIsCachedOnceAndStaysCached) {
    const int h = SmallCacheFont();
    auto& fake = fakeglyphs::State();
    fake.rasterised = 0;
    GetDrawStringWidthToHandle("AAAA", -1, h, 0);
    EXPECT_EQ(fake.rasterised, 1);
    EXPECT_EQ(GetFontManageData(h)->usedCells, 1);
    // Nineteen others fill the rest of the ring without reaching A's cell.
    GetDrawStringWidthToHandle(Distinct(19).c_str(), -1, h, 0);
    fake.rasterised = 0;
    GetDrawStringWidthToHandle("A", -1, h, 0);
    EXPECT_EQ(fake.rasterised, 0) << "A is still cached";
    ExpectIndexConsistent(h);
}

TEST_F(FontCache, IndexStaysConsistentUnderChurn) {
    const int h = SmallCacheFont();
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        std::string s;
        const int n = 1 + int(rng() % 40);
        for (int i = 0; i < n; ++i) s += char(0x21 + rng() % 30);
        ASSERT_GE(GetDrawStringWidthToHandle(s.c_str(), -1, h, round & 1), 0);
    }
    ExpectIndexConsistent(h);
}

TEST_F(FontCache, OversizedGlyphStaysInsideItsCell) {
    // Cells of 8 x 8; 'W' is 16 x 16.
    const int h = CreateFontToHandleImpl(nullptr, 8, -1, 1, -1, 1, 0, -1, -1);
    FontManageData* f = GetFontManageData(h);
    ASSERT_EQ(f->cellWidth, 8);
    GetDrawStringWidthToHandle("W", -1, h, 0);
    const FontCacheCell* w = FindCachedCell(f, 'W');
    EXPECT_EQ(w->width, 8);
    EXPECT_EQ(w->height, 8);
    for (int row = 8; row < 16; ++row)
        for (int c = 0; c < f->cacheImagePitch; ++c)
            EXPECT_EQ(FontCellRow(f, w, row)[c], 0) << "next cell, row " << row;
    // In the last cell of the cache, nothing is written past the image.
    const int small = SmallCacheFont();
    GetDrawStringWidthToHandle((Distinct(19) + "W").c_str(), -1, small, 0);
    EXPECT_EQ(ZvCheckAllAlloc(), 0);
}

TEST_F(FontCache, GlyphsWithoutRowsKeepTheirAdvance) {
    const int h = CreateFontToHandleImpl(nullptr, 8, -1, 1, -1, 2, 0, -1, -1);
    EXPECT_EQ(GetDrawStringWidthToHandle("\t", -1, h, 0), 7 + 4);
    const FontCacheCell* tab = FindCachedCell(GetFontManageData(h), '\t');
    EXPECT_EQ(tab->width, 0);
    EXPECT_EQ(tab->height, 0);
    EXPECT_EQ(GetDrawStringWidthToHandle("　 ", -1, h, 0), 8 + 4 + 4 + 4);
}
