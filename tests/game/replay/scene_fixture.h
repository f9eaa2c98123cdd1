// A game object on the play's setup.ini and the pad bits, for the scenes around play.
#pragma once
#include <fstream>

#include "game/frame/game_fixture.h"

namespace replayfix {

constexpr int kDown = 1, kLeft = 2, kRight = 4, kUp = 8, kDecide = 16, kCancel = 32, kPause = 0x2000;

class SceneTest : public gamefix::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        std::ofstream("setup.ini") << "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=KAZA\n";
        MakeGame();
    }
};

}  // namespace replayfix
