#include "assets/sounds.h"

#include <algorithm>
#include <cmath>

namespace tessaron::assets {
namespace {

constexpr double kTwoPi = 6.28318530717958647692;

double timeOf(size_t i) { return static_cast<double>(i) / kSampleRate; }

// A buffer of the given length filled by a voice: a callable from the time
// in seconds to a sample, called once per sample in order.
template <typename Voice>
Buffer render(double seconds, Voice voice)
{
    Buffer b = silence(seconds);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = voice(timeOf(i));
    return b;
}

// Soft click: a short high blip with a breath of filtered noise.
Buffer rotate()
{
    Prng rng(11);
    StateVariable air;
    Buffer b = render(0.09, [&](double t) {
        const double tick = std::sin(kTwoPi * 1650.0 * t) * envelope(t, 0.001, 0.010);
        const double body = std::sin(kTwoPi * 720.0 * t) * envelope(t, 0.001, 0.018);
        const double hiss = air.bandpass(noise(rng), 3200.0, 1.5) * envelope(t, 0.0005, 0.006);
        return 0.6 * tick + 0.35 * body + 0.5 * hiss;
    });
    finish(b, 0.32, 0.002, 0.02);
    return b;
}

// Firm clink: inharmonic metal partials over a short low knock.
Buffer clink()
{
    Prng rng(12);
    struct Partial { double hz, level, decay; };
    const Partial partials[] = {{1318, 1.0, 0.11}, {2143, 0.65, 0.075}, {3371, 0.45, 0.05}, {4787, 0.25, 0.03}};
    OnePole thud;
    Buffer b = render(0.38, [&](double t) {
        double s = 0;
        for (const Partial& p : partials)
            s += p.level * std::sin(kTwoPi * p.hz * t) * envelope(t, 0.0008, p.decay);
        s += 0.7 * std::sin(kTwoPi * 170.0 * t) * envelope(t, 0.001, 0.03);
        return s + 0.6 * thud.lowpass(noise(rng), 2500.0) * envelope(t, 0.0003, 0.004);
    });
    finish(b, 0.55, 0.001, 0.04);
    return b;
}

// An explosion whose size (1 = the first blast of a turn) sets its length,
// depth and brightness; energy (0..1) adds a resonant sweep and a shimmer,
// the sound of blocks dissolving into light.
Buffer explosion(double seconds, double size, double energy, std::uint64_t seed)
{
    Prng rng(seed);
    StateVariable body;
    StateVariable sweep;
    Oscillator boom;
    const double bodyDecay = 0.12 + 0.16 * size;
    struct Shimmer { double hz, phase; };
    Shimmer shimmer[6];
    for (Shimmer& s : shimmer)
        s = {rng.range(1400.0, 3600.0) * (0.8 + 0.2 * size), rng.range(0.0, kTwoPi)};
    Buffer b = render(seconds, [&](double t) {
        const double progress = t / seconds;
        // Rumbling noise whose brightness falls as the blast dies.
        const double cutoff = 180.0 + 2600.0 * size * std::exp(-t / (0.08 + 0.05 * size));
        double s = body.lowpass(noise(rng), cutoff, 0.8) * envelope(t, 0.004, bodyDecay) * 1.6;
        // A falling sub tone for weight.
        const double pitch = 38.0 + 80.0 * std::exp(-t / 0.09);
        s += boom.sine(pitch) * envelope(t, 0.003, 0.09 + 0.08 * size) * (0.5 + 0.2 * size);
        // Crackle: sparse bright pops.
        if (rng.uniform() < 0.004 * (1.0 - progress))
            s += noise(rng) * 1.2 * envelope(t, 0.0, 0.25 * size);
        if (energy > 0) {
            // A resonant band that sweeps down and back up once.
            const double centre = 500.0 + 2800.0 * (0.5 + 0.5 * std::cos(kTwoPi * 0.8 * progress));
            s += energy * sweep.bandpass(noise(rng), centre, 8.0) * envelope(t, 0.02, seconds * 0.35) * 1.2;
            double sh = 0;
            for (const Shimmer& m : shimmer)
                sh += std::sin(kTwoPi * m.hz * t * (1.0 - 0.15 * progress) + m.phase);
            s += energy * sh / 6.0 * envelope(t, 0.05, seconds * 0.3) * 0.35 *
                 (0.6 + 0.4 * std::sin(kTwoPi * 11.0 * t));
        }
        return s;
    });
    // Loudness, not peak, grows with the size: a bigger blast is heavier all
    // through, while its peak stays below 0.9.
    finish(b, 1.0, 0.003, 0.06);
    double energySum = 0;
    for (double v : b)
        energySum += v * v;
    const double rms = std::sqrt(energySum / b.size());
    const double gain = std::min((0.055 + 0.022 * size) / rms, 0.9);
    for (double& v : b)
        v *= gain;
    return b;
}

// Lightning: a jagged crack of broadband noise, then a rolling rumble.
Buffer lightning()
{
    Prng rng(13);
    OnePole rumbleLow;
    OnePole rumbleLow2;
    OnePole crackHigh;
    bool gateOpen = true;
    double nextToggle = 0;
    Buffer b = render(1.5, [&](double t) {
        // The crack flickers: its noise gate opens and shuts at random.
        if (t >= nextToggle) {
            gateOpen = rng.uniform() < 0.65;
            nextToggle = t + rng.range(0.002, 0.012);
        }
        const double crack = crackHigh.highpass(noise(rng), 900.0) * envelope(t, 0.001, 0.09) * (gateOpen ? 1.0 : 0.15);
        const double roll = 0.6 + 0.4 * std::sin(kTwoPi * 2.3 * t + 1.2 * std::sin(kTwoPi * 0.7 * t));
        const double rumble = rumbleLow2.lowpass(rumbleLow.lowpass(noise(rng), 260.0), 180.0) *
                              envelope(t - 0.03, 0.12, 0.45) * roll * 7.0;
        return crack + rumble;
    });
    finish(b, 0.8, 0.002, 0.25);
    return b;
}

// Breaking glass: an impact, then many small shards ringing out at random.
Buffer glassbreak()
{
    Prng rng(14);
    OnePole impactFilter;
    Buffer b = render(1.1, [&](double t) {
        return impactFilter.highpass(noise(rng), 1800.0) * envelope(t, 0.0005, 0.025) * 0.9;
    });
    for (int shard = 0; shard < 46; ++shard) {
        const double onset = 0.55 * std::pow(rng.uniform(), 1.8);
        const double hz = rng.range(2300.0, 7200.0);
        const double ratio = std::min(rng.range(1.45, 2.7), 12000.0 / hz);
        const double decay = rng.range(0.015, 0.11);
        const double level = rng.range(0.15, 0.5) * (1.0 - onset);
        const size_t start = static_cast<size_t>(onset * kSampleRate);
        for (size_t i = start; i < b.size(); ++i) {
            const double t = timeOf(i - start);
            if (t > decay * 8)
                break;
            const double e = envelope(t, 0.0004, decay);
            b[i] += level * e * (std::sin(kTwoPi * hz * t) + 0.5 * std::sin(kTwoPi * hz * ratio * t));
        }
    }
    finish(b, 0.7, 0.001, 0.1);
    return b;
}

// A gentle tone gliding from one pitch to another: the pause panel opening
// (rising) or closing (falling).
Buffer glideTone(double fromHz, double toHz)
{
    Oscillator osc;
    Oscillator octave;
    const double glide = 0.22;
    Buffer b = render(0.42, [&](double t) {
        const double k = std::min(1.0, t / glide);
        const double hz = fromHz * std::pow(toHz / fromHz, k * k * (3.0 - 2.0 * k));
        const double tone = osc.sine(hz);
        const double shimmer = octave.sine(hz * 2.0 + 1.5);
        return (tone + 0.28 * tone * tone * tone + 0.22 * shimmer) * envelope(t, 0.012, 0.16);
    });
    finish(b, 0.42, 0.004, 0.06);
    return b;
}

} // namespace

std::vector<SoundEffect> makeSoundEffects()
{
    return {
        {"sound/energy_explosion.wav", explosion(0.8, 1.2, 0.5, 20)},
        {"sound/rotate.wav", rotate()},
        {"sound/clink.wav", clink()},
        {"sound/explode_big.wav", explosion(0.7, 1.0, 0.0, 21)},
        {"sound/energy_disintegrate4.wav", explosion(0.95, 1.5, 0.5, 22)},
        {"sound/energy_disintegrate5.wav", explosion(1.25, 1.85, 0.8, 23)},
        {"sound/energy_huge.wav", explosion(1.75, 2.3, 1.0, 24)},
        {"sound/lightning.wav", lightning()},
        {"sound/glassbreak.wav", glassbreak()},
        {"sound/common/menu_wake.wav", glideTone(523.25, 1046.5)},
        {"sound/common/menu_back.wav", glideTone(1046.5, 523.25)},
    };
}

} // namespace tessaron::assets
