#include "audio/fsound.h"

#include <allegro.h>
#include <allegro/internal/aintern.h>
#include <dlfcn.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/wav_data.h"
#include "io/regular_file.h"

struct FSOUND_SAMPLE {
    SAMPLE* sample = nullptr;
    bool looped = false;
};

struct FMUSIC_MODULE {
    openmpt_module* module = nullptr;
    AUDIOSTREAM* stream = nullptr; // only while playing
    int streamFrames = 0;          // frames in each half of the stream
    int volume = 255;
};

namespace {

constexpr int MaxChannels = 64;
constexpr int CentrePan = 128;
constexpr int NormalPitch = 1000;
// Channel numbers carry the Allegro voice in their low bits and a play
// serial above it, so a channel whose voice has since been reused for
// another sound is recognised as stale.
constexpr int VoiceBits = 8;
static_assert(VIRTUAL_VOICES <= (1 << VoiceBits), "voice numbers must fit the channel's low bits");
constexpr int MaxSerial = 0x3fffff;

// How often the feeder looks for a stream half the mixer has finished with:
// far more often than a half (a quarter of a second) is played.
constexpr std::chrono::milliseconds FeedInterval(10);

// Everything below `lock` is shared between the caller's thread and the
// feeder thread and is read or written only with `lock` held.  Allegro's
// own mixing thread synchronises with Allegro's voice calls by itself.
struct SoundState {
    std::mutex lock;
    std::condition_variable wake; // wakes the feeder early to stop it
    bool running = false;
    bool stopFeeder = false;
    int mixRate = 44100;
    std::vector<FMUSIC_MODULE*> songs; // every loaded song, playing or not
    int serial = 0;
    int voiceSerial[VIRTUAL_VOICES] = {};
    std::thread feeder;
    std::atomic<std::int64_t> libraryEntries{0};
    std::atomic<std::int64_t> feederPasses{0};
};

SoundState State;
using Guard = std::lock_guard<std::mutex>;

// Every path into Allegro's sound system or libopenmpt passes here first.
void enterLibrary() { ++State.libraryEntries; }

int clampVolume(int volume) { return std::min(255, std::max(0, volume)); }

// Reads a whole sound file through the one reader of regular files: a pipe,
// a device or a folder is refused without blocking (a pipe placed in the
// music folder would otherwise stall the load for ever), and so are a file
// larger than the limit and an empty one.
bool readFileBytes(const char* path, std::string& bytes) {
    return tessaron::readRegularFile(path, MaxSoundFileBytes, bytes) && !bytes.empty();
}

// ALSA reports a missing or busy device on standard error, once per line of
// its configuration it fails to evaluate.  The game treats a missing device
// as silence, so those lines are dropped.  Only an ALSA library that Allegro
// has already loaded is touched.
extern "C" void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (alsa == nullptr) return;
    using SetHandler = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
    auto setHandler = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler != nullptr) setHandler(dropAlsaMessage);
    // The handle stays open so that the handler stays installed.
}

void stopStream(FMUSIC_MODULE* song) {
    if (song->stream == nullptr) return;
    enterLibrary();
    stop_audio_stream(song->stream);
    song->stream = nullptr;
}

// Renders the song into one half of its stream buffer.  At the end of a
// song that does not loop the rest is silence.
void renderInto(FMUSIC_MODULE* song, void* buffer) {
    auto* frames = static_cast<std::int16_t*>(buffer);
    const std::size_t count = std::size_t(song->streamFrames);
    std::size_t done = 0;
    while (done < count) {
        std::size_t got =
            openmpt_module_read_interleaved_stereo(song->module, State.mixRate, count - done, frames + 2 * done);
        if (got == 0) break;
        done += got;
    }
    std::fill(frames + 2 * done, frames + 2 * count, std::int16_t(0));
    // Allegro's 16-bit samples are unsigned.
    auto* raw = static_cast<std::uint16_t*>(buffer);
    for (std::size_t i = 0; i < 2 * count; ++i) raw[i] ^= 0x8000;
}

void refill(FMUSIC_MODULE* song) {
    if (song->stream == nullptr) return;
    enterLibrary();
    while (void* buffer = get_audio_stream_buffer(song->stream)) {
        renderInto(song, buffer);
        free_audio_stream_buffer(song->stream);
    }
}

// The feeder thread: refills every playing song's stream whatever the rest
// of the program does, so music goes on through a stalled or slow caller.
void feedMusic() {
    std::unique_lock<std::mutex> hold(State.lock);
    while (!State.stopFeeder) {
        for (FMUSIC_MODULE* song : State.songs) refill(song);
        ++State.feederPasses;
        State.wake.wait_for(hold, FeedInterval);
    }
}

void stopFeeder() {
    if (!State.feeder.joinable()) return;
    {
        Guard guard(State.lock);
        State.stopFeeder = true;
    }
    State.wake.notify_all();
    State.feeder.join();
}

// Stops the feeder and the music and removes Allegro's sound system;
// handles stay valid.
void shutDownSound() {
    stopFeeder();
    Guard guard(State.lock);
    if (!State.running) return;
    for (FMUSIC_MODULE* song : State.songs) stopStream(song);
    enterLibrary();
    remove_sound();
    State.running = false;
    std::fill(std::begin(State.voiceSerial), std::end(State.voiceSerial), 0);
}

// Allegro's mixer writes past its own buffer when it mixes mono output at a
// quality above 0 (a "sound_stereo = 0" in the settings is enough), so
// stereo is always asked for; a device that still opens mono is mixed at
// quality 0, which is safe.  Only the [sound] keys named here are
// overridden, and only while the driver starts: every other key of the
// settings file (rate, bits, driver) applies as written.
bool installSound() {
    static const char Stereo[] = "[sound]\nsound_stereo = 1\n";
    static const char MonoSafe[] = "[sound]\nsound_stereo = 1\nquality = 0\n";
    override_config_data(Stereo, int(sizeof Stereo - 1));
    bool installed = install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) == 0;
    if (installed && digi_card != DIGI_NONE && get_mixer_channels() == 1) {
        remove_sound();
        override_config_data(MonoSafe, int(sizeof MonoSafe - 1));
        installed = install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr) == 0;
    }
    override_config_file(nullptr);
    return installed;
}

// Registered with Allegro while sound runs: allegro_exit calls it before
// Allegro's own sound shut-down, so the streams are stopped while their
// voices still exist and FSOUND_Close afterwards has nothing left to do.
void allegroExitHook() { shutDownSound(); }

} // namespace

signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags) {
    if (State.running) return 1;
    if (system_driver == nullptr) return 0; // Allegro itself is not up
    if (mixrate < tessaron::MinWavFrequency || mixrate > tessaron::MaxWavFrequency) return 0;
    enterLibrary();
    silenceAlsa();
    reserve_voices(std::min(MaxChannels, std::max(1, maxsoftwarechannels)), 0);
    if (!installSound()) return 0;
    if (digi_card == DIGI_NONE) {
        // Allegro's "no sound" driver: nothing would be heard, so sound is
        // off and no module is ever decoded.
        remove_sound();
        return 0;
    }
    _add_exit_func(allegroExitHook, "tessaron sound");
    {
        Guard guard(State.lock);
        State.running = true;
        State.stopFeeder = false;
        State.mixRate = mixrate;
    }
    State.feeder = std::thread(feedMusic);
    return 1;
}

void FSOUND_Close() {
    {
        Guard guard(State.lock);
        if (!State.running) return;
    }
    _remove_exit_func(allegroExitHook);
    shutDownSound();
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset, int length) {
    if (!State.running) return nullptr;
    std::string bytes;
    if (!readFileBytes(name, bytes)) return nullptr;
    tessaron::WavData wav = tessaron::parseWav(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (!wav.valid) return nullptr;

    enterLibrary();
    SAMPLE* sample = create_sample(wav.bits, wav.channels == 2, wav.frequency, wav.frames);
    if (sample == nullptr) return nullptr;
    int values = wav.frames * wav.channels;
    if (wav.bits == 8) {
        std::memcpy(sample->data, wav.data, std::size_t(values));
    } else {
        // Little-endian signed in the file, unsigned in Allegro.
        auto* out = static_cast<std::uint16_t*>(sample->data);
        for (int i = 0; i < values; ++i)
            out[i] = std::uint16_t((wav.data[2 * i] | (wav.data[2 * i + 1] << 8)) ^ 0x8000);
    }
    auto* handle = new FSOUND_SAMPLE;
    handle->sample = sample;
    handle->looped = (mode & FSOUND_LOOP_NORMAL) != 0;
    return handle;
}

void FSOUND_Sample_Free(FSOUND_SAMPLE* sample) {
    if (sample == nullptr) return;
    // Freeing stops the sample on any voice still playing it; after the
    // sound system is gone no voice holds it and this only frees memory.
    Guard guard(State.lock);
    enterLibrary();
    destroy_sample(sample->sample);
    delete sample;
}

int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample) {
    if (!State.running || sample == nullptr) return -1;
    Guard guard(State.lock);
    enterLibrary();
    int voice = play_sample(sample->sample, 255, CentrePan, NormalPitch, sample->looped ? TRUE : FALSE);
    if (voice < 0 || voice >= VIRTUAL_VOICES) return -1;
    State.serial = State.serial >= MaxSerial ? 1 : State.serial + 1;
    State.voiceSerial[voice] = State.serial;
    return (State.serial << VoiceBits) | voice;
}

signed char FSOUND_SetVolume(int channel, int volume) {
    if (!State.running || channel <= 0) return 0;
    int voice = channel & ((1 << VoiceBits) - 1);
    Guard guard(State.lock);
    if (State.voiceSerial[voice] != (channel >> VoiceBits)) return 0;
    enterLibrary();
    // A sound that has ended has given its voice back; nothing to set then.
    if (voice_check(voice) == nullptr) return 0;
    voice_set_volume(voice, clampVolume(volume));
    return 1;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name) {
    if (!State.running) return nullptr;
    std::string bytes;
    if (!readFileBytes(name, bytes)) return nullptr;
    enterLibrary();
    openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_ignore, nullptr,
                                                                nullptr, nullptr, nullptr);
    if (module == nullptr) return nullptr;
    openmpt_module_set_repeat_count(module, -1);
    auto* song = new FMUSIC_MODULE;
    song->module = module;
    Guard guard(State.lock);
    State.songs.push_back(song);
    return song;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* song) {
    if (song == nullptr) return 0;
    {
        // Once out of the list the feeder can no longer reach the song.
        Guard guard(State.lock);
        stopStream(song);
        State.songs.erase(std::remove(State.songs.begin(), State.songs.end(), song), State.songs.end());
    }
    enterLibrary();
    openmpt_module_destroy(song->module);
    delete song;
    return 1;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* song) {
    if (!State.running || song == nullptr) return 0;
    Guard guard(State.lock);
    stopStream(song);
    enterLibrary();
    openmpt_module_set_position_seconds(song->module, 0.0);
    // A half is never shorter than what the mixer takes at once, or one
    // mix would run past both halves into music not yet rendered.
    song->streamFrames = std::max(MusicStreamFrames, get_mixer_buffer_length());
    song->stream = play_audio_stream(song->streamFrames, 16, TRUE, State.mixRate, song->volume, CentrePan);
    if (song->stream == nullptr) return 0;
    // The whole buffer is filled now, so the first quarter second never
    // waits for the next refill.
    refill(song);
    return 1;
}

signed char FMUSIC_SetMasterVolume(FMUSIC_MODULE* song, int volume) {
    if (song == nullptr) return 0;
    Guard guard(State.lock);
    song->volume = clampVolume(volume);
    if (song->stream != nullptr) {
        enterLibrary();
        voice_set_volume(song->stream->voice, song->volume);
    }
    return 1;
}

int FMUSIC_GetMasterVolume(FMUSIC_MODULE* song) {
    if (song == nullptr) return 0;
    Guard guard(State.lock);
    return song->volume;
}

void FSOUND_Update() {
    if (!State.running) return;
    Guard guard(State.lock);
    for (FMUSIC_MODULE* song : State.songs) refill(song);
}

std::int64_t fsound_library_entries() { return State.libraryEntries; }

std::int64_t fsound_feeder_passes() { return State.feederPasses; }
