#include "board/sound_cue.h"

#include "board/match_context.h"

namespace tessaron {

void playSound(int cue) {
    if (SoundCues* sounds = matchSounds()) sounds->add(cue);
}

} // namespace tessaron
