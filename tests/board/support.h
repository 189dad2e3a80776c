// Helpers shared by the logic's unit tests: a fresh process state, a board
// in play at a known place, and grid set-up.
#pragma once

#include <vector>

#include "board/board.h"
#include "board/sound_cue.h"
#include "session/logic_globals.h"

namespace tessaron {
namespace testing_support {

using Ints = std::vector<int>;

inline std::vector<int>& soundLog() {
    static std::vector<int> log;
    return log;
}

// Seeded stream, new records, no keys, sounds recorded.
// Returns true, so that a fixture's first member can be initialised by it.
inline bool freshState(std::uint32_t seed = 5489) {
    Random = RandomSource();
    Random.seed(seed);
    Players[0] = PlayerRecord();
    Players[1] = PlayerRecord();
    Live = LiveInput();
    resetInputState();
    soundLog().clear();
    setSoundCueHandler([](int cue) { soundLog().push_back(cue); });
    return true;
}

// A board at home (100, 50), in play, whose pair has just started.
inline void startBoard(Board& b) {
    b.setHome(100, 50);
    b.setPosition(100, 50);
    b.nextPair.preview = 1;
    b.newPairDue = 1;
    b.update();
}

inline void put(Board& b, int column, int row, int colour, int kind = KindBlock) {
    b.grid[column][row].colour = colour;
    b.grid[column][row].kind = kind;
}

} // namespace testing_support
} // namespace tessaron
