#include "test_media.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace tessaron::test {
namespace {

void put16(Bytes& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xff));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
}

void put32(Bytes& out, unsigned v) {
    put16(out, v & 0xffff);
    put16(out, (v >> 16) & 0xffff);
}

void putBe16(Bytes& out, unsigned v) {
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
    out.push_back(static_cast<unsigned char>(v & 0xff));
}

void putText(Bytes& out, const char* text, std::size_t width) {
    std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < width; ++i) out.push_back(i < length ? static_cast<unsigned char>(text[i]) : 0);
}

struct Folder {
    std::filesystem::path path;
    Folder() {
        char name[64];
        std::snprintf(name, sizeof name, "tessaron-audio-test-%ld", static_cast<long>(getpid()));
        path = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(path);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

Folder& folder() {
    static Folder instance;
    return instance;
}

} // namespace

Bytes makeWav(int bits, int channels, int rate, int frames) {
    int frameBytes = channels * bits / 8;
    unsigned dataBytes = unsigned(frames * frameBytes);
    Bytes out;
    putText(out, "RIFF", 4);
    put32(out, 36 + dataBytes);
    putText(out, "WAVE", 4);
    putText(out, "fmt ", 4);
    put32(out, 16);
    put16(out, 1);
    put16(out, unsigned(channels));
    put32(out, unsigned(rate));
    put32(out, unsigned(rate * frameBytes));
    put16(out, unsigned(frameBytes));
    put16(out, unsigned(bits));
    putText(out, "data", 4);
    put32(out, dataBytes);
    for (int i = 0; i < frames; ++i) {
        bool high = (i / 40) % 2 == 0;
        for (int c = 0; c < channels; ++c) {
            if (bits == 8)
                out.push_back(high ? 0xe0 : 0x20);
            else
                put16(out, high ? 28000u : unsigned(-28000) & 0xffff);
        }
    }
    return out;
}

Bytes makeModule() {
    constexpr int SampleBytes = 32;
    Bytes out;
    putText(out, "tessaron test", 20);
    for (int s = 0; s < 31; ++s) {
        putText(out, s == 0 ? "square" : "", 22);
        bool used = s == 0;
        putBe16(out, used ? SampleBytes / 2 : 0); // length in words
        out.push_back(0);                          // finetune
        out.push_back(used ? 64 : 0);              // volume
        putBe16(out, 0);                           // loop start
        putBe16(out, used ? SampleBytes / 2 : 1);  // loop length: the whole sample
    }
    out.push_back(1);   // song length: one order
    out.push_back(127); // restart byte
    for (int i = 0; i < 128; ++i) out.push_back(0);
    putText(out, "M.K.", 4);
    // Pattern 0: 64 rows of 4 channels; every eighth row, channel 0 plays
    // sample 1 one step higher up a scale from C-3 (period 214, about 518 Hz
    // with this 32-byte loop), so that no stretch of the song repeats an
    // earlier one until the song itself starts again.
    const unsigned periods[8] = {214, 190, 170, 160, 143, 127, 113, 107};
    for (int row = 0; row < 64; ++row) {
        for (int channel = 0; channel < 4; ++channel) {
            if (row % 8 == 0 && channel == 0) {
                unsigned period = periods[row / 8];
                out.push_back(static_cast<unsigned char>(period >> 8));
                out.push_back(static_cast<unsigned char>(period & 0xff));
                out.push_back(0x10); // sample 1 in the high nibble
                out.push_back(0);
            } else {
                for (int i = 0; i < 4; ++i) out.push_back(0);
            }
        }
    }
    for (int i = 0; i < SampleBytes; ++i) out.push_back(i < SampleBytes / 2 ? 100 : static_cast<unsigned char>(-100));
    return out;
}

std::string mediaFolder() { return folder().path.string() + "/"; }

std::string writeFile(const std::string& name, const Bytes& bytes) {
    std::string path = mediaFolder() + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

std::string missingPath(const std::string& name) { return mediaFolder() + "missing-" + name; }

} // namespace tessaron::test
