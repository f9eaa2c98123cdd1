// The player's weapons: straight and homing shots, and the sword that sweeps once round the ship.
#pragma once
#include "actors/enemy.h"
#include "frame/task_pools.h"

class CShot : public CPoolTask<POOL_SHOT> {
public:
    CShot(float x, float y) : CPoolTask(x, y, HitBox::Centred(10, 10)) {}
    bool Move() override;
};

class CNormalShot : public CShot {
public:
    // angle in half turns, 0.5 straight up; image 0 is the shot image, k the bullet image k - 1.
    CNormalShot(float x, float y, float angle, int image);
    bool Move() override;
    void Draw() override;

private:
    float vx_, vy_;   // vy positive upward
    float angle_;     // radians
    int image_;
};

class CHomingShot : public CShot {
public:
    CHomingShot(float x, float y, float angle, float turn, int image);
    bool Move() override;
    void Draw() override;

private:
    float angle_, turn_;
    float vx_ = 0, vy_ = 0;
    int image_;
    bool noTarget_;
    EnemyRef target_;
};

class CSpecial : public CPoolTask<POOL_SPECIAL> {
public:
    CSpecial(float x, float y) : CPoolTask(x, y) {}
};

class CSword : public CSpecial {
public:
    // start angle in half turns, 1.5 up, growing clockwise; duration -1 lasts while the button is held.
    CSword(float x, float y, float startAngle, int duration)
        : CSpecial(x, y), angle_(startAngle), startAngle_(startAngle), duration_(duration) {}
    bool Move() override;
    void Draw() override;

private:
    float angle_, startAngle_;
    int step_ = 0;
    int duration_;
};
