// String and memory routines over Shift-JIS bytes, and bounded formatting.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/routines.h"

void StrCopy(char* dest, const char* src) {
    while ((*dest++ = *src++) != 0) {
    }
}

void StrCat(char* dest, const char* src) {
    while (*dest) ++dest;
    StrCopy(dest, src);
}

const char* StrChr(const char* str, int ch) {
    for (const char* p = str; *p; ++p) {
        if (IsShiftJisLead(static_cast<unsigned char>(*p))) {
            if (!p[1]) break;
            ++p;
            continue;
        }
        if (static_cast<unsigned char>(*p) == static_cast<unsigned char>(ch)) return p;
    }
    return nullptr;
}

int StrCmp(const char* a, const char* b) { return strcmp(a, b) == 0 ? 0 : 1; }

void StrUpper(char* str) {
    for (char* p = str; *p; ++p) {
        if (IsShiftJisLead(static_cast<unsigned char>(*p))) {
            if (!p[1]) break;
            ++p;
            continue;
        }
        if (*p >= 'a' && *p <= 'z') *p = char(*p - 'a' + 'A');
    }
}

int StrNCmp(const char* a, const char* b, int count) {
    if (count < 1) return count == 0 ? 0 : 1;
    return strncmp(a, b, size_t(count)) == 0 ? 0 : 1;
}

void MemSet(void* dest, unsigned char value, size_t count) { memset(dest, value, count); }

int MemCmp(const void* a, const void* b, size_t count) { return memcmp(a, b, count) == 0 ? 0 : 1; }

void MemCopy(void* dest, const void* src, size_t count) {
    if (count == 0) return;
    auto* d = static_cast<unsigned char*>(dest);
    const auto* s = static_cast<const unsigned char*>(src);
    // The copy runs forward from the first byte. Where the destination does
    // not start inside the source, that is what a block move does (moving a
    // block down over itself works); only a destination inside the source
    // needs the byte-by-byte forward copy, which repeats the bytes between.
    const uintptr_t to = uintptr_t(d), from = uintptr_t(s);
    if (to <= from || to >= from + count) {
        memmove(d, s, count);
        return;
    }
    for (size_t i = 0; i < count; ++i) d[i] = s[i];
}

void MemMove(void* dest, const void* src, size_t count) {
    if (dest != src) memmove(dest, src, count);
}

int FormatStringV(char* buffer, size_t size, const char* format, va_list args) {
    if (size == 0) return 0;
    int n = vsnprintf(buffer, size, format, args);
    if (n < 0) {
        buffer[0] = 0;
        return 0;
    }
    if (size_t(n) < size) return n;
    // Cut to fit, without leaving half of a double-byte character behind.
    size_t len = size - 1;
    size_t i = 0, lastWhole = 0;
    while (i < len) {
        size_t step = IsShiftJisLead(static_cast<unsigned char>(buffer[i])) ? 2 : 1;
        if (i + step > len) break;
        i += step;
        lastWhole = i;
    }
    buffer[lastWhole] = 0;
    return int(lastWhole);
}

int FormatString(char* buffer, size_t size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatStringV(buffer, size, format, args);
    va_end(args);
    return n;
}
