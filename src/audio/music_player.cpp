#include "audio/music_player.h"

#include <algorithm>
#include <cstdio>

namespace tessaron {

MusicPlayer::MusicPlayer() {
    slots_[0].volume = 255;
    slots_[2].volume = 255;
}

bool MusicPlayer::loadSong(int slot, const char* path) {
    if (!isSongSlot(slot)) return false;
    Slot& s = slots_[slot];
    if (s.song != nullptr) FMUSIC_FreeSong(s.song);
    s.song = FMUSIC_LoadSong(path);
    return s.song != nullptr;
}

void MusicPlayer::playSong(int slot) {
    if (isSongSlot(slot)) FMUSIC_PlaySong(slots_[slot].song);
}

void MusicPlayer::setVolume(int slot, int volume) {
    if (!isSongSlot(slot)) return;
    slots_[slot].volume = volume;
    FMUSIC_SetMasterVolume(slots_[slot].song, volume);
}

void MusicPlayer::setFade(int slot, int state) {
    if (slot >= 0 && slot < SlotCount) slots_[slot].fade = std::min(MusicFadeIn, std::max(MusicFadeOut, state));
}

void MusicPlayer::fadeStep() {
    for (int slot = 0; slot < SongSlots; ++slot) {
        Slot& s = slots_[slot];
        if (s.fade == MusicFadeOut) {
            if (s.volume > 0) s.volume = std::max(0, s.volume - FadeVolumeStep);
            if (s.volume == 0) s.fade = MusicFadeSteady;
        } else if (s.fade == MusicFadeIn) {
            if (s.volume < 255) s.volume = std::min(255, s.volume + FadeVolumeStep);
            if (s.volume == 255) s.fade = MusicFadeSteady;
        } else {
            continue;
        }
        FMUSIC_SetMasterVolume(s.song, s.volume);
    }
}

void MusicPlayer::update() {
    fadeStep();
    FSOUND_Update();
}

void MusicPlayer::free() {
    for (int slot = 0; slot < SlotCount; ++slot) {
        Slot& s = slots_[slot];
        if (s.song != nullptr) FMUSIC_FreeSong(s.song);
        if (s.sample != nullptr) FSOUND_Sample_Free(s.sample);
        s.song = nullptr;
        s.sample = nullptr;
    }
}

int MusicPlayer::volume(int slot) const { return slot >= 0 && slot < SlotCount ? slots_[slot].volume : 0; }

int MusicPlayer::fadeState(int slot) const {
    return slot >= 0 && slot < SlotCount ? slots_[slot].fade : MusicFadeSteady;
}

FMUSIC_MODULE* MusicPlayer::song(int slot) const { return isSongSlot(slot) ? slots_[slot].song : nullptr; }

bool loadSongFromList(MusicPlayer& player, int slot, const char* directory, int count,
                      const std::function<const char*(int)>& nameAt, const std::function<int(int, int)>& pick) {
    // An empty folder has no range to pick from: no music.
    if (count <= 0) return false;
    int index = pick(0, count - 1);
    if (index < 0 || index >= count) return false;
    const char* name = nameAt(index);
    if (name == nullptr) return false;
    char path[512];
    int length = std::snprintf(path, sizeof path, "%s%s", directory, name);
    if (length < 0 || length >= int(sizeof path)) return false;
    return player.loadSong(slot, path);
}

} // namespace tessaron
