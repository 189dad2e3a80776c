#include <gtest/gtest.h>

#include <cstring>

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

TEST_F(Match, LoadPlacesBoardZeroAndShowsRoundOne) {
    const Board& b = logic.boards[0];
    EXPECT_EQ(b.x, 1024 / 2 - 120 - 30);
    EXPECT_EQ(b.y, 768 / 2 - 180);
    EXPECT_STREQ(Players[0].name, "Demo Player");
    EXPECT_TRUE(b.nextPair.preview);
    EXPECT_TRUE(b.frozen);
    ASSERT_EQ(logic.messages.items.size(), 1u);
    EXPECT_STREQ(logic.messages.items.front().text, "Round 1");
    EXPECT_EQ(Pointer.fadeMode, FadeOut);
    EXPECT_FLOAT_EQ(logic.panel.x, 1024 / 2 - 300);
}

TEST_F(Match, FirstRoundStartsAtStep75WithScoreReset) {
    Players[0].score = 50;
    run(74);
    EXPECT_TRUE(logic.boards[0].frozen);
    EXPECT_FALSE(logic.roundStarted);
    run(1);
    EXPECT_FALSE(logic.boards[0].frozen);
    EXPECT_TRUE(logic.boards[1].frozen);
    EXPECT_TRUE(logic.roundStarted);
    EXPECT_EQ(Players[0].score, 0);
    EXPECT_EQ(Players[0].scoreGlow, 254);  // glowing, one step dimmed
    EXPECT_TRUE(logic.boards[0].pair.active);
}

TEST_F(Match, LossScattersAndRestartsOneHundredStepsLater) {
    run(80);
    Board& b = logic.boards[0];
    b.pair.pivot.fallStep = b.pair.satellite.fallStep = 9;
    Players[0].score = 70;
    b.toppedOut = 1;
    logic.loseCheck();
    const int lostAt = logic.elapsedTicks;
    EXPECT_TRUE(b.frozen);
    EXPECT_EQ(logic.roundStartTick, lostAt + 100);
    EXPECT_STREQ(logic.messages.items.back().text, "You Lose!");
    EXPECT_EQ(logic.roundsLost, 1);
    run(99);
    EXPECT_TRUE(b.frozen);
    EXPECT_EQ(Players[0].score, 70);
    run(1);
    EXPECT_FALSE(b.frozen);
    EXPECT_EQ(Players[0].score, 0);
    EXPECT_EQ(b.pair.pivot.fallStep, 2);
    EXPECT_EQ(b.occupiedCount(), 0);
}

TEST_F(Match, DemoNoticeAndSpeedUp) {
    logic.elapsedTicks = 999;
    logic.roundStartTick = 100000;  // keep the board out of play
    const std::size_t before = logic.messages.items.size();
    run(1);
    EXPECT_EQ(logic.messages.items.size(), before + 1);
    EXPECT_STREQ(logic.messages.items.back().text, "Demo");
    Board& b = logic.boards[0];
    logic.elapsedTicks = 3499;
    run(1);
    EXPECT_EQ(b.pair.pivot.fallStep, 3);
    EXPECT_EQ(b.pair.satellite.fallStep, 3);
    b.pair.pivot.fallStep = b.pair.satellite.fallStep = 30;
    logic.elapsedTicks = 6999;
    run(1);
    EXPECT_EQ(b.pair.pivot.fallStep, 30);
}

TEST_F(Match, EscapePausesEverythingButThePanelAndPointer) {
    run(100);
    hold({ScanEsc});
    run(1);
    EXPECT_TRUE(logic.paused);
    EXPECT_EQ(soundLog().back(), SoundPanelWake);
    const int t = logic.elapsedTicks;
    const FallingPair pair = logic.boards[0].pair;
    hold({ScanLeft});
    run(20);
    EXPECT_EQ(logic.elapsedTicks, t);
    EXPECT_EQ(logic.boards[0].pair.pivot.screenY, pair.pivot.screenY);
    EXPECT_EQ(logic.boards[0].pair.column, pair.column);
    EXPECT_FLOAT_EQ(Pointer.alpha, 255.0f);
    hold({ScanLeft, ScanEsc});
    run(1);
    EXPECT_FALSE(logic.paused);
    run(1);
    // Left was held through the pause: not a new press.
    EXPECT_EQ(logic.boards[0].pair.column, pair.column);
}

TEST_F(Match, QuitKeys) {
    hold({ScanQ});
    run(1);
    EXPECT_FALSE(logic.quitRequested());
    hold({ScanEsc});
    run(1);
    hold({ScanEsc, ScanQ});
    run(1);
    EXPECT_TRUE(logic.quitRequested());

    MatchLogic other(800, 600);
    other.load();
    hold({ScanLShift, ScanEsc});
    other.step();
    EXPECT_TRUE(other.quitRequested());
}

TEST_F(Match, ControlsActOncePerPress) {
    run(76);
    Board& b = logic.boards[0];
    ASSERT_TRUE(b.pair.active);
    const int column = b.pair.column;
    hold({ScanLeft});
    run(5);
    EXPECT_EQ(b.pair.column, column - 1);
    hold({});
    run(1);
    hold({ScanLeft});
    run(1);
    EXPECT_EQ(b.pair.column, column - 2);
    hold({ScanLeft, ScanRight});
    hold({});
    run(1);
    hold({ScanLeft, ScanRight});
    run(1);
    EXPECT_EQ(b.pair.column, column - 2);  // left then right
    const int pending = Players[0].pendingDrops;
    hold({ScanEnter});
    run(3);
    EXPECT_GE(Players[0].pendingDrops - pending, 2);
    EXPECT_LE(Players[0].pendingDrops - pending, 8);
}

TEST_F(Match, F9CallsTheScreenshotHookEveryStepItIsHeld) {
    int shots = 0;
    logic.hooks.screenshot = [](void* count) { ++*static_cast<int*>(count); };
    logic.hooks.context = &shots;
    hold({ScanF9});
    run(25);
    EXPECT_EQ(shots, 25);
}

int FakeJoystick[2][JoyInputs];
int readFake(int joystick, int input) { return FakeJoystick[joystick][input]; }

TEST_F(Match, JoystickModeReadsItsSnapshot) {
    run(76);
    Board& b = logic.boards[0];
    b.setControlMode(ControlJoystick);
    const int column = b.pair.column;
    setJoystickReader(readFake);
    FakeJoystick[0][JoyRight] = 1;
    run(3);
    EXPECT_EQ(b.pair.column, column + 1);
    EXPECT_FALSE(Joysticks[1].active(JoyRight));
    EXPECT_FALSE(Joysticks[0].active(12));
    setJoystickReader(nullptr);
    FakeJoystick[0][JoyRight] = 0;
    b.setControlMode(ControlNone);
    hold({ScanLeft});
    run(1);
    EXPECT_EQ(b.pair.column, column + 1);
}

TEST(FileListPick, EmptyListNeverDraws) {
    freshState();
    FileList list;
    EXPECT_EQ(list.pick(), nullptr);
    EXPECT_EQ(Random.draws(), 0u);
    EXPECT_FALSE(list.add(".hidden"));
    EXPECT_TRUE(list.add("song.xm"));
    EXPECT_STREQ(list.pick(), "song.xm");
    EXPECT_EQ(Random.draws(), 1u);
    for (int i = 1; i < FileList::Capacity; ++i) list.add("x");
    EXPECT_FALSE(list.add("one too many"));
    EXPECT_EQ(list.count(), FileList::Capacity);
}

} // namespace
} // namespace tessaron
