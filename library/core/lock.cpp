// The library lock: a re-entrant lock with a first-come queue of waiting
// threads, each waiting on an event of its own, so no newcomer overtakes.
#include "core/lock.h"

#include <memory>
#include <mutex>

#include "platform/event_std.h"
#include "platform/system_posix.h"

namespace {
constexpr int kQueueSize = 4096;
constexpr uint32_t kNoOwner = 0xFFFFFFFF;
// How often a queued message thread looks at the quit flag; short, because
// shutdown waits for that thread while holding the lock.
constexpr unsigned kQuitPollMs = 100;

struct QueueEntry {
    uint32_t threadId;
    ManualResetEvent* event;
};

struct LibraryLockState {
    bool created = false;
    int recursion = 0;
    bool locked = false;
    uint32_t owner = 0;
    int waiterCount = 0;
    std::unique_ptr<ManualResetEvent[]> events;
    QueueEntry queue[kQueueSize] = {};
    std::mutex section;   // guards the fields above, held only briefly
};
LibraryLockState g_lock;

void CreateLockObjects() {
    if (g_lock.created) return;
    g_lock.created = true;
    g_lock.events.reset(new ManualResetEvent[kQueueSize]);
    for (int i = 0; i < kQueueSize; ++i) g_lock.queue[i] = {0, &g_lock.events[i]};
    g_lock.recursion = 0;
    g_lock.locked = false;
    g_lock.owner = 0;
    g_lock.waiterCount = 0;
}

int FindInQueue(uint32_t id) {
    for (int i = 0; i < g_lock.waiterCount; ++i)
        if (g_lock.queue[i].threadId == id) return i;
    return -1;
}

// Removes entry i; the entries behind it move up and its event goes to the
// last used place, so every entry keeps an event.
void RemoveQueueEntry(int i) {
    ManualResetEvent* kept = g_lock.queue[i].event;
    for (int j = i; j < g_lock.waiterCount - 1; ++j) g_lock.queue[j] = g_lock.queue[j + 1];
    g_lock.queue[g_lock.waiterCount - 1] = {0, kept};
    --g_lock.waiterCount;
}

void Take(uint32_t id) {
    ++g_lock.recursion;
    g_lock.locked = true;
    g_lock.owner = id;
}

enum class Decision { Take, Queue };

// Called with the section held.
Decision Decide(uint32_t id) {
    if (g_lock.locked) return g_lock.owner == id ? Decision::Take : Decision::Queue;
    if (g_lock.waiterCount == 0 || g_lock.owner == id) return Decision::Take;
    if (g_lock.queue[0].threadId == id) {
        RemoveQueueEntry(0);
        return Decision::Take;
    }
    return Decision::Queue;
}

// One attempt. Returns true when the lock was taken; otherwise *wait is the
// event to wait on (null: the queue was full, try again after a while).
bool TryTakeOrQueue(uint32_t id, ManualResetEvent** wait) {
    std::lock_guard<std::mutex> g(g_lock.section);
    if (Decide(id) == Decision::Take) {
        Take(id);
        return true;
    }
    int i = FindInQueue(id);
    if (i < 0) {
        if (g_lock.waiterCount == kQueueSize) {
            *wait = nullptr;
            return false;
        }
        i = g_lock.waiterCount++;
        g_lock.queue[i].threadId = id;
    }
    *wait = g_lock.queue[i].event;
    return false;
}

// Returns true when a waiter has to be woken.
bool Release() {
    std::lock_guard<std::mutex> g(g_lock.section);
    uint32_t id = PlatformThreadId();
    // An unlock without a matching lock by this thread changes nothing.
    if (!g_lock.locked || g_lock.owner != id || g_lock.recursion <= 0) return false;
    bool wake = false;
    if (g_lock.recursion == 1) {
        g_lock.locked = false;
        g_lock.owner = kNoOwner;
        wake = g_lock.waiterCount > 0;
    }
    --g_lock.recursion;
    if (wake) g_lock.queue[0].event->Set();
    return wake;
}
}  // namespace

void LockLibrary() {
    if (!g_lock.created) CreateLockObjects();
    uint32_t id = PlatformThreadId();
    for (;;) {
        ManualResetEvent* wait = nullptr;
        if (TryTakeOrQueue(id, &wait)) return;
        if (!wait) {
            PlatformSleepMs(1);
            continue;
        }
        wait->Wait();
        wait->Reset();
    }
}

void UnlockLibrary() {
    if (!g_lock.created) return;
    if (Release()) PlatformSleepMs(0);
}

bool LockLibraryUnlessQuit(const std::atomic<uint32_t>& quit) {
    if (!g_lock.created) CreateLockObjects();
    uint32_t id = PlatformThreadId();
    for (;;) {
        if (quit.load()) return false;
        ManualResetEvent* wait = nullptr;
        if (TryTakeOrQueue(id, &wait)) return true;
        if (!wait) {
            PlatformSleepMs(1);
            continue;
        }
        while (!wait->WaitFor(0)) {
            if (quit.load()) return false;
            wait->WaitFor(kQuitPollMs);
        }
        wait->Reset();
    }
}

void UnlockLibraryNoYield() {
    if (g_lock.created) Release();
}

void LeaveLibraryLockQueue() {
    if (!g_lock.created) return;
    std::lock_guard<std::mutex> g(g_lock.section);
    int i = FindInQueue(PlatformThreadId());
    if (i < 0) return;
    RemoveQueueEntry(i);
    if (i == 0 && g_lock.waiterCount > 0) g_lock.queue[0].event->Set();
}

void DestroyLibraryLock() {
    if (!g_lock.created) return;
    std::lock_guard<std::mutex> g(g_lock.section);
    g_lock.created = false;
    for (int i = 0; i < kQueueSize; ++i) g_lock.queue[i] = {0, nullptr};
    g_lock.events.reset();
    g_lock.recursion = 0;
    g_lock.locked = false;
    g_lock.owner = 0;
    g_lock.waiterCount = 0;
}

LibraryLockInfo GetLibraryLockInfo() {
    std::lock_guard<std::mutex> g(g_lock.section);
    return {g_lock.created, g_lock.recursion, g_lock.locked, g_lock.owner, g_lock.waiterCount};
}

uint32_t LibraryLockQueueEntry(int index) {
    std::lock_guard<std::mutex> g(g_lock.section);
    return index >= 0 && index < kQueueSize ? g_lock.queue[index].threadId : 0;
}
