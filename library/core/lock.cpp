// The library lock: a re-entrant ticket lock. Each newcomer draws the next
// ticket and is served in that order, so no newcomer overtakes a waiter. The
// state is constant-initialised, so the first call from any thread, even
// before start-up, finds it ready.
#include "core/lock.h"

#include "platform/monitor_posix.h"
#include "platform/system_posix.h"

namespace {
constexpr uint32_t kNoOwner = 0xFFFFFFFF;
// How often a queued message thread looks at the quit flag; short, because
// shutdown waits for that thread while holding the lock.
constexpr unsigned kQuitPollMs = 100;
// Tickets of waiters that gave up on quit, skipped when their turn comes.
constexpr int kMaxAbandoned = 64;

struct LibraryLockState {
    PlatformMonitor monitor;    // guards the fields below, held only briefly
    bool used = false;          // locked since the last destroy
    uint64_t nextTicket = 0;
    uint64_t serving = 0;       // the owner's ticket while locked
    bool locked = false;
    uint32_t owner = 0;
    int depth = 0;
    uint64_t abandoned[kMaxAbandoned] = {};
    int abandonedCount = 0;
};
LibraryLockState g_lock;

// Called with the monitor held.
bool TakeAbandoned(uint64_t ticket) {
    for (int i = 0; i < g_lock.abandonedCount; ++i) {
        if (g_lock.abandoned[i] != ticket) continue;
        g_lock.abandoned[i] = g_lock.abandoned[--g_lock.abandonedCount];
        return true;
    }
    return false;
}

// Passes the turn to the next ticket that still has a waiter.
void ServeNext() {
    do {
        ++g_lock.serving;
    } while (TakeAbandoned(g_lock.serving));
    g_lock.monitor.WakeAll();
}

// Re-entry, or a ticket for a newcomer; true when the caller holds the lock.
bool EnterOrDraw(uint32_t id, uint64_t* ticket) {
    g_lock.used = true;
    if (g_lock.locked && g_lock.owner == id) {
        ++g_lock.depth;
        return true;
    }
    *ticket = g_lock.nextTicket++;
    return false;
}

void Take(uint32_t id) {
    g_lock.locked = true;
    g_lock.owner = id;
    g_lock.depth = 1;
}

// Returns true when a waiter was given the turn.
bool Release() {
    MonitorGuard guard(g_lock.monitor);
    // An unlock without a matching lock by this thread changes nothing.
    if (!g_lock.locked || g_lock.owner != PlatformThreadId() || g_lock.depth <= 0) return false;
    if (--g_lock.depth > 0) return false;
    g_lock.locked = false;
    g_lock.owner = kNoOwner;
    ServeNext();
    return g_lock.nextTicket != g_lock.serving;
}
}  // namespace

void LockLibrary() {
    const uint32_t id = PlatformThreadId();
    MonitorGuard guard(g_lock.monitor);
    uint64_t ticket = 0;
    if (EnterOrDraw(id, &ticket)) return;
    while (g_lock.serving != ticket) g_lock.monitor.Wait();
    Take(id);
}

void UnlockLibrary() {
    if (Release()) PlatformSleepMs(0);
}

bool LockLibraryUnlessQuit(const std::atomic<uint32_t>& quit) {
    const uint32_t id = PlatformThreadId();
    MonitorGuard guard(g_lock.monitor);
    if (quit.load()) return false;
    uint64_t ticket = 0;
    if (EnterOrDraw(id, &ticket)) return true;
    while (g_lock.serving != ticket) {
        if (quit.load() && g_lock.abandonedCount < kMaxAbandoned) {
            g_lock.abandoned[g_lock.abandonedCount++] = ticket;
            return false;
        }
        g_lock.monitor.WaitMs(kQuitPollMs);
    }
    if (quit.load()) {
        // Our turn came as we quit: hand it on untaken.
        ServeNext();
        return false;
    }
    Take(id);
    return true;
}

void UnlockLibraryNoYield() { Release(); }

void DestroyLibraryLock() {
    MonitorGuard guard(g_lock.monitor);
    g_lock.used = false;
}

LibraryLockInfo GetLibraryLockInfo() {
    MonitorGuard guard(g_lock.monitor);
    const int waiting = int(g_lock.nextTicket - g_lock.serving) - (g_lock.locked ? 1 : 0) - g_lock.abandonedCount;
    return {g_lock.used, g_lock.depth, g_lock.locked, g_lock.owner, waiting};
}
