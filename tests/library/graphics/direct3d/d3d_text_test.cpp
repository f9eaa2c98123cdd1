// Text on the recording device: fonts made while the 3D road is up keep
// their glyphs in a cache texture of the font type's format, glyph texels
// follow the coverage, strings are drawn as cells of it with the text colour
// as brightness, a cache the graphics system deleted comes back empty at the
// next draw, and a cache texture that cannot be made leaves the glyphs in memory.
#include <cstring>
#include <string>

#include "d3d_fixture.h"
#include "graphics/draw_front.h"
#include "graphics/font/font_handle.h"
#include "graphics/graph_draw_state.h"
#include "graphics/graph_handle.h"
#include "graphics/graphics_core.h"
#include "library/graphics/font/fake_glyph_source.h"

namespace {
using d3dtest::FakeTexture;
using d3dtest::g_fake;
using zvtest::Rows;

class D3DTextTest : public d3dtest::D3DStateTest {
protected:
    void SetUp() override {
        D3DStateTest::SetUp();
        fakeglyphs::State() = fakeglyphs::FakeState{};
        SetFontGlyphSource(fakeglyphs::Source());
    }
    void TearDown() override {
        D3DStateTest::TearDown();
        SetFontGlyphSource(nullptr);
    }

    // The fake glyph source's fonts: height h has cells of (h / 2 + edge) rounded up to 8.
    int Font(int type, int height, int edge = -1) {
        const int font = CreateFontToHandle(nullptr, height, 6, type, -1, edge);
        EXPECT_GE(font, 0) << Log();
        return font;
    }
    static FakeTexture* TextureOf(int graph) {
        const GraphData* g = GetGraphData(graph);
        if (g == nullptr || g->PieceCount == 0) return nullptr;
        const SurfaceData* sd = GetSurfaceData(GetSurface3DData(g->Pieces[0])->surfaceData);
        return sd ? reinterpret_cast<FakeTexture*>(sd->Texture) : nullptr;
    }
    // Texels of a rectangle: '.' transparent, '#' the alpha-test bit, 1-f the
    // four alpha bits; '?' for a colour other than white.
    static std::string Picture(const FakeTexture* t, int x0, int y0, int w, int h) {
        const uint32_t alpha = t->format.RGBAlphaBitMask, rgb = 0xFFFFu & ~alpha;
        std::string out;
        for (int y = y0; y < y0 + h; ++y) {
            for (int x = x0; x < x0 + w; ++x) {
                uint16_t v;
                std::memcpy(&v, &t->pixels[(size_t(y) * t->width + x) * 2], 2);
                const unsigned a = alpha == 0x8000 ? v >> 15 : v >> 12;
                out += (v & rgb) != rgb ? '?' : a == 0 ? '.' : alpha == 0x8000 ? '#' : "0123456789abcdef"[a];
            }
            out += '\n';
        }
        return out;
    }
};

TEST_F(D3DTextTest, CacheTexturesTakeTheFontTypesFormatAndGrowForWideCells) {
    struct Case {
        int type, height, edge;
        uint32_t alphaMask;
        int cell, cacheW, cacheH, cells;
    };
    const Case cases[] = {
        {0, 32, -1, 0x8000, 16, 512, 512, 1024},   // plain: alpha test
        {2, 32, -1, 0xF000, 16, 512, 512, 1024},   // smooth: four alpha bits
        {1, 28, 1, 0x8000, 16, 512, 512, 1024},    // edged: twice as wide, edges on the right
        {3, 24, 2, 0xF000, 16, 512, 512, 1024},
        {0, 400, -1, 0x8000, 200, 1024, 512, 10},  // a wide cell grows the texture to ten cells
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " height " + std::to_string(c.height));
        const int font = Font(c.type, c.height, c.edge);
        const FontManageData* f = GetFontManageData(font);
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(f->textureCache, 1);
        EXPECT_EQ(f->cacheImage, nullptr);
        EXPECT_EQ(f->drawScreenSurface, -1);
        EXPECT_EQ(f->cellWidth, c.cell);
        EXPECT_EQ(f->cacheWidth, c.cacheW);
        EXPECT_EQ(f->cacheHeight, c.cacheH);
        EXPECT_EQ(f->cellCapacity, c.cells);
        const bool edged = (c.type & 1) != 0;
        int w = 0, h = 0;
        ASSERT_EQ(GetGraphSizeImpl(f->cacheGraph, &w, &h), 0);
        EXPECT_EQ(w, edged ? 2 * c.cacheW : c.cacheW);
        EXPECT_EQ(h, c.cacheH);
        const FakeTexture* t = TextureOf(f->cacheGraph);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->format.RGBBitCount, 16u);
        EXPECT_EQ(t->format.RGBAlphaBitMask, c.alphaMask);
        if (edged) {
            ASSERT_EQ(GetGraphSizeImpl(f->edgeGraph, &w, &h), 0);
            EXPECT_EQ(w, c.cacheW);
            EXPECT_EQ(h, c.cacheH);
            EXPECT_EQ(TextureOf(f->edgeGraph), t) << "the edge graph is the cache texture's right half";
        } else {
            EXPECT_EQ(f->edgeGraph, -1);
        }
        DeleteFontToHandle(font);
    }
    EXPECT_EQ(Log().find("テクスチャ文字キャッシュの作成に失敗しました"), std::string::npos);
}

TEST_F(D3DTextTest, GlyphTexelsAreWhiteWithTheGlyphsCoverageAsAlpha) {
    // 'A' is "#.#" over ".#." in one bit, coverage 16 8 0 over 0 4 0 in grey.
    struct Case {
        int type, height, edge;
        std::string glyph, edges;
    };
    const Case cases[] = {
        {0, 32, -1, Rows({"#.#.", ".#.."}), ""},
        {2, 32, -1, Rows({"f7..", ".3.."}), ""},
        // Edged: the glyph one pixel in, its edge in the right half; a pixel
        // the glyph covers fully hides the edge under it.
        {1, 28, 1, Rows({".....", ".#.#.", "..#..", "....."}), Rows({".#.#.", "#.#.#", ".#.#.", "..#.."})},
        {3, 28, 1, Rows({".....", ".f7..", "..3..", "....."}), Rows({".f7..", "f.f7.", ".f73.", "..3.."})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type));
        const int font = Font(c.type, c.height, c.edge);
        ASSERT_EQ(DrawStringToHandle(0, 0, "AB", GetColor(255, 255, 255), font), 0);
        const FontManageData* f = GetFontManageData(font);
        const FakeTexture* t = TextureOf(f->cacheGraph);
        ASSERT_NE(t, nullptr);
        const int w = int(c.glyph.find('\n')), h = int(c.glyph.size()) / (w + 1);
        EXPECT_EQ(Picture(t, 0, 0, w, h), c.glyph);
        if (!c.edges.empty()) {
            EXPECT_EQ(Picture(t, f->cacheWidth, 0, w, h), c.edges);
        }
        // 'B' (one full pixel) takes the next cell, one cell further down.
        const int in = c.edge > 0 ? c.edge : 0;
        EXPECT_EQ(Picture(t, in, f->cellWidth + in, 1, 1), c.type & 2 ? "f\n" : "#\n");
        DeleteFontToHandle(font);
    }
}

TEST_F(D3DTextTest, GlyphsAreCellsInTheTextColourAndTheDrawStateComesBack) {
    const int font = Font(0, 32);
    const FontManageData* f = GetFontManageData(font);
    SetDrawScreen(SCREEN_BACK);
    // A blend graph smaller than the cache graph would refuse every glyph.
    const int blend = MakeGraph(8, 8);
    ASSERT_EQ(SetBlendGraph(blend, 10, 20), 0);
    SetDrawBright(128, 255, 64);
    G_D3D_RenderVertex();
    ASSERT_EQ(DrawStringToHandle(100, 50, "B", GetColor(255, 200, 255), font), 0);
    ASSERT_EQ(G_D3D_RenderVertex(), 0);
    ASSERT_EQ(g_fake->lastVertices.size(), 6 * sizeof(D3DVertexTex1));
    D3DVertexTex1 v[6];
    std::memcpy(v, g_fake->lastVertices.data(), sizeof v);
    // One pixel at the pen: the cell's first texel, half a pixel up and left.
    EXPECT_FLOAT_EQ(v[0].x, 99.5f);
    EXPECT_FLOAT_EQ(v[0].y, 49.5f);
    EXPECT_FLOAT_EQ(v[3].x, 100.5f);
    EXPECT_FLOAT_EQ(v[3].y, 50.5f);
    EXPECT_FLOAT_EQ(v[0].u, 0.0f);
    EXPECT_FLOAT_EQ(v[3].u, 1.0f / 512.0f);
    EXPECT_FLOAT_EQ(v[3].v, 1.0f / 512.0f);
    // The text colour times the brightness, opaque.
    EXPECT_EQ(v[0].color, 0xFF80C840u);
    EXPECT_EQ(g_fake->textures[0], reinterpret_cast<Texture3D*>(TextureOf(f->cacheGraph)));
    const GraphDrawState& ds = GetGraphDrawState();
    EXPECT_EQ(ds.DrawBright, 0x80FF40u);
    EXPECT_EQ(ds.BlendGraph, blend);
    EXPECT_EQ(ds.BlendGraphBorderParam, 10);
    EXPECT_EQ(ds.BlendGraphBorderRange, 20);
    SetBlendGraph(-1, 0, 0);
}

TEST_F(D3DTextTest, ACacheTheGraphicsSystemDeletedComesBackEmptyAtTheNextDraw) {
    const int font = Font(1, 28, 1);
    FontManageData* f = GetFontManageData(font);
    SetDrawScreen(SCREEN_BACK);
    ASSERT_EQ(DrawStringToHandle(0, 0, "A", GetColor(255, 255, 255), font), 0);
    ASSERT_EQ(fakeglyphs::State().rasterised, 1);
    const std::string glyph = Picture(TextureOf(f->cacheGraph), 0, 0, 5, 4);

    // Every graph deleted, then one of the pair alone: each time both graphs
    // are made again, the glyph is rasterised again, and nothing is left over.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "all graphs deleted" : "the cache graph deleted");
        const size_t before = g_fake->LiveTextures();
        if (round == 0) InitGraph(0);
        else DeleteGraph(f->cacheGraph);
        const size_t left = g_fake->LiveTextures();
        EXPECT_EQ(f->cacheRebuild, 1);
        ASSERT_EQ(DrawStringToHandle(0, 0, "A", GetColor(255, 255, 255), font), 0);
        EXPECT_EQ(fakeglyphs::State().rasterised, 2 + round);
        ASSERT_NE(GetGraphData(f->cacheGraph), nullptr);
        ASSERT_NE(GetGraphData(f->edgeGraph), nullptr);
        EXPECT_EQ(TextureOf(f->edgeGraph), TextureOf(f->cacheGraph));
        EXPECT_EQ(Picture(TextureOf(f->cacheGraph), 0, 0, 5, 4), glyph);
        // One texture more than all graphs left; in place of the pair's, when the edge graph was left.
        EXPECT_EQ(g_fake->LiveTextures(), round == 0 ? left + 1 : before);
    }

    // A new screen mode makes the default font again, with a cache texture.
    ASSERT_EQ(ChangeScreenMode(-1, -1, -1, 1, -1), 0);
    EXPECT_EQ(GetFontManageData(font), nullptr);
    const FontManageData* d = GetFontManageData(GetDefaultFontHandle());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->textureCache, 1);
    EXPECT_EQ(DrawString(0, 0, "A", GetColor(255, 255, 255)), 0);
}

TEST_F(D3DTextTest, ACacheTextureThatCannotBeMadeLeavesTheGlyphsInMemory) {
    const int graphs = GetGraphCount();
    g_fake->createBudget = 0;
    const int font = Font(2, 32);
    g_fake->createBudget = -1;
    const FontManageData* f = GetFontManageData(font);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->textureCache, 0);
    EXPECT_NE(f->cacheImage, nullptr);
    EXPECT_EQ(f->cellCapacity, 0x50000 / (16 * 16));
    EXPECT_EQ(f->staging.Pixels, nullptr);
    EXPECT_EQ(GetGraphCount(), graphs);
    EXPECT_NE(Log().find("テクスチャ文字キャッシュの作成に失敗しました\r\n"), std::string::npos);
    // Drawn on the 2D road, over the screen's surface.
    SetDrawScreen(SCREEN_BACK);
    EXPECT_EQ(DrawStringToHandle(0, 0, "AB", GetColor(255, 255, 255), font), 0);
    EXPECT_EQ(fakeglyphs::State().rasterised, 2);
}

}  // namespace
