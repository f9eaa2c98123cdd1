// Effects over the play field: animated sparks, enemy explosions and the player's explosion that takes a life.
#pragma once
#include "frame/task_pools.h"

class CEffect : public CPoolTask<POOL_EFFECT> {
public:
    CEffect(float x, float y);
    // Ordinary effects leave the last slot free, so that the player's explosion always finds one.
    static void* operator new(size_t size) noexcept;
    static void operator delete(void* p) { GamePool(POOL_EFFECT)->GiveBack(p); }

protected:
    // For effects kept in a pool of their own (the boss sparks).
    CEffect(CTaskList* list, float x, float y) : CPoolTask(list, x, y) {}
    void DrawAnimFrame(int animation, int frame) const;
};

class CNormalEffect : public CEffect {
public:
    CNormalEffect(int animation, float x, float y, float speed, float vx, float vy);
    bool Move() override;
    void Draw() override;

protected:
    CNormalEffect(CTaskList* list, int animation, float x, float y, float speed, float vx, float vy);

private:
    int animation_;
    float speed_;
    float frame_ = 0.0f;
    float vx_, vy_;
};

class CEnemyCrash : public CEffect {
public:
    CEnemyCrash(float x, float y, float scale);
    bool Move() override;
    void Draw() override;

private:
    int counter_ = 0;
    float scale_;
};

class CPlayerCrash : public CEffect {
public:
    CPlayerCrash(float x, float y);
    static void* operator new(size_t size) noexcept;
    static void operator delete(void* p) { GamePool(POOL_EFFECT)->GiveBack(p); }
    bool Move() override;
    void Draw() override;

private:
    int counter_ = 0;
    bool lifeTaken_ = false;
};
