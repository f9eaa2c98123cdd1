// The game object made without the library: pools, system file, defaults.
#include "game_fixture.h"

#include "scenes/score_system.h"

using gamefix::GameTest;

TEST_F(GameTest, MakesItsPoolsAndFilesWithTheDefaults) {
    MakeGame();
    const uint32_t capacities[POOL_COUNT] = {5, 100, 800, 100, 100, 5, 5, 10, 100, 5, 100};
    for (int p = 0; p < POOL_COUNT; ++p) {
        EXPECT_EQ(game_->Pool(PoolId(p))->Capacity(), capacities[p]) << "pool " << p;
        EXPECT_EQ(game_->Pool(PoolId(p))->GetCount(), 0u);
    }
    EXPECT_EQ(game_->GetMode(), -1);
    EXPECT_EQ(game_->GetStage(), 1);
    EXPECT_EQ(game_->GetLastStage(), 3);
    EXPECT_EQ(gamefix::ReadDataFile("data/dat/system.dat"), "KLOV_SYSTEM\n0\n0\n3\n");
    EXPECT_EQ(game_->Positions().size(), 3u) << "missing position tables keep their places";
}
