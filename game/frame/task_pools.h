// The ten task pools of the game object: their numbering, capacities and
// element sizes, and the base through which each family of classes takes its
// objects from its pool.
#pragma once
#include <cstddef>
#include <cstdint>

#include "frame/task.h"

// In the game object's order; ClearAllBut numbers them from 1. The boss sparks,
// made while drawing, have a pool of their own so that drawing never touches
// the play's effects; it goes with the effect pool.
enum PoolId {
    POOL_PLAYER, POOL_SHOT, POOL_BULLET, POOL_EFFECT, POOL_ENEMY,
    POOL_SCENE, POOL_BACKGROUND, POOL_SPECIAL, POOL_ITEM, POOL_REPLAY,
    POOL_SPARK,
    POOL_COUNT
};

struct PoolSpec {
    uint32_t capacity;
    uint32_t elementSize;   // bytes; every class of the family must fit
};

// Element sizes leave room for the families' largest classes; FitsPool checks
// each class against them when it is compiled.
constexpr PoolSpec kPoolSpecs[POOL_COUNT] = {
    {5, 512},    // player
    {100, 192},  // shot
    {800, 192},  // bullet
    {100, 192},  // effect
    {100, 512},  // enemy
    {5, 1024},   // scene
    {5, 256},    // background
    {10, 256},   // special
    {100, 192},  // item
    {5, 256},    // replay
    {100, 192},  // boss sparks
};

// The order in which the game object makes its pools.
constexpr PoolId kPoolCreationOrder[POOL_COUNT] = {
    POOL_PLAYER, POOL_SHOT, POOL_SPECIAL, POOL_BULLET, POOL_EFFECT,
    POOL_ENEMY, POOL_SCENE, POOL_BACKGROUND, POOL_ITEM, POOL_REPLAY, POOL_SPARK,
};

// The pool of the running game object.
CTaskList* GamePool(PoolId pool);

// Base of a family root (CShot, CScene, ...): its objects come from pool P and
// go back to it. new yields null when the pool is full and then constructs
// nothing, so callers test the result.
template <PoolId P>
class CPoolTask : public CMover {
public:
    static constexpr PoolId kPool = P;
    CPoolTask(float x, float y, const HitBox& hitBox) : CMover(GamePool(P), x, y, hitBox) {}
    CPoolTask(float x, float y) : CMover(GamePool(P), x, y) {}

    static void* operator new(size_t size) noexcept { return GamePool(P)->Take(size); }
    static void operator delete(void* p) { GamePool(P)->GiveBack(p); }

protected:
    // A member of the family kept in another pool (the boss sparks among the effects).
    CPoolTask(CTaskList* list, float x, float y) : CMover(list, x, y) {}
};

// Every class allocated from a pool states static_assert(FitsPool<Class>()).
template <class T>
constexpr bool FitsPool() {
    return sizeof(T) <= kPoolSpecs[T::kPool].elementSize && alignof(T) <= alignof(std::max_align_t);
}
