#include "shell/game_config.h"

#include <allegro.h>

#include "session/match_logic.h"

namespace tessaron {

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
    // then takes its default; a garbage value reads as 0 through strtol, which
    // the rules below treat like any other number.
    set_config_file(path);
    config.sound = get_config_int("Audio", "sound", defaults.sound);
    config.vidQuality = normaliseColourDepth(get_config_int("Video", "vid_quality", defaults.vidQuality));
    config.screenWidth = get_config_int("Video", "screen_width", defaults.screenWidth);
    config.screenHeight = get_config_int("Video", "screen_height", defaults.screenHeight);
    config.fullscreen = get_config_int("Video", "fullscreen", defaults.fullscreen);
    VersusOptions versus;
    versus.opponent = get_config_int("Game", "opponent", defaults.opponent);
    versus.cpuLevel = get_config_int("Game", "cpu_level", defaults.cpuLevel);
    versus.roundsToWin = get_config_int("Game", "rounds_to_win", defaults.roundsToWin);
    versus = versus.normalised();
    config.opponent = versus.opponent;
    config.cpuLevel = versus.cpuLevel;
    config.roundsToWin = versus.roundsToWin;
    return config;
}

} // namespace tessaron
