// RandomSource: the one random stream of the game, the 32-bit Mersenne
// Twister MT19937 exactly as its reference implementation (mt19937ar).
// Unseeded, it seeds itself from the calendar clock on first use; tests and
// the simulator seed it by hand.  Depends on nothing but the C library.
// Not locked: each match owns its stream, used by the thread that steps
// it.  Cannot fail.
#pragma once

#include <cstdint>

namespace tessaron {

class RandomSource {
public:
    static constexpr int StateWords = 624;
    static constexpr int Unseeded = 625;

    // Reference single-word initialisation.
    void seed(std::uint32_t value);
    // True once the generator has been seeded (by hand or from the clock).
    bool seeded() const { return index_ != Unseeded; }
    // The value of the last seeding (0 before any): other generators of the
    // game derive their seeds from it, so that a run repeats as a whole.
    std::uint32_t seedValue() const { return seed_; }

    // The next tempered output word.
    std::uint32_t nextWord();
    // lo + (word mod (hi - lo + 1)) in unsigned 32-bit arithmetic: both
    // bounds included, negative bounds allowed; one word per call.  An empty
    // range (hi < lo) is never drawn from: it returns lo and takes no word.
    std::int32_t randomInt(std::int32_t lo, std::int32_t hi);
    // (word + 0.5) * 2^-32, in the open interval (0, 1).
    double nextUnit();
    // lo + (hi - lo + 1) * nextUnit: the open interval (lo, hi + 1).
    double randomFloat(float lo, float hi);

    // Number of words handed out since the program started (for traces).
    std::uint64_t draws() const { return draws_; }

private:
    friend struct StateCodec;  // saves and restores the whole generator
    void regenerate();

    std::uint32_t state_[StateWords] = {};
    int index_ = Unseeded;
    std::uint64_t draws_ = 0;
    std::uint32_t seed_ = 0;
};

} // namespace tessaron
