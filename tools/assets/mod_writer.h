// A ProTracker module (4 channels, "M.K.", 31 samples, 64-row patterns)
// serialised to bytes.  Notes are given as indices into the three-octave
// period table (0 = C-1 ... 35 = B-3).  Depends on bytes.h.  Single-threaded.
// Out-of-range values are clamped or cut to what the format holds.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/bytes.h"

namespace tessaron::assets::mod {

constexpr int kChannels = 4;
constexpr int kRows = 64;
constexpr int kNotes = 36;
constexpr int kNoNote = -1;

// Paula's clock halved: a note's sample rate is this divided by its period.
constexpr double kClock = 3546894.6;

int period(int note);
double sampleRate(int note);

struct Sample {
    std::string name;
    std::vector<std::int8_t> data;  // even length, at most 131070 bytes
    int volume = 64;                // 0..64
    size_t loopStart = 0;           // bytes, even; loopLength 0 means no loop
    size_t loopLength = 0;
};

struct Cell {
    int note = kNoNote;
    int sample = 0;  // 1..31, 0 keeps the channel's sample
    int effect = 0;
    int param = 0;
};

struct Pattern {
    std::array<std::array<Cell, kChannels>, kRows> rows{};
};

struct Song {
    std::string title;
    std::vector<Sample> samples;    // up to 31
    std::vector<Pattern> patterns;
    std::vector<int> order;         // pattern numbers, up to 128
};

Bytes serialise(const Song& song);

// Converts samples in -1..1 to signed 8 bits with rounding and clamping, and
// pads to an even length.
std::vector<std::int8_t> toSigned8(const std::vector<double>& samples);

} // namespace tessaron::assets::mod
