// The game's music: a calm four-channel tracker module of our own ("Slow
// Lattice": bass, chord pad, bell arpeggio and melody, light percussion over
// a sixteen-chord progression in A minor), its instruments synthesised here.
// Depends on mod_writer.h and synth.h.  Single-threaded.  Cannot fail.
#pragma once

#include <string>
#include <vector>

#include "assets/bytes.h"

namespace tessaron::assets {

struct Module {
    std::string path;  // relative to the data folder
    Bytes bytes;
};

std::vector<Module> makeMusic();

} // namespace tessaron::assets
