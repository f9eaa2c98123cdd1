// The screen helper's drawing, read back from the screen of the library
// started headless: numbers of digit images, window frames, the boss gauge,
// the status display's panels, and the portrait lists.
#include "game_fixture.h"

#include "core/startup.h"
#include "frame/asset_lists.h"
#include "frame/screen_helper.h"
#include "library/graphics/image_fixtures.h"
#include "platform/vblank_clock.h"

namespace {
// Five colours that survive any screen format; digit d (and window piece d)
// is drawn in colour d % 5.
const uint32_t kColours[5] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF};

// Cells of `across` x `down` pieces, each w x h, piece i in colour i % 5.
void WritePieces(const std::string& path, int across, int down, int w, int h) {
    std::vector<uint32_t> px(size_t(across * w * down * h));
    for (int y = 0; y < down * h; ++y)
        for (int x = 0; x < across * w; ++x)
            px[size_t(y * across * w + x)] = kColours[((y / h) * across + x / w) % 5];
    imgfix::WriteFile(path, imgfix::MakeRgbPng(across * w, down * h, px, false));
}

class ScreenHelperTest : public gamefix::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        std::filesystem::create_directories("data/material");
        WritePieces("data/material/number.png", 10, 1, 15, 25);
        WritePieces("data/material/window.png", 3, 3, 16, 16);
        SetSkipStartupWaits(1);
        VBlankSetImmediate(true);
        ChangeWindowMode(1);
        ASSERT_EQ(ZoVav_Init(), 0);
        SetDrawScreen(SCREEN_BACK);
        helper_ = std::make_unique<CScreenHelper>();
        ClearDrawScreen();
    }
    void TearDown() override {
        helper_.reset();
        GameTest::TearDown();
        ZoVav_End();
    }
    // The draw screen as 0xRRGGBB pixels.
    void Grab() {
        ASSERT_EQ(SaveDrawScreenToBMP(0, 0, 640, 480, "grab.bmp"), 0);
        std::string bmp = zvtest::ReadWholeFile("grab.bmp");
        ASSERT_EQ(bmp.size(), 54u + 640u * 480u * 3u);
        screen_.assign(640 * 480, 0);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                const unsigned char* p = reinterpret_cast<const unsigned char*>(bmp.data()) + 54 + ((479 - y) * 640 + x) * 3;
                screen_[size_t(y * 640 + x)] = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            }
    }
    uint32_t At(int x, int y) const { return screen_[size_t(y * 640 + x)]; }

    std::unique_ptr<CScreenHelper> helper_;
    std::vector<uint32_t> screen_;
};
}  // namespace

TEST(CountDigitsTest, CountsDecimalDigits) {
    const int cases[][2] = {{0, 1}, {9, 1}, {10, 2}, {1234, 4}, {-5, 1}, {2147483647, 10}};
    for (const auto& c : cases) EXPECT_EQ(CScreenHelper::CountDigits(c[0]), c[1]) << c[0];
}

TEST_F(ScreenHelperTest, NumbersAreDrawnDigitByDigit) {
    const struct {
        int value, pad;
        std::vector<int> digits;
    } cases[] = {{0, 0, {0}}, {1234, 6, {0, 0, 1, 2, 3, 4}}, {1234, 2, {3, 4}}, {-7, 0, {0}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        ClearDrawScreen();
        helper_->DrawNumber(c.value, 100, 100, c.pad, 1.0);
        Grab();
        for (size_t k = 0; k < c.digits.size(); ++k)
            EXPECT_EQ(At(100 + 15 * int(k), 100), kColours[c.digits[k] % 5]) << "digit " << k;
        EXPECT_EQ(At(100 + 15 * int(c.digits.size()), 100), 0u) << "nothing after the last digit";
    }
}

TEST_F(ScreenHelperTest, WindowFramesRoundUpToWholePieces) {
    helper_->DrawWindowFrame(20, 300, 432, 150, 255);
    Grab();
    EXPECT_EQ(At(20, 300), kColours[0]);              // top-left corner
    EXPECT_EQ(At(21 + 16, 301), kColours[1]);         // top edge
    EXPECT_EQ(At(451, 300), kColours[2]);             // top-right corner ends at 20 + 432
    EXPECT_EQ(At(100, 350), kColours[4]);             // inside
    EXPECT_EQ(At(20, 459), kColours[6 % 5]);          // bottom-left: the height is 160
    EXPECT_EQ(At(451, 459), kColours[8 % 5]);
    EXPECT_EQ(At(452, 300), 0u);
    EXPECT_EQ(At(20, 460), 0u);

    ClearDrawScreen();
    helper_->DrawWindowFrame(200, 100, 10, 10, 255);
    Grab();
    EXPECT_EQ(At(200, 100), kColours[8 % 5]) << "all four corners on one spot: the last drawn shows";
    EXPECT_EQ(At(216, 100), 0u);
}

TEST_F(ScreenHelperTest, TheGaugeBarFollowsTheRatio) {
    for (float ratio : {1.0f, 0.5f}) {
        ClearDrawScreen();
        helper_->DrawGauge(ratio);
        Grab();
        int right = ratio == 1.0f ? 429 : 240;
        EXPECT_EQ(At(right - 1, 10), 0x0000FFu) << ratio;
        EXPECT_NE(At(right, 10), 0x0000FFu) << ratio;
        EXPECT_EQ(At(50, 5), 0xFFFFFFu) << "the outline";
    }
}

TEST_F(ScreenHelperTest, TheStatusDisplayCoversAllButThePlayField) {
    MakeGame();
    ClearDrawScreen();
    helper_->DrawHud();
    Grab();
    const uint32_t dark = At(0, 0);
    EXPECT_NE(dark, 0u);
    for (auto xy : {std::make_pair(14, 240), std::make_pair(240, 4), std::make_pair(240, 475),
                    std::make_pair(639, 479), std::make_pair(485, 300)})
        EXPECT_EQ(At(xy.first, xy.second), dark) << xy.first << "," << xy.second;
    EXPECT_EQ(At(15, 5), 0u);
    EXPECT_EQ(At(479, 474), 0u);
    EXPECT_EQ(At(240, 10), 0u) << "no boss gauge while its value is 0";
}

// A portrait that fails to load keeps its place: with the second picture
// missing, the third entry is still the third picture, and the second draws
// nothing.
TEST_F(ScreenHelperTest, AMissingPortraitKeepsTheLaterPortraitsInPlace) {
    auto solid = [](const std::string& path, uint32_t colour) {
        imgfix::WriteFile(path, imgfix::MakeRgbPng(20, 20, std::vector<uint32_t>(400, colour), false));
    };
    solid("data/material/face1.png", kColours[0]);
    solid("data/material/face3.png", kColours[2]);
    CGraphList faces;
    const bool loaded[3] = {faces.Load("data/material/face1.png"), faces.Load("data/material/face2.png"),
                            faces.Load("data/material/face3.png")};
    EXPECT_TRUE(loaded[0]);
    EXPECT_FALSE(loaded[1]);
    EXPECT_TRUE(loaded[2]);
    ASSERT_EQ(faces.Count(), 3);

    const struct {
        int index;
        uint32_t colour;   // at the picture's centre
    } cases[] = {{0, kColours[0]}, {1, 0u}, {2, kColours[2]}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        ClearDrawScreen();
        faces.Draw(c.index, 100, 100);
        Grab();
        EXPECT_EQ(At(100, 100), c.colour);
    }
}
