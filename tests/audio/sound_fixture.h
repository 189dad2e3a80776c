// The fixture of the audio tests: a sound output of their own, sound files
// written from code, and the sound library started on that output as the
// game starts it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_system.h"

namespace tessaron::test {

// The capture output: Allegro started without a system driver, with a
// digital driver of its own whose mix is rendered on request into memory by
// Allegro's real software mixer.  Nothing is mixed between requests, so the
// voices, streams and volumes the sound layer sets up can be inspected
// exactly.  Main thread only.  It mixes CaptureFragmentFrames at a time, at
// CaptureRate unless the settings' sound_freq asks for another rate.
constexpr int CaptureFragmentFrames = 1024;
constexpr int CaptureRate = 44100;
// Mix of a quarter second: long enough for a sample or a stretch of music.
constexpr int QuarterSecond = CaptureRate / 4;

// Starts Allegro (SYSTEM_NONE).  With `withDevice` the capture driver is the
// only sound driver; without it Allegro offers only its null driver, as on a
// machine without a sound card.
void startAllegro(bool withDevice);
void stopAllegro();
// Makes the capture device open mono whatever the settings ask (from the
// next start of the sound system on), like a mono-only sound card.
void captureMonoOnly(bool monoOnly);
// Mixes at least `frames` frames (whole fragments) in the output format the
// settings chose and returns them as interleaved signed 16-bit stereo.
std::vector<std::int16_t> mixFrames(int frames);
// The largest magnitude of a mix.
int peak(const std::vector<std::int16_t>& mix);

// Sound files written from code, in a fresh folder per test program that is
// removed at exit.
using Bytes = std::vector<unsigned char>;
// A PCM WAV of a square wave (40 frames up, 40 down) near full scale.
Bytes makeWav(int bits, int channels, int rate, int frames);
// A tiny four-channel ProTracker module: one pattern of eight square-wave
// notes up a scale, a new note every eighth row.
Bytes makeModule();
// Writes `bytes` under the test folder; returns the full path.
std::string writeFile(const std::string& name, const Bytes& bytes);
// The test folder, ending in '/'.
std::string mediaFolder();

struct SoundTest : ::testing::Test {
    void SetUp() override { startAllegro(true); ASSERT_EQ(startAudio(), 1); }
    void TearDown() override { closeAudio(); stopAllegro(); }
};

// Waits until the music feeder has made a whole pass begun after the call;
// false when it makes none within two seconds.
inline bool waitForFeeder() {
    const std::int64_t start = fsound_feeder_passes();
    for (int ms = 0; ms < 2000 && fsound_feeder_passes() < start + 2; ++ms)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return fsound_feeder_passes() >= start + 2;
}

} // namespace tessaron::test
