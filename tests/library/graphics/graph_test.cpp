// Graphs end to end: files of every kind loaded into graphs and read back
// from their surfaces, alpha companions, divided and derived graphs, handle
// checks, failures that must leave nothing behind, and the log lines.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "core/alloc.h"
#include "core/file/file_access.h"
#include "core/library_state.h"
#include "core/log.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_handle.h"
#include "graphics/graph_restore.h"
#include "graphics/draw_front.h"
#include "graphics/graphics_core.h"
#include "graphics/image/graph_image.h"
#include "graphics/screen_settings.h"
#include "graphics/surface2d.h"
#include "graphics/surface_data.h"
#include "decode_cases.h"
#include "graphs_fixture.h"
#include "graphics/image/color_convert.h"
#include "platform/surface_memory.h"
#include "zovav.h"
#include "zv_test_support.h"

using namespace imgfix;

namespace {

using Graphs = graphsfix::GraphsFixture;

// The graph's pixel at x, y as 0xAARRGGBB (alpha only when the graph has it).
uint32_t GraphPixel(int handle, int x, int y) {
    GraphData* g = GetGraphData(handle);
    if (g == nullptr) return 0xDEADBEEF;
    Surface2D* s = GetSurface2D(g->SurfaceHandle);
    SurfaceData* d = GetSurfaceData(s->SurfaceDataHandle);
    int pitch = 0;
    void* pixels = nullptr;
    const ColorData* cd = nullptr;
    if (LockSurfaceData(s->SurfaceDataHandle, &pitch, &pixels, 0, nullptr, &cd) != 0) return 0xDEADBEEF;
    GraphImage view;
    std::memset(&view, 0, sizeof(view));
    view.ColorInfo = *cd;
    view.Width = d->Width;
    view.Height = d->Height;
    view.Pitch = pitch;
    view.Pixels = pixels;
    uint32_t v;
    if (d->UseMemImgFlag && d->MemImg.PaletteFlag) {
        const unsigned char index = static_cast<unsigned char*>(pixels)[size_t(s->SrcY + y) * pitch + s->SrcX + x];
        v = d->MemImg.Format == 1 ? d->MemImg.Palette[index] : 0xBAD;
    } else {
        v = GetGraphImagePixel(&view, s->SrcX + x, s->SrcY + y);
    }
    UnlockSurfaceData(s->SurfaceDataHandle);
    return v;
}

// A 4x2 image with a different colour in each pixel: 0xRRGGBB = x * 0x100000 + y * 0x1000 + 0x55.
std::vector<uint32_t> Pattern(int w, int h) {
    std::vector<uint32_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px.push_back(0xFF000000u | (uint32_t(x) * 0x100000u + uint32_t(y) * 0x1000u + 0x55));
    return px;
}

Bytes PatternBmp(int w, int h) {
    BmpSpec s;
    s.width = w;
    s.height = -h;
    const int pitch = (w * 3 + 3) & ~3;
    s.data.assign(size_t(pitch) * size_t(h), 0);
    auto px = Pattern(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = px[size_t(y * w + x)];
            unsigned char* d = s.data.data() + y * pitch + x * 3;
            d[0] = uint8_t(p);
            d[1] = uint8_t(p >> 8);
            d[2] = uint8_t(p >> 16);
        }
    return MakeBmp(s);
}

Bytes PatternTga(int w, int h) {
    Bytes b = TgaHeader(2, w, h, 24, 0x20);
    for (uint32_t p : Pattern(w, h)) {
        b.push_back(uint8_t(p));
        b.push_back(uint8_t(p >> 8));
        b.push_back(uint8_t(p >> 16));
    }
    return b;
}

Bytes PatternDds(int w, int h) {
    Bytes b = DdsHeader(w, h, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (uint32_t p : Pattern(w, h)) Put32(b, p);
    return b;
}

Bytes PatternBgra(int w, int h) {
    Bytes b = BgraHeader(0x08080808, w, h);
    for (uint32_t p : Pattern(w, h)) Put32(b, p);
    return b;
}

}  // namespace

TEST_F(Graphs, EveryFileKindLoadsAndReadsBack) {
    struct FileCase {
        const char* name;
        Bytes data;
        bool alpha;
    };
    const int w = 5, h = 3;
    std::vector<FileCase> files = {
        {"p.png", MakeRgbPng(w, h, Pattern(w, h), false), false},
        {"q.png", MakeRgbPng(w, h, Pattern(w, h), true), true},
        {"b.bmp", PatternBmp(w, h), false},
        {"t.tga", PatternTga(w, h), false},
        {"d.dds", PatternDds(w, h), false},
        {"r.bgra", PatternBgra(w, h), true},
    };
    for (const FileCase& f : files) {
        SCOPED_TRACE(f.name);
        WriteFile(f.name, f.data);
        const int g = LoadGraph(f.name);
        ASSERT_GE(g, 0);
        int gw = 0, gh = 0;
        EXPECT_EQ(GetGraphSize(g, &gw, &gh), 0);
        EXPECT_EQ(gw, w);
        EXPECT_EQ(gh, h);
        EXPECT_STREQ(GetGraphData(g)->FileName, f.name);
        auto px = Pattern(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t want = f.alpha ? px[size_t(y * w + x)] : px[size_t(y * w + x)] & 0xFFFFFF;
                EXPECT_EQ(GraphPixel(g, x, y), want) << x << "," << y;
            }
        EXPECT_EQ(DeleteGraph(g), 0);
    }
    // JPEG is lossy: a flat colour comes back closely.
    Bytes flat;
    for (int i = 0; i < 16 * 16; ++i) flat.insert(flat.end(), {30, 200, 120});
    WriteFile("j.jpg", MakeJpeg(16, 16, 3, flat));
    const int j = LoadGraph("j.jpg");
    ASSERT_GE(j, 0);
    const uint32_t v = GraphPixel(j, 8, 8);
    EXPECT_NEAR(int(v >> 16 & 0xFF), 30, 3);
    EXPECT_NEAR(int(v >> 8 & 0xFF), 200, 3);
    EXPECT_NEAR(int(v & 0xFF), 120, 3);
}

TEST_F(Graphs, SixteenBitFullScreenKeepsFiveAndSixBitChannels) {
    UseScreen(graphsfix::kFullScreen16);
    EXPECT_EQ(GetDisplayColorBitDepth(), 16);
    EXPECT_EQ(GetColor(255, 0, 0), 0xF800);
    WriteFile("p.png", MakeRgbPng(2, 1, {0xFFFF0000, 0xFF0000FF}, false));
    const int g = LoadGraph("p.png");
    ASSERT_GE(g, 0);
    EXPECT_EQ(GetGraphData(g)->Settings.ColorBitDepth, 16);
    EXPECT_EQ(GraphPixel(g, 0, 0), 0xF80000u);
    EXPECT_EQ(GraphPixel(g, 1, 0), 0x0000F8u);
}

TEST_F(Graphs, WindowModeScreenIsThirtyTwoBit) {
    EXPECT_EQ(GetDisplayColorBitDepth(), 32);
    EXPECT_EQ(GetColor(255, 0, 0), int(0xFFFF0000u));
    int r = 0, g = 0, b = 0;
    GetColorRGBImpl(GetColor(10, 20, 30), &r, &g, &b);
    EXPECT_EQ(r * 10000 + g * 100 + b, 10 * 10000 + 20 * 100 + 30);
    int sw = 0, sh = 0;
    EXPECT_EQ(GetGraphSize(SCREEN_BACK, &sw, &sh), 0);
    EXPECT_EQ(sw * 1000 + sh, 640 * 1000 + 480);
}

TEST_F(Graphs, AlphaCompanionGivesTheGraphItsAlpha) {
    WriteFile("a.png", MakeRgbPng(2, 1, {0xFF102030, 0xFF405060}, false));
    PngSpec grey;
    grey.width = 2;
    grey.height = 1;
    grey.colorType = PNG_COLOR_TYPE_GRAY;
    grey.rows = {0x00, 0xC0};
    WriteFile("a_a.png", MakePng(grey));
    const int g = LoadGraph("a.png");
    ASSERT_GE(g, 0);
    EXPECT_EQ(GetGraphData(g)->Settings.AlphaFlag, 1);
    EXPECT_EQ(GraphPixel(g, 0, 0), 0x00102030u);
    EXPECT_EQ(GraphPixel(g, 1, 0), 0xC0405060u);

    // A companion of another size is refused with the image.
    grey.width = 3;
    grey.rows = {1, 2, 3};
    WriteFile("b.png", MakeRgbPng(2, 1, {0xFF000000, 0xFF000000}, false));
    WriteFile("b_a.png", MakePng(grey));
    const int before = GetGraphCount();
    EXPECT_EQ(LoadGraph("b.png"), -1);
    EXPECT_EQ(GetGraphCount(), before);

    char path[64];
    ASSERT_EQ(MakeAlphaCompanionPath("x.d/a", path, sizeof(path)), 0);
    EXPECT_STREQ(path, "x_a.d/a");
    ASSERT_EQ(MakeAlphaCompanionPath("dir/file.png", path, sizeof(path)), 0);
    EXPECT_STREQ(path, "dir/file_a.png");
    EXPECT_EQ(MakeAlphaCompanionPath("long.png", path, 10), -1);
}

TEST_F(Graphs, DividedGraphsTakeTheirCellsRowByRow) {
    WriteFile("grid.bmp", PatternBmp(6, 4));
    const int others = GetSurfaceDataCount();   // the fonts' work images
    int h[5];
    ASSERT_EQ(LoadDivGraph("grid.bmp", 5, 3, 2, 2, 2, h), 0);
    EXPECT_EQ(GetGraphCount(), 5);   // the base graph is gone, its surface stays
    const int cells[5][2] = {{0, 0}, {2, 0}, {4, 0}, {0, 2}, {2, 2}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        int w = 0, hh = 0;
        GetGraphSize(h[i], &w, &hh);
        EXPECT_EQ(w * 10 + hh, 22);
        EXPECT_EQ(GraphPixel(h[i], 1, 1), Pattern(6, 4)[size_t((cells[i][1] + 1) * 6 + cells[i][0] + 1)] & 0xFFFFFF);
        EXPECT_EQ(GetGraphData(h[i])->SrcX, cells[i][0]);
    }
    // Deleting cells one by one keeps the others' pixels; the last frees the surface.
    for (int i = 0; i < 4; ++i) DeleteGraph(h[i]);
    EXPECT_EQ(GraphPixel(h[4], 0, 0), Pattern(6, 4)[size_t(2 * 6 + 2)] & 0xFFFFFF);
    EXPECT_EQ(GetSurfaceDataCount(), others + 1);
    DeleteGraph(h[4]);
    EXPECT_EQ(GetSurfaceDataCount(), others);

    // Mirrored loading keeps the cells' left-to-right numbering.
    ASSERT_EQ(LoadDivGraphCore("grid.bmp", 3, 3, 1, 2, 2, h, 1, 1), 0);
    EXPECT_EQ(GraphPixel(h[0], 0, 0), Pattern(6, 4)[1] & 0xFFFFFF);
    EXPECT_EQ(GraphPixel(h[0], 1, 0), Pattern(6, 4)[0] & 0xFFFFFF);
    EXPECT_EQ(GraphPixel(h[2], 0, 0), Pattern(6, 4)[5] & 0xFFFFFF);
    for (int i = 0; i < 3; ++i) DeleteGraph(h[i]);
}

TEST_F(Graphs, DivisionsThatCannotBeMadeLeaveNothingAndMarkEveryHandle) {
    WriteFile("grid.bmp", PatternBmp(4, 4));
    const int others = GetSurfaceDataCount();   // the fonts' work images
    struct Case {
        int all, xn, yn, xs, ys;
    };
    const Case cases[] = {
        {5, 2, 2, 2, 2},   // more pieces than cells
        {2, 3, 1, 2, 2},   // the third column would start past the image... only two asked: fine below
        {4, 4, 1, 2, 2},   // cells past the right edge
        {2, 2, 1, 0, 2},   // empty cells
    };
    for (const Case& k : cases) {
        int h[8];
        for (int& v : h) v = 12345;
        const int result = LoadDivGraph("grid.bmp", k.all, k.xn, k.yn, k.xs, k.ys, h);
        if (&k == &cases[1]) {
            EXPECT_EQ(result, 0);
            for (int i = 0; i < k.all; ++i) DeleteGraph(h[i]);
            continue;
        }
        EXPECT_EQ(result, -1) << k.all << " " << k.xn;
        for (int i = 0; i < k.all; ++i) EXPECT_EQ(h[i], -1);
        EXPECT_EQ(GetGraphCount(), 0);
        EXPECT_EQ(GetSurfaceDataCount(), others);
    }
    EXPECT_NE(Log().find("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage"), std::string::npos);
}

TEST_F(Graphs, HandlesAreCheckedAndStaleOnesRefused) {
    const int a = MakeGraph(8, 8);
    ASSERT_GE(a, 0);
    EXPECT_EQ(a & 0x78000000, 0x08000000);
    EXPECT_EQ(DeleteGraph(a), 0);
    EXPECT_EQ(DeleteGraph(a), -1);
    const int b = MakeGraph(8, 8);
    EXPECT_EQ(b & 0xFFFF, a & 0xFFFF);   // same slot, new check value
    EXPECT_NE(b, a);
    EXPECT_EQ(GetGraphSize(a, nullptr, nullptr), -1);
    EXPECT_EQ(GetGraphSize(0x10000000 | (b & 0xFFFF), nullptr, nullptr), -1);   // another kind
    EXPECT_EQ(GetGraphSize(-5, nullptr, nullptr), -1);
    EXPECT_EQ(MakeGraph(0, 8), -1);
    EXPECT_EQ(MakeGraph(8, -1), -1);
    int lost = 7;
    SetGraphLostFlag(b, &lost);
    EXPECT_EQ(lost, 0);
    DeleteGraph(b);
    EXPECT_EQ(lost, 1);
}

TEST_F(Graphs, DerivedGraphsClampAndRefuseBadRectangles) {
    WriteFile("p.png", MakeRgbPng(4, 4, Pattern(4, 4), false));
    const int base = LoadGraph("p.png");
    ASSERT_GE(base, 0);
    const int d = DerivationGraph(2, 1, 10, 10, base);
    ASSERT_GE(d, 0);
    int w = 0, h = 0;
    GetGraphSize(d, &w, &h);
    EXPECT_EQ(w * 10 + h, 23);
    EXPECT_EQ(GraphPixel(d, 0, 0), Pattern(4, 4)[6] & 0xFFFFFF);
    EXPECT_STREQ(GetGraphData(d)->FileName, "p.png");
    for (auto r : {std::vector<int>{-1, 0, 2, 2}, {0, -1, 2, 2}, {0, 0, 0, 2}, {0, 0, 2, -3}, {4, 0, 1, 1},
                   {0, 4, 1, 1}}) {
        EXPECT_EQ(DerivationGraph(r[0], r[1], r[2], r[3], base), -1);
    }
    // The parent goes; the derived graph keeps the shared pixels.
    DeleteGraph(base);
    EXPECT_EQ(GraphPixel(d, 1, 2), Pattern(4, 4)[3 * 4 + 3] & 0xFFFFFF);
}

TEST_F(Graphs, FailedSurfacesLeaveNoRecordBehind) {
    const int before = GetGraphCount();
    MemSurfaceDeviceEnd();   // no surface can be made now
    EXPECT_EQ(MakeGraph(16, 16), -1);
    EXPECT_EQ(GetGraphCount(), before);
    EXPECT_NE(Log().find("グラフィックの作成に失敗しました"), std::string::npos);
    MemSurfaceDeviceStart();
}

TEST_F(Graphs, MissingAndUnreadableFilesAreLogged) {
    EXPECT_EQ(LoadGraph("nothing.png"), -1);
    EXPECT_NE(Log().find("グラフィックファイル nothing.png がありません"), std::string::npos);
    WriteFile("text.png", Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(LoadGraph("text.png"), -1);
    EXPECT_NE(Log().find("右記のグラフィックファイルのロードに失敗しました：text.png"), std::string::npos);
    int h[2] = {0, 0};
    EXPECT_EQ(LoadDivGraph("nothing.png", 2, 2, 1, 1, 1, h), -1);
    EXPECT_EQ(h[0], -1);
    EXPECT_EQ(GetGraphCount(), 0);
}

TEST_F(Graphs, LongFileNamesAreCutToTheirFields) {
    std::string longName(100, 'n');
    longName += ".png";
    WriteFile(longName, MakeRgbPng(1, 1, {0xFF000000}, false));
    const int g = LoadGraph(longName.c_str());
    ASSERT_GE(g, 0);
    EXPECT_EQ(std::strlen(GetGraphData(g)->FileName), 63u);
    EXPECT_LT(std::strlen(GetGraphData(g)->FileDir), 256u);
}

TEST_F(Graphs, PaletteGraphsKeepIndicesAndFindTheirColourKey) {
    PngSpec s;
    s.width = 3;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.palette = {{9, 9, 9}, {0, 0, 0}, {255, 255, 255}};
    s.rows = {2, 1, 0};
    WriteFile("pal.png", MakePng(s));
    const int g = LoadGraph("pal.png");
    ASSERT_GE(g, 0);
    EXPECT_EQ(GetGraphData(g)->Settings.PaletteFlag, 1);
    EXPECT_EQ(GraphPixel(g, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(GraphPixel(g, 2, 0), 0x090909u);
    SurfaceData* d = GetSurfaceData(GetSurface2D(GetGraphData(g)->SurfaceHandle)->SurfaceDataHandle);
    EXPECT_EQ(d->MemImg.ColorKey, 1u);   // black, the transparent colour, is index 1

    // Without the transparent colour in the palette no index becomes transparent.
    SetTransColor(255, 0, 255);
    s.palette = {{9, 9, 9}, {1, 1, 1}, {255, 255, 255}};
    WriteFile("pal2.png", MakePng(s));
    const int g2 = LoadGraph("pal2.png");
    SurfaceData* d2 = GetSurfaceData(GetSurface2D(GetGraphData(g2)->SurfaceHandle)->SurfaceDataHandle);
    EXPECT_GT(d2->MemImg.ColorKey, 255u);
}

TEST_F(Graphs, PlainSurfacesLockNestedFillAndKeepTheirColourKey) {
    SetTransColor(255, 0, 255);
    GraphSurfaceSettings st{};
    st.ColorBitDepth = 32;
    const int h = AddSurfaceData(1, 4, 2, GetTransColor(), &st);
    ASSERT_GE(h, 0);
    SurfaceData* d = GetSurfaceData(h);
    ASSERT_NE(d->Surface, nullptr);
    EXPECT_EQ(d->SurfaceKind, SURFACE_KIND_PLAIN);
    uint32_t key = 0;
    MemSurfaceGetColorKey(d->Surface, &key);
    EXPECT_EQ(key, uint32_t(GetColor(255, 0, 255)));

    int p1 = 0, p2 = 0;
    void *a = nullptr, *b = nullptr;
    EXPECT_EQ(LockSurfaceData(h, &p1, &a, 0, nullptr, nullptr), 0);
    EXPECT_EQ(LockSurfaceData(h, &p2, &b, 0, nullptr, nullptr), -2);
    EXPECT_EQ(a, b);
    EXPECT_EQ(p1, p2);
    EXPECT_EQ(UnlockSurfaceData(h), 0);
    EXPECT_EQ(UnlockSurfaceData(h), 0);
    EXPECT_EQ(UnlockSurfaceData(h), -1);

    EXPECT_EQ(FillSurfaceData(h, 1, 2, 3, 255), 0);
    LockSurfaceData(h, &p1, &a, 0, nullptr, nullptr);
    uint32_t px;
    std::memcpy(&px, static_cast<char*>(a) + p1 + 12, 4);
    EXPECT_EQ(px, 0xFF010203u);
    UnlockSurfaceData(h);
    EXPECT_EQ(SetSurfaceZBuffer(h, 1), 0);
    EXPECT_NE(d->ZSurface, nullptr);
    EXPECT_EQ(DeleteSurfaceData(h), 0);
}

TEST_F(Graphs, EveryDecodedKindBecomesAGraphHoldingItsPixels) {
    // The graph holds what the colour-converting transfer makes of the
    // decoded image in the graph's 32-bit format.
    int n = 0;
    for (const DecodeCase& k : DecodeCases()) {
        SCOPED_TRACE(k.name);
        const std::string name = "case" + std::to_string(n++) + ".img";
        WriteFile(name, k.make());
        GraphImage image;
        ASSERT_EQ(Decode(k.make(), &image), 0);
        const int g = LoadGraph(name.c_str());
        ASSERT_GE(g, 0);
        int w = 0, h = 0;
        GetGraphSize(g, &w, &h);
        EXPECT_EQ(w, k.width);
        EXPECT_EQ(h, k.height);
        const bool alpha = image.ColorInfo.AlphaWidth != 0;
        EXPECT_EQ(GetGraphData(g)->Settings.AlphaFlag, alpha ? 1 : 0);
        ColorData argb;
        CreateColorDataImpl(&argb, 32, 0xFF0000, 0xFF00, 0xFF, alpha ? 0xFF000000u : 0);
        std::vector<uint32_t> want(size_t(w) * size_t(h));
        ImageRect all{0, 0, w, h};
        ColorConvertBlt(want.data(), w * 4, &argb, image.Pixels, image.Pitch, &image.ColorInfo, nullptr, 0, nullptr,
                        0, 0, &all, 0, 0, 0, 0, 0, 0, 0);
        const uint32_t mask = alpha ? 0xFFFFFFFFu : 0xFFFFFFu;
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) wrong += GraphPixel(g, x, y) != (want[size_t(y * w + x)] & mask);
        EXPECT_EQ(wrong, 0);
        ReleaseGraphImage(&image);
        DeleteGraph(g);
    }
}

TEST_F(Graphs, RectanglesOfImagesGoToAPointOfAGraph) {
    const int g = MakeGraph(4, 4);
    ASSERT_GE(g, 0);
    GraphImage image;
    ASSERT_EQ(Decode(MakeRgbPng(3, 2, kSix, false), &image), 0);
    ImageRect r{1, 0, 3, 2};   // green, blue over 0x123456, grey
    EXPECT_EQ(BltGraphImageRectToGraph(nullptr, &image, nullptr, &r, 2, 1, g, 0, 0), 0);
    EXPECT_EQ(GraphPixel(g, 2, 1), 0x00FF00u);
    EXPECT_EQ(GraphPixel(g, 2, 2), 0x123456u);
    EXPECT_EQ(GraphPixel(g, 3, 2), 0x808080u);
    // Parts beyond the graph are cut off, not written past it.
    ImageRect wide{0, 0, 3, 2};
    EXPECT_EQ(BltGraphImageRectToGraph("x", &image, nullptr, &wide, 3, 3, g, 0, 0), 0);
    EXPECT_EQ(GraphPixel(g, 3, 3), 0xFF0000u);
    EXPECT_STREQ(GetGraphData(g)->FileName, "x");
    ReleaseGraphImage(&image);
}

TEST_F(Graphs, SoftwareScreensKeepEveryGraphInMemoryImages) {
    UseScreen(graphsfix::kSoftwareScreens);
    EXPECT_EQ(GetUseHardwareDrawFlag(), 0);
    EXPECT_EQ(GetMemImgScreenFlag(), 1);
    EXPECT_EQ(GetNotUse3DFlag(), 1);
    EXPECT_EQ(GetColor(0, 0, 255), 0xFF0000FF);
    WriteFile("p.png", MakeRgbPng(2, 1, {0xFF010203, 0xFF040506}, false));
    const int g = LoadGraph("p.png");
    ASSERT_GE(g, 0);
    SurfaceData* d = GetSurfaceData(GetSurface2D(GetGraphData(g)->SurfaceHandle)->SurfaceDataHandle);
    EXPECT_EQ(d->UseMemImgFlag, 1);
    EXPECT_EQ(d->SurfaceKind, SURFACE_KIND_MEMIMG32);
    EXPECT_EQ(GraphPixel(g, 1, 0), 0x040506u);
}

TEST_F(Graphs, RestoringReloadsEveryGraphFromItsFileWhereverItWasLoaded) {
    // The file sits in a folder of its own, the current one while loading.
    const std::string art = dir_.path() + "/art";
    ASSERT_EQ(mkdir(art.c_str(), 0755), 0);
    WriteFile(art + "/grid.bmp", PatternBmp(6, 4));
    char home[ZV_PATH_MAX];
    ASSERT_EQ(FileGetDir(home), 0);
    ASSERT_EQ(FileSetDir(art.c_str()), 0);
    const int whole = LoadGraph("grid.bmp");
    int cells[3], mirrored[3];
    ASSERT_EQ(LoadDivGraph("grid.bmp", 3, 3, 1, 2, 2, cells), 0);
    ASSERT_EQ(LoadDivGraphCore("grid.bmp", 3, 3, 1, 2, 2, mirrored, 1, 1), 0);
    ASSERT_EQ(FileSetDir(home), 0);
    const int derived = DerivationGraph(1, 1, 3, 2, whole);
    const int made = MakeGraph(4, 4);
    ASSERT_GE(whole, 0);
    ASSERT_GE(derived, 0);
    ASSERT_GE(made, 0);

    // What each graph shows now, then everything painted over (a divided
    // graph's fill covers its whole shared surface).
    const int all[] = {whole, cells[0], cells[1], cells[2], mirrored[0], mirrored[1], mirrored[2], derived};
    std::vector<std::vector<uint32_t>> before;
    for (int h : all) {
        int w = 0, hh = 0;
        GetGraphSize(h, &w, &hh);
        std::vector<uint32_t> px;
        for (int y = 0; y < hh; ++y)
            for (int x = 0; x < w; ++x) px.push_back(GraphPixel(h, x, y));
        before.push_back(px);
    }
    for (int h : all) FillGraph(h, 9, 9, 9, 255);
    FillGraph(made, 1, 2, 3, 255);

    ASSERT_EQ(RestoreAllGraphs(), 0);
    for (size_t i = 0; i < std::size(all); ++i) {
        SCOPED_TRACE(i);
        int w = 0, hh = 0;
        GetGraphSize(all[i], &w, &hh);
        for (int y = 0; y < hh; ++y)
            for (int x = 0; x < w; ++x) EXPECT_EQ(GraphPixel(all[i], x, y), before[i][size_t(y * w + x)]) << x << "," << y;
        EXPECT_EQ(GetGraphData(all[i])->RestoreFlag, 0);
    }
    // A graph that came from no file keeps what was drawn on it and its flag.
    EXPECT_EQ(GraphPixel(made, 2, 2), 0x010203u);
    EXPECT_EQ(GetGraphData(made)->RestoreFlag, 1);
    char now[ZV_PATH_MAX];
    ASSERT_EQ(FileGetDir(now), 0);
    EXPECT_STREQ(now, home);
    EXPECT_NE(Log().find("グラフィックを復帰します"), std::string::npos);

    // A file that is gone leaves its graphs as they are; the others come back.
    FillGraph(whole, 9, 9, 9, 255);
    ASSERT_EQ(std::remove((art + "/grid.bmp").c_str()), 0);
    ASSERT_EQ(RestoreAllGraphs(), 0);
    EXPECT_EQ(GraphPixel(whole, 0, 0), 0x090909u);
    EXPECT_EQ(GetGraphData(whole)->RestoreFlag, 0);
    InitGraph(0);
}

namespace {
int g_ownRestoreRuns = 0;
int OwnRestore() { return ++g_ownRestoreRuns; }
}  // namespace

TEST_F(Graphs, AProgramsOwnRestoreRoutineReplacesTheBuiltInOneUntilReset) {
    WriteFile("grid.bmp", PatternBmp(6, 4));
    const int whole = LoadGraph("grid.bmp");
    FillGraph(whole, 9, 9, 9, 255);
    SetRestoreGraphCallback(OwnRestore);
    ASSERT_EQ(RestoreAllGraphs(), 0);
    EXPECT_EQ(g_ownRestoreRuns, 1);
    EXPECT_EQ(GraphPixel(whole, 0, 0), 0x090909u);
    EXPECT_EQ(GetGraphData(whole)->RestoreFlag, 1);

    SetRestoreGraphCallback(nullptr);
    EXPECT_EQ(CheckRestoreGraphCallback(), 1);
    ASSERT_EQ(RestoreAllGraphs(), 0);
    EXPECT_EQ(g_ownRestoreRuns, 1);
    EXPECT_EQ(GraphPixel(whole, 0, 0), Pattern(6, 4)[0] & 0xFFFFFF);
    DeleteGraph(whole);
}
