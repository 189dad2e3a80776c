// The process-wide objects of the program, declared in one place.
// Objects the headless logic needs (the random source, the player records,
// the input snapshots, the pointer) live in the logic library and are
// declared in its own headers, included here; the rest are defined in
// shell/globals.cpp.  All are constructed before main and destroyed after it.
#pragma once

#include <atomic>
#include <cstdint>

#include "shell/font_set.h"
#include "shell/game_config.h"
#include "session/logic_globals.h"

namespace tessaron {

// Logic ticks owed: the timer thread adds one every 40 ms, the main thread
// takes one per logic step.  Both sides use single atomic operations.
extern std::atomic<std::int32_t> TickCounter;

// Non-zero ends the main loop at its next pass.  Set by the close button's
// callback (any thread) or by the match's quit keys.
extern std::atomic<std::int32_t> QuitFlag;

// Frames drawn and logic steps run by the match so far (the frame-rate
// figures of tessaron-framestats).
extern std::int64_t FramesDrawn;
extern std::int64_t LogicStepsRun;

// The settings read at start-up.  (The font sets are declared in
// shell/font_set.h.)
extern GameConfig Config;

} // namespace tessaron
