// The wide-form level of the drawing cores: the processor's best, or what a test forced.
#include "softrender/simd_level.h"

namespace softrender {

namespace {

struct SimdState {
    int available = -1;  // detected on first use
    int inForce = -1;
};
SimdState g_simd;

int Detect() {
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? ISA_AVX2 : ISA_SSE2;
#elif defined(__SSE2__)
    return ISA_SSE2;
#else
    return ISA_SCALAR;
#endif
}

}  // namespace

int SimdLevelAvailable() {
    if (g_simd.available < 0) g_simd.available = Detect();
    return g_simd.available;
}

int SimdLevel() {
    if (g_simd.inForce < 0) g_simd.inForce = SimdLevelAvailable();
    return g_simd.inForce;
}

int ForceSimdLevel(int level) {
    const int best = SimdLevelAvailable();
    g_simd.inForce = level < 0 || level > best ? best : level;
    return g_simd.inForce;
}

}  // namespace softrender
