#include "assets/music.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "assets/mod_writer.h"
#include "assets/prng.h"
#include "assets/synth.h"

namespace tessaron::assets {
namespace {

constexpr double kTwoPi = 6.28318530717958647692;

// Note indices of the period table.
constexpr int C1 = 0;
constexpr int C2 = 12;
constexpr int B3 = 35;
// The pitch every melodic instrument sounds at C-2 (middle C), and the rate
// a sample plays at for that note.
constexpr double kMiddleC = 261.6256;
const double kRateC2 = mod::sampleRate(C2);

// Sample numbers (1-based, as the patterns use them).
enum Instrument { Bass = 1, PadMajor, PadMinor, Bell, Kick, Hat, Brush };

// ---- Instruments -------------------------------------------------------

// A rise from 0 to 1 along half a cosine, for t in [0, 1].
double smoothRise(double t) { return 0.5 - 0.5 * std::cos(3.14159265358979323846 * t); }

// Round bass with a soft attack and a slow decay: fundamental plus a little
// of the second and third harmonics.  Sounds C3 at C-2, so octave 1 is the
// bass register.
std::vector<double> bassSample()
{
    const double hz = kMiddleC / 2.0;
    std::vector<double> s(static_cast<size_t>(1.7 * kRateC2));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / kRateC2;
        const double w = std::sin(kTwoPi * hz * t) + 0.32 * std::sin(kTwoPi * 2 * hz * t) +
                         0.1 * std::sin(kTwoPi * 3 * hz * t);
        const double body = 0.6 + 0.4 * std::exp(-t / 0.12);
        s[i] = w * body * envelope(t, 0.006, 0.9) * 0.7;
    }
    const size_t tail = static_cast<size_t>(0.08 * kRateC2);
    for (size_t i = 0; i < tail; ++i)
        s[s.size() - 1 - i] *= static_cast<double>(i) / tail;
    return s;
}

// A chord pad: three soft, slightly detuned saw-like voices (root, third,
// fifth) in one looped sample.  Every partial makes a whole number of cycles
// per loop, so the loop is seamless; the detuned copies beat about once per
// loop, a slow chorus.  A fade-in leads into the loop.
mod::Sample padSample(bool minor, const char* name)
{
    constexpr size_t kLoop = 8192;
    const double rootCycles = std::round(kMiddleC * kLoop / kRateC2);
    const std::array<double, 3> intervals{0.0, minor ? 3.0 : 4.0, 7.0};
    std::vector<double> loop(kLoop, 0.0);
    for (double semis : intervals) {
        const double cycles = std::round(rootCycles * std::pow(2.0, semis / 12.0));
        for (int h = 1; h <= 6; ++h) {
            const double level = std::exp(-h / 2.2) / h;
            for (double detune : {0.0, 1.0}) {
                const double c = cycles * h + detune * h;
                const double phase = 0.37 * h + detune * 1.3 + semis;
                for (size_t k = 0; k < kLoop; ++k)
                    loop[k] += level * std::sin(kTwoPi * c * k / kLoop + phase);
            }
        }
    }
    double top = 0;
    for (double v : loop)
        top = std::max(top, std::fabs(v));
    const size_t attack = static_cast<size_t>(0.45 * kRateC2) & ~size_t(1);
    std::vector<double> s;
    s.reserve(attack + kLoop);
    for (size_t i = 0; i < attack; ++i) {
        const double e = smoothRise(static_cast<double>(i) / attack);
        s.push_back(loop[(i + kLoop - attack % kLoop) % kLoop] / top * e * 0.95);
    }
    for (size_t k = 0; k < kLoop; ++k)
        s.push_back(loop[k] / top * 0.95);
    mod::Sample out{name, mod::toSigned8(s), 26, attack, kLoop};
    return out;
}

// A soft electric bell: a few inharmonic partials, the higher ones dying
// first.  Sounds middle C at C-2.
std::vector<double> bellSample()
{
    struct Partial { double ratio, level, decay; };
    const Partial partials[] = {{1.0, 1.0, 1.1}, {2.0, 0.42, 0.55}, {3.0, 0.2, 0.3}, {4.16, 0.16, 0.2}, {5.43, 0.08, 0.12}};
    std::vector<double> s(static_cast<size_t>(2.0 * kRateC2));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / kRateC2;
        double v = 0;
        for (const Partial& p : partials)
            v += p.level * std::sin(kTwoPi * kMiddleC * p.ratio * t) * envelope(t, 0.003, p.decay);
        s[i] = v * 0.62;
    }
    return s;
}

// A soft kick: a sine falling from 150 to 48 Hz.
std::vector<double> kickSample()
{
    std::vector<double> s(static_cast<size_t>(0.42 * kRateC2));
    Oscillator osc(kRateC2);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / kRateC2;
        s[i] = osc.sine(48.0 + 102.0 * std::exp(-t / 0.035)) * envelope(t, 0.002, 0.12) * 0.95;
    }
    return s;
}

// Noise through a high-pass: a closed hat, or with a band-pass and a low tone
// a brushed snare.  Both are played at B-3, the highest rate.
std::vector<double> hatSample(bool brush, std::uint64_t seed)
{
    const double rate = mod::sampleRate(B3);
    Prng rng(seed);
    std::vector<double> s(static_cast<size_t>((brush ? 0.3 : 0.12) * rate));
    OnePole hp1;
    OnePole hp2;
    StateVariable band;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = i / rate;
        const double n = noise(rng);
        if (brush)
            s[i] = (band.bandpass(n, 2600.0, 0.9, rate) * 1.4 + 0.25 * std::sin(kTwoPi * 210.0 * t)) *
                   envelope(t, 0.004, 0.07);
        else
            s[i] = hp2.highpass(hp1.highpass(n, 6500.0, rate), 6500.0, rate) * envelope(t, 0.001, 0.022) * 1.6;
    }
    return s;
}

// ---- Composition -------------------------------------------------------

struct Chord {
    int root;    // pitch class, 0 = C
    bool minor;
};

// Two bars per chord, two chords per pattern: Am F | C G | Am F | Dm E |
// F G | Em Am | Dm G | F E, and the E leads back to the opening Am.
constexpr std::array<Chord, 16> kProgression{{
    {9, true}, {5, false}, {0, false}, {7, false},
    {9, true}, {5, false}, {2, true}, {4, false},
    {5, false}, {7, false}, {4, true}, {9, true},
    {2, true}, {7, false}, {5, false}, {4, false},
}};

constexpr int kRowsPerBar = 16;
constexpr int kRowsPerChord = 32;
constexpr int kTempo = 88;  // beats per minute, four rows to the beat

// The chord's three tones as pitch classes.
std::array<int, 3> chordTones(const Chord& c)
{
    return {c.root, (c.root + (c.minor ? 3 : 4)) % 12, (c.root + 7) % 12};
}

// A minor, with G sharp over the E major chord (the harmonic minor's pull).
bool inScale(int note, const Chord& c)
{
    const int pc = note % 12;
    const bool sharpSeventh = c.root == 4 && !c.minor;
    static constexpr std::array<int, 7> kScale{9, 11, 0, 2, 4, 5, 7};
    for (int s : kScale) {
        const int t = (s == 7 && sharpSeventh) ? 8 : s;
        if (pc == t)
            return true;
    }
    return false;
}

bool isChordTone(int note, const Chord& c)
{
    for (int t : chordTones(c))
        if (note % 12 == t)
            return true;
    return false;
}

// The chord tone nearest to `from` within [lo, hi], ties broken by the PRNG.
int nearestChordTone(int from, const Chord& c, int lo, int hi, Prng& rng)
{
    int best = from;
    int bestDistance = 99;
    for (int n = lo; n <= hi; ++n) {
        if (!isChordTone(n, c))
            continue;
        const int d = std::abs(n - from) * 2 + (rng.uniform() < 0.5 ? 1 : 0);
        if (d < bestDistance && n != from) {
            bestDistance = d;
            best = n;
        }
    }
    return best;
}

// One scale step up or down from `from`, staying in [lo, hi].
int scaleStep(int from, int direction, const Chord& c, int lo, int hi)
{
    for (int n = from + direction; n >= lo && n <= hi; n += direction)
        if (inScale(n, c))
            return n;
    return from;
}

void put(mod::Pattern& p, int row, int channel, int note, int sample, int effect = 0, int param = 0)
{
    p.rows[row][channel] = {note, sample, effect, param};
}

void putEffect(mod::Pattern& p, int row, int channel, int effect, int param)
{
    p.rows[row][channel].effect = effect;
    p.rows[row][channel].param = param;
}

constexpr int kSetVolume = 0xC;
constexpr int kVolumeSlide = 0xA;
constexpr int kSetTempo = 0xF;
constexpr int kPan = 0x8;

enum Channel { BassChannel, PadChannel, LeadChannel, DrumChannel };

// Bass: the root on the bar, a soft repeat, the fifth on beat three and a
// passing root or octave, quieter in the opening pattern.
void writeBass(mod::Pattern& p, int bar, const Chord& c, bool sparse)
{
    const int top = bar * kRowsPerBar;
    const int root = C1 + c.root;
    const int fifth = root + 7;
    put(p, top, BassChannel, root, Bass);
    put(p, top + 8, BassChannel, fifth, Bass, kSetVolume, 34);
    if (sparse)
        return;
    put(p, top + 6, BassChannel, root, Bass, kSetVolume, 26);
    put(p, top + 12, BassChannel, bar % 2 ? root + 12 : root, Bass, kSetVolume, 36);
}

// Pad: one chord every two bars, voiced between F-1 and E-2, faded out over
// the last rows before the next chord so the change does not click.
void writePad(mod::Pattern& p, int half, const Chord& c)
{
    const int top = half * kRowsPerChord;
    const int note = c.root >= 5 ? c.root : c.root + 12;
    put(p, top, PadChannel, note, c.minor ? PadMinor : PadMajor);
    for (int r = kRowsPerChord - 2; r < kRowsPerChord; ++r)
        putEffect(p, top + r, PadChannel, kVolumeSlide, 0x03);
}

// Drums: kick on one and three (and a soft push before three in the second
// bar of a chord), brush on two and four, hats on the off-beats.
void writeDrums(mod::Pattern& p, int bar, bool withKick)
{
    const int top = bar * kRowsPerBar;
    if (withKick) {
        put(p, top, DrumChannel, C2, Kick);
        put(p, top + 8, DrumChannel, C2, Kick, kSetVolume, 30);
        if (bar % 2)
            put(p, top + 14, DrumChannel, C2, Kick, kSetVolume, 18);
    }
    put(p, top + 4, DrumChannel, B3, Brush);
    put(p, top + 12, DrumChannel, B3, Brush, kSetVolume, 14);
    put(p, top + 2, DrumChannel, B3, Hat);
    put(p, top + 6, DrumChannel, B3, Hat, kSetVolume, 8);
    put(p, top + 10, DrumChannel, B3, Hat);
}

// Bell arpeggio: chord tones in quarter notes, up through the first bar and
// back down through the second.
void writeArpeggio(mod::Pattern& p, int half, const Chord& c)
{
    const int top = half * kRowsPerChord;
    std::array<int, 4> tones{};
    const std::array<int, 3> pcs = chordTones(c);
    int base = C2 + pcs[0];
    if (base > C2 + 7)
        base -= 12;
    tones[0] = base;
    tones[1] = base + (pcs[1] - pcs[0] + 12) % 12;
    tones[2] = base + 7;
    tones[3] = base + 12;
    static constexpr std::array<int, 8> kShape{0, 1, 2, 3, 2, 1, 2, 0};
    static constexpr std::array<int, 8> kVolume{40, 26, 30, 28, 34, 24, 28, 22};
    for (int i = 0; i < 8; ++i)
        put(p, top + i * 4, LeadChannel, tones[kShape[i]], Bell, kSetVolume, kVolume[i]);
}

// Bell melody over one chord: a rhythm picked from a few calm figures, chord
// tones on the strong beats, scale steps between, the second bar ending on a
// long note.
void writeMelody(mod::Pattern& p, int half, const Chord& c, int& last, Prng& rng)
{
    static const std::vector<std::vector<int>> kFirstBar{
        {0, 4, 8, 12}, {0, 6, 8, 12}, {0, 4, 6, 8, 12}, {0, 8, 10, 12}, {0, 3, 6, 8, 12}};
    static const std::vector<std::vector<int>> kSecondBar{{0, 4, 8}, {0, 6}, {0, 2, 4, 8}, {0, 8}};
    constexpr int lo = C2 + 4;   // E4
    constexpr int hi = C2 + 21;  // A5
    const int top = half * kRowsPerChord;
    for (int bar = 0; bar < 2; ++bar) {
        const auto& figure = bar == 0 ? kFirstBar[rng.below(static_cast<int>(kFirstBar.size()))]
                                      : kSecondBar[rng.below(static_cast<int>(kSecondBar.size()))];
        int direction = rng.uniform() < 0.5 ? -1 : 1;
        for (int row : figure) {
            const bool strong = row == 0 || row == 8;
            int note;
            if (strong) {
                note = nearestChordTone(last, c, lo, hi, rng);
            } else {
                if (last <= lo + 2)
                    direction = 1;
                else if (last >= hi - 2)
                    direction = -1;
                note = scaleStep(last, direction, c, lo, hi);
                if (rng.uniform() < 0.3)
                    note = scaleStep(note, direction, c, lo, hi);
            }
            const int volume = strong ? 38 : 28 + rng.below(6);
            put(p, top + bar * kRowsPerBar + row, LeadChannel, note, Bell, kSetVolume, volume);
            last = note;
        }
    }
}

mod::Song compose()
{
    mod::Song song;
    song.title = "slow lattice";
    song.samples.push_back({"bass", mod::toSigned8(bassSample()), 46, 0, 0});
    song.samples.push_back(padSample(false, "pad major"));
    song.samples.push_back(padSample(true, "pad minor"));
    song.samples.push_back({"bell", mod::toSigned8(bellSample()), 40, 0, 0});
    song.samples.push_back({"kick", mod::toSigned8(kickSample()), 40, 0, 0});
    song.samples.push_back({"hat", mod::toSigned8(hatSample(false, 71)), 13, 0, 0});
    song.samples.push_back({"brush", mod::toSigned8(hatSample(true, 72)), 20, 0, 0});

    Prng rng(2024);
    int last = C2 + 9;  // the melody starts near A4
    const int patterns = static_cast<int>(kProgression.size()) / 2;
    for (int n = 0; n < patterns; ++n) {
        mod::Pattern p;
        for (int half = 0; half < 2; ++half) {
            const Chord& c = kProgression[n * 2 + half];
            writePad(p, half, c);
            for (int bar = half * 2; bar < half * 2 + 2; ++bar) {
                writeBass(p, bar, c, n == 0);
                writeDrums(p, bar, n != 0);
            }
            // Arpeggios open and close the tune; the melody sings between.
            if (n < 2 || n == patterns - 1)
                writeArpeggio(p, half, c);
            else
                writeMelody(p, half, c, last, rng);
        }
        song.patterns.push_back(p);
    }
    // Tempo and a gentle spread: bass and drums near the middle, pad and
    // bell to either side.
    mod::Pattern& first = song.patterns[0];
    putEffect(first, 0, BassChannel, kSetTempo, kTempo);
    putEffect(first, 0, PadChannel, kPan, 0x50);
    putEffect(first, 0, DrumChannel, kPan, 0x90);
    putEffect(first, 1, LeadChannel, kPan, 0xB0);
    putEffect(first, 1, BassChannel, kPan, 0x80);
    for (int n = 0; n < patterns; ++n)
        song.order.push_back(n);
    return song;
}

} // namespace

std::vector<Module> makeMusic()
{
    return {{"music/mod/slow_lattice.mod", mod::serialise(compose())}};
}

} // namespace tessaron::assets
