// The cost of the library lock around one public call, beside a plain
// recursive mutex pair doing the same guarding.
#include <benchmark/benchmark.h>

#include <mutex>

#include "core/lock.h"

static void LibraryLockPair(benchmark::State& state) {
    for (auto _ : state) {
        LockLibrary();
        benchmark::ClobberMemory();
        UnlockLibrary();
    }
}
BENCHMARK(LibraryLockPair);

static void RecursiveMutexPair(benchmark::State& state) {
    static std::recursive_mutex m;
    for (auto _ : state) {
        m.lock();
        benchmark::ClobberMemory();
        m.unlock();
    }
}
BENCHMARK(RecursiveMutexPair);
