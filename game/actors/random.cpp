// The game's random generator; every step is part of what replays repeat.
#include "actors/random.h"

void CRandom::SetSeed(int a, int b, int c) {
    a_ = a;
    b_ = b;
    c_ = c;
}

int CRandom::Next(int range) {
    if (range == 0) return 0;
    a_ = (a_ * b_ + c_) % 1000000;
    b_ = (a_ + b_ + c_) % 1000;
    c_ = ((a_ % (b_ + 1)) + (b_ % (c_ + 1)) + (c_ % (a_ + 1))) % 1000;
    return a_ % range;
}
