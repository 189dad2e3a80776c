#include "board/match_context.h"

namespace tessaron {
namespace {
thread_local MatchContext Bound;
thread_local RandomSource SpareRandom;
thread_local PlayerRecord SparePlayers[2];
} // namespace

RandomSource& matchRandom() { return Bound.random ? *Bound.random : SpareRandom; }

PlayerRecord& matchPlayer(int side) {
    PlayerRecord* players = Bound.players ? Bound.players : SparePlayers;
    return players[side == 0 ? 0 : 1];
}

SoundCues* matchSounds() { return Bound.sounds; }

MatchBinding::MatchBinding(const MatchContext& context) : previous_(Bound) { Bound = context; }

MatchBinding::~MatchBinding() { Bound = previous_; }

} // namespace tessaron
