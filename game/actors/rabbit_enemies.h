// The ten rabbit kinds: the stages' ordinary enemies, each with its own motion and firing over the shared step.
#pragma once
#include "actors/enemy.h"

// Shared by rabbits and crystals: the mode, the delay parameter and the way toward the nearer edge.
class CPatternEnemy : public CSmallEnemy {
public:
    CPatternEnemy(int imageKind, float x, float y, float hp, int scoreA, int scoreB);

protected:
    int Mode() const { return mode_; }
    int Delay() const { return GetParam(0); }
    // Updates past the delay; wide, since a script may give any delay.
    long long SinceDelay() const { return (long long)age - Delay(); }
    float Side() const { return x < 240 ? -1.0f : 1.0f; }

private:
    int mode_;
};

#define VELMORA_ENEMY_KIND(Class)      \
    class Class : public CPatternEnemy { \
    public:                            \
        Class(float x, float y);       \
        bool Move() override;          \
                                       \
    private:
VELMORA_ENEMY_KIND(CBigRabbitEnemy) float vx_ = 0.0f, vy_ = 2.0f; };
VELMORA_ENEMY_KIND(CBigRabbit2Enemy) };
VELMORA_ENEMY_KIND(CBigRabbit3Enemy) float vx_ = 3.0f, vy_ = 3.0f, targetX_ = 240.0f, targetY_ = 400.0f; };
VELMORA_ENEMY_KIND(CBigRabbit4Enemy) };
VELMORA_ENEMY_KIND(CBigRabbit5Enemy) };
VELMORA_ENEMY_KIND(CSmallRabbitEnemy) float amplitude_ = 0.5f, vy_ = 1.7f, phase_ = 0.0f; };
VELMORA_ENEMY_KIND(CSmallRabbit2Enemy) float vx_, vy_ = 1.5f, targetX_ = 240.0f, targetY_ = 480.0f; };
VELMORA_ENEMY_KIND(CSmallRabbit3Enemy) };
VELMORA_ENEMY_KIND(CSmallRabbit4Enemy) };
VELMORA_ENEMY_KIND(CSmallRabbit5Enemy) };
