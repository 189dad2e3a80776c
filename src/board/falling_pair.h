// FallingPair: the two cells the player steers (pivot and satellite), and the
// preview pair beside the grid.  Starting, falling, moving, turning and
// dropping; the landing check and the lock run on the Board (board.h)
// because they read its grid.  Draws from the RandomSource when it starts;
// plays the rotate sound through the sound seam.  Stepped by the thread
// of its match, like the board.
#pragma once

#include <cstdint>

#include "board/cell.h"

namespace tessaron {

// Where the satellite stands around the pivot.
enum PairRotation : std::int32_t {
    RotationAbove = 0,
    RotationRight = 1,
    RotationBelow = 2,
    RotationLeft = 3,
};

struct FallingPair {
    std::int32_t column = 3;       // the pivot's column, 0..7
    std::int32_t spawnRow = 0;     // row the pivot starts at (-1 after respawn)
    std::int32_t rotation = RotationAbove;
    std::int32_t age = 0;          // update calls since the pair started
    std::uint8_t touching = 0;     // rests on a block or the bottom row
    std::int32_t lockDelay = 10;   // touching steps left before the lock
    std::uint8_t locked = 0;
    std::uint8_t hardDropping = 0;
    std::uint8_t blockedLeft = 0;
    std::uint8_t blockedRight = 0;
    std::uint8_t active = 1;
    std::uint8_t preview = 0;      // the next-pair display: never moves
    Cell pivot;
    Cell satellite;

    // Starts a new pair (a preview pair only draws new blocks).
    void respawn();
    // One step: age, animation, placement, fall, lock countdown.
    void update();
    void moveLeft();
    void moveRight();
    void softDrop();
    void hardDrop();
    // A quarter turn clockwise with the wall kicks and the lift.
    void rotate();

    // Column and row offsets of the satellite from the pivot for a rotation.
    static int satelliteColumnOffset(int rotation);
    static int satelliteRowOffset(int rotation);
};

} // namespace tessaron
