// The library lock: re-entrant, first come first served, no overtaking.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/lock.h"
#include "platform/system_posix.h"

namespace {
void WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(done());
}
}  // namespace

TEST(LibraryLock, NestedLocksReleaseAtTheOutermostUnlock) {
    LockLibrary();
    LockLibrary();
    EXPECT_EQ(GetLibraryLockInfo().recursion, 2);
    std::atomic<bool> got{false};
    std::thread other([&] {
        LockLibrary();
        got = true;
        UnlockLibrary();
    });
    UnlockLibrary();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(got);   // still held once
    UnlockLibrary();
    other.join();
    EXPECT_TRUE(got);
    EXPECT_FALSE(GetLibraryLockInfo().locked);
}

TEST(LibraryLock, WaitersAreServedInArrivalOrderAndNewcomersQueueBehind) {
    LockLibrary();
    std::mutex orderMutex;
    std::vector<int> order;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&, i] {
            LockLibrary();
            { std::lock_guard<std::mutex> g(orderMutex); order.push_back(i); }
            UnlockLibrary();
        });
        WaitUntil([&] { return GetLibraryLockInfo().waiters == i + 1; });
    }
    UnlockLibrary();
    // The lock is free but waiters remain: a newcomer must not overtake them.
    std::thread late([&] {
        LockLibrary();
        { std::lock_guard<std::mutex> g(orderMutex); order.push_back(99); }
        UnlockLibrary();
    });
    for (auto& t : threads) t.join();
    late.join();
    ASSERT_EQ(order.size(), 5u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(order[i], i);
}

TEST(LibraryLock, OwnerThatUnlocksAndLocksAgainQueuesBehindTheWaiter) {
    LockLibrary();
    std::vector<char> order;   // written only by the lock's holder
    std::thread a([&] {
        LockLibrary();
        order.push_back('A');
        UnlockLibrary();
    });
    WaitUntil([] { return GetLibraryLockInfo().waiters == 1; });
    UnlockLibrary();
    LockLibrary();
    order.push_back('M');
    UnlockLibrary();
    a.join();
    EXPECT_EQ(std::string(order.begin(), order.end()), "AM");
}

TEST(LibraryLock, TurnOfAQuitWaiterPassesToTheNext) {
    LockLibrary();
    std::atomic<uint32_t> quit{0};
    std::atomic<int> quitter{-1};
    std::atomic<bool> nextGot{false};
    std::thread messageThread([&] { quitter = LockLibraryUnlessQuit(quit) ? 1 : 0; });
    WaitUntil([] { return GetLibraryLockInfo().waiters == 1; });
    std::thread next([&] {
        LockLibrary();
        nextGot = true;
        UnlockLibrary();
    });
    WaitUntil([] { return GetLibraryLockInfo().waiters == 2; });
    quit = 1;
    messageThread.join();
    EXPECT_EQ(quitter, 0);
    EXPECT_EQ(GetLibraryLockInfo().waiters, 1);
    UnlockLibrary();
    next.join();
    EXPECT_TRUE(nextGot);
    EXPECT_EQ(GetLibraryLockInfo().waiters, 0);
}

TEST(LibraryLock, UnpairedUnlockIsIgnored) {
    UnlockLibrary();                       // before anything was locked
    LockLibrary();
    std::thread stranger([] { UnlockLibrary(); });   // not the owner
    stranger.join();
    LibraryLockInfo info = GetLibraryLockInfo();
    EXPECT_TRUE(info.locked);
    EXPECT_EQ(info.recursion, 1);
    UnlockLibrary();
    UnlockLibrary();                       // one too many
    info = GetLibraryLockInfo();
    EXPECT_FALSE(info.locked);
    EXPECT_EQ(info.recursion, 0);
    LockLibrary();
    EXPECT_EQ(GetLibraryLockInfo().recursion, 1);
    UnlockLibrary();
}

TEST(LibraryLock, QueuedThreadGivesUpOnQuitAndLeavesTheQueue) {
    LockLibrary();
    std::atomic<uint32_t> quit{0};
    std::atomic<int> result{-1};
    std::thread messageThread([&] {
        result = LockLibraryUnlessQuit(quit) ? 1 : 0;
    });
    WaitUntil([] { return GetLibraryLockInfo().waiters == 1; });
    quit = 1;
    messageThread.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(GetLibraryLockInfo().waiters, 0);
    UnlockLibrary();
}

TEST(LibraryLock, RebuiltAfterDestruction) {
    LockLibrary();
    UnlockLibrary();
    DestroyLibraryLock();
    EXPECT_FALSE(GetLibraryLockInfo().created);
    LockLibrary();
    EXPECT_TRUE(GetLibraryLockInfo().created);
    EXPECT_EQ(GetLibraryLockInfo().owner, PlatformThreadId());
    UnlockLibrary();
}
