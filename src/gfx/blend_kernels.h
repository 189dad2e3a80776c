// Row kernels behind the blending primitives, one set per processor level.
// Internal to the gfx layer and its tests: callers use blend.h.
//
// Every kernel blends one row of n >= 1 pixels in place at `dst`.  Factors
// arrive already converted for the depth (see blend.cpp): `f` is 1..31 at
// 15/16 bits and 1..255 at 32 bits; full-strength and half-and-half cases
// have their own kernels.  A source pixel equal to the mask colour leaves its
// destination pixel untouched; every other written 32-bit pixel gets 0 in its
// fourth byte, and every written 15-bit pixel gets 0 in its top bit.
#pragma once

#include <cstdint>

namespace tessaron::blend {

using SourceRow = void (*)(void* dst, const void* src, int n, int f);
using RectRow = void (*)(void* dst, int n, uint32_t colour, int f);

struct DepthKernels {
    SourceRow addScaled;   // d + floor(s * f / full), saturated
    SourceRow addFull;     // d + s, saturated (f unused)
    SourceRow mix;         // d + floor((s - d) * f / full)
    SourceRow average;     // floor((s + d) / 2) (f unused)
    RectRow rect;          // floor(c * f / full) + floor(d * (full - f) / full)
};

struct Kernels {
    DepthKernels depth15, depth16, depth32;
};

// Processor levels, lowest first.
enum Level { LevelPortable = 0, LevelSse2 = 1, LevelAvx2 = 2, LevelAvx512 = 3, LevelCount = 4 };

// The kernel set of one level, or null when this build has none for it.
const Kernels* kernelsFor(Level level);
// The portable set (always present); the vector kernels finish their rows'
// remainders with it.
const Kernels& portableKernels();

// Whether the running processor can run a level.
bool levelSupported(Level level);
// The level the primitives use now (the best supported one, unless forced).
Level activeLevel();
// Test switch: makes the primitives use `level`.  Returns false (and changes
// nothing) when the level is not supported here.
bool forceLevel(Level level);
// Name of a level for reports ("portable", "sse2", "avx2", "avx512bw").
const char* levelName(Level level);

} // namespace tessaron::blend
