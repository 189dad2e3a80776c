// The generated game data as a player meets it, from the staged game folder:
// every picture loads as the game loads it, copied pictures show no mask
// colour, added glows are see-through at their corners, backgrounds are dark
// but not black; the effects are short, unclipped, audible and click-free;
// and the music lasts a minute and leaves room under the effects.  (That the
// staged fonts open is proved by every end-to-end run.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <libopenmpt/libopenmpt.hpp>

#include "audio/wav_data.h"
#include "render/bitmap_bank.h"

namespace tessaron {
namespace {

namespace fs = std::filesystem;

const std::string Game = TESSARON_BINARY_DIR "/game/";

std::vector<char> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Copied pictures (blocks, backgrounds) must have no mask pixel, which would
// show as magenta; added glows must be see-through at the corners and bright
// somewhere; backgrounds must cover the screen and be dark, but not black,
// behind the board.
void checkPicture(BITMAP* b, const std::string& name, bool glow, bool background = false) {
    ASSERT_NE(b, nullptr) << name;
    int masked = 0, lit = 0;
    double sum = 0;
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) {
            const int c = getpixel(b, x, y);
            const bool mask = c == bitmap_mask_color(b);
            masked += mask;
            sum += mask ? 0 : 0.3 * getr32(c) + 0.59 * getg32(c) + 0.11 * getb32(c);
            lit += !mask && std::max({getr32(c), getg32(c), getb32(c)}) >= 200;
        }
    EXPECT_EQ(masked > 0, glow) << name;
    for (int corner = 0; corner < 4 && glow; ++corner)
        EXPECT_EQ(getpixel(b, corner % 2 * (b->w - 1), corner / 2 * (b->h - 1)), bitmap_mask_color(b)) << name;
    EXPECT_TRUE(!glow || lit > 0) << name << " has no bright pixel";
    const double mean = sum / (b->w * b->h);
    EXPECT_TRUE(!background || (b->w >= 1024 && b->h >= 768 && mean > 4.0 && mean < 48.0)) << name << ": " << mean;
}

TEST(Assets, PicturesLoadAsTheGameLoadsThemAndLookRight) {
    ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
    set_color_depth(32);
    const fs::path previous = fs::current_path();
    fs::current_path(Game);
    std::string missing;
    EXPECT_TRUE(loadPictureBanks(&missing)) << missing;
    fs::current_path(previous);
    // Cells (blocks, breakers, the bomb) are drawn 32 x 32.
    struct Bank { BitmapBank& bank; bool glow, cell; };
    for (const Bank& b : {Bank{BlockPictures, false, true}, Bank{BreakerPictures, true, true},
                          Bank{BombPictures, true, true}, Bank{IconPictures, true, false},
                          Bank{ParticlePictures, true, false}})
        for (int slot = 0; slot < b.bank.count(); ++slot) {
            BITMAP* picture = b.bank.get(slot);
            checkPicture(picture, "slot " + std::to_string(slot), b.glow);
            EXPECT_TRUE(!b.cell || !picture || (picture->w == 32 && picture->h == 32)) << slot;
        }
    freePictureBanks();
    std::vector<fs::path> backgrounds(fs::directory_iterator(Game + "data/backgrounds"), {});
    EXPECT_GE(backgrounds.size(), 3u);
    backgrounds.push_back(Game + "data/bg1.bmp");  // the fallback
    for (const fs::path& path : backgrounds) {
        BITMAP* b = load_bitmap(path.c_str(), nullptr);
        checkPicture(b, path.filename(), false, true);
        destroy_bitmap(b);
    }
}

TEST(Assets, EffectsAreShortCleanAndLoadable) {
    for (const char* name : {"energy_explosion", "rotate", "clink", "explode_big", "energy_disintegrate4",
                             "energy_disintegrate5", "energy_huge", "lightning", "glassbreak", "common/menu_wake",
                             "common/menu_back"}) {
        const std::vector<char> bytes = readFile(Game + "data/sound/" + name + ".wav");
        const WavData w = parseWav(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        ASSERT_TRUE(w.valid && w.bits == 16 && w.channels == 1) << name << ": the game loads 16-bit mono";
        EXPECT_LT(w.frames, 2 * w.frequency) << name << " lasts two seconds or more";
        std::vector<int> s(w.frames);
        for (int i = 0; i < w.frames; ++i) s[i] = std::int16_t(w.data[2 * i] | (w.data[2 * i + 1] << 8));
        const int peak = std::abs(*std::max_element(s.begin(), s.end(), [](int a, int b) { return std::abs(a) < std::abs(b); }));
        EXPECT_TRUE(peak > 3000 && peak < 32000) << name << " is nearly silent or clipped: " << peak;
        // No click: it rises from silence and fades out over 5 ms.
        EXPECT_TRUE(std::abs(s.front()) <= 16 && std::abs(s.back()) <= 16) << name;
        for (int i = 0; i < w.frames; ++i)
            ASSERT_TRUE((i >= 8 && i < w.frames - w.frequency / 200) || std::abs(s[i]) <= peak / 8) << name << " " << i;
    }
}

TEST(Assets, MusicLastsAMinuteAndLeavesRoomForTheEffects) {
    int modules = 0;
    for (const auto& entry : fs::directory_iterator(Game + "data/music/mod")) {
        const std::vector<char> bytes = readFile(entry.path());
        openmpt::module m(bytes.data(), bytes.size());
        EXPECT_GE(m.get_duration_seconds(), 60.0) << entry.path();
        std::vector<std::int16_t> buffer(2 * 44100 * 20);  // the first twenty seconds
        ASSERT_EQ(m.read_interleaved_stereo(44100, 44100 * 20, buffer.data()), 44100u * 20);
        int peak = 0;
        for (std::int16_t s : buffer) peak = std::max(peak, std::abs(int(s)));
        EXPECT_TRUE(peak > 2000 && peak < 26000) << entry.path() << ": " << peak;
        ++modules;
    }
    EXPECT_GE(modules, 1);
}

} // namespace
} // namespace tessaron
