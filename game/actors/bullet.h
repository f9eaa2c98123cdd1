// Enemy bullets: the base (hit box from the image, field removal, drawing) and the fixed-motion kinds.
#pragma once
#include "frame/task_pools.h"

class CBullet : public CPoolTask<POOL_BULLET> {
public:
    CBullet(float x, float y, int kind);
    bool Move() override;
    void Draw() override;

    int kind;
    float drawAngle = 0.0f;
    float halfWidth, halfHeight;
};

// Straight flight with acceleration; the angle in half turns, 0.5 up.
class CDirBullet : public CBullet {
public:
    CDirBullet(float x, float y, float angle, float speed, float accel, int kind);
    bool Move() override;

protected:
    CDirBullet(float x, float y, int kind) : CBullet(x, y, kind) {}
    float vx_ = 0, vy_ = 0, ax_ = 0, ay_ = 0;
};

// Straight flight whose velocity drops by the change once, in its 31st move.
class CSlowDirBullet : public CBullet {
public:
    CSlowDirBullet(float x, float y, float angle, float speed, float change, int kind);
    bool Move() override;

private:
    float vx_, vy_, cx_, cy_;
    int frame_ = 0;
};

// Straight flight toward a point, turned by an offset in radians.
class CAimBullet : public CDirBullet {
public:
    CAimBullet(float x, float y, float tx, float ty, float offset, float speed, float accel, int kind);
};

// Steers toward the ship by at most the turn per frame, for its whole life.
class CHomingBullet : public CBullet {
public:
    CHomingBullet(float x, float y, float angle, float turn, float speed, int kind);
    bool Move() override;

private:
    float angle_, turn_, speed_, vx_, vy_;
};

// Curves clockwise for 110 frames, then flies straight on.
class CSpiralBullet : public CBullet {
public:
    CSpiralBullet(float x, float y, float angle, float speed, int kind);
    bool Move() override;

private:
    float angle_, step_, speed_, frame_ = 0.0f;
};

// Flies until its stop frame, hangs still for 51 frames, then drops.
class CRainBullet : public CBullet {
public:
    CRainBullet(float x, float y, float angle, float speed, int stopFrame, int kind);
    bool Move() override;

private:
    float angle_, speed_, vx_, vy_;
    int stopFrame_, frame_ = 0;
};

// A growing, sweeping beam of bullet images that hits the ship anywhere along it.
class CLaserBullet : public CBullet {
public:
    CLaserBullet(float x, float y, float angle, float turn, float step, int first, int maxCount, int kind);
    bool Move() override;
    void Draw() override;
    int GetCount() const { return count_; }

private:
    bool OffScreen(float px, float py) const;
    float PointX(int i) const;
    float PointY(int i) const;

    float angle_, turn_, step_;
    int first_, maxCount_, count_ = 0;
};
