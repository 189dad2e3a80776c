// Versus: rounds, draws, matches, blocks sent both ways, the reset after
// the wait, the settings' ranges, and the computer player's input.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "../board/support.h"
#include "session/match_logic.h"
#include "sim.h"

namespace tessaron {
namespace {
using namespace testing_support;

// A fresh match at 800 x 600 against a second player who presses nothing
// (or the computer), two won rounds to a match, `steps` steps into it.
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

class Versus : public ::testing::Test {
protected:
    void run(int steps) {
        for (int i = 0; i < steps; ++i) logic.step();
    }
    const char* lastText() const { return logic.messages.items.back().text; }
    // Tops out the given boards and runs the step that judges the round.
    void topOut(bool board0, bool board1) {
        logic.boards[0].toppedOut = board0;
        logic.boards[1].toppedOut = board1;
        run(1);
    }
    std::unique_ptr<MatchLogic> match = versusMatch(MatchLogic::FirstRoundStart);
    MatchLogic& logic = *match;
};

TEST_F(Versus, BothBoardsArePlacedAndPlayFromTheStart) {
    const Board& b0 = logic.boards[0];
    const Board& b1 = logic.boards[1];
    EXPECT_EQ(b0.x + b0.width - 400, 400 - b1.x);  // symmetric about the centre
    EXPECT_GE(b0.x - 60, 0);                       // both HUDs on screen at 800 x 600
    EXPECT_LE(b1.x + b1.width, 800);
    EXPECT_EQ(b1.y, b0.y);
    EXPECT_EQ(b1.side, 1);
    EXPECT_EQ(Players[1].layout, 1);
    EXPECT_STREQ(Players[0].name, "Player 1");
    EXPECT_STREQ(Players[1].name, "Player 2");
    for (const Board& b : logic.boards) {
        EXPECT_FALSE(b.frozen);
        EXPECT_TRUE(b.pair.active);
        EXPECT_TRUE(b.nextPair.preview);
        EXPECT_EQ(b.pair.pivot.fallStep, 2);
        EXPECT_EQ(b.tick, MatchLogic::FirstRoundStart);
    }
    // Below the grids, clear of both HUDs.
    EXPECT_GT(logic.messages.items.front().y, b0.y + b0.height + 30);
}

TEST_F(Versus, SpeedUpAndPauseApplyToBothBoards) {
    logic.elapsedTicks = MatchLogic::SpeedUpInterval - 1;
    run(1);
    EXPECT_EQ(logic.boards[0].pair.pivot.fallStep, 3);
    EXPECT_EQ(logic.boards[1].pair.pivot.fallStep, 3);

    // Paused, neither board steps and the computer moves nothing.
    auto match = versusMatch(MatchLogic::FirstRoundStart + 1, 1);
    MatchLogic& m = *match;
    Live.keys[ScanEsc] = 1;
    m.step();
    const Board before[2] = {m.boards[0], m.boards[1]};
    for (int i = 0; i < 60; ++i) m.step();
    EXPECT_TRUE(m.paused);
    for (int side = 0; side < 2; ++side) {
        const FallingPair& p = m.boards[side].pair;
        EXPECT_EQ(m.boards[side].tick, before[side].tick);
        EXPECT_EQ(p.column, before[side].pair.column);
        EXPECT_EQ(p.rotation, before[side].pair.rotation);
        EXPECT_EQ(p.hardDropping, before[side].pair.hardDropping);
        EXPECT_EQ(p.pivot.screenY, before[side].pair.pivot.screenY);
    }
}

TEST_F(Versus, ARoundIsLostByEitherSideOrDrawn) {
    struct Row {
        bool lose0, lose1;
        int won0, won1, lost;
        const char* text;
    };
    const Row rows[] = {
        {true, false, 0, 1, 1, "Player 2 wins the round"},
        {false, true, 1, 0, 0, "Player 1 wins the round"},
        {true, true, 0, 0, 1, "Draw"},
    };
    for (const Row& row : rows) {
        auto match = versusMatch(MatchLogic::FirstRoundStart + 40);
        MatchLogic& m = *match;
        for (Board& b : m.boards) putBlock(b, 0, KindBlock);
        m.boards[0].toppedOut = row.lose0;
        m.boards[1].toppedOut = row.lose1;
        m.step();
        SCOPED_TRACE(row.text);
        EXPECT_EQ(m.boards[0].roundsWon, row.won0);
        EXPECT_EQ(m.boards[1].roundsWon, row.won1);
        EXPECT_EQ(m.roundsLost, row.lost);
        EXPECT_STREQ(m.messages.items.back().text, row.text);
        EXPECT_EQ(m.roundStartTick, m.elapsedTicks + MatchLogic::RestartDelay);
        const bool lost[2] = {row.lose0, row.lose1};
        for (int side = 0; side < 2; ++side) {
            const Board& b = m.boards[side];
            EXPECT_TRUE(b.frozen);
            EXPECT_FALSE(b.toppedOut);
            EXPECT_EQ(Players[side].pendingDrops, 0);
            EXPECT_EQ(b.grid[0][Board::Rows - 1].flying, lost[side]);  // only a loser's blocks fly off
        }
    }
}

TEST_F(Versus, AfterTheWaitBothBoardsRestartClean) {
    // Mid-round state on both boards: blocks, scores, a turn in progress,
    // waiting blocks, raised speed.
    for (int side = 0; side < 2; ++side) {
        Board& b = logic.boards[side];
        putBlock(b, 0, KindBlock);
        b.brokenThisTurn = 4;
        b.chain = 2;
        b.pair.pivot.fallStep = b.pair.satellite.fallStep = 9;
        Players[side].score = 300;
        Players[side].pendingDrops = 7;
    }
    topOut(false, true);
    EXPECT_EQ(Players[0].score, 300);  // the old scores stay on show during the wait

    run(MatchLogic::RestartDelay - 1);
    EXPECT_TRUE(logic.boards[0].frozen);
    run(1);
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        const Board& b = logic.boards[side];
        EXPECT_FALSE(b.frozen);
        EXPECT_EQ(b.occupiedCount(), 0);
        EXPECT_EQ(b.pair.pivot.fallStep, 2);
        EXPECT_EQ(b.pair.satellite.fallStep, 2);
        EXPECT_EQ(b.chain, 0);
        EXPECT_EQ(b.brokenThisTurn, 0);
        EXPECT_EQ(Players[side].score, 0);  // not even the cut-short turn scored
        EXPECT_EQ(Players[side].pendingDrops, 0);
        EXPECT_EQ(b.danger, 0);
        EXPECT_TRUE(b.pair.active);
    }
    EXPECT_EQ(logic.boards[0].roundsWon, 1);  // rounds carry on within a match
}

TEST_F(Versus, TheMatchIsWonAtRoundsToWinAndANewOneBegins) {
    topOut(true, false);
    EXPECT_STREQ(lastText(), "Player 2 wins the round");
    run(MatchLogic::RestartDelay);
    topOut(true, false);
    EXPECT_STREQ(lastText(), "Player 2 wins the match!");
    EXPECT_EQ(logic.matchesWon[1], 1);
    EXPECT_EQ(logic.boards[1].roundsWon, 2);  // the last icon shows during the wait
    run(MatchLogic::RestartDelay);
    EXPECT_EQ(logic.boards[0].roundsWon, 0);
    EXPECT_EQ(logic.boards[1].roundsWon, 0);
    EXPECT_FALSE(logic.boards[1].frozen);
    topOut(false, true);
    EXPECT_STREQ(lastText(), "Player 1 wins the round");
    EXPECT_EQ(logic.boards[0].roundsWon, 1);
}

TEST_F(Versus, BrokenBlocksAreSentToTheOtherSide) {
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        auto match = versusMatch(MatchLogic::FirstRoundStart + 1);
        MatchLogic& m = *match;
        // A red breaker on a red block breaks at once; the turn ends when
        // the pair has come down.
        Board& b = m.boards[side];
        putBlock(b, 0, KindBreaker);
        putBlock(b, 1, KindBlock);
        const int other = 1 - side;
        int steps = 0;
        while (Players[other].pendingDrops == 0 && steps++ < 600) m.step();
        EXPECT_EQ(Players[other].pendingDrops, 2);
        EXPECT_EQ(Players[side].score, 20);
        m.step();
        EXPECT_EQ(m.boards[other].danger, 2);
    }
}

TEST(VersusOptions, ValuesOutsideTheirRangeTakeTheDefault) {
    struct Row {
        int opponent, level, rounds;
        int wantOpponent, wantLevel, wantRounds;
    };
    const Row rows[] = {
        {0, 1, 1, 0, 1, 1},   {2, 5, 5, 2, 5, 5},  // the edges of each range
        {-1, 0, 0, 0, 3, 3},  {3, 6, 6, 0, 3, 3},  // one past them
    };
    for (const Row& row : rows) {
        VersusOptions v;
        v.opponent = row.opponent;
        v.cpuLevel = row.level;
        v.roundsToWin = row.rounds;
        const VersusOptions n = v.normalised();
        EXPECT_EQ(n.opponent, row.wantOpponent);
        EXPECT_EQ(n.cpuLevel, row.wantLevel);
        EXPECT_EQ(n.roundsToWin, row.wantRounds);
    }
}

// The computer plays only through keys: what it held at each step, replayed
// as board 1's script, plays the very same game.
void recordKeys(void* context, std::uint64_t step, const std::vector<int>& keys) {
    auto& script = *static_cast<std::vector<sim::ScriptLine>*>(context);
    if (!script.empty() && script.back().keys == keys) return;
    if (script.empty() && keys.empty()) return;
    sim::ScriptLine line;
    line.step = step;
    line.keys = keys;
    script.push_back(line);
}

// A trace's lines, read back from its temporary file; the computer's name
// written as the second player's.
std::vector<std::string> traceLines(std::FILE* file) {
    std::vector<std::string> lines;
    std::rewind(file);
    char buffer[65536];
    while (std::fgets(buffer, sizeof buffer, file)) {
        std::string line = buffer;
        const std::size_t at = line.find("\"Computer wins");
        if (at != std::string::npos) line.replace(at + 1, 8, "Player 2");
        lines.push_back(line);
    }
    std::fclose(file);
    return lines;
}

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
        const sim::Summary played = sim::run(options, {}, first, {}, recordKeys, &recorded);
        options.opponent = 2;
        std::FILE* second = std::tmpfile();
        const sim::Summary replayed = sim::run(options, {}, second, recorded);
        EXPECT_GT(recorded.size(), 50u);
        EXPECT_GT(played.roundsLost, 0);  // it beat the idle player: a real game
        EXPECT_EQ(played.draws, replayed.draws);
        const std::vector<std::string> a = traceLines(first);
        const std::vector<std::string> b = traceLines(second);
        ASSERT_EQ(a.size(), options.steps);
        ASSERT_EQ(b.size(), a.size());
        for (std::size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << "first difference at step " << i + 1;
    }
}

TEST(VersusSim, BadOpponentOptionsAreRefused) {
    const std::vector<std::vector<const char*>> bad = {
        {"--opponent", "3"}, {"--cpu-level", "0"}, {"--cpu-level", "6"}, {"--script2", "x"},
    };
    for (const auto& args : bad) {
        sim::Options options;
        EXPECT_NE(sim::parseOptions(static_cast<int>(args.size()), args.data(), options), "") << args[0];
    }
    sim::Options options;
    const char* good[] = {"--opponent", "2", "--cpu-level", "5", "--script2", "x"};
    EXPECT_EQ(sim::parseOptions(6, good, options), "");
}

} // namespace
} // namespace tessaron
