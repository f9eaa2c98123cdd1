// The presenter keeps what was uploaded, in either pixel layout, and shows it
// in a real window (headless here through SDL's dummy driver) or through the
// 3D device that owns the window.
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/presenter_sdl.h"
#include "platform/window_owner.h"
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

// Stands in for a 3D device that owns the window: keeps what it was shown.
struct RecordingOwner : WindowOwner {
    int PresentPixels(const uint32_t* pixels, int width, int height) override {
        shown.assign(pixels, pixels + size_t(width) * height);
        shownWidth = width;
        shownHeight = height;
        ++presents;
        return 0;
    }
    std::vector<uint32_t> shown;
    int shownWidth = 0, shownHeight = 0, presents = 0;
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

TEST_F(Presenter, FramesGoThroughTheWindowOwnerUntilItGivesTheWindowBack) {
    auto* sdl = static_cast<SDL_Window*>(PlatformNativeWindow(window_));
    ASSERT_NE(SDL_GetRenderer(sdl), nullptr);
    RecordingOwner owner;
    WindowOwnerTake();
    EXPECT_EQ(SDL_GetRenderer(sdl), nullptr);   // a window has one drawing owner
    WindowOwnerRegister(&owner);
    EXPECT_EQ(WindowOwnerCurrent(), &owner);

    std::vector<uint32_t> screen(8 * 4, 0xFF102030u);
    screen[2 * 8 + 5] = 0x00ABCDEFu;
    PresenterUpload(screen.data(), 8 * 4, PRESENTER_X8R8G8B8, nullptr);
    PresenterPresent(false);   // off the main thread: waits for the next pass
    EXPECT_EQ(owner.presents, 0);
    PresenterPresentPending();
    ASSERT_EQ(owner.presents, 1);
    EXPECT_EQ(owner.shownWidth, 8);
    EXPECT_EQ(owner.shownHeight, 4);
    ASSERT_EQ(owner.shown.size(), screen.size());
    EXPECT_EQ(owner.shown[0], 0x102030u);
    EXPECT_EQ(owner.shown[2 * 8 + 5], 0xABCDEFu);

    // Starting again while the device owns the window makes no renderer.
    ASSERT_TRUE(PresenterStart(window_, 8, 4));
    EXPECT_EQ(SDL_GetRenderer(sdl), nullptr);
    PresenterPresent(true);
    EXPECT_EQ(owner.presents, 2);

    WindowOwnerGiveBack();
    EXPECT_EQ(WindowOwnerCurrent(), nullptr);
    EXPECT_NE(SDL_GetRenderer(sdl), nullptr);
    PresenterPresent(true);
    EXPECT_EQ(owner.presents, 2);
}
