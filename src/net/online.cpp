#include "net/online.h"

#include <utility>

namespace tessaron {
namespace net {
namespace {

// What the match needs of a state sent: particles and messages are each
// machine's own and would only make the packet large.
void trimForWire(MatchState& state) {
    for (Board& b : state.boards) {
        b.particles.clear();
        b.messages.clear();
    }
    state.messages.clear();
}

// The host's state with this machine's view of the match kept: screen,
// board places and HUD sides, names, effects, pointer, the machine's keys.
void keepLocalView(MatchState& adopted, const MatchState& mine) {
    adopted.screenWidth = mine.screenWidth;
    adopted.screenHeight = mine.screenHeight;
    for (int side = 0; side < 2; ++side) {
        Board& to = adopted.boards[side];
        const Board& from = mine.boards[side];
        to.setHome(from.baseX, from.baseY);
        to.setPosition(from.x, from.y);
        to.hudLeft = from.hudLeft;
        to.particles = from.particles;
        to.messages = from.messages;
        adopted.players[side].setName(mine.players[side].name);
        adopted.players[side].layout = mine.players[side].layout;
    }
    adopted.messages = mine.messages;
    adopted.pointer = mine.pointer;
    adopted.panel.homeX = mine.panel.homeX;
    adopted.panel.homeY = mine.panel.homeY;
    adopted.panel.x = mine.panel.x;
    adopted.panel.y = mine.panel.y;
    adopted.keys.keys.console = mine.keys.keys.console;
    adopted.keys.keys.mouseButtons = mine.keys.keys.mouseButtons;
}

} // namespace

MatchState onlineStart(int screenWidth, int screenHeight, std::uint32_t seed, int roundsToWin) {
    MatchState state(screenWidth, screenHeight, seed);
    state.versus.opponent = 2;
    state.versus.roundsToWin = roundsToWin;
    state.load();
    return state;
}

void presentOnline(MatchState& state, int localSide) {
    state.players[localSide].setName("You");
    state.players[1 - localSide].setName("Opponent");
    if (localSide == 0) return;
    Board& own = state.boards[1];
    Board& other = state.boards[0];
    const std::int32_t left = other.baseX, right = own.baseX;
    own.setHome(left, own.baseY);
    own.setPosition(left, own.baseY);
    other.setHome(right, other.baseY);
    other.setPosition(right, other.baseY);
    own.hudLeft = 0;
    other.hudLeft = 1;
    state.players[1].layout = 0;
    state.players[0].layout = 1;
}

StepInput onlineInput(const MatchState& state, const LiveInput& live, int localSide) {
    StepInput in = state.keyboardInput(live);
    // The match is one of two players at one keyboard, each side with its
    // own keys: online, both key sets steer the local side.
    const std::uint8_t own = in.sides[0] | in.sides[1];
    in.sides[0] = in.sides[1] = 0;
    in.sides[localSide] = own;
    if ((in.console & ConsoleShift) && (own & SidePause)) in.sides[localSide] &= static_cast<std::uint8_t>(~SidePause);
    return in;
}

OnlineMatch::Hooks onlineHooks() {
    OnlineMatch::Hooks hooks;
    hooks.trimForWire = trimForWire;
    hooks.adopt = keepLocalView;
    return hooks;
}

} // namespace net
} // namespace tessaron
