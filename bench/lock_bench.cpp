// The cost of the library lock around one public call, beside a recursive
// mutex guarding the same call.
#include <benchmark/benchmark.h>

#include <mutex>

#include "core/lock.h"
#include "core/routines.h"
#include "zovav.h"

static void PublicCallUnderLibraryLock(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(GetNowCount(0));
}
BENCHMARK(PublicCallUnderLibraryLock);

static void SameCallUnderRecursiveMutex(benchmark::State& state) {
    static std::recursive_mutex m;
    for (auto _ : state) {
        m.lock();
        benchmark::DoNotOptimize(GetNowCountImpl());
        m.unlock();
    }
}
BENCHMARK(SameCallUnderRecursiveMutex);

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
