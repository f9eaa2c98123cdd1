// Parametric bullets: one parameter record drives a cartesian or polar step; aimed, delayed-aim and formula kinds.
#pragma once
#include <cstdint>

#include "actors/bullet.h"

struct BulletParam {
    int32_t frame = 0;
    int32_t lifetime = 0;    // below 1 becomes 3600
    float vx = 0, vy = 0;    // cartesian velocity, vy positive upward
    float ax = 0, ay = 0;
    float angle = 0;         // half turns, 0.5 up, counter-clockwise
    float turn = 0, turnAccel = 0;
    float speed = 0, accel = 0;
    float limit = 0, turnLimit = 0;
    float startDistance = 0;
    int32_t limitMode = 0;      // 0 none, 1 upper bound, other lower bound
    int32_t turnLimitMode = 0;
    int32_t polar = 0;          // low byte 1: polar motion
};

using BulletMotion = void (*)(BulletParam& p, float& x, float& y);
void BulletMotionXY(BulletParam& p, float& x, float& y);
void BulletMotionPolar(BulletParam& p, float& x, float& y);
void ClampToLimit(float& value, float limit, int mode);

class CBasicBullet : public CBullet {
public:
    CBasicBullet(float x, float y, int kind) : CBullet(x, y, kind) {}
    CBasicBullet(float x, float y, const BulletParam& p, int kind);
    void Setup(const BulletParam& p);
    bool Move() override;
    const BulletParam& Param() const { return param_; }

protected:
    void ApplyStartOffset();
    BulletParam param_;
    BulletMotion motion_ = nullptr;
};

// Turns its parameter direction toward the ship at birth; made without a ship it vanishes unmoved.
class CAim2Bullet : public CBasicBullet {
public:
    CAim2Bullet(float x, float y, const BulletParam& p, int kind, float offset);
    bool Move() override;

private:
    bool remove_ = false;
};

// Flies by its parameters until its delay has passed, then hands over to an aimed bullet.
class CDirToAimBullet : public CBasicBullet {
public:
    CDirToAimBullet(float x, float y, const BulletParam& p, float aimSpeed, int delay, int kind)
        : CBasicBullet(x, y, p, kind), aimSpeed_(aimSpeed), delay_(delay) {}
    bool Move() override;

private:
    float aimSpeed_;
    int delay_;
};

// Speed from the superformula of its direction, so that a ring of them draws the curve as it grows.
class CFormulaBullet : public CBasicBullet {
public:
    CFormulaBullet(float x, float y, float m, float p, float k, float l, float scale, float direction, int kind);

private:
    float m_, p_, k_, l_, scale_, direction_;
};
