// A game object driven update by update with a scripted pad, for the scenes around play.
#pragma once
#include <cxxabi.h>

#include <fstream>

#include <string>
#include <typeinfo>

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
    void Tick(int pad, int updates = 1) {
        for (int i = 0; i < updates; ++i) {
            sys_.pad = pad;
            game_->Update();
        }
    }
    // A press as a person makes it: down for one update, then released.
    void Press(int pad) {
        Tick(pad);
        Tick(0, 2);
    }
    std::string Scenes() {
        std::string names;
        for (CTaskList::iterator it(game_->Pool(POOL_SCENE)); it.HasNext();) {
            CTask* t = it.Next();
            int status = 0;
            char* name = abi::__cxa_demangle(typeid(*t).name(), nullptr, nullptr, &status);
            names += (names.empty() ? "" : "+") + std::string(status == 0 ? name : "?");
            free(name);
        }
        return names.empty() ? "-" : names;
    }
    template <class T>
    T* Scene() {
        for (CTaskList::iterator it(game_->Pool(POOL_SCENE)); it.HasNext();)
            if (T* t = dynamic_cast<T*>(static_cast<CMover*>(it.Next()))) return t;
        return nullptr;
    }
};

}  // namespace replayfix
