// Task pools: capacity, last-in first-out reuse, walks in creation order that
// see tasks made during the walk, erasing while walking, and pool families.
#include "game_fixture.h"

#include <string>

#include "frame/task_pools.h"

namespace {
// A family of its own over a test pool; logs moves by name.
CTaskList* g_testPool = nullptr;
std::string g_log;

class Probe : public CMover {
public:
    Probe(char name, int life = 1000) : CMover(g_testPool, 0, 0), name_(name), life_(life) {}
    static void* operator new(size_t size) noexcept { return g_testPool->Take(size); }
    static void operator delete(void* p) { g_testPool->GiveBack(p); }
    bool Move() override {
        g_log += name_;
        if (name_ == 'a' && !spawned_) {
            spawned_ = true;
            new Probe('n');
        }
        return --life_ > 0;
    }

private:
    char name_;
    int life_;
    bool spawned_ = false;
};

std::string Walk(CTaskList& list) {
    g_log.clear();
    for (CTaskList::iterator it(&list); it.HasNext();)
        if (!static_cast<CMover*>(it.Next())->Move()) it.Erase();
    return g_log;
}

class TaskTest : public ::testing::Test {
protected:
    void SetUp() override { g_testPool = &pool_; }
    void TearDown() override {
        pool_.Clear();
        g_testPool = nullptr;
    }
    CTaskList pool_{sizeof(Probe), 3};
};
}  // namespace

TEST_F(TaskTest, AFullPoolMakesNothingAndTheLastFreedIsReusedFirst) {
    EXPECT_EQ(pool_.GetCount(), 0u);
    Probe* made[3];
    for (Probe*& p : made) {
        p = new Probe('x');
        ASSERT_NE(p, nullptr);
    }
    EXPECT_EQ(new Probe('y'), nullptr) << "no element, no constructor";
    EXPECT_EQ(pool_.GetCount(), 3u);
    delete made[0];
    delete made[2];
    EXPECT_EQ(new Probe('z'), made[2]);
    EXPECT_EQ(new Probe('z'), made[0]);
    pool_.Clear();
    EXPECT_EQ(pool_.GetCount(), 0u);
    EXPECT_EQ(Walk(pool_), "");
}

TEST_F(TaskTest, WalksInCreationOrderAndVisitsTasksMadeDuringTheWalk) {
    new Probe('a');
    new Probe('b');
    EXPECT_EQ(Walk(pool_), "abn");
    EXPECT_EQ(Walk(pool_), "abn");
}

TEST_F(TaskTest, ErasingDuringAWalkGoesOnWithTheNextTask) {
    new Probe('p', 1);
    new Probe('q');
    new Probe('r', 1);
    EXPECT_EQ(Walk(pool_), "pqr");
    EXPECT_EQ(pool_.GetCount(), 1u);
    EXPECT_EQ(Walk(pool_), "q");
}

TEST_F(TaskTest, ATaskTooBigForItsPoolIsRefused) {
    gamefix::FakeSystem sys;
    CTaskList small(sizeof(CMover), 2);
    EXPECT_EQ(small.Take(small.ElementSize() + 1), nullptr);
    EXPECT_EQ(small.GetCount(), 0u);
}

TEST(TaskPoolTest, TheGameFamiliesTakeFromTheGamePools) {
    class Bullet : public CPoolTask<POOL_BULLET> {
    public:
        using CPoolTask::CPoolTask;
    };
    static_assert(FitsPool<Bullet>(), "a bullet fits its pool");
    zvtest::ScopedTempDir dir;
    gamefix::FakeSystem sys;
    CGame game;
    g_game = &game;
    std::vector<Bullet*> made;
    for (Bullet* b; (b = new Bullet(1.0f, 2.0f)) != nullptr;) made.push_back(b);
    EXPECT_EQ(made.size(), 800u);
    EXPECT_EQ(game.Pool(POOL_BULLET)->GetCount(), 800u);
    game.ClearAllBut(3);
    EXPECT_EQ(game.Pool(POOL_BULLET)->GetCount(), 800u) << "pool 3, the bullets, is kept";
    game.ClearAllBut(0);
    EXPECT_EQ(game.Pool(POOL_BULLET)->GetCount(), 0u);
    g_game = nullptr;
}
