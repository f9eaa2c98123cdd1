// A game object with sprite sizes set as the game's art has them, and helpers that count and find actors.
#pragma once
#include "game/frame/game_fixture.h"

namespace actorfix {

class ActorTest : public gamefix::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        MakeGame();
        for (auto& s : game_->bulletSizes) s = {16, 16};
        for (auto& s : game_->enemySizes) s = {32, 32};
    }
    int Count(PoolId pool) const { return (int)game_->Pool(pool)->GetCount(); }
    // The n-th task of a pool in list order.
    template <class T = CMover>
    T* At(PoolId pool, int n = 0) const {
        CTaskList::iterator it(game_->Pool(pool));
        CTask* t = nullptr;
        for (int i = 0; i <= n && it.HasNext(); ++i) t = it.Next();
        return static_cast<T*>(t);
    }
    // Moves one task as the frame loop does; false once it asked to go (and was deleted).
    bool Step(CMover* m) {
        if (m->Move()) return true;
        delete m;
        return false;
    }
    // How many moves until the task asks to go (limit if it never does).
    int MovesUntilGone(CMover* m, int limit) {
        for (int i = 1; i <= limit; ++i)
            if (!Step(m)) return i;
        return limit;
    }
};

}  // namespace actorfix
