// The player ships and their weapons: speed and clamps, the entry, hits and crashes, volleys, homing and the sword.
#include <gtest/gtest.h>

#include "actor_fixture.h"
#include "actors/bullet.h"
#include "actors/effect.h"
#include "actors/player.h"
#include "actors/shot.h"

using actorfix::ActorTest;

TEST_F(ActorTest, TheShipMovesAt395AndStopsAtTheFieldClamps) {
    struct Case {
        int pad;
        float dx, dy;
    } cases[] = {
        {2, -3.95f, 0},  {4, 3.95f, 0},   {8, 0, -3.95f}, {1, 0, 3.95f},
        {2 | 4, -3.95f, 0},                                  // left wins
        {8 | 1, 0, -3.95f},                                  // up wins
        {2 | 8, -3.95f * 0.70710677f, -3.95f * 0.70710677f}, // diagonal
    };
    for (const Case& c : cases) {
        CNormalPlayer* ship = new CNormalPlayer(240, 240);
        game_->SetInput(c.pad);
        ship->Move();
        EXPECT_EQ(ship->x, 240.0f + c.dx) << c.pad;
        EXPECT_EQ(ship->y, 240.0f + c.dy) << c.pad;
        delete ship;
    }
    CNormalPlayer* ship = new CNormalPlayer(240, 240);
    for (int pad : {2 | 8, 4 | 1}) {
        game_->SetInput(pad);
        for (int i = 0; i < 200; ++i) ship->Move();
        EXPECT_EQ(ship->x, pad == (2 | 8) ? 33.0f : 462.0f);
        EXPECT_EQ(ship->y, pad == (2 | 8) ? 26.0f : 454.0f);
    }
}

TEST_F(ActorTest, TheEnteringShipHandsOverOnItsThirteenthFrameAt425) {
    game_->SetMode(2);
    CAppearingPlayer* ship = new CAppearingPlayer();
    EXPECT_EQ(ship->x, 240.0f);
    EXPECT_EQ(ship->y, 490.0f);
    EXPECT_EQ(MovesUntilGone(ship, 100), 13);
    CPlayer* revival = At<CPlayer>(POOL_PLAYER);
    ASSERT_NE(revival, nullptr);
    EXPECT_EQ(revival->y, 425.0f);
    EXPECT_EQ(game_->GetPlayer(), nullptr) << "neither the entry nor the revival is the current ship";
    EXPECT_EQ(MovesUntilGone(revival, 100), 51);
    ASSERT_NE(game_->GetPlayer(), nullptr);
    EXPECT_EQ(game_->GetPlayer()->life, 1.0f);
}

TEST_F(ActorTest, TwoBulletsInOneFrameCrashTheShipAndAddOnePoint) {
    game_->SetMode(2);
    CNormalPlayer* ship = new CNormalPlayer(240, 240);
    game_->SetPlayer(ship);
    new CBullet(240, 240, 0);
    new CBullet(241, 240, 0);
    new CNormalShot(100, 100, 0.5f, 0);
    EXPECT_FALSE(ship->Move());
    EXPECT_EQ(ship->life, -1.0f);
    EXPECT_EQ(Count(POOL_SHOT), 0) << "a hit clears the shots";
    EXPECT_EQ(Count(POOL_BULLET), 2) << "bullets stay";
    EXPECT_EQ(game_->GetScore(), 1);
    EXPECT_EQ(game_->GetPlayer(), nullptr);
    delete ship;
    EXPECT_EQ(Count(POOL_EFFECT), 1);
}

TEST_F(ActorTest, InThePracticeRoomAHitOnlyShowsASmallExplosion) {
    game_->SetMode(0);
    CNormalPlayer* ship = new CNormalPlayer(240, 240);
    new CBullet(240, 240, 0);
    EXPECT_TRUE(ship->Move());
    EXPECT_EQ(ship->life, 1.0f);
    ASSERT_EQ(Count(POOL_EFFECT), 1);
    EXPECT_NE(dynamic_cast<CEnemyCrash*>(At(POOL_EFFECT)), nullptr);
}

TEST_F(ActorTest, ThePlayerCrashTakesTheLifeAt71AndBringsTheNextShipOrTheEnd) {
    for (int lives : {3, 1}) {
        game_->SetLives(lives);
        CPlayerCrash* crash = new CPlayerCrash(240, 240);
        EXPECT_EQ(MovesUntilGone(crash, 200), 71);
        EXPECT_EQ(game_->GetLives(), lives - 1);
        EXPECT_EQ(Count(POOL_PLAYER), lives > 1 ? 1 : 0);
        EXPECT_EQ(Count(POOL_SCENE), lives > 1 ? 0 : 1) << "the last life opens the game over";
        game_->Pool(POOL_PLAYER)->Clear();
        game_->Pool(POOL_SCENE)->Clear();
    }
}

TEST_F(ActorTest, AFullEffectPoolStillTakesThePlayersCrash) {
    game_->SetMode(2);
    game_->SetLives(3);
    while (new CNormalEffect(0, 0, 0, 1, 0, 0)) {
    }
    EXPECT_EQ(Count(POOL_EFFECT), 99) << "ordinary effects leave one slot";
    CNormalPlayer* ship = new CNormalPlayer(240, 240);
    new CBullet(240, 240, 0);
    EXPECT_FALSE(ship->Move());
    delete ship;
    EXPECT_EQ(Count(POOL_EFFECT), 100);
}

TEST_F(ActorTest, AFullPlayerPoolMakesTheCrashTryAgainWithoutTakingAnotherLife) {
    game_->SetLives(3);
    CPlayerCrash* crash = new CPlayerCrash(240, 240);
    for (int i = 0; i < 5; ++i) new CNormalPlayer(0, 0);
    for (int i = 0; i < 80; ++i) ASSERT_TRUE(crash->Move());
    EXPECT_EQ(game_->GetLives(), 2);
    game_->Pool(POOL_PLAYER)->Clear();
    EXPECT_FALSE(crash->Move());
    delete crash;
    EXPECT_EQ(game_->GetLives(), 2);
    EXPECT_EQ(Count(POOL_PLAYER), 1);
}

TEST_F(ActorTest, VolleysFireEveryEighthFrameAndTheFirstButtonWins) {
    game_->SetShotType(0);
    CNormalPlayer* ship = new CNormalPlayer(240, 300);
    game_->SetInput(0x10 | 0x20);
    ship->Move();
    EXPECT_EQ(Count(POOL_SHOT), 9) << "the spread volley";
    for (int i = 0; i < 7; ++i) ship->Move();
    EXPECT_EQ(Count(POOL_SHOT), 9);
    game_->Pool(POOL_SHOT)->Clear();
    game_->SetInput(0x20);
    ship->Move();
    EXPECT_EQ(Count(POOL_SHOT), 6) << "the focus volley";
    game_->Pool(POOL_SHOT)->Clear();
    game_->SetAttackLocked(true);
    for (int i = 0; i < 8; ++i) ship->Move();
    EXPECT_EQ(Count(POOL_SHOT), 0);
}

TEST_F(ActorTest, TheSwordComesOnceAndLastsWhileTheButtonIsHeld) {
    game_->SetShotType(1);
    CNormalPlayer* ship = new CNormalPlayer(240, 300);
    game_->SetPlayer(ship);
    game_->SetInput(0x10);
    for (int i = 0; i < 16; ++i) ship->Move();
    ASSERT_EQ(Count(POOL_SPECIAL), 1);
    CSword* sword = At<CSword>(POOL_SPECIAL);
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(sword->Move());
    game_->SetInput(0);
    EXPECT_FALSE(sword->Move());
}

TEST_F(ActorTest, TheSwordKillsInItsSectorUpTo130Pixels) {
    CNormalPlayer* ship = new CNormalPlayer(240, 300);
    game_->SetPlayer(ship);
    // The blade points up after its first step (start 1.3, one step of 0.2).
    CEnemy* near = new CEnemy(240, 170, HitBox::Centred(1, 1), 5, 0);
    CEnemy* far = new CEnemy(240, 169.99f, HitBox::Centred(1, 1), 5, 0);
    CEnemy* behind = new CEnemy(240, 400, HitBox::Centred(1, 1), 5, 0);
    CSword* sword = new CSword(240, 300, 1.3f, 5);
    sword->Move();
    EXPECT_TRUE(near->IsDead());
    EXPECT_FALSE(far->IsDead());
    EXPECT_FALSE(behind->IsDead());
}

TEST_F(ActorTest, AHomingShotWithoutEnemiesUsesOneDrawAndVanishes) {
    CRandom before = game_->Random();
    CHomingShot* shot = new CHomingShot(240, 300, 0.5f, 0.04f, 0);
    before.Next(1);
    EXPECT_EQ(game_->Random().A(), before.A());
    EXPECT_FALSE(shot->Move());
    delete shot;
}

TEST_F(ActorTest, AHomingShotWhoseTargetVanishedFliesStraightOn) {
    CEnemy* target = nullptr;
    CHomingShot* shot = nullptr;
    // Draw until the shot picks the one enemy (a draw of 1 of 2).
    for (int tries = 0; tries < 50 && !target; ++tries) {
        CEnemy* e = new CEnemy(300, 100, HitBox::Centred(5, 5), 5, 0);
        e->intangible = 0;
        shot = new CHomingShot(240, 300, 0.5f, 0.04f, 0);
        if (shot->Move()) {
            target = e;
        } else {
            delete shot;
            delete e;
        }
    }
    ASSERT_NE(target, nullptr);
    float vx = shot->x, vy = shot->y;
    shot->Move();
    vx = shot->x - vx;
    vy = shot->y - vy;
    delete target;
    new CEnemy(0, 0, HitBox::Centred(5, 5), 5, 0);   // a new enemy in the freed slot is not the target
    float x0 = shot->x, y0 = shot->y;
    shot->Move();
    EXPECT_FLOAT_EQ(shot->x - x0, vx);
    EXPECT_FLOAT_EQ(shot->y - y0, vy);
}
