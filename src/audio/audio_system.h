// The program's audio: its start and stop, called by the shell at fixed
// points, and the process-wide sample bank, music player and pause panel
// sounds, defined in audio/audio_system.cpp.
// startAudio/closeAudio are only called when the "sound" setting is non-zero,
// so with sound off nothing of the sound library is touched; every other
// call then finds null handles and does nothing.  closeAudio runs after
// allegro_exit and is safe there.  Main thread only.
#pragma once

#include "audio/music_player.h"
#include "audio/sample_bank.h"

namespace tessaron {

// The sound library's start-up values.
constexpr int MixingRate = 44100;
constexpr int SoftwareChannels = 64;
constexpr unsigned int SoundInitFlags = 1;

// The game's sound effects, filled by the match session in slot order.
extern SampleBank GameSamples;
// The music player; the match session plays its song in slot 0.
extern MusicPlayer Music;
// The pause panel's two sounds, loaded and freed with the match session.
extern PanelSamples PanelSounds;

// Starts the sound library; returns 1 when sound runs, 0 when it does not
// (no device).  Failure is silent and leaves the game without sound.
int startAudio();
void closeAudio();
// Frees the music player's songs and the samples it still holds.
void freeMusicAndSamples();

// The sound cues of the game's logic.
// Plays the game sample of `slot`; an empty or unknown slot is silent.
void playGameSample(int slot);
// The pause panel's sounds, at volume 50.
void playPanelWake();
void playPanelBack();

} // namespace tessaron
