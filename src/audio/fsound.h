// The game's sound library: the ten FSOUND_/FMUSIC_ calls the game makes,
// with their usual names and arguments, built on Allegro 4's digital sound
// (samples, voices, the software mixer) and libopenmpt (tracker modules
// rendered into an Allegro audio stream).  Nothing else in the program calls
// Allegro's sound functions or libopenmpt.
//
// Thread: main thread only.  Allegro mixes on its own thread; music is
// refilled from the main thread by FSOUND_Update (see below), so no state
// here is shared with another thread.
//
// Failure: a file that cannot be loaded gives a null handle, and every call
// accepts null handles and does nothing with them.  Before FSOUND_Init has
// succeeded (or after FSOUND_Close) nothing loads or plays, and no call
// touches Allegro's sound system or libopenmpt: that is how "sound 0" stays
// silent.  A machine without a sound device makes FSOUND_Init fail quietly.
//
// Music streaming: each playing song owns an Allegro AUDIOSTREAM of unsigned
// 16-bit stereo at the mixing rate, double-buffered in halves of
// MusicStreamFrames frames (a quarter of a second each, half a second in
// all).  FSOUND_Update renders into every half the mixer has finished with.
// The game calls it at least once per logic step (25 a second, through the
// music player's update), and may call it on every main-loop pass; since a
// freed half is only needed again a quarter of a second later, music keeps
// playing without gaps even when frames take 200 ms.  Volume is applied on
// the stream's voice, so volume changes are heard at once rather than after
// the buffered half second.  Refilling on the main thread (rather than from a
// timer callback) keeps the module and the stream free of locks: loading and
// freeing a song can never race a refill.
#pragma once

#include <cstdint>

// Opaque handles.
struct FSOUND_SAMPLE;
struct FMUSIC_MODULE;

// Channel number meaning "any free channel".
constexpr int FSOUND_FREE = -1;
// Sample modes.  Files carry their own format, so the game's mode (304:
// signed 16-bit mono, no loop bit) describes nothing a file does not already
// say; a sample plays once unless FSOUND_LOOP_NORMAL is given.
constexpr unsigned int FSOUND_LOOP_OFF = 0x01;
constexpr unsigned int FSOUND_LOOP_NORMAL = 0x02;
constexpr unsigned int FSOUND_16BITS = 0x10;
constexpr unsigned int FSOUND_MONO = 0x20;
constexpr unsigned int FSOUND_SIGNED = 0x100;

// Frames in each half of a song's stream buffer (0.25 s at 44100 Hz).
constexpr int MusicStreamFrames = 11025;
// Largest sample or module file that is read; bigger files fail to load.
constexpr long MaxSoundFileBytes = 64L * 1024 * 1024;

// Starts Allegro's digital sound with up to `maxsoftwarechannels` voices
// (at most 64).  Songs are rendered at `mixrate` Hz.  `flags` is accepted
// and unused.  Returns 1 when sound runs, 0 when there is no usable device.
// ALSA's own error lines are silenced for the rest of the run.
signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags);
// Stops every song and sample and shuts the sound system down.  Safe to
// call when sound never started and after allegro_exit (which already shut
// it down).  Handles stay valid and must still be freed.
void FSOUND_Close();

// Loads a PCM WAV file (8 or 16 bits, mono or stereo).  `index` (-1 for the
// library's choice), `offset` and `length` are accepted; files are always
// read whole.  Missing, truncated or malformed files give null.
FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset, int length);
// Stops the sample wherever it plays and frees it.  Null is ignored.
void FSOUND_Sample_Free(FSOUND_SAMPLE* sample);
// Plays the sample once, centred, at full volume on a free channel
// (`channel` is treated as FSOUND_FREE).  Returns the channel, a positive
// number, or -1 when nothing was started.
int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);
// Sets a playing channel's volume (0..255, clamped).  A channel that has
// ended or was never started is ignored.  Returns 1 when applied.
signed char FSOUND_SetVolume(int channel, int volume);

// Loads a tracker module (anything libopenmpt plays: MOD, XM, S3M, IT and
// more).  The song loops forever once played.  Unplayable files give null.
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
// Stops and frees the song.  Returns 1 when a song was freed.
signed char FMUSIC_FreeSong(FMUSIC_MODULE* song);
// Starts the song from its beginning (restarting it if it plays) at its
// master volume.  Returns 1 when it plays.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* song);
// Sets the song's master volume (0..255, clamped), at once if it plays.
signed char FMUSIC_SetMasterVolume(FMUSIC_MODULE* song, int volume);
// The song's master volume; 0 for null.
int FMUSIC_GetMasterVolume(FMUSIC_MODULE* song);

// Refills the stream buffers of every playing song.  Cheap when nothing
// needs refilling; call it often from the main thread.
void FSOUND_Update();

// Diagnostics for tests: how many calls reached Allegro's sound system or
// libopenmpt since the program started.
std::int64_t fsound_library_entries();
