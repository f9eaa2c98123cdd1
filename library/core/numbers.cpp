// Number routines: truncations defined for every input, decimal parsing and
// printing, and the 128-bit arithmetic of the microsecond clock.
#include <cmath>

#include "core/routines.h"

void SinCos(float angle, float* sinOut, float* cosOut) {
    *sinOut = std::sin(angle);
    *cosOut = std::cos(angle);
}

int AbsInt(int value) { return value < 0 ? int(0u - unsigned(value)) : value; }
double AbsFloat(float value) { return std::fabs(double(value)); }

void Double4ToInt4(const double* in, int* out) {
    for (int i = 0; i < 4; ++i) out[i] = DoubleToInt(in[i]);
}

float SqrtFloat(float value) { return std::sqrt(value); }

int AtoI(const char* str) {
    const char* p = str;
    while (*p && *p != '-' && !(*p >= '0' && *p <= '9')) ++p;
    if (!*p) return -1;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    unsigned value = 0;
    bool any = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10u + unsigned(*p - '0');
        any = true;
    }
    if (!any) return 0;
    return negative ? int(0u - value) : int(value);
}

char* IntToStr(int value, char* buffer, int radix) {
    if (radix < 2 || radix > 36) radix = 10;
    char digits[40];
    int n = 0;
    unsigned magnitude = value < 0 ? 0u - unsigned(value) : unsigned(value);
    do {
        unsigned d = magnitude % unsigned(radix);
        digits[n++] = char(d < 10 ? '0' + d : 'a' + d - 10);
        magnitude /= unsigned(radix);
    } while (magnitude);
    char* out = buffer;
    if (value < 0) *out++ = '-';
    while (n) *out++ = digits[--n];
    *out = 0;
    return buffer;
}

void Mul64To128(const uint32_t a[2], const uint32_t b[2], uint32_t result[4]) {
    uint64_t r[4] = {0, 0, 0, 0};
    for (int i = 0; i < 2; ++i) {
        uint64_t carry = 0;
        for (int j = 0; j < 2; ++j) {
            uint64_t t = uint64_t(a[i]) * b[j] + r[i + j] + carry;
            r[i + j] = t & 0xFFFFFFFFu;
            carry = t >> 32;
        }
        r[i + 2] += carry;
    }
    for (int i = 0; i < 4; ++i) result[i] = uint32_t(r[i]);
}

void Div128By64(const uint32_t dividend[4], const uint32_t divisor[2], uint32_t quotient[2]) {
    // The quotient keeps its low 64 bits.
    uint64_t d = (uint64_t(divisor[1]) << 32) | divisor[0];
    if (d == 0) {
        quotient[0] = quotient[1] = 0xFFFFFFFFu;
        return;
    }
    unsigned __int128 n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 32) | dividend[i];
    unsigned __int128 q = n / d;
    quotient[0] = uint32_t(q);
    quotient[1] = uint32_t(q >> 32);
}
