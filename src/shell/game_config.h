// GameConfig: the settings read once at start-up from cfg/config.cfg.
// Depends on Allegro's configuration reader.  Main thread only.  A missing
// file, key or value takes the key's default; a value that is not a number
// reads as 0 (a screen size of 0 is then a mode that cannot be set).
#pragma once

namespace tessaron {

struct GameConfig {
    int sound = 1;          // [Audio] sound: 0 switches all audio off
    int vidQuality = 32;    // [Video] vid_quality: 16 or 32 bits per pixel
    int screenWidth = 1024; // [Video] screen_width
    int screenHeight = 768; // [Video] screen_height
    int fullscreen = 1;     // [Video] fullscreen: > 0 full screen, else windowed
    int opponent = 0;       // [Game] opponent: 0 none, 1 the computer, 2 a second player
    int cpuLevel = 3;       // [Game] cpu_level: 1..5
    int roundsToWin = 3;    // [Game] rounds_to_win: 1..5
};

// The largest side a screen may have: the back buffer and the other
// screen-sized bitmaps must still be creatable at this size.
constexpr int MaxScreenSide = 16384;

// Any depth other than 16 or 32 runs at 32.
int normaliseColourDepth(int bitsPerPixel);

// True when a window or screen of this size can hold the game's bitmaps.
bool screenSizeUsable(int width, int height);

// Selects `path` as Allegro's configuration file and reads the keys in the
// order of the settings table; the colour depth comes back normalised, and
// a [Game] value outside its range as its default.
GameConfig readGameConfig(const char* path);

} // namespace tessaron
