// Enemies, items and explosions: score items on death, kind scores, patterns with pinned counts, pick-up values.
#include <gtest/gtest.h>

#include <climits>

#include "actor_fixture.h"
#include "actors/bullet.h"
#include "actors/bullet_enemy.h"
#include "actors/crystal_enemies.h"
#include "actors/effect.h"
#include "actors/enemy_kinds.h"
#include "actors/item.h"
#include "actors/player.h"
#include "actors/shot.h"
#include "scenes/command_list.h"

using actorfix::ActorTest;

namespace {
CEnemy* Make(const char* kind, float x, float y, std::vector<int> params = {}) {
    for (int i = 0; i < kEnemyKindCount; ++i) {
        if (std::string(EnemyKindNames[i]) != kind) continue;
        CEnemy* e = EnemyCreators[i](x, y);
        if (e) e->AppendParams(params);
        return e;
    }
    return nullptr;
}
}  // namespace

TEST_F(ActorTest, ADeadEnemyPaysOutOnItsNextMoveWithTwoKPlusOneItems) {
    struct Case {
        int score, items;
    } cases[] = {{0, 1}, {150, 3}, {449, 3}, {450, 5}, {1190, 9}};
    for (const Case& c : cases) {
        game_->ResetScore();
        CSmallEnemy* e = new CSmallEnemy(0, 200, 200, 1, c.score);
        e->Kill();
        CRandom expect = game_->Random();
        EXPECT_FALSE(e->Move());
        delete e;
        EXPECT_EQ(game_->GetScore(), c.score);
        EXPECT_EQ(Count(POOL_ITEM), c.items) << c.score;
        EXPECT_EQ(Count(POOL_EFFECT), 1);
        for (int i = 0; i < 2 * c.items; ++i) expect.Next(15);
        EXPECT_EQ(game_->Random().A(), expect.A()) << "two draws per item";
        game_->Pool(POOL_ITEM)->Clear();
        game_->Pool(POOL_EFFECT)->Clear();
    }
}

TEST_F(ActorTest, ItemOffsetsAreDrawnEvenWhenTheItemPoolIsFull) {
    while (new CScoreItem(0, 0, 1)) {
    }
    CSmallEnemy* e = new CSmallEnemy(0, 200, 200, 1, 450);
    e->Kill();
    CRandom expect = game_->Random();
    EXPECT_FALSE(e->Move());
    delete e;
    for (int i = 0; i < 10; ++i) expect.Next(15);
    EXPECT_EQ(game_->Random().A(), expect.A());
}

TEST_F(ActorTest, TwoShotsInOneFrameTakeTwoPointsAndBothVanish) {
    CSmallEnemy* e = new CSmallEnemy(0, 200, 200, 5, 0);
    new CShot(200, 200);
    new CShot(205, 200);
    new CShot(300, 300);
    EXPECT_TRUE(e->Move());
    EXPECT_EQ(e->hp, 3.0f);
    EXPECT_EQ(e->hitFlash, 1);
    EXPECT_EQ(Count(POOL_SHOT), 1);
}

TEST_F(ActorTest, AnEnemyLivesToAge5000AndGoesAfter) {
    CSmallEnemy* e = new CSmallEnemy(0, 200, 200, 5, 0);
    e->age = 5000;
    EXPECT_TRUE(e->Move());
    e->age = 5001;
    EXPECT_FALSE(e->Move());
    delete e;
}

TEST_F(ActorTest, ParametersOutsideTheStoredOnesReadZero) {
    CEnemy e(0, 0, HitBox(), 1, 0);
    EXPECT_EQ(e.GetParam(0), 0) << "an enemy made without a script line";
    e.AppendParams({7, 8});
    EXPECT_EQ(e.GetParam(1), 8);
    EXPECT_EQ(e.GetParam(10), 0);
}

TEST_F(ActorTest, KindScoresFollowTheMode) {
    struct Case {
        const char* kind;
        int mode, score;
        float hp;
    } cases[] = {{"crystal1", 0, 290, 3}, {"crystal1", 3, 1190, 3}, {"bigrabbit2", 2, 2900, 30},
                 {"smallrabbit3", 1, 1440, 5}, {"crystal6", 3, 1480, 20}};
    for (const Case& c : cases) {
        game_->SetMode(c.mode);
        CEnemy* e = Make(c.kind, 100, 100);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->score, c.score) << c.kind << " mode " << c.mode;
        EXPECT_EQ(e->hp, c.hp) << c.kind;
        delete e;
    }
    EXPECT_EQ(Make("end", 1, 1), nullptr);
}

TEST_F(ActorTest, EveryCreatorReturnsNullWithTheEnemyPoolFull) {
    while (new CEnemy(0, 0, HitBox(), 1, 0)) {
    }
    for (int i = 0; i < kEnemyKindCount; ++i) EXPECT_EQ(EnemyCreators[i](10, 10), nullptr) << EnemyKindNames[i];
}

TEST_F(ActorTest, TheEnemyCrashGoesInItsSixtyFourthMove) {
    EXPECT_EQ(MovesUntilGone(new CEnemyCrash(100, 100, 0.2f), 200), 64);
    EXPECT_EQ(MovesUntilGone(new CNormalEffect(0, 100, 100, -0.5f, 0, 0), 200), 32);
}

TEST_F(ActorTest, Crystal7LeavesInTheFirstFrameOfItsTenthCycle) {
    CEnemy* e = Make("crystal7", 200, 100, {0});
    EXPECT_EQ(MovesUntilGone(e, 5000), 1981);
}

TEST_F(ActorTest, DelaysAtTheIntLimitsActLikeAnyFarDelay) {
    // A delay far beyond the play means "not yet", a far negative one "long past", right up to the int limits.
    auto track = [&](const char* kind, int delay) {
        game_->Random().SetSeed(52154, 537, 150);
        CEnemy* e = Make(kind, 100, 200, {delay, 30});
        std::vector<std::string> trail;
        for (int i = 0; i < 120; ++i) {
            if (!Step(e)) {
                trail.push_back("gone");
                break;
            }
            trail.push_back(std::to_string(e->x) + "," + std::to_string(e->y) + " " + std::to_string(Count(POOL_BULLET)));
        }
        game_->Pool(POOL_ENEMY)->Clear();
        game_->Pool(POOL_BULLET)->Clear();
        return trail;
    };
    struct Case {
        const char* kind;
        int delay, farDelay;
    } cases[] = {
        {"bigrabbit4", INT_MAX, 1000000},   {"smallrabbit3", INT_MAX, 1000000}, {"smallrabbit4", INT_MAX, 1000000},
        {"smallrabbit5", INT_MAX, 1000000}, {"crystal5", INT_MAX, 1000000},     {"crystal6", INT_MAX - 50, 1000000},
        {"crystal7", INT_MAX, 1000000},     {"crystal7", INT_MAX - 9, 1000000}, {"bigrabbit4", INT_MIN, -1000000},
        {"crystal5", INT_MIN, -1000000},    {"crystal7", INT_MIN, -1000000},
    };
    game_->SetMode(3);
    for (const Case& c : cases) EXPECT_EQ(track(c.kind, c.delay), track(c.kind, c.farDelay)) << c.kind << " " << c.delay;
}

TEST_F(ActorTest, BigRabbit3FiresWiderFansInHarderModes) {
    const int expected[] = {6, 10, 14, 18};
    for (int m = 0; m <= 3; ++m) {
        game_->SetMode(m);
        CEnemy* e = Make("bigrabbit3", 240, 60);
        e->age = 100;
        e->Move();
        int fan = 0;
        for (CTaskList::iterator it(game_->Pool(POOL_BULLET)); it.HasNext();)
            fan += dynamic_cast<CDirBullet*>(it.Next()) != nullptr;
        EXPECT_EQ(fan, expected[m]) << "mode " << m;
        game_->Pool(POOL_BULLET)->Clear();
        delete e;
    }
}

TEST_F(ActorTest, TheBulletEnemyHoldsTheScriptForTwelveHundredFrames) {
    CEnemy* e = Make("basic", 240, 100, {4});
    EXPECT_TRUE(game_->Script().IsStop());
    game_->SetPlayer(new CNormalPlayer(240, 400));
    EXPECT_EQ(MovesUntilGone(e, 2000), 1200);
    EXPECT_FALSE(game_->Script().IsStop());
    EXPECT_GT(Count(POOL_BULLET), 0);
}

TEST_F(ActorTest, PickUpsAddLivesAndModeBonuses) {
    game_->SetMode(2);
    game_->SetLives(3);
    CNormalPlayer* ship = new CNormalPlayer(240, 400);
    game_->SetPlayer(ship);
    CScoreItem* item = new CScoreItem(240, 400, 100);
    EXPECT_FALSE(item->Move());
    delete item;
    EXPECT_EQ(game_->GetScore(), 330);
    CApproachScoreItem* approach = new CApproachScoreItem(250, 400, 100);
    for (int i = 0; i < 30; ++i) EXPECT_TRUE(approach->Move()) << "it hangs for half a second";
    EXPECT_FALSE(approach->Move());
    delete approach;
    EXPECT_EQ(game_->GetScore(), 330 + 150);
}

TEST_F(ActorTest, AScoreItemIsPulledWithinThirtyPixels) {
    game_->SetPlayer(new CNormalPlayer(240, 400));
    CScoreItem* near = new CScoreItem(240, 370.1f, 100);
    near->Move();
    EXPECT_NEAR(near->y, 372.1f, 1e-3);
    CScoreItem* far = new CScoreItem(240, 370, 100);
    far->Move();
    EXPECT_FLOAT_EQ(far->y, 367.0f) << "a new item hops 3 pixels up";
}
