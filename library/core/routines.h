// The library's own string, memory, number, clock and random routines.
// Texts are Shift-JIS bytes: the routines that look at characters never
// split a double-byte character.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "zovav.h"

inline bool IsShiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

void StrCopy(char* dest, const char* src);
void StrCat(char* dest, const char* src);
const char* StrChr(const char* str, int ch);
int StrCmp(const char* a, const char* b);
void StrUpper(char* str);
int StrNCmp(const char* a, const char* b, int count);
void MemSet(void* dest, unsigned char value, size_t count);
int MemCmp(const void* a, const void* b, size_t count);
void MemCopy(void* dest, const void* src, size_t count);
void MemMove(void* dest, const void* src, size_t count);

void SinCos(float angle, float* sinOut, float* cosOut);
int AbsInt(int value);
double AbsFloat(float value);
// Truncation toward zero; NaN and values outside the int range give INT_MIN.
// Inline: the drawing calls convert a dozen coordinates each.
inline int DoubleToInt(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return int(value);
}
inline int FloatToInt(float value) { return DoubleToInt(double(value)); }
void Double4ToInt4(const double* in, int* out);
float SqrtFloat(float value);
int AtoI(const char* str);
char* IntToStr(int value, char* buffer, int radix);

// 64 x 64 -> 128-bit product and 128 / 64 quotient on 32-bit halves,
// least significant half first.
void Mul64To128(const uint32_t a[2], const uint32_t b[2], uint32_t result[4]);
void Div128By64(const uint32_t dividend[4], const uint32_t divisor[2], uint32_t quotient[2]);

// Bounded formatting: the output is cut to fit (size includes the terminator).
// Returns the length that was written.
int FormatStringV(char* buffer, size_t size, const char* format, va_list args);
int FormatString(char* buffer, size_t size, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

uint32_t GetNowCountImpl();                // milliseconds of the system timer
uint64_t GetNowHiPerformanceCount(int useTimeStampCounter);
int GetDateTimeImpl(DateTimeData* out);

void SRandMT(uint32_t seed);
const uint32_t* GetRandMTState();          // the 624 words, for tests
