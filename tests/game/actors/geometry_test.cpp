// Hit boxes, the field edges and the straight glide shared by every actor.
#include <gtest/gtest.h>

#include "actor_fixture.h"
#include "actors/bullet.h"
#include "actors/enemy.h"
#include "actors/geometry.h"

using actorfix::ActorTest;

TEST_F(ActorTest, BoxesHitOnlyWhenTheyOverlap) {
    struct Case {
        float dx;
        bool hit;
    } cases[] = {{20.0f, false}, {19.9f, true}, {-20.0f, false}, {0.0f, true}};
    for (const Case& c : cases) {
        CEnemy a(100, 100, -10, -10, 10, 10, 1, 0), b(100 + c.dx, 100, -10, -10, 10, 10, 1, 0);
        EXPECT_EQ(HitTest(a, b), c.hit) << c.dx;
        EXPECT_EQ(HitTest(b, a), c.hit) << c.dx;
    }
}

TEST_F(ActorTest, TheFieldEdgesWidenByTheMarginAndTwentyMore) {
    struct Case {
        float x, y;
        bool out;
    } cases[] = {{520, 100, false}, {520.001f, 100, true}, {-25, 100, false}, {-25.001f, 100, true},
                 {100, -35, false}, {100, -35.001f, true}, {100, 515, false}, {100, 515.001f, true}};
    for (const Case& c : cases) {
        CEnemy e(c.x, c.y, 0, 0, 0, 0, 1, 0);
        EXPECT_EQ(IsOutOfField(e, 20.0f), c.out) << c.x << "," << c.y;
    }
}

TEST_F(ActorTest, AGlideLandsExactlyWhenOneFrameIsLeft) {
    CEnemy e(0, 0, 0, 0, 0, 0, 1, 0);
    EXPECT_FALSE(MoveToPoint(e, 0, 100, 0));
    EXPECT_EQ(e.x, 0.0f);
    EXPECT_FALSE(MoveToPoint(e, 2, 100, 0));
    EXPECT_NEAR(e.x, 50.0f, 1e-3);
    EXPECT_NEAR(e.y, 0.0f, 0.01) << "the game's pi of 3.1415 tilts the step a little";
    EXPECT_TRUE(MoveToPoint(e, 1, 100, 0));
    EXPECT_EQ(e.x, 100.0f);
    EXPECT_EQ(e.y, 0.0f);
    EXPECT_TRUE(MoveToPoint(e, 5, 100, 0)) << "a mover on its point has arrived";
}

TEST_F(ActorTest, HitBoxesComeFromTheSpriteSizes) {
    struct Case {
        int w, h;
        float enemyX, enemyY, bullet;
    } cases[] = {
        {16, 16, 8 * 0.45f, 8 * 0.45f, 2.4f},
        {10, 30, 5 * 0.45f, 15 * 0.45f, 1.5f},
        {33, 21, 16 * 0.45f, 10 * 0.45f, 10.5f * 0.3f},   // enemies halve in whole pixels, bullets do not
    };
    for (const Case& c : cases) {
        game_->enemySizes[0] = {c.w, c.h};
        game_->bulletSizes[0] = {c.w, c.h};
        CSmallEnemy e(0, 100, 100, 1, 0);
        EXPECT_FLOAT_EQ(e.right, c.enemyX);
        EXPECT_FLOAT_EQ(e.left, -c.enemyX);
        EXPECT_FLOAT_EQ(e.bottom, c.enemyY);
        EXPECT_FLOAT_EQ(e.top, -c.enemyY);
        CBullet b(100, 100, 0);
        EXPECT_FLOAT_EQ(b.right, c.bullet);
        EXPECT_FLOAT_EQ(b.top, -c.bullet);
    }
}
