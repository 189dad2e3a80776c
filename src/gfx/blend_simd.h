// The vector row kernels, written once over a small set of packed-integer
// operations and instantiated per processor level (blend_sse2.cpp,
// blend_avx2.cpp, blend_avx512.cpp).  Each of those files compiles this
// header under its own target attribute and with a vector type of internal
// linkage, so the instantiations never leak between levels.
//
// All arithmetic is done on 16-bit lanes: 32-bit pixels are widened byte by
// byte, 15/16-bit pixels are split into their channels.  The results equal
// the portable kernels bit for bit (same formulas, same mask handling, the
// fourth byte of a 32-bit pixel and the top bit of a 15-bit pixel written as
// 0).
//
// V provides: R (the register type), M32/M16 (lane masks), Pixels32 (lanes
// per vector at 32 bits), lower() (the kernel set of the level below, which
// takes rows narrower than one vector), load/store, set1_8/16/32, zero,
// and_/or_/xor_, add8/sub8/add16/sub16, mullo16/mulhiu16, srli16<n>/slli16<n>,
// unpacklo8/unpackhi8, packus16, addsu8, avgu8, min16, cmpeq16/cmpeq32 and
// select16/select32 (first argument where the mask is set, second elsewhere).
#pragma once

#include <cstdint>

#include "gfx/blend_kernels.h"

namespace tessaron::blend::simd {

// ---- covering a row with whole vectors ----------------------------------------

// Stores compute(i), the result vector for the pixels from index i, over a
// row of n >= one vector of pixels.  Every result is computed from the row as
// it was before the call, so vectors may overlap: a last partial vector is
// done as the row's final whole vector, computed up front and stored at the
// end, which leaves no remainder.  Long rows run on aligned destination
// vectors, with the row's first vector done the same way.
template <class V, int Bpp, class Compute>
inline void coverRow(unsigned char* d, int n, Compute compute) {
    using R = typename V::R;
    constexpr int P = static_cast<int>(sizeof(R)) / Bpp;
    int start = 0;
    if (n >= 4 * P) {
        const auto misalign = static_cast<int>(reinterpret_cast<uintptr_t>(d) % sizeof(R));
        if (misalign != 0) start = (static_cast<int>(sizeof(R)) - misalign) / Bpp;
    }
    const int end = start + (n - start) / P * P;
    const bool needHead = start != 0, needTail = end != n;
    const R head = needHead ? compute(0) : V::zero();
    const R tail = needTail ? compute(n - P) : V::zero();
    for (int i = start; i < end; i += P) V::store(d + i * Bpp, compute(i));
    if (needHead) V::store(d, head);
    if (needTail) V::store(d + (n - P) * Bpp, tail);
}

// A source row: op(s, d) on whole vectors; narrow rows go to `narrow`.
template <class V, int Bpp, class Op>
inline void sourceRow(void* dst, const void* src, int n, int f, SourceRow narrow, Op op) {
    using R = typename V::R;
    if (n * Bpp < static_cast<int>(sizeof(R))) {
        narrow(dst, src, n, f);
        return;
    }
    auto* d = static_cast<unsigned char*>(dst);
    auto* s = static_cast<const unsigned char*>(src);
    coverRow<V, Bpp>(d, n, [d, s, op](int i) { return op(V::load(s + i * Bpp), V::load(d + i * Bpp)); });
}

// A rectangle row: op(d) on whole vectors; narrow rows go to `narrow`.
template <class V, int Bpp, class Op>
inline void rectRow(void* dst, int n, uint32_t colour, int f, RectRow narrow, Op op) {
    using R = typename V::R;
    if (n * Bpp < static_cast<int>(sizeof(R))) {
        narrow(dst, n, colour, f);
        return;
    }
    auto* d = static_cast<unsigned char*>(dst);
    coverRow<V, Bpp>(d, n, [d, op](int i) { return op(V::load(d + i * Bpp)); });
}

// ---- 32 bits ----------------------------------------------------------------

constexpr uint32_t Mask32 = 0x00FF00FF;
constexpr uint32_t Colour32 = 0x00FFFFFF;

// A 32-bit source row: destination pixels under the mask colour are kept,
// the others get op's colour bytes and a fourth byte of 0.
template <class V, class Op>
inline void row32(void* dst, const void* src, int n, int f, SourceRow narrow, Op op) {
    const auto mask = V::set1_32(static_cast<int>(Mask32));
    const auto colour = V::set1_32(static_cast<int>(Colour32));
    sourceRow<V, 4>(dst, src, n, f, narrow, [mask, colour, op](auto s, auto d) {
        return V::select32(V::cmpeq32(s, mask), d, V::and_(op(s, d), colour));
    });
}

// floor(x * k / 256) of every byte, k in 0..255 per 16-bit lane.
template <class V>
inline typename V::R scaleBytes(typename V::R x, typename V::R k) {
    const auto z = V::zero();
    return V::packus16(V::mulhiu16(V::unpacklo8(z, x), k), V::mulhiu16(V::unpackhi8(z, x), k));
}

template <class V>
void addScaled32(void* dst, const void* src, int n, int f) {
    const auto k = V::set1_16(f);
    row32<V>(dst, src, n, f, V::lower().depth32.addScaled,
             [k](auto s, auto d) { return V::addsu8(scaleBytes<V>(s, k), d); });
}

template <class V>
void addFull32(void* dst, const void* src, int n, int f) {
    row32<V>(dst, src, n, f, V::lower().depth32.addFull, [](auto s, auto d) { return V::addsu8(s, d); });
}

// (d * 256 + (s - d) * f) >> 8 of every byte: the true sum lies in 0..65280,
// so wrapping 16-bit lanes hold it exactly.
template <class V>
inline typename V::R mixBytesHalf(typename V::R s, typename V::R d, typename V::R dHigh, typename V::R f) {
    return V::template srli16<8>(V::add16(dHigh, V::mullo16(V::sub16(s, d), f)));
}

template <class V>
void mix32(void* dst, const void* src, int n, int f) {
    const auto fv = V::set1_16(f);
    row32<V>(dst, src, n, f, V::lower().depth32.mix, [fv](auto s, auto d) {
        const auto z = V::zero();
        auto lo = mixBytesHalf<V>(V::unpacklo8(s, z), V::unpacklo8(d, z), V::unpacklo8(z, d), fv);
        auto hi = mixBytesHalf<V>(V::unpackhi8(s, z), V::unpackhi8(d, z), V::unpackhi8(z, d), fv);
        return V::packus16(lo, hi);
    });
}

// floor((s + d) / 2) per byte: the rounding-up average less the odd bit.
template <class V>
void average32(void* dst, const void* src, int n, int f) {
    const auto one = V::set1_8(1);
    row32<V>(dst, src, n, f, V::lower().depth32.average,
             [one](auto s, auto d) { return V::sub8(V::avgu8(s, d), V::and_(V::xor_(s, d), one)); });
}

// floor(c * f / 256) + floor(d * (256 - f) / 256) per byte; the colour term
// is fixed for the row and its fourth byte is 0.
template <class V>
void rect32(void* dst, int n, uint32_t colour, int f) {
    uint32_t term = 0;
    for (int shift = 0; shift < 24; shift += 8) term |= ((((colour >> shift) & 0xFFu) * f) >> 8) << shift;
    const auto colourTerm = V::set1_32(static_cast<int>(term));
    const auto k = V::set1_16(256 - f);
    const auto colourBytes = V::set1_32(static_cast<int>(Colour32));
    rectRow<V, 4>(dst, n, colour, f, V::lower().depth32.rect, [colourTerm, k, colourBytes](auto d) {
        return V::add8(colourTerm, scaleBytes<V>(V::and_(d, colourBytes), k));
    });
}

// ---- 15 and 16 bits ---------------------------------------------------------

template <int RedShift, int GreenBits, uint16_t MaskColour>
struct Layout {
    static constexpr int redShift = RedShift;
    static constexpr int greenBits = GreenBits;
    static constexpr int greenMax = (1 << GreenBits) - 1;
    static constexpr uint16_t mask = MaskColour;
    static constexpr uint16_t halfMask = RedShift == 11 ? 0x7BEF : 0x3DEF;
    static constexpr uint16_t lowBits = RedShift == 11 ? 0x0821 : 0x0421;
};
using Layout15 = Layout<10, 5, 0x7C1F>;
using Layout16 = Layout<11, 6, 0xF81F>;

// The kernels of the same layout one level down.
template <class V, class L>
inline const DepthKernels& lower16() {
    return L::redShift == 11 ? V::lower().depth16 : V::lower().depth15;
}

// A 15/16-bit source row: destination pixels under the mask colour are kept.
template <class V, class L, class Op>
inline void row16(void* dst, const void* src, int n, int f, SourceRow narrow, Op op) {
    const auto mask = V::set1_16(L::mask);
    sourceRow<V, 2>(dst, src, n, f, narrow,
                    [mask, op](auto s, auto d) { return V::select16(V::cmpeq16(s, mask), d, op(s, d)); });
}

// Channel values of 16-bit lanes, and back.  `GreenShift`/`GreenMax` pick
// either all green bits or, for the additive blit, the upper five.  Packing
// leaves the top bit of a 15-bit pixel 0.
template <class V, class L, int GreenShift = 5, int GreenMax = L::greenMax>
struct Channels {
    using R = typename V::R;
    R r, g, b;
    explicit Channels(R p)
        : r(V::and_(V::template srli16<L::redShift>(p), V::set1_16(31))),
          g(V::and_(V::template srli16<GreenShift>(p), V::set1_16(GreenMax))),
          b(V::and_(p, V::set1_16(31))) {}
    Channels(R red, R green, R blue) : r(red), g(green), b(blue) {}
    R pack() const {
        return V::or_(V::or_(V::template slli16<L::redShift>(r), V::template slli16<GreenShift>(g)), b);
    }
};
template <class V, class L>
using Channels5 = Channels<V, L, L::greenBits, 31>;

// A row whose pixels are computed channel by channel with one(s, d).
template <class V, class L, class Ch, class One>
inline void channelRow(void* dst, const void* src, int n, int f, SourceRow narrow, One one) {
    row16<V, L>(dst, src, n, f, narrow, [one](auto s, auto d) {
        Ch cs(s), cd(d);
        return Ch(one(cs.r, cd.r), one(cs.g, cd.g), one(cs.b, cd.b)).pack();
    });
}

// min(31, d + floor(s * f / 32)) on five-bit channels (16-bit green: its
// upper five bits, so its lowest bit comes out 0).
template <class V, class L>
void addScaled16(void* dst, const void* src, int n, int f) {
    const auto fv = V::set1_16(f);
    const auto max = V::set1_16(31);
    channelRow<V, L, Channels5<V, L>>(dst, src, n, f, lower16<V, L>().addScaled, [fv, max](auto s, auto d) {
        return V::min16(V::add16(d, V::template srli16<5>(V::mullo16(s, fv))), max);
    });
}

template <class V, class L>
void addFull16(void* dst, const void* src, int n, int f) {
    const auto max = V::set1_16(31);
    channelRow<V, L, Channels5<V, L>>(dst, src, n, f, lower16<V, L>().addFull,
                                      [max](auto s, auto d) { return V::min16(V::add16(d, s), max); });
}

// (d * 32 + (s - d) * f) >> 5 per channel: the true value is never negative.
template <class V, class L>
void mix16(void* dst, const void* src, int n, int f) {
    const auto fv = V::set1_16(f);
    channelRow<V, L, Channels<V, L>>(dst, src, n, f, lower16<V, L>().mix, [fv](auto s, auto d) {
        return V::template srli16<5>(V::add16(V::template slli16<5>(d), V::mullo16(V::sub16(s, d), fv)));
    });
}

// ((s >> 1) & H) + ((d >> 1) & H) + (s & d & L): all channels at once.
template <class V, class L>
void average16(void* dst, const void* src, int n, int f) {
    const auto half = V::set1_16(L::halfMask);
    const auto low = V::set1_16(L::lowBits);
    row16<V, L>(dst, src, n, f, lower16<V, L>().average, [half, low](auto s, auto d) {
        return V::add16(V::add16(V::and_(V::template srli16<1>(s), half), V::and_(V::template srli16<1>(d), half)),
                        V::and_(V::and_(s, d), low));
    });
}

// floor(c * f / 32) + floor(d * (32 - f) / 32) per channel; the colour term
// is fixed for the row.
template <class V, class L>
void rect16(void* dst, int n, uint32_t colour, int f) {
    const int c = static_cast<int>(colour);
    const int term = ((((c >> L::redShift) & 31) * f >> 5) << L::redShift) |
                     ((((c >> 5) & L::greenMax) * f >> 5) << 5) | (((c & 31) * f) >> 5);
    const auto colourTerm = V::set1_16(term);
    const auto k = V::set1_16(32 - f);
    rectRow<V, 2>(dst, n, colour, f, lower16<V, L>().rect, [colourTerm, k](auto d) {
        auto one = [k](auto x) { return V::template srli16<5>(V::mullo16(x, k)); };
        Channels<V, L> cd(d);
        return V::add16(colourTerm, Channels<V, L>(one(cd.r), one(cd.g), one(cd.b)).pack());
    });
}

template <class V, class L>
constexpr DepthKernels kernels16() {
    return {addScaled16<V, L>, addFull16<V, L>, mix16<V, L>, average16<V, L>, rect16<V, L>};
}

// The whole kernel set of one vector type.
template <class V>
constexpr Kernels kernels() {
    return {kernels16<V, Layout15>(), kernels16<V, Layout16>(),
            {addScaled32<V>, addFull32<V>, mix32<V>, average32<V>, rect32<V>}};
}

} // namespace tessaron::blend::simd
