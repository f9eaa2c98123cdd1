// A game object with boss sprite sizes and small position lists, and helpers that run the enemy list as the
// frame loop does and find actors by class.
#pragma once
#include <filesystem>
#include <typeinfo>

#include "actors/boss_phases.h"
#include "game/actors/actor_fixture.h"

namespace bossfix {

class BossTest : public actorfix::ActorTest {
protected:
    void SetUp() override {
        std::filesystem::create_directories("data/dat");
        gamefix::WriteDataFile("data/dat/position1.dat", "100 120 300 140 ");
        gamefix::WriteDataFile("data/dat/position2.dat", "60 200 400 220 ");
        ActorTest::SetUp();
        SizeBosses();
        game_->SetMode(2);
    }
    void SizeBosses() {
        for (auto& s : game_->bossSizes) s = {121, 100};
    }
    // One update of the enemy list.
    void EnemyUpdate() { game_->MoveAll(POOL_ENEMY); }
    template <class T>
    T* Find() const {
        for (CTaskList::iterator it(game_->Pool(POOL_ENEMY)); it.HasNext();)
            if (T* t = dynamic_cast<T*>(it.Next())) return t;
        return nullptr;
    }
    template <class T>
    int CountOf(PoolId pool = POOL_ENEMY) const {
        int n = 0;
        for (CTaskList::iterator it(game_->Pool(pool)); it.HasNext();) n += dynamic_cast<T*>(it.Next()) != nullptr;
        return n;
    }
    static std::string ClassOf(const CTask* task) {
        std::string name = typeid(*task).name();
        return name.substr(name.find_first_not_of("0123456789"));
    }
    // Fills the enemy pool, leaving `free` slots.
    void FillEnemies(int free) {
        while ((int)game_->Pool(POOL_ENEMY)->GetCount() < (int)game_->Pool(POOL_ENEMY)->Capacity() - free)
            new CEnemy(-500, -500, HitBox(), 1, 0);
    }
};

}  // namespace bossfix
