// A small seeded random source for the asset generator (SplitMix64).  Every
// picture, sound and tune draws from its own fixed seed, so the generated files
// are the same bytes on every run and adding one asset never changes another.
// No dependencies; single-threaded; cannot fail.
#pragma once

#include <cstdint>

namespace tessaron::assets {

class Prng {
public:
    explicit Prng(std::uint64_t seed) : state(seed) {}

    std::uint64_t next()
    {
        state += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1), from the top 53 bits.
    double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // Uniform integer in [0, n); n must be positive.
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state;
};

} // namespace tessaron::assets
