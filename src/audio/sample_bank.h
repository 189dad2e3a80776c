// SampleBank: the game's sound effects, addressed by load order, and the
// play and channel-volume operations every sound of the game goes through.
// PanelSamples: the pause panel's two sounds, kept outside the bank.
// Depends on the sound library stand-in (audio/fsound.h).  Main thread only.
// A file that fails to load leaves a null handle; playing it does nothing.
#pragma once

#include "audio/fsound.h"

namespace tessaron {

// Plays a sample once on a free channel.  Returns the channel, or 0 when
// nothing was started (null handle, sound off, no voice).
int playSample(FSOUND_SAMPLE* sample);
// Sets the volume (0..255) of a channel returned by playSample; 0 is ignored.
void setChannelVolume(int channel, int volume);

class SampleBank {
public:
    static constexpr int SlotCount = 256;
    // One slot fewer than the bank holds is ever filled.
    static constexpr int UsableSlots = 255;

    SampleBank() = default;
    SampleBank(const SampleBank&) = delete;
    SampleBank& operator=(const SampleBank&) = delete;

    // Loads `path` into the next slot.  A failed load keeps its slot (null)
    // so later slots keep their numbers.  Ignored once 255 are counted.
    void add(const char* path);
    // Plays the sample of `slot`; returns its channel or 0.  Out-of-range
    // and empty slots play nothing.
    int play(int slot) const;
    // Frees every sample and empties the bank.
    void free();

    int count() const { return count_; }
    FSOUND_SAMPLE* handle(int slot) const;

private:
    int count_ = 0;
    int next_ = 0;
    FSOUND_SAMPLE* samples_[SlotCount] = {};
};

// The pause panel's sounds: the wake sound when the game pauses, the back
// sound when it resumes, each played at PanelSampleVolume.
constexpr int PanelSampleVolume = 50;
constexpr const char* PanelWakePath = "data/sound/common/menu_wake.wav";
constexpr const char* PanelBackPath = "data/sound/common/menu_back.wav";

class PanelSamples {
public:
    PanelSamples() = default;
    PanelSamples(const PanelSamples&) = delete;
    PanelSamples& operator=(const PanelSamples&) = delete;

    // Loads both files (the paths are parameters for tests).
    void load(const char* wakePath = PanelWakePath, const char* backPath = PanelBackPath);
    void free();
    // Each returns the channel started, or 0.
    int playWake() const { return playQuiet(wake_); }
    int playBack() const { return playQuiet(back_); }

    FSOUND_SAMPLE* wake() const { return wake_; }
    FSOUND_SAMPLE* back() const { return back_; }

private:
    static int playQuiet(FSOUND_SAMPLE* sample);
    FSOUND_SAMPLE* wake_ = nullptr;
    FSOUND_SAMPLE* back_ = nullptr;
};

// Loads one sample the way the game loads all of them.
FSOUND_SAMPLE* loadSample(const char* path);

} // namespace tessaron
