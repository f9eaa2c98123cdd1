// Whatever the draw area and the geometry, no core writes outside its target.
#include <gtest/gtest.h>

#include <vector>

#include "softrender/softrender.h"
#include "sr_fixtures.h"

using namespace srtest;

namespace {

// A 6x5 target viewed in the middle of a larger canvas whose margin must stay untouched.
struct Framed {
    Image canvas{16, 15, 1, DIRECT};
    MEMIMG view;
    Framed() {
        canvas.Fill(0xDEADBEEF);
        view = canvas.img;
        view.Width = 6;
        view.Height = 5;
        view.Pixels = canvas.At(5, 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x) canvas.Set(5 + x, 5 + y, 0x00808080);
    }
    int MarginChanges() {
        int n = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool inside = x >= 5 && x < 11 && y >= 5 && y < 10;
                if (!inside && canvas.Get(x, y) != 0xDEADBEEF) ++n;
            }
        return n;
    }
};

TEST(Bounds, CoresStayInsideTheTarget) {
    Image src(4, 4, 1, DIRECT);
    src.Fill(0x00123456);
    for (int mode = 0; mode <= 4; ++mode) {
        ResetState(-100, -100, 1000, 1000);  // a draw area far larger than the target
        SetBlend(mode, 200);
        Framed f;
        MemImgDrawFillBoxXY(&f.view, -50, -50, 50, 50, 0x00FFFFFF);
        MemImgDrawLineBase(&f.view, -20, -7, 30, 40, 0x00FFFFFF);
        MemImgDrawLineBase(&f.view, 30, -7, -20, 40, 0x00FFFFFF);
        MemImgDrawGraphBase(&f.view, &src.img, -2, 3, 0, nullptr);
        const int32_t corners[4] = {-9, -9, 20, 20};
        MemImgDrawExtendGraphBase(&f.view, &src.img, corners, 0, nullptr);
        MemImgDrawRotaGraphBase(&f.view, &src.img, 3, 2, 0.7f, 5.0f, 0, 0, nullptr);
        MemImgDrawRotaGraphBase(&f.view, &src.img, 3, 2, 0.7f, 5.0f, 0, 1, nullptr);
        const MemImgVertex tri[3] = {{-30, -20, 0, 0}, {40, 2, 4, 0}, {3, 50, 0, 4}};
        MemImgDrawPolygonBase(&f.view, &src.img, tri, 0, nullptr, 0);
        MemImgDrawPolygonBase(&f.view, nullptr, tri, 0, nullptr, 0x00FFFFFF);
        EXPECT_EQ(f.MarginChanges(), 0) << "mode " << mode;
        EXPECT_NE(f.canvas.Get(5, 5), 0x00808080u) << "mode " << mode;  // something was drawn
    }
}

TEST(Bounds, WildCoordinatesDrawNothingOutside) {
    Image src(4, 4, 1, DIRECT);
    src.Fill(0x00123456);
    ResetState(0, 0, 6, 5);
    Framed f;
    const int big = 0x7FFFFFF0;
    MemImgDrawLineBase(&f.view, -big, -big, big, big, 1);
    MemImgDrawGraphBase(&f.view, &src.img, big, big, 0, nullptr);
    const int32_t corners[4] = {big, -big, -big, big};
    MemImgDrawExtendGraphBase(&f.view, &src.img, corners, 0, nullptr);
    MemImgDrawRotaGraphBase(&f.view, &src.img, big, -big, 1e30f, 1e-30f, 0, 0, nullptr);
    MemImgDrawRotaGraphBase(&f.view, &src.img, 3, 3, 1.0f, 3e9f, 0, 0, nullptr);
    const MemImgVertex tri[3] = {{-big, 0, big, 0}, {big, 3, -big, 0}, {0, big, 0, big}};
    MemImgDrawPolygonBase(&f.view, &src.img, tri, 1, nullptr, 0);
    MemImgDrawPolygonBase(&f.view, nullptr, tri, 0, nullptr, 1);
    EXPECT_EQ(f.MarginChanges(), 0);
}

}  // namespace
