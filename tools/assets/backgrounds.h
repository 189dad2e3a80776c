// The game's backgrounds: calm, dark, procedurally painted 1024 x 768
// pictures (a nebula, a hexagon grid, an aurora) for data/backgrounds/ and
// the fallback data/bg1.bmp.  Dark enough that the board and its text stay
// readable on top.  Depends on raster.h and prng.h.  Single-threaded.
#pragma once

#include <string>
#include <vector>

#include "assets/raster.h"

namespace tessaron::assets {

constexpr int kBackgroundWidth = 1024;
constexpr int kBackgroundHeight = 768;

struct Background {
    std::string path;  // relative to the data folder
    Image image;
};

std::vector<Background> makeBackgrounds();

} // namespace tessaron::assets
