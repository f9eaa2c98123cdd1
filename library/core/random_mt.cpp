// Mersenne Twister state, seeded the 1998 way (a 69069 linear generator
// fills the words) and refilled at once.
#include "core/routines.h"

namespace {
constexpr int N = 624, M = 397;
constexpr uint32_t kMatrixA = 0x9908B0DFu, kUpper = 0x80000000u, kLower = 0x7FFFFFFFu;

struct RandomState {
    uint32_t words[N] = {};
    int position = 0;
};
RandomState g_random;

void Refill() {
    uint32_t* mt = g_random.words;
    auto twist = [](uint32_t a, uint32_t b, uint32_t c) {
        uint32_t y = (a & kUpper) | (b & kLower);
        return c ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
    };
    int k = 0;
    for (; k < N - M; ++k) mt[k] = twist(mt[k], mt[k + 1], mt[k + M]);
    for (; k < N - 1; ++k) mt[k] = twist(mt[k], mt[k + 1], mt[k + (M - N)]);
    mt[N - 1] = twist(mt[N - 1], mt[0], mt[M - 1]);
}
}  // namespace

void SRandMT(uint32_t seed) {
    for (int i = 0; i < N; ++i) {
        uint32_t word = seed & 0xFFFF0000u;
        seed = 69069u * seed + 1u;
        word |= (seed & 0xFFFF0000u) >> 16;
        seed = 69069u * seed + 1u;
        g_random.words[i] = word;
    }
    g_random.position = 1;
    Refill();
}

const uint32_t* GetRandMTState() { return g_random.words; }
