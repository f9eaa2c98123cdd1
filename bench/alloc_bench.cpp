// The library's allocator on the paths a game takes: a small block made and
// freed (beside plain malloc), a large block made and freed again (a
// picture's pixels), and graphs of 64x64 made and deleted a hundred at a time
// in a started library beside 10 or 100 graphs that stay. The graph rows show
// the cost of one make-and-delete pair ("pair", in seconds).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "core/alloc.h"
#include "started_library.h"
#include "zovav.h"

namespace {

constexpr size_t kSmallBlock = 64;

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
    for (auto _ : state) {
        for (int& h : churned) h = MakeGraph(64, 64);
        for (int h : churned) DeleteGraph(h);
    }
    for (int h : held) DeleteGraph(h);
    state.counters["pair"] = benchmark::Counter(double(state.iterations()) * kChurned,
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_GraphChurnBesideHeld)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
