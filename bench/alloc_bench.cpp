// The library's allocator on the paths a game takes: a small block made and
// freed (beside plain malloc), a large block made and freed again (a
// picture's pixels), and graphs of 64x64 made and deleted a hundred at a time
// in a started library beside 10 or 100 graphs that stay. The graph rows show
// the cost of one make-and-delete pair ("pair", in seconds). First, before
// anything of the library runs, a host program's own 1 MiB buffer beside the
// same after the library started: the library leaves the host's heap as it
// found it. "faults" counts the page faults per round or pair.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "core/alloc.h"
#include "started_library.h"
#include "zovav.h"

namespace {

constexpr size_t kSmallBlock = 64;

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// A 1 MiB buffer of the host's own, written through and freed, with the
// library not started yet (0) or started (1).
void BM_HostMallocRound(benchmark::State& state) {
    std::optional<StartedLibrary> library;
    if (state.range(0) == 1) {
        library.emplace([] {});
        if (!library->ok()) {
            state.SkipWithError("the library did not start");
            return;
        }
    }
    const size_t bytes = size_t(1) << 20;
    const long faults = MinorFaults();
    for (auto _ : state) {
        auto* block = static_cast<char*>(std::malloc(bytes));
        for (size_t i = 0; i < bytes; i += 4096) block[i] = char(i);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
    state.counters["faults"] = benchmark::Counter(double(MinorFaults() - faults), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_HostMallocRound)->ArgName("started")->Arg(0)->Arg(1);

void BM_SmallBlockPair(benchmark::State& state) {
    for (auto _ : state) {
        void* block = ZVALLOC(kSmallBlock);
        benchmark::DoNotOptimize(block);
        ZvFree(block);
    }
}
BENCHMARK(BM_SmallBlockPair);

void BM_SmallBlockPairPlainMalloc(benchmark::State& state) {
    for (auto _ : state) {
        void* block = std::malloc(kSmallBlock);
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
}
BENCHMARK(BM_SmallBlockPairPlainMalloc);

// A 1 MiB block written through, as a 512x512 picture's pixels are.
void BM_LargeBlockPairWritten(benchmark::State& state) {
    const size_t bytes = size_t(1) << 20;
    for (auto _ : state) {
        auto* block = static_cast<char*>(ZVALLOC(bytes));
        for (size_t i = 0; i < bytes; i += 4096) block[i] = char(i);
        benchmark::DoNotOptimize(block);
        ZvFree(block);
    }
}
BENCHMARK(BM_LargeBlockPairWritten);

// Graphs made and deleted a hundred at a time beside `held` graphs that stay.
void BM_GraphChurnBesideHeld(benchmark::State& state) {
    StartedLibrary library([] {});
    if (!library.ok()) {
        state.SkipWithError("the library did not start");
        return;
    }
    constexpr int kChurned = 100;
    std::vector<int> held(size_t(state.range(0))), churned(kChurned);
    for (int& h : held) h = MakeGraph(64, 64);
    const long faults = MinorFaults();
    for (auto _ : state) {
        for (int& h : churned) h = MakeGraph(64, 64);
        for (int h : churned) DeleteGraph(h);
    }
    const double pairs = double(state.iterations()) * kChurned;
    state.counters["faults"] = double(MinorFaults() - faults) / pairs;
    state.counters["pair"] = benchmark::Counter(pairs, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    for (int h : held) DeleteGraph(h);
}
BENCHMARK(BM_GraphChurnBesideHeld)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
