// The portable row kernels: plain integer code for every processor.  They use
// packed arithmetic (two 15/16-bit pixels per 32-bit word, red and blue of a
// 32-bit pixel under one multiply) and give exactly the per-channel formulas.
//
// The mixing products are formed as d * full + (s - d) * f in wrapping
// unsigned arithmetic: the true value, s * f + d * (full - f), is never
// negative and every field of it fits below the next field, so the wrapped
// sum is exact and one shift and mask take floor(.../full) of all fields at
// once.
#include <cstdint>
#include <cstring>

#include "gfx/blend_kernels.h"

namespace tessaron::blend {
namespace {

// ---- 32 bits: 0x00RRGGBB (the fourth byte is written as 0) ----------------

constexpr uint32_t Mask32 = 0x00FF00FF;
constexpr uint32_t RedBlue = 0x00FF00FF;
constexpr uint32_t Green = 0x0000FF00;

inline uint32_t load32(const void* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store32(void* p, uint32_t v) { std::memcpy(p, &v, 4); }

// floor(x * f / 256) of the red/blue and green fields of x.
inline uint32_t scale32(uint32_t x, uint32_t f) {
    return ((((x & RedBlue) * f) >> 8) & RedBlue) | ((((x & Green) * f) >> 8) & Green);
}

// Exact per-byte saturating add of the three colour bytes; fourth byte 0.
inline uint32_t saturatingAdd32(uint32_t s, uint32_t d) {
    uint32_t sum = (s & 0x7F7F7F) + (d & 0x7F7F7F);
    uint32_t high = (s | d) & 0x808080;
    uint32_t carry = ((s & d & 0x808080) | (high & sum)) >> 7;
    return ((carry + 0x7F7F7F) ^ 0x7F7F7F) | high | sum;
}

inline uint32_t mix32(uint32_t s, uint32_t d, uint32_t f) {
    uint32_t rb = ((((s & RedBlue) - (d & RedBlue)) * f + ((d & RedBlue) << 8)) >> 8) & RedBlue;
    uint32_t g = ((((s & Green) - (d & Green)) * f + ((d & Green) << 8)) >> 8) & Green;
    return rb | g;
}

inline uint32_t average32(uint32_t s, uint32_t d) {
    return ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F) + (s & d & 0x010101);
}

// Applies op(s, d) to every pixel whose source is not the mask colour.
template <class Op>
inline void eachSource32(void* dst, const void* src, int n, Op op) {
    auto* d = static_cast<unsigned char*>(dst);
    auto* s = static_cast<const unsigned char*>(src);
    for (int i = 0; i < n; ++i, d += 4, s += 4) {
        uint32_t sp = load32(s);
        if (sp != Mask32) store32(d, op(sp, load32(d)));
    }
}

void addScaled32(void* dst, const void* src, int n, int f) {
    eachSource32(dst, src, n, [f](uint32_t s, uint32_t d) { return saturatingAdd32(scale32(s, f), d); });
}
void addFull32(void* dst, const void* src, int n, int) {
    eachSource32(dst, src, n, [](uint32_t s, uint32_t d) { return saturatingAdd32(s, d); });
}
void mixRow32(void* dst, const void* src, int n, int f) {
    eachSource32(dst, src, n, [f](uint32_t s, uint32_t d) { return mix32(s, d, f); });
}
void averageRow32(void* dst, const void* src, int n, int) {
    eachSource32(dst, src, n, [](uint32_t s, uint32_t d) { return average32(s, d); });
}
void rectRow32(void* dst, int n, uint32_t colour, int f) {
    uint32_t colourTerm = scale32(colour, f);
    uint32_t k = 256 - f;
    auto* d = static_cast<unsigned char*>(dst);
    for (int i = 0; i < n; ++i, d += 4) store32(d, colourTerm + scale32(load32(d), k));
}

// ---- 15 and 16 bits ---------------------------------------------------------

// The packed masks of one 15/16-bit layout.
struct Layout16 {
    uint16_t mask;        // mask colour
    uint32_t addGreen;    // the five upper green bits of a pixel
    uint32_t addRedBlue;  // red and blue of a pixel
    uint32_t addFields;   // pixel spread as (green << 16) | red | blue
    uint32_t addOverflow; // the bit above each spread field
    uint32_t pixelBits;   // 0xFFFF or 0x7FFF
    uint32_t mixFirst;    // red, blue of pixel 0 and green of pixel 1
    uint32_t mixSecond;   // the same fields of the word shifted right by 5
    uint32_t halfMask;    // (p >> 1) keeps these bits of each channel
    uint32_t lowBits;     // the lowest bit of each channel
};

constexpr Layout16 L15 = {0x7C1F, 0x03E0, 0x7C1F, 0x03E07C1F, 0x04008020, 0x7FFF,
                          0x03E07C1F, 0x03E0F81F, 0x3DEF, 0x0421};
constexpr Layout16 L16 = {0xF81F, 0x07C0, 0xF81F, 0x07C0F81F, 0x08010020, 0xFFFF,
                          0x07E0F81F, 0x07C0F83F, 0x7BEF, 0x0821};

inline uint16_t load16(const void* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void store16(void* p, uint16_t v) { std::memcpy(p, &v, 2); }

// Saturating add of one pixel; the source spread has already been scaled.
template <const Layout16& L>
inline uint16_t addSpread(uint32_t spreadSource, uint16_t d) {
    uint32_t wd = ((d & L.addGreen) << 16) | (d & L.addRedBlue);
    uint32_t sum = spreadSource + wd;
    uint32_t over = sum & L.addOverflow;
    uint32_t saturated = ((over - (over >> 5)) | sum) & L.addFields;
    return static_cast<uint16_t>(((saturated >> 16) | saturated) & L.pixelBits);
}

template <const Layout16& L>
inline uint32_t spread(uint16_t s) {
    return ((s & L.addGreen) << 16) | (s & L.addRedBlue);
}

template <const Layout16& L>
void addScaled16(void* dst, const void* src, int n, int f) {
    auto* d = static_cast<unsigned char*>(dst);
    auto* s = static_cast<const unsigned char*>(src);
    for (int i = 0; i < n; ++i, d += 2, s += 2) {
        uint16_t sp = load16(s);
        if (sp == L.mask) continue;
        uint32_t ws = ((spread<L>(sp) * static_cast<uint32_t>(f)) >> 5) & L.addFields;
        store16(d, addSpread<L>(ws, load16(d)));
    }
}

template <const Layout16& L>
void addFull16(void* dst, const void* src, int n, int) {
    auto* d = static_cast<unsigned char*>(dst);
    auto* s = static_cast<const unsigned char*>(src);
    for (int i = 0; i < n; ++i, d += 2, s += 2) {
        uint16_t sp = load16(s);
        if (sp != L.mask) store16(d, addSpread<L>(spread<L>(sp), load16(d)));
    }
}

// floor((s * f + d * (32 - f)) / 32) of every field under `fields`.
inline uint32_t mixFields(uint32_t s, uint32_t d, uint32_t fields, uint32_t f) {
    return ((((s & fields) - (d & fields)) * f + ((d & fields) << 5)) >> 5) & fields;
}

// Mixes both pixels of a packed pair (pixel 0 in the low half).
template <const Layout16& L>
inline uint32_t mixPair(uint32_t s, uint32_t d, uint32_t f) {
    return mixFields(s, d, L.mixFirst, f) | (mixFields(s >> 5, d >> 5, L.mixSecond, f) << 5);
}

template <const Layout16& L>
inline uint32_t averagePair(uint32_t s, uint32_t d, uint32_t) {
    constexpr uint32_t half = L.halfMask | (L.halfMask << 16);
    constexpr uint32_t low = L.lowBits | (L.lowBits << 16);
    return ((s >> 1) & half) + ((d >> 1) & half) + (s & d & low);
}

// Runs pairOp over the row two pixels at a time (an odd last pixel alone, as
// the low half of a pair whose high half is 0) and writes back only the
// pixels whose source is not the mask colour.
template <const Layout16& L, uint32_t (*PairOp)(uint32_t, uint32_t, uint32_t)>
void pairRow16(void* dst, const void* src, int n, int f) {
    auto* d = static_cast<unsigned char*>(dst);
    auto* s = static_cast<const unsigned char*>(src);
    int i = 0;
    for (; i + 2 <= n; i += 2, d += 4, s += 4) {
        uint16_t s0 = load16(s), s1 = load16(s + 2);
        bool keep0 = s0 == L.mask, keep1 = s1 == L.mask;
        if (keep0 && keep1) continue;
        uint32_t sw = s0 | (static_cast<uint32_t>(s1) << 16);
        uint32_t dw = load16(d) | (static_cast<uint32_t>(load16(d + 2)) << 16);
        uint32_t out = PairOp(sw, dw, static_cast<uint32_t>(f));
        if (!keep0) store16(d, static_cast<uint16_t>(out));
        if (!keep1) store16(d + 2, static_cast<uint16_t>(out >> 16));
    }
    if (i < n) {
        uint16_t s0 = load16(s);
        if (s0 != L.mask) store16(d, static_cast<uint16_t>(PairOp(s0, load16(d), static_cast<uint32_t>(f))));
    }
}

// floor(x * k / 32) of every channel of a packed pair.
template <const Layout16& L>
inline uint32_t scalePair(uint32_t x, uint32_t k) {
    return ((((x & L.mixFirst) * k) >> 5) & L.mixFirst) |
           (((((x >> 5) & L.mixSecond) * k) >> 5) & L.mixSecond) << 5;
}

template <const Layout16& L>
void rectRow16(void* dst, int n, uint32_t colour, int f) {
    uint32_t c = colour & 0xFFFF;
    uint32_t colourTerm = scalePair<L>(c | (c << 16), static_cast<uint32_t>(f));
    uint32_t k = 32 - static_cast<uint32_t>(f);
    auto* d = static_cast<unsigned char*>(dst);
    int i = 0;
    for (; i + 2 <= n; i += 2, d += 4) {
        uint32_t dw = load16(d) | (static_cast<uint32_t>(load16(d + 2)) << 16);
        uint32_t out = colourTerm + scalePair<L>(dw, k);
        store16(d, static_cast<uint16_t>(out));
        store16(d + 2, static_cast<uint16_t>(out >> 16));
    }
    if (i < n) store16(d, static_cast<uint16_t>(colourTerm + scalePair<L>(load16(d), k)));
}

template <const Layout16& L>
constexpr DepthKernels kernels16() {
    return {addScaled16<L>, addFull16<L>, pairRow16<L, mixPair<L>>, pairRow16<L, averagePair<L>>, rectRow16<L>};
}

constexpr Kernels Portable = {
    kernels16<L15>(),
    kernels16<L16>(),
    {addScaled32, addFull32, mixRow32, averageRow32, rectRow32},
};

} // namespace

const Kernels& portableKernels() { return Portable; }

} // namespace tessaron::blend
