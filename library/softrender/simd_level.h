// Which wide forms the drawing cores run: chosen once from the processor, and forceable so
// that tests can run the scalar rules and every wide form on one machine.
#pragma once

namespace softrender {

enum : int { ISA_SCALAR = 0, ISA_SSE2 = 1, ISA_AVX2 = 2, ISA_COUNT = 3 };

// The level in force (the processor's best unless forced).
int SimdLevel();
// The best level this processor runs.
int SimdLevelAvailable();
// Forces a level, capped at what the processor runs; -1 returns to the processor's best.
// Returns the level now in force.
int ForceSimdLevel(int level);

}  // namespace softrender
