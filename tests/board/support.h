// Helpers shared by the logic's unit tests: a match context of their own
// (stream, records, sound cues) bound to the test thread, a board in play
// at a known place, and grid set-up.
#pragma once

#include <vector>

#include "board/board.h"
#include "board/sound_cue.h"
#include "board/match_context.h"

namespace tessaron {
namespace testing_support {

using Ints = std::vector<int>;

struct TestMatch {
    RandomSource random;
    PlayerRecord players[2];
    SoundCues sounds;
};
inline TestMatch& testMatch() {
    static TestMatch match;
    return match;
}
// The boards under test draw from and score into these.
inline RandomSource& Random = testMatch().random;
inline PlayerRecord (&Players)[2] = testMatch().players;

// The sounds asked for since the last clear.
inline std::vector<int> soundLog() {
    const SoundCues& s = testMatch().sounds;
    return std::vector<int>(s.cues, s.cues + s.count);
}
inline void clearSounds() { testMatch().sounds = SoundCues(); }

// Seeded stream, new records, no sounds; the test match bound to the thread.
// Returns true, so that a fixture's first member can be initialised by it.
inline bool freshState(std::uint32_t seed = 5489) {
    TestMatch& m = testMatch();
    m = TestMatch();
    m.random.seed(seed);
    static MatchBinding binding(MatchContext{&m.random, m.players, &m.sounds});
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
