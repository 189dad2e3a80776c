// The seven pixel sizes the game's two fonts are opened at, by index 0 to 6.
// The text layer opens them (shell/font_set.h); the logic places messages
// by them.  Depends on nothing.
#pragma once

namespace tessaron {

constexpr int FontSizeCount = 7;
constexpr int FontPixelSizes[FontSizeCount] = {12, 18, 24, 36, 48, 60, 72};

// The size at an index, the nearest end for one outside 0..6.
constexpr int fontPixels(int index) { return FontPixelSizes[index < 0 ? 0 : index >= FontSizeCount ? FontSizeCount - 1 : index]; }

} // namespace tessaron
