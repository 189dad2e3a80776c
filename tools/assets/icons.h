// The game's menu icon, drawn from its own block and breaker artwork: four
// cells of a board on a dark rounded tile with see-through corners, painted
// natively at each size the desktop asks for, and a PNG writer (8-bit RGBA,
// through zlib) to hold it.  Depends on raster.h, sprites.h and zlib.
// Single-threaded.  writePng returns false when the file cannot be written.
#pragma once

#include <string>
#include <vector>

#include "assets/raster.h"

namespace tessaron::assets {

// A picture with coverage: alpha 0 (see-through) .. 1 (opaque) per pixel.
struct RgbaImage {
    Image rgb;
    std::vector<double> alpha;
};

// The icon at size x size pixels.
RgbaImage makeIcon(int size);

// The icon sizes installed in the desktop's hicolor theme.
inline constexpr int kIconSizes[] = {48, 128, 256};

bool writePng(const std::string& path, const RgbaImage& img);

} // namespace tessaron::assets
