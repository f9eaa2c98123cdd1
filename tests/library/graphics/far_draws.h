// Draws at the int limits through every drawing front end, and a screen
// capture, for each road's suite to run: edges that pass INT_MAX or INT_MIN
// must neither wrap nor change what lands on the screen. Most lie wholly off
// it; those that cross it name a pixel they must colour.
#pragma once
#include <climits>
#include <functional>
#include <utility>
#include <vector>

#include "core/lock.h"
#include "graphics/draw_front.h"
#include "zovav.h"

namespace fardraws {

struct FarDraw {
    const char* name;
    std::function<int()> draw;
    int probeX = -1, probeY = -1;  // a pixel the draw colours; -1: the screen stays as it was
    int result = 0;                // what the call returns
};

// A call that refuses its arguments (-1) and leaves the screen as it was.
inline FarDraw Refused(const char* name, std::function<int()> call) { return {name, std::move(call), -1, -1, -1}; }

// graph: a small graph; font: a font handle; color: a screen colour value.
inline std::vector<FarDraw> Draws(int graph, int font, int color) {
    constexpr int kMax = INT_MAX, kMin = INT_MIN;
    // Inner front ends are called as the public ones are, under the lock.
    auto locked = [](std::function<int()> f) { return [f] { return WithLibraryLock(f); }; };
    const float far = 3e9f;
    return {
        {"DrawGraph at the far corner", [=] { return DrawGraph(kMax, kMax, graph, 1); }},
        {"DrawGraph right edge past INT_MAX", [=] { return DrawGraph(kMax - 4, 0, graph, 1); }},
        {"DrawGraph at the near corner", [=] { return DrawGraph(kMin, kMin, graph, 1); }},
        {"DrawTurnGraph past INT_MAX", locked([=] { return DrawTurnGraph(kMax - 4, kMax - 4, graph, 1); })},
        {"DrawTurnGraph at INT_MIN", locked([=] { return DrawTurnGraph(kMin, kMin, graph, 1); })},
        {"DrawExtendGraph up to INT_MAX", locked([=] { return DrawExtendGraph(kMax - 8, 0, kMax, 8, graph, 1); })},
        {"DrawExtendGraph from INT_MIN",
         locked([=] { return DrawExtendGraph(kMin, kMin, kMin + 8, kMin + 8, graph, 1); })},
        {"DrawRectGraph past INT_MAX", locked([=] { return DrawRectGraph(kMax - 4, 0, 2, 2, 8, 8, graph, 1, 0); })},
        {"DrawRectGraph turned at INT_MIN", locked([=] { return DrawRectGraph(kMin, 0, 2, 2, 8, 8, graph, 1, 1); })},
        {"DrawRotaGraph at the far corner", [=] { return DrawRotaGraph(kMax, kMax, 2.0, 0.5, graph, 1); }},
        {"DrawRotaGraph at the near corner", [=] { return DrawRotaGraph(kMin, kMin, 1.0, 0.0, graph, 1, 1); }},
        // A source rectangle stretched past the int range: the edges of the
        // whole graph lie far beyond the destination and are clamped.
        {"DrawRectExtendGraph far wider than its source",
         locked([=] { return DrawRectExtendGraph(0, 0, kMax, 8, 0, 0, 1, 1, graph, 1); }), 600, 4},
        {"DrawRectExtendGraph mirrored far wider than its source",
         locked([=] { return DrawRectExtendGraph(kMax, 8, 0, 0, 15, 15, 1, 1, graph, 1); }), 600, 4},
        {"DrawRectExtendGraph at the near corner",
         locked([=] { return DrawRectExtendGraph(kMin, kMin, kMin + 8, kMin + 8, 2, 2, 4, 4, graph, 1); })},
        {"DrawModiGraph beyond the int range",
         locked([=] { return DrawModiGraphF(far, far, far + 8, far, far + 8, far + 8, far, far + 8, graph, 1); })},
        {"DrawModiGraph below the int range", locked([=] {
             return DrawModiGraphF(-far, -far, -far + 8, -far, -far + 8, -far + 8, -far, -far + 8, graph, 1);
         })},
        {"DrawLine to INT_MAX", [=] { return DrawLine(0, 10, kMax, 10, color); }, 100, 10},
        {"DrawLine at the far corner", [=] { return DrawLine(kMax, kMax, kMax, kMax, color); }},
        {"DrawLine at the near corner", [=] { return DrawLine(kMin, kMin, kMin, kMin, color); }},
        {"thick DrawLine at the far corner", [=] { return DrawLine(kMax - 9, kMax - 9, kMax, kMax, color, 3); }},
        {"thick DrawLine at the near corner", [=] { return DrawLine(kMin, kMin, kMin + 9, kMin + 9, color, 3); }},
        {"filled DrawBox over the int range", [=] { return DrawBox(kMin, kMin, kMax, kMax, color, 1); }, 320, 240},
        {"DrawBox outline around the int range", [=] { return DrawBox(kMin, kMin, kMax, kMax, color, 0); }},
        // An outline's far edges lie one in from x2 and y2: at INT_MIN they
        // must not wrap round to lines across the screen.
        {"DrawBox outline with y2 at INT_MIN", [=] { return DrawBox(0, kMin, 8, kMin, color, 0); }},
        {"DrawBox outline with x2 at INT_MIN", [=] { return DrawBox(kMin, 0, kMin, 8, color, 0); }},
        {"DrawTriangle at the far corner",
         [=] { return DrawTriangle(kMax, kMax, kMax - 9, kMax, kMax, kMax - 9, color, 1); }},
        {"DrawTriangle at the near corner",
         [=] { return DrawTriangle(kMin, kMin, kMin + 9, kMin, kMin, kMin + 9, color, 0); }},
        {"DrawString below INT_MAX", [=] { return DrawString(0, kMax - 2, "AA", color); }},
        {"DrawString at the near corner", [=] { return DrawString(kMin, kMin, "AA", color); }},
        {"vertical DrawStringToHandle below INT_MAX",
         [=] { return DrawStringToHandle(0, kMax - 2, "AA", color, font, 0, 1); }},
        {"vertical DrawStringToHandle at INT_MIN",
         [=] { return DrawStringToHandle(kMin, kMin, "AA", color, font, 0, 1); }},
        Refused("GetDrawScreenGraph of a rectangle reversed across the int range",
                [=] { return GetDrawScreenGraph(kMax, kMax, -kMax, -kMax, graph); }),
    };
}

}  // namespace fardraws
