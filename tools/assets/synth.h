// Sound synthesis for the asset generator: oscillators, filters, noise and
// envelopes over buffers of doubles (-1..1), the clean-up every finished
// sound gets (no DC, fades to silence at both ends, a set peak level), and
// the 16-bit mono WAV writer.  Depends on prng.h and bytes.h.  Single-
// threaded.  writeWav returns false when the file cannot be written.
#pragma once

#include <string>
#include <vector>

#include "assets/prng.h"

namespace tessaron::assets {

constexpr int kSampleRate = 44100;
using Buffer = std::vector<double>;

// A phase accumulator: call with the wanted frequency once per sample.
class Oscillator {
public:
    explicit Oscillator(double rate = kSampleRate) : rate(rate) {}
    double sine(double hz);
    double phase() const { return cycle; }

private:
    double rate;
    double cycle = 0;  // in cycles, kept in [0, 1)
};

// A one-pole low-pass filter; the high-pass is the input minus it.
class OnePole {
public:
    double lowpass(double in, double cutoffHz, double rate = kSampleRate);
    double highpass(double in, double cutoffHz, double rate = kSampleRate)
    {
        return in - lowpass(in, cutoffHz, rate);
    }

private:
    double state = 0;
};

// A state-variable filter (Chamberlin) with resonance; q from about 0.5 (soft)
// to 20 (ringing).  Cutoffs are kept below a sixth of the rate, where it is
// stable.
class StateVariable {
public:
    double lowpass(double in, double cutoffHz, double q, double rate = kSampleRate);
    double bandpass(double in, double cutoffHz, double q, double rate = kSampleRate);

private:
    void step(double in, double cutoffHz, double q, double rate);
    double low = 0;
    double band = 0;
};

// White noise in [-1, 1).
inline double noise(Prng& rng) { return rng.uniform() * 2.0 - 1.0; }

// Exponential decay with the given time constant, after a linear attack.
double envelope(double t, double attack, double decay);

Buffer silence(double seconds, double rate = kSampleRate);

// Removes DC, fades the first fadeIn and last fadeOut seconds to silence
// along a raised cosine, and scales the peak to the given level (< 1).
void finish(Buffer& b, double peak, double fadeIn = 0.004, double fadeOut = 0.03, double rate = kSampleRate);

// 16-bit signed, 44100 Hz, mono PCM.
bool writeWav(const std::string& path, const Buffer& samples);

} // namespace tessaron::assets
