#include "audio/audio_system.h"

// Audio is not built yet: these keep the shell's calls in their places.

namespace tessaron {

void startAudio() {}
void closeAudio() {}
void freeMusicAndSamples() {}

} // namespace tessaron
