// Player controls: once per unpaused logic step a board reads its keys (or
// its joystick) and moves, turns and drops its pair; Enter adds blocks to
// drop on board 0 (side 0's keyboard only).  Reads the live input and the snapshots
// (session/logic_globals.h); draws from the RandomSource for Enter.
// Logic thread only.
#pragma once

#include <cstdint>

namespace tessaron {

class Board;

enum ControlMode : std::int32_t {
    ControlKeyboard = 0,
    ControlNone = 1,
    ControlJoystick = 2,
};

// Board 0's keys read the live keyboard; a board whose keys another source
// holds (the computer player) passes its own live state and snapshot.
void applyControls(Board& board);
struct LiveInput;
struct KeySnapshot;
void applyControls(Board& board, const LiveInput& live, const KeySnapshot& keys);

} // namespace tessaron
