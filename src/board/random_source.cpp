#include "board/random_source.h"

#include <ctime>

namespace tessaron {
namespace {
constexpr int M = 397;
constexpr std::uint32_t MatrixA = 0x9908b0dfu;
constexpr std::uint32_t UpperMask = 0x80000000u;
constexpr std::uint32_t LowerMask = 0x7fffffffu;
} // namespace

void RandomSource::seed(std::uint32_t value) {
    seed_ = value;
    state_[0] = value;
    for (int i = 1; i < StateWords; ++i) {
        state_[i] = 1812433253u * (state_[i - 1] ^ (state_[i - 1] >> 30)) + static_cast<std::uint32_t>(i);
    }
    index_ = StateWords;
}

void RandomSource::regenerate() {
    static const std::uint32_t mag01[2] = {0u, MatrixA};
    int k = 0;
    for (; k < StateWords - M; ++k) {
        std::uint32_t y = (state_[k] & UpperMask) | (state_[k + 1] & LowerMask);
        state_[k] = state_[k + M] ^ (y >> 1) ^ mag01[y & 1u];
    }
    for (; k < StateWords - 1; ++k) {
        std::uint32_t y = (state_[k] & UpperMask) | (state_[k + 1] & LowerMask);
        state_[k] = state_[k + (M - StateWords)] ^ (y >> 1) ^ mag01[y & 1u];
    }
    std::uint32_t y = (state_[StateWords - 1] & UpperMask) | (state_[0] & LowerMask);
    state_[StateWords - 1] = state_[M - 1] ^ (y >> 1) ^ mag01[y & 1u];
    index_ = 0;
}

std::uint32_t RandomSource::nextWord() {
    if (index_ == Unseeded) seed(static_cast<std::uint32_t>(std::time(nullptr)));
    if (index_ >= StateWords) regenerate();
    std::uint32_t y = state_[index_++];
    y ^= (y >> 11);
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= (y >> 18);
    ++draws_;
    return y;
}

std::int32_t RandomSource::randomInt(std::int32_t lo, std::int32_t hi) {
    if (hi < lo) return lo;  // an empty range is never drawn from
    std::uint32_t span = static_cast<std::uint32_t>(hi) - static_cast<std::uint32_t>(lo) + 1u;
    std::uint32_t word = nextWord();
    // span 0 means the full 32-bit range: every word is a valid offset.
    std::uint32_t offset = span == 0 ? word : word % span;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(lo) + offset);
}

double RandomSource::nextUnit() { return (static_cast<double>(nextWord()) + 0.5) * (1.0 / 4294967296.0); }

double RandomSource::randomFloat(float lo, float hi) {
    return static_cast<double>(lo) + (static_cast<double>(hi) - static_cast<double>(lo) + 1.0) * nextUnit();
}

} // namespace tessaron
