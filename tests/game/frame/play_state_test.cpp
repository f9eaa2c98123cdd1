// The play-state hash: what changes it and what must not.
#include "game_fixture.h"

#include "frame/play_state.h"
#include "scenes/command_list.h"

namespace {
class Bullet : public CPoolTask<POOL_BULLET> {
public:
    using CPoolTask::CPoolTask;
};
class Spark : public CPoolTask<POOL_EFFECT> {
public:
    using CPoolTask::CPoolTask;
};
class Menu : public CPoolTask<POOL_SCENE> {
public:
    Menu() : CPoolTask(0, 0) {}
};
class Backdrop : public CPoolTask<POOL_BACKGROUND> {
public:
    Backdrop() : CPoolTask(0, 0) {}
};
static_assert(FitsPool<Bullet>() && FitsPool<Spark>() && FitsPool<Menu>() && FitsPool<Backdrop>(), "");

class PlayStateTest : public gamefix::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        MakeGame();
    }
};
}  // namespace

TEST_F(PlayStateTest, ActorsAndPlayFieldsChangeTheHash) {
    const uint64_t start = PlayStateHash(*game_);
    EXPECT_EQ(PlayStateHash(*game_), start);
    const std::function<void(CGame&)> changes[] = {
        [](CGame& g) { g.AddScore(10); },
        [](CGame& g) { g.SetLives(2); },
        [](CGame& g) { g.SetStage(2); },
        [](CGame& g) { g.SetMode(2); },
        [](CGame& g) { g.Random().Next(5); },
        [](CGame& g) { g.SetPaused(true); },
        [](CGame& g) { g.SetPlayEnded(true); },
        [](CGame& g) { g.Script().SetStop(true); },
    };
    for (size_t i = 0; i < std::size(changes); ++i) {
        CGame copyFrom;   // a fresh object per change
        g_game = &copyFrom;
        uint64_t before = PlayStateHash(copyFrom);
        changes[i](copyFrom);
        EXPECT_NE(PlayStateHash(copyFrom), before) << "change " << i;
        g_game = game_.get();
    }

    Bullet* b = new Bullet(10.0f, 20.0f);
    uint64_t withBullet = PlayStateHash(*game_);
    EXPECT_NE(withBullet, start);
    b->y = 20.5f;
    EXPECT_NE(PlayStateHash(*game_), withBullet) << "positions count to the bit";
    b->y = 20.0f;
    EXPECT_EQ(PlayStateHash(*game_), withBullet);
    delete b;
    new Spark(10.0f, 20.0f);
    EXPECT_NE(PlayStateHash(*game_), withBullet) << "the class is part of it";
}

TEST_F(PlayStateTest, ScenesMenusAndDrawingLeaveTheHash) {
    const uint64_t start = PlayStateHash(*game_);
    EXPECT_EQ(SceneNames(*game_), "-");
    new Menu;
    new Menu;
    new Backdrop;
    game_->SetContinues(3);
    game_->DrawRandom().Next(100);
    EXPECT_EQ(PlayStateHash(*game_), start);
    EXPECT_EQ(SceneNames(*game_), "(anonymous namespace)::Menu+(anonymous namespace)::Menu");
}
