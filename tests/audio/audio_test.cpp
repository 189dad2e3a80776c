// The sound layer, heard through the capture output.  The sound library
// stand-in: the WAV chunk walk at its bounds, samples loaded and heard with
// their sign, unusable files, stale channels, the music stream against
// libopenmpt's own rendering at the song's volume, and sound that is off or
// gone.  Over it: the sample bank, the pause panel's sounds, the music
// player's fades and slots, the choice of the song from a folder listing;
// the music feeder against everything the game does to songs meanwhile (run
// under ThreadSanitizer by `make test`), and every output format Allegro's
// [sound] settings can ask for.
#include <allegro.h>
#include <allegro/internal/aintern.h>

#include <libopenmpt/libopenmpt.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <functional>
#include <tuple>

#include "audio/wav_data.h"
#include "../process_limits.h"
#include "sound_fixture.h"

namespace tessaron::test {
namespace {

// Writes v as `bytes` bytes, little-endian, at `at`.
void poke(Bytes& b, std::size_t at, unsigned v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) b.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
}

// Offsets into makeWav's canonical 44-byte header.
constexpr std::size_t FormatLength = 16, Channels = 22, Rate = 24, Bits = 34, DataLength = 40;

// The chunk walk of `bytes` built by `make` from a 16-bit mono 22050 Hz WAV
// of 100 frames: refused, or accepted with these fields (data: offset of the
// first frame).
TEST(WavChunks, BoundsFormatsAndFields) {
    using Edit = std::function<void(Bytes&)>;
    struct Row { const char* what; Edit make; int bits, channels, rate, frames; std::ptrdiff_t data; };
    const unsigned char odd[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    const Row rows[] = {
        {"canonical", [](Bytes&) {}, 16, 1, 22050, 100, 44},
        {"odd data length", [](Bytes& b) { poke(b, DataLength, 199); b.pop_back(); }, 16, 1, 22050, 99, 44},
        {"fmt 18", [](Bytes& b) { poke(b, FormatLength, 18); b.insert(b.begin() + 36, 2, 0); }, 16, 1, 22050, 100, 46},
        {"odd chunk padded", [&odd](Bytes& b) { b.insert(b.begin() + 36, odd, odd + 12); }, 16, 1, 22050, 100, 56},
        {"rate 1000", [](Bytes& b) { poke(b, Rate, 1000); }, 16, 1, 1000, 100, 44},
        {"rate 192000", [](Bytes& b) { poke(b, Rate, 192000); }, 16, 1, 192000, 100, 44},
        {"stereo", [](Bytes& b) { b[Channels] = 2; }, 16, 2, 22050, 50, 44},
        {"8 bits", [](Bytes& b) { b[Bits] = 8; }, 8, 1, 22050, 200, 44},
    };
    // Whether the edited file is accepted, and its fields.
    auto parse = [](const Edit& edit) {
        Bytes b = makeWav(16, 1, 22050, 100);
        edit(b);
        const WavData w = parseWav(b.data(), b.size());
        return std::make_tuple(w.valid, w.bits, w.channels, w.frequency, w.frames, w.valid ? w.data - b.data() : 0);
    };
    for (const Row& r : rows)
        EXPECT_EQ(parse(r.make), std::make_tuple(true, r.bits, r.channels, r.rate, r.frames, r.data)) << r.what;
    // Refused: a file one byte short, an odd chunk without its pad byte,
    // data before format, no data chunk, no frame, a header only, eleven
    // bytes; then one header field set to a value past a bound: data one
    // byte over the end, a format chunk shorter than 16 or past the end, a
    // rate just out of 1000..192000, no or three channels, 24 bits, not PCM,
    // not a WAVE, not a RIFF.
    auto set = [](std::size_t at, unsigned v, int n) { return Edit([=](Bytes& b) { poke(b, at, v, n); }); };
    const Edit refused[] = {
        [](Bytes& b) { b.pop_back(); }, [&odd](Bytes& b) { b.insert(b.begin() + 36, odd, odd + 11); },
        [](Bytes& b) { std::rotate(b.begin() + 12, b.begin() + 36, b.end()); },
        [](Bytes& b) { std::memcpy(&b[36], "junk", 4); }, [](Bytes& b) { poke(b, DataLength, 1); b.resize(45); },
        [](Bytes& b) { b.resize(12); }, [](Bytes& b) { b.resize(11); },
        set(DataLength, 201, 4), set(FormatLength, 15, 4), set(FormatLength, 1000, 4), set(Rate, 999, 4),
        set(Rate, 192001, 4), set(Channels, 0, 2), set(Channels, 3, 2), set(Bits, 24, 2), set(20, 2, 2),
        set(8, 'X', 1), set(0, 'X', 1)};
    for (const Edit& edit : refused) EXPECT_FALSE(std::get<0>(parse(edit))) << "refused row " << &edit - refused;
    EXPECT_FALSE(parseWav(nullptr, 100).valid);
}

// 8-bit (unsigned) and 16-bit (signed) files, mono and stereo, play whole
// and with their sign: each half-period of the square wave (40 frames up,
// 40 down) is heard on its side of zero to the last.
TEST_F(SoundTest, SamplesPlayWithTheirSign) {
    for (int bits : {8, 16})
        for (int channels : {1, 2}) {
            FSOUND_SAMPLE* sample = loadSample(writeFile("wave.wav", makeWav(bits, channels, CaptureRate, 800)).c_str());
            ASSERT_GT(playSample(sample), 0);  // 0 too for no sample
            const std::vector<std::int16_t> mix = mixFrames(CaptureFragmentFrames);
            for (int frame = 20; frame < 800; frame += 40)
                EXPECT_GT(frame % 80 < 40 ? mix[2 * frame] : -mix[2 * frame], 1000) << bits << " bits, frame " << frame;
            FSOUND_Sample_Free(sample);
        }
}

// Missing, empty, garbage, a folder, a named pipe (refused before it is
// opened: opening would wait for a writer for ever) and a file one byte past
// the size limit load as neither a sample nor a song, while a module padded
// to exactly the limit still loads; a WAV is no song and a module no sample;
// no load leaves a descriptor open.
TEST_F(SoundTest, UnusableFilesLoadNothing) {
    const std::string folder = mediaFolder() + "folder.wav", pipe = mediaFolder() + "pipe.wav";
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const Bytes module = makeModule();
    const auto padded = [&](const char* name, long size) {  // the module, then zeros
        const std::string path = writeFile(name, module);
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
        return path;
    };
    struct Row { std::string path; bool sample, song; };
    const Row rows[] = {
        {mediaFolder() + "missing.wav", false, false}, {writeFile("empty", {}), false, false}, {folder, false, false},
        {writeFile("garbage", Bytes(3000, 0x5a)), false, false}, {pipe, false, false},
        {writeFile("cut.mod", {module.begin(), module.begin() + 100}), false, false},
        {writeFile("good.wav", makeWav(16, 1, 22050, 100)), true, false}, {writeFile("good.mod", module), false, true},
        {padded("full.mod", MaxSoundFileBytes), false, true}, {padded("over.mod", MaxSoundFileBytes + 1), false, false},
    };
    const long open = openDescriptors();
    for (const Row& r : rows) {
        FSOUND_SAMPLE* sample = loadSample(r.path.c_str());
        FMUSIC_MODULE* song = FMUSIC_LoadSong(r.path.c_str());
        EXPECT_EQ(std::make_tuple(sample != nullptr, song != nullptr, playSample(sample) > 0),
                  std::make_tuple(r.sample, r.song, r.sample)) << r.path;
        FSOUND_Sample_Free(sample);
        FMUSIC_FreeSong(song);
    }
    EXPECT_EQ(openDescriptors(), open);
    EXPECT_EQ(peak(mixFrames(QuarterSecond)), 0);
}

// A channel whose sound has ended, even with its voice playing another
// sound now, is ignored; volumes are clamped to 0..255 (below 0 is silence,
// not a negative gain).
TEST_F(SoundTest, StaleChannelIsIgnoredAndVolumesClamped) {
    FSOUND_SAMPLE* sample = loadSample(writeFile("short.wav", makeWav(16, 1, 44100, 500)).c_str());
    const int channel = playSample(sample);
    ASSERT_GT(channel, 0);
    EXPECT_EQ(FSOUND_SetVolume(channel, 50), 1);
    mixFrames(QuarterSecond);  // the sample ends and gives its voice back
    EXPECT_EQ(FSOUND_SetVolume(channel, 50), 0);
    std::vector<int> again;
    for (int i = 0; i < SoftwareChannels; ++i) again.push_back(playSample(sample));  // every voice, the old one too
    EXPECT_EQ(FSOUND_SetVolume(channel, 50), 0);
    EXPECT_EQ(FSOUND_SetVolume(-1, 50), 0);
    for (int c : again) EXPECT_EQ(FSOUND_SetVolume(c, -5), 1);
    EXPECT_EQ(peak(mixFrames(CaptureFragmentFrames)), 0);
    FSOUND_Sample_Free(sample);
}

// The music heard through the stream, refilled by the feeder alone while
// the caller never does, is libopenmpt's own rendering of the looping song, with
// no stale or skipped stretch, at the volume given before it started and
// then at once at the new one: within a fiftieth of the peak of each half.
TEST_F(SoundTest, StreamCarriesTheSongAtItsVolume) {
    constexpr int Frames = CaptureFragmentFrames * 176;  // about four seconds
    const Bytes module = makeModule();
    MusicPlayer player;
    ASSERT_TRUE(player.loadSong(0, writeFile("song.mod", module).c_str()));
    player.setVolume(0, GameMusicVolume);
    player.playSong(0);
    std::vector<std::int16_t> heard;
    while (int(heard.size()) < Frames * 2) {
        if (int(heard.size()) == Frames) player.setVolume(0, 255);
        for (std::int16_t v : mixFrames(CaptureFragmentFrames * 8)) heard.push_back(v);
        ASSERT_TRUE(waitForFeeder());
    }
    player.free();
    std::vector<std::int16_t> expected(std::size_t(Frames) * 2);
    openmpt_module* mod = openmpt_module_create_from_memory2(module.data(), module.size(), openmpt_log_func_silent,
        nullptr, openmpt_error_func_ignore, nullptr, nullptr, nullptr, nullptr);
    openmpt_module_set_repeat_count(mod, -1);
    openmpt_module_read_interleaved_stereo(mod, CaptureRate, std::size_t(Frames), expected.data());
    openmpt_module_destroy(mod);
    double gain[2];
    for (int half = 0; half < 2; ++half) {
        const auto got = heard.begin() + half * Frames, want = expected.begin() + half * Frames;
        gain[half] = std::inner_product(got, got + Frames, want, 0.0) / std::inner_product(want, want + Frames, want, 0.0);
        int worst = 0;
        for (int i = 0; i < Frames; ++i)
            worst = std::max(worst, std::abs(got[i] - int(std::lround(want[i] * gain[half]))));
        EXPECT_LE(worst, peak({got, got + Frames}) / 50) << "half " << half;
    }
    EXPECT_GT(gain[1], 0.2);
    EXPECT_NEAR(gain[0] / gain[1], 150.0 / 255.0, 0.02);
}

// Without a sound device sound stays off; with "sound" 0 the shell never
// starts audio, and everything the match does with sound must then stay out
// of the sound library.  Then starting touches the library; the shell closes
// audio after allegro_exit, with the music still playing until then, and
// frees songs and samples after the close; started again, the music plays.
TEST(SoundOffAndOn, NeverReachesTheLibraryWhenOffAndClosesAfterAllegroExit) {
    startAllegro(false);
    EXPECT_EQ(startAudio(), 0);
    EXPECT_FALSE(_sound_installed);
    const std::string wav = writeFile("tone.wav", makeWav(16, 1, 44100, 1000)), song = writeFile("song.mod", makeModule());
    EXPECT_EQ(loadSample(wav.c_str()), nullptr);
    closeAudio();
    stopAllegro();
    startAllegro(true);
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
    EXPECT_EQ(std::make_pair(fsound_library_entries(), _sound_installed), std::make_pair(before, 0));

    ASSERT_EQ(startAudio(), 1);
    EXPECT_TRUE(_sound_installed);
    EXPECT_GT(fsound_library_entries(), before);
    FSOUND_SAMPLE* sample = loadSample(wav.c_str());
    playSample(sample);
    ASSERT_TRUE(player.loadSong(0, song.c_str()));
    player.playSong(0);
    mixFrames(CaptureFragmentFrames);
    stopAllegro();
    EXPECT_FALSE(_sound_installed);
    closeAudio();
    player.playSong(0);  // sound is gone: nothing starts
    player.update();
    // Started again, the song loaded before plays, refilled by its feeder.
    startAllegro(true);
    ASSERT_EQ(startAudio(), 1);
    player.playSong(0);
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(waitForFeeder());
        EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000) << i;
    }
    player.free();
    FSOUND_Sample_Free(sample);
    closeAudio();
    stopAllegro();
}

// 255 slots are filled and the 256th file is ignored; a failed load keeps
// its slot; slots out of range play nothing.
TEST_F(SoundTest, BankOf255AndPanelSamples) {
    const std::string path = writeFile("tone.wav", makeWav(8, 1, 11025, 200));
    SampleBank bank;
    bank.add((mediaFolder() + "missing.wav").c_str());
    for (int i = 1; i < SampleBank::UsableSlots; ++i) bank.add(path.c_str());
    EXPECT_EQ(std::make_tuple(bank.count(), bank.play(0), bank.handle(254) != nullptr), std::make_tuple(255, 0, true));
    bank.add(path.c_str());
    EXPECT_EQ(bank.count(), 255);
    for (int slot : {255, 256, -1}) EXPECT_EQ(bank.play(slot), 0) << slot;
    EXPECT_GT(bank.play(1), 0);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000);
    bank.free();
    EXPECT_EQ(std::make_pair(bank.count(), bank.handle(1)), std::make_pair(0, static_cast<FSOUND_SAMPLE*>(nullptr)));
    // The pause panel's sounds play at volume 50; a missing one is silent.
    const std::string tone = writeFile("tone.wav", makeWav(16, 1, 44100, 44100));
    FSOUND_SAMPLE* reference = loadSample(tone.c_str());
    playSample(reference);
    const double full = peak(mixFrames(QuarterSecond));
    FSOUND_Sample_Free(reference);
    PanelSamples panel;
    panel.load((mediaFolder() + "missing.wav").c_str(), tone.c_str());
    EXPECT_EQ(panel.playWake(), 0);
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
        ASSERT_TRUE(player.loadSong(0, writeFile("song.mod", makeModule()).c_str()));
        player.setVolume(0, r.startVolume);
        FMUSIC_SetMasterVolume(player.song(0), 33);
        player.setFade(0, r.asked);
        EXPECT_EQ(player.fadeState(0), r.direction);
        for (int step = 1; step < r.steps; ++step) {
            player.fadeStep();
            ASSERT_EQ(player.fadeState(0), r.direction) << r.startVolume << " step " << step;
        }
        for (int extra = 0; extra < 3; ++extra) player.fadeStep();
        EXPECT_EQ(std::make_tuple(player.fadeState(0), player.volume(0), FMUSIC_GetMasterVolume(player.song(0))),
                  std::make_tuple(MusicFadeSteady, r.endVolume, r.steps ? r.endVolume : 33)) << r.startVolume;
        player.free();
    }
}

// Loading a slot again frees its song first, even when the new file fails;
// sample slots take no songs; a song's volume is clamped to 0..255.
TEST_F(SoundTest, LoadingASlotAgainReplacesItsSong) {
    MusicPlayer player;
    ASSERT_TRUE(player.loadSong(0, writeFile("song.mod", makeModule()).c_str()));
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
    using Picks = std::vector<std::pair<int, int>>;
    const Row rows[] = {{{"readme.txt", "song.mod", "cover.bmp"}, 1, true}, {{}, 0, false},
                        {{"readme.txt", "song.mod"}, 0, false},             {{"song.mod"}, -1, false},
                        {{"song.mod"}, 1, false},                           {{std::string(600, 'n')}, 0, false}};
    for (const Row& r : rows) {
        Picks picks;
        MusicPlayer player;
        const bool loaded = loadSongFromList(player, GameSongSlot, mediaFolder().c_str(), int(r.names.size()),
            [&r](int i) { return r.names.at(std::size_t(i)).c_str(); },
            [&](int lo, int hi) { picks.emplace_back(lo, hi); return r.pick; });
        EXPECT_EQ(std::make_pair(loaded, player.song(GameSongSlot) != nullptr), std::make_pair(r.loads, r.loads))
            << r.names.size() << " names, pick " << r.pick;
        EXPECT_EQ(picks, (r.names.empty() ? Picks{} : Picks{{0, int(r.names.size()) - 1}}));
        player.free();
    }
}

// Songs loaded, played, faded, turned down and freed, and effects played,
// while the feeder refills and the mixer plays: nothing may race, and the
// music that is left playing is heard.
TEST_F(SoundTest, GameCallsNeverRaceTheFeeder) {
    const std::string song = writeFile("song.mod", makeModule());
    FSOUND_SAMPLE* effect = loadSample(writeFile("tone.wav", makeWav(16, 1, 44100, 2000)).c_str());
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
// Each row: its name, the [sound] keys, whether the card can only play
// mono, and what opens (quality -1: Allegro's own choice).
struct Format { const char *name, *settings; bool monoDevice; int channels, bits, rate, quality; };
const Format Formats[] = {
    {"mono_asked", "sound_stereo = 0", false, 2, 16, 44100, 2},
    {"mono_asked_quality_1", "sound_stereo = 0\nquality = 1", false, 2, 16, 44100, 1},
    {"8_bits", "sound_bits = 8", false, 2, 8, 44100, -1},
    {"22050_Hz", "sound_freq = 22050", false, 2, 16, 22050, -1},
    {"48000_Hz", "sound_freq = 48000", false, 2, 16, 48000, -1},
    {"mono_card_quality_2", "quality = 2", true, 1, 16, 44100, 0},
    {"mono_card_8_bits", "sound_bits = 8", true, 1, 8, 44100, 0},
};

struct FormatTest : ::testing::TestWithParam<Format> {
    void TearDown() override { closeAudio(); set_config_data("", 0); stopAllegro(); captureMonoOnly(false); }
};

TEST_P(FormatTest, OpensASafeFormatAndPlaysMusicAndEffects) {
    const Format& f = GetParam();
    startAllegro(true);
    captureMonoOnly(f.monoDevice);
    std::string settings = std::string("[sound]\n") + f.settings + "\n";
    set_config_data(settings.c_str(), int(settings.size()));
    ASSERT_EQ(startAudio(), 1);
    EXPECT_EQ(std::make_tuple(get_mixer_channels(), get_mixer_bits(), get_mixer_frequency(), get_mixer_quality()),
              std::make_tuple(f.channels, f.bits, f.rate, f.quality < 0 ? get_mixer_quality() : f.quality));

    MusicPlayer player;
    ASSERT_TRUE(player.loadSong(0, writeFile("song.mod", makeModule()).c_str()));
    player.playSong(0);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000) << "music";
    player.free();
    FSOUND_SAMPLE* effect = loadSample(writeFile("tone.wav", makeWav(16, 2, 22050, 8000)).c_str());
    playSample(effect);
    EXPECT_GT(peak(mixFrames(QuarterSecond)), 1000) << "effect";
    FSOUND_Sample_Free(effect);
}

INSTANTIATE_TEST_SUITE_P(Settings, FormatTest, ::testing::ValuesIn(Formats),
                         [](const ::testing::TestParamInfo<Format>& row) { return std::string(row.param.name); });

} // namespace
} // namespace tessaron::test
