// The boss base: hit handling, hp gauge, drawing with hit sparks, the item drop and the end of an attack phase;
// the entrance, talk-waiting and exit phases that every boss shares.
#pragma once
#include <cstdint>

#include "actors/effect.h"
#include "actors/enemy.h"

class CWarning;

// The bosses' decimal constants are floats; sums with them run in double and are rounded when stored.
constexpr double operator""_f(long double v) { return (double)(float)v; }

class CBossEnemy : public CEnemy {
public:
    CBossEnemy(int bossImage, float x, float y, float hp, int score);

    // The shared hit step of an attack phase: returns whether a shot hit in this update, not whether the
    // phase lives.
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
    static int Mode();
    // Makes the next phase at (x, y); false when the enemy pool had no slot for it.
    virtual bool CreateSuccessor() { return true; }
    // The end of an attack phase whose hp ran out: crash (unless told not to), items, the next phase, and the
    // bullets cleared; false when the phase may go. A phase whose successor found no slot stays, harmless,
    // and tries again each update through Handover, so the chain never stops with the script held.
    bool EndPhase(bool crash = true);
    // The end of a boss's last phase: the bullets cleared, the stage advanced, then as EndPhase.
    bool EndLastPhase(int stage);
    // True while a successor is still owed; the phase then does nothing but retry it.
    bool HandoverPending() const { return handoverPending_; }
    // Retries the successor; true while it is still owed (the phase stays), false once it was made.
    bool Handover();

private:
    bool KeepUnless(bool successorMade);
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

// Waits for its message window to end, then makes the phase that nextPhase names (0 to 5).
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
    int boss_;
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
