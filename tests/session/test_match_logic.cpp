// The session's logic where the golden traces do not reach: the panel's place
// and the pointer, the round reset and start field by field, the step counts
// past the traces' length, a quit key order, the screenshot hook, the
// joystick and the file list.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "../board/support.h"
#include "session/controls.h"
#include "session/file_list.h"
#include "session/match_logic.h"

namespace tessaron {
namespace {
using namespace testing_support;

class Match : public ::testing::Test {
protected:
    void SetUp() override { logic.load(); }
    void hold(std::initializer_list<int> keys) {
        std::memset(Live.keys, 0, sizeof Live.keys);
        for (int k : keys) Live.keys[k] = 1;
    }
    void run(int steps) {
        for (int i = 0; i < steps; ++i) logic.step();
    }
    FreshState fresh;
    MatchLogic logic{1024, 768};
};

// Load places the panel; the pointer fades in while the game is paused and
// out while it is played.
TEST_F(Match, PanelPlacedAndPointerShownOnlyWhilePaused) {
    EXPECT_EQ(std::vector<float>({logic.panel.x, logic.panel.y, logic.panel.homeX, float(Pointer.fadeMode)}),
              std::vector<float>({212, 334, 212, FadeOut}));
    std::vector<float> alpha;
    for (int i = 0; i < 2; ++i) {
        hold({ScanEsc});
        run(17);
        alpha.push_back(Pointer.alpha);
        hold({});
        run(1);
    }
    EXPECT_EQ(alpha, std::vector<float>({255, 0}));
}

// A loss resets the round (every field) and the next one starts exactly 100
// steps later with a fresh board, score and fall speed.
TEST_F(Match, LossResetsTheRoundAndTheNextStartsFresh) {
    run(80);
    Board& b = logic.boards[0];
    b.pair.pivot.fallStep = b.pair.satellite.fallStep = 9;
    Players[0].score = 70;
    Players[0].pendingDrops = 5;
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

// Q on the open panel and Shift+Escape are in the golden traces; Escape held
// and then left Shift quits too, as the two are down together.  F9 calls the
// screenshot hook in every step it is held.
TEST_F(Match, EscapeHeldThenShiftQuitsAndF9TakesAShotEachStep) {
    int shots = 0;
    logic.hooks.screenshot = [](void* count) { ++*static_cast<int*>(count); };
    logic.hooks.context = &shots;
    hold({ScanF9});
    run(25);
    hold({ScanEsc});
    run(1);
    EXPECT_FALSE(logic.quitRequested());
    hold({ScanEsc, ScanLShift});
    run(1);
    EXPECT_TRUE(logic.quitRequested());
    EXPECT_EQ(shots, 25);
}

int FakeJoystick[2][JoyInputs];
int readFake(int joystick, int input) { return FakeJoystick[joystick][input]; }

TEST_F(Match, JoystickModeReadsItsOwnSnapshotOncePerPress) {
    run(76);
    Board& b = logic.boards[0];
    b.setControlMode(ControlJoystick);
    const int column = b.pair.column;
    setJoystickReader(readFake);
    FakeJoystick[0][JoyRight] = FakeJoystick[1][JoyLeft] = 1;
    run(3);
    EXPECT_EQ(Ints({b.pair.column, Joysticks[0].active(JoyInputs)}), Ints({column + 1, 0}));
    setJoystickReader(nullptr);
    FakeJoystick[0][JoyRight] = FakeJoystick[1][JoyLeft] = 0;
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
    EXPECT_TRUE(list.pick() == nullptr && Random.draws() == 0u);
    EXPECT_EQ(Ints({list.add(".hidden"), list.add(std::string(256, 'n').c_str()), list.add(std::string(255, 'n').c_str())}),
              Ints({0, 0, 1}));
    for (int i = 1; i < FileList::Capacity; ++i) ASSERT_TRUE(list.add(std::to_string(i).c_str()));
    EXPECT_TRUE(!list.add("one too many") && list.count() == FileList::Capacity);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(list.pick(), list.name(static_cast<int>(ref() % 256)));
}

} // namespace
} // namespace tessaron
