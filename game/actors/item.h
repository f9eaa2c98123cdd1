// Score pick-ups: the hopping item that destroyed enemies drop and the item that flies into the ship.
#pragma once
#include "frame/task_pools.h"

class CItem : public CPoolTask<POOL_ITEM> {
public:
    CItem(float x, float y);
    bool Move() override;

protected:
    int age_ = 0;
};

class CScoreItem : public CItem {
public:
    CScoreItem(float x, float y, int value) : CItem(x, y), value_(value) {}
    bool Move() override;
    void Draw() override;

private:
    int value_;
};

class CApproachScoreItem : public CItem {
public:
    CApproachScoreItem(float x, float y, int value) : CItem(x, y), value_(value) {}
    bool Move() override;
    void Draw() override;

private:
    int value_;
    int wait_ = 0;
};
