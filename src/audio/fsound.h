// The game's sound library: the ten FSOUND_/FMUSIC_ calls the game makes,
// with their usual names and arguments, built on Allegro 4's digital sound
// (samples, voices, the software mixer) and libopenmpt (tracker modules
// rendered into an Allegro audio stream).  Nothing else in the program calls
// Allegro's sound functions or libopenmpt.
//
// Thread: call it from one thread (the game's main thread).  While sound
// runs, a feeder thread of its own refills the music streams; every piece
// of state it shares (the song list, each song's module, stream and volume,
// the voices) is guarded by one lock that every call here takes, so
// loading, playing, fading and freeing songs never race it.  Allegro mixes
// on a thread of its own.
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
// all; longer when the mixer takes more at once).  The feeder looks every
// 10 ms for a half the mixer has finished with and renders the module into
// it, so the music goes on while the caller stalls, loads or draws a long
// frame.  Volume is applied on the stream's voice, so volume changes are
// heard at once rather than after the buffered half second.
//
// Output format: whatever rate and bits the settings ask Allegro for;
// stereo is always asked for, because Allegro's mixer overruns its buffer
// mixing mono at a quality above 0 (a mono-only device is mixed at 0).
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

// Refills at once every stream half the mixer has finished with (the feeder
// does the same on its own).  Cheap when nothing needs refilling.
void FSOUND_Update();

// Diagnostics for tests: how many calls reached Allegro's sound system or
// libopenmpt since the program started, and how many passes the feeder has
// made over the songs.
std::int64_t fsound_library_entries();
std::int64_t fsound_feeder_passes();
