// Player controls: once per unpaused logic step a board reads its side's
// keys (or its joystick) from the step's input and moves, turns and drops
// its pair; Enter adds blocks to drop on the side's own board, drawing their
// number from the match's random stream (board/match_context.h).
#pragma once

#include <cstdint>

namespace tessaron {

class Board;
struct StepInput;
struct KeySnapshot;
struct JoystickSnapshot;

enum ControlMode : std::int32_t {
    ControlKeyboard = 0,
    ControlNone = 1,
    ControlJoystick = 2,
};

// `keys` and `joystick` hold the previous step's state of the board's side.
void applyControls(Board& board, const StepInput& now, const KeySnapshot& keys, const JoystickSnapshot& joystick);

} // namespace tessaron
