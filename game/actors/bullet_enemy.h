// The invisible bullet source of the stage script: fires one of five patterns and holds the script while it lives.
#pragma once
#include "actors/enemy.h"

class CBulletEnemy : public CEnemy {
public:
    CBulletEnemy(float x, float y);
    ~CBulletEnemy() override;
    bool Move() override;

private:
    int frame_ = 0;
    int pattern_ = 0;
    float targetX_ = 240.0f, targetY_ = 400.0f;
};
