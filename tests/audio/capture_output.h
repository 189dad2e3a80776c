// A sound output for tests: Allegro started without a system driver, with a
// digital driver of its own whose mix is rendered on request into memory by
// Allegro's real software mixer.  Nothing is mixed between requests, so the
// voices, streams and volumes the sound layer sets up can be inspected
// exactly.  Main thread only.
#pragma once

#include <cstdint>
#include <vector>

namespace tessaron::test {

// Frames the capture driver mixes at a time, and its rate unless the
// settings' sound_freq asks for another.
constexpr int CaptureFragmentFrames = 1024;
constexpr int CaptureRate = 44100;

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

// Root mean square and peak of a mix.
double rms(const std::vector<std::int16_t>& mix);
int peak(const std::vector<std::int16_t>& mix);

} // namespace tessaron::test
