// The presenter keeps what was uploaded, in either pixel layout, and shows it
// in a real window (headless here through SDL's dummy driver).
#include <gtest/gtest.h>

#include <vector>

#include "platform/presenter_sdl.h"
#include "platform/window_sdl.h"

namespace {
class Presenter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PlatformVideoStart());
        window_ = PlatformCreateWindow("presenter", 0, 0, 8, 4, false);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(PresenterStart(window_, 8, 4));
    }
    void TearDown() override {
        PresenterStop();
        PlatformDestroyWindow(window_);
        PlatformVideoStop();
    }
    PlatformWindow* window_ = nullptr;
};
}  // namespace

TEST_F(Presenter, UploadsBothLayoutsAndReadsThemBack) {
    std::vector<uint32_t> screen32(8 * 4, 0xFF123456u);   // the top byte is not part of the colour
    PresenterUpload(screen32.data(), 8 * 4, PRESENTER_X8R8G8B8, nullptr);
    std::vector<uint16_t> screen16(8 * 4, 0);
    screen16[1 * 8 + 2] = 0xF800;   // pure red
    screen16[1 * 8 + 3] = 0x07E0;   // pure green
    screen16[1 * 8 + 4] = 0xFFFF;   // white
    PlatformRect area{2, 1, 5, 2};
    PresenterUpload(screen16.data(), 8 * 2, PRESENTER_R5G6B5, &area);
    PresenterPresent(true);

    std::vector<uint32_t> back(8 * 4, 0);
    ASSERT_TRUE(PresenterReadBack(back.data(), 8 * 4, nullptr));
    EXPECT_EQ(back[0], 0x123456u);
    EXPECT_EQ(back[1 * 8 + 1], 0x123456u);   // outside the area: unchanged
    EXPECT_EQ(back[1 * 8 + 2], 0xFF0000u);
    EXPECT_EQ(back[1 * 8 + 3], 0x00FF00u);
    EXPECT_EQ(back[1 * 8 + 4], 0xFFFFFFu);
    EXPECT_EQ(back[1 * 8 + 5], 0x123456u);
}

TEST_F(Presenter, AreasOutsideTheScreenAreClipped) {
    std::vector<uint32_t> screen(8 * 4, 0x00ABCDEFu);
    PlatformRect area{-5, -5, 100, 2};
    PresenterUpload(screen.data(), 8 * 4, PRESENTER_X8R8G8B8, &area);
    PlatformRect part{6, 0, 20, 3};
    std::vector<uint32_t> back(2 * 3, 0);
    ASSERT_TRUE(PresenterReadBack(back.data(), 2 * 4, &part));
    EXPECT_EQ(back[0], 0xABCDEFu);
    EXPECT_EQ(back[2 * 2], 0u);   // row 2 was outside the uploaded area
    PlatformRect empty{3, 3, 3, 4};
    EXPECT_FALSE(PresenterReadBack(back.data(), 8, &empty));
}
