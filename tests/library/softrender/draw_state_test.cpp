// The lookup tables behind the pixel rules and the blend-image weight ramp.
#include <gtest/gtest.h>

#include "sr_fixtures.h"

using namespace srtest;

TEST(DrawTables, ProductDifferenceAndSixtyFourLevelTables) {
    ResetState();
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(MemImgMulTable[255][v], uint32_t(v));
        EXPECT_EQ(MemImgMulTable[0][v], 0u);
    }
    EXPECT_EQ(MemImgMulTable[130][31], 15u);
    EXPECT_EQ(MemImgMulTable[192][1], 0u);
    EXPECT_EQ(MemImgDiffTable[128][255 - 31], -15);  // truncated toward zero
    EXPECT_EQ(MemImgDiffTable[128][255 + 31], 15);
    EXPECT_EQ(MemImgDiffTable[255][0], -255);
    EXPECT_EQ(MemImgDiffTable[200][255 + 63], 49);
    EXPECT_EQ(MemImgBlend16Table[63][31][0], 31);
    EXPECT_EQ(MemImgBlend16Table[0][31][7], 7);
    EXPECT_EQ(MemImgBlend16Table[50][63][0], 50);
}

TEST(DrawTables, BlendWeightRamp) {
    ResetState();
    struct {
        int t, r, index, want;
    } rows[] = {
        {100, 0, 99, 0},   {100, 0, 100, 156}, {100, 0, 101, 255},  // ramp 0: entry t is 256 - t
        {0, 0, 0, 255},    {255, 0, 255, 1},   {255, 0, 254, 0},
        {128, 255, 0, 0},  {128, 255, 77, 77}, {128, 255, 255, 255},  // one-to-one
        {64, 3, 61, 0},    {64, 3, 62, 64},    {64, 3, 63, 128},    {64, 3, 64, 192}, {64, 3, 65, 255},
        {-5, 999, 10, 255},  // parameters are clamped to 0..255
    };
    for (const auto& r : rows) {
        MakeBlendGraphWeightTable(r.t, r.r);
        EXPECT_EQ(BlendGraphWeightTable[r.index], r.want) << r.t << " " << r.r << " [" << r.index << "]";
    }
    MakeBlendGraphWeightTable(300, -1);
    EXPECT_EQ(MemImgDrawStateData.BlendGraphBorderParam, 255);
    EXPECT_EQ(MemImgDrawStateData.BlendGraphBorderRange, 0);
}

TEST(DrawTables, DefaultsAfterInitialisation) {
    MemImgDrawStateData.BlendMode = 3;
    InitializeMemImgDrawState();
    EXPECT_EQ(MemImgDrawStateData.BlendMode, 0);
    EXPECT_EQ(MemImgDrawStateData.BlendParam, 255);
    EXPECT_TRUE(IsDrawBrightNone(MemImgDrawStateData.DrawBright));
    EXPECT_EQ(MemImgDrawStateData.MMXUseFlag, 0);
    EXPECT_EQ(MemImgDrawStateData.BlendGraphImage, nullptr);
}
