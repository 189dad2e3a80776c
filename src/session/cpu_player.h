// CpuPlayer: a computer player for one board.  For each new pair it picks a
// column and a turn, then plays there through the keys a person has: fresh
// presses to move and turn (with a released step between two presses) and
// a held drop key.  It sees its board (grid, falling and next pair, blocks
// waiting to drop), never the game's future random draws, and uses its own
// small generator, never the RandomSource, so a run repeats exactly.
// Level 0 is the simulator's quick bot; levels 1 to 5 are the versus
// opponent, from slow and careless to fast, chain-minded and exact.
// Depends on the board only.  Logic thread only; nothing can fail.
#pragma once

#include <cstdint>

namespace tessaron {

class Board;
struct LiveInput;

// The five keys a player steers with (scancodes).
struct PlayerKeys {
    int left;
    int right;
    int softDrop;
    int hardDrop;
    int rotate;
};

class CpuPlayer {
public:
    static constexpr int MinLevel = 1;
    static constexpr int MaxLevel = 5;

    // Level outside 0..5 plays as level 3.
    CpuPlayer(std::uint32_t seed, int level, const PlayerKeys& keys);
    // Sets this player's five keys in `live` for the coming controls.
    void steer(const Board& board, LiveInput& live);

private:
    struct Choice {
        int column;
        int rotation;
    };
    std::uint32_t next();
    bool chance(int percent);
    void plan(const Board& board);
    Choice planQuick(const Board& board);
    Choice planSearch(const Board& board);

    std::uint32_t state_;
    int level_;
    PlayerKeys keys_;
    bool planned_ = false;
    int lastAge_ = 0;
    Choice target_{3, 0};
    int stepsOnPair_ = 0;
    int wait_ = 0;
    int drop_ = 0;  // 0 none, 1 soft, 2 hard
};

} // namespace tessaron
