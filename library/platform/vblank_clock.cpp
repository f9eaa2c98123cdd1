// The vertical blank simulated from the monotonic clock: each 1/60 s refresh
// ends with a blank of 1/16 of its length.
#include "platform/vblank_clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
constexpr long long kPeriodNs = 1000000000LL / kVBlankRate;
constexpr long long kBlankNs = kPeriodNs / 16;
std::atomic<bool> g_immediate{false};

long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
long long PhaseNs() { return NowNs() % kPeriodNs; }
}  // namespace

bool VBlankIsInBlank() { return PhaseNs() >= kPeriodNs - kBlankNs; }

void VBlankWait() {
    if (g_immediate) return;
    long long phase = PhaseNs();
    long long until = kPeriodNs - kBlankNs - phase;
    if (until <= 0) until += kPeriodNs;
    std::this_thread::sleep_for(std::chrono::nanoseconds(until));
}

void VBlankSetImmediate(bool immediate) { g_immediate = immediate; }
