#include "session/controls.h"

#include "board/board.h"
#include "session/logic_globals.h"

namespace tessaron {

void applyControls(Board& board) { applyControls(board, Live, Keys); }

void applyControls(Board& board, const LiveInput& live, const KeySnapshot& keys) {
    if (board.frozen || !board.pair.active) return;
    FallingPair& pair = board.pair;
    if (board.controlMode == ControlKeyboard) {
        if (keys.newlyPressed(live, board.keyLeft)) pair.moveLeft();
        if (keys.newlyPressed(live, board.keyRight)) pair.moveRight();
        if (KeySnapshot::down(live, board.keySoftDrop)) pair.softDrop();
        if (KeySnapshot::down(live, board.keyHardDrop)) pair.hardDrop();
        if (keys.newlyPressed(live, board.keyRotate)) pair.rotate();
        if (board.side == 0 && keys.newlyPressed(live, ScanEnter)) Players[0].addPendingDrops(Random.randomInt(2, 8));
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
