// The player ships: the controllable ship, its entry from below, its blinking revival, and the preview ship.
#pragma once
#include "frame/task_pools.h"

class CPlayer : public CPoolTask<POOL_PLAYER> {
public:
    CPlayer(float x, float y) : CPoolTask(x, y, HitBox::Centred(2, 2)) {}
    // The game forgets a current player that is deleted, so nothing reads a freed ship.
    ~CPlayer() override;
    bool Move() override;
    void Draw() override;

    // true when the attack's button was taken this frame, fired or not.
    bool SwordAttack();
    bool HomingAttack();
    bool SpreadAttack();
    bool FocusAttack();

    float life = 0.0f;

protected:
    void DrawShip(int frame, int input, bool afterimage) const;
    bool AttackFrame(int button) const;

    int attackCounter_ = 0;
    int drawFrame_ = 1;
};

class CNormalPlayer : public CPlayer {
public:
    CNormalPlayer(float x, float y) : CPlayer(x, y) { life = 1.0f; }
    ~CNormalPlayer() override { life = 0.0f; }
    bool Move() override;
};

class CAppearingPlayer : public CPlayer {
public:
    CAppearingPlayer();
    bool Move() override;
};

class CRevivalPlayer : public CPlayer {
public:
    CRevivalPlayer(float x, float y);
    bool Move() override;
    void Draw() override;

private:
    int counter_ = 0;
};

class CDemoPlayer : public CPlayer {
public:
    CDemoPlayer(float x, float y, int shotType) : CPlayer(x, y), shotType_(shotType) {}
    bool Move() override;
    void Draw() override;
    void SetRemove() { remove_ = 1; }

private:
    int remove_ = 0;
    int counter_ = 0;
    int shotType_;
};
