// Straightforward per-channel models of the blending formulas, used to check
// the fast code.  Each works on whole stored pixel values.
#pragma once

#include <cstdint>

namespace tessaron::test {

enum class BlendOp { Additive, Translucent, Rect };

struct PixelFormat {
    int depth;
    int shift[3];  // red, green, blue
    int bits[3];
    uint32_t mask;  // mask colour
};

inline PixelFormat formatOf(int depth) {
    if (depth == 15) return {15, {10, 5, 0}, {5, 5, 5}, 0x7C1F};
    if (depth == 16) return {16, {11, 5, 0}, {5, 6, 5}, 0xF81F};
    return {32, {16, 8, 0}, {8, 8, 8}, 0x00FF00FF};
}

inline int floorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

inline int channelOf(const PixelFormat& p, uint32_t v, int c) { return (v >> p.shift[c]) & ((1 << p.bits[c]) - 1); }

// Builds a pixel from three channel values computed by fn(channel index,
// channel bits).
template <class Fn>
inline uint32_t makePixel(const PixelFormat& p, Fn fn) {
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) out |= static_cast<uint32_t>(fn(c, p.bits[c])) << p.shift[c];
    return out;
}

// The destination pixel after `op` with source (or colour) s over d.
inline uint32_t referencePixel(BlendOp op, int depth, uint32_t s, uint32_t d, int fact) {
    const PixelFormat p = formatOf(depth);
    if (fact <= 0) return d;
    if (fact > 255) fact = 255;  // beyond full strength counts as full strength
    const bool wide = depth == 32;
    const int full = wide ? 256 : 32;
    const int f = wide ? fact + 1 : (fact + 7) >> 3;
    if (op != BlendOp::Rect && s == p.mask) return d;
    switch (op) {
    case BlendOp::Additive:
        return makePixel(p, [&](int c, int bits) {
            // 16-bit green: only its upper five bits take part.
            const int drop = bits == 6 ? 1 : 0;
            const int max = (1 << (bits - drop)) - 1;
            const int sc = channelOf(p, s, c) >> drop, dc = channelOf(p, d, c) >> drop;
            const int sum = dc + sc * f / full;
            return (sum > max ? max : sum) << drop;
        });
    case BlendOp::Translucent: {
        const int tf = wide ? fact : f;
        if (tf == (wide ? 255 : 32)) return s;  // masked_blit
        const bool half = wide ? (fact == 127 || fact == 128) : tf == 16;
        return makePixel(p, [&](int c, int) {
            const int sc = channelOf(p, s, c), dc = channelOf(p, d, c);
            return half ? (sc + dc) / 2 : dc + floorDiv((sc - dc) * tf, full);
        });
    }
    case BlendOp::Rect:
        if (f == full) return s;  // rectfill
        return makePixel(p, [&](int c, int) {
            return channelOf(p, s, c) * f / full + channelOf(p, d, c) * (full - f) / full;
        });
    }
    return d;
}

} // namespace tessaron::test
