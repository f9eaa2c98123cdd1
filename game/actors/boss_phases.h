// The three bosses as tables of their attack phases, the phases' own patterns, and the bosses' companions.
// Each phase makes its successor when its hp runs out.
#pragma once
#include "actors/boss_base.h"

// One attack phase as its boss's table gives it.
struct BossPhaseRow {
    bool (*make)(float x, float y);   // makes the phase in the enemy pool; false when the pool is full
    float hp;
    int scorePerMode, scoreBase;      // the phase pays scorePerMode * mode + scoreBase
    int hitEffect;                    // spark animation while shots hit, -1 for none
    int ageCycle;                     // the phase's clock runs 0 .. ageCycle - 1 and starts again
    bool crash;                       // a crash effect as the phase ends
};

// When a phase looks at whether its score was paid.
enum class BossEndTest {
    kBeforeHits,   // it ends in the update after its hp ran out, its pattern firing once more
    kAfterHits,    // it ends in the update its hp runs out
};

constexpr int kBossPhases = 4;

// A boss: its picture, music and phases, the talks around them, and what follows the last phase.
struct BossTable {
    int image;                        // also the boss's number, 0 to 2
    const char* music;                // started by the first phase
    BossEndTest endTest;
    BossPhaseRow phases[kBossPhases];
    const char* openingTalk;          // message file of the talk after the entrance
    const char* closingTalk;          // and of the talk after the last phase
    bool closingAtTopCentre;          // the closing talk starts at (240, 80), not where the last phase was
    int stageAfter;                   // the stage number set as the last phase ends; 0 keeps it
    bool (*makeExit)(float x, float y);
};

extern const BossTable kBoss1, kBoss2, kBoss3;
extern const BossTable* const kBosses[3];

// Makes a phase of class T at (x, y) from the enemy pool; false when it is full.
template <class T>
bool MakeBossPhase(float x, float y) {
    static_assert(FitsPool<T>());
    return new T(x, y) != nullptr;
}

// First boss.
class CBossAction1to1 : public CBossEnemy {
public:
    CBossAction1to1(float x, float y);
};

// A crystal circling a point that guards the first phase of the first boss; it ends, and pays, with its owner.
class CBossCrystalEnemy : public CSmallEnemy {
public:
    CBossCrystalEnemy(float centreX, float centreY, CBossEnemy* owner, float a, float radius);
    bool Move() override;

    EnemyRef owner;
    float orbitAngle, radius, centreX, centreY;
};

class CBossAction1to2 : public CBossEnemy {
public:
    CBossAction1to2(float x, float y) : CBossEnemy(kBoss1, 1, x, y) {}

private:
    void Pattern() override;
    float targetX = 0, targetY = 0, fanAngle = 0;
};

class CBossAction1to3 : public CBossEnemy {
public:
    CBossAction1to3(float x, float y) : CBossEnemy(kBoss1, 2, x, y) {}

private:
    void Pattern() override;
};

class CBossAction1to4 : public CBossEnemy {
public:
    CBossAction1to4(float x, float y) : CBossEnemy(kBoss1, 3, x, y) {}

private:
    void Pattern() override;
    void Flower(float base);
    float targetX = 0, targetY = 0;
};

// Second boss.
class CBossAction2to1 : public CBossEnemy {
public:
    CBossAction2to1(float x, float y) : CBossEnemy(kBoss2, 0, x, y) {}

private:
    void Pattern() override;
};

class CBossAction2to2 : public CBossEnemy {
public:
    CBossAction2to2(float x, float y) : CBossEnemy(kBoss2, 1, x, y) {}

private:
    bool Arrive() override;
    void Pattern() override;
    uint8_t arrived = 0;
};

class CBossAction2to3 : public CBossEnemy {
public:
    CBossAction2to3(float x, float y) : CBossEnemy(kBoss2, 2, x, y) {}

private:
    bool Arrive() override;
    void Pattern() override;
    int counter = 0;
    uint8_t started = 0;
};

class CBossAction2to4 : public CBossEnemy {
public:
    CBossAction2to4(float x, float y) : CBossEnemy(kBoss2, 3, x, y) {}

private:
    void Pattern() override;
    int counter = 0;
};

// Third boss.
class CBossAction3to1 : public CBossEnemy {
public:
    CBossAction3to1(float x, float y) : CBossEnemy(kBoss3, 0, x, y) {}

private:
    void Pattern() override;
    float spiralAngle = 1.5f, targetX = 0, targetY = 0;
};

class CBossAction3to2 : public CBossEnemy {
public:
    CBossAction3to2(float x, float y) : CBossEnemy(kBoss3, 1, x, y) {}

private:
    bool Arrive() override;
    void Pattern() override;
    int counter = 0;
    uint8_t arrived = 0;
    float columnAngle = 1.5f;
};

class CBossAction3to3 : public CBossEnemy {
public:
    CBossAction3to3(float x, float y) : CBossEnemy(kBoss3, 2, x, y) {}

private:
    void Pattern() override;
    int counter = 0;
};

class CBossAction3to4 : public CBossEnemy {
public:
    CBossAction3to4(float x, float y);

private:
    void Pattern() override;
    float targetX = 0, targetY = 0, spiralAngle = 0;
};

// A crystal of the third boss's last phase: it wanders between points of position list 2 spraying spirals and
// ends in the update its owner's hp runs out (or once its owner is gone).
class CBoss3CrystalEnemy : public CSmallEnemy {
public:
    CBoss3CrystalEnemy(CBossEnemy* owner, float x, float y);
    bool Move() override;

    EnemyRef owner;
    float targetX = 0, targetY = 0, spiralAngle = 0;
};

// Shared by the third boss's phases and crystals.
// A random point of the game's position list n (one draw); an empty list gives the mover's own position.
void RandomPoint(const CMover& m, int list, float* px, float* py);
// One volley of the double spiral: two pairs of bullets leaving opposite ways, the arms turning by the angle.
void DoubleSpiral(const CMover& m, float* spiralAngle);
