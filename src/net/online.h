// The online match of the game's MatchState: the state both machines start
// from, each machine's own view of it (its own board on the left, both HUDs
// between the boards, "You" and "Opponent"), the local player's keys as a
// step input, and the hooks the rollback match needs for a state the host
// sends.  Depends on the logic library and net/net_match.h; the thread that
// steps the match.
#pragma once

#include <cstdint>

#include "net/net_match.h"
#include "session/match_state.h"

namespace tessaron {
namespace net {

using OnlineMatch = NetMatch<MatchState, StepInput>;

// The match both sides start from: two players, the host's seed and rounds
// to win, loaded for a screen of this size.
MatchState onlineStart(int screenWidth, int screenHeight, std::uint32_t seed, int roundsToWin);
// This machine's view of the match: the local side is "You", the other
// "Opponent", and on the joiner (side 1) the boards change places so that
// its own board is on the left, each HUD between the boards.
void presentOnline(MatchState& state, int localSide);
// The local player's keys (the arrows, Space and Enter, or A, D, S, W, E
// and Tab, and Escape) on the local side, the machine's own keys and the
// mouse.  Escape with left Shift never
// reaches the other side as a pause: the caller quits on it at once.
StepInput onlineInput(const MatchState& state, const LiveInput& live, int localSide);
// The hooks of an online match: a state sent without particles and
// messages, a state taken with this machine's own view kept.
OnlineMatch::Hooks onlineHooks();

} // namespace net
} // namespace tessaron
