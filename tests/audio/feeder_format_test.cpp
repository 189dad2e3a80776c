// The music feeder against everything the game does to songs meanwhile (run
// under ThreadSanitizer by `make test`), and every output format Allegro's
// [sound] settings can ask for.
#include <allegro.h>

#include <string>

#include "sound_fixture.h"

namespace tessaron::test {
namespace {

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
    EXPECT_EQ(get_mixer_channels(), f.channels);
    EXPECT_EQ(get_mixer_bits(), f.bits);
    EXPECT_EQ(get_mixer_frequency(), f.rate);
    if (f.quality >= 0) {
        EXPECT_EQ(get_mixer_quality(), f.quality);
    }

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
