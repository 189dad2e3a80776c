#include "session/controls.h"

#include "board/board.h"
#include "board/match_context.h"
#include "session/input.h"

namespace tessaron {

void applyControls(Board& board, const StepInput& now, const KeySnapshot& keys, const JoystickSnapshot& joystick) {
    if (board.frozen || !board.pair.active) return;
    FallingPair& pair = board.pair;
    const int side = board.side == 0 ? 0 : 1;
    if (board.controlMode == ControlKeyboard) {
        if (keys.newlyPressed(now, side, SideLeft)) pair.moveLeft();
        if (keys.newlyPressed(now, side, SideRight)) pair.moveRight();
        if (KeySnapshot::down(now, side, SideSoftDrop)) pair.softDrop();
        if (KeySnapshot::down(now, side, SideHardDrop)) pair.hardDrop();
        if (keys.newlyPressed(now, side, SideRotate)) pair.rotate();
        if (keys.newlyPressed(now, side, SideDrop)) matchPlayer(side).addPendingDrops(matchRandom().randomInt(2, 8));
    } else if (board.controlMode == ControlJoystick) {
        const std::uint16_t stick = now.joysticks[side];
        if (joystick.newlyActive(stick, JoyLeft)) pair.moveLeft();
        if (joystick.newlyActive(stick, JoyRight)) pair.moveRight();
        if (JoystickSnapshot::active(stick, JoyDown)) pair.softDrop();
        if (JoystickSnapshot::active(stick, JoyUp)) pair.hardDrop();
        if (joystick.newlyActive(stick, JoyButton0)) pair.rotate();
    }
}

} // namespace tessaron
