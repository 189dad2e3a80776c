// Versus: the layout, both boards stepping, rounds lost by either side and
// drawn, the match, the reset after each wait, blocks sent both ways, the
// settings' ranges, and the computer playing through keys alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

#include "../board/support.h"
#include "session/match_logic.h"
#include "sim.h"

namespace tessaron {
namespace {
using namespace testing_support;

// A match at 800 x 600 against an idle second player (or the computer),
// two won rounds to a match, `steps` steps in.
std::unique_ptr<MatchLogic> versusMatch(int steps, int opponent = 2) {
    freshState();
    auto m = std::make_unique<MatchLogic>(800, 600);
    m->versus.opponent = opponent;
    m->versus.roundsToWin = 2;
    m->load();
    for (int i = 0; i < steps; ++i) m->step();
    return m;
}

void putBlock(Board& b, int column, int kind) {
    b.grid[column][Board::Rows - 1].kind = kind;
    b.grid[column][Board::Rows - 1].colour = ColourRed;
}

void run(MatchLogic& m, int steps) {
    for (int i = 0; i < steps; ++i) m.step();
}

TEST(Versus, BothBoardsArePlacedStepTogetherAndPauseTogether) {
    auto match = versusMatch(MatchLogic::FirstRoundStart, 1);
    MatchLogic& m = *match;
    const Board& b0 = m.boards[0];
    const Board& b1 = m.boards[1];
    EXPECT_EQ(b0.x + b0.width - 400, 400 - b1.x);  // symmetric about the centre
    EXPECT_GE(b0.x - 60, 0);                       // both HUDs on screen at 800 x 600
    EXPECT_LE(b1.x + b1.width, 800);
    EXPECT_EQ(b1.y, b0.y);
    EXPECT_EQ(b1.side, 1);
    EXPECT_EQ(Players[1].layout, 1);
    EXPECT_GT(m.messages.items.front().y, b0.y + b0.height + 30);  // below the grids, clear of both HUDs
    for (const Board& b : m.boards) {
        EXPECT_FALSE(b.frozen);
        EXPECT_TRUE(b.nextPair.preview);
    }
    // The speed-up raises both boards, up to the limit and no further.
    m.boards[0].pair.pivot.fallStep = m.boards[0].pair.satellite.fallStep = MatchLogic::MaxFallStep - 1;
    m.boards[1].pair.pivot.fallStep = m.boards[1].pair.satellite.fallStep = MatchLogic::MaxFallStep;
    m.elapsedTicks = MatchLogic::SpeedUpInterval - 1;
    m.step();
    for (const Board& b : m.boards) {
        EXPECT_EQ(b.pair.pivot.fallStep, MatchLogic::MaxFallStep);
        EXPECT_EQ(b.pair.satellite.fallStep, MatchLogic::MaxFallStep);
    }
    // Paused, neither board steps and the computer moves nothing.
    auto state = [&](const Board& b) {
        return std::make_tuple(b.tick, b.pair.column, b.pair.rotation, b.pair.hardDropping, b.pair.pivot.screenY);
    };
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
    struct Row {
        bool lose0, lose1;
        int won0, won1, lost;  // during the wait
        const char* text;
    };
    const Row rows[] = {
        {false, true, 1, 0, 0, "Player 1 wins the round"},
        {true, true, 1, 0, 1, "Draw"},
        {true, false, 1, 1, 2, "Player 2 wins the round"},
        {false, true, 2, 1, 2, "Player 1 wins the match!"},
        {true, false, 0, 1, 3, "Player 2 wins the round"},  // the counts began again
    };
    auto match = versusMatch(MatchLogic::FirstRoundStart);
    MatchLogic& m = *match;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        for (int side = 0; side < 2; ++side) {
            Board& b = m.boards[side];
            putBlock(b, 0, KindBlock);
            b.brokenThisTurn = 4;
            b.chain = 2;
            b.pair.pivot.fallStep = b.pair.satellite.fallStep = 9;
            Players[side].score = 300;
            Players[side].pendingDrops = 7;
        }
        m.boards[0].toppedOut = row.lose0;
        m.boards[1].toppedOut = row.lose1;
        m.step();
        EXPECT_EQ(m.boards[0].roundsWon, row.won0);
        EXPECT_EQ(m.boards[1].roundsWon, row.won1);
        EXPECT_EQ(m.roundsLost, row.lost);
        EXPECT_STREQ(m.messages.items.back().text, row.text);
        const bool lost[2] = {row.lose0, row.lose1};
        // Frozen, no longer topped out, nothing waiting, the old score on
        // show, and only a loser's blocks flying off.
        for (int side = 0; side < 2; ++side) {
            const Board& b = m.boards[side];
            EXPECT_EQ(std::make_tuple(b.frozen != 0, b.toppedOut != 0, Players[side].pendingDrops, Players[side].score,
                                      b.grid[0][Board::Rows - 1].flying != 0),
                      std::make_tuple(true, false, 0, 300, lost[side])) << side;
        }
        run(m, MatchLogic::RestartDelay - 1);
        EXPECT_TRUE(m.boards[0].frozen);
        EXPECT_TRUE(m.boards[1].frozen);
        m.step();
        const bool matchOver = row.won0 == 2 || row.won1 == 2;  // both counts return to 0
        EXPECT_EQ(m.boards[0].roundsWon, matchOver ? 0 : row.won0);
        EXPECT_EQ(m.boards[1].roundsWon, matchOver ? 0 : row.won1);
        // Playing a new pair on an empty grid at the first speed, with no
        // turn, danger, score (not even the cut-short turn's) or waiting blocks.
        for (int side = 0; side < 2; ++side) {
            const Board& b = m.boards[side];
            EXPECT_EQ(std::make_tuple(b.frozen != 0, b.pair.active != 0, b.occupiedCount(), b.pair.pivot.fallStep,
                                      b.pair.satellite.fallStep, b.chain, b.brokenThisTurn, b.danger,
                                      Players[side].score, Players[side].pendingDrops),
                      std::make_tuple(false, true, 0, 2, 2, 0, 0, 0, 0, 0)) << side;
        }
    }
    EXPECT_EQ(m.matchesWon[0], 1);
    EXPECT_EQ(m.matchesWon[1], 0);
}

TEST(Versus, BrokenBlocksAreSentToTheOtherSide) {
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        auto match = versusMatch(MatchLogic::FirstRoundStart + 1);
        MatchLogic& m = *match;
        // A red breaker on a red block breaks at once; the turn ends when the
        // pair has come down.
        putBlock(m.boards[side], 0, KindBreaker);
        putBlock(m.boards[side], 1, KindBlock);
        const int other = 1 - side;
        for (int steps = 0; Players[other].pendingDrops == 0 && steps < 600; ++steps) m.step();
        EXPECT_EQ(Players[other].pendingDrops, 2);
        m.step();
        EXPECT_EQ(m.boards[other].danger, 2);
    }
}

TEST(Versus, ValuesOutsideTheirRangeTakeTheDefault) {
    // opponent, level, rounds in; the same out.
    const int rows[][6] = {
        {0, 1, 1, 0, 1, 1}, {2, 5, 5, 2, 5, 5},   // the edges of each range
        {-1, 0, 0, 0, 3, 3}, {3, 6, 6, 0, 3, 3},  // one past them
    };
    for (const auto& row : rows) {
        VersusOptions v;
        v.opponent = row[0];
        v.cpuLevel = row[1];
        v.roundsToWin = row[2];
        const VersusOptions n = v.normalised();
        EXPECT_EQ(n.opponent, row[3]);
        EXPECT_EQ(n.cpuLevel, row[4]);
        EXPECT_EQ(n.roundsToWin, row[5]);
    }
    for (const std::vector<const char*>& args : std::vector<std::vector<const char*>>{
             {"--opponent", "3"}, {"--cpu-level", "0"}, {"--cpu-level", "6"}, {"--script2", "x"}}) {
        sim::Options options;
        EXPECT_NE(sim::parseOptions(2, args.data(), options), "") << args[0] << ' ' << args[1];
    }
    sim::Options options;
    const char* good[] = {"--opponent", "2", "--cpu-level", "5", "--script2", "x"};
    EXPECT_EQ(sim::parseOptions(6, good, options), "");
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
        SCOPED_TRACE(level);
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
        EXPECT_TRUE(played == traceText(second)) << "the replayed game differs";
    }
}

} // namespace
} // namespace tessaron
