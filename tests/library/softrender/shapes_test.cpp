// Box fill, lines, box outlines and triangle outlines on tiny targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "graphics/software_screen_draw.h"
#include "softrender/simd_level.h"
#include "sr_fixtures.h"

using namespace srtest;

namespace {

using Points = std::vector<std::pair<int, int>>;

// Draws with mode 2 at 1 so every visit shows: each visit adds one to blue.
Points Visits(int w, int h, void (*draw)(MEMIMG*)) {
    Image dest(w, h, 1, DIRECT);
    SetBlend(0, 255);
    draw(&dest.img);
    Points out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (uint32_t n = 0; n < (dest.Get(x, y) & 0xFF); ++n) out.push_back({x, y});
    return out;
}

struct BoxCase {
    const char* what;
    int fmt32, mode, p;
    uint32_t bright, dest, colour, want;
};
constexpr uint32_t NB = MEMIMG_BRIGHT_NONE;

const BoxCase kBoxCases[] = {
    {"alpha 128 toward black", 1, 1, 128, NB, 0x00FF0000, 0, 0x007F0000},
    {"16-bit alpha 128 toward black", 0, 1, 128, NB, 0xF800, 0, 0x8000},
    {"alpha 255 writes all four bytes", 1, 1, 255, NB, 0, 0xAB123456, 0xAB123456},
    {"alpha 0 writes nothing", 1, 1, 0, NB, 0x77, 0xAB123456, 0x77},
    {"add 0 writes nothing", 1, 2, 0, NB, 0x77, 0x00FFFFFF, 0x77},
    {"multiply ignores p", 1, 4, 0, NB, 0x00FFFFFF, 0x00FFFFFF, 0x00FEFEFE},
    {"16-bit multiply by white", 0, 4, 9, NB, 0xFFFF, 0xFFFF, Rgb16(30, 62, 30)},
    {"bright 254 is not neutral", 1, 0, 255, 0xFFFFFE, 0, 0x00FFFFFF, 0x00FEFEFD},
    {"add blue saturates and carries", 1, 2, 255, NB, 0x000000FF, 0x00000001, 0x000001FF},
    {"add red overflow sets byte 3", 1, 2, 255, NB, 0x80808080, 0x00808080, 0x01FFFFFF},
    {"subtract clamps", 1, 3, 255, NB, 0x00102030, 0x00203010, 0x00000020},
    {"subtract low bits", 1, 3, 255, NB, 0x00646464, 0x00323232, 0x00333332},
    {"subtract zero clears byte 3", 1, 3, 255, NB, 0xFF102030, 0, 0x00112130},
    {"16-bit add blue carry", 0, 2, 255, NB, Rgb16(0, 0, 31), Rgb16(0, 0, 1), Rgb16(0, 1, 31)},
    {"16-bit add green carry", 0, 2, 255, NB, Rgb16(0, 62, 0), Rgb16(0, 2, 0), Rgb16(1, 62, 0)},
    {"16-bit add onto white", 0, 2, 255, NB, 0xFFFF, Rgb16(1, 1, 1), 0xFFFF},
    {"16-bit subtract", 0, 3, 255, NB, Rgb16(10, 40, 20), Rgb16(5, 20, 10), Rgb16(7, 20, 10)},
    {"16-bit subtract clamps blue", 0, 3, 255, NB, Rgb16(10, 40, 5), Rgb16(5, 20, 10), Rgb16(7, 20, 0)},
    {"mode 9 writes nothing", 1, 9, 255, NB, 0x77, 0x00FFFFFF, 0x77},
    {"negative mode writes nothing", 1, -1, 255, NB, 0x77, 0x00FFFFFF, 0x77},
};

TEST(BoxFill, WorkedExamples) {
    for (const BoxCase& c : kBoxCases) {
        ResetState();
        SetBlend(c.mode, c.p);
        MemImgDrawStateData.DrawBright = c.bright;
        Image dest(3, 3, c.fmt32, DIRECT);
        dest.Fill(c.dest);
        const MemImgRect r{1, 1, 2, 2};
        MemImgDrawFillBoxBase(&dest.img, &r, c.colour);
        EXPECT_EQ(dest.Get(1, 1), c.want) << c.what;
        EXPECT_EQ(dest.Get(0, 0), c.dest) << c.what;
    }
}

TEST(BoxFill, CornersInAnyOrderAndClipping) {
    ResetState(0, 0, 6, 6);
    for (const MemImgRect r : {MemImgRect{1, 2, 4, 5}, MemImgRect{4, 5, 1, 2}, MemImgRect{4, 2, 1, 5}}) {
        Image dest(8, 8, 0, DIRECT);
        MemImgDrawFillBoxBase(&dest.img, &r, 0xFFFF);
        int count = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) count += dest.Get(x, y) == 0xFFFF;
        EXPECT_EQ(count, 9);
        EXPECT_EQ(dest.Get(1, 2), 0xFFFFu);
    }
    Image dest(8, 8, 1, DIRECT);
    MemImgDrawFillBoxXY(&dest.img, -5, -5, 100, 3, 0x00ABCDEF);  // cut at the draw area
    EXPECT_EQ(dest.Get(5, 2), 0x00ABCDEFu);
    EXPECT_EQ(dest.Get(6, 2), 0u);
    EXPECT_EQ(dest.Get(5, 3), 0u);
    MemImgDrawFillBoxBase(&dest.img, nullptr, 1);  // whole image, still inside the area
    EXPECT_EQ(dest.Get(0, 0), 1u);
    EXPECT_EQ(dest.Get(7, 7), 0u);
}

TEST(BoxFill, RowsOfEveryLengthEndExactlyAtEveryLevel) {
    // Widths below, at and past each store width, over several rows of a padded pitch.
    for (int level = softrender::ISA_SCALAR; level <= softrender::SimdLevelAvailable(); ++level)
        for (int fmt32 : {0, 1})
            for (int width = 1; width <= 40; ++width) {
                ResetState();
                softrender::ForceSimdLevel(level);
                Image dest(44, 5, fmt32, DIRECT);
                dest.Fill(0x5A5A);
                MemImgDrawFillBoxXY(&dest.img, 1, 1, 1 + width, 4, 0x1234);
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < 44; ++x) {
                        const bool in = x >= 1 && x < 1 + width && y >= 1 && y < 4;
                        ASSERT_EQ(dest.Get(x, y), in ? 0x1234u : 0x5A5Au)
                            << "level " << level << " fmt32 " << fmt32 << " width " << width << " at " << x
                            << ", " << y;
                    }
            }
    softrender::ForceSimdLevel(-1);
}

TEST(Lines, StepAndEndPointRules) {
    struct {
        const char* what;
        int x1, y1, x2, y2;
        Points want;
    } rows[] = {
        {"shallow", 0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {"reversed moves one pixel", 3, 0, 0, 0, {{1, 0}, {2, 0}, {3, 0}}},
        {"diagonal", 0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}}},
        {"single step", 0, 0, 1, 0, {{0, 0}}},
        {"zero length", 3, 3, 3, 3, {}},
        {"clipped start", -10, 0, 2, 0, {{0, 0}, {1, 0}}},
        {"clipped end", 2, 0, -10, 0, {{0, 0}, {1, 0}, {2, 0}}},
        {"start clipped onto the end", -5, 3, 0, 3, {}},
        {"outside", 20, 20, 30, 30, {}},
    };
    for (const auto& r : rows) {
        ResetState(0, 0, 12, 12);
        static int x1, y1, x2, y2;
        x1 = r.x1, y1 = r.y1, x2 = r.x2, y2 = r.y2;
        SetBlend(2, 255);
        Points got = Visits(12, 12, [](MEMIMG* d) {
            SetBlend(2, 255);
            MemImgDrawLineBase(d, x1, y1, x2, y2, 1);
        });
        std::multiset<std::pair<int, int>> g(got.begin(), got.end()), w(r.want.begin(), r.want.end());
        EXPECT_EQ(g, w) << r.what;
    }
}

TEST(Lines, SteepLineRoundsDown) {
    ResetState();
    Image dest(4, 12, 1, DIRECT);
    MemImgDrawLineBase(&dest.img, 0, 0, 3, 10, 0x00FFFFFF);
    const int want[10] = {0, 0, 0, 0, 1, 1, 1, 2, 2, 2};
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dest.Get(x, y) != 0, x == want[y]) << x << "," << y;
    EXPECT_EQ(dest.Get(3, 10), 0u);
}

TEST(Lines, EdgeOfAreaColumn) {
    ResetState(0, 0, 640, 480);
    Image dest(640, 12, 0, DIRECT);
    MemImgDrawLineBase(&dest.img, 639, -5, 639, 10, 0xFFFF);
    for (int y = 0; y < 12; ++y) EXPECT_EQ(dest.Get(639, y), y < 10 ? 0xFFFFu : 0u) << y;
}

TEST(Lines, ListIgnoresTheSixthWord) {
    ResetState();
    SetBlend(1, 128);
    const LineSegment list[2] = {{0, 0, 2, 0, 0x00FF0000, 0}, {0, 1, 2, 1, 0x00FF0000, 255}};
    Image dest(3, 2, 1, DIRECT);
    MemImgDrawLineList(&dest.img, list, 2);
    EXPECT_EQ(dest.Get(0, 0), 0x007F0000u);
    EXPECT_EQ(dest.Get(0, 1), 0x007F0000u);
    MemImgDrawLineList(&dest.img, list, -1);
    MemImgDrawLineList(&dest.img, nullptr, 5);
}

// The software screen used by the entry points.
struct Screen {
    Image img{8, 8, 1, DIRECT};
    Screen() {
        ResetState(0, 0, 8, 8);
        MemImgDrawStateData.SoftRenderFlag = 1;
        MemImgDrawStateData.ScreenMemImgFlag = 1;
        MemImgDrawStateData.ScreenColorBitDepth = 32;
        MemImgDrawStateData.DrawScreenImage = &img.img;
        SetBlend(2, 255);
    }
    std::multiset<std::pair<int, int>> Visited() {
        std::multiset<std::pair<int, int>> out;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                for (uint32_t n = 0; n < (img.Get(x, y) & 0xFF); ++n) out.insert({x, y});
        return out;
    }
};

TEST(Outlines, BoxOutlinesDrawEachPixelOnce) {
    struct {
        const char* what;
        int x1, y1, x2, y2;
        size_t pixels;
        int maxVisits;
    } rows[] = {
        {"4x3 box", 2, 3, 6, 6, 10, 1},
        {"2x2 box", 1, 1, 3, 3, 4, 1},
        {"1x1 box", 1, 1, 2, 2, 0, 0},
        {"one column", 1, 1, 2, 5, 6, 2},
        {"given right to left", 6, 3, 2, 6, 14, 1},
    };
    for (const auto& r : rows) {
        Screen s;
        EXPECT_EQ(MemImgDrawLineBox(r.x1, r.y1, r.x2, r.y2, 1), 0);
        auto v = s.Visited();
        EXPECT_EQ(v.size(), r.pixels) << r.what;
        int most = 0;
        for (const auto& p : v) most = std::max(most, int(v.count(p)));
        EXPECT_EQ(most, r.maxVisits) << r.what;
    }
}

TEST(Outlines, TriangleOutlineAndFill) {
    {
        Screen s;
        EXPECT_EQ(MemImgDrawTriangle(0, 0, 4, 0, 0, 4, 1, 2), 0);  // flag 2: outline
        auto v = s.Visited();
        EXPECT_EQ(v.size(), 12u);
        const std::set<std::pair<int, int>> distinct(v.begin(), v.end());
        EXPECT_EQ(distinct.size(), 12u);
    }
    {
        Screen s;
        EXPECT_EQ(MemImgDrawTriangle(0, 0, 4, 0, 0, 4, 1, 1), 0);  // filled
        EXPECT_EQ(s.Visited().size(), 5u + 4 + 3 + 2);
    }
    // Nothing to draw with when neither software drawing nor a device is on.
    Screen s;
    MemImgDrawStateData.SoftRenderFlag = 0;
    EXPECT_EQ(MemImgDrawFillBox(0, 0, 2, 2, 1), -1);
    EXPECT_EQ(MemImgDrawLine(0, 0, 2, 2, 1), -1);
    EXPECT_EQ(s.Visited().size(), 0u);
}

}  // namespace
