// The match a logic step runs on, as the board rules reach it: its random
// stream, its two player records and the list its sound cues go to.  The
// match binds them to the calling thread for the length of a step
// (MatchBinding), so that two matches can step side by side on two threads
// and a step's sounds come back from the step instead of playing from inside
// it.  With nothing bound, the thread's own spare stream and records are used
// and cues are dropped, so a board driven outside any match still runs.
// Depends on nothing but the random source and the player record.  Cannot
// fail.
#pragma once

#include "board/player_record.h"
#include "board/random_source.h"

namespace tessaron {

// The sound cues of one step, in the order they were asked for.
struct SoundCues {
    static constexpr int Capacity = 32;  // two busy boards ask for a dozen at most
    int cues[Capacity] = {};
    int count = 0;

    // A cue past the capacity is dropped.
    void add(int cue) {
        if (count < Capacity) cues[count++] = cue;
    }
};

struct MatchContext {
    RandomSource* random = nullptr;
    PlayerRecord* players = nullptr;  // two, index = Board::side
    SoundCues* sounds = nullptr;      // null: cues are dropped
};

// The bound match's random stream, and its record of a side (0 or 1).
RandomSource& matchRandom();
PlayerRecord& matchPlayer(int side);
// The bound match's cue list, or null when cues are dropped.
SoundCues* matchSounds();

// Binds a match to this thread until the binding ends; bindings nest.
class MatchBinding {
public:
    explicit MatchBinding(const MatchContext& context);
    ~MatchBinding();
    MatchBinding(const MatchBinding&) = delete;
    MatchBinding& operator=(const MatchBinding&) = delete;

private:
    MatchContext previous_;
};

} // namespace tessaron
