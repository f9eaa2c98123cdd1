// LoadGraph of JPEG files: the straight road into a graph's pixels leaves every
// byte of the graph (pixels, spare byte, run map, key) as the decoded image's
// transfer makes them, on every kind of screen; files it cannot finish go the
// ordinary road and fail as before, leaving nothing behind.
#include <gtest/gtest.h>

#include <cstring>
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
using JpegGraphs = graphsfix::GraphsFixture;

// Everything of a graph's store that drawing reads.
struct Store {
    std::vector<uint8_t> rows;   // each row's pixel bytes, spare bytes included
    int useMemImg = -1, runDataFlag = -1, premulFlag = -1;
    uint32_t colorKey = 0;
    std::vector<uint8_t> runs;   // the run map up to its last row's end
    bool operator==(const Store& o) const {
        return rows == o.rows && useMemImg == o.useMemImg && runDataFlag == o.runDataFlag &&
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

struct JpegCase {
    const char* name;
    Bytes file;
};

std::vector<JpegCase> JpegCases() {
    auto spec = [](int w, int h, int components) {
        JpegSpec s;
        s.width = w;
        s.height = h;
        s.components = components;
        s.pixels = Picture(w, h, components, uint32_t(w * 131 + h));
        s.quality = 85;
        return s;
    };
    std::vector<JpegCase> c;
    JpegSpec s = spec(64, 48, 3);
    s.hSample = s.vSample = 2;
    c.push_back({"colour 4:2:0", MakeJpeg(s)});
    c.push_back({"colour 4:4:4, 33 wide", MakeJpeg(spec(33, 7, 3))});
    s = spec(37, 23, 3);
    s.hSample = s.vSample = 2;
    c.push_back({"colour 4:2:0, odd sizes cut through blocks", MakeJpeg(s)});
    s = spec(30, 17, 3);
    s.hSample = 2;
    c.push_back({"colour 4:2:2", MakeJpeg(s)});
    c.push_back({"grey, odd sizes", MakeJpeg(spec(19, 13, 1))});
    s = spec(40, 30, 3);
    s.hSample = s.vSample = 2;
    s.progressive = true;
    c.push_back({"progressive", MakeJpeg(s)});
    s = spec(48, 40, 3);
    s.hSample = s.vSample = 2;
    s.restartRows = 1;
    c.push_back({"restart markers", MakeJpeg(s)});
    s = spec(21, 9, 3);
    s.rgbStored = true;
    c.push_back({"stored as RGB", MakeJpeg(s)});
    s = spec(300, 70, 3);
    s.hSample = s.vSample = 2;
    Bytes cut = MakeJpeg(s);
    cut.resize(cut.size() * 3 / 5);
    c.push_back({"cut off before its end", cut});
    // A flat black image: the colour key's own colour on 2D surfaces.
    s = spec(70, 20, 3);
    s.pixels.assign(s.pixels.size(), 0);
    c.push_back({"black, wider than a run", MakeJpeg(s)});
    return c;
}

}  // namespace

TEST_F(JpegGraphs, EveryScreenGetsTheBytesOfTheDecodedImagesTransfer) {
    const ScreenKind screens[] = {kWindowSurfaces, kSoftwareScreens, kFullScreen16};   // window first
    const char* screenNames[] = {"window surfaces", "software screens", "16-bit full screen"};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(screenNames[k]);
        UseScreen(screens[k]);
        int n = 0;
        for (const JpegCase& c : JpegCases()) {
            SCOPED_TRACE(c.name);
            const std::string name = "case" + std::to_string(n++) + ".jpg";
            WriteFile(name, c.file);
            GraphImage image;
            ASSERT_EQ(Decode(c.file, &image), 0);
            const bool colour = image.ColorInfo.ColorBitDepth == 24;
            // Whether the 24-bit image was made on the way: the straight road never makes it.
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
            const bool straight = colour && screens[k] != kFullScreen16;
            EXPECT_EQ(logDuring.find("file:jpeg_loader.cpp") == std::string::npos, straight) << logDuring;
            DeleteGraph(loaded);
            DeleteGraph(reference);
            ReleaseGraphImage(&image);
        }
    }
}

TEST_F(JpegGraphs, FilesTheStraightRoadCannotFinishFailAsBeforeAndLeaveNothing) {
    for (ScreenKind screen : {kWindowSurfaces, kSoftwareScreens}) {   // window first
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
        for (const char* name : {"cmyk.jpg", "twice.jpg", "header.jpg"}) {
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

TEST_F(JpegGraphs, AnAlphaCompanionStillGivesTheGraphItsAlpha) {
    WriteFile("j.jpg", MakeJpeg(2, 1, 3, Bytes{0x10, 0x20, 0x30, 0x40, 0x50, 0x60}));
    WriteFile("j_a.jpg", MakeJpeg(2, 1, 1, Bytes{0x00, 0xFF}));
    const int g = LoadGraph("j.jpg");
    ASSERT_GE(g, 0);
    EXPECT_EQ(GetGraphData(g)->Settings.AlphaFlag, 1);
}
