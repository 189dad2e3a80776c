// The settings file: defaults, the colour-depth rule, garbage values, values
// out of range and the screen sizes the game refuses.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "shell/game_config.h"

namespace tessaron {
namespace {

TEST(GameConfig, ColourDepthRule) {
    std::vector<int> depths;
    for (int in : {16, 32, 24, 15, 8, 0, -16}) depths.push_back(normaliseColourDepth(in));
    EXPECT_EQ(depths, std::vector<int>({16, 32, 32, 32, 32, 32, 32}));
}

// A missing file, some keys, garbage; numbers are decimal, and one past the
// int range saturates (and is then refused as a screen size) instead of
// wrapping to a usable size.  A depth or a [Game] value outside what its key
// allows plays as the default, and one line says so, quoting the value as
// written (bounded and printable).  Each [Game] key arrives from its own
// section, at the edges of its range; opponent 3 is a versus of two players
// over the network, and each [Net] value is taken at its limits and refused
// one past them.
TEST(GameConfig, ReadsKeysDefaultsTheRestAndNeverWraps) {
    install_allegro(SYSTEM_NONE, &errno, atexit);
    const std::string path = ::testing::TempDir() + "tessaron_config_test.cfg";
    const std::string says = "Tessaron: " + path + ": ";
    const struct Row {
        const char* text;  // nullptr: no file
        std::vector<int> want;  // sound, depth, width, height, fullscreen
        std::vector<int> game = {0, 3, 3, 0};  // opponent, level, rounds, recording replays
        std::string lines = "";  // on stderr, each after "Tessaron: PATH: "
        std::string replay = "";  // the replay to watch
        std::string online = "0  7340 1 3";  // online, host, port, input delay, rounds to win
    } rows[] = {
        {nullptr, {1, 32, 1024, 768, 1}},
        {"[Audio]\nsound = 0\n[Video]\nvid_quality = 16\nscreen_width = 800\n", {0, 16, 800, 768, 1}},
        {"[Video]\nvid_quality = deep\nscreen_width = wide\nfullscreen\n\x01\x02[[[\n", {1, 32, 0, 768, 1}, {0, 3, 3, 0},
         "[Video] vid_quality = deep is out of range; using the default 32\n"},
        {"[Video]\nscreen_width = 01024\n", {1, 32, 1024, 768, 1}},
        {"[Video]\nscreen_width = 0x400\n", {1, 32, 0, 768, 1}},
        {"[Video]\nscreen_width = +800 px\n", {1, 32, 800, 768, 1}},
        {"[Video]\nscreen_width = \n", {1, 32, 1024, 768, 1}},  // empty: the default
        {"[Video]\nscreen_width = 2147483647\n", {1, 32, INT_MAX, 768, 1}},
        {"[Video]\nscreen_width = 2147483648\n", {1, 32, INT_MAX, 768, 1}},
        {"[Video]\nscreen_width = 4294968320\n", {1, 32, INT_MAX, 768, 1}},
        {"[Video]\nscreen_width = -2147483648\n", {1, 32, INT_MIN, 768, 1}},
        {"[Video]\nscreen_width = -2147483649\n", {1, 32, INT_MIN, 768, 1}},
        {"[Video]\nscreen_width = -99999999999999999999\n", {1, 32, INT_MIN, 768, 1}},
        {"[Game]\nopponent = 2\ncpu_level = 1\nrounds_to_win = 5\n[Net]\nport = 9\n", {1, 32, 1024, 768, 1}, {2, 1, 5, 0},
         "", "", "0  9 1 5"},
        {"[Game]\nopponent = 3\nrounds_to_win = 1\n[Net]\nhost = example.org\nport = 65535\ninput_delay = 4\n",
         {1, 32, 1024, 768, 1}, {2, 3, 1, 0}, "", "", "1 example.org 65535 4 1"},
        {"[Game]\nopponent = 3\n[Net]\nport = 1\ninput_delay = 0\n", {1, 32, 1024, 768, 1}, {2, 3, 3, 0}, "", "",
         "1  1 0 3"},
        {"[Net]\nport = 65536\ninput_delay = 5\n", {1, 32, 1024, 768, 1}, {0, 3, 3, 0},
         "[Net] port = 65536 is out of range; using the default 7340\n"
         "[Net] input_delay = 5 is out of range; using the default 1\n"},
        {"[Net]\nport = 0\ninput_delay = -1\n", {1, 32, 1024, 768, 1}, {0, 3, 3, 0},
         "[Net] port = 0 is out of range; using the default 7340\n"
         "[Net] input_delay = -1 is out of range; using the default 1\n"},
        {"[Game]\nopponent = 0\ncpu_level = 5\nrounds_to_win = 1\nrecord_replays = 1\n", {1, 32, 1024, 768, 1},
         {0, 5, 1, 1}, "", "", "0  7340 1 1"},
        // Recording only at exactly 1; the replay to watch as written.
        {"[Game]\nrecord_replays = 2\nreplay = replays/a b.replay\n", {1, 32, 1024, 768, 1}, {0, 3, 3, 0}, "",
         "replays/a b.replay"},
        {"[Game]\nopponent = -1\nrounds_to_win = 0\n", {1, 32, 1024, 768, 1}, {0, 3, 3, 0},
         "[Game] opponent = -1 is out of range; using the default 0\n"
         "[Game] rounds_to_win = 0 is out of range; using the default 3\n"},
        {"[Video]\nvid_quality = 24\n[Game]\nopponent = 4\ncpu_level = 0\nrounds_to_win = 6\n", {1, 32, 1024, 768, 1},
         {0, 3, 3, 0},
         "[Video] vid_quality = 24 is out of range; using the default 32\n"
         "[Game] opponent = 4 is out of range; using the default 0\n"
         "[Game] cpu_level = 0 is out of range; using the default 3\n"
         "[Game] rounds_to_win = 6 is out of range; using the default 3\n"},
        {"[Game]\ncpu_level = nine\x7f\x1b[2J 7777777777777777777777777777777777777777\n", {1, 32, 1024, 768, 1}, {0, 3, 3, 0},
         "[Game] cpu_level = nine??[2J 777777777777777777777777777777 is out of range; using the default 3\n"},
    };
    for (const Row& row : rows) {
        if (row.text) {
            FILE* file = std::fopen(path.c_str(), "w");
            std::fputs(row.text, file);
            std::fclose(file);
        }
        testing::internal::CaptureStderr();
        const GameConfig c = readGameConfig(row.text ? path.c_str() : "/nonexistent/tessaron/config.cfg");
        std::string lines = testing::internal::GetCapturedStderr();
        for (std::size_t at; (at = lines.find(says)) != std::string::npos;) lines.erase(at, says.size());
        const char* shown = row.text ? row.text : "no file";
        EXPECT_EQ(std::vector<int>({c.sound, c.vidQuality, c.screenWidth, c.screenHeight, c.fullscreen}), row.want)
            << shown;
        EXPECT_EQ(std::vector<int>({c.versus.opponent, c.versus.cpuLevel, c.versus.roundsToWin, c.recordReplays}),
                  row.game) << shown;
        EXPECT_EQ(std::make_pair(lines, c.replay), std::make_pair(row.lines, row.replay)) << shown;
        EXPECT_EQ(std::to_string(c.online.on) + " " + c.online.host + " " + std::to_string(c.online.port) + " " +
                      std::to_string(c.online.inputDelay) + " " + std::to_string(c.online.roundsToWin), row.online)
            << shown;
    }
}

// Each side held to its own limits, at the limit and one past it: the
// screen's bitmaps, and the room two boards need.
TEST(GameConfig, EachScreenSideAtItsLimits) {
    const struct Row { int w, h; bool usable, versus; } rows[] = {
        {1, 1, true, false},          {0, 768, false, false},        {1024, 0, false, false},
        {MaxScreenSide, MaxScreenSide, true, true}, {MaxScreenSide + 1, 768, false, true},
        {1024, MaxScreenSide + 1, false, true},     {800, 600, true, true},
        {799, 600, true, false},      {800, 599, true, false}};
    for (const Row& r : rows)
        EXPECT_EQ(std::make_pair(screenSizeUsable(r.w, r.h), versusScreenFits(r.w, r.h)),
                  std::make_pair(r.usable, r.versus)) << r.w << " x " << r.h;
}

} // namespace
} // namespace tessaron
