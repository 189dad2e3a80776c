// The session's logic where the golden traces do not reach: the panel's place
// and the pointer, the round reset and start field by field, the step counts
// past the traces' length, a quit key order, the screenshot hook, each
// joystick and the file list; random play keeping the board valid; when a
// frame is composed; versus where its traces do not go.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

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

// Each side's joystick steers its own board alone: moves and turns once per
// press, drops while held; a board steered by keys or by nobody ignores it.
TEST(Joystick, EachInputSteersOnlyItsOwnBoard) {
    // input; the pair's column moved, turned, hard dropping, soft dropping
    const int rows[][5] = {{JoyLeft, -1, 0, 0, 0}, {JoyRight, 1, 0, 0, 0}, {JoyUp, 0, 0, 1, 0},
                           {JoyDown, 0, 0, 0, 1},  {JoyButton0, 0, 1, 0, 0}, {JoyButton0 + 1, 0, 0, 0, 0}};
    for (int side = 0; side < 2; ++side) {
        for (const auto& row : rows) {
            MatchState m(1024, 768, 9);
            m.versus.opponent = 2, m.versus.joystick = true;
            m.load();
            m.boards[0].setControlMode(side == 0 ? ControlJoystick : ControlNone);
            for (int i = 0; i < MatchState::FirstRoundStart + 5; ++i) m.step(StepInput());
            const FallingPair was[2] = {m.boards[0].pair, m.boards[1].pair};
            StepInput in;
            in.joysticks[side] = static_cast<std::uint16_t>(1u << row[0]);
            in.sides[0] = in.sides[1] = SideLeft | SideRotate;  // keys, which neither board reads
            for (int i = 0; i < 3; ++i) m.step(in);
            for (int b = 0; b < 2; ++b) {
                const FallingPair& p = m.boards[b].pair;
                const Ints moved = {p.column - was[b].column, p.rotation != was[b].rotation, p.hardDropping,
                                    p.pivot.vy == p.pivot.fastFallStep};
                EXPECT_EQ(moved, b == side ? Ints(row + 1, row + 5) : Ints(4, 0)) << side << " " << row[0] << " " << b;
            }
        }
    }
    EXPECT_FALSE(JoystickSnapshot::active(0xffff, JoyInputs) || JoystickSnapshot::active(0xffff, -1));
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
// through keys alone, versus_cpu_weak and _default, versus_speedup) and the
// golden frames do not go: each side's keys, joystick and drop key, a round
// cut short mid-turn, the pause, the computer's generator and levels (the
// settings' ranges are in the settings and command-line tests).

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

// Two players at one keyboard: the left board takes A/D/S/W/E and Tab, the
// right the arrows, Space and Enter; with a joystick on the right board the
// left keeps the arrows; against the computer (a joystick or not) the player
// has the arrows and the computer's tag its level.
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
        {1, true, {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter}, {}, "Computer \u00b7 4"},
        {0, false, {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter}, {}, "Player"},
    };
    const std::uint8_t bits[] = {SideLeft, SideRight, SideSoftDrop, SideHardDrop, SideRotate, SideDrop};
    for (const Row& row : rows) {
        MatchState m(1024, 768, 1);
        m.versus.opponent = row.opponent, m.versus.joystick = row.joystick, m.versus.cpuLevel = 4;
        m.load();
        EXPECT_STREQ(m.players[1].name, row.name1) << row.opponent;
        // A joystick steers board 1 for a second player only, from the first joystick attached.
        const bool stick = row.joystick && row.opponent == 2;
        EXPECT_EQ(Ints({m.boards[1].controlMode, m.joysticks[1].joystick}),
                  Ints({stick ? ControlJoystick : ControlKeyboard, stick ? 0 : 1})) << row.opponent;
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
    EXPECT_EQ(m.messages.items.back().alpha, 255.0f);  // the result at full strength at once
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

// Enter drops blocks on its player's own board and Escape pauses, from a
// side a player holds, never from a side nobody plays or the computer's;
// paused, nothing of the match moves whatever is held: not the boards, the
// clock, the computer's plans nor its keys.
TEST(VersusPause, NothingMovesWhilePausedAndOnlyPlayersPause) {
    for (int opponent = 0; opponent < 3; ++opponent) {
        for (int side = 0; side < 2; ++side) {
            MatchState m(1024, 768, 11);
            m.versus.opponent = opponent, m.versus.cpuLevel = 5;
            m.load();
            StepInput in;
            for (int i = 0; i < 150; ++i) m.step(in);  // mid-round: no board frozen
            const Ints pending = {m.players[0].pendingDrops, m.players[1].pendingDrops};
            in.sides[side] = SideDrop;
            m.step(in);
            const bool played = side == 0 || opponent == 2;
            EXPECT_EQ(Ints({m.players[0].pendingDrops > pending[0], m.players[1].pendingDrops > pending[1]}),
                      Ints({side == 0, side == 1 && played})) << opponent << side;
            in.sides[side] = SidePause;
            m.step(in);
            for (int i = 0; i < 40; ++i) m.step(StepInput());
            ASSERT_EQ(m.paused, played) << opponent << side;
            if (!m.paused) continue;
            MatchState still = m;
            in.sides[0] = in.sides[1] = SideSteerBits | SideDrop;
            in.joysticks[0] = in.joysticks[1] = JoystickBits;
            for (int i = 0; i < 200; ++i) m.step(in);
            still.panel = m.panel, still.pointer = m.pointer, still.messages = m.messages, still.keys = m.keys;
            still.joysticks[0] = m.joysticks[0], still.joysticks[1] = m.joysticks[1];
            EXPECT_TRUE(still == m) << opponent << side;
        }
    }
}

// Each level of the computer plays its own game against the quick bot,
// pinned by the match's digest (which changes only with the state's fields):
// every level's settings and percentages decide it (level 3, the default,
// also has a golden trace).  Level 1, the most random, starts its generator
// from the seed that would zero it.
TEST(CpuPlayer, EachLevelPlaysItsOwnGame) {
    const std::uint64_t digests[] = {0x3e8f45a9b4569d97ull, 0x288cdd7cab806c1aull, 0xf2485705f42a60b2ull,
                                      0x17a286fd5286c926ull, 0x95e840a93e3e6170ull};
    for (int level = 1; level <= 5; ++level) {
        MatchState m(1024, 768, 20261207);
        m.versus.opponent = 1, m.versus.cpuLevel = level;
        m.load();
        m.cpu = CpuPlayer(0x9e3779b9u + static_cast<std::uint32_t>(level - 1), level);
        CpuPlayer bot(7, 0);
        StepInput in;
        for (int i = 0; i < 12000; ++i) {
            bot.steer(m.boards[0], in.sides[0]);
            m.step(in);
        }
        EXPECT_EQ(m.matchDigest(), digests[level - 1]) << level;
    }
}

} // namespace
} // namespace tessaron
