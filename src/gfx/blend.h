// Blending primitives: light-adding and translucent blits of a sprite onto a
// bitmap, and a translucent rectangle fill, on 15-, 16- and 32-bit Allegro
// bitmaps.  Source pixels of the depth's mask colour (magenta) are skipped.
//
// Depends on Allegro 4 only.  The pixel loops are picked once per process by
// the processor's vector capabilities (SSE2, AVX2, AVX-512BW or a portable
// form); every form gives the same pixels, bit for bit.
//
// Called from the drawing thread only (the main thread).  Nothing can fail:
// unsupported depths, a depth mismatch, a factor of 0 or less and anything
// wholly outside the destination draw nothing and leave the destination
// unacquired.
#pragma once

#include <allegro.h>

// Adds `src`, top-left corner at (x, y), onto `dst` with per-channel
// saturation, scaled by `fact` (0 = nothing, 255 = full strength).
void additive_blit(BITMAP* src, BITMAP* dst, int x, int y, int fact);

// Mixes `src` at (x, y) into `dst` with opacity `fact` (0..255).
void translucent_blit(BITMAP* src, BITMAP* dst, int x, int y, int fact);

// Mixes `colour` (a pixel value of dst's depth) into the w x h rectangle at
// (x, y) with opacity `fact` (0..255).
void translucent_rectfill(BITMAP* dst, int x, int y, int w, int h, int colour, int fact);
