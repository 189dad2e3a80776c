#include "shell/game_config.h"

#include <allegro.h>

#include <algorithm>
#include <climits>

namespace tessaron {

namespace {

// A key's value as a number, or the fallback when the key is missing or
// its value empty.
int readNumber(const char* section, const char* key, int fallback) {
    const char* text = get_config_string(section, key, nullptr);
    return text && *text ? parseSettingNumber(text) : fallback;
}

} // namespace

int parseSettingNumber(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    // The magnitude, held just past the int range once it gets there.
    constexpr long long Past = static_cast<long long>(INT_MAX) + 2;
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) value = std::min(value * 10 + (*text - '0'), Past);
    if (negative) value = -value;
    return static_cast<int>(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

int normaliseColourDepth(int bitsPerPixel) {
    return (bitsPerPixel == 16 || bitsPerPixel == 32) ? bitsPerPixel : 32;
}

bool screenSizeUsable(int width, int height) {
    return width >= 1 && height >= 1 && width <= MaxScreenSide && height <= MaxScreenSide;
}

GameConfig readGameConfig(const char* path) {
    GameConfig defaults;
    GameConfig config;
    // Allegro keeps a missing file as an empty configuration, so every key
    // then takes its default.  It reads only as many bytes as the file's
    // size, so a pipe (size 0) reads as empty rather than blocking.
    set_config_file(path);
    config.sound = readNumber("Audio", "sound", defaults.sound);
    config.vidQuality = normaliseColourDepth(readNumber("Video", "vid_quality", defaults.vidQuality));
    config.screenWidth = readNumber("Video", "screen_width", defaults.screenWidth);
    config.screenHeight = readNumber("Video", "screen_height", defaults.screenHeight);
    config.fullscreen = readNumber("Video", "fullscreen", defaults.fullscreen);
    config.versus.opponent = readNumber("Game", "opponent", defaults.versus.opponent);
    // A player on another machine: a versus of two players, over the network.
    config.online.on = config.versus.opponent == OnlineOpponent;
    if (config.online.on) config.versus.opponent = 2;
    config.versus.cpuLevel = readNumber("Game", "cpu_level", defaults.versus.cpuLevel);
    config.versus.roundsToWin = readNumber("Game", "rounds_to_win", defaults.versus.roundsToWin);
    config.versus = config.versus.normalised();
    config.online.host = get_config_string("Net", "host", "");
    const int port = readNumber("Net", "port", defaults.online.port);
    if (port >= 1 && port <= 65535) config.online.port = port;
    const int delay = readNumber("Net", "input_delay", defaults.online.inputDelay);
    if (delay >= 0 && delay <= net::MaxInputDelay) config.online.inputDelay = delay;
    config.online.roundsToWin = config.versus.roundsToWin;
    return config;
}

} // namespace tessaron
