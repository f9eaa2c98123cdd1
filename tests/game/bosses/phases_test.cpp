// Boss phases: the table of hp, scores, images and successors, the hit step, when a paid phase ends, the handover
// and its retry, talks, entrances and exits, sparks, item drops, the third boss's crystals and the draws that
// replays rest on.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "actors/bullet.h"
#include "actors/geometry.h"
#include "actors/item.h"
#include "actors/shot.h"
#include "boss_fixture.h"
#include "scenes/command_list.h"
#include "scenes/play_flow.h"

using bossfix::BossTest;

namespace {
using Maker = std::function<CBossEnemy*(float, float)>;
template <class T>
Maker Make() {
    return [](float x, float y) -> CBossEnemy* { return new T(x, y); };
}

struct PhaseRow {
    const char* name;
    Maker make;
    int image;
    float hp;
    int perMode, base;   // score = perMode * m + base
    int hitEffect;
    const char* successor;
    int nextPhase;       // of a successor that waits for a talk, else -1
};

const PhaseRow kPhases[] = {
    {"1to1", Make<CBossAction1to1>(), 0, 300, 10000, 12500, -1, "CBossAction1to2", -1},
    {"1to2", Make<CBossAction1to2>(), 0, 400, 5000, 15000, -1, "CBossAction1to3", -1},
    {"1to3", Make<CBossAction1to3>(), 0, 300, 7500, 18000, -1, "CBossAction1to4", -1},
    {"1to4", Make<CBossAction1to4>(), 0, 400, 8000, 18000, -1, "CBossAction0", 1},
    {"2to1", Make<CBossAction2to1>(), 1, 300, 5000, 30000, 1, "CBossAction2to2", -1},
    {"2to2", Make<CBossAction2to2>(), 1, 400, 8000, 32100, 1, "CBossAction2to3", -1},
    {"2to3", Make<CBossAction2to3>(), 1, 400, 10000, 35000, 1, "CBossAction2to4", -1},
    {"2to4", Make<CBossAction2to4>(), 1, 400, 10000, 36000, 1, "CBossAction0", 3},
    {"3to1", Make<CBossAction3to1>(), 2, 350, 9200, 35000, 1, "CBossAction3to2", -1},
    {"3to2", Make<CBossAction3to2>(), 2, 300, 7000, 37500, -1, "CBossAction3to3", -1},
    {"3to3", Make<CBossAction3to3>(), 2, 300, 6200, 39000, -1, "CBossAction3to4", -1},
    {"3to4", Make<CBossAction3to4>(), 2, 300, 5000, 40000, -1, "CBossAction0", 5},
};
}  // namespace

TEST_F(BossTest, EveryPhaseHasItsHpScoreImageAndSuccessorInEveryMode) {
    for (int m = 0; m <= 3; ++m) {
        for (const PhaseRow& row : kPhases) {
            SCOPED_TRACE(std::string(row.name) + " mode " + std::to_string(m));
            game_->SetMode(m);
            game_->ResetScore();
            CBossEnemy* phase = row.make(200, 150);
            ASSERT_NE(phase, nullptr);
            const int score = row.name == std::string("1to1") && m == 3 ? 8000 : row.perMode * m + row.base;
            EXPECT_EQ(phase->hp, row.hp);
            EXPECT_EQ(phase->gaugeMax, row.hp);
            EXPECT_EQ(phase->score, score);
            EXPECT_EQ(phase->bossImage, row.image);
            EXPECT_EQ(phase->hitEffect, row.hitEffect);
            EXPECT_EQ(phase->hitBox.left, -60 * 0.45f) << "odd widths halve toward zero";
            EXPECT_EQ(phase->hitBox.bottom, 50 * 0.45f);
            const int companions = CountOf<CBossCrystalEnemy>() + CountOf<CBoss3CrystalEnemy>();

            phase->hp = 0;
            float lastX = 0, lastY = 0;
            for (int u = 0; u < 300 && Find<CBossEnemy>() == phase; ++u) {
                lastX = phase->x;
                lastY = phase->y;
                EnemyUpdate();
            }
            ASSERT_NE(Find<CBossEnemy>(), phase) << "the phase never ended";
            EXPECT_EQ(game_->GetScore(), score + (row.name == std::string("1to1") ? 4000 * companions : 0));
            const bool crystalsNext = row.successor == std::string("CBossAction3to4");
            EXPECT_EQ(CountOf<CBossCrystalEnemy>() + CountOf<CBoss3CrystalEnemy>(),
                      crystalsNext ? (m == 2 ? 3 : 2) : 0)
                << "companions end with their phase; the last phase of the third boss brings its own";
            EXPECT_EQ(Count(POOL_ITEM), std::min(50 * m, 100));
            EXPECT_EQ(Count(POOL_EFFECT), (row.name == std::string("1to1") ? 0 : 1) + companions)
                << "a crash for the phase (none for the guarded first) and one per companion";
            CBossEnemy* next = Find<CBossEnemy>();
            ASSERT_NE(next, nullptr);
            EXPECT_EQ(ClassOf(next), row.successor);
            if (row.nextPhase >= 0) {
                auto* waiting = static_cast<CBossAction0*>(next);
                EXPECT_EQ(waiting->nextPhase, row.nextPhase);
                EXPECT_EQ(waiting->bossImage, row.nextPhase / 2);
                EXPECT_NE(waiting->messageScene, nullptr);
                EXPECT_EQ(Count(POOL_SCENE), 1);
                const bool atTop = row.nextPhase == 5;
                EXPECT_EQ(next->x, atTop ? 240.0f : lastX);
                EXPECT_EQ(next->y, atTop ? 80.0f : lastY);
                EXPECT_EQ(game_->GetStage(), row.nextPhase == 3 ? 2 : row.nextPhase == 5 ? 3 : 1);
            }
            game_->ClearAllBut(0);
            game_->SetStage(1);
        }
    }
}

TEST_F(BossTest, TheFirstTwoBossesEndAnUpdateAfterTheHpRunsOutTheThirdInThatUpdate) {
    for (const PhaseRow& row : kPhases) {
        SCOPED_TRACE(row.name);
        CBossEnemy* phase = row.make(240, 80);
        phase->hp = 1;
        game_->ResetScore();
        // Phases that travel in first take their shot once they are in place.
        for (int u = 0; u < 100 && game_->GetScore() == 0; ++u) {
            new CShot(phase->x, phase->y);
            EnemyUpdate();
        }
        ASSERT_GT(game_->GetScore(), 0) << "the phase was never paid";
        const bool thirdBoss = row.name[0] == '3';
        EXPECT_EQ(Find<CBossEnemy>() == phase, !thirdBoss);
        if (!thirdBoss) {
            EnemyUpdate();
            EXPECT_NE(Find<CBossEnemy>(), phase);
        }
        game_->ClearAllBut(0);
    }
}

TEST_F(BossTest, TheGuardedFirstPhasePaysForItselfAndItsCrystals) {
    struct Case {
        int mode, crystals, total;
    } cases[] = {{3, 10, 8000 + 10 * 4000}, {2, 4, 32500 + 4 * 4000}, {1, 4, 22500 + 4 * 4000}};
    for (const Case& c : cases) {
        game_->SetMode(c.mode);
        game_->ResetScore();
        CBossEnemy* phase = new CBossAction1to1(240, 100);
        EXPECT_EQ(CountOf<CBossCrystalEnemy>(), c.crystals);
        for (int u = 0; u < 10; ++u) EnemyUpdate();
        EXPECT_EQ(game_->GetScore(), 0) << "crystals are never hit";
        phase->hp = 0;
        EnemyUpdate();
        EXPECT_EQ(game_->GetScore(), c.total) << "mode " << c.mode;
        EXPECT_EQ(CountOf<CBossCrystalEnemy>(), 0) << "crystals end in the update the phase's hp runs out";
        EXPECT_EQ(Find<CBossAction1to1>(), phase) << "the phase itself ends one update later";
        EnemyUpdate();
        EXPECT_NE(Find<CBossAction1to2>(), nullptr);
        game_->ClearAllBut(0);
    }
}

TEST_F(BossTest, EachOverlappingShotCostsOneHpAndTheScoreComesOnce) {
    CBossEnemy* phase = new CBossAction1to3(240, 100);
    for (int i = 0; i < 3; ++i) new CShot(240 + i, 100);
    new CShot(400, 400);
    EnemyUpdate();
    EXPECT_EQ(phase->hp, 297);
    EXPECT_EQ(phase->hitThisFrame, 1);
    EXPECT_EQ(Count(POOL_SHOT), 1);
    EXPECT_FLOAT_EQ(game_->GetBossGauge(), 297.0f / 300.0f);
    EnemyUpdate();
    EXPECT_EQ(phase->hitThisFrame, 0);

    phase->hp = 2;
    for (int i = 0; i < 4; ++i) new CShot(240, 100 + i);
    EnemyUpdate();
    EXPECT_EQ(phase->hp, -2) << "every shot counts, even past zero";
    EXPECT_EQ(game_->GetScore(), 7500 * 2 + 18000);
    EXPECT_LT(game_->GetBossGauge(), 0.0f);
    new CShot(240, 100);
    EnemyUpdate();
    EXPECT_EQ(game_->GetScore(), 7500 * 2 + 18000);
}

TEST_F(BossTest, PhasesThatTravelFirstTakeNoHitsUntilTheyArrive) {
    struct Case {
        const char* name;
        Maker make;
        float x, y;
        int travel;   // updates without hits
    } cases[] = {
        {"1to2 is hit at once", Make<CBossAction1to2>(), 240, 200, 0},
        {"3to1 is hit while it glides", Make<CBossAction3to1>(), 240, 200, 0},
        {"2to2 flies 2.2 a step to the top centre", Make<CBossAction2to2>(), 240, 90, 5},
        {"2to3 sinks for 60 updates", Make<CBossAction2to3>(), 240, 80, 60},
        {"3to2 flies 4 a step to the top centre", Make<CBossAction3to2>(), 240, 100, 5},
    };
    for (const Case& c : cases) {
        CBossEnemy* phase = c.make(c.x, c.y);
        int untouched = 0;
        for (int u = 0; u < 100 && phase->hp == phase->gaugeMax; ++u) {
            new CShot(phase->x, phase->y);
            EnemyUpdate();
            if (phase->hp == phase->gaugeMax) ++untouched;
        }
        EXPECT_EQ(untouched, c.travel) << c.name;
        game_->ClearAllBut(0);
    }
}

TEST_F(BossTest, APhaseWithoutASlotForItsSuccessorTriesAgainWithoutPayingTwice) {
    game_->SetMode(1);
    CBossEnemy* phase = new CBossAction1to2(240, 100);
    FillEnemies(0);
    phase->hp = 0;
    EnemyUpdate();
    EnemyUpdate();
    const int score = game_->GetScore();
    EXPECT_EQ(score, 5000 + 15000);
    EXPECT_EQ(Find<CBossEnemy>(), phase) << "it stays while it owes a successor";
    EXPECT_TRUE(phase->IsIntangible());
    EXPECT_EQ(Count(POOL_ITEM), 50);
    EXPECT_EQ(Count(POOL_EFFECT), 1);
    EXPECT_EQ(Count(POOL_BULLET), 0);
    for (int u = 0; u < 5; ++u) EnemyUpdate();
    EXPECT_EQ(Count(POOL_BULLET), 0) << "no pattern while waiting";
    EXPECT_EQ(Find<CBossEnemy>(), phase);
    EXPECT_EQ(Find<CBossAction1to3>(), nullptr);

    delete At<CMover>(POOL_ENEMY, 1);   // frees one slot
    EnemyUpdate();
    EXPECT_EQ(Find<CBossAction1to2>(), nullptr);
    ASSERT_NE(Find<CBossAction1to3>(), nullptr);
    EXPECT_EQ(game_->GetScore(), score);
    EXPECT_EQ(Count(POOL_ITEM), 50);
    EXPECT_EQ(Count(POOL_EFFECT), 1);
}

TEST_F(BossTest, AnEntranceOrTalkWithoutASlotWaitsAndTriesAgain) {
    CBossEnemy* entrance = new CBossAppear2(240, -100);
    FillEnemies(0);
    for (int u = 0; u < 160; ++u) EnemyUpdate();
    EXPECT_EQ(Find<CBossEnemy>(), entrance);
    EXPECT_EQ(entrance->age, 150);
    EXPECT_EQ(Count(POOL_SCENE), 0) << "no window without its phase";
    delete At<CMover>(POOL_ENEMY, 1);
    EnemyUpdate();
    auto* waiting = Find<CBossAction0>();
    ASSERT_NE(waiting, nullptr);
    EXPECT_EQ(waiting->nextPhase, 2);
    EXPECT_EQ(Count(POOL_SCENE), 1);

    // The talk ends with the pool full again: the phase retries after its window went.
    new CEnemy(-500, -500, HitBox(), 1, 0);
    game_->SetLives(3);
    for (int pad : {0, 0x10}) {
        game_->SetInput(pad);
        game_->MoveAll(POOL_SCENE);
    }
    EnemyUpdate();
    EXPECT_EQ(Find<CBossAction0>(), waiting);
    EXPECT_EQ(waiting->messageScene, nullptr);
    game_->MoveAll(POOL_SCENE);
    EXPECT_EQ(Count(POOL_SCENE), 0);
    EnemyUpdate();
    EXPECT_EQ(Find<CBossAction0>(), waiting);
    delete At<CMover>(POOL_ENEMY, 1);
    EnemyUpdate();
    EXPECT_EQ(Find<CBossAction0>(), nullptr);
    EXPECT_NE(Find<CBossAction2to1>(), nullptr);
}

TEST_F(BossTest, TheEntranceDescendsFillsTheGaugeAndOpensTheTalkAfter151Updates) {
    for (int boss = 0; boss < 3; ++boss) {
        game_->Script().SetStop(false);
        game_->SetBossGauge(0.5f);
        CBossEnemy* entrance = boss == 0 ? (CBossEnemy*)new CBossAppear1(240, -100)
                               : boss == 1 ? (CBossEnemy*)new CBossAppear2(240, -100)
                                           : (CBossEnemy*)new CBossAppear3(240, -100);
        EXPECT_TRUE(game_->Script().IsStop());
        EXPECT_TRUE(entrance->IsIntangible());
        EXPECT_EQ(entrance->gaugeMax, -1.0f);
        int updates = 0;
        float gaugeAt90 = 0;
        while (Find<CBossAction0>() == nullptr && updates < 400) {
            EnemyUpdate();
            if (++updates == 91) gaugeAt90 = game_->GetBossGauge();
        }
        EXPECT_EQ(updates, 151);
        EXPECT_FLOAT_EQ(gaugeAt90, 0.5f);
        EXPECT_EQ(game_->GetBossGauge(), 1.0f);
        CBossAction0* waiting = Find<CBossAction0>();
        EXPECT_EQ(waiting->y, 80.0f) << "180 pixels down";
        EXPECT_EQ(waiting->nextPhase, boss * 2);
        EXPECT_EQ(waiting->bossImage, boss);
        EXPECT_TRUE(waiting->IsIntangible());
        game_->ClearAllBut(0);
    }
}

TEST_F(BossTest, ATalkPhaseGoesOnOneUpdateAfterItsWindowEnds) {
    gamefix::WriteDataFile("data/dat/mes1.dat", "<window>hello<stop>");
    game_->SetLives(3);
    CreateWaitingPhase(200, 90, "data/dat/mes1.dat", 0);
    auto* window = static_cast<CWarning*>(At<CMover>(POOL_SCENE));
    ASSERT_NE(window, nullptr);
    int pads[] = {0, 0x10, 0, 0x10, 0, 0, 0};
    int doneAt = -1, phaseAt = -1;
    for (int u = 0; u < 7; ++u) {
        game_->SetInput(pads[u]);
        EnemyUpdate();
        if (phaseAt < 0 && Find<CBossAction1to1>()) phaseAt = u;
        if (doneAt < 0) {
            game_->MoveAll(POOL_SCENE);
            if (Count(POOL_SCENE) == 1 && window->IsDone()) doneAt = u;
        }
    }
    ASSERT_GE(doneAt, 0);
    EXPECT_EQ(phaseAt, doneAt + 1);
    CBossEnemy* first = Find<CBossAction1to1>();
    EXPECT_EQ(first->x, 200.0f);
    EXPECT_EQ(first->y, 90.0f);

    game_->ClearAllBut(0);
    ::new (CEnemy::operator new(sizeof(CBossAction0))) CBossAction0(10, 20, nullptr, 4);
    EnemyUpdate();
    EXPECT_NE(Find<CBossAction3to1>(), nullptr) << "without a window the phase goes on at once";
}

TEST_F(BossTest, TheExitRisesAndReleasesTheScriptAsItVanishes) {
    game_->Script().SetStop(true);
    auto* exit = new CBossRemove2(240, 80);
    EXPECT_EQ(exit->bossImage, 1);
    int updates = 0;
    while (Count(POOL_ENEMY) > 0 && updates < 100) {
        EXPECT_TRUE(game_->Script().IsStop());
        float y = exit->y;
        EnemyUpdate();
        if (Count(POOL_ENEMY) > 0) {
            EXPECT_EQ(exit->y, y - 2);
        }
        ++updates;
    }
    EXPECT_EQ(updates, 61);
    EXPECT_FALSE(game_->Script().IsStop());
}

TEST_F(BossTest, HitSparksComeFromTheDrawingGeneratorIntoTheirOwnPool) {
    CBossEnemy* phase = new CBossAction2to1(240, 100);
    while (new CEnemyCrash(0, 0, 0.2f)) {
    }
    const int effects = Count(POOL_EFFECT);
    const int playA = game_->Random().A(), drawA = game_->DrawRandom().A();
    for (int u = 0; u < 5; ++u) {
        new CShot(240, 100);
        EnemyUpdate();
        game_->DrawAll(POOL_ENEMY);
    }
    EXPECT_EQ(Count(POOL_SPARK), 5) << "a full effect pool does not stop the sparks";
    EXPECT_EQ(Count(POOL_EFFECT), effects);
    EXPECT_EQ(game_->Random().A(), playA);
    EXPECT_NE(game_->DrawRandom().A(), drawA);
    auto* spark = At<CMover>(POOL_SPARK);
    EXPECT_LE(std::abs(spark->x - 240), 10.0f);
    EXPECT_LE(std::abs(spark->y - 100), 10.0f);

    phase->SetHitEffect(-1);
    new CShot(240, 100);
    EnemyUpdate();
    game_->DrawAll(POOL_ENEMY);
    EXPECT_EQ(Count(POOL_SPARK), 5) << "no effect kind, no spark";
    EXPECT_EQ(MovesUntilGone(At<CMover>(POOL_SPARK), 100), 16);
    game_->ClearAllBut(POOL_EFFECT + 1);
    EXPECT_EQ(Count(POOL_SPARK), 4) << "kept with the effects";
    game_->ClearAllBut(0);
    EXPECT_EQ(Count(POOL_SPARK), 0);
}

TEST_F(BossTest, ItemsDropOnlyIntoFreeSlotsWithTwoDrawsEach) {
    CBossEnemy* phase = new CBossAction1to2(240, 100);
    while ((int)Count(POOL_ITEM) < 93) new CScoreItem(0, 0, 10);
    CRandom expected = game_->Random();
    phase->DropItems(150, 80);
    EXPECT_EQ(Count(POOL_ITEM), 100);
    for (int i = 0; i < 14; ++i) expected.Next(i % 2 ? 400 : 200);
    EXPECT_EQ(game_->Random().A(), expected.A());
    EXPECT_EQ(game_->Random().B(), expected.B());
    auto* item = At<CMover>(POOL_ITEM, 93);
    EXPECT_GE(item->x, 20.0f);
    EXPECT_LT(item->x, 420.0f);
    EXPECT_GE(item->y, 80.0f);
    EXPECT_LT(item->y, 280.0f);
}

TEST_F(BossTest, DrawsHappenPerUpdateOrOnlyWithABulletSlotAsEachPatternSays) {
    struct Case {
        const char* name;
        Maker make;
        int updates;
        bool drawsWithFullPool;
    } cases[] = {
        {"1to4's flower shift is drawn whatever the pool holds", Make<CBossAction1to4>(), 40, true},
        {"2to2's rain and top shots draw only with a slot", Make<CBossAction2to2>(), 60, false},
        {"2to3's rings draw always", Make<CBossAction2to3>(), 140, true},
    };
    for (const Case& c : cases) {
        c.make(240, 80);
        while (new CDirBullet(0, 0, 0, 0, 0, 0)) {
        }
        const int a = game_->Random().A();
        for (int u = 0; u < c.updates; ++u) EnemyUpdate();
        EXPECT_EQ(game_->Random().A() != a, c.drawsWithFullPool) << c.name;
        game_->ClearAllBut(0);
    }
}

TEST_F(BossTest, TheThirdBossCrystalsEndInTheUpdateTheirOwnerGoes) {
    for (int m : {1, 2, 3}) {
        game_->SetMode(m);
        CBossEnemy* phase = new CBossAction3to4(200, 100);
        const int crystals = CountOf<CBoss3CrystalEnemy>();
        EXPECT_EQ(crystals, m == 2 ? 3 : 2) << "mode " << m;
        // 151 updates: the last one is no firing update of the crystals.
        for (int u = 0; u < 151; ++u) EnemyUpdate();
        EXPECT_GT(Count(POOL_BULLET), 0) << "crystals fire after their glide";
        auto* crystal = Find<CBoss3CrystalEnemy>();
        EXPECT_TRUE((crystal->x == 60 && crystal->y == 200) || (crystal->x == 400 && crystal->y == 220));
        phase->hp = 0;
        EnemyUpdate();
        EXPECT_EQ(CountOf<CBoss3CrystalEnemy>(), 0);
        EXPECT_EQ(Find<CBossAction3to4>(), nullptr);
        EXPECT_EQ(Count(POOL_EFFECT), 1 + crystals);
        EXPECT_EQ(Count(POOL_BULLET), 0);
        game_->ClearAllBut(0);
    }
}

TEST_F(BossTest, AnEmptyPositionListKeepsThePhaseWhereItIs) {
    game_.reset();
    std::filesystem::remove("data/dat/position1.dat");
    std::filesystem::remove("data/dat/position2.dat");
    MakeGame();
    SizeBosses();
    game_->SetMode(3);
    CBossEnemy* phase = new CBossAction3to1(123, 77);
    for (int u = 0; u < 100; ++u) EnemyUpdate();
    EXPECT_EQ(phase->x, 123.0f);
    EXPECT_EQ(phase->y, 77.0f);
}

TEST_F(BossTest, MoveTowardStepsOrSnapsWithinOneStep) {
    struct Case {
        float x, y, speed;
        bool arrives;
        float endX, endY;
    } cases[] = {
        {240, 90, 4, false, 240, 86}, {240, 84, 4, true, 240, 80}, {243, 76, 5, true, 240, 80},
        {240, 81, 0.5f, false, 240, 80.5f}, {100, 80, 4, false, 104, 80},
    };
    for (const Case& c : cases) {
        CShot* mover = new CShot(c.x, c.y);
        EXPECT_EQ(MoveToward(*mover, c.speed, 240, 80), c.arrives) << c.x << "," << c.y;
        // The game's pi is 3.1415, so a level step drifts by a few ten-thousandths.
        EXPECT_NEAR(mover->x, c.endX, 1e-3);
        EXPECT_NEAR(mover->y, c.endY, 1e-3);
        game_->Pool(POOL_SHOT)->Clear();
    }
}
