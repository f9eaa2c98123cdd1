// Hit boxes, the field edges, the straight glide and the pattern timing shared by every actor.
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
        CEnemy a(100, 100, HitBox::Centred(10, 10), 1, 0), b(100 + c.dx, 100, HitBox::Centred(10, 10), 1, 0);
        EXPECT_EQ(HitTest(a, b), c.hit) << c.dx;
        EXPECT_EQ(HitTest(b, a), c.hit) << c.dx;
    }
}

// A lopsided box (1 left, 30 right, 2 up, 5 down) against a one-pixel box: each edge is tested against its own
// offset, so a box that mixed up its four values would hit or miss at the wrong places.
TEST_F(ActorTest, EachEdgeOfALopsidedBoxIsWhereItsOffsetSays) {
    HitBox lopsided;
    lopsided.left = -1;
    lopsided.right = 30;
    lopsided.top = -2;
    lopsided.bottom = 5;
    struct Case {
        float dx, dy;
        bool hit;
    } cases[] = {{29.4f, 0, true}, {30.6f, 0, false}, {-1.4f, 0, true}, {-1.6f, 0, false},
                 {0, 4.4f, true},  {0, 5.6f, false}, {0, -2.4f, true}, {0, -2.6f, false}};
    for (const Case& c : cases) {
        CEnemy a(100, 100, lopsided, 1, 0), b(100 + c.dx, 100 + c.dy, HitBox::Centred(0.5f, 0.5f), 1, 0);
        EXPECT_EQ(HitTest(a, b), c.hit) << c.dx << "," << c.dy;
        EXPECT_EQ(HitTest(b, a), c.hit) << c.dx << "," << c.dy;
    }
    EXPECT_TRUE(HitBox().IsEmpty());
    EXPECT_FALSE(lopsided.IsEmpty());
}

TEST(PatternTiming, EveryNthUpdateAndWindowsThatIncludeTheirFirstUpdateOnly) {
    struct Case {
        int t, n;
        bool every;
    } everyCases[] = {{0, 5, true}, {5, 5, true}, {4, 5, false}, {6, 5, false}, {90, 90, true}, {7, 1, true}};
    for (const Case& c : everyCases) EXPECT_EQ(Every(c.t, c.n), c.every) << c.t << " every " << c.n;
    struct Window {
        int t, first, end;
        bool inside;
    } windows[] = {{80, 81, 160, false}, {81, 81, 160, true}, {159, 81, 160, true}, {160, 81, 160, false},
                   {299 % 300, 220, 300, true}, {300 % 300, 220, 300, false}, {0, 0, 30, true}};
    for (const Window& w : windows) EXPECT_EQ(Within(w.t, w.first, w.end), w.inside) << w.t;
}

TEST_F(ActorTest, TheFieldEdgesWidenByTheMarginAndTwentyMore) {
    struct Case {
        float x, y;
        bool out;
    } cases[] = {{520, 100, false}, {520.001f, 100, true}, {-25, 100, false}, {-25.001f, 100, true},
                 {100, -35, false}, {100, -35.001f, true}, {100, 515, false}, {100, 515.001f, true}};
    for (const Case& c : cases) {
        CEnemy e(c.x, c.y, HitBox(), 1, 0);
        EXPECT_EQ(IsOutOfField(e, 20.0f), c.out) << c.x << "," << c.y;
    }
}

TEST_F(ActorTest, AGlideLandsExactlyWhenOneFrameIsLeft) {
    CEnemy e(0, 0, HitBox(), 1, 0);
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
        EXPECT_FLOAT_EQ(e.hitBox.right, c.enemyX);
        EXPECT_FLOAT_EQ(e.hitBox.left, -c.enemyX);
        EXPECT_FLOAT_EQ(e.hitBox.bottom, c.enemyY);
        EXPECT_FLOAT_EQ(e.hitBox.top, -c.enemyY);
        CBullet b(100, 100, 0);
        EXPECT_FLOAT_EQ(b.hitBox.right, c.bullet);
        EXPECT_FLOAT_EQ(b.hitBox.top, -c.bullet);
    }
}
