// The generated game data, as staged in build/game/data: every file the game
// opens exists and loads the way the game loads it, the sounds are clean,
// the music lasts, the fonts open at the game's seven sizes, and the
// generator writes the same bytes on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <libopenmpt/libopenmpt.hpp>

#include <unistd.h>

#include <allegro.h>

namespace {

namespace fs = std::filesystem;

const std::string kData = TESSARON_BINARY_DIR "/game/data/";

std::vector<char> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ---- Pictures ----------------------------------------------------------

enum class Kind { Block, Glow, Background };

struct Picture {
    const char* path;
    int width;   // 0: any size
    int height;
    Kind kind;
};

// Every picture the game loads, with the size its drawing relies on.
const Picture kPictures[] = {
    {"gfx/blocks/block_red.bmp", 32, 32, Kind::Block},
    {"gfx/blocks/block_green.bmp", 32, 32, Kind::Block},
    {"gfx/blocks/block_blue.bmp", 32, 32, Kind::Block},
    {"gfx/blocks/block_yellow.bmp", 32, 32, Kind::Block},
    {"gfx/blocks/block_purple.bmp", 32, 32, Kind::Block},
    {"gfx/blocks/breaker_red.bmp", 32, 32, Kind::Glow},
    {"gfx/blocks/breaker_green.bmp", 32, 32, Kind::Glow},
    {"gfx/blocks/breaker_blue.bmp", 32, 32, Kind::Glow},
    {"gfx/blocks/breaker_yellow.bmp", 32, 32, Kind::Glow},
    {"gfx/blocks/breaker_purple.bmp", 32, 32, Kind::Glow},
    {"gfx/blocks/special_bomb.bmp", 32, 32, Kind::Glow},
    {"gfx/icons/win_circle.bmp", 0, 0, Kind::Glow},
    {"particles/generic_white.bmp", 0, 0, Kind::Glow},
    {"particles/generic_red.bmp", 0, 0, Kind::Glow},
    {"particles/generic_green.bmp", 0, 0, Kind::Glow},
    {"particles/generic_blue.bmp", 0, 0, Kind::Glow},
    {"particles/generic_yellow.bmp", 0, 0, Kind::Glow},
    {"particles/generic_orange.bmp", 0, 0, Kind::Glow},
    {"particles/generic_purple.bmp", 0, 0, Kind::Glow},
    {"particles/generic_pink.bmp", 0, 0, Kind::Glow},
    {"particles/testblob.bmp", 0, 0, Kind::Glow},
    {"particles/testparticle3.bmp", 0, 0, Kind::Glow},
    {"particles/testparticle.bmp", 0, 0, Kind::Glow},
    {"bg1.bmp", 0, 0, Kind::Background},
};

class AllegroPictures : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
        set_color_depth(32);
        set_color_conversion(COLORCONV_TOTAL);
    }
};

bool isMask(BITMAP* b, int x, int y) { return getpixel(b, x, y) == bitmap_mask_color(b); }

int brightness(BITMAP* b, int x, int y)
{
    const int c = getpixel(b, x, y);
    return std::max({getr32(c), getg32(c), getb32(c)});
}

// Checks one loaded picture against what its kind needs on screen.
void checkPicture(BITMAP* b, const std::string& name, Kind kind)
{
    int masked = 0;
    int lit = 0;
    double sum = 0;
    for (int y = 0; y < b->h; ++y)
        for (int x = 0; x < b->w; ++x) {
            if (isMask(b, x, y)) {
                ++masked;
                continue;
            }
            const int c = getpixel(b, x, y);
            sum += 0.3 * getr32(c) + 0.59 * getg32(c) + 0.11 * getb32(c);
            if (brightness(b, x, y) >= 200)
                ++lit;
        }
    const int corners[4][2] = {{0, 0}, {b->w - 1, 0}, {0, b->h - 1}, {b->w - 1, b->h - 1}};
    switch (kind) {
    case Kind::Block:
        // Copied opaquely: a mask pixel would show as magenta.
        EXPECT_EQ(masked, 0) << name;
        break;
    case Kind::Glow:
        // Added onto the board: see-through at the corners, bright inside.
        for (const auto& c : corners)
            EXPECT_TRUE(isMask(b, c[0], c[1])) << name << " corner " << c[0] << "," << c[1];
        EXPECT_GT(lit, 0) << name << " has no bright pixel";
        break;
    case Kind::Background:
        EXPECT_GE(b->w, 1024) << name;
        EXPECT_GE(b->h, 768) << name;
        EXPECT_EQ(masked, 0) << name;
        // Dark enough for the board and its text to stay readable.
        EXPECT_LT(sum / (b->w * b->h), 48.0) << name << " is too bright";
        EXPECT_GT(sum / (b->w * b->h), 4.0) << name << " is plain black";
        break;
    }
}

TEST_P(AllegroPictures, LoadsWithTheExpectedSizeAndLook)
{
    const Picture& p = kPictures[GetParam()];
    const std::string path = kData + p.path;
    BITMAP* b = load_bitmap(path.c_str(), nullptr);
    ASSERT_NE(b, nullptr) << path;
    if (p.width) {
        EXPECT_EQ(b->w, p.width) << path;
        EXPECT_EQ(b->h, p.height) << path;
    }
    checkPicture(b, p.path, p.kind);
    destroy_bitmap(b);
}

INSTANTIATE_TEST_SUITE_P(Data, AllegroPictures, ::testing::Range(0, static_cast<int>(std::size(kPictures))));

TEST_F(AllegroPictures, AtLeastThreeBackgroundsLoad)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(kData + "backgrounds")) {
        if (entry.path().extension() != ".bmp")
            continue;
        BITMAP* b = load_bitmap(entry.path().string().c_str(), nullptr);
        ASSERT_NE(b, nullptr) << entry.path();
        checkPicture(b, entry.path().filename().string(), Kind::Background);
        destroy_bitmap(b);
        ++count;
    }
    EXPECT_GE(count, 3);
}

// ---- Sounds ------------------------------------------------------------

const char* const kSounds[] = {
    "sound/energy_explosion.wav", "sound/rotate.wav", "sound/clink.wav",
    "sound/explode_big.wav", "sound/energy_disintegrate4.wav", "sound/energy_disintegrate5.wav",
    "sound/energy_huge.wav", "sound/lightning.wav", "sound/glassbreak.wav",
    "sound/common/menu_wake.wav", "sound/common/menu_back.wav",
};

struct Wav {
    int format = 0, channels = 0, rate = 0, bits = 0;
    std::vector<std::int16_t> samples;
};

std::uint32_t le(const std::vector<char>& d, size_t at, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(d[at + i]);
    return v;
}

// Walks the RIFF chunks; false when the file is not a RIFF WAVE.
bool parseWav(const std::vector<char>& d, Wav& out)
{
    if (d.size() < 12 || std::string(d.data(), 4) != "RIFF" || std::string(d.data() + 8, 4) != "WAVE")
        return false;
    for (size_t at = 12; at + 8 <= d.size();) {
        const std::string id(d.data() + at, 4);
        const size_t size = le(d, at + 4, 4);
        if (at + 8 + size > d.size())
            return false;
        if (id == "fmt " && size >= 16) {
            out.format = static_cast<int>(le(d, at + 8, 2));
            out.channels = static_cast<int>(le(d, at + 10, 2));
            out.rate = static_cast<int>(le(d, at + 12, 4));
            out.bits = static_cast<int>(le(d, at + 22, 2));
        } else if (id == "data") {
            for (size_t i = 0; i + 1 < size; i += 2)
                out.samples.push_back(static_cast<std::int16_t>(le(d, at + 8 + i, 2)));
        }
        at += 8 + size + (size & 1);
    }
    return true;
}

class Sounds : public ::testing::TestWithParam<const char*> {};

TEST_P(Sounds, AreShortCleanMono16BitPcm)
{
    const std::string path = kData + GetParam();
    Wav w;
    ASSERT_TRUE(parseWav(readFile(path), w)) << path;
    EXPECT_EQ(w.format, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.rate, 44100);
    EXPECT_EQ(w.bits, 16);
    ASSERT_FALSE(w.samples.empty());
    EXPECT_LT(w.samples.size(), 2u * 44100u) << "an effect lasts under two seconds";

    int peak = 0;
    for (std::int16_t s : w.samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_LT(peak, 32000) << "clipped";
    EXPECT_GT(peak, 3000) << "nearly silent";

    // Starts and ends at silence, so neither its start nor its end clicks:
    // the first samples rise from zero (an attack may be quick, but not a
    // jump) and the last five milliseconds are a quiet fade.
    EXPECT_LE(std::abs(static_cast<int>(w.samples.front())), 16);
    EXPECT_LE(std::abs(static_cast<int>(w.samples.back())), 16);
    for (size_t i = 0; i < 8; ++i)
        EXPECT_LE(std::abs(static_cast<int>(w.samples[i])), peak / 8) << "sample " << i;
    const size_t tail = std::min<size_t>(220, w.samples.size());
    for (size_t i = 0; i < tail; ++i)
        EXPECT_LE(std::abs(static_cast<int>(w.samples[w.samples.size() - 1 - i])), peak / 8) << "from end " << i;
}

INSTANTIATE_TEST_SUITE_P(Data, Sounds, ::testing::ValuesIn(kSounds));

// ---- Music -------------------------------------------------------------

TEST(Music, EveryModuleLoadsLastsAMinuteAndPlaysUnclipped)
{
    int modules = 0;
    for (const auto& entry : fs::directory_iterator(kData + "music/mod")) {
        const std::vector<char> bytes = readFile(entry.path());
        openmpt::module m(bytes.data(), bytes.size());
        EXPECT_GE(m.get_duration_seconds(), 60.0) << entry.path();
        EXPECT_GE(m.get_num_channels(), 4);

        // Twenty seconds of it: audible, never at full scale.
        std::vector<std::int16_t> buffer(2 * 44100);
        int peak = 0;
        for (int second = 0; second < 20; ++second) {
            const size_t frames = m.read_interleaved_stereo(44100, 44100, buffer.data());
            ASSERT_EQ(frames, 44100u);
            for (std::int16_t s : buffer)
                peak = std::max(peak, std::abs(static_cast<int>(s)));
        }
        EXPECT_GT(peak, 2000) << entry.path();
        EXPECT_LT(peak, 26000) << entry.path() << " leaves no room under the effects";
        ++modules;
    }
    EXPECT_GE(modules, 1);
}

// ---- Fonts -------------------------------------------------------------

class Fonts : public ::testing::TestWithParam<const char*> {};

TEST_P(Fonts, OpenAtEverySizeTheGameUses)
{
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face = nullptr;
    const std::string path = kData + GetParam();
    ASSERT_EQ(FT_New_Face(library, path.c_str(), 0, &face), 0) << path;
    EXPECT_TRUE(FT_IS_SCALABLE(face));
    for (int size : {12, 18, 24, 36, 48, 60, 72}) {
        ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, size), 0) << size;
        for (char ch : std::string("Score 0123456789 Danger: x%i Combo")) {
            const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<FT_ULong>(ch));
            ASSERT_NE(glyph, 0u) << "no glyph for '" << ch << "'";
            ASSERT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_DEFAULT), 0);
            ASSERT_EQ(FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL), 0);
        }
        EXPECT_GT(face->size->metrics.height >> 6, size - 1) << size;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

INSTANTIATE_TEST_SUITE_P(Data, Fonts, ::testing::Values("fonts/trebuc.ttf", "fonts/BNKGOTHM.ttf"));

// ---- The generator -----------------------------------------------------

std::map<std::string, std::vector<char>> readTree(const fs::path& root)
{
    std::map<std::string, std::vector<char>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), root).generic_string()] = readFile(entry.path());
    return files;
}

TEST(Generator, WritesTheSameBytesOnEveryRunAndMatchesTheStagedData)
{
    const fs::path scratch = fs::temp_directory_path() / ("tessaron_assets_" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    const std::string tool = TESSARON_ASSETS_TOOL;
    for (const char* run : {"a", "b"}) {
        const std::string command = "\"" + tool + "\" \"" + (scratch / run).string() + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    const auto a = readTree(scratch / "a");
    const auto b = readTree(scratch / "b");
    fs::remove_all(scratch);
    ASSERT_FALSE(a.empty());
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [name, bytes] : a) {
        ASSERT_TRUE(b.count(name)) << name;
        EXPECT_TRUE(bytes == b.at(name)) << name << " differs between two runs";
        const fs::path staged = kData + name;
        EXPECT_TRUE(fs::exists(staged)) << name << " is not staged";
        EXPECT_TRUE(readFile(staged) == bytes) << name << " is stale in the staged data";
    }
    // Every picture and sound the game opens is among what the tool writes.
    for (const Picture& p : kPictures)
        EXPECT_TRUE(a.count(p.path)) << p.path;
    for (const char* s : kSounds)
        EXPECT_TRUE(a.count(s)) << s;
}

} // namespace
