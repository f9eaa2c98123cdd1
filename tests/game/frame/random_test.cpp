// The game's random generator: its worked sequence and the edges of Next.
#include <gtest/gtest.h>

#include "actors/random.h"

TEST(CRandomTest, FollowsTheWorkedSequenceFromTheGameSeeds) {
    CRandom r(52154, 537, 150);
    const int states[3][3] = {{6848, 535, 648}, {664328, 511, 423}, {472031, 965, 163}};
    EXPECT_EQ(r.Next(15), 8);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) r.Next(1000);
        EXPECT_EQ(r.A(), states[i][0]) << "after call " << i + 1;
        EXPECT_EQ(r.B(), states[i][1]);
        EXPECT_EQ(r.C(), states[i][2]);
    }
}

TEST(CRandomTest, RangeZeroLeavesTheStateAndOtherRangesAdvanceIt) {
    CRandom r(52154, 537, 150);
    EXPECT_EQ(r.Next(0), 0);
    EXPECT_EQ(r.A(), 52154);
    EXPECT_EQ(r.Next(1), 0);
    EXPECT_EQ(r.A(), 6848);

    CRandom positive(52154, 537, 150), negative(52154, 537, 150);
    for (int i = 0; i < 200; ++i) {
        int p = positive.Next(7), n = negative.Next(-7);
        ASSERT_EQ(p, n);
        ASSERT_GE(p, 0);
        ASSERT_LT(p, 7);
    }
}

TEST(CRandomTest, ReseedingRestartsTheSequence) {
    CRandom r(52154, 537, 150);
    int first[20];
    for (int& v : first) v = r.Next(1000);
    r.SetSeed(52154, 537, 150);
    for (int v : first) EXPECT_EQ(r.Next(1000), v);
}
