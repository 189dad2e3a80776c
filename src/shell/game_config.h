// GameConfig: the settings read once at start-up from cfg/config.cfg.
// Depends on Allegro's configuration reader.  Main thread only.  A missing
// file, key or value takes the key's default; a value out of its range
// takes it too, with one line on standard error.  Values are decimal
// (a leading zero does not make them octal); a value that is not a number
// reads as 0 (a screen size of 0 is then a mode that cannot be set), and one
// past the int range reads as INT_MAX or INT_MIN, never wrapped.
#pragma once

#include <string>

#include "net/online_play.h"
#include "session/match_state.h"

namespace tessaron {

struct GameConfig {
    int sound = 1;          // [Audio] sound: 0 switches all audio off
    int vidQuality = 32;    // [Video] vid_quality: 16 or 32 bits per pixel
    int screenWidth = 1024; // [Video] screen_width
    int screenHeight = 768; // [Video] screen_height
    int fullscreen = 1;     // [Video] fullscreen: > 0 full screen, else windowed
    VersusOptions versus;   // [Game] opponent, cpu_level, rounds_to_win
    int recordReplays = 0;  // [Game] record_replays: 1 writes every match into replays/
    std::string replay;     // [Game] replay: a replay file to watch instead of playing
    std::string recordPath; // --record FILE: the whole run written as one replay
    bool replayLast = false;  // --last-replay: watch the newest file in replays/
    // [Game] opponent = 3 (a player on another machine: versus then holds a
    // second player) and the [Net] section: host, port, input_delay.
    net::OnlineSettings online;
};

// The largest side a screen may have.  A frame may have to be composed
// whole in a screen-sized back buffer (the first always is), and the match runs at most one logic step per
// frame, so a frame must be composed within a step (40 ms) or the game slows
// down: measured on a 2-core machine, 4096 x 4096 takes about that long and
// 8192 x 8192 three times as long.  4096 still takes the 4K screens.
constexpr int MaxScreenSide = 4096;

// [Game] opponent: a player on another machine.
constexpr int OnlineOpponent = 3;

// Any depth other than 16 or 32 runs at 32.
int normaliseColourDepth(int bitsPerPixel);

// A setting's text as a number: optional blanks and sign, then decimal
// digits up to the first other character; none reads as 0, and a number
// past the int range saturates.
int parseSettingNumber(const char* text);

// True when a window or screen of this size can hold the game's bitmaps.
bool screenSizeUsable(int width, int height);

// The smallest screen that holds both boards of a versus match with their
// name tags, preview boxes and the messages below them.
constexpr int MinVersusWidth = 800;
constexpr int MinVersusHeight = 600;

// True when a screen of this size holds both boards of a versus match.
bool versusScreenFits(int width, int height);

// Selects `path` as Allegro's configuration file and reads the keys in the
// order of the settings table.  A colour depth other than 16 or 32, and a
// [Game] value outside its range, come back as the key's default, and one
// line on standard error names the key, the value and the default.
GameConfig readGameConfig(const char* path);

} // namespace tessaron
