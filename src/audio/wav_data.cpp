#include "audio/wav_data.h"

#include <cstdint>
#include <cstring>

namespace tessaron {
namespace {

std::uint32_t readLe32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

std::uint16_t readLe16(const unsigned char* p) { return std::uint16_t(p[0] | (p[1] << 8)); }

} // namespace

WavData parseWav(const unsigned char* bytes, std::size_t size) {
    WavData wav;
    if (bytes == nullptr || size < 12) return wav;
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return wav;

    bool haveFormat = false;
    std::size_t pos = 12;
    // Each pass needs a whole 8-byte chunk header; the chunk's body is only
    // looked at once it is known to lie inside the buffer.
    while (size - pos >= 8) {
        const unsigned char* header = bytes + pos;
        std::size_t length = readLe32(header + 4);
        pos += 8;
        if (length > size - pos) return wav; // truncated chunk
        const unsigned char* body = bytes + pos;

        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (length < 16) return wav;
            int format = readLe16(body);
            wav.channels = readLe16(body + 2);
            std::uint32_t rate = readLe32(body + 4);
            wav.bits = readLe16(body + 14);
            if (format != 1) return wav;
            if (wav.channels != 1 && wav.channels != 2) return wav;
            if (wav.bits != 8 && wav.bits != 16) return wav;
            if (rate < MinWavFrequency || rate > MaxWavFrequency) return wav;
            wav.frequency = int(rate);
            haveFormat = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (!haveFormat) return wav;
            std::size_t frameBytes = std::size_t(wav.channels) * std::size_t(wav.bits / 8);
            std::size_t frames = length / frameBytes;
            if (frames == 0 || frames > 0x7fffffff) return wav;
            wav.frames = int(frames);
            wav.data = body;
            wav.valid = true;
            return wav;
        }
        // Chunks are padded to an even length.
        pos += length + (length & 1);
        if (pos > size) return wav;
    }
    return wav;
}

} // namespace tessaron
