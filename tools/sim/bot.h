// The simulator's built-in player: picks a column and a turn for each new
// pair (it likes to put breakers against their colour and to build groups
// low in the grid), then steers there with fresh key presses and drops.
// It uses its own small generator, never the game's RandomSource.
#pragma once

#include <cstdint>

namespace tessaron {

class Board;
struct LiveInput;

namespace sim {

class Bot {
public:
    explicit Bot(std::uint32_t seed);
    // Sets the arrow and Space keys of `live` for this step.
    void steer(const Board& board, LiveInput& live);

private:
    std::uint32_t next();
    void plan(const Board& board);

    std::uint32_t state_;
    bool planned_ = false;
    int lastAge_ = 0;
    int targetColumn_ = 3;
    int targetRotation_ = 0;
    int stepsOnPair_ = 0;
    bool hardDrop_ = false;
    bool pressedLast_ = false;
};

} // namespace sim
} // namespace tessaron
