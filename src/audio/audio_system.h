// The program's audio start and stop, called by the shell at fixed points.
// startAudio/closeAudio are only called when the "sound" setting is non-zero,
// so with sound off nothing of the sound library is touched.  Main thread.
#pragma once

namespace tessaron {

void startAudio();
void closeAudio();
// Frees the music player's songs and the samples it still holds.
void freeMusicAndSamples();

} // namespace tessaron
