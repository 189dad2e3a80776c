#include "capture_output.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>

#include <cmath>
#include <cstdlib>
#include <mutex>

namespace tessaron::test {
namespace {

constexpr int CaptureId = AL_ID('T', 'C', 'A', 'P');

extern DIGI_DRIVER CaptureDriver;

int captureDetect(int input) { return input ? 0 : 1; }

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

void captureExit(int) { _mixer_exit(); }

int captureBufferSize() { return CaptureFragmentFrames; }

DIGI_DRIVER CaptureDriver = {
    CaptureId, "test capture", "test capture", "test capture", 0, 0, MIXER_MAX_SFX, MIXER_DEF_SFX,
    captureDetect, captureInit, captureExit, nullptr, nullptr,
    nullptr, nullptr, captureBufferSize,
    _mixer_init_voice, _mixer_release_voice, _mixer_start_voice, _mixer_stop_voice, _mixer_loop_voice,
    _mixer_get_position, _mixer_set_position,
    _mixer_get_volume, _mixer_set_volume, _mixer_ramp_volume, _mixer_stop_volume_ramp,
    _mixer_get_frequency, _mixer_set_frequency, _mixer_sweep_frequency, _mixer_stop_frequency_sweep,
    _mixer_get_pan, _mixer_set_pan, _mixer_sweep_pan, _mixer_stop_pan_sweep,
    _mixer_set_echo, _mixer_set_tremolo, _mixer_set_vibrato,
    0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

_DRIVER_INFO CaptureList[] = {{CaptureId, &CaptureDriver, TRUE}, {0, nullptr, 0}};
_DRIVER_INFO* captureDrivers() { return CaptureList; }

// Allegro's mixer locks a mutex, which the driver-less system cannot make.
void* createMutex() { return new std::recursive_mutex; }
void destroyMutex(void* mutex) { delete static_cast<std::recursive_mutex*>(mutex); }
void lockMutex(void* mutex) { static_cast<std::recursive_mutex*>(mutex)->lock(); }
void unlockMutex(void* mutex) { static_cast<std::recursive_mutex*>(mutex)->unlock(); }

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
    system_driver->create_mutex = createMutex;
    system_driver->destroy_mutex = destroyMutex;
    system_driver->lock_mutex = lockMutex;
    system_driver->unlock_mutex = unlockMutex;
}

void stopAllegro() { allegro_exit(); }

void captureMonoOnly(bool monoOnly) { MonoOnly = monoOnly; }

std::vector<std::int16_t> mixFrames(int frames) {
    int fragments = (frames + CaptureFragmentFrames - 1) / CaptureFragmentFrames;
    const int channels = Stereo ? 2 : 1;
    std::vector<std::int16_t> mix;
    mix.reserve(std::size_t(fragments) * CaptureFragmentFrames * 2);
    std::vector<std::int16_t> wide(std::size_t(CaptureFragmentFrames) * channels);
    std::vector<std::int8_t> narrow(wide.size());
    for (int f = 0; f < fragments; ++f) {
        void* out = Bits == 16 ? static_cast<void*>(wide.data()) : static_cast<void*>(narrow.data());
        _mix_some_samples(reinterpret_cast<uintptr_t>(out), 0, TRUE);
        for (std::size_t i = 0; i < wide.size(); ++i) {
            std::int16_t v = Bits == 16 ? wide[i] : std::int16_t(narrow[i] * 256);
            mix.push_back(v);
            if (channels == 1) mix.push_back(v);
        }
    }
    return mix;
}

double rms(const std::vector<std::int16_t>& mix) {
    if (mix.empty()) return 0.0;
    double sum = 0.0;
    for (std::int16_t v : mix) sum += double(v) * double(v);
    return std::sqrt(sum / double(mix.size()));
}

int peak(const std::vector<std::int16_t>& mix) {
    int best = 0;
    for (std::int16_t v : mix) best = std::max(best, std::abs(int(v)));
    return best;
}

} // namespace tessaron::test
