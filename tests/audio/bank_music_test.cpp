#include <string>
#include <vector>

#include "sound_fixture.h"

namespace tessaron::test {
namespace {

TEST_F(SoundTest, BankOf255IgnoresThe256th) {
    std::string path = writeFile("tone.wav", makeWav(8, 1, 11025, 200));
    SampleBank bank;
    for (int i = 0; i < SampleBank::UsableSlots; ++i) bank.add(path.c_str());
    EXPECT_EQ(bank.count(), 255);
    EXPECT_NE(bank.handle(254), nullptr);
    bank.add(path.c_str());
    EXPECT_EQ(bank.count(), 255);
    EXPECT_EQ(bank.handle(255), nullptr);
    EXPECT_EQ(bank.play(255), 0);
    EXPECT_EQ(bank.play(256), 0);
    EXPECT_EQ(bank.play(-1), 0);
    bank.free();
    EXPECT_EQ(bank.count(), 0);
    EXPECT_EQ(bank.handle(0), nullptr);
}

TEST_F(SoundTest, FailedLoadKeepsItsSlot) {
    std::string good = writeFile("tone.wav", makeWav(16, 1, 22050, 4000));
    std::string bad = missingPath("tone.wav");
    SampleBank bank;
    bank.add(bad.c_str());
    bank.add(good.c_str());
    EXPECT_EQ(bank.count(), 2);
    EXPECT_EQ(bank.handle(0), nullptr);
    EXPECT_NE(bank.handle(1), nullptr);
    EXPECT_GT(bank.play(1), 0);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000);
    bank.free();
}

TEST_F(SoundTest, PanelSamplesPlayAtVolume50) {
    std::string path = writeFile("tone.wav", makeWav(16, 1, 44100, 44100));
    FSOUND_SAMPLE* reference = loadSample(path.c_str());
    playSample(reference);
    double full = rms(mixFrames(QuarterSecond));
    FSOUND_Sample_Free(reference);

    PanelSamples panel;
    panel.load(path.c_str(), missingPath("back.wav").c_str());
    EXPECT_GT(panel.playWake(), 0);
    EXPECT_NEAR(rms(mixFrames(QuarterSecond)) / full, 50.0 / 255.0, 0.02);
    EXPECT_EQ(panel.playBack(), 0); // missing file: silent, no volume set
    panel.free();
}

// Fade rows: starting volume and direction, the steps the fade takes and
// where it ends.
struct FadeRow {
    int startVolume, direction, steps, endVolume;
};

class FadeTest : public SoundTest, public ::testing::WithParamInterface<FadeRow> {};

TEST_P(FadeTest, StepsToTheEnd) {
    FadeRow row = GetParam();
    MusicPlayer player;
    ASSERT_TRUE(loadTestSong(player));
    player.setVolume(0, row.startVolume);
    player.setFade(0, row.direction);
    for (int step = 1; step < row.steps; ++step) {
        player.fadeStep();
        ASSERT_EQ(player.fadeState(0), row.direction) << "step " << step;
    }
    player.fadeStep();
    EXPECT_EQ(player.fadeState(0), MusicFadeSteady);
    EXPECT_EQ(player.volume(0), row.endVolume);
    EXPECT_EQ(FMUSIC_GetMasterVolume(player.song(0)), row.endVolume);
    player.fadeStep(); // steady: nothing changes
    EXPECT_EQ(player.volume(0), row.endVolume);
    player.free();
}

INSTANTIATE_TEST_SUITE_P(Rows, FadeTest,
                         ::testing::Values(FadeRow{255, MusicFadeOut, 85, 0}, FadeRow{0, MusicFadeIn, 85, 255},
                                           FadeRow{100, MusicFadeOut, 34, 0}, FadeRow{254, MusicFadeIn, 1, 255},
                                           FadeRow{1, MusicFadeOut, 1, 0}));

TEST_F(SoundTest, SteadyFadeStepLeavesTheSongAlone) {
    MusicPlayer player;
    ASSERT_TRUE(loadTestSong(player));
    FMUSIC_SetMasterVolume(player.song(0), 77);
    for (int tick = 0; tick < 10; ++tick) player.fadeStep();
    EXPECT_EQ(player.volume(0), 255);
    EXPECT_EQ(FMUSIC_GetMasterVolume(player.song(0)), 77);
    player.free();
}

TEST_F(SoundTest, LoadingASlotAgainReplacesItsSong) {
    MusicPlayer player;
    ASSERT_TRUE(loadTestSong(player));
    player.playSong(0);
    EXPECT_FALSE(player.loadSong(0, missingPath("song.mod").c_str()));
    EXPECT_EQ(player.song(0), nullptr);
    EXPECT_EQ(peak(mixFrames(QuarterSecond)), 0);
    EXPECT_FALSE(player.loadSong(2, (mediaFolder() + "song.mod").c_str())); // sample slots take no songs
    player.free();
}

// The music choice from a folder listing.
class MusicChoiceTest : public SoundTest {
protected:
    std::vector<std::string> names;
    std::vector<std::pair<int, int>> picks;
    int pickResult = 0;

    bool choose(MusicPlayer& player) {
        return loadSongFromList(
            player, GameSongSlot, mediaFolder().c_str(), int(names.size()),
            [this](int i) { return names[std::size_t(i)].c_str(); },
            [this](int lo, int hi) {
                picks.emplace_back(lo, hi);
                return pickResult;
            });
    }
};

TEST_F(MusicChoiceTest, EmptyFolderMeansNoMusicAndNoPick) {
    MusicPlayer player;
    EXPECT_FALSE(choose(player));
    EXPECT_TRUE(picks.empty());
    EXPECT_EQ(player.song(0), nullptr);
    player.playSong(0);
    player.setVolume(0, GameMusicVolume);
    EXPECT_EQ(peak(mixFrames(QuarterSecond)), 0);
}

TEST_F(MusicChoiceTest, PicksFromTheWholeListAndLoadsThePick) {
    writeFile("readme.txt", Bytes(200, 'x'));
    writeFile("song.mod", makeModule());
    names = {"readme.txt", "song.mod", "cover.bmp"};
    pickResult = 1;
    MusicPlayer player;
    EXPECT_TRUE(choose(player));
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0], std::make_pair(0, 2));
    EXPECT_NE(player.song(0), nullptr);
    player.free();
}

TEST_F(MusicChoiceTest, NonMusicPickOrBadPickLoadsNothing) {
    writeFile("readme.txt", Bytes(200, 'x'));
    names = {"readme.txt", std::string(600, 'n')};
    MusicPlayer player;
    for (int pick : {0, 1, 2, -1}) {
        pickResult = pick;
        EXPECT_FALSE(choose(player)) << "pick " << pick;
        EXPECT_EQ(player.song(0), nullptr);
    }
}

} // namespace
} // namespace tessaron::test
