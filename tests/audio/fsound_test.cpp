#include <allegro.h>
#include <allegro/internal/aintern.h>

#include <libopenmpt/libopenmpt.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "sound_fixture.h"

namespace tessaron::test {
namespace {


Bytes validWav() { return makeWav(16, 1, 22050, 4000); }

Bytes withByte(Bytes bytes, std::size_t at, unsigned char value) {
    bytes.at(at) = value;
    return bytes;
}

// Offsets into the canonical 44-byte header.
constexpr std::size_t FormatTag = 20, Channels = 22, Rate = 24, Bits = 34, DataLength = 40;

// Every way a sample file can be unusable: each gives a null handle, and
// playing that handle is a silent event.
const TestFile BadWavs[] = {
    {"missing", nullptr},
    {"empty", [] { return Bytes(); }},
    {"garbage", [] { return Bytes(3000, 0x5a); }},
    {"header only", [] { Bytes b = validWav(); b.resize(12); return b; }},
    {"not a wave", [] { return withByte(validWav(), 8, 'X'); }},
    {"truncated data", [] { Bytes b = validWav(); b.resize(b.size() / 2); return b; }},
    {"huge data length", [] { return withByte(withByte(validWav(), DataLength + 3, 0x7f), DataLength + 2, 0xff); }},
    {"compressed", [] { return withByte(validWav(), FormatTag, 2); }},
    {"24 bits", [] { return withByte(validWav(), Bits, 24); }},
    {"three channels", [] { return withByte(validWav(), Channels, 3); }},
    {"rate zero", [] { Bytes b = validWav(); std::memset(&b[Rate], 0, 4); return b; }},
    {"no format chunk", [] {
         Bytes b = validWav();
         std::memcpy(&b[12], "junk", 4); // the format chunk becomes an unknown one
         return b;
     }},
    {"empty data chunk", [] { return makeWav(16, 1, 22050, 0); }},
};

class BadWavTest : public SoundTest, public ::testing::WithParamInterface<TestFile> {};

TEST_P(BadWavTest, GivesNullHandleAndSilence) {
    std::string path = placeFile(GetParam(), "bad.wav");
    SampleBank bank;
    bank.add(path.c_str());
    EXPECT_EQ(bank.count(), 1);
    EXPECT_EQ(bank.handle(0), nullptr);
    EXPECT_EQ(bank.play(0), 0);
    EXPECT_EQ(peak(mixFrames(QuarterSecond)), 0);
    bank.free();
}

INSTANTIATE_TEST_SUITE_P(Files, BadWavTest, ::testing::ValuesIn(BadWavs), rowName);

struct GoodWav {
    int bits, channels, rate;
};

class GoodWavTest : public SoundTest, public ::testing::WithParamInterface<GoodWav> {};

TEST_P(GoodWavTest, LoadsAndPlays) {
    GoodWav w = GetParam();
    std::string path = writeFile("good.wav", makeWav(w.bits, w.channels, w.rate, 8000));
    FSOUND_SAMPLE* sample = loadSample(path.c_str());
    ASSERT_NE(sample, nullptr);
    int channel = playSample(sample);
    EXPECT_GT(channel, 0);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000);
    FSOUND_Sample_Free(sample);
}

INSTANTIATE_TEST_SUITE_P(Formats, GoodWavTest,
                         ::testing::Values(GoodWav{8, 1, 11025}, GoodWav{16, 1, 22050}, GoodWav{16, 2, 44100},
                                           GoodWav{8, 2, 48000}));

TEST_F(SoundTest, OddChunkBeforeDataIsSkippedWithItsPadding) {
    Bytes wav = makeWav(16, 1, 22050, 4000);
    const unsigned char list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    wav.insert(wav.begin() + 36, std::begin(list), std::end(list));
    std::string path = writeFile("list.wav", wav);
    FSOUND_SAMPLE* sample = loadSample(path.c_str());
    EXPECT_NE(sample, nullptr);
    FSOUND_Sample_Free(sample);
}

TEST_F(SoundTest, StaleChannelIsIgnored) {
    std::string path = writeFile("short.wav", makeWav(16, 1, 44100, 500));
    FSOUND_SAMPLE* sample = loadSample(path.c_str());
    int channel = playSample(sample);
    mixFrames(QuarterSecond); // the sample ends and gives its voice back
    EXPECT_EQ(FSOUND_SetVolume(channel, 50), 0);
    EXPECT_EQ(FSOUND_SetVolume(channel + (1 << 8), 50), 0);
    EXPECT_EQ(FSOUND_SetVolume(-1, 50), 0);
    FSOUND_Sample_Free(sample);
}

// Unplayable module files leave the song slot empty; the player's calls on
// the empty slot and the stream refill do nothing.
const TestFile BadModules[] = {
    {"missing", nullptr},
    {"empty", [] { return Bytes(); }},
    {"zeros", [] { return Bytes(5000, 0); }},
    {"text", [] {
         const char text[] = "These are the release notes, not a song.\n";
         return Bytes(text, text + sizeof text - 1);
     }},
    {"header cut short", [] { Bytes b = makeModule(); b.resize(100); return b; }},
    {"a wav file", [] { return makeWav(16, 2, 44100, 2000); }},
};

class BadModuleTest : public SoundTest, public ::testing::WithParamInterface<TestFile> {};

TEST_P(BadModuleTest, LeavesTheSlotEmpty) {
    std::string path = placeFile(GetParam(), "bad.mod");
    MusicPlayer player;
    EXPECT_FALSE(player.loadSong(0, path.c_str()));
    EXPECT_EQ(player.song(0), nullptr);
    player.playSong(0);
    player.setVolume(0, GameMusicVolume);
    player.update();
    EXPECT_EQ(peak(mixFrames(QuarterSecond)), 0);
    player.free();
}

INSTANTIATE_TEST_SUITE_P(Files, BadModuleTest, ::testing::ValuesIn(BadModules), rowName);

// A folder or a named pipe among the data files: refused at once, never
// opened (opening a pipe would wait for a writer for ever).
TEST_F(SoundTest, FoldersAndPipesAreRefused) {
    std::string folderPath = mediaFolder() + "folder.mod";
    std::string pipePath = mediaFolder() + "pipe.mod";
    ASSERT_EQ(mkdir(folderPath.c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(pipePath.c_str(), 0600), 0);
    for (const std::string& path : {folderPath, pipePath}) {
        EXPECT_EQ(loadSample(path.c_str()), nullptr) << path;
        EXPECT_EQ(FMUSIC_LoadSong(path.c_str()), nullptr) << path;
    }
}

TEST_F(SoundTest, ValidModuleRendersSound) {
    MusicPlayer player;
    ASSERT_TRUE(loadTestSong(player));
    player.playSong(0);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000);
    player.free();
}

TEST_F(SoundTest, MasterVolumeScalesMusicAtOnce) {
    MusicPlayer player;
    ASSERT_TRUE(loadTestSong(player));
    player.playSong(0);
    mixFrames(CaptureFragmentFrames * 4); // past the note's attack
    double full = rms(mixFrames(QuarterSecond / 2));
    player.setVolume(0, GameMusicVolume);
    double scaled = rms(mixFrames(QuarterSecond / 2));
    EXPECT_GT(full, 1000.0);
    EXPECT_NEAR(scaled / full, 150.0 / 255.0, 0.02);
    EXPECT_EQ(FMUSIC_GetMasterVolume(player.song(0)), 150);
    player.free();
}

// What libopenmpt itself renders from the module, looping, at 44100 Hz.
std::vector<std::int16_t> referenceRender(const Bytes& module, int frames) {
    openmpt_module* mod = openmpt_module_create_from_memory2(module.data(), module.size(), openmpt_log_func_silent,
                                                             nullptr, openmpt_error_func_ignore, nullptr, nullptr,
                                                             nullptr, nullptr);
    std::vector<std::int16_t> out(std::size_t(frames) * 2);
    if (mod == nullptr) return out;
    openmpt_module_set_repeat_count(mod, -1);
    openmpt_module_read_interleaved_stereo(mod, CaptureRate, std::size_t(frames), out.data());
    openmpt_module_destroy(mod);
    return out;
}

// The music heard through the stream is the song as rendered, scaled by the
// mixer's gain, without a stale or skipped stretch, when the caller never
// refills the stream: the feeder alone keeps it going.
TEST_F(SoundTest, FeederAloneCarriesTheWholeSong) {
    constexpr int Frames = CaptureFragmentFrames * 172; // about four seconds
    constexpr int FramesPer200Ms = CaptureFragmentFrames * 8;
    Bytes module = makeModule();
    std::string path = writeFile("song.mod", module);
    MusicPlayer player;
    ASSERT_TRUE(player.loadSong(0, path.c_str()));
    player.playSong(0);
    std::vector<std::int16_t> heard;
    while (int(heard.size()) < Frames * 2) {
        std::vector<std::int16_t> part = mixFrames(FramesPer200Ms);
        heard.insert(heard.end(), part.begin(), part.end());
        ASSERT_TRUE(waitForFeeder());
    }
    heard.resize(std::size_t(Frames) * 2);
    player.free();

    std::vector<std::int16_t> expected = referenceRender(module, Frames);
    double cross = 0.0, power = 0.0;
    for (std::size_t i = 0; i < heard.size(); ++i) {
        cross += double(heard[i]) * expected[i];
        power += double(expected[i]) * expected[i];
    }
    ASSERT_GT(power, 0.0);
    double gain = cross / power;
    EXPECT_GT(gain, 0.2);
    int worst = 0;
    std::size_t worstAt = 0;
    for (std::size_t i = 0; i < heard.size(); ++i) {
        int error = std::abs(heard[i] - int(std::lround(expected[i] * gain)));
        if (error > worst) {
            worst = error;
            worstAt = i;
        }
    }
    EXPECT_LE(worst, peak(heard) / 50) << "at frame " << worstAt / 2;
}

TEST(SoundOff, NoDeviceMeansNoSoundAndNoStart) {
    startAllegro(false);
    EXPECT_EQ(startAudio(), 0);
    EXPECT_FALSE(_sound_installed);
    std::string path = writeFile("tone.wav", makeWav(16, 1, 44100, 1000));
    EXPECT_EQ(loadSample(path.c_str()), nullptr);
    closeAudio();
    stopAllegro();
}

// With "sound" 0 the shell never starts or closes audio; everything the
// match does with sound must then stay out of the sound library.
TEST(SoundOff, SessionCallsNeverReachTheLibrary) {
    startAllegro(true);
    std::string wav = writeFile("tone.wav", makeWav(16, 1, 44100, 1000));
    std::string song = writeFile("song.mod", makeModule());
    std::int64_t before = fsound_library_entries();

    SampleBank bank;
    for (int i = 0; i < 9; ++i) bank.add(wav.c_str());
    PanelSamples panel;
    panel.load(wav.c_str(), wav.c_str());
    MusicPlayer player;
    player.loadSong(0, song.c_str());
    player.playSong(0);
    player.setVolume(0, GameMusicVolume);
    player.setFade(0, MusicFadeOut);
    for (int tick = 0; tick < 10; ++tick) player.update();
    for (int slot = 0; slot < 9; ++slot) EXPECT_EQ(bank.play(slot), 0);
    EXPECT_EQ(panel.playWake(), 0);
    bank.free();
    panel.free();
    player.free();

    EXPECT_EQ(fsound_library_entries(), before);
    EXPECT_FALSE(_sound_installed);
    stopAllegro();
}

TEST(SoundOn, StartTouchesTheLibrary) {
    startAllegro(true);
    std::int64_t before = fsound_library_entries();
    EXPECT_EQ(startAudio(), 1);
    EXPECT_TRUE(_sound_installed);
    EXPECT_GT(fsound_library_entries(), before);
    closeAudio();
    EXPECT_FALSE(_sound_installed);
    stopAllegro();
}

// The shell closes audio after allegro_exit, with the music still playing
// until then; songs and samples are freed after the close.
TEST(SoundOn, CloseAfterAllegroExitIsSafe) {
    startAllegro(true);
    ASSERT_EQ(startAudio(), 1);
    std::string wav = writeFile("tone.wav", makeWav(16, 1, 44100, 1000));
    std::string song = writeFile("song.mod", makeModule());
    FSOUND_SAMPLE* sample = loadSample(wav.c_str());
    playSample(sample);
    MusicPlayer player;
    ASSERT_TRUE(player.loadSong(0, song.c_str()));
    player.playSong(0);
    mixFrames(CaptureFragmentFrames);

    stopAllegro();
    EXPECT_FALSE(_sound_installed);
    closeAudio();
    player.playSong(0); // sound is gone: nothing starts
    player.update();
    player.free();
    FSOUND_Sample_Free(sample);
}

} // namespace
} // namespace tessaron::test
