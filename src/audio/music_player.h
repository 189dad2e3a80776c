// MusicPlayer: four slots, two for songs (0, 1) and two for samples (2, 3),
// each with a volume and a fade state; the game plays one song in slot 0.
// Also the choice of the music file from a directory listing.
// Depends on the sound library stand-in (audio/fsound.h).  Main thread only.
// A song that fails to load leaves its slot empty; play and volume calls on
// an empty slot do nothing.
#pragma once

#include <functional>

#include "audio/fsound.h"

namespace tessaron {

// Fade states of a slot.
constexpr int MusicFadeOut = -1;
constexpr int MusicFadeSteady = 0;
constexpr int MusicFadeIn = 1;
// Volume change per fade step: a full fade takes 255 / 3 = 85 steps.
constexpr int FadeVolumeStep = 3;

// The game's music: its folder, its slot and its volume.
constexpr const char* MusicDirectory = "data/music/mod/";
constexpr const char* MusicPattern = "data/music/mod/*.*";
constexpr int GameSongSlot = 0;
constexpr int GameMusicVolume = 150;

class MusicPlayer {
public:
    static constexpr int SlotCount = 4;
    static constexpr int SongSlots = 2;

    MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Frees the slot's song, then loads `path` into it; true when it loaded.
    bool loadSong(int slot, const char* path);
    void playSong(int slot);
    // Stores the volume and gives it to the slot's song.
    void setVolume(int slot, int volume);
    // Sets a slot's fade state (MusicFadeOut, MusicFadeSteady, MusicFadeIn).
    void setFade(int slot, int state);
    // One logic tick: the fade step of song slots 0 and 1.
    void fadeStep();
    // The music's update once per logic tick: the fade step, then a refill
    // of the music streams.
    void update();
    // Frees the songs of slots 0 and 1 and the samples of slots 2 and 3.
    void free();

    int volume(int slot) const;
    int fadeState(int slot) const;
    FMUSIC_MODULE* song(int slot) const;

private:
    struct Slot {
        int fade = MusicFadeSteady;
        int volume = 0;
        FMUSIC_MODULE* song = nullptr;  // slots 0 and 1
        FSOUND_SAMPLE* sample = nullptr; // slots 2 and 3
    };
    static bool isSongSlot(int slot) { return slot >= 0 && slot < SongSlots; }
    Slot slots_[SlotCount];
};

// Loads `directory` + one of `count` names into the player's song slot.
// `pick(0, count - 1)` chooses the name (the caller's random source);
// `nameAt(i)` returns name i.  With no names there is no music: nothing is
// picked and nothing loaded.  A pick outside the range or a path longer than
// the path buffer also loads nothing.  Returns whether a song loaded.
bool loadSongFromList(MusicPlayer& player, int slot, const char* directory, int count,
                      const std::function<const char*(int)>& nameAt, const std::function<int(int, int)>& pick);

} // namespace tessaron
