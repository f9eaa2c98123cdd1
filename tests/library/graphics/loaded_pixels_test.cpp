// LoadGraph of small pictures with alpha, grey and palette, pinned value by
// value: each pixel of the first row as the graph stores it, its premultiplied
// copy and the run map of that row, in the memory images of 32-bit software
// screens and of a 16-bit full screen.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/log.h"
#include "graphics/graph_handle.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"
#include "graphs_fixture.h"
#include "image_fixtures.h"

using namespace imgfix;

namespace {

using LoadedPixels = graphsfix::GraphsFixture;

// The first row of a graph's memory image: raw pixels in its own size, the
// premultiplied copy (empty without one) and the run codes up to the row end.
struct FirstRow {
    std::vector<uint32_t> pixels, premultiplied;
    std::vector<uint8_t> runs;
};

FirstRow FirstRowOf(int handle) {
    FirstRow out;
    const GraphData* g = GetGraphData(handle);
    const SurfaceData* d = g ? GetSurfaceData(GetSurface2D(g->SurfaceHandle)->SurfaceDataHandle) : nullptr;
    if (d == nullptr || !d->UseMemImgFlag) return out;
    const MEMIMG& m = d->MemImg;
    const int bytes = m.ColorFormat->PixelByte;
    for (int x = 0; x < m.Width; ++x) {
        uint32_t v = 0, p = 0;
        for (int i = 0; i < bytes; ++i) {
            v |= uint32_t(m.Pixels[x * bytes + i]) << (8 * i);
            if (m.PremulFlag) p |= uint32_t(m.PremulPixels[x * bytes + i]) << (8 * i);
        }
        out.pixels.push_back(v);
        if (m.PremulFlag) out.premultiplied.push_back(p);
    }
    for (const uint8_t* r = m.RunDataFlag ? m.RunData : nullptr; r != nullptr; ++r) {
        out.runs.push_back(*r);
        if ((*r & 0xC0) == MEMIMG_RUN_END) break;
    }
    return out;
}

Bytes Checkerboard() {
    // Cells of two pixels, solid and half covered, swapped on the second row;
    // the last pixel is clear.
    const uint32_t a = 0xFFE0C020, b = 0x80204080;
    return MakeRgbPng(7, 2, {a, a, b, b, a, a, 0x00FFFFFF, b, b, a, a, b, b, a}, true);
}

Bytes Palette(bool transparency) {
    PngSpec s;
    s.width = 4;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    if (transparency) s.trns = {0, 128, 255};   // the fourth entry stays solid
    s.rows = {0, 1, 2, 3};
    return MakePng(s);
}

Bytes Grey(int colorType, bool transparency) {
    PngSpec s;
    s.width = 3;
    s.height = 1;
    s.colorType = colorType;
    s.rows = colorType == PNG_COLOR_TYPE_GRAY ? Bytes{0x40, 0x80, 0xC0} : Bytes{0x40, 0x00, 0x80, 0x80, 0xC0, 0xFF};
    if (transparency) s.trns = {0x00, 0x80};
    return MakePng(s);
}

struct PixelCase {
    const char* name;
    Bytes file;
    FirstRow software, sixteenBit;   // 32-bit software screens, 16-bit full screen
};

}  // namespace

TEST_F(LoadedPixels, AlphaGreyAndPalettePicturesKeepTheirPixels) {
    // Worked by hand for the checkerboard's half-covered cell 0x80204080: premultiplied
    // 0x80102040; in 5:6:5 with the alpha in the third byte 0x2210 | 0x80 << 16, and the
    // spare fourth byte set.
    const std::vector<PixelCase> cases = {
        {"checkerboard with partial alpha", Checkerboard(),
         {{0xFFE0C020, 0xFFE0C020, 0x80204080, 0x80204080, 0xFFE0C020, 0xFFE0C020, 0x00FFFFFF},
          {0xFFDFBF1F, 0xFFDFBF1F, 0x80102040, 0x80102040, 0xFFDFBF1F, 0xFFDFBF1F, 0x00000000},
          {0x41, 0x81, 0x41, 0x00, 0xC0}},
         {{0xFFFFE604, 0xFFFFE604, 0xFF802210, 0xFF802210, 0xFFFFE604, 0xFFFFE604, 0xFF00FFFF},
          {0xFFFFDDE3, 0xFFFFDDE3, 0xFF801108, 0xFF801108, 0xFFFFDDE3, 0xFFFFDDE3, 0xFF000000},
          {0x41, 0x81, 0x41, 0x00, 0xC0}}},
        {"palette", Palette(false), {{0, 1, 2, 3}, {}, {0x43, 0xC0}}, {{0, 1, 2, 3}, {}, {0x43, 0xC0}}},
        {"palette with alpha", Palette(true),
         {{0x00FF0000, 0x8000FF00, 0xFF0000FF, 0xFF0A141E},
          {0x00000000, 0x80007F00, 0xFF0000FE, 0xFF09131D},
          {0x00, 0x80, 0x41, 0xC0}},
         {{0xFF00F800, 0xFF8007E0, 0xFFFF001F, 0xFFFF08A3},
          {0xFF000000, 0xFF8003E0, 0xFFFF001E, 0xFFFF0082},
          {0x00, 0x80, 0x41, 0xC0}}},
        {"grey", Grey(PNG_COLOR_TYPE_GRAY, false), {{0x40, 0x80, 0xC0}, {}, {0x42, 0xC0}},
         {{0x40, 0x80, 0xC0}, {}, {0x42, 0xC0}}},
        // Grey with alpha is read as 16-bit grey whose alpha byte rides along unused.
        {"grey with a transparent grey", Grey(PNG_COLOR_TYPE_GRAY, true),
         {{0xFF404040, 0xFF808080, 0xFFC0C0C0}, {}, {0x42, 0xC0}}, {{0x4208, 0x8410, 0xC618}, {}, {0x42, 0xC0}}},
        {"grey with alpha", Grey(PNG_COLOR_TYPE_GRAY_ALPHA, false),
         {{0xFF404040, 0xFF808080, 0xFFC0C0C0}, {}, {0x42, 0xC0}}, {{0x4208, 0x8410, 0xC618}, {}, {0x42, 0xC0}}},
    };
    for (const graphsfix::ScreenKind screen : {graphsfix::kSoftwareScreens, graphsfix::kFullScreen16}) {
        UseScreen(screen);
        int n = 0;
        for (const PixelCase& c : cases) {
            SCOPED_TRACE(c.name);
            const std::string name = "pixels" + std::to_string(n++) + ".png";
            WriteFile(name, c.file);
            const int g = LoadGraph(name.c_str());
            ASSERT_GE(g, 0);
            const FirstRow got = FirstRowOf(g);
            const FirstRow& want = screen == graphsfix::kSoftwareScreens ? c.software : c.sixteenBit;
            EXPECT_EQ(got.pixels, want.pixels);
            EXPECT_EQ(got.premultiplied, want.premultiplied);
            EXPECT_EQ(got.runs, want.runs);
            DeleteGraph(g);
        }
    }
}

// The run map of rows longer than a run's 64 pixels, worked by hand: clear,
// partly covered and solid spans, each cut at 64, and keyed spans.
TEST_F(LoadedPixels, RunMapsFollowTheAlphaOfLongRows) {
    std::vector<uint32_t> row;
    const auto span = [&](int count, uint32_t argb) { row.insert(row.end(), size_t(count), argb); };
    span(5, 0x00102030);
    span(75, 0xFF405060);
    span(10, 0x7F708090);
    span(1, 0x00000000);
    span(20, 0x01FFFFFF);
    span(19, 0xFE000000);
    std::vector<uint32_t> px = row;
    px.insert(px.end(), row.rbegin(), row.rend());   // the second row runs the other way
    WriteFile("runs.png", MakeRgbPng(int(row.size()), 2, px, true));
    // Without alpha the colour key, black, is what is skipped.
    std::vector<uint32_t> opaque(20, 0xFF000000);
    opaque.insert(opaque.end(), 50, 0xFF204060);
    opaque.insert(opaque.end(), 3, 0xFF000000);
    WriteFile("keyed.png", MakeRgbPng(int(opaque.size()), 1, opaque, false));
    for (const graphsfix::ScreenKind screen : {graphsfix::kSoftwareScreens, graphsfix::kFullScreen16}) {
        SCOPED_TRACE(screen);
        UseScreen(screen);
        for (const auto& [name, want] : {std::pair<const char*, std::vector<uint8_t>>{
                                             "runs.png", {0x04, 0x7F, 0x4A, 0x89, 0x00, 0xA6, 0xC0}},
                                         {"keyed.png", {0x13, 0x71, 0x02, 0xC0}}}) {
            SCOPED_TRACE(name);
            const int g = LoadGraph(name);
            ASSERT_GE(g, 0);
            EXPECT_EQ(FirstRowOf(g).runs, want);
            DeleteGraph(g);
        }
    }
}
