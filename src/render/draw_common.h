// Small helpers shared by the drawing files of this folder: an Rgb made
// into a pixel of the current colour depth, and a font of a FontSet by size
// index.  Main thread only.
#pragma once

#include <allegro.h>

#include "board/rgb.h"
#include "shell/font_set.h"

namespace tessaron {

// FontSet indices of the sizes the HUD draws with.
constexpr int FontIndex18 = 1;
constexpr int FontIndex24 = 2;

inline int pixelOf(Rgb c) { return makecol(c.r, c.g, c.b); }

// The font of a size index, or null (an index out of range, or a set not
// loaded): the text layer draws nothing with a null font.
inline TTF_FONT* fontAt(const FontSet& set, int index) {
    return index >= 0 && index < FontSizeCount ? set.sizes[index] : nullptr;
}

} // namespace tessaron
