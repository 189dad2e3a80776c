// CpuPlayer: a computer player for one board.  For each new pair it picks a
// column and a turn, then plays there through the keys a person has: fresh
// presses to move and turn (with a released step between two presses) and
// a held drop key.  It sees its board (grid, falling and next pair, blocks
// waiting to drop), never the game's future random draws, and uses its own
// small generator, never the RandomSource, so a run repeats exactly.
// Level 0 is the simulator's quick bot; levels 1 to 5 are the versus
// opponent, from slow and careless to fast, chain-minded and exact.
// Depends on the board only.  Part of its match's state, stepped with it;
// nothing can fail.
#pragma once

#include <cstdint>

namespace tessaron {

class Board;

class CpuPlayer {
public:
    static constexpr int MinLevel = 1;
    static constexpr int MaxLevel = 5;

    struct Choice {
        std::int32_t column;
        std::int32_t rotation;
    };

    // Level outside 0..5 plays as level 3.
    CpuPlayer(std::uint32_t seed, int level);
    // Sets the five steering bits of `held` (SideKey, session/input.h) for
    // the coming controls; the other bits stay.
    void steer(const Board& board, std::uint8_t& held);

private:
    std::uint32_t next();
    bool chance(int percent);
    void plan(const Board& board);
    Choice planQuick(const Board& board);
    Choice planSearch(const Board& board);


public:
    // What it has in mind between steps: public so that the match's state
    // can be compared, hashed and written field by field.
    std::uint32_t state_;
    std::int32_t level_;
    bool planned_ = false;
    std::int32_t lastAge_ = 0;
    Choice target_{3, 0};
    std::int32_t stepsOnPair_ = 0;
    std::int32_t wait_ = 0;
    std::int32_t drop_ = 0;  // 0 none, 1 soft, 2 hard
};

} // namespace tessaron
