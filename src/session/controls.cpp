#include "session/controls.h"

#include "board/board.h"
#include "session/logic_globals.h"

namespace tessaron {

void applyControls(Board& board) {
    if (board.frozen || !board.pair.active) return;
    FallingPair& pair = board.pair;
    if (board.controlMode == ControlKeyboard) {
        if (Keys.newlyPressed(Live, board.keyLeft)) pair.moveLeft();
        if (Keys.newlyPressed(Live, board.keyRight)) pair.moveRight();
        if (KeySnapshot::down(Live, board.keySoftDrop)) pair.softDrop();
        if (KeySnapshot::down(Live, board.keyHardDrop)) pair.hardDrop();
        if (Keys.newlyPressed(Live, board.keyRotate)) pair.rotate();
        if (Keys.newlyPressed(Live, ScanEnter)) Players[0].addPendingDrops(Random.randomInt(2, 8));
    } else if (board.controlMode == ControlJoystick) {
        const JoystickSnapshot& joy = Joysticks[board.side == 0 ? 0 : 1];
        if (joy.newlyActive(JoyLeft)) pair.moveLeft();
        if (joy.newlyActive(JoyRight)) pair.moveRight();
        if (joy.active(JoyDown)) pair.softDrop();
        if (joy.active(JoyUp)) pair.hardDrop();
        if (joy.newlyActive(JoyButton0)) pair.rotate();
    }
}

} // namespace tessaron
