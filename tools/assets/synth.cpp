#include "assets/synth.h"

#include <algorithm>
#include <cmath>

#include "assets/bytes.h"

namespace tessaron::assets {
namespace {
constexpr double kTwoPi = 6.28318530717958647692;
}

double Oscillator::sine(double hz)
{
    const double out = std::sin(kTwoPi * cycle);
    cycle += hz / rate;
    cycle -= std::floor(cycle);
    return out;
}

double OnePole::lowpass(double in, double cutoffHz, double rate)
{
    const double a = 1.0 - std::exp(-kTwoPi * cutoffHz / rate);
    state += a * (in - state);
    return state;
}

void StateVariable::step(double in, double cutoffHz, double q, double rate)
{
    const double f = 2.0 * std::sin(kTwoPi * std::min(cutoffHz, rate / 6.0) / (2.0 * rate));
    const double damp = 1.0 / q;
    const double high = in - low - damp * band;
    band += f * high;
    low += f * band;
}

double StateVariable::lowpass(double in, double cutoffHz, double q, double rate)
{
    step(in, cutoffHz, q, rate);
    return low;
}

double StateVariable::bandpass(double in, double cutoffHz, double q, double rate)
{
    step(in, cutoffHz, q, rate);
    return band;
}

double envelope(double t, double attack, double decay)
{
    if (t < 0)
        return 0;
    if (t < attack)
        return t / attack;
    return std::exp(-(t - attack) / decay);
}

Buffer silence(double seconds, double rate)
{
    return Buffer(static_cast<size_t>(seconds * rate), 0.0);
}

void finish(Buffer& b, double peak, double fadeIn, double fadeOut, double rate)
{
    if (b.empty())
        return;
    OnePole dc;
    for (double& s : b)
        s = dc.highpass(s, 20.0, rate);

    const size_t n = b.size();
    const size_t in = std::min(n, static_cast<size_t>(fadeIn * rate) + 1);
    const size_t out = std::min(n, static_cast<size_t>(fadeOut * rate) + 1);
    for (size_t i = 0; i < in; ++i)
        b[i] *= 0.5 - 0.5 * std::cos(3.14159265358979323846 * i / in);
    for (size_t i = 0; i < out; ++i)
        b[n - 1 - i] *= 0.5 - 0.5 * std::cos(3.14159265358979323846 * i / out);

    double top = 0;
    for (double s : b)
        top = std::max(top, std::fabs(s));
    if (top > 0)
        for (double& s : b)
            s *= peak / top;
}

bool writeWav(const std::string& path, const Buffer& samples)
{
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    Bytes out;
    out.reserve(44 + dataBytes);
    out.text("RIFF", 4);
    out.le32(36 + dataBytes);
    out.text("WAVE", 4);
    out.text("fmt ", 4);
    out.le32(16);
    out.le16(1);                 // PCM
    out.le16(1);                 // mono
    out.le32(kSampleRate);
    out.le32(kSampleRate * 2);   // bytes per second
    out.le16(2);                 // bytes per frame
    out.le16(16);
    out.text("data", 4);
    out.le32(dataBytes);
    for (double s : samples) {
        const long v = std::lround(std::clamp(s, -1.0, 1.0) * 32767.0);
        out.le16(static_cast<unsigned>(v) & 0xFFFF);
    }
    return out.save(path);
}

} // namespace tessaron::assets
