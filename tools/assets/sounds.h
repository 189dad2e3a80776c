// The game's sound effects, synthesised: the nine samples of the sample bank
// (rotate, clink, four explosions growing with the chain, the unused energy
// explosion, lightning and glass for a loss) and the pause panel's rising
// and falling tones.  Depends on synth.h.  Single-threaded.  Cannot fail.
#pragma once

#include <string>
#include <vector>

#include "assets/synth.h"

namespace tessaron::assets {

struct SoundEffect {
    std::string path;  // relative to the data folder
    Buffer samples;    // 44100 Hz mono, -1..1, silent at both ends
};

std::vector<SoundEffect> makeSoundEffects();

} // namespace tessaron::assets
