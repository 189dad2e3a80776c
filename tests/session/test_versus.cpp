// Versus where the golden traces (versus_rounds, versus_cpu, its replay
// through keys alone, versus_cpu_weak) do not go: the round message's place,
// the speed-up limit, a round cut short mid-turn, the settings' ranges (the
// simulator's are in its command-line test).
#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "../board/support.h"
#include "session/match_logic.h"

namespace tessaron {
namespace {
using namespace testing_support;

// A match at 800 x 600 against an idle second player (or the computer),
// in play since its first step.
std::unique_ptr<MatchLogic> versusMatch(int opponent = 2) {
    freshState();
    auto m = std::make_unique<MatchLogic>(800, 600);
    m->versus.opponent = opponent;
    m->load();
    for (int i = 0; i < MatchLogic::FirstRoundStart; ++i) m->step();
    return m;
}

void run(MatchLogic& m, int steps) {
    for (int i = 0; i < steps; ++i) m.step();
}

// The versus traces carry the layout, the rounds won, drawn and lost, the
// match, the waits, blocks sent both ways and both boards paused.  Here: the
// round message's place and the speed-up of both boards at its limit.
TEST(Versus, RoundMessageBelowTheGridsAndBothBoardsSpeedUpToTheLimit) {
    auto match = versusMatch(1);
    MatchLogic& m = *match;
    EXPECT_GT(m.messages.items.front().y, m.boards[0].y + m.boards[0].height + 30);  // clear of both HUDs
    for (int side = 0; side < 2; ++side) {
        Cell &p = m.boards[side].pair.pivot, &s = m.boards[side].pair.satellite;
        p.fallStep = s.fallStep = MatchLogic::MaxFallStep - 1 + side;
    }
    m.elapsedTicks = MatchLogic::SpeedUpInterval - 1;
    m.step();
    for (const Board& b : m.boards) {
        EXPECT_EQ(Ints({b.pair.pivot.fallStep, b.pair.satellite.fallStep}), Ints(2, MatchLogic::MaxFallStep));
    }
}

// A round that ends mid-turn on busy boards: during the wait both are frozen
// with nothing waiting and the old score on show, only the loser's blocks
// fly off; after it both restart clean, without the cut-short turn's score.
TEST(Versus, ARoundEndedMidTurnRestartsClean) {
    auto match = versusMatch();
    MatchLogic& m = *match;
    for (int side = 0; side < 2; ++side) {
        Board& b = m.boards[side];
        put(b, 0, Board::Rows - 1, ColourRed);
        b.brokenThisTurn = 4, b.chain = 2, b.pair.pivot.fallStep = b.pair.satellite.fallStep = 9;
        Players[side].score = 300, Players[side].pendingDrops = 7;
    }
    m.boards[1].toppedOut = 1;
    m.step();
    for (int side = 0; side < 2; ++side) {
        const Board& b = m.boards[side];
        EXPECT_EQ(Ints({b.frozen, b.toppedOut, Players[side].pendingDrops, Players[side].score,
                        b.grid[0][Board::Rows - 1].flying}),
                  Ints({1, 0, 0, 300, side})) << side;
    }
    run(m, MatchLogic::RestartDelay);
    for (int side = 0; side < 2; ++side) {
        const Board& b = m.boards[side];
        EXPECT_EQ(Ints({b.roundsWon, b.frozen, b.pair.active, b.occupiedCount(), b.pair.pivot.fallStep,
                        b.pair.satellite.fallStep, b.chain, b.brokenThisTurn, b.danger, Players[side].score,
                        Players[side].pendingDrops}),
                  Ints({1 - side, 0, 1, 0, 2, 2, 0, 0, 0, 0, 0})) << side;
    }
}

TEST(Versus, ValuesOutsideTheirRangeTakeTheDefault) {
    // opponent, level, rounds in; the same out: the edges of each range, one past them.
    const int rows[][6] = {{0, 1, 1, 0, 1, 1}, {2, 5, 5, 2, 5, 5}, {-1, 0, 0, 0, 3, 3}, {3, 6, 6, 0, 3, 3}};
    for (const auto& row : rows) {
        VersusOptions v;
        std::tie(v.opponent, v.cpuLevel, v.roundsToWin) = std::make_tuple(row[0], row[1], row[2]);
        const VersusOptions n = v.normalised();
        EXPECT_EQ(Ints({n.opponent, n.cpuLevel, n.roundsToWin}), Ints({row[3], row[4], row[5]})) << row[0];
    }
}

} // namespace
} // namespace tessaron
