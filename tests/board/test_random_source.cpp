#include <gtest/gtest.h>

#include <random>

#include "board/random_source.h"

namespace tessaron {
namespace {

// std::mt19937 is the same generator: whole sequences over eight refills of
// the state, and the derived draws computed from its words by their stated
// formulas, must match for several seeds.  An unseeded source seeds itself.
TEST(RandomSource, MatchesTheStandardGeneratorOverManyRefills) {
    for (std::uint32_t seed : {5489u, 0u, 1u, 0xffffffffu}) {
        RandomSource r;
        r.seed(seed);
        std::mt19937 ref(seed);
        for (int i = 0; i < 5000; ++i) ASSERT_EQ(r.nextWord(), ref()) << "seed " << seed << " word " << i;
        const std::int32_t ranges[][2] = {{0, 7}, {-25, 25}, {5, 5}, {1, 1000}, {INT32_MIN, INT32_MAX}};
        for (int i = 0; i < 1000; ++i) {
            const std::int32_t lo = ranges[i / 200][0], hi = ranges[i / 200][1];
            const std::uint32_t span = static_cast<std::uint32_t>(hi) - static_cast<std::uint32_t>(lo) + 1u, w = ref();
            ASSERT_EQ(r.randomInt(lo, hi), static_cast<std::int32_t>(lo + (span ? w % span : w)));
        }
        // The open interval (-2, 3).
        for (int i = 0; i < 200; ++i) ASSERT_EQ(r.randomFloat(-2, 2), -2.0 + 5.0 * ((ref() + 0.5) / 4294967296.0));
        EXPECT_EQ(r.randomInt(0, -1), 0);  // an empty range takes no word
        EXPECT_EQ(r.nextWord(), ref());
        EXPECT_EQ(r.draws(), 5000u + 5 * 200 + 200 + 1);
    }
    RandomSource r;
    EXPECT_FALSE(r.seeded());
    r.nextWord();
    EXPECT_TRUE(r.seeded());
}

} // namespace
} // namespace tessaron
