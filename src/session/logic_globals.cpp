#include "session/logic_globals.h"

namespace tessaron {

RandomSource Random;
PlayerRecord Players[2];
LiveInput Live;
KeySnapshot Keys;
JoystickSnapshot Joysticks[2];
MousePointer Pointer;

void resetInputState() {
    Pointer.reset();
    Keys.clear();
    Joysticks[0].bind(0);
    Joysticks[1].bind(1);
}

} // namespace tessaron
