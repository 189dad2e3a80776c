#include "sound_fixture.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <numeric>

namespace tessaron::test {
namespace {

constexpr int CaptureId = AL_ID('T', 'C', 'A', 'P');

extern DIGI_DRIVER CaptureDriver;

// The output format, taken from Allegro's [sound] settings the way its ALSA
// driver takes it: stereo unless sound_stereo is 0, 8 bits when sound_bits
// is 8 and 16 otherwise, the rate of sound_freq or 44100.
bool Stereo = true;
int Bits = 16;
bool MonoOnly = false;

int captureInit(int input, int voices) {
    if (input) return -1;
    CaptureDriver.voices = voices;
    Stereo = _sound_stereo != 0 && !MonoOnly;
    Bits = _sound_bits == 8 ? 8 : 16;
    int rate = _sound_freq > 0 ? _sound_freq : CaptureRate;
    return _mixer_init(CaptureFragmentFrames * (Stereo ? 2 : 1), rate, Stereo, Bits == 16, &CaptureDriver.voices);
}

DIGI_DRIVER CaptureDriver = {
    CaptureId, "test capture", "test capture", "test capture", 0, 0, MIXER_MAX_SFX, MIXER_DEF_SFX,
    [](int input) { return input ? 0 : 1; }, captureInit, [](int) { _mixer_exit(); }, nullptr, nullptr,
    nullptr, nullptr, [] { return CaptureFragmentFrames; },
    _mixer_init_voice, _mixer_release_voice, _mixer_start_voice, _mixer_stop_voice, _mixer_loop_voice,
    _mixer_get_position, _mixer_set_position,
    _mixer_get_volume, _mixer_set_volume, _mixer_ramp_volume, _mixer_stop_volume_ramp,
    _mixer_get_frequency, _mixer_set_frequency, _mixer_sweep_frequency, _mixer_stop_frequency_sweep,
    _mixer_get_pan, _mixer_set_pan, _mixer_sweep_pan, _mixer_stop_pan_sweep,
    _mixer_set_echo, _mixer_set_tremolo, _mixer_set_vibrato,
    0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

_DRIVER_INFO CaptureList[] = {{CaptureId, &CaptureDriver, TRUE}, {0, nullptr, 0}};
_DRIVER_INFO* captureDrivers() { return CaptureList; }

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
    ~Folder() { std::error_code ignored; std::filesystem::remove_all(path, ignored); }
};

} // namespace

void startAllegro(bool withDevice) {
    // The driver-less system's own list, which offers only Allegro's null
    // driver, like a machine without a sound card.
    static _DRIVER_INFO* (*const systemDrivers)() = [] {
        install_allegro(SYSTEM_NONE, &errno, std::atexit);
        auto drivers = system_driver->digi_drivers;
        allegro_exit();
        return drivers;
    }();
    install_allegro(SYSTEM_NONE, &errno, std::atexit);
    system_driver->digi_drivers = withDevice ? captureDrivers : systemDrivers;
    // Allegro's mixer locks a mutex, which the driver-less system cannot make.
    system_driver->create_mutex = []() -> void* { return new std::recursive_mutex; };
    system_driver->destroy_mutex = [](void* mutex) { delete static_cast<std::recursive_mutex*>(mutex); };
    system_driver->lock_mutex = [](void* mutex) { static_cast<std::recursive_mutex*>(mutex)->lock(); };
    system_driver->unlock_mutex = [](void* mutex) { static_cast<std::recursive_mutex*>(mutex)->unlock(); };
}

void stopAllegro() { allegro_exit(); }

void captureMonoOnly(bool monoOnly) { MonoOnly = monoOnly; }

std::vector<std::int16_t> mixFrames(int frames) {
    const int channels = Stereo ? 2 : 1;
    std::vector<std::int16_t> mix, wide(std::size_t(CaptureFragmentFrames) * channels);
    std::vector<std::int8_t> narrow(wide.size());
    for (int done = 0; done < frames; done += CaptureFragmentFrames) {
        void* out = Bits == 16 ? static_cast<void*>(wide.data()) : narrow.data();
        _mix_some_samples(reinterpret_cast<uintptr_t>(out), 0, TRUE);
        for (std::size_t i = 0; i < wide.size(); ++i) {
            const std::int16_t v = Bits == 16 ? wide[i] : std::int16_t(narrow[i] * 256);
            mix.insert(mix.end(), 3 - channels, v);  // mono: both sides
        }
    }
    return mix;
}

int peak(const std::vector<std::int16_t>& mix) {
    return std::accumulate(mix.begin(), mix.end(), 0, [](int m, std::int16_t v) { return std::max(m, std::abs(int(v))); });
}

Bytes makeWav(int bits, int channels, int rate, int frames) {
    const unsigned frameBytes = unsigned(channels * bits / 8), dataBytes = unsigned(frames) * frameBytes;
    Bytes out;
    putText(out, "RIFF", 4);
    put(out, 36 + dataBytes, 4);
    putText(out, "WAVEfmt ", 8);
    // Format chunk: length 16, PCM, channels, rate, bytes per second and
    // per frame, bits; then the data chunk.
    for (auto [value, bytes] : {std::pair{16u, 4}, {1u, 2}, {unsigned(channels), 2}, {unsigned(rate), 4},
                                {unsigned(rate) * frameBytes, 4}, {frameBytes, 2}, {unsigned(bits), 2}})
        put(out, value, bytes);
    putText(out, "data", 4);
    put(out, dataBytes, 4);
    for (int i = 0; i < frames * channels; ++i) {
        const bool high = (i / channels / 40) % 2 == 0;
        put(out, bits == 8 ? (high ? 0xe0 : 0x20) : (high ? 28000u : unsigned(-28000)), bits / 8);
    }
    return out;
}

Bytes makeModule() {
    constexpr int SampleBytes = 32;
    Bytes out;
    putText(out, "tessaron test", 20);
    for (int s = 0; s < 31; ++s) {  // sample 1 only: name, length in words, volume 64, the whole sample looped
        putText(out, s == 0 ? "square" : "", 22);
        for (unsigned v : {s == 0 ? SampleBytes / 2u : 0u, s == 0 ? 64u : 0u, 0u, s == 0 ? SampleBytes / 2u : 1u})
            put(out, v, 2, true);
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
            put(out, row % 8 == 0 && channel == 0 ? periods[row / 8] << 16 | 0x1000 : 0, 4, true);
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

} // namespace tessaron::test
