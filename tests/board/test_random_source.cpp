#include <gtest/gtest.h>

#include <random>

#include "board/random_source.h"

namespace tessaron {
namespace {

// std::mt19937 is the same generator: whole sequences over eight refills of
// the state, and the derived draws computed from its words by their stated
// formulas, must match for several seeds.
TEST(RandomSource, MatchesTheStandardGeneratorOverManyRefills) {
    for (std::uint32_t seed : {5489u, 0u, 1u, 0xffffffffu}) {
        RandomSource r;
        r.seed(seed);
        std::mt19937 ref(seed);
        for (int i = 0; i < 5000; ++i) ASSERT_EQ(r.nextWord(), ref()) << "seed " << seed << " word " << i;
        struct Range {
            std::int32_t lo, hi;
        } ranges[] = {{0, 7}, {-25, 25}, {5, 5}, {1, 1000}, {INT32_MIN, INT32_MAX}};
        for (const Range& g : ranges) {
            for (int i = 0; i < 200; ++i) {
                const std::uint32_t span = static_cast<std::uint32_t>(g.hi) - static_cast<std::uint32_t>(g.lo) + 1u;
                const std::uint32_t w = ref();
                ASSERT_EQ(r.randomInt(g.lo, g.hi), static_cast<std::int32_t>(g.lo + (span ? w % span : w)));
            }
        }
        for (int i = 0; i < 200; ++i) {
            const double unit = (ref() + 0.5) / 4294967296.0;
            ASSERT_EQ(r.randomFloat(-2, 2), -2.0 + 5.0 * unit);  // open interval (-2, 3)
        }
        EXPECT_EQ(r.randomInt(0, -1), 0);  // an empty range takes no word
        EXPECT_EQ(r.nextWord(), ref());
        EXPECT_EQ(r.draws(), 5000u + 5 * 200 + 200 + 1);
    }
}

TEST(RandomSource, SeedsItselfOnFirstUse) {
    RandomSource r;
    EXPECT_FALSE(r.seeded());
    r.nextWord();
    EXPECT_TRUE(r.seeded());
}

} // namespace
} // namespace tessaron
