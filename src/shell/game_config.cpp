#include "shell/game_config.h"

#include <allegro.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

namespace tessaron {

namespace {

// A key's value as a number, or the fallback when the key is missing or
// its value empty.
int readNumber(const char* section, const char* key, int fallback) {
    const char* text = get_config_string(section, key, nullptr);
    return text && *text ? parseSettingNumber(text) : fallback;
}

// One line naming a value of the file that is out of range (as written: at
// most 40 characters, anything but printable ASCII as '?') and the default
// played with instead.
void reportDefaultUsed(const char* path, const char* section, const char* key, int fallback) {
    std::string shown;
    for (const char* c = get_config_string(section, key, ""); *c && shown.size() < 40; ++c)
        shown += *c >= ' ' && *c <= '~' ? *c : '?';
    std::fprintf(stderr, "Tessaron: %s: [%s] %s = %s is out of range; using the default %d\n", path, section, key,
                 shown.c_str(), fallback);
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

bool versusScreenFits(int width, int height) { return width >= MinVersusWidth && height >= MinVersusHeight; }

GameConfig readGameConfig(const char* path) {
    GameConfig defaults;
    GameConfig config;
    // Allegro keeps a missing file as an empty configuration, so every key
    // then takes its default.  It reads only as many bytes as the file's
    // size, so a pipe (size 0) reads as empty rather than blocking.
    set_config_file(path);
    config.sound = readNumber("Audio", "sound", defaults.sound);
    const int depth = readNumber("Video", "vid_quality", defaults.vidQuality);
    config.vidQuality = normaliseColourDepth(depth);
    if (config.vidQuality != depth) reportDefaultUsed(path, "Video", "vid_quality", config.vidQuality);
    config.screenWidth = readNumber("Video", "screen_width", defaults.screenWidth);
    config.screenHeight = readNumber("Video", "screen_height", defaults.screenHeight);
    config.fullscreen = readNumber("Video", "fullscreen", defaults.fullscreen);
    VersusOptions& read = config.versus;
    read.opponent = readNumber("Game", "opponent", defaults.versus.opponent);
    // A player on another machine: a versus of two players, over the network.
    config.online.on = read.opponent == OnlineOpponent;
    if (config.online.on) read.opponent = 2;
    read.cpuLevel = readNumber("Game", "cpu_level", defaults.versus.cpuLevel);
    read.roundsToWin = readNumber("Game", "rounds_to_win", defaults.versus.roundsToWin);
    const VersusOptions kept = read.normalised();
    if (kept.opponent != read.opponent) reportDefaultUsed(path, "Game", "opponent", kept.opponent);
    if (kept.cpuLevel != read.cpuLevel) reportDefaultUsed(path, "Game", "cpu_level", kept.cpuLevel);
    if (kept.roundsToWin != read.roundsToWin) reportDefaultUsed(path, "Game", "rounds_to_win", kept.roundsToWin);
    config.versus = kept;
    config.recordReplays = readNumber("Game", "record_replays", defaults.recordReplays) == 1 ? 1 : 0;
    config.replay = get_config_string("Game", "replay", "");
    config.online.host = get_config_string("Net", "host", "");
    config.online.port = readNumber("Net", "port", defaults.online.port);
    if (config.online.port < 1 || config.online.port > 65535) {
        config.online.port = defaults.online.port;
        reportDefaultUsed(path, "Net", "port", config.online.port);
    }
    config.online.inputDelay = readNumber("Net", "input_delay", defaults.online.inputDelay);
    if (config.online.inputDelay < 0 || config.online.inputDelay > net::MaxInputDelay) {
        config.online.inputDelay = defaults.online.inputDelay;
        reportDefaultUsed(path, "Net", "input_delay", config.online.inputDelay);
    }
    config.online.roundsToWin = config.versus.roundsToWin;
    return config;
}

} // namespace tessaron
