// The generated game data as a player meets it, from the staged game folder:
// every picture loads as the game loads it, blocks show no mask colour,
// glows are see-through at their corners, backgrounds are dark but not
// black; the effects are short, unclipped, audible and click-free; the music
// lasts a minute and leaves room under the effects; the fonts have the HUD's
// glyphs at every size; and the generator writes the same bytes every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <libopenmpt/libopenmpt.hpp>
#include <unistd.h>

#include "audio/wav_data.h"
#include "gfx/ttf.h"
#include "gfx/ttf_font.h"
#include "render/bitmap_bank.h"
#include "shell/font_set.h"

namespace tessaron {
namespace {

namespace fs = std::filesystem;

const std::string Game = TESSARON_BINARY_DIR "/game/";

std::vector<char> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

enum class Kind { Block, Glow, Background };

// Checks one picture against what its kind needs on screen.
void checkPicture(BITMAP* b, const std::string& name, Kind kind) {
    ASSERT_NE(b, nullptr) << name;
    int masked = 0, lit = 0;
    double sum = 0;
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) {
            const int c = getpixel(b, x, y);
            masked += c == bitmap_mask_color(b);
            sum += c == bitmap_mask_color(b) ? 0 : 0.3 * getr32(c) + 0.59 * getg32(c) + 0.11 * getb32(c);
            lit += c != bitmap_mask_color(b) && std::max({getr32(c), getg32(c), getb32(c)}) >= 200;
        }
    // Copied opaquely (blocks, backgrounds), a mask pixel would show as
    // magenta; added onto the board (glows), the corners must be
    // see-through and something bright.
    EXPECT_EQ(masked == 0, kind != Kind::Glow) << name;
    for (int corner = 0; corner < 4 && kind == Kind::Glow; ++corner)
        EXPECT_EQ(getpixel(b, corner % 2 * (b->w - 1), corner / 2 * (b->h - 1)), bitmap_mask_color(b)) << name;
    EXPECT_TRUE(kind != Kind::Glow || lit > 0) << name << " has no bright pixel";
    if (kind == Kind::Background) {
        // Screen-sized, and dark enough for the board and its text to stay
        // readable, but not plain black.
        EXPECT_TRUE(b->w >= 1024 && b->h >= 768) << name;
        EXPECT_TRUE(sum / (b->w * b->h) > 4.0 && sum / (b->w * b->h) < 48.0) << name << ": " << sum / (b->w * b->h);
    }
}

TEST(Assets, PicturesLoadAsTheGameLoadsThemAndLookRight) {
    ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
    set_color_depth(32);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(Game.c_str()), 0);
    std::string missing;
    EXPECT_TRUE(loadPictureBanks(&missing)) << missing;
    ASSERT_EQ(chdir(previous), 0);
    // Blocks are copied, the rest added; cells are drawn 32 x 32.
    struct Bank { BitmapBank& bank; Kind kind; bool cell; };
    for (const Bank& b : {Bank{BlockPictures, Kind::Block, true}, Bank{BreakerPictures, Kind::Glow, true},
                          Bank{BombPictures, Kind::Glow, true}, Bank{IconPictures, Kind::Glow, false},
                          Bank{ParticlePictures, Kind::Glow, false}})
        for (int slot = 0; slot < b.bank.count(); ++slot) {
            BITMAP* picture = b.bank.get(slot);
            checkPicture(picture, "slot " + std::to_string(slot), b.kind);
            EXPECT_TRUE(!b.cell || !picture || (picture->w == 32 && picture->h == 32)) << slot;
        }
    freePictureBanks();
    int backgrounds = 0;
    for (const auto& entry : fs::directory_iterator(Game + "data/backgrounds")) {
        BITMAP* b = load_bitmap(entry.path().c_str(), nullptr);
        checkPicture(b, entry.path().filename(), Kind::Background);
        destroy_bitmap(b);
        ++backgrounds;
    }
    EXPECT_GE(backgrounds, 3);
    BITMAP* fallback = load_bitmap((Game + "data/bg1.bmp").c_str(), nullptr);
    checkPicture(fallback, "bg1.bmp", Kind::Background);
    destroy_bitmap(fallback);
}

const char* const Sounds[] = {
    "energy_explosion.wav", "rotate.wav", "clink.wav", "explode_big.wav", "energy_disintegrate4.wav",
    "energy_disintegrate5.wav", "energy_huge.wav", "lightning.wav", "glassbreak.wav",
    "common/menu_wake.wav", "common/menu_back.wav",
};

TEST(Assets, EffectsAreShortCleanAndLoadable) {
    for (const char* name : Sounds) {
        const std::vector<char> bytes = readFile(Game + "data/sound/" + name);
        const WavData w = parseWav(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        ASSERT_TRUE(w.valid && w.bits == 16 && w.channels == 1) << name << ": the game loads 16-bit mono";
        EXPECT_LT(w.frames, 2 * w.frequency) << name << " lasts two seconds or more";
        std::vector<int> s(w.frames);
        for (int i = 0; i < w.frames; ++i) s[i] = std::int16_t(w.data[2 * i] | (w.data[2 * i + 1] << 8));
        int peak = 0;
        for (int v : s) peak = std::max(peak, std::abs(v));
        EXPECT_LT(peak, 32000) << name << " is clipped";
        EXPECT_GT(peak, 3000) << name << " is nearly silent";
        // No click: it rises from silence and fades out over 5 ms.
        EXPECT_LE(std::abs(s.front()), 16) << name;
        EXPECT_LE(std::abs(s.back()), 16) << name;
        for (int i = 0; i < 8; ++i) EXPECT_LE(std::abs(s[i]), peak / 8) << name << " sample " << i;
        for (int i = std::max(0, w.frames - w.frequency / 200); i < w.frames; ++i)
            ASSERT_LE(std::abs(s[i]), peak / 8) << name << " sample " << i;
    }
}

TEST(Assets, MusicLastsAMinuteAndLeavesRoomForTheEffects) {
    int modules = 0;
    for (const auto& entry : fs::directory_iterator(Game + "data/music/mod")) {
        const std::vector<char> bytes = readFile(entry.path());
        openmpt::module m(bytes.data(), bytes.size());
        EXPECT_GE(m.get_duration_seconds(), 60.0) << entry.path();
        std::vector<std::int16_t> buffer(2 * 44100);
        int peak = 0;
        for (int second = 0; second < 20; ++second) {
            ASSERT_EQ(m.read_interleaved_stereo(44100, 44100, buffer.data()), 44100u);
            for (std::int16_t s : buffer) peak = std::max(peak, std::abs(int(s)));
        }
        EXPECT_GT(peak, 2000) << entry.path();
        EXPECT_LT(peak, 26000) << entry.path();
        ++modules;
    }
    EXPECT_GE(modules, 1);
}

TEST(Assets, FontsHaveTheHudsGlyphsAtEverySize) {
    startTextLayer();
    for (const char* file : {"trebuc.ttf", "BNKGOTHM.ttf"}) {
        FontSet set;
        ASSERT_TRUE(loadFontSet(set, (Game + "data/fonts/" + file).c_str())) << file;
        for (TTF_FONT* f : set.sizes)
            for (char ch : std::string("Score 0123456789 Danger: x Combo Round You Lose! Dropped blocks Next"))
                ASSERT_NE(FT_Get_Char_Index(f->face, static_cast<FT_ULong>(ch)), 0u) << file << " '" << ch << "'";
        releaseFontSet(set);
    }
    stopTextLayer();
}

std::map<std::string, std::vector<char>> readTree(const fs::path& root) {
    std::map<std::string, std::vector<char>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file()) files[fs::relative(entry.path(), root).generic_string()] = readFile(entry.path());
    return files;
}

TEST(Assets, GeneratorRepeatsItselfAndTheStagedDataIsItsOutput) {
    const fs::path scratch = fs::temp_directory_path() / ("tessaron_assets_" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    for (const char* run : {"a", "b"}) {
        const std::string command = "\"" TESSARON_ASSETS_TOOL "\" \"" + (scratch / run).string() + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    const auto a = readTree(scratch / "a");
    const auto b = readTree(scratch / "b");
    fs::remove_all(scratch);
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << "two runs differ";
    for (const auto& [name, bytes] : a) EXPECT_TRUE(readFile(Game + "data/" + name) == bytes) << name << " is stale";
}

} // namespace
} // namespace tessaron
