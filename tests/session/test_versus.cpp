// Versus: the layout, both boards stepping, rounds lost by either side and
// drawn, the match, the reset after each wait, blocks sent both ways, the
// settings' ranges, and the computer playing through keys alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>

#include "../board/support.h"
#include "session/match_logic.h"
#include "sim.h"

namespace tessaron {
namespace {
using namespace testing_support;

// A match at 800 x 600 against an idle second player (or the computer),
// two won rounds to a match, in play since its first step.
std::unique_ptr<MatchLogic> versusMatch(int opponent = 2) {
    freshState();
    auto m = std::make_unique<MatchLogic>(800, 600);
    m->versus.opponent = opponent;
    m->versus.roundsToWin = 2;
    m->load();
    for (int i = 0; i < MatchLogic::FirstRoundStart; ++i) m->step();
    return m;
}

void run(MatchLogic& m, int steps) {
    for (int i = 0; i < steps; ++i) m.step();
}

TEST(Versus, BothBoardsArePlacedStepTogetherAndPauseTogether) {
    auto match = versusMatch(1);
    MatchLogic& m = *match;
    const Board &b0 = m.boards[0], &b1 = m.boards[1];
    // Symmetric about the centre, both HUDs on screen, the message below the grids.
    EXPECT_EQ(Ints({b0.x + b0.width - 400, b0.x - 60 >= 0, b1.x + b1.width <= 800, b1.y, b1.side, Players[1].layout}),
              Ints({400 - b1.x, 1, 1, b0.y, 1, 1}));
    EXPECT_GT(m.messages.items.front().y, b0.y + b0.height + 30);
    // The speed-up raises both boards, up to the limit and no further.
    for (int side = 0; side < 2; ++side) {
        Cell &p = m.boards[side].pair.pivot, &s = m.boards[side].pair.satellite;
        p.fallStep = s.fallStep = MatchLogic::MaxFallStep - 1 + side;
    }
    m.elapsedTicks = MatchLogic::SpeedUpInterval - 1;
    m.step();
    for (const Board& b : m.boards) {
        EXPECT_EQ(Ints({b.frozen, b.nextPair.preview, b.pair.pivot.fallStep, b.pair.satellite.fallStep}),
                  Ints({0, 1, MatchLogic::MaxFallStep, MatchLogic::MaxFallStep}));
    }
    auto state = [](const Board& b) {
        return Ints({b.tick, b.pair.column, b.pair.rotation, b.pair.hardDropping, b.pair.pivot.screenY});
    };
    // Paused, neither board steps and the computer moves nothing.
    Live.keys[ScanEsc] = 1;
    m.step();
    const auto before = std::make_pair(state(b0), state(b1));
    run(m, 60);
    EXPECT_TRUE(m.paused);
    EXPECT_EQ(std::make_pair(state(b0), state(b1)), before);
}

// One match played through: a round lost by each side, a draw, the match won
// at the second won round, and the first round of the next match.  Each round
// ends mid-turn on busy boards, and after the wait both restart clean.
TEST(Versus, RoundsDrawsAndMatchesEachEndInAFullReset) {
    const struct Row {
        int lose0, lose1, won0, won1, lost;  // won and lost during the wait
        const char* text;
    } rows[] = {
        {0, 1, 1, 0, 0, "Player 1 wins the round"},  {1, 1, 1, 0, 1, "Draw"},
        {1, 0, 1, 1, 2, "Player 2 wins the round"},  {0, 1, 2, 1, 2, "Player 1 wins the match!"},
        {1, 0, 0, 1, 3, "Player 2 wins the round"},  // the counts began again
    };
    auto match = versusMatch();
    MatchLogic& m = *match;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        for (int side = 0; side < 2; ++side) {
            Board& b = m.boards[side];
            put(b, 0, Board::Rows - 1, ColourRed);
            b.brokenThisTurn = 4;
            b.chain = 2;
            b.pair.pivot.fallStep = b.pair.satellite.fallStep = 9;
            Players[side].score = 300;
            Players[side].pendingDrops = 7;
            b.toppedOut = side ? row.lose1 : row.lose0;
        }
        m.step();
        EXPECT_EQ(Ints({m.boards[0].roundsWon, m.boards[1].roundsWon, m.roundsLost}), Ints({row.won0, row.won1, row.lost}));
        EXPECT_STREQ(m.messages.items.back().text, row.text);
        // Frozen, no longer topped out, nothing waiting, the old score on
        // show, and only a loser's blocks flying off.
        for (int side = 0; side < 2; ++side) {
            const Board& b = m.boards[side];
            EXPECT_EQ(Ints({b.frozen, b.toppedOut, Players[side].pendingDrops, Players[side].score,
                            b.grid[0][Board::Rows - 1].flying}),
                      Ints({1, 0, 0, 300, side ? row.lose1 : row.lose0})) << side;
        }
        run(m, MatchLogic::RestartDelay - 1);
        EXPECT_TRUE(m.boards[0].frozen && m.boards[1].frozen);
        m.step();
        // After a won match both counts return to 0; a new pair plays on an
        // empty grid at the first speed, with no turn, danger, score (not
        // even the cut-short turn's) or waiting blocks.
        const bool matchOver = row.won0 == 2 || row.won1 == 2;
        for (int side = 0; side < 2; ++side) {
            const Board& b = m.boards[side];
            EXPECT_EQ(Ints({b.roundsWon, b.frozen, b.pair.active, b.occupiedCount(), b.pair.pivot.fallStep,
                            b.pair.satellite.fallStep, b.chain, b.brokenThisTurn, b.danger, Players[side].score,
                            Players[side].pendingDrops}),
                      Ints({matchOver ? 0 : side ? row.won1 : row.won0, 0, 1, 0, 2, 2, 0, 0, 0, 0, 0})) << side;
        }
    }
    EXPECT_EQ(Ints({m.matchesWon[0], m.matchesWon[1]}), Ints({1, 0}));
}

// A red breaker on a red block breaks at once; when the pair has come down
// the turn ends and the two blocks wait on the other side, then drop.
TEST(Versus, BrokenBlocksAreSentToTheOtherSide) {
    for (int side = 0; side < 2; ++side) {
        auto match = versusMatch();
        MatchLogic& m = *match;
        m.step();
        put(m.boards[side], 0, Board::Rows - 1, ColourRed, KindBreaker);
        put(m.boards[side], 1, Board::Rows - 1, ColourRed);
        const int other = 1 - side;
        for (int steps = 0; Players[other].pendingDrops == 0 && steps < 600; ++steps) m.step();
        EXPECT_EQ(Players[other].pendingDrops, 2) << side;
        m.step();
        EXPECT_EQ(m.boards[other].danger, 2) << side;
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
    const std::vector<std::vector<const char*>> args = {{"--opponent", "3"}, {"--cpu-level", "0"}, {"--cpu-level", "6"},
                                                        {"--script2", "x"}, {"--opponent", "2", "--cpu-level", "5", "--script2", "x"}};
    for (const auto& a : args) {
        sim::Options options;
        EXPECT_EQ(sim::parseOptions(static_cast<int>(a.size()), a.data(), options) == "", a.size() == 6) << a[0] << a[1];
    }
}

// What the computer held at each step, kept as script lines.
void recordKeys(void* context, std::uint64_t step, const std::vector<int>& keys) {
    auto& script = *static_cast<std::vector<sim::ScriptLine>*>(context);
    if (script.empty() ? keys.empty() : script.back().keys == keys) return;
    script.push_back({step, keys});
}

// A trace, with the computer's name written as the second player's.
std::string traceText(std::FILE* file) {
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    text.resize(std::fread(&text[0], 1, text.size(), file));
    std::fclose(file);
    for (std::size_t at; (at = text.find("\"Computer wins")) != std::string::npos;) text.replace(at + 1, 8, "Player 2");
    return text;
}

// The computer plays only through keys: what it held, replayed as board 1's
// script, plays the very same game.
TEST(VersusComputer, ItsRecordedKeysReplayedAsAScriptReproduceItsGame) {
    for (int level : {1, 5}) {
        sim::Options options;
        options.seed = 77;
        options.steps = 2500;
        options.opponent = 1;
        options.cpuLevel = level;
        std::vector<sim::ScriptLine> recorded;
        std::FILE* first = std::tmpfile();
        EXPECT_GT(sim::run(options, {}, first, {}, recordKeys, &recorded).roundsLost, 0);  // it beat the idle player
        EXPECT_GT(recorded.size(), 50u);
        options.opponent = 2;
        std::FILE* second = std::tmpfile();
        sim::run(options, {}, second, recorded);
        const std::string played = traceText(first);
        EXPECT_EQ(std::count(played.begin(), played.end(), '\n'), 2500);
        EXPECT_TRUE(played == traceText(second)) << "the replayed game differs at level " << level;
    }
}

} // namespace
} // namespace tessaron
