// The process-wide objects of the program, declared in one place and
// defined in shell/globals.cpp.  All are constructed before main and
// destroyed after it.  The match's own state (the random stream, the player
// records, the input snapshots, the pointer) belongs to the MatchSession's
// MatchState, so that the logic keeps no process-wide state.
#pragma once

#include <atomic>
#include <cstdint>

#include "shell/font_set.h"
#include "shell/game_config.h"

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
