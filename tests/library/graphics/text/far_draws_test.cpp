// Draws at the int limits on the 2D roads: on either screen kind on the back
// screen (shown by a flip), and on the software front screen, which copies
// what each draw touched to the window at once.
#include <algorithm>
#include <string>

#include "library/graphics/far_draws.h"
#include "text_fixture.h"

namespace {
using namespace texttest;

class FarDraws : public TextTest, public ::testing::WithParamInterface<ScreenKind> {};

TEST_P(FarDraws, DrawAtTheIntLimitsChangeOnlyThePixelsTheyCover) {
    Start(GetParam());
    const int white = GetColor(255, 255, 255);
    const int graph = MakeGraph(16, 16);
    ASSERT_GE(graph, 0);
    SetDrawScreen(graph);
    ASSERT_EQ(DrawBox(0, 0, 16, 16, white, 1), 0);
    const int font = CreateFontToHandle(nullptr, 16, -1, 0);
    ASSERT_GE(font, 0);
    for (const int screen : {SCREEN_BACK, SCREEN_FRONT}) {
        if (screen == SCREEN_FRONT && GetParam() != SOFTWARE_SCREENS) continue;
        SCOPED_TRACE(screen == SCREEN_BACK ? "back screen" : "front screen");
        ASSERT_EQ(SetDrawScreen(screen), 0);
        for (const fardraws::FarDraw& c : fardraws::Draws(graph, font, white)) {
            SCOPED_TRACE(c.name);
            ClearDrawScreen();
            EXPECT_EQ(c.draw(), c.result);
            if (screen == SCREEN_BACK) {
                ASSERT_EQ(ScreenFlip(), 0);
            }
            const Frame f = WindowFrame();
            if (c.probeX >= 0) {
                EXPECT_EQ(At(f, c.probeX, c.probeY), 0xFFFFFFu);
            } else {
                EXPECT_EQ(std::count(f.begin(), f.end(), 0u), long(f.size())) << "nothing lands on the screen";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothKinds, FarDraws, ::testing::Values(SURFACE_SCREENS, SOFTWARE_SCREENS),
                         [](const auto& info) { return std::string(KindName(info.param)); });

}  // namespace
