// A mutex with one condition that needs no construction at run time (the
// POSIX static initialisers), for objects used before any start-up step.
#pragma once
#include <pthread.h>

#include <ctime>

struct PlatformMonitor {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t condition = PTHREAD_COND_INITIALIZER;

    void Enter() { pthread_mutex_lock(&mutex); }
    void Leave() { pthread_mutex_unlock(&mutex); }
    // Both waits are entered and left holding the mutex.
    void Wait() { pthread_cond_wait(&condition, &mutex); }
    void WaitMs(unsigned milliseconds) {
        timespec until;
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_sec += milliseconds / 1000;
        until.tv_nsec += long(milliseconds % 1000) * 1000000L;
        if (until.tv_nsec >= 1000000000L) {
            ++until.tv_sec;
            until.tv_nsec -= 1000000000L;
        }
        pthread_cond_timedwait(&condition, &mutex, &until);
    }
    void WakeAll() { pthread_cond_broadcast(&condition); }
};

// Holds a monitor's mutex for a scope.
class MonitorGuard {
public:
    explicit MonitorGuard(PlatformMonitor& m) : m_(m) { m_.Enter(); }
    ~MonitorGuard() { m_.Leave(); }
    MonitorGuard(const MonitorGuard&) = delete;
    MonitorGuard& operator=(const MonitorGuard&) = delete;

private:
    PlatformMonitor& m_;
};
