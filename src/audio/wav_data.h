// Reading PCM WAV data from memory: the chunk walk that checks a file before
// any sample is made from it.  Pure code, no Allegro.  Any malformed,
// unsupported or truncated input is refused (valid == false); nothing is
// read outside the given bytes.
#pragma once

#include <cstddef>

namespace tessaron {

struct WavData {
    bool valid = false;
    int bits = 0;                       // 8 (unsigned) or 16 (signed little-endian)
    int channels = 0;                   // 1 or 2
    int frequency = 0;                  // frames per second
    int frames = 0;                     // frames in the data chunk
    const unsigned char* data = nullptr; // first byte of the first frame
};

// Slowest and fastest sample rates accepted.
constexpr int MinWavFrequency = 1000;
constexpr int MaxWavFrequency = 192000;

// Walks the RIFF chunks of `bytes`: a "fmt " chunk of PCM (format 1) with 1
// or 2 channels of 8 or 16 bits at a rate within the limits, followed by a
// "data" chunk that lies wholly inside the buffer.
WavData parseWav(const unsigned char* bytes, std::size_t size);

} // namespace tessaron
