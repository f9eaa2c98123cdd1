// Enemy base, the shared step of ordinary enemies (hits, death, score items, removal) and the preview target.
#pragma once
#include <cstdint>
#include <vector>

#include "frame/task_pools.h"

class CEnemy : public CPoolTask<POOL_ENEMY> {
public:
    CEnemy(float x, float y, const HitBox& hitBox, float hp, int score);

    bool Move() override { return true; }
    void Draw() override {}

    // Parameters outside the stored values (none stored, or past the tenth) read as 0.
    int GetParam(int index) const;
    void AppendParams(const std::vector<int>& values) { params.insert(params.end(), values.begin(), values.end()); }
    void Kill() { dead = 1; }
    bool IsIntangible() const { return intangible != 0; }
    bool IsDead() const { return dead == 1; }
    uint32_t Serial() const { return serial_; }
    // Each shot that overlaps the enemy costs one hp and is erased; true when any hit.
    bool TakeShotHits();

    int age = 0;
    int dead = 0;
    uint8_t hitFlash = 0;
    uint8_t intangible = 1;
    float hp;
    int score;
    std::vector<int> params;

private:
    uint32_t serial_;   // tells a live enemy from a later one in the same pool slot
};

// A reference to an enemy that may vanish: it resolves to null once that enemy left the enemy list.
class EnemyRef {
public:
    EnemyRef() = default;
    explicit EnemyRef(CEnemy* e) : ptr_(e), serial_(e ? e->Serial() : 0) {}
    CEnemy* Get() const;
    explicit operator bool() const { return ptr_ != nullptr; }

private:
    CEnemy* ptr_ = nullptr;
    uint32_t serial_ = 0;
};

class CSmallEnemy : public CEnemy {
public:
    CSmallEnemy(int imageKind, float x, float y, float hp, int score);
    bool Move() override;
    void Draw() override;

    int imageKind;
    double drawAngle = 0.0;
};

// The motionless target of the shot-style preview: shots vanish on it without damage.
class CDemoEnemy : public CSmallEnemy {
public:
    CDemoEnemy(float x, float y);
    bool Move() override;
    void SetRemove() { remove_ = true; }

private:
    bool remove_ = false;
};
