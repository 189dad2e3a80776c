// Each machine's own view of the online match: its own board on the left,
// its own keys on its own side, and a state from the host taken with this
// machine's view kept.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "net/online.h"

namespace tessaron {
namespace net {
namespace {

// The joiner (side 1) shows its own board on the left as "You"; either
// hand's keys steer its side alone, and Escape with left Shift (which quits
// here) never pauses the other machine.  A state the host sends goes without
// particles and messages and is taken with this machine's screen, places
// and names.
TEST(OnlineView, OwnBoardOwnKeysAndOwnViewOfTheHostsState) {
    MatchState host = onlineStart(1024, 768, 7, 3), joiner = onlineStart(800, 600, 7, 3);
    presentOnline(host, 0);
    presentOnline(joiner, 1);
    EXPECT_EQ(std::make_tuple(std::string(joiner.players[1].name), std::string(joiner.players[0].name),
                              joiner.boards[1].baseX < joiner.boards[0].baseX, joiner.versus.opponent),
              std::make_tuple(std::string("You"), std::string("Opponent"), true, 2));
    LiveInput live;
    live.keys[ScanA] = live.keys[ScanRight] = live.keys[ScanEsc] = 1;
    const StepInput in = onlineInput(joiner, live, 1);
    EXPECT_EQ(std::make_pair(in.sides[0], in.sides[1]),
              std::make_pair(std::uint8_t{0}, std::uint8_t(SideLeft | SideRight | SidePause)));
    live.keys[ScanLShift] = 1;
    EXPECT_EQ(onlineInput(joiner, live, 1).sides[1], SideLeft | SideRight);
    const OnlineMatch::Hooks hooks = onlineHooks();
    MatchState sent = host;
    hooks.trimForWire(sent);
    EXPECT_TRUE(sent.messages.items.empty() && !host.messages.items.empty());
    hooks.adopt(sent, joiner);
    EXPECT_EQ(std::make_tuple(sent.screenWidth, std::string(sent.players[1].name), sent.boards[1].baseX),
              std::make_tuple(800, std::string("You"), joiner.boards[1].baseX));
}

} // namespace
} // namespace net
} // namespace tessaron
