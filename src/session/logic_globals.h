// The process-wide objects of the game's logic, declared in one place and
// defined in session/logic_globals.cpp: the random stream, the two player
// records, the live input and its snapshots, and the mouse pointer.  They are
// constructed before main and live for the whole run.  Logic thread only.
#pragma once

#include "board/player_record.h"
#include "board/random_source.h"
#include "render/pointer.h"
#include "session/input.h"

namespace tessaron {

extern RandomSource Random;
extern PlayerRecord Players[2];
extern LiveInput Live;
extern KeySnapshot Keys;
extern JoystickSnapshot Joysticks[2];
extern MousePointer Pointer;

// Start-up: pointer reset, key snapshot cleared, joystick snapshots bound to
// joysticks 0 and 1.
void resetInputState();

} // namespace tessaron
