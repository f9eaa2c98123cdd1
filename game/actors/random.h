// The game's own random generator: three small integers, reseeded at every
// new game and replay start so that a replay repeats the play exactly.
#pragma once
#include <cstdint>

class CRandom {
public:
    CRandom(int a, int b, int c) { SetSeed(a, b, c); }
    void SetSeed(int a, int b, int c);
    // A number in 0 .. |range| - 1; range 0 gives 0 and leaves the state.
    int Next(int range);

    int A() const { return a_; }
    int B() const { return b_; }
    int C() const { return c_; }

private:
    int32_t a_, b_, c_;   // a in 0..999999, b and c in 0..999
};
