// A straightforward per-channel model of the blending formulas, used to
// check the fast code.  It works on whole stored pixel values.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tessaron::test {

enum class BlendOp { Additive, Translucent, Rect };

// Shifts and widths of red, green and blue at a depth, and its mask colour.
struct PixelFormat {
    int shift[3], bits[3];
    uint32_t mask;
};

inline PixelFormat formatOf(int depth) {
    if (depth == 15) return {{10, 5, 0}, {5, 5, 5}, 0x7C1F};
    if (depth == 16) return {{11, 5, 0}, {5, 6, 5}, 0xF81F};
    return {{16, 8, 0}, {8, 8, 8}, 0x00FF00FF};
}

// The destination pixel after `op` with source (or colour) s over d.
inline uint32_t referencePixel(BlendOp op, int depth, uint32_t s, uint32_t d, int fact) {
    const PixelFormat p = formatOf(depth);
    if (fact <= 0 || (op != BlendOp::Rect && s == p.mask)) return d;
    fact = std::min(fact, 255);  // beyond full strength counts as full strength
    const bool wide = depth == 32;
    const int full = wide ? 256 : 32;
    const int f = wide ? fact + 1 : (fact + 7) >> 3;
    const int tf = wide ? fact : f;  // the translucent factor
    if (op == BlendOp::Translucent && tf == (wide ? 255 : 32)) return s;  // masked_blit
    if (op == BlendOp::Rect && f == full) return s;                        // rectfill
    const bool half = wide ? (fact == 127 || fact == 128) : tf == 16;
    uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const int bits = p.bits[c], sc = (s >> p.shift[c]) & ((1 << bits) - 1), dc = (d >> p.shift[c]) & ((1 << bits) - 1);
        // Additive: 16-bit green adds only its upper five bits, and saturates.
        const int drop = bits == 6, max = (1 << (bits - drop)) - 1;
        const int diff = (sc - dc) * tf, floorDiv = diff >= 0 ? diff / full : -((-diff + full - 1) / full);
        const int v = op == BlendOp::Additive ? std::min((dc >> drop) + (sc >> drop) * f / full, max) << drop
                      : op == BlendOp::Rect   ? sc * f / full + dc * (full - f) / full
                      : half                  ? (sc + dc) / 2
                                              : dc + floorDiv;
        out |= static_cast<uint32_t>(v) << p.shift[c];
    }
    return out;
}

} // namespace tessaron::test
