#include <gtest/gtest.h>

#include "board/random_source.h"

namespace tessaron {
namespace {

TEST(RandomSource, MatchesTheReferenceOutputsForSeed5489) {
    RandomSource r;
    r.seed(5489);
    EXPECT_EQ(r.nextWord(), 3499211612u);
    EXPECT_EQ(r.nextWord(), 581869302u);
    EXPECT_EQ(r.nextWord(), 3890346734u);
    for (int i = 4; i < 10000; ++i) r.nextWord();
    EXPECT_EQ(r.nextWord(), 4123659995u);
    EXPECT_EQ(r.draws(), 10000u);
}

TEST(RandomSource, SeedsItselfOnFirstUse) {
    RandomSource r;
    EXPECT_FALSE(r.seeded());
    r.nextWord();
    EXPECT_TRUE(r.seeded());
}

struct IntRange {
    std::int32_t lo, hi;
};

class RandomIntRange : public ::testing::TestWithParam<IntRange> {};

TEST_P(RandomIntRange, StaysInsideBothBoundsAndReachesThem) {
    const IntRange range = GetParam();
    RandomSource r;
    r.seed(1);
    bool sawLo = false, sawHi = false;
    for (int i = 0; i < 20000; ++i) {
        const std::int32_t v = r.randomInt(range.lo, range.hi);
        ASSERT_GE(v, range.lo);
        ASSERT_LE(v, range.hi);
        sawLo |= v == range.lo;
        sawHi |= v == range.hi;
    }
    EXPECT_TRUE(sawLo);
    EXPECT_TRUE(sawHi);
    EXPECT_EQ(r.draws(), 20000u);  // one word per call, even for one value
}

INSTANTIATE_TEST_SUITE_P(Ranges, RandomIntRange,
                         ::testing::Values(IntRange{0, 7}, IntRange{-25, 25}, IntRange{-45, -2}, IntRange{5, 5},
                                           IntRange{1, 1000}));

TEST(RandomSource, RandomIntUsesUnsignedRemainder) {
    RandomSource a, b;
    a.seed(77);
    b.seed(77);
    const std::uint32_t word = b.nextWord();
    EXPECT_EQ(a.randomInt(-25, 25), static_cast<std::int32_t>(static_cast<std::uint32_t>(-25) + word % 51u));
}

TEST(RandomSource, AnEmptyRangeIsNeverDrawnFrom) {
    RandomSource r;
    r.seed(3);
    EXPECT_EQ(r.randomInt(0, -1), 0);
    EXPECT_EQ(r.draws(), 0u);
}

TEST(RandomSource, RandomFloatCoversTheOpenIntervalUpToHiPlusOne) {
    RandomSource r;
    r.seed(9);
    double lowest = 100, highest = -100;
    for (int i = 0; i < 50000; ++i) {
        const double zero = r.randomFloat(0, 0);
        ASSERT_GT(zero, 0.0);
        ASSERT_LT(zero, 1.0);
        const double v = r.randomFloat(-2, 2);
        ASSERT_GT(v, -2.0);
        ASSERT_LT(v, 3.0);
        lowest = std::min(lowest, v);
        highest = std::max(highest, v);
    }
    EXPECT_LT(lowest, -1.99);
    EXPECT_GT(highest, 2.99);
}

} // namespace
} // namespace tessaron
