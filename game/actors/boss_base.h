// The boss base: the update every attack phase follows, hit handling, the hp gauge, drawing with hit sparks,
// the item drop and the end of an attack phase; the entrance, talk-waiting and exit phases that every boss
// shares.
#pragma once
#include <cstdint>

#include "actors/effect.h"
#include "actors/enemy.h"

class CWarning;
struct BossTable;

// The bosses' decimal constants are floats; sums with them run in double and are rounded when stored.
constexpr double operator""_f(long double v) { return (double)(float)v; }

class CBossEnemy : public CEnemy {
public:
    CBossEnemy(int bossImage, float x, float y, float hp, int score);

    // One update of an attack phase, the same for every boss: a successor still owed is retried and nothing
    // else happens; a phase still on its way in only travels; otherwise the pattern fires, shots hit, the
    // clock advances, and a phase whose score was paid ends, tested before the hits or after them as its
    // boss's table says. False once the phase may go. The entrance, talk and exit phases have their own.
    bool Move() override;
    void Draw() override;

    void SetImage(int kind);
    void SetHitEffect(int kind) { hitEffect = kind; }
    void SetGaugeMax(float value) { gaugeMax = value; }
    // Scatters count score items worth value each, flying to the ship later.
    void DropItems(int count, int value);

    int bossImage = 0;
    int hitEffect = -1;
    uint8_t hitThisFrame = 0;
    float gaugeMax;
    int scoreGiven = 0;   // 1 once hp fell to 0 and the phase's score was added
    float drawAngle = 0.0f;

protected:
    // Attack phase `phase` of boss's table at (x, y); the first phase of a boss holds the stage script and
    // starts the boss's music.
    CBossEnemy(const BossTable& boss, int phase, float x, float y);
    static int Mode();
    // The way in before the phase fights: false while it is still under way (no pattern, no hits).
    virtual bool Arrive() { return true; }
    // The phase's firing and motion in this update; age is the phase's clock, advanced after it.
    virtual void Pattern() {}

private:
    // The hit step: each overlapping shot costs one hp, the gauge follows, and the score is paid once hp ran
    // out. Sets hitThisFrame for the sparks.
    void TakeHits();
    // The end of a phase whose score was paid: crash (unless the table says not), items, the successor, the
    // bullets cleared and, after a boss's last phase, the next stage number; false when the phase may go. A
    // phase whose successor found no slot stays, harmless, and retries it each update, so the chain never
    // stops with the script held.
    bool BossPhaseEnding();
    // The next phase of the table at (x, y), or after the last the closing talk; false when the enemy pool
    // had no slot for it.
    bool MakeSuccessor() const;
    bool KeepUnless(bool successorMade);

    const BossTable* boss_ = nullptr;   // null for the entrance, talk and exit phases
    int phase_ = 0;
    bool handoverPending_ = false;
};

// Makes a talk-waiting phase at (x, y) with a new message window for path; the enemy slot is taken first and
// the window made only when one was free. False when the enemy pool was full.
bool CreateWaitingPhase(float x, float y, const char* path, int nextPhase);

// A spark thrown off a boss while shots hit it: drawn from the drawing generator into a pool of its own.
class CBossSpark : public CNormalEffect {
public:
    static constexpr PoolId kPool = POOL_SPARK;
    CBossSpark(int animation, float x, float y);
    static void* operator new(size_t size) noexcept { return GamePool(POOL_SPARK)->Take(size); }
    static void operator delete(void* p) { GamePool(POOL_SPARK)->GiveBack(p); }
};

// Waits for its message window to end, then makes what nextPhase names: 0, 2 and 4 the first attack phase of
// the first, second and third boss, 1, 3 and 5 their exits.
class CBossAction0 : public CBossEnemy {
public:
    CBossAction0(float x, float y, CWarning* messageScene, int nextPhase);
    bool Move() override;

    CWarning* messageScene;   // not owned; null once its end was seen (or when none could be made)
    int nextPhase;
};

// The entrance: holds the script, stops the stage music, descends while the gauge fills, then opens the talk.
class CBossEntrance : public CBossEnemy {
public:
    bool Move() override;

protected:
    CBossEntrance(int boss, float x, float y);

private:
    int number_;   // 0 to 2
};

class CBossAppear1 : public CBossEntrance {
public:
    CBossAppear1(float x, float y) : CBossEntrance(0, x, y) {}
};
class CBossAppear2 : public CBossEntrance {
public:
    CBossAppear2(float x, float y) : CBossEntrance(1, x, y) {}
};
class CBossAppear3 : public CBossEntrance {
public:
    CBossAppear3(float x, float y) : CBossEntrance(2, x, y) {}
};

// The exit: rises for 61 updates and lets the stage script go on as it vanishes.
class CBossExit : public CBossEnemy {
public:
    bool Move() override;

protected:
    CBossExit(int bossImage, float x, float y);
};

class CBossRemove1 : public CBossExit {
public:
    CBossRemove1(float x, float y) : CBossExit(0, x, y) {}
};
class CBossRemove2 : public CBossExit {
public:
    CBossRemove2(float x, float y);
};
class CBossRemove3 : public CBossExit {
public:
    CBossRemove3(float x, float y) : CBossExit(2, x, y) {}
};
