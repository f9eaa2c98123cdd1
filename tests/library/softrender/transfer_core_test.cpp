// The plain rectangle transfer: clipping, refusals, the run-code path and two-pixel forms.
#include <gtest/gtest.h>

#include "softrender/softrender.h"
#include "sr_fixtures.h"

using namespace srtest;

namespace {

Image Numbered(int w, int h, int fmt32, Kind kind = DIRECT) {
    Image img(w, h, fmt32, kind);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.Set(x, y, uint32_t(0x100 + y * 16 + x));
    return img;
}

TEST(RectTransfer, ClipsToDrawAreaAndTargetSize) {
    ResetState(2, 1, 100, 100);  // draw area larger than the 6x5 target
    Image dest(6, 5, 1, DIRECT);
    Image src = Numbered(4, 4, 1);
    MemImgDrawGraphBase(&dest.img, &src.img, 0, 3, 0, nullptr);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool inside = x >= 2 && x < 4 && y >= 3;
            EXPECT_EQ(dest.Get(x, y), inside ? uint32_t(0x100 + (y - 3) * 16 + x) : 0u) << x << "," << y;
        }
    // Far outside, and at coordinates whose right edge would wrap.
    MemImgDrawGraphBase(&dest.img, &src.img, 0x7FFFFFFE, 0, 0, nullptr);
    MemImgDrawGraphBase(&dest.img, &src.img, -1000, -1000, 0, nullptr);
    EXPECT_EQ(dest.Get(2, 0), 0u);
}

TEST(RectTransfer, RefusesWhatItCannotDraw) {
    ResetState();
    Image src = Numbered(2, 2, 1);
    struct {
        const char* what;
        int destFmt32;
        Kind destKind;
        int srcFormat;
        int blendW;
    } rows[] = {
        {"format mismatch", 0, DIRECT, 1, 0},
        {"alpha target", 1, ALPHA, 1, 0},
        {"palette target", 1, PALETTE, 1, 0},
        {"unknown format", 1, DIRECT, 7, 0},
        {"blend image smaller than the source", 1, DIRECT, 1, 1},
    };
    for (const auto& r : rows) {
        Image dest(4, 4, r.destFmt32, r.destKind);
        dest.Fill(0x5A);
        src.img.Format = r.srcFormat;
        Image blend = MakeBlend(r.blendW ? r.blendW : 2, 2);
        MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, 0, r.blendW ? &blend.img : nullptr);
        EXPECT_EQ(dest.Get(0, 0), 0x5Au) << r.what;
    }
}

TEST(RectTransfer, RunCodesDrawOnlyWhereTheySay) {
    ResetState();
    // Row 0: skip 1, opaque 2, translucent 1; row 1: opaque 4.
    Image src(4, 2, 1, ALPHA);
    const uint32_t px[8] = {0x00FF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF,
                            0xFF111111, 0xFF222222, 0xFF333333, 0xFF444444};
    for (int i = 0; i < 8; ++i) src.Set(i % 4, i / 4, px[i]);
    uint8_t runs[] = {0x00, 0x41, 0x80, 0xC0, 0x43, 0xC0};
    src.img.RunData = runs;
    src.img.RunDataFlag = 1;
    for (int mode : {0, 1, 2, 3, 4}) {
        SetBlend(mode, 200);
        Image viaRuns(4, 2, 1, DIRECT), plain(4, 2, 1, DIRECT);
        viaRuns.Fill(0x00406080);
        plain.Fill(0x00406080);
        MemImgDrawGraphBase(&viaRuns.img, &src.img, 0, 0, 1, nullptr);
        src.img.RunDataFlag = 0;
        MemImgDrawGraphBase(&plain.img, &src.img, 0, 0, 1, nullptr);
        src.img.RunDataFlag = 1;
        for (int i = 0; i < 8; ++i) {
            // A skip run leaves the target, also where the plain path's multiply blackens alpha 0.
            const uint32_t want = (mode == 4 && i == 0) ? 0x00406080u : plain.Get(i % 4, i / 4);
            EXPECT_EQ(viaRuns.Get(i % 4, i / 4), want) << "mode " << mode << " pixel " << i;
        }
    }
    // A clipped draw takes the plain path (the run codes cover the whole image only).
    SetBlend(0, 255);
    SetMemImgDrawArea(1, 0, 640, 480);
    Image dest(4, 2, 1, DIRECT);
    MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, 1, nullptr);
    EXPECT_EQ(dest.Get(1, 0), 0xFF00FF00u);
    EXPECT_EQ(dest.Get(3, 0), 0x007F7F7Fu);  // translucent, blended by its alpha
}

TEST(RectTransfer, DamagedRunCodesStayInsideTheRow) {
    ResetState();
    Image src(2, 2, 1, DIRECT);
    src.Fill(0x00ABCDEF);
    uint8_t runs[] = {0x7F, 0xC0, 0x7F, 0xC0};  // 64-pixel runs on 2-pixel rows
    src.img.RunData = runs;
    src.img.RunDataFlag = 1;
    Image dest(3, 2, 1, DIRECT);
    MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, 1, nullptr);
    EXPECT_EQ(dest.Get(1, 1), 0x00ABCDEFu);
    EXPECT_EQ(dest.Get(2, 0), 0u);
    EXPECT_EQ(dest.Get(2, 1), 0u);
}

TEST(RectTransfer, SixteenBitSubtractAtFullStrengthWorksOnPairs) {
    ResetState();
    SetBlend(3, 255);
    // Three pixels: one pair and an odd last pixel done alone.
    Image src(3, 1, 0, DIRECT, 0x1234);
    src.Set(0, 0, 0x0000);
    src.Set(1, 0, 0xFFFF);
    src.Set(2, 0, 0xFFFF);
    Image dest(3, 1, 0, DIRECT);
    dest.Set(0, 0, 0x0000);
    dest.Set(1, 0, 0xFFFF);
    dest.Set(2, 0, 0xFFFF);
    MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, 1, nullptr);
    EXPECT_EQ(dest.Get(0, 0), 0x0800u);
    EXPECT_EQ(dest.Get(1, 0), 0x0801u);  // paired: the lower pixel's guard bit shows
    EXPECT_EQ(dest.Get(2, 0), 0x0800u);  // alone
    // A pair holding the key is done pixel by pixel, the key pixel skipped.
    src.Set(0, 0, 0x1234);
    dest.Set(0, 0, 0x7777);
    dest.Set(1, 0, 0xFFFF);
    MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, 1, nullptr);
    EXPECT_EQ(dest.Get(0, 0), 0x7777u);
    EXPECT_EQ(dest.Get(1, 0), 0x0800u);
}

TEST(RectTransfer, PaletteSourceUsesIndexForKey) {
    ResetState();
    Image src(3, 1, 1, PALETTE, 1);
    src.SetPalette(0, 0x00112233);
    src.SetPalette(1, 0x00112233);  // same colour, but index 1 is the key
    src.Set(0, 0, 0);
    src.Set(1, 0, 1);
    src.Set(2, 0, 0);
    Image dest(3, 1, 1, DIRECT);
    MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, 1, nullptr);
    EXPECT_EQ(dest.Get(0, 0), 0x00112233u);
    EXPECT_EQ(dest.Get(1, 0), 0u);
    EXPECT_EQ(dest.Get(2, 0), 0x00112233u);
    src.img.ColorKey = 256;  // an index never reaches 256
    MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, 1, nullptr);
    EXPECT_EQ(dest.Get(1, 0), 0x00112233u);
}

}  // namespace

namespace {

TEST(RectTransfer, GaplessImagesCopyAsOneBlock) {
    ResetState();
    Image src = Numbered(4, 3, 1), dest(4, 3, 1, DIRECT), wider(5, 3, 1, DIRECT);
    src.img.Pitch = dest.img.Pitch = 16;  // rows follow one another
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) src.Set(x, y, uint32_t(0x100 + y * 16 + x));
    MemImgDrawGraphBase(&dest.img, &src.img, 0, 0, 0, nullptr);
    MemImgDrawGraphBase(&wider.img, &src.img, 1, 0, 0, nullptr);  // rows with gaps in the target
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(dest.Get(x, y), uint32_t(0x100 + y * 16 + x));
            EXPECT_EQ(wider.Get(x + 1, y), uint32_t(0x100 + y * 16 + x));
        }
    EXPECT_EQ(wider.Get(0, 1), 0u);
}

}  // namespace
