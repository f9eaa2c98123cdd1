// The library lock: one re-entrant lock with a first-come queue that every
// public function takes, so the main thread and the message thread take turns.
#pragma once
#include <atomic>
#include <cstdint>

void LockLibrary();
void UnlockLibrary();

// The message thread's way in: gives up (returns false) once quit becomes
// non-zero, leaving its place in the queue.
bool LockLibraryUnlessQuit(const std::atomic<uint32_t>& quit);
// Release without yielding to the woken waiter.
void UnlockLibraryNoYield();

// Marks the lock unused (the library has ended); it needs no re-creation.
void DestroyLibraryLock();

// Observations for tests; created means used since the last destroy.
struct LibraryLockInfo {
    bool created;
    int recursion;
    bool locked;
    uint32_t owner;
    int waiters;
};
LibraryLockInfo GetLibraryLockInfo();

// Runs one call under the library lock and returns its result unchanged.
template <class F>
auto WithLibraryLock(F&& f) -> decltype(f()) {
    struct Guard {
        Guard() { LockLibrary(); }
        ~Guard() { UnlockLibrary(); }
    } guard;
    return f();
}
