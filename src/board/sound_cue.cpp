#include "board/sound_cue.h"

namespace tessaron {
namespace {
SoundCueHandler Handler = nullptr;
} // namespace

void setSoundCueHandler(SoundCueHandler handler) { Handler = handler; }

void playSound(int cue) {
    if (Handler) Handler(cue);
}

} // namespace tessaron
