// Player controls: once per unpaused logic step a board reads its keys (or
// its joystick) and moves, turns and drops its pair; Enter adds blocks to
// drop on board 0 (read by side 0 only).  Reads the live input and the
// snapshots (session/logic_globals.h); draws from the RandomSource for Enter.
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

// The first reads the live keyboard and its snapshot; the computer player
// passes the keys it holds and their own snapshot to the second.
void applyControls(Board& board);
struct LiveInput;
struct KeySnapshot;
void applyControls(Board& board, const LiveInput& live, const KeySnapshot& keys);

} // namespace tessaron
