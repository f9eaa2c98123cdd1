// On a real X display (a private virtual one): a picture drawn through
// the public functions and flipped is what a screenshot of the display shows
// in the window. Skipped where no X server can start.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/startup.h"
#include "platform/vblank_clock.h"
#include "zovav.h"
#include "zv_test_support.h"
#include "zv_xserver.h"

namespace {

// Counts of the picture's colours found on the display.
struct Counts {
    long red = 0, blue = 0, green = 0;
};

// Reads a binary PPM (P6, maxval 255) and counts exact picture colours.
bool CountColours(const std::string& path, Counts* c) {
    int w = 0, h = 0;
    std::vector<unsigned char> px;
    if (!zvtest::ReadPpm(path, &w, &h, &px)) return false;
    for (size_t i = 0; i < px.size(); i += 3) {
        const int r = px[i], g = px[i + 1], b = px[i + 2];
        if (r == 255 && g == 0 && b == 0) ++c->red;
        if (r == 0 && g == 0 && b == 255) ++c->blue;
        if (r == 0 && g == 255 && b == 0) ++c->green;
    }
    return true;
}

// The part run inside the virtual display: draw, flip, photograph.
int RunOnDisplay() {
    SetSkipStartupWaits(1);
    ChangeWindowMode(1);
    if (ZoVav_Init() != 0) return 3;
    std::ofstream("x-started") << "1";
    SetDrawScreen(SCREEN_BACK);
    DrawBox(0, 0, 320, 480, GetColor(255, 0, 0), 1);
    DrawBox(320, 0, 640, 480, GetColor(0, 0, 255), 1);
    DrawBox(270, 190, 370, 290, GetColor(0, 255, 0), 1);
    return zvtest::FlipAndPhotograph();
}

TEST(XDisplay, AScreenshotOfTheDisplayShowsTheFlippedPicture) {
    if (zvtest::InDisplayRerun()) {
        EXPECT_EQ(RunOnDisplay(), 0);
        return;
    }
    zvtest::PhotographedRerun run;
    const std::string why = run.Run("XDisplay.AScreenshotOfTheDisplayShowsTheFlippedPicture");
    if (!why.empty()) GTEST_SKIP() << why;
    ASSERT_EQ(run.status(), 0) << run.log();
    Counts c;
    ASSERT_TRUE(CountColours("shot.ppm", &c));
    // Red and blue halves less the green square, all inside the window.
    EXPECT_EQ(c.green, 100L * 100L);
    EXPECT_EQ(c.red, 320L * 480L - 50L * 100L);
    EXPECT_EQ(c.blue, 320L * 480L - 50L * 100L);
}

}  // namespace
