#include "audio/audio_system.h"

namespace tessaron {

SampleBank GameSamples;
MusicPlayer Music;
PanelSamples PanelSounds;

int startAudio() { return FSOUND_Init(MixingRate, SoftwareChannels, SoundInitFlags) ? 1 : 0; }

void closeAudio() { FSOUND_Close(); }

void freeMusicAndSamples() { Music.free(); }

void playGameSample(int slot) { GameSamples.play(slot); }

void playPanelWake() { PanelSounds.playWake(); }

void playPanelBack() { PanelSounds.playBack(); }

} // namespace tessaron
