// The settings file: defaults, the colour-depth rule, garbage values and the
// screen sizes the game refuses.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/game_config.h"

namespace tessaron {
namespace {

class GameConfigTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { install_allegro(SYSTEM_NONE, &errno, atexit); }

    std::string writeConfig(const std::string& text) {
        std::string path = ::testing::TempDir() + "tessaron_config_test.cfg";
        FILE* file = std::fopen(path.c_str(), "w");
        std::fputs(text.c_str(), file);
        std::fclose(file);
        return path;
    }
};

TEST_F(GameConfigTest, ColourDepthRule) {
    struct Row { int in, out; } rows[] = {{16, 16}, {32, 32}, {24, 32}, {15, 32}, {8, 32}, {0, 32}, {-16, 32}};
    for (const Row& row : rows) EXPECT_EQ(normaliseColourDepth(row.in), row.out) << row.in;
}

TEST_F(GameConfigTest, MissingFileTakesEveryDefault) {
    GameConfig config = readGameConfig("/nonexistent/tessaron/config.cfg");
    EXPECT_EQ(config.sound, 1);
    EXPECT_EQ(config.vidQuality, 32);
    EXPECT_EQ(config.screenWidth, 1024);
    EXPECT_EQ(config.screenHeight, 768);
    EXPECT_EQ(config.fullscreen, 1);
}

TEST_F(GameConfigTest, ReadsKeysAndDefaultsTheMissingOnes) {
    GameConfig config = readGameConfig(writeConfig("[Audio]\nsound = 0\n[Video]\nvid_quality = 16\nscreen_width = 800\n").c_str());
    EXPECT_EQ(config.sound, 0);
    EXPECT_EQ(config.vidQuality, 16);
    EXPECT_EQ(config.screenWidth, 800);
    EXPECT_EQ(config.screenHeight, 768);
    EXPECT_EQ(config.fullscreen, 1);
}

TEST_F(GameConfigTest, GarbageNeverCrashesAndDepthFallsBackTo32) {
    GameConfig config = readGameConfig(
        writeConfig("[Video]\nvid_quality = deep\nscreen_width = wide\nfullscreen\n\x01\x02[[[\n").c_str());
    EXPECT_EQ(config.vidQuality, 32);
    EXPECT_FALSE(screenSizeUsable(config.screenWidth, config.screenHeight));
}

// Numbers are decimal, and one past the int range saturates (and is then
// refused as a screen size) instead of wrapping to a usable size.
TEST_F(GameConfigTest, NumbersAreDecimalAndNeverWrap) {
    struct Row { const char* text; int width; } rows[] = {
        {"01024", 1024}, {"0x400", 0}, {"+800 px", 800}, {"", 1024},  // empty: the default
        {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"4294968320", INT_MAX},  // the edge, one past, a wrap
        {"-2147483648", INT_MIN}, {"-2147483649", INT_MIN}, {"-99999999999999999999", INT_MIN},
    };
    for (const Row& row : rows) {
        const GameConfig config = readGameConfig(writeConfig(std::string("[Video]\nscreen_width = ") + row.text + "\n").c_str());
        EXPECT_EQ(config.screenWidth, row.width) << row.text;
    }
}

TEST_F(GameConfigTest, ScreenSizesTheBitmapsCannotTake) {
    EXPECT_TRUE(screenSizeUsable(1, 1));
    EXPECT_TRUE(screenSizeUsable(1024, 768));
    EXPECT_TRUE(screenSizeUsable(MaxScreenSide, MaxScreenSide));
    EXPECT_FALSE(screenSizeUsable(0, 768));
    EXPECT_FALSE(screenSizeUsable(1024, -1));
    EXPECT_FALSE(screenSizeUsable(MaxScreenSide + 1, 768));
}

} // namespace
} // namespace tessaron
