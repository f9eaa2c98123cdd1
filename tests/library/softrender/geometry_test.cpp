// Stretched and rotated transfer and the triangle mapper: which source pixel lands where.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "softrender/softrender.h"
#include "sr_fixtures.h"

using namespace srtest;

namespace {

// A source whose pixel (x, y) holds 0x10000 + y * 256 + x + 1.
Image Coded(int w, int h) {
    Image img(w, h, 1, DIRECT);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.Set(x, y, uint32_t(0x10000 + y * 256 + x + 1));
    return img;
}
int Col(uint32_t v) { return v ? int(v & 0xFF) - 1 : -1; }
int Row(uint32_t v) { return v ? int((v >> 8) & 0xFF) : -1; }

std::vector<int> ColumnsOfRow(Image& dest, int y, int from, int to) {
    std::vector<int> out;
    for (int x = from; x < to; ++x) out.push_back(Col(dest.Get(x, y)));
    return out;
}

TEST(Stretch, ColumnMaps) {
    struct {
        const char* what;
        int srcW, left, x1, x2;
        std::vector<int> want;  // columns from x = 0
    } rows[] = {
        {"half size", 16, 0, 0, 8, {0, 2, 4, 6, 8, 10, 12, 14}},
        {"half size, left edge clipped", 16, 1, 0, 8, {-1, 2, 4, 6, 8, 10, 12, 14}},
        {"double size", 7, 0, 0, 14, {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6}},
        {"7 into 10", 7, 0, 0, 10, {0, 0, 1, 2, 2, 3, 4, 4, 5, 6}},
        {"mirrored, same size", 5, 0, 5, 0, {4, 3, 2, 1, 0}},
        {"mirrored and clipped", 7, 2, 14, 0, {-1, -1, 5, 5, 4, 4, 3, 3, 2, 2, 1, 1, 0, 0}},
    };
    for (const auto& r : rows) {
        ResetState(r.left, 0, 640, 480);
        Image src = Coded(r.srcW, 1);
        Image dest(20, 2, 1, DIRECT);
        const int32_t corners[4] = {r.x1, 0, r.x2, 2};
        MemImgDrawExtendGraphBase(&dest.img, &src.img, corners, 0, nullptr);
        std::vector<int> want = r.want;
        EXPECT_EQ(ColumnsOfRow(dest, 1, 0, int(want.size())), want) << r.what;
    }
}

TEST(Stretch, SameSizeGoesToThePlainTransfer) {
    // The plain transfer's half blend at 128 clears byte 3; the stretched rule keeps it.
    ResetState();
    SetBlend(1, 128);
    Image src = Coded(3, 2);
    Image a(8, 4, 1, DIRECT), b(8, 4, 1, DIRECT);
    a.Fill(0xFF000000);
    b.Fill(0xFF000000);
    const int32_t same[4] = {1, 1, 4, 3};
    MemImgDrawExtendGraphBase(&a.img, &src.img, same, 0, nullptr);
    EXPECT_EQ(a.Get(1, 1) >> 24, 0u);
    const int32_t wider[4] = {1, 1, 5, 3};
    MemImgDrawExtendGraphBase(&b.img, &src.img, wider, 0, nullptr);
    EXPECT_EQ(b.Get(1, 1) >> 24, 0xFFu);
}

TEST(Stretch, RefusalsAndExtremes) {
    ResetState();
    Image src32 = Coded(4, 4);
    Image dest16(8, 8, 0, DIRECT);
    const int32_t c1[4] = {0, 0, 8, 8};
    MemImgDrawExtendGraphBase(&dest16.img, &src32.img, c1, 0, nullptr);  // 32-bit into 16-bit
    for (int y = 0; y < 8; ++y) EXPECT_EQ(dest16.Get(7, y), 0u);

    Image dest(8, 8, 1, DIRECT);
    const int32_t flat[4] = {3, 0, 3, 8};
    MemImgDrawExtendGraphBase(&dest.img, &src32.img, flat, 0, nullptr);
    Image empty(1, 1, 1, DIRECT);
    empty.img.Width = 0;
    MemImgDrawExtendGraphBase(&dest.img, &empty.img, c1, 0, nullptr);
    EXPECT_EQ(dest.Get(3, 3), 0u);

    // Huge extents and clip offsets: the visible part keeps its phase.
    const int32_t huge[4] = {-2000000000, -2000000000, 2000000000, 2000000000};
    MemImgDrawExtendGraphBase(&dest.img, &src32.img, huge, 0, nullptr);
    EXPECT_EQ(Col(dest.Get(0, 0)), 2);
    EXPECT_EQ(Row(dest.Get(7, 7)), 2);
    Image small = MakeBlend(2, 2);
    Image keep(8, 8, 1, DIRECT);
    MemImgDrawExtendGraphBase(&keep.img, &src32.img, c1, 0, &small.img);  // blend image too small
    EXPECT_EQ(keep.Get(0, 0), 0u);
}

TEST(Rotate, AngleZeroAndQuarterTurn) {
    ResetState();
    Image src = Coded(4, 4);
    Image dest(12, 12, 1, DIRECT);
    MemImgDrawRotaGraphBase(&dest.img, &src.img, 6, 6, 0.0f, 1.0f, 0, 0, nullptr);
    for (int j = -2; j < 2; ++j)
        for (int i = -2; i < 2; ++i) {
            EXPECT_EQ(Col(dest.Get(6 + i, 6 + j)), 2 + i);
            EXPECT_EQ(Row(dest.Get(6 + i, 6 + j)), 2 + j);
        }
    EXPECT_EQ(dest.Get(3, 6), 0u);
    EXPECT_EQ(dest.Get(8, 6), 0u);

    // A quarter turn puts the top row along the right side, read downward.
    Image q(12, 12, 1, DIRECT);
    MemImgDrawRotaGraphBase(&q.img, &src.img, 6, 6, float(M_PI / 2), 1.0f, 0, 0, nullptr);
    int rightmost = -1;
    for (int x = 0; x < 12; ++x)
        if (q.Get(x, 6)) rightmost = x;
    ASSERT_GE(rightmost, 0);
    std::vector<int> cols;
    for (int y = 0; y < 12; ++y)
        if (q.Get(rightmost, y)) {
            EXPECT_EQ(Row(q.Get(rightmost, y)), 0);
            cols.push_back(Col(q.Get(rightmost, y)));
        }
    EXPECT_EQ(cols, (std::vector<int>{0, 1, 2, 3}));
}

TEST(Rotate, ScaleTwoAndTurnFlag) {
    ResetState();
    Image src = Coded(4, 4);
    Image dest(16, 16, 1, DIRECT);
    MemImgDrawRotaGraphBase(&dest.img, &src.img, 8, 8, 0.0f, 2.0f, 0, 0, nullptr);
    EXPECT_EQ(Col(dest.Get(4, 4)), 0);
    EXPECT_EQ(Col(dest.Get(5, 5)), 0);
    EXPECT_EQ(Col(dest.Get(6, 4)), 1);
    EXPECT_EQ(Col(dest.Get(11, 11)), 3);

    Image m(16, 16, 1, DIRECT);
    MemImgDrawRotaGraphBase(&m.img, &src.img, 8, 8, 0.0f, 1.0f, 0, 1, nullptr);  // mirrored
    std::vector<int> cols;
    for (int x = 0; x < 16; ++x)
        if (m.Get(x, 7)) cols.push_back(Col(m.Get(x, 7)));
    EXPECT_EQ(cols, (std::vector<int>{3, 2, 1, 0}));
}

TEST(Rotate, BadNumbersAndTallImages) {
    ResetState();
    Image src = Coded(4, 4);
    Image dest(8, 8, 1, DIRECT);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    MemImgDrawRotaGraphBase(&dest.img, &src.img, 4, 4, nan, 1.0f, 0, 0, nullptr);
    MemImgDrawRotaGraphBase(&dest.img, &src.img, 4, 4, 0.0f, inf, 0, 0, nullptr);
    MemImgDrawRotaGraphBase(&dest.img, &src.img, 4, 4, 0.0f, 0.0f, 0, 0, nullptr);
    MemImgDrawRotaGraphBase(&dest.img, &src.img, 4, 4, inf, 1.0f, 0, 1, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(dest.Get(i % 8, i / 8), 0u);

    // More rows than any fixed row table would hold.
    Image tall(1, 5000, 1, DIRECT);
    for (int y = 0; y < 5000; ++y) tall.Set(0, y, uint32_t(y + 1));
    Image out(4, 5002, 1, DIRECT);
    SetMemImgDrawArea(0, 0, 4, 5002);
    MemImgDrawRotaGraphBase(&out.img, &tall.img, 1, 2500, 0.0f, 1.0f, 0, 0, nullptr);
    EXPECT_EQ(out.Get(1, 4999), 5000u);
    EXPECT_EQ(out.Get(1, 0), 1u);
}

// Columns covered on each row by a flat fill of mode 2 at 1 (counts visits).
std::vector<std::vector<int>> FlatRows(int w, int h, MemImgVertex a, MemImgVertex b, MemImgVertex c) {
    ResetState(0, 0, w, h);
    SetBlend(2, 255);
    Image dest(w, h, 1, DIRECT);
    const MemImgVertex v[3] = {a, b, c};
    MemImgDrawPolygonBase(&dest.img, nullptr, v, 0, nullptr, 1);
    std::vector<std::vector<int>> rows(h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (uint32_t n = 0; n < (dest.Get(x, y) & 0xFF); ++n) rows[y].push_back(x);
    return rows;
}

TEST(Triangle, FlatFillCoverage) {
    auto rows = FlatRows(16, 16, {0, 0, 0, 0}, {10, 0, 0, 0}, {0, 10, 0, 0});
    for (int y = 0; y < 10; ++y) EXPECT_EQ(int(rows[y].size()), 11 - y) << y;
    EXPECT_TRUE(rows[10].empty());
    // Collinear or repeated vertices draw nothing.
    rows = FlatRows(16, 16, {0, 0, 0, 0}, {5, 5, 0, 0}, {10, 10, 0, 0});
    for (auto& r : rows) EXPECT_TRUE(r.empty());
}

TEST(Triangle, EachRowOnceWhenTheTopIsAboveTheArea) {
    // Middle vertex on the left and on the right draw the same rows, each once.
    for (int midX : {5, 15}) {
        auto rows = FlatRows(20, 10, {10, -3, 0, 0}, {midX, 2, 0, 0}, {10, 5, 0, 0});
        for (int y = 0; y < 10; ++y) {
            const std::set<int> distinct(rows[y].begin(), rows[y].end());
            EXPECT_EQ(distinct.size(), rows[y].size()) << "row " << y << " mid " << midX;
            EXPECT_EQ(rows[y].empty(), y > 5) << "row " << y << " mid " << midX;
        }
    }
    // An edge just left of the area still counts as column 0.
    auto rows = FlatRows(8, 8, {-1, 0, 0, 0}, {-1, 6, 0, 0}, {-7, 3, 0, 0});
    EXPECT_FALSE(rows[3].empty());
    EXPECT_EQ(rows[3].front(), 0);
}

TEST(Triangle, FlatFillColour) {
    ResetState();
    MemImgDrawStateData.DrawBright = 0x0000FF;  // blue only... of the bright word: byte 0
    Image dest(8, 8, 1, DIRECT);
    const MemImgVertex v[3] = {{0, 0, 0, 0}, {6, 0, 0, 0}, {0, 6, 0, 0}};
    MemImgDrawPolygonBase(&dest.img, nullptr, v, 0, nullptr, 0xAB806040);
    EXPECT_EQ(dest.Get(0, 0), 0xAB000040u);  // through the product rows, byte 3 as given
    ResetState();
    SetBlend(3, 255);
    MemImgDrawPolygonBase(&dest.img, nullptr, v, 0, nullptr, 0);
    EXPECT_EQ(dest.Get(0, 0), 0x00010140u);
}

TEST(Triangle, QuadsAndMirroring) {
    ResetState();
    Image src = Coded(8, 8);
    auto quad = [&](const int32_t* c) {
        Image dest(20, 20, 1, DIRECT);
        MemImgDrawRotaGraphPolygon(&dest.img, &src.img, c, 0, nullptr);
        return dest;
    };
    const int32_t straight[8] = {4, 4, 12, 4, 4, 12, 12, 12};
    Image a = quad(straight);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            EXPECT_EQ(a.Get(x, y) != 0, inside) << x << "," << y;
            if (inside) {
                EXPECT_EQ(Col(a.Get(x, y)), x - 4);
                EXPECT_EQ(Row(a.Get(x, y)), y - 4);
            }
        }
    const int32_t mirrored[8] = {12, 4, 4, 4, 12, 12, 4, 12};
    Image b = quad(mirrored);
    EXPECT_EQ(b.Get(4, 6), 0u);
    EXPECT_EQ(Col(b.Get(5, 6)), 7);
    EXPECT_EQ(Col(b.Get(12, 6)), 0);
    const int32_t flipped[8] = {4, 12, 12, 12, 4, 4, 12, 4};
    Image c = quad(flipped);
    EXPECT_EQ(c.Get(6, 4), 0u);
    EXPECT_EQ(Row(c.Get(6, 5)), 7);
    EXPECT_EQ(Row(c.Get(6, 11)), 1);
    EXPECT_EQ(c.Get(6, 12), 0u);
    const int32_t point[8] = {5, 5, 5, 5, 5, 5, 5, 5};
    Image d = quad(point);
    EXPECT_EQ(d.Get(5, 5), 0u);
}

TEST(Triangle, DiagonalOfAQuadBlendsTwice) {
    ResetState();
    SetBlend(2, 255);
    Image src(4, 4, 1, DIRECT);
    src.Fill(1);
    Image dest(8, 8, 1, DIRECT);
    const int32_t c[8] = {0, 0, 4, 0, 0, 4, 4, 4};
    MemImgDrawRotaGraphPolygon(&dest.img, &src.img, c, 0, nullptr);
    EXPECT_EQ(dest.Get(0, 0), 1u);
    EXPECT_EQ(dest.Get(3, 0), 1u);
    EXPECT_EQ(dest.Get(3, 1), 2u);  // on the shared edge from corner 2 to corner 3
    EXPECT_EQ(dest.Get(2, 2), 2u);
    EXPECT_EQ(dest.Get(1, 3), 2u);
    EXPECT_EQ(dest.Get(3, 3), 1u);
}

TEST(Triangle, Refusals) {
    ResetState();
    Image src = Coded(4, 4);
    const MemImgVertex v[3] = {{0, 0, 0, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}};
    Image d16(8, 8, 0, DIRECT);
    MemImgDrawPolygonBase(&d16.img, &src.img, v, 0, nullptr, 0);
    Image dA(8, 8, 1, ALPHA);
    MemImgDrawPolygonBase(&dA.img, &src.img, v, 0, nullptr, 0);
    Image small = MakeBlend(2, 2);
    Image d32(8, 8, 1, DIRECT);
    MemImgDrawPolygonBase(&d32.img, &src.img, v, 0, &small.img, 0);
    EXPECT_EQ(d16.Get(0, 0), 0u);
    EXPECT_EQ(dA.Get(0, 0), 0u);
    EXPECT_EQ(d32.Get(0, 0), 0u);
}

}  // namespace
