#include "assets/mod_writer.h"

#include <algorithm>
#include <cmath>

namespace tessaron::assets::mod {
namespace {

// ProTracker's periods for finetune 0, octaves 1 to 3.
constexpr std::array<int, kNotes> kPeriods{
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113,
};

constexpr int kMaxSamples = 31;

} // namespace

int period(int note) { return kPeriods[std::clamp(note, 0, kNotes - 1)]; }

double sampleRate(int note) { return kClock / period(note); }

std::vector<std::int8_t> toSigned8(const std::vector<double>& samples)
{
    std::vector<std::int8_t> out;
    out.reserve(samples.size() + 1);
    for (double s : samples)
        out.push_back(static_cast<std::int8_t>(std::clamp(std::lround(s * 127.0), -128L, 127L)));
    if (out.size() % 2)
        out.push_back(0);
    return out;
}

Bytes serialise(const Song& song)
{
    Bytes out;
    out.text(song.title, 20);
    for (int i = 0; i < kMaxSamples; ++i) {
        if (i < static_cast<int>(song.samples.size())) {
            const Sample& s = song.samples[i];
            const size_t length = std::min<size_t>(s.data.size(), 131070) & ~size_t(1);
            out.text(s.name, 22);
            out.be16(static_cast<unsigned>(length / 2));
            out.u8(0);  // finetune
            out.u8(static_cast<unsigned>(std::clamp(s.volume, 0, 64)));
            if (s.loopLength >= 2) {
                out.be16(static_cast<unsigned>(s.loopStart / 2));
                out.be16(static_cast<unsigned>(s.loopLength / 2));
            } else {
                out.be16(0);
                out.be16(1);  // ProTracker's "no loop"
            }
        } else {
            out.text("", 22);
            out.be16(0);
            out.u8(0);
            out.u8(0);
            out.be16(0);
            out.be16(1);
        }
    }
    const size_t orders = std::min<size_t>(song.order.size(), 128);
    out.u8(static_cast<unsigned>(orders));
    out.u8(127);
    for (size_t i = 0; i < 128; ++i)
        out.u8(i < orders ? static_cast<unsigned>(song.order[i]) : 0);
    out.text("M.K.", 4);

    for (const Pattern& p : song.patterns)
        for (const auto& row : p.rows)
            for (const Cell& c : row) {
                const int per = c.note == kNoNote ? 0 : period(c.note);
                out.u8((c.sample & 0xF0) | ((per >> 8) & 0x0F));
                out.u8(per & 0xFF);
                out.u8(((c.sample & 0x0F) << 4) | (c.effect & 0x0F));
                out.u8(c.param & 0xFF);
            }
    for (size_t i = 0; i < song.samples.size() && i < kMaxSamples; ++i) {
        const std::vector<std::int8_t>& d = song.samples[i].data;
        const size_t length = std::min<size_t>(d.size(), 131070) & ~size_t(1);
        for (size_t k = 0; k < length; ++k)
            out.u8(static_cast<unsigned>(static_cast<std::uint8_t>(d[k])));
    }
    return out;
}

} // namespace tessaron::assets::mod
