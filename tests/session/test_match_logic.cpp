// The session's logic where the golden traces do not reach: the panel's place
// and the pointer, the round reset and start field by field, the step counts
// past the traces' length, a quit key order, the screenshot hook, the
// joystick and the file list; random play keeping the board valid; when a
// frame is composed; versus where its traces do not go.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <tuple>

#include "../board/support.h"
#include "session/controls.h"
#include "session/file_list.h"
#include "render/frame_gate.h"
#include "session/match_state.h"

namespace tessaron {
namespace {
using namespace testing_support;

// Keys held on the keyboard, as the game maps them for a match.
StepInput keyboard(const MatchState& m, std::initializer_list<int> keys) {
    LiveInput live;
    for (int k : keys) live.keys[k] = 1;
    return m.keyboardInput(live);
}

class Match : public ::testing::Test {
protected:
    void SetUp() override { logic.load(); }
    void hold(std::initializer_list<int> keys) { input = keyboard(logic, keys); }
    void run(int steps) {
        for (int i = 0; i < steps; ++i) shots += logic.step(input).screenshot;
    }
    MatchState logic{1024, 768, 5489};
    StepInput input;
    int shots = 0;
};

// A loss resets the round (every field) and the next one starts exactly 100
// steps later with a fresh board, score and fall speed.
TEST_F(Match, LossResetsTheRoundAndTheNextStartsFresh) {
    run(80);
    Board& b = logic.boards[0];
    b.pair.pivot.fallStep = b.pair.satellite.fallStep = 9;
    PlayerRecord* Players = logic.players;
    Players[0].score = 70, Players[0].pendingDrops = 5;
    put(b, 2, 11, ColourRed);
    b.toppedOut = 1;
    logic.loseCheck();
    const int lostAt = logic.elapsedTicks;
    EXPECT_EQ(Ints({b.frozen, b.newPairDue, b.toppedOut, logic.roundStarted, Players[0].pendingDrops,
                    logic.roundStartTick, logic.roundsLost, b.grid[2][11].flying}),
              Ints({1, 1, 0, 0, 0, lostAt + 100, 1, 1}));
    EXPECT_STREQ(logic.messages.items.back().text, "You Lose!");
    run(99);
    EXPECT_EQ(Ints({b.frozen, Players[0].score}), Ints({1, 70}));
    run(1);
    EXPECT_EQ(Ints({b.frozen, logic.boards[1].frozen, logic.roundStarted, Players[0].score, b.pair.pivot.fallStep,
                    b.pair.satellite.fallStep, b.occupiedCount(), b.pair.active}),
              Ints({0, 1, 1, 0, 2, 2, 0, 1}));
}

// "Demo" every 1000 steps; every 3500 steps the fall speeds up, up to 30.
TEST_F(Match, DemoNoticeAndSpeedUpAtTheirSteps) {
    logic.roundStartTick = 100000;  // keep the board out of play
    Board& b = logic.boards[0];
    // step before, fall step before, after, new messages
    const int rows[][4] = {{999, 2, 2, 1}, {1000, 2, 2, 0}, {3499, 2, 3, 0}, {6999, 29, 30, 1}, {6999, 30, 30, 1}};
    for (const auto& row : rows) {
        logic.elapsedTicks = row[0];
        b.pair.pivot.fallStep = b.pair.satellite.fallStep = row[1];
        const std::size_t before = logic.messages.items.size();
        run(1);
        EXPECT_EQ(Ints({b.pair.pivot.fallStep, b.pair.satellite.fallStep, int(logic.messages.items.size() - before)}),
                  Ints({row[2], row[2], row[3]})) << row[0];
    }
    EXPECT_STREQ(logic.messages.items.back().text, "Demo");
}

// Load places the panel; the pointer fades in while the game is paused and
// out while it is played.  F9 asks for a screenshot in every step it is
// held.  Q on the open panel and Shift+Escape are in the golden traces;
// Escape held and then left Shift quits too, as the two are down together.
TEST_F(Match, PanelPointerScreenshotsAndEscapeHeldThenShiftQuits) {
    const MousePointer& Pointer = logic.pointer;
    EXPECT_EQ(std::vector<float>({logic.panel.x, logic.panel.y, logic.panel.homeX, float(Pointer.fadeMode)}),
              std::vector<float>({212, 334, 212, FadeOut}));
    std::vector<float> alpha;
    for (int i = 0; i < 2; ++i) {
        hold({ScanEsc});
        run(17);
        alpha.push_back(Pointer.alpha);
        hold({ScanF9});
        run(i + 12);
    }
    EXPECT_EQ(alpha, std::vector<float>({255, 0}));
    hold({ScanEsc});
    run(1);
    EXPECT_FALSE(logic.quitRequested());
    hold({ScanEsc, ScanLShift});
    run(1);
    EXPECT_TRUE(logic.quitRequested());
    EXPECT_EQ(shots, 25);
}

TEST_F(Match, JoystickModeReadsItsOwnSnapshotOncePerPress) {
    run(76);
    Board& b = logic.boards[0];
    b.setControlMode(ControlJoystick);
    const int column = b.pair.column;
    input.joysticks[0] = 1u << JoyRight;
    input.joysticks[1] = 1u << JoyLeft;
    run(3);
    EXPECT_EQ(Ints({b.pair.column, JoystickSnapshot::active(0xffff, JoyInputs)}), Ints({column + 1, 0}));
    input = StepInput();
    b.setControlMode(ControlNone);
    hold({ScanLeft});
    run(1);
    EXPECT_EQ(b.pair.column, column + 1);
}

// 256 names of up to 255 characters; hidden names refused; a pick draws one
// word (none from an empty list) and takes the name it selects.
TEST(FileListPick, BoundsAndDraws) {
    freshState(7);
    std::mt19937 ref(7);
    FileList list;
    EXPECT_TRUE(list.pick(Random) == nullptr && Random.draws() == 0u);
    const std::string longest(255, 'n');
    EXPECT_EQ(Ints({list.add(".hidden"), list.add((longest + "n").c_str()), list.add(longest.c_str())}),
              Ints({0, 0, 1}));
    for (int i = 1; i < FileList::Capacity; ++i) ASSERT_TRUE(list.add(std::to_string(i).c_str()));
    EXPECT_TRUE(!list.add("one too many") && list.count() == FileList::Capacity);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(list.pick(Random), list.name(static_cast<int>(ref() % 256)));
}

// After every step of random play the board's cells, the pair and the
// counters stay valid, and the blocks on the board are exactly those that
// entered minus those that left (gravity only moves them).
void checkInvariants(const MatchState& logic) {
    const PlayerRecord* Players = logic.players;
    const Board& b = logic.boards[0];
    for (const auto* grid : {b.grid, b.staging}) {
        for (int i = 0; i < Board::Columns * Board::Rows; ++i) {
            const Cell& c = grid[i / Board::Rows][i % Board::Rows];
            const bool dealt =
                c.kind >= KindBlock && c.kind <= KindBreaker && c.colour >= ColourRed && c.colour <= ColourYellow;
            ASSERT_TRUE(c.kind == KindEmpty ? c.colour == ColourNone : dealt) << c.kind << c.colour;
            // Marking and destruction share a step; staged blocks never fly.
            ASSERT_TRUE(!c.marked && !(grid == b.staging && c.flying) && c.alpha >= 0 && c.alpha <= 255);
        }
    }
    const FallingPair& p = b.pair;
    const int sc = p.column + FallingPair::satelliteColumnOffset(p.rotation);
    ASSERT_TRUE(p.column >= 0 && p.column <= 7 && sc >= 0 && sc <= 7) << p.column << " " << sc;
    for (const Cell* c : {&p.pivot, &p.satellite}) {
        ASSERT_TRUE(c->column >= 0 && c->column <= 7 && c->row >= -1 && c->row <= 11);
    }
    // Never drawn below the grid (the satellite once the pair rests).
    if (p.active && !b.frozen) {
        ASSERT_LE(p.touching ? std::max(p.pivot.screenY, p.satellite.screenY) : p.pivot.screenY, b.rowTop[11]);
    }
    ASSERT_TRUE(Players[0].pendingDrops >= 0 && Players[1].pendingDrops >= 0 && b.danger >= 0 &&
                b.brokenThisTurn >= 0 && b.brokenThisStep >= 0 && b.chain >= 0);
    ASSERT_EQ(Ints({b.particles.count, b.occupiedCount()}),
              Ints({static_cast<int>(b.particles.items.size()), static_cast<int>(b.blocksAdded - b.blocksRemoved)}));
}

// Many seeds, random held keys changed now and then (Escape and Enter
// rarely), thousands of steps each.
TEST(Property, RandomScriptsKeepTheBoardValid) {
    const int keys[] = {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter, ScanEsc};
    for (std::uint32_t seed = 1; seed <= 25; ++seed) {
        MatchState logic(1024, 768, seed);
        logic.load();
        std::mt19937 script(seed * 7919u);
        LiveInput live;
        for (int step = 0; step < 3000; ++step) {
            for (int k : keys) {
                if (step % 3 == 0) live.keys[k] = script() % (k == ScanEsc ? 200 : k == ScanEnter ? 20 : 3) == 0;
            }
            logic.step(logic.keyboardInput(live));
            ASSERT_NO_FATAL_FAILURE(checkInvariants(logic)) << "seed " << seed << " step " << step + 1;
        }
    }
}

// When a main-loop pass composes a frame: after a logic step, when a shown
// pointer moves or appears or goes, when the shell's lines change, and for
// the first frame; never when only a hidden pointer moved or nothing
// happened.  What was composed is what the next pass compares with.
TEST(FrameGate, ComposesOnlyWhatCanDiffer) {
    const struct Row {
        const char* what;
        FrameInputs shown, next;
        bool needed;
    } rows[] = {
        {"nothing changed", {7, 10, 20, true}, {7, 10, 20, true}, false},
        {"a logic step", {7, 10, 20, true}, {8, 10, 20, true}, true},
        {"shown pointer moved in x", {7, 10, 20, true}, {7, 11, 20, true}, true},
        {"shown pointer moved in y", {7, 10, 20, true}, {7, 10, 21, true}, true},
        {"hidden pointer moved", {7, 10, 20, false}, {7, 300, 400, false}, false},
        {"pointer appeared", {7, 10, 20, false}, {7, 10, 20, true}, true},
        {"pointer went", {7, 10, 20, true}, {7, 10, 20, false}, true},
        {"overlay text changed", {7, 10, 20, false, 5}, {7, 10, 20, false, 6}, true},
    };
    for (const Row& row : rows) {
        FrameGate gate;
        const bool first = gate.needed(row.shown), next = gate.needed(row.next), again = gate.needed(row.next);
        EXPECT_TRUE(first && next == row.needed && !again) << row.what;
    }
}

// Versus where the golden traces (versus_rounds, versus_cpu, its replay
// through keys alone, versus_cpu_weak) do not go: the round message's place,
// the speed-up limit, a round cut short mid-turn, the settings' ranges (the
// simulator's are in its command-line test).

// A match at 800 x 600 against an idle second player (or the computer),
// in play since its first step.
class Versus : public ::testing::Test {
protected:
    void start(int opponent) {
        m.versus.opponent = opponent;
        m.load();
        for (int i = 0; i < MatchState::FirstRoundStart; ++i) m.step(StepInput());
    }
    MatchState m{800, 600, 5489};
    PlayerRecord* Players = m.players;
};

// The versus traces carry the layout, the rounds won, drawn and lost, the
// match, the waits, blocks sent both ways and both boards paused.  Here: the
// round message's place and the speed-up of both boards at its limit.
TEST_F(Versus, RoundMessageBelowTheGridsAndBothBoardsSpeedUpToTheLimit) {
    start(1);
    const float top = m.messages.items.front().y;  // "Round 1", 60 pixels high: between the grids' bottom and the screen's
    EXPECT_TRUE(top >= m.boards[0].y + m.boards[0].height && top + 60 <= 600) << top;
    for (int side = 0; side < 2; ++side) {
        Cell &p = m.boards[side].pair.pivot, &s = m.boards[side].pair.satellite;
        p.fallStep = s.fallStep = MatchState::MaxFallStep - 1 + side;
    }
    m.elapsedTicks = m.roundStartTick + MatchState::VersusSpeedUpInterval - 1;
    m.step(StepInput());
    for (const Board& b : m.boards) {
        EXPECT_EQ(Ints({b.pair.pivot.fallStep, b.pair.satellite.fallStep}), Ints(2, MatchState::MaxFallStep));
    }
}

// Two players at one keyboard: the left board takes A/D/S/W/E and Tab, the
// right the arrows, Space and Enter; with a joystick on the right board the
// left keeps the arrows; against the computer the player has the arrows and
// the computer's tag its level.
TEST(VersusKeys, EachBoardTakesTheKeysOnItsOwnSide) {
    const int all[] = {ScanA, ScanD, ScanS, ScanW, ScanE, ScanTab, ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace,
                       ScanEnter};
    const struct Row {
        int opponent;
        bool joystick;
        int side0[6], side1[6];  // the keys giving each bit: left right soft hard rotate drop
        const char* name1;
    } rows[] = {
        {2, false, {ScanA, ScanD, ScanS, ScanW, ScanE, ScanTab}, {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter},
         "Player 2"},
        {2, true, {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter}, {}, "Player 2"},
        {1, false, {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter}, {}, "Computer \u00b7 4"},
        {0, false, {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter}, {}, "Player"},
    };
    const std::uint8_t bits[] = {SideLeft, SideRight, SideSoftDrop, SideHardDrop, SideRotate, SideDrop};
    for (const Row& row : rows) {
        MatchState m(1024, 768, 1);
        m.versus.opponent = row.opponent, m.versus.joystick = row.joystick, m.versus.cpuLevel = 4;
        m.load();
        EXPECT_STREQ(m.players[1].name, row.name1) << row.opponent;
        for (int key : all) {
            LiveInput live;
            live.keys[key] = 1;
            const StepInput in = m.keyboardInput(live);
            std::uint8_t want[2] = {0, 0};
            for (int i = 0; i < 6; ++i) {
                if (row.side0[i] == key) want[0] = bits[i];
                if (row.side1[i] == key) want[1] = bits[i];
            }
            EXPECT_EQ(Ints({in.sides[0], in.sides[1]}), Ints({want[0], want[1]})) << row.opponent << " key " << key;
        }
    }
}

// In versus a turn's messages stand one under the other; the single board
// keeps them where they land.
TEST(VersusMessages, ATurnsMessagesStackInVersusOnly) {
    for (int opponent : {0, 2}) {
        MatchState m(1024, 768, 3);
        m.versus.opponent = opponent;
        m.load();
        Board& b = m.boards[0];
        MatchBinding bind(MatchContext{&m.random, m.players, nullptr});
        b.announceCombo(2);
        b.announceCombo(3);
        m.players[0].pendingDrops = 3;
        b.dropBlocks();
        std::vector<float> tops;
        for (const FloatingMessage& msg : b.messages.items) tops.push_back(msg.y);
        ASSERT_EQ(tops.size(), 3u);
        // All three in the 24-pixel font: a line is 30 pixels.
        const bool stacked = tops[1] >= tops[0] + 30 && tops[2] >= tops[1] + 30;
        EXPECT_EQ(stacked, opponent != 0) << tops[0] << " " << tops[1] << " " << tops[2];
    }
}

// A round that ends mid-turn on busy boards: during the wait both are frozen
// with nothing waiting and the old score on show, only the loser's blocks
// fly off; after it both restart clean, without the cut-short turn's score.
TEST_F(Versus, ARoundEndedMidTurnRestartsClean) {
    start(2);
    for (int side = 0; side < 2; ++side) {
        Board& b = m.boards[side];
        put(b, 0, Board::Rows - 1, ColourRed);
        b.brokenThisTurn = 4, b.chain = 2, b.pair.pivot.fallStep = b.pair.satellite.fallStep = 9;
        Players[side].score = 300, Players[side].pendingDrops = 7;
    }
    m.boards[1].toppedOut = 1;
    m.step(StepInput());
    for (int side = 0; side < 2; ++side) {
        const Board& b = m.boards[side];
        EXPECT_EQ(Ints({b.frozen, b.toppedOut, Players[side].pendingDrops, Players[side].score,
                        b.grid[0][Board::Rows - 1].flying}),
                  Ints({1, 0, 0, 300, side})) << side;
    }
    for (int i = 0; i < MatchState::RestartDelay; ++i) m.step(StepInput());
    for (int side = 0; side < 2; ++side) {
        const Board& b = m.boards[side];
        EXPECT_EQ(Ints({b.roundsWon, b.frozen, b.pair.active, b.occupiedCount(), b.pair.pivot.fallStep,
                        b.pair.satellite.fallStep, b.chain, b.brokenThisTurn, b.danger, Players[side].score,
                        Players[side].pendingDrops}),
                  Ints({1 - side, 0, 1, 0, 2, 2, 0, 0, 0, 0, 0})) << side;
    }
}

TEST_F(Versus, ValuesOutsideTheirRangeTakeTheDefault) {
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
