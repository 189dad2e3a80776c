// The sample bank, the pause panel's sounds, the music player's fades and
// slots, the choice of the song from a folder listing; the music feeder
// against everything the game does to songs meanwhile (run under
// ThreadSanitizer by `make test`), and every output format Allegro's [sound]
// settings can ask for.
#include <allegro.h>

#include <string>
#include <tuple>
#include <vector>

#include "sound_fixture.h"

namespace tessaron::test {
namespace {

// 255 slots are filled and the 256th file is ignored; a failed load keeps
// its slot; slots out of range play nothing.
TEST_F(SoundTest, BankOf255KeepsFailedSlotsAndIgnoresThe256th) {
    const std::string path = writeFile("tone.wav", makeWav(8, 1, 11025, 200));
    SampleBank bank;
    bank.add((mediaFolder() + "missing.wav").c_str());
    for (int i = 1; i < SampleBank::UsableSlots; ++i) bank.add(path.c_str());
    EXPECT_EQ(bank.count(), 255);
    EXPECT_EQ(bank.handle(0), nullptr);
    EXPECT_EQ(bank.play(0), 0);
    EXPECT_NE(bank.handle(254), nullptr);
    bank.add(path.c_str());
    EXPECT_EQ(bank.count(), 255);
    EXPECT_EQ(bank.handle(255), nullptr);
    for (int slot : {255, 256, -1}) EXPECT_EQ(bank.play(slot), 0) << slot;
    EXPECT_GT(bank.play(1), 0);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000);
    bank.free();
    EXPECT_EQ(bank.count(), 0);
    EXPECT_EQ(bank.handle(1), nullptr);
}

TEST_F(SoundTest, PanelSamplesPlayAtVolume50) {
    const std::string path = writeFile("tone.wav", makeWav(16, 1, 44100, 44100));
    FSOUND_SAMPLE* reference = loadSample(path.c_str());
    playSample(reference);
    const double full = peak(mixFrames(QuarterSecond));
    FSOUND_Sample_Free(reference);
    PanelSamples panel;
    panel.load((mediaFolder() + "missing.wav").c_str(), path.c_str());
    EXPECT_EQ(panel.playWake(), 0);  // missing file: silent
    EXPECT_GT(panel.playBack(), 0);
    EXPECT_NEAR(peak(mixFrames(QuarterSecond)) / full, 50.0 / 255.0, 0.02);
    panel.free();
}

// Fade rows: starting volume, the state asked for (clamped to -1..1), the
// steps the fade takes and where it ends; a steady slot leaves its song's
// volume alone.
TEST_F(SoundTest, FadesStepToTheirEnd) {
    struct Row { int startVolume, asked, direction, steps, endVolume; };
    const Row rows[] = {{255, MusicFadeOut, MusicFadeOut, 85, 0}, {0, MusicFadeIn, MusicFadeIn, 85, 255},
                        {100, -4, MusicFadeOut, 34, 0},           {251, 7, MusicFadeIn, 2, 255},
                        {1, MusicFadeOut, MusicFadeOut, 1, 0},    {77, MusicFadeSteady, MusicFadeSteady, 0, 77}};
    for (const Row& r : rows) {
        MusicPlayer player;
        ASSERT_TRUE(loadTestSong(player));
        player.setVolume(0, r.startVolume);
        FMUSIC_SetMasterVolume(player.song(0), 33);
        player.setFade(0, r.asked);
        EXPECT_EQ(player.fadeState(0), r.direction);
        for (int step = 1; step < r.steps; ++step) {
            player.fadeStep();
            ASSERT_EQ(player.fadeState(0), r.direction) << r.startVolume << " step " << step;
        }
        for (int extra = 0; extra < 3; ++extra) player.fadeStep();
        EXPECT_EQ(player.fadeState(0), MusicFadeSteady) << r.startVolume;
        EXPECT_EQ(player.volume(0), r.endVolume) << r.startVolume;
        EXPECT_EQ(FMUSIC_GetMasterVolume(player.song(0)), r.steps ? r.endVolume : 33) << r.startVolume;
        player.free();
    }
}

// Loading a slot again frees its song first, even when the new file fails;
// sample slots take no songs; a song's volume is clamped to 0..255.
TEST_F(SoundTest, LoadingASlotAgainReplacesItsSong) {
    MusicPlayer player;
    ASSERT_TRUE(loadTestSong(player));
    for (auto [asked, kept] : {std::pair{-1, 0}, {0, 0}, {255, 255}, {256, 255}}) {
        FMUSIC_SetMasterVolume(player.song(0), asked);
        EXPECT_EQ(FMUSIC_GetMasterVolume(player.song(0)), kept) << asked;
    }
    player.playSong(0);
    EXPECT_FALSE(player.loadSong(0, (mediaFolder() + "missing.mod").c_str()));
    EXPECT_EQ(player.song(0), nullptr);
    EXPECT_EQ(peak(mixFrames(QuarterSecond)), 0);
    EXPECT_FALSE(player.loadSong(2, (mediaFolder() + "song.mod").c_str()));
    player.free();
}

// The song is picked from the whole listing (0 to count - 1) and loaded; an
// empty listing picks nothing; a pick that is no module, out of range or
// makes too long a path loads nothing.
TEST_F(SoundTest, MusicChoiceFromAListing) {
    writeFile("readme.txt", Bytes(200, 'x'));
    writeFile("song.mod", makeModule());
    struct Row { std::vector<std::string> names; int pick; bool loads; };
    const Row rows[] = {{{"readme.txt", "song.mod", "cover.bmp"}, 1, true}, {{}, 0, false},
                        {{"readme.txt", "song.mod"}, 0, false},             {{"song.mod"}, -1, false},
                        {{"song.mod"}, 1, false},                           {{std::string(600, 'n')}, 0, false}};
    for (const Row& r : rows) {
        std::vector<std::pair<int, int>> picks;
        MusicPlayer player;
        const bool loaded = loadSongFromList(
            player, GameSongSlot, mediaFolder().c_str(), int(r.names.size()),
            [&r](int i) { return r.names.at(std::size_t(i)).c_str(); },
            [&](int lo, int hi) {
                picks.emplace_back(lo, hi);
                return r.pick;
            });
        EXPECT_EQ(loaded, r.loads) << r.names.size() << " names, pick " << r.pick;
        EXPECT_EQ(player.song(GameSongSlot) != nullptr, r.loads);
        if (r.names.empty()) {
            EXPECT_TRUE(picks.empty());
        } else {
            EXPECT_EQ(picks, (std::vector<std::pair<int, int>>{{0, int(r.names.size()) - 1}}));
        }
        player.free();
    }
}

// Songs loaded, played, faded, turned down and freed, and effects played,
// while the feeder refills and the mixer plays: nothing may race, and the
// music that is left playing is heard.
TEST_F(SoundTest, GameCallsNeverRaceTheFeeder) {
    std::string song = writeFile("song.mod", makeModule());
    std::string wav = writeFile("tone.wav", makeWav(16, 1, 44100, 2000));
    FSOUND_SAMPLE* effect = loadSample(wav.c_str());
    MusicPlayer player;
    for (int round = 0; round < 39; ++round) { // the last round leaves slot 0 playing
        ASSERT_TRUE(player.loadSong(round % 2, song.c_str()));
        player.playSong(round % 2);
        player.setVolume(round % 2, 100 + round);
        player.setFade(round % 2, round % 3 - 1);
        for (int step = 0; step < 3; ++step) {
            player.update();
            setChannelVolume(playSample(effect), 80);
            mixFrames(CaptureFragmentFrames);
        }
        FMUSIC_GetMasterVolume(player.song(round % 2));
        if (round % 4 == 3) player.free();
    }
    player.setFade(0, MusicFadeSteady);
    player.setVolume(0, 255);
    mixFrames(CaptureFragmentFrames * 4);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000);
    player.free();
    FSOUND_Sample_Free(effect);
}

// What Allegro opens for each setting that changes the output format.
// Mono output at a mixer quality above 0 overruns Allegro's mixing buffer,
// so stereo is always asked for (and only that key is overridden: the
// quality asked stays), and a mono-only card mixes at quality 0.
struct Format {
    const char* name;
    const char* settings;  // the [sound] keys
    bool monoDevice;       // a card that can only play mono
    int channels, bits, rate, quality;  // quality -1: Allegro's own choice
};
const Format Formats[] = {
    {"mono_asked", "sound_stereo = 0", false, 2, 16, 44100, 2},
    {"mono_asked_quality_1", "sound_stereo = 0\nquality = 1", false, 2, 16, 44100, 1},
    {"8_bits", "sound_bits = 8", false, 2, 8, 44100, -1},
    {"22050_Hz", "sound_freq = 22050", false, 2, 16, 22050, -1},
    {"48000_Hz", "sound_freq = 48000", false, 2, 16, 48000, -1},
    {"mono_card_quality_2", "quality = 2", true, 1, 16, 44100, 0},
    {"mono_card_8_bits", "sound_bits = 8", true, 1, 8, 44100, 0},
};

class FormatTest : public ::testing::TestWithParam<Format> {
protected:
    void TearDown() override {
        closeAudio();
        set_config_data("", 0);
        stopAllegro();
        captureMonoOnly(false);
    }
};

TEST_P(FormatTest, OpensASafeFormatAndPlaysMusicAndEffects) {
    const Format& f = GetParam();
    startAllegro(true);
    captureMonoOnly(f.monoDevice);
    std::string settings = std::string("[sound]\n") + f.settings + "\n";
    set_config_data(settings.c_str(), int(settings.size()));
    ASSERT_EQ(startAudio(), 1);
    EXPECT_EQ(std::make_tuple(get_mixer_channels(), get_mixer_bits(), get_mixer_frequency()),
              std::make_tuple(f.channels, f.bits, f.rate));
    EXPECT_TRUE(f.quality < 0 || get_mixer_quality() == f.quality) << get_mixer_quality();

    MusicPlayer player;
    ASSERT_TRUE(loadTestSong(player));
    player.playSong(0);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000) << "music";
    player.free();
    std::string wav = writeFile("tone.wav", makeWav(16, 2, 22050, 8000));
    FSOUND_SAMPLE* effect = loadSample(wav.c_str());
    playSample(effect);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000) << "effect";
    FSOUND_Sample_Free(effect);
}

INSTANTIATE_TEST_SUITE_P(Settings, FormatTest, ::testing::ValuesIn(Formats),
                         [](const ::testing::TestParamInfo<Format>& row) { return std::string(row.param.name); });

} // namespace
} // namespace tessaron::test
