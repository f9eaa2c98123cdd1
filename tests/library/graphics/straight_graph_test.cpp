// LoadGraph of JPEG and PNG files: the straight road into a graph's pixels
// leaves every byte of the graph (pixels, spare byte, premultiplied copy, run
// map, key) as the decoded image's transfer makes them, on every kind of
// screen; files it cannot finish go the ordinary road and fail as before,
// leaving nothing behind.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/file/file_access.h"
#include "core/library_state.h"
#include "core/log.h"
#include "graphics/graph_handle.h"
#include "graphics/graphics_core.h"
#include "graphics/image/graph_image.h"
#include "graphics/screen_settings.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"
#include "graphs_fixture.h"
#include "image_fixtures.h"
#include "platform/surface_memory.h"
#include "zovav.h"
#include "zv_test_support.h"

using namespace imgfix;

namespace {

using graphsfix::kFullScreen16;
using graphsfix::kSoftwareScreens;
using graphsfix::kWindowSurfaces;
using graphsfix::ScreenKind;
using StraightGraphs = graphsfix::GraphsFixture;

// Where the decoded image is made, as the allocator names it (the last 15
// characters of the file name): the straight road never makes one.
constexpr const char* kImageMade = "file:ecoded_rows.cpp";

// Everything of a graph's store that drawing reads.
struct Store {
    std::vector<uint8_t> rows;   // each row's pixel bytes, spare bytes included
    std::vector<uint8_t> premultiplied;
    int useMemImg = -1, runDataFlag = -1, premulFlag = -1;
    uint32_t colorKey = 0;
    std::vector<uint8_t> runs;   // the run map up to its last row's end
    bool operator==(const Store& o) const {
        return rows == o.rows && premultiplied == o.premultiplied && useMemImg == o.useMemImg && runDataFlag == o.runDataFlag &&
               premulFlag == o.premulFlag && colorKey == o.colorKey && runs == o.runs;
    }
};

Store StoreOf(int handle) {
    Store out;
    const GraphData* g = GetGraphData(handle);
    if (g == nullptr) return out;
    const int dataHandle = GetSurface2D(g->SurfaceHandle)->SurfaceDataHandle;
    const SurfaceData* d = GetSurfaceData(dataHandle);
    int pitch = 0;
    void* pixels = nullptr;
    const ColorData* format = nullptr;
    if (LockSurfaceData(dataHandle, &pitch, &pixels, 0, nullptr, &format) != 0) return out;
    const size_t rowBytes = size_t(d->Width) * format->PixelByte;
    for (int y = 0; y < d->Height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(pixels) + size_t(y) * size_t(pitch);
        out.rows.insert(out.rows.end(), row, row + rowBytes);
    }
    UnlockSurfaceData(dataHandle);
    out.useMemImg = d->UseMemImgFlag;
    if (d->UseMemImgFlag) {
        const MEMIMG& m = d->MemImg;
        out.runDataFlag = m.RunDataFlag;
        out.premulFlag = m.PremulFlag;
        out.colorKey = m.ColorKey;
        for (int y = 0; m.PremulFlag && y < m.Height; ++y) {
            const uint8_t* row = m.PremulPixels + size_t(y) * size_t(m.Pitch);
            out.premultiplied.insert(out.premultiplied.end(), row, row + rowBytes);
        }
        if (m.RunDataFlag) {
            const uint8_t* p = m.RunData;
            for (int y = 0; y < m.Height; ++y) {
                while ((*p & 0xC0) != MEMIMG_RUN_END) out.runs.push_back(*p++);
                out.runs.push_back(*p++);
            }
        }
    }
    return out;
}

// Smooth colour with a little noise, as photographs and painted backgrounds are.
Bytes Picture(int w, int h, int components, uint32_t seed) {
    Bytes px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = int(seed >> 29);
            const uint8_t c[3] = {uint8_t(x * 255 / w ^ noise), uint8_t(y * 255 / h), uint8_t((x * 3 + y * 5) & 0xFF)};
            px.insert(px.end(), c, c + components);
        }
    return px;
}

struct FileCase {
    const char* name;
    const char* extension;
    Bytes file;
    bool tall = false;   // more rows than one band of decoded rows
};

std::vector<FileCase> JpegCases() {
    auto spec = [](int w, int h, int components) {
        JpegSpec s;
        s.width = w;
        s.height = h;
        s.components = components;
        s.pixels = Picture(w, h, components, uint32_t(w * 131 + h));
        s.quality = 85;
        return s;
    };
    std::vector<FileCase> c;
    JpegSpec s = spec(64, 48, 3);
    s.hSample = s.vSample = 2;
    c.push_back({"colour 4:2:0", ".jpg", MakeJpeg(s)});
    c.push_back({"colour 4:4:4, 33 wide", ".jpg", MakeJpeg(spec(33, 7, 3))});
    s = spec(37, 23, 3);
    s.hSample = s.vSample = 2;
    c.push_back({"colour 4:2:0, odd sizes cut through blocks", ".jpg", MakeJpeg(s)});
    s = spec(30, 17, 3);
    s.hSample = 2;
    c.push_back({"colour 4:2:2", ".jpg", MakeJpeg(s)});
    c.push_back({"grey, odd sizes", ".jpg", MakeJpeg(spec(19, 13, 1))});
    s = spec(40, 30, 3);
    s.hSample = s.vSample = 2;
    s.progressive = true;
    c.push_back({"progressive", ".jpg", MakeJpeg(s)});
    s = spec(48, 40, 3);
    s.hSample = s.vSample = 2;
    s.restartRows = 1;
    c.push_back({"restart markers", ".jpg", MakeJpeg(s)});
    s = spec(21, 9, 3);
    s.rgbStored = true;
    c.push_back({"stored as RGB", ".jpg", MakeJpeg(s)});
    s = spec(300, 70, 3);
    s.hSample = s.vSample = 2;
    Bytes cut = MakeJpeg(s);
    cut.resize(cut.size() * 3 / 5);
    c.push_back({"cut off before its end", ".jpg", cut});
    // A flat black image: the colour key's own colour on 2D surfaces.
    s = spec(70, 20, 3);
    s.pixels.assign(s.pixels.size(), 0);
    c.push_back({"black, wider than a run", ".jpg", MakeJpeg(s)});
    return c;
}

// Every kind of PNG: colour with and without alpha at 8 and 16 bits, colour
// made transparent by a tRNS chunk, palette, grey, interlaced, and widths that
// make runs longer than 64 and rows that are not a multiple of 4 pixels.
std::vector<FileCase> PngCases() {
    auto spec = [](int w, int h, int colorType, int bitDepth) {
        PngSpec s;
        s.width = w;
        s.height = h;
        s.colorType = colorType;
        s.bitDepth = bitDepth;
        const int channels = colorType == PNG_COLOR_TYPE_RGB ? 3 : colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                             : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2 : 1;
        const size_t rowBytes = (size_t(w) * channels * bitDepth + 7) / 8;
        uint32_t seed = uint32_t(w * 977 + h * 31 + colorType);
        for (int y = 0; y < h; ++y)
            for (size_t i = 0; i < rowBytes; ++i) {
                seed = seed * 1664525u + 1013904223u;
                // Alpha bytes sweep clear, partly covered and solid spans.
                const bool alphaByte = bitDepth == 8 && channels % 2 == 0 && i % channels == size_t(channels - 1);
                const int x = int(i / size_t(channels));
                s.rows.push_back(alphaByte ? uint8_t(x % 90 < 30 ? 0 : x % 90 < 70 ? 255 : seed >> 24)
                                           : uint8_t(seed >> 24));
            }
        return s;
    };
    std::vector<FileCase> c;
    c.push_back({"colour, 8 bits", ".png", MakePng(spec(70, 9, PNG_COLOR_TYPE_RGB, 8))});
    c.push_back({"colour, 16 bits, odd width", ".png", MakePng(spec(13, 5, PNG_COLOR_TYPE_RGB, 16))});
    c.push_back({"colour with alpha, 8 bits", ".png", MakePng(spec(150, 7, PNG_COLOR_TYPE_RGB_ALPHA, 8))});
    c.push_back({"colour with alpha, 16 bits", ".png", MakePng(spec(21, 6, PNG_COLOR_TYPE_RGB_ALPHA, 16))});
    PngSpec s = spec(33, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8);
    s.interlace = true;
    c.push_back({"colour with alpha, interlaced", ".png", MakePng(s)});
    s = spec(19, 11, PNG_COLOR_TYPE_RGB, 8);
    s.interlace = true;
    c.push_back({"colour, interlaced", ".png", MakePng(s)});
    s = spec(17, 4, PNG_COLOR_TYPE_RGB, 8);
    s.trns = {0x00, s.rows[0], 0x00, s.rows[1], 0x00, s.rows[2]};   // the first pixel's colour is clear
    c.push_back({"colour with a transparent colour", ".png", MakePng(s)});
    s = spec(23, 5, PNG_COLOR_TYPE_PALETTE, 4);
    for (int i = 0; i < 16; ++i) s.palette.push_back(png_color{uint8_t(i * 16), uint8_t(255 - i * 9), uint8_t(i * 5)});
    c.push_back({"palette", ".png", MakePng(s)});
    s.trns = {0, 128, 255, 40};
    c.push_back({"palette with alpha", ".png", MakePng(s)});
    c.push_back({"grey, 8 bits", ".png", MakePng(spec(15, 6, PNG_COLOR_TYPE_GRAY, 8))});
    c.push_back({"grey, 1 bit", ".png", MakePng(spec(20, 3, PNG_COLOR_TYPE_GRAY, 1))});
    c.push_back({"grey with alpha", ".png", MakePng(spec(12, 4, PNG_COLOR_TYPE_GRAY_ALPHA, 8))});
    // Taller than a band of decoded rows (32 KiB): two whole bands, and bands
    // whose last is cut short.
    c.push_back({"colour with alpha, two whole bands", ".png", MakePng(spec(64, 256, PNG_COLOR_TYPE_RGB_ALPHA, 8)), true});
    c.push_back({"colour, three bands", ".png", MakePng(spec(70, 400, PNG_COLOR_TYPE_RGB, 8)), true});
    c.push_back({"grey with alpha, three bands", ".png", MakePng(spec(130, 260, PNG_COLOR_TYPE_GRAY_ALPHA, 8)), true});
    // A flat black image: the colour key's own colour on 2D surfaces.
    s = spec(70, 20, PNG_COLOR_TYPE_RGB, 8);
    s.rows.assign(s.rows.size(), 0);
    c.push_back({"black, wider than a run", ".png", MakePng(s)});
    return c;
}

}  // namespace

TEST_F(StraightGraphs, EveryScreenGetsTheBytesOfTheDecodedImagesTransfer) {
    const ScreenKind screens[] = {kWindowSurfaces, kSoftwareScreens, kFullScreen16};   // window first
    const char* screenNames[] = {"window surfaces", "software screens", "16-bit full screen"};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(screenNames[k]);
        UseScreen(screens[k]);
        std::vector<FileCase> cases = JpegCases();
        for (FileCase& c : PngCases()) cases.push_back(c);
        int n = 0;
        for (const FileCase& c : cases) {
            SCOPED_TRACE(c.name);
            const std::string name = "case" + std::to_string(n++) + c.extension;
            WriteFile(name, c.file);
            GraphImage image;
            ASSERT_EQ(Decode(c.file, &image), 0);
            const bool colour = image.ColorInfo.ColorBitDepth == 24 || image.ColorInfo.ColorBitDepth == 32;
            // Whether the decoded image was made on the way: the straight road never makes it.
            ZvAllocSettings().watchSize = uint32_t(image.Pitch) * uint32_t(image.Height);
            const size_t logBefore = Log().size();
            const int loaded = LoadGraph(name.c_str());
            const std::string logDuring = Log().substr(logBefore);
            ZvAllocSettings().watchSize = 0;
            const int reference = CreateGraphFromGraphImage(&image);
            ASSERT_GE(loaded, 0);
            ASSERT_GE(reference, 0);
            EXPECT_TRUE(StoreOf(loaded) == StoreOf(reference));
            EXPECT_FALSE(StoreOf(loaded).rows.empty());
            const GraphData* a = GetGraphData(loaded);
            const GraphData* b = GetGraphData(reference);
            EXPECT_EQ(a->Width, b->Width);
            EXPECT_EQ(a->Height, b->Height);
            EXPECT_EQ(0, std::memcmp(&a->Settings, &b->Settings, sizeof(a->Settings)));
            EXPECT_STREQ(a->FileName, name.c_str());
            // The whole decoded image is made only where the rows go neither
            // straight into the graph nor a band at a time into a memory image.
            const bool straight = colour && screens[k] != kFullScreen16;
            const bool banded = c.tall && StoreOf(loaded).useMemImg == 1;
            EXPECT_EQ(logDuring.find(kImageMade) == std::string::npos, straight || banded) << logDuring;
            DeleteGraph(loaded);
            DeleteGraph(reference);
            ReleaseGraphImage(&image);
        }
    }
}

TEST_F(StraightGraphs, FilesTheStraightRoadCannotFinishFailAsBeforeAndLeaveNothing) {
    for (ScreenKind screen : {kWindowSurfaces, kSoftwareScreens, kFullScreen16}) {   // window first
        UseScreen(screen);
        JpegSpec s;
        s.width = 24;
        s.height = 16;
        s.components = 4;
        s.pixels.assign(24 * 16 * 4, 0x40);
        WriteFile("cmyk.jpg", MakeJpeg(s));
        s.components = 3;
        s.pixels.assign(24 * 16 * 3, 0x80);
        Bytes twice = MakeJpeg(s);
        // A second frame header after the scan: libjpeg gives up only once
        // every row has been written.
        const Bytes frame(twice.begin() + 2, twice.end() - 2);
        twice.insert(twice.end() - 2, frame.begin(), frame.end());
        WriteFile("twice.jpg", twice);
        WriteFile("header.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x03, 0x08, 0x99, 0x99});
        std::vector<uint32_t> px(size_t(40) * 30);
        for (size_t i = 0; i < px.size(); ++i) px[i] = uint32_t(i * 2654435761u);
        const Bytes png = MakeRgbPng(40, 30, px, true);
        WriteFile("cut.png", Bytes(png.begin(), png.begin() + std::ptrdiff_t(png.size() * 2 / 3)));
        Bytes damaged = png;
        damaged[damaged.size() / 2] ^= 0x55;   // inside the picture data: its checksum fails
        WriteFile("damaged.png", damaged);
        WriteFile("signature.png", Bytes(png.begin(), png.begin() + 8));
        // Cut after its first band of decoded rows was converted into a 16-bit graph.
        std::vector<uint32_t> tall(size_t(40) * 400);
        std::mt19937 noise(7);   // data that does not squeeze, so that the cut falls among the rows
        for (uint32_t& p : tall) p = uint32_t(noise());
        const Bytes tallPng = MakeRgbPng(40, 400, tall, true);
        WriteFile("cut_tall.png", Bytes(tallPng.begin(), tallPng.begin() + std::ptrdiff_t(tallPng.size() * 2 / 3)));
        for (const char* name :
             {"cmyk.jpg", "twice.jpg", "header.jpg", "cut.png", "damaged.png", "signature.png", "cut_tall.png"}) {
            SCOPED_TRACE(name);
            const int graphs = GetGraphCount(), surfaces = GetSurfaceDataCount();
            const std::string bytes = zvtest::ReadWholeFile(name);
            GraphImage image;
            EXPECT_EQ(Decode(Bytes(bytes.begin(), bytes.end()), &image), -1) << "the loader chain refuses it too";
            EXPECT_EQ(LoadGraph(name), -1);
            EXPECT_EQ(GetGraphCount(), graphs);
            EXPECT_EQ(GetSurfaceDataCount(), surfaces);
            EXPECT_NE(Log().find(std::string("右記のグラフィックファイルのロードに失敗しました：") + name),
                      std::string::npos);
        }
    }
}

TEST_F(StraightGraphs, AnAlphaCompanionStillGivesTheGraphItsAlpha) {
    WriteFile("j.jpg", MakeJpeg(2, 1, 3, Bytes{0x10, 0x20, 0x30, 0x40, 0x50, 0x60}));
    WriteFile("j_a.jpg", MakeJpeg(2, 1, 1, Bytes{0x00, 0xFF}));
    const int g = LoadGraph("j.jpg");
    ASSERT_GE(g, 0);
    EXPECT_EQ(GetGraphData(g)->Settings.AlphaFlag, 1);
}

// LoadDivGraph takes the straight road too: every cell is the cell the decoded
// image's division makes, and no decoded image is made on the way.
TEST_F(StraightGraphs, DividedFilesGetTheCellsOfTheDecodedImagesDivision) {
    UseScreen(kSoftwareScreens);
    std::vector<uint32_t> px(size_t(48) * 20);
    for (size_t i = 0; i < px.size(); ++i) px[i] = uint32_t(i % 48 < 16 ? 0 : 0xFF000000u) | uint32_t(i * 2654435761u >> 8);
    JpegSpec jpeg;
    jpeg.width = 48;
    jpeg.height = 20;
    jpeg.components = 3;
    jpeg.pixels = Picture(48, 20, 3, 7);
    jpeg.quality = 90;
    const std::pair<const char*, Bytes> files[] = {{"cells.png", MakeRgbPng(48, 20, px, true)},
                                                   {"cells.jpg", MakeJpeg(jpeg)}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteFile(name, bytes);
        GraphImage image;
        ASSERT_EQ(Decode(bytes, &image), 0);
        int loaded[5], reference[5];
        ZvAllocSettings().watchSize = uint32_t(image.Pitch) * uint32_t(image.Height);
        const size_t logBefore = Log().size();
        ASSERT_EQ(LoadDivGraph(name, 5, 3, 2, 16, 10, loaded), 0);
        const std::string logDuring = Log().substr(logBefore);
        ZvAllocSettings().watchSize = 0;
        EXPECT_EQ(logDuring.find(kImageMade), std::string::npos) << logDuring;
        ASSERT_EQ(CreateDivGraphFromGraphImage(&image, nullptr, 5, 3, 2, 16, 10, reference, 1, 0, 0), 0);
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE(i);
            const GraphData* a = GetGraphData(loaded[i]);
            const GraphData* b = GetGraphData(reference[i]);
            ASSERT_NE(a, nullptr);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(a->SrcX, b->SrcX);
            EXPECT_EQ(a->SrcY, b->SrcY);
            EXPECT_EQ(a->Width, 16);
            EXPECT_EQ(a->Height, 10);
            EXPECT_EQ(0, std::memcmp(&a->Settings, &b->Settings, sizeof(a->Settings)));
            EXPECT_TRUE(StoreOf(loaded[i]) == StoreOf(reference[i]));
            EXPECT_STREQ(a->FileName, name);
            DeleteGraph(loaded[i]);
            DeleteGraph(reference[i]);
        }
        ReleaseGraphImage(&image);
    }
    // A grid too small for the handles asked for fails as before, on the ordinary road.
    int h[4];
    EXPECT_EQ(LoadDivGraph("cells.png", 4, 3, 1, 16, 10, h), -1);
    EXPECT_EQ(h[0], -1);
}
