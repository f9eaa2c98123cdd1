// Shared actor geometry and timing: the game's circle constants, float trigonometry, aiming, the hit, field and
// glide tests, and the tests on an update clock that attack patterns are timed by.
#pragma once
#include <cmath>

class CMover;

// The game's own circle constants are floats; arithmetic uses them widened to double.
constexpr float kPiF = 3.1415f;
constexpr double kPi = (double)kPiF;
constexpr double kHalfPi = (double)1.57075f;
constexpr double kTwoPi = (double)6.283f;

// Trigonometry and roots take floats, compute in double and round to float.
inline float Cosf(float a) { return (float)std::cos((double)a); }
inline float Sinf(float a) { return (float)std::sin((double)a); }
inline float Sqrtf(float a) { return (float)std::sqrt((double)a); }
inline float Fabsf(float a) { return (float)std::fabs((double)a); }
inline float Powf(float a, float b) { return (float)std::pow((double)a, (double)b); }

// Screen angle in radians from (x, y) toward (tx, ty); 0 points right, growing clockwise.
inline float AimAngle(float x, float y, float tx, float ty) {
    float dx = tx - x, dy = ty - y;
    return (float)(kHalfPi - std::atan2((double)dx, (double)dy));
}

// Distance as the actors measure it (float differences, float root).
inline float Distance(float x, float y, float tx, float ty) {
    float dx = tx - x, dy = ty - y;
    return (float)std::sqrt((double)dx * dx + (double)dy * dy);
}

// One steering step from angle toward target by at most turn, the shorter way round (screen radians).
inline float TurnToward(float angle, float target, float turn) {
    if (Fabsf(target - angle) < turn) return target;
    double a = angle;
    if (target < a - kPi)
        a -= kTwoPi;
    else if (target > a + kPi)
        a += kTwoPi;
    a = (float)a;
    return (float)(a <= target ? a + turn : a - turn);
}

// True when the boxes of a and b overlap (touching edges do not).
bool HitTest(const CMover& a, const CMover& b);
// True when the position lies outside the field (x 15..480, y 5..475) widened by margin + 20.
bool IsOutOfField(const CMover& m, float margin);
// One step of a straight, even glide that lands on (tx, ty) when frames is 1; true on arrival.
bool MoveToPoint(CMover& m, int frames, float tx, float ty);
// One step of |speed| pixels toward (tx, ty), snapping onto it from within a step; true on arrival.
bool MoveToward(CMover& m, float speed, float tx, float ty);

// Timing on an update clock t (an actor's age): true on every n-th update, at t = 0, n, 2n, ...
constexpr bool Every(int t, int n) { return t % n == 0; }
// True while first <= t < end; a window of a repeating cycle tests t % cycle.
constexpr bool Within(int t, int first, int end) { return t >= first && t < end; }
