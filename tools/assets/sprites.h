// The game's sprites: the five blocks (solid, bevelled, each colour with its
// own engraved mark), the five breakers (glowing orbs carrying the same
// marks), the bomb, the win-circle icon and the eleven particle pictures,
// plus the contact sheet that shows them all as the game draws them.
// Depends on raster.h.  Single-threaded.  Cannot fail.
#pragma once

#include <string>
#include <vector>

#include "assets/raster.h"

namespace tessaron::assets {

struct Sprite {
    std::string path;  // relative to the data folder
    Image image;
    bool additive;     // drawn by the game with additive blending
    int sheetRow;      // row of the contact sheet it appears in
};

std::vector<Sprite> makeSprites();

// The blocks' and breakers' artwork as shading functions over the 32 x 32
// square of a sprite, for pictures drawn at other sizes (the menu icon).  A
// breaker's shader gives the light it adds, not yet clamped to white.
enum class BlockColour { Red, Green, Blue, Yellow, Purple };
Shader blockShader(BlockColour colour);
Shader breakerShader(BlockColour colour);

// Every sprite at twice its size, once over a dark and once over a light
// ground, blocks copied opaquely and the rest added as the game adds them.
Image makeContactSheet(const std::vector<Sprite>& sprites);

} // namespace tessaron::assets
