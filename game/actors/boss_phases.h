// The attack phases of the three bosses and their companions; each phase makes its successor when its hp runs
// out.
#pragma once
#include "actors/boss_base.h"

// First boss.
class CBossAction1to1 : public CBossEnemy {
public:
    CBossAction1to1(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;
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
    CBossAction1to2(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
    float targetX = 0, targetY = 0, fanAngle = 0;
};

class CBossAction1to3 : public CBossEnemy {
public:
    CBossAction1to3(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;
};

class CBossAction1to4 : public CBossEnemy {
public:
    CBossAction1to4(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
    void Flower(float base);
    float targetX = 0, targetY = 0;
};

// Second boss.
class CBossAction2to1 : public CBossEnemy {
public:
    CBossAction2to1(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;
};

class CBossAction2to2 : public CBossEnemy {
public:
    CBossAction2to2(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
    uint8_t arrived = 0;
};

class CBossAction2to3 : public CBossEnemy {
public:
    CBossAction2to3(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
    int counter = 0;
    uint8_t started = 0;
};

class CBossAction2to4 : public CBossEnemy {
public:
    CBossAction2to4(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
    int counter = 0;
};

// Third boss.
class CBossAction3to1 : public CBossEnemy {
public:
    CBossAction3to1(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
    float spiralAngle = 1.5f, targetX = 0, targetY = 0;
};

class CBossAction3to2 : public CBossEnemy {
public:
    CBossAction3to2(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
    int counter = 0;
    uint8_t arrived = 0;
    float columnAngle = 1.5f;
};

class CBossAction3to3 : public CBossEnemy {
public:
    CBossAction3to3(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
    int counter = 0;
};

class CBossAction3to4 : public CBossEnemy {
public:
    CBossAction3to4(float x, float y);
    bool Move() override;

protected:
    bool CreateSuccessor() override;

private:
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
