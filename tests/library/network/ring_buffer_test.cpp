// The ring buffer: growth by the shortfall plus 1000 bytes, exact fills,
// positions at the end of the area, wrapped data across growth, peeks, and
// a growth that cannot be made.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "network/ring_buffer.h"

namespace {
struct Ring {
    Ring() { InitializeRingBuffer(&r); }
    ~Ring() { TerminateRingBuffer(&r); }
    int Add(const std::string& s) { return AddRingBufferData(&r, s.data(), int(s.size())); }
    std::string Take(int n, int peek = 0) {
        std::string out(size_t(n), '\0');
        return GetRingBufferData(&r, out.data(), n, peek) == 0 ? out : "<short>";
    }
    RingBuffer r;
};
}  // namespace

TEST(RingBuffer, FreshBufferHoldsNothing) {
    Ring ring;
    EXPECT_EQ(GetRingBufferDataLength(&ring.r), 0);
    EXPECT_EQ(ring.Take(0), "");
    EXPECT_EQ(ring.Take(1), "<short>");
    EXPECT_EQ(ring.r.data, nullptr);
}

TEST(RingBuffer, FirstAppendTakesItsSizePlusSlack) {
    Ring ring;
    ASSERT_EQ(ring.Add("abcde"), 0);
    EXPECT_EQ(ring.r.capacity, 5 + 1000);
    EXPECT_EQ(ring.r.start, 0);
    EXPECT_EQ(ring.r.end, 5);
    EXPECT_EQ(ring.r.length, 5);
}

TEST(RingBuffer, ExactFillDoesNotGrowAndOneMoreByteDoes) {
    Ring ring;
    ASSERT_EQ(ring.Add("x"), 0);                          // capacity 1001
    ASSERT_EQ(ring.Add(std::string(1000, 'y')), 0);       // exactly the room left
    EXPECT_EQ(ring.r.capacity, 1001);
    EXPECT_EQ(ring.r.length, 1001);
    EXPECT_EQ(ring.r.end, 1001);                          // left at the end of the area
    ASSERT_EQ(ring.Add("z"), 0);
    EXPECT_EQ(ring.r.capacity, 1001 + 1 + 1000);
    EXPECT_EQ(ring.Take(1), "x");
    EXPECT_EQ(ring.Take(1000), std::string(1000, 'y'));
    EXPECT_EQ(ring.Take(1), "z");
}

TEST(RingBuffer, PositionAtTheEndOfTheAreaMeansZero) {
    Ring ring;
    ASSERT_EQ(ring.Add(std::string(1001, 'a')), 0);       // capacity 2001
    ASSERT_EQ(ring.Add(std::string(1000, 'b')), 0);       // end == capacity
    EXPECT_EQ(ring.Take(2001).substr(1000, 2), "ab");
    EXPECT_EQ(ring.r.start, ring.r.capacity);             // read up to the end
    ASSERT_EQ(ring.Add("cd"), 0);                         // both positions wrap to 0
    EXPECT_EQ(ring.r.capacity, 2001);
    EXPECT_EQ(ring.r.start, 0);
    EXPECT_EQ(ring.Take(2), "cd");
}

TEST(RingBuffer, WrappedBytesSurviveGrowthInOrder) {
    Ring ring;
    ASSERT_EQ(ring.Add(std::string(800, 'a')), 0);        // capacity 1800
    EXPECT_EQ(ring.Take(700), std::string(700, 'a'));
    std::string tail;
    for (int i = 0; i < 1500; ++i) tail += char('0' + i % 10);
    ASSERT_EQ(ring.Add(tail), 0);                         // fits, around the end of the area
    ASSERT_EQ(ring.r.capacity, 1800);
    ASSERT_LT(ring.r.end, ring.r.start);
    ASSERT_EQ(ring.Add(std::string(3000, '#')), 0);       // grows, unwrapping
    EXPECT_EQ(ring.r.start, 0);
    EXPECT_EQ(ring.r.capacity, 1600 + 3000 + 1000);
    EXPECT_EQ(ring.Take(4600), std::string(100, 'a') + tail + std::string(3000, '#'));
}

TEST(RingBuffer, PeekGivesWhatTheNextReadTakes) {
    Ring ring;
    ASSERT_EQ(ring.Add(std::string(1000, '-')), 0);       // capacity 2000
    ring.Take(1000);
    ASSERT_EQ(ring.Add(std::string(995, '-') + "56789"), 0);
    ring.Take(995);
    ASSERT_EQ(ring.Add("abcdefghij"), 0);                 // around the end of the area
    ASSERT_EQ(ring.r.capacity, 2000);
    ASSERT_LT(ring.r.end, ring.r.start);
    const int start = ring.r.start, length = ring.r.length;
    const std::string peeked = ring.Take(15, 1);
    EXPECT_EQ(ring.r.start, start);
    EXPECT_EQ(ring.r.length, length);
    EXPECT_EQ(peeked, "56789abcdefghij");
    EXPECT_EQ(ring.Take(15), peeked);
    EXPECT_EQ(ring.r.length, 0);
}

TEST(RingBuffer, GrowthThatCannotBeMadeKeepsTheBytes) {
    Ring ring;
    ASSERT_EQ(ring.Add("keep"), 0);
    // The sum would pass what an int can count: refused, nothing lost.
    EXPECT_EQ(ReserveRingBuffer(&ring.r, INT_MAX - 2), -1);
    EXPECT_EQ(ring.r.capacity, 1004);
    EXPECT_EQ(ring.Take(4), "keep");
    ASSERT_EQ(ring.Add("more"), 0);
    EXPECT_EQ(ring.Take(4), "more");
}
