// Bullet motions: field removal, the one-time slow-down, the rain drop, parameter limits, the formula ring, lasers.
#include <gtest/gtest.h>

#include <cmath>

#include "actor_fixture.h"
#include "actors/basic_bullet.h"
#include "actors/player.h"

using actorfix::ActorTest;

TEST_F(ActorTest, ABulletLeavesThirtyPixelsAndTwentyMoreBeyondTheField) {
    CDirBullet* inside = new CDirBullet(530.0f, 100, 0, 0, 0, 0);
    EXPECT_TRUE(inside->Move());
    CDirBullet* outside = new CDirBullet(530.01f, 100, 0, 0, 0, 0);
    EXPECT_FALSE(outside->Move());
}

TEST_F(ActorTest, TheSlowBulletChangesItsVelocityOnceInItsThirtyFirstMove) {
    // Straight right at 2 pixels a frame, slowing by 1.5 once.
    CSlowDirBullet* b = new CSlowDirBullet(100, 100, 0.0f, 2.0f, 1.5f, 0);
    std::vector<float> steps;
    for (int i = 0; i < 40; ++i) {
        float x0 = b->x;
        b->Move();
        steps.push_back(b->x - x0);
    }
    for (int i = 0; i < 30; ++i) EXPECT_FLOAT_EQ(steps[i], 2.0f) << "move " << i + 1;
    for (int i = 30; i < 40; ++i) EXPECT_NEAR(steps[i], 0.5f, 1e-4) << "move " << i + 1;
}

TEST_F(ActorTest, TheRainBulletFliesToItsStopFrameHangsAndThenFalls) {
    CRainBullet* b = new CRainBullet(200, 200, 0.0f, 1.0f, 10, 0);
    for (int move = 1; move <= 70; ++move) {
        float x0 = b->x, y0 = b->y;
        ASSERT_TRUE(b->Move());
        int frame = move - 1;
        if (frame < 10) {
            EXPECT_NEAR(b->x - x0, 1.0f, 1e-4) << "frame " << frame;
        } else if (frame <= 60) {
            EXPECT_EQ(b->x, x0) << "frame " << frame;
            EXPECT_EQ(b->y, y0) << "frame " << frame;
        } else {
            EXPECT_FLOAT_EQ(b->y - y0, 8.0f) << "frame " << frame;
        }
    }
}

TEST_F(ActorTest, CartesianLimitsCapFromAboveOrRaiseFromBelow) {
    struct Case {
        int mode;
        float vx0;
        float expectVy[5];
        float expectVx;
    } cases[] = {
        {1, 0.0f, {2.5f, 3.0f, 3.5f, 4.0f, 4.0f}, 0.0f},
        {2, 0.0f, {4.0f, 4.5f, 5.0f, 5.5f, 6.0f}, 4.0f},
        {1, -3.0f, {2.5f, 3.0f, 3.5f, 4.0f, 4.0f}, -3.0f},
    };
    for (const Case& c : cases) {
        BulletParam p;
        p.vx = c.vx0;
        p.vy = 2;
        p.ay = 0.5f;
        p.limit = 4;
        p.limitMode = c.mode;
        CBasicBullet* b = new CBasicBullet(240, 400, p, 0);
        for (float vy : c.expectVy) {
            float y0 = b->y, x0 = b->x;
            b->Move();
            EXPECT_FLOAT_EQ(y0 - b->y, vy) << "mode " << c.mode;
            EXPECT_FLOAT_EQ(b->x - x0, c.expectVx) << "mode " << c.mode;
        }
        delete b;
    }
}

TEST_F(ActorTest, APolarSpeedHeldFromBelowStaysAtTheLimit) {
    BulletParam p;
    p.polar = 1;
    p.angle = 0.0f;
    p.speed = 2;
    p.accel = -0.1f;
    p.limit = 1;
    p.limitMode = 2;
    CBasicBullet* b = new CBasicBullet(100, 240, p, 0);
    for (int i = 0; i < 30; ++i) b->Move();
    EXPECT_FLOAT_EQ(b->Param().speed, 1.0f);
}

TEST_F(ActorTest, LifetimeCountsMovesAndZeroMeansAMinute) {
    BulletParam p;
    p.polar = 1;
    p.lifetime = 10;
    EXPECT_EQ(MovesUntilGone(new CBasicBullet(240, 240, p, 0), 100), 10);
    p.lifetime = 0;
    EXPECT_EQ(MovesUntilGone(new CBasicBullet(240, 240, p, 0), 5000), 3600);
}

TEST_F(ActorTest, AnAimedBulletMadeWithoutAShipVanishesUnmoved) {
    BulletParam p;
    p.polar = 1;
    p.speed = 3;
    CAim2Bullet* b = new CAim2Bullet(240, 100, p, 0, 0.0f);
    EXPECT_FALSE(b->Move());
    EXPECT_EQ(b->x, 240.0f);
    delete b;
}

TEST_F(ActorTest, AnAimedBulletFliesAtTheShip) {
    CNormalPlayer* ship = new CNormalPlayer(240, 400);
    game_->SetPlayer(ship);
    BulletParam p;
    p.polar = 1;
    p.speed = 3;
    CAim2Bullet* b = new CAim2Bullet(240, 100, p, 0, 0.0f);
    b->Move();
    EXPECT_NEAR(b->x, 240.0f, 1e-3);
    EXPECT_NEAR(b->y, 103.0f, 1e-3);
}

TEST_F(ActorTest, AFormulaBulletWithNoSymmetryIsAPlainRing) {
    for (float direction : {0.0f, 0.3f, 0.77f, 1.5f}) {
        CFormulaBullet* b = new CFormulaBullet(240, 240, 0.0f, 2.0f, 1.0f, 3.0f, 2.5f, direction, 0);
        EXPECT_FLOAT_EQ(b->Param().speed, 2.5f) << direction;
        b->Move();
        EXPECT_NEAR(std::hypot(b->x - 240, b->y - 240), 2.5, 1e-4) << direction;
        delete b;
    }
}

TEST_F(ActorTest, ALaserWithALimitGrowsWhileThereIsAShipAndEndsPastIt) {
    CLaserBullet* laser = new CLaserBullet(240, 50, -0.5f, 0.0f, 10.0f, 0, 20, 0);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(laser->Move());
    EXPECT_EQ(laser->GetCount(), 0) << "no ship, no growth";
    game_->SetPlayer(new CNormalPlayer(400, 400));
    EXPECT_EQ(MovesUntilGone(laser, 100), 21);
}

TEST_F(ActorTest, ALaserPointOnTheShipCrashesIt) {
    CNormalPlayer* ship = new CNormalPlayer(240, 150);
    game_->SetPlayer(ship);
    CLaserBullet* laser = new CLaserBullet(240, 50, -0.5f, 0.0f, 10.0f, 0, 0, 0);
    for (int i = 0; i < 12; ++i) laser->Move();
    EXPECT_EQ(ship->life, 0.0f);
    EXPECT_EQ(laser->y, 50.0f) << "the walk puts the bullet back at its base";
}
