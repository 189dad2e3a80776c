#include "test_media.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tessaron::test {
namespace {

// Appends v as `bytes` bytes, little-endian (or big-endian with bigEndian).
void put(Bytes& out, unsigned v, int bytes, bool bigEndian = false) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(v >> 8 * (bigEndian ? bytes - 1 - i : i)));
}

// Appends text padded with zeros (or cut) to `width` bytes.
void putText(Bytes& out, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
}

struct Folder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tessaron-audio-test-" + std::to_string(getpid()));
    Folder() { std::filesystem::create_directories(path); }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

Bytes makeWav(int bits, int channels, int rate, int frames) {
    const unsigned frameBytes = unsigned(channels * bits / 8), dataBytes = unsigned(frames) * frameBytes;
    Bytes out;
    putText(out, "RIFF", 4);
    put(out, 36 + dataBytes, 4);
    putText(out, "WAVEfmt ", 8);
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, unsigned(channels), 2);
    put(out, unsigned(rate), 4);
    put(out, unsigned(rate) * frameBytes, 4);
    put(out, frameBytes, 2);
    put(out, unsigned(bits), 2);
    putText(out, "data", 4);
    put(out, dataBytes, 4);
    for (int i = 0; i < frames * channels; ++i) {
        const bool high = (i / channels / 40) % 2 == 0;  // a square wave, 40 frames up, 40 down
        put(out, bits == 8 ? (high ? 0xe0 : 0x20) : (high ? 28000u : unsigned(-28000)), bits / 8);
    }
    return out;
}

Bytes makeModule() {
    constexpr int SampleBytes = 32;
    Bytes out;
    putText(out, "tessaron test", 20);
    for (int s = 0; s < 31; ++s) {
        const bool used = s == 0;
        putText(out, used ? "square" : "", 22);
        put(out, used ? SampleBytes / 2 : 0, 2, true);  // length in words
        put(out, used ? 64 : 0, 2, true);                // finetune 0, volume
        put(out, 0, 2, true);                            // loop start
        put(out, used ? SampleBytes / 2 : 1, 2, true);  // loop length: the whole sample
    }
    put(out, 1 << 8 | 127, 2, true);  // one order, restart byte 127
    putText(out, "", 128);
    putText(out, "M.K.", 4);
    // Pattern 0: 64 rows of 4 channels; every eighth row, channel 0 plays
    // sample 1 one step higher up a scale from C-3 (period 214, about 518 Hz
    // with this 32-byte loop), so that no stretch of the song repeats an
    // earlier one until the song itself starts again.
    const unsigned periods[8] = {214, 190, 170, 160, 143, 127, 113, 107};
    for (int row = 0; row < 64; ++row)
        for (int channel = 0; channel < 4; ++channel)
            put(out, row % 8 == 0 && channel == 0 ? periods[row / 8] << 16 | 0x1000 : 0, 4, true);  // sample 1
    for (int i = 0; i < SampleBytes; ++i) out.push_back(i < SampleBytes / 2 ? 100 : static_cast<unsigned char>(-100));
    return out;
}

std::string mediaFolder() {
    static Folder folder;
    return folder.path.string() + "/";
}

std::string writeFile(const std::string& name, const Bytes& bytes) {
    const std::string path = mediaFolder() + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::string missingPath(const std::string& name) { return mediaFolder() + "missing-" + name; }

} // namespace tessaron::test
