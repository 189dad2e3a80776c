#include "audio/sample_bank.h"

namespace tessaron {
namespace {

// Sample-load mode the game passes: signed 16-bit mono, no loop bit.
constexpr unsigned int GameSampleMode = FSOUND_SIGNED | FSOUND_MONO | FSOUND_16BITS;
static_assert(GameSampleMode == 304, "the game loads its samples with mode 304");

} // namespace

FSOUND_SAMPLE* loadSample(const char* path) { return FSOUND_Sample_Load(-1, path, GameSampleMode, 0, 0); }

int playSample(FSOUND_SAMPLE* sample) {
    if (sample == nullptr) return 0;
    int channel = FSOUND_PlaySound(FSOUND_FREE, sample);
    return channel > 0 ? channel : 0;
}

void setChannelVolume(int channel, int volume) {
    if (channel != 0) FSOUND_SetVolume(channel, volume);
}

void SampleBank::add(const char* path) {
    if (count_ >= UsableSlots) return;
    samples_[next_] = loadSample(path);
    ++next_;
    ++count_;
}

FSOUND_SAMPLE* SampleBank::handle(int slot) const {
    return slot >= 0 && slot < SlotCount ? samples_[slot] : nullptr;
}

int SampleBank::play(int slot) const { return playSample(handle(slot)); }

void SampleBank::free() {
    for (FSOUND_SAMPLE*& sample : samples_) {
        FSOUND_Sample_Free(sample);
        sample = nullptr;
    }
    count_ = 0;
    next_ = 0;
}

void PanelSamples::load(const char* wakePath, const char* backPath) {
    free();
    wake_ = loadSample(wakePath);
    back_ = loadSample(backPath);
}

void PanelSamples::free() {
    FSOUND_Sample_Free(wake_);
    FSOUND_Sample_Free(back_);
    wake_ = nullptr;
    back_ = nullptr;
}

int PanelSamples::playQuiet(FSOUND_SAMPLE* sample) {
    int channel = playSample(sample);
    setChannelVolume(channel, PanelSampleVolume);
    return channel;
}

} // namespace tessaron
