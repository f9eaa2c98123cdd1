// The enemy kinds that stage scripts name: the kind words and one creator per kind.
#include "actors/enemy_kinds.h"

#include "actors/boss_base.h"
#include "actors/bullet_enemy.h"
#include "actors/crystal_enemies.h"

namespace {
template <class T>
CEnemy* Create(float x, float y) {
    static_assert(FitsPool<T>());
    return new T(x, y);
}
}  // namespace

const char* const EnemyKindNames[kEnemyKindCount + 1] = {
    "bigrabbit1", "bigrabbit2", "bigrabbit3", "bigrabbit4", "bigrabbit5", "smallrabbit1", "smallrabbit2",
    "smallrabbit3", "smallrabbit4", "smallrabbit5", "crystal1", "crystal2", "crystal3", "crystal4",
    "crystal5", "crystal6", "crystal7", "crystal8", "boss1", "boss2", "boss3", "basic", "end"};

const EnemyCreator EnemyCreators[kEnemyKindCount] = {
    Create<CBigRabbitEnemy>, Create<CBigRabbit2Enemy>, Create<CBigRabbit3Enemy>, Create<CBigRabbit4Enemy>,
    Create<CBigRabbit5Enemy>, Create<CSmallRabbitEnemy>, Create<CSmallRabbit2Enemy>, Create<CSmallRabbit3Enemy>,
    Create<CSmallRabbit4Enemy>, Create<CSmallRabbit5Enemy>, Create<CCrystalEnemy>, Create<CCrystal2Enemy>,
    Create<CCrystal3Enemy>, Create<CCrystal4Enemy>, Create<CCrystal5Enemy>, Create<CCrystal6Enemy>,
    Create<CCrystal7Enemy>, Create<CCrystal8Enemy>, Create<CBossAppear1>, Create<CBossAppear2>, Create<CBossAppear3>,
    Create<CBulletEnemy>};
