// String, number and formatting routines: the edge cases callers rely on.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/routines.h"

TEST(StringRoutines, StrChrSkipsSecondByteOfDoubleByteCharacters) {
    // 0x83 0x5C is one double-byte character whose second byte equals '\'.
    const char text[] = "\x83\x5C" "a\\b";
    const char* hit = StrChr(text, '\\');
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit - text, 3);
    EXPECT_EQ(StrChr("\x83\x5C", '\\'), nullptr);
    // A lead byte at the very end does not read past the terminator.
    EXPECT_EQ(StrChr("ab\x83", 'z'), nullptr);
}

TEST(StringRoutines, StrUpperLeavesDoubleByteCharactersAlone) {
    // 0x82 0x61 is a full-width letter whose second byte is 'a'.
    char text[] = "ab\x82" "a" "c";
    StrUpper(text);
    EXPECT_STREQ(text, "AB\x82" "a" "C");
}

TEST(StringRoutines, CompareCopyAndMove) {
    EXPECT_EQ(StrCmp("abc", "abc"), 0);
    EXPECT_EQ(StrCmp("abc", "abd"), 1);
    EXPECT_EQ(StrCmp("abd", "abc"), 1);   // no ordering, only equal or not
    EXPECT_EQ(StrNCmp("abcX", "abcY", 3), 0);
    EXPECT_EQ(StrNCmp("abcX", "abcY", 4), 1);
    EXPECT_EQ(StrNCmp("a", "b", 0), 0);
    EXPECT_EQ(StrNCmp("a", "a", -1), 1);

    char buf[16];
    StrCopy(buf, "ab");
    StrCat(buf, "cd");
    EXPECT_STREQ(buf, "abcd");

    // MemCopy copies forward from the first byte, whatever the overlap.
    struct Copy { const char* name; int to, from, count; const char* result; } copies[] = {
        {"apart", 6, 0, 3, "0123450129"},
        {"moving down over itself", 0, 2, 5, "2345656789"},
        {"moving up over itself repeats", 2, 0, 5, "0101010789"},
        {"onto itself", 3, 3, 4, "0123456789"},
        {"nothing", 1, 0, 0, "0123456789"},
    };
    for (const Copy& c : copies) {
        char block[] = "0123456789";
        MemCopy(block + c.to, block + c.from, size_t(c.count));
        EXPECT_STREQ(block, c.result) << c.name;
    }
    char block2[] = "0123456789";
    MemMove(block2 + 2, block2, 5);        // moving up needs the backward copy
    EXPECT_STREQ(block2, "0101234789");
}

TEST(NumberRoutines, AtoIAndIntToStr) {
    struct Case { const char* text; int value; } cases[] = {
        {"abc", -1}, {"", -1}, {"x-", 0}, {"-x", 0}, {"  42a", 42}, {"-7", -7}, {"ab12cd34", 12},
        {"2147483647", 2147483647},
    };
    for (const auto& c : cases) EXPECT_EQ(AtoI(c.text), c.value) << c.text;

    struct Out { int value, radix; const char* text; } outs[] = {
        {-255, 16, "-ff"}, {0, 10, "0"}, {255, 2, "11111111"}, {INT_MIN, 10, "-2147483648"}, {35, 36, "z"},
    };
    char buf[40];
    for (const auto& o : outs) EXPECT_STREQ(IntToStr(o.value, buf, o.radix), o.text);
}

TEST(NumberRoutines, TruncationIsDefinedForEveryInput) {
    struct Case { double in; int out; } cases[] = {
        {-2.7, -2}, {2.7, 2}, {-0.5, 0}, {2147483647.0, INT_MAX}, {-2147483648.0, INT_MIN},
        {2147483648.0, INT_MIN}, {-2147483649.0, INT_MIN}, {1e300, INT_MIN},
        {std::numeric_limits<double>::quiet_NaN(), INT_MIN},
        {std::numeric_limits<double>::infinity(), INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(DoubleToInt(c.in), c.out) << c.in;
    EXPECT_EQ(FloatToInt(-2.7f), -2);
    EXPECT_EQ(FloatToInt(3e9f), INT_MIN);
    EXPECT_EQ(FloatToInt(std::nanf("")), INT_MIN);

    double four[4] = {1.9, -1.9, 1e20, 0.0};
    int out[4];
    Double4ToInt4(four, out);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[1], -1);
    EXPECT_EQ(out[2], INT_MIN);
    EXPECT_EQ(out[3], 0);
}

TEST(NumberRoutines, WideProductAndQuotient) {
    // (2^64 - 1) * 1000000 / 3000000000 without losing the high bits.
    const uint32_t a[2] = {0xFFFFFFFFu, 0xFFFFFFFFu}, b[2] = {1000000u, 0u};
    uint32_t product[4];
    Mul64To128(a, b, product);
    unsigned __int128 expected = (unsigned __int128)UINT64_MAX * 1000000u;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(product[i], uint32_t(expected >> (32 * i)));
    const uint32_t d[2] = {3000000000u, 0u};
    uint32_t q[2];
    Div128By64(product, d, q);
    uint64_t quotient = (uint64_t(q[1]) << 32) | q[0];
    EXPECT_EQ(quotient, uint64_t(expected / 3000000000u));
}

TEST(Formatting, LongOutputIsCutToTheBufferWithoutSplittingACharacter) {
    char buf[8];
    EXPECT_EQ(FormatString(buf, sizeof buf, "%s", "abcdefghij"), 7);
    EXPECT_STREQ(buf, "abcdefg");
    // "abcde" then a double-byte character that would need bytes 6 and 7.
    char buf2[7];
    FormatString(buf2, sizeof buf2, "abcde\x82\xa0xyz");
    EXPECT_STREQ(buf2, "abcde");

    std::string big(1023, 'x');
    char out[1024];
    EXPECT_EQ(FormatString(out, sizeof out, "%s", big.c_str()), 1023);
    EXPECT_EQ(strlen(out), 1023u);
}

TEST(Clock, DateTimeIsPlausibleAndMicrosecondsAdvance) {
    DateTimeData d{};
    EXPECT_EQ(GetDateTimeImpl(&d), 0);
    EXPECT_GE(d.Year, 2020);
    EXPECT_TRUE(d.Mon >= 1 && d.Mon <= 12);
    EXPECT_TRUE(d.Day >= 1 && d.Day <= 31);
    uint64_t a = GetNowHiPerformanceCount(0);
    uint64_t b = GetNowHiPerformanceCount(0);
    EXPECT_LE(a, b);
}
