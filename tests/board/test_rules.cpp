#include <gtest/gtest.h>

#include "support.h"

namespace tessaron {
namespace {
using namespace testing_support;

// A board in play whose pair is out of the way (neither active nor locked),
// so that only settling and breaking run.
class Rules : public ::testing::Test {
protected:
    void SetUp() override {
        startBoard(b);
        b.pair.active = 0;
        b.pair.locked = 0;
        b.tick = 100;
        b.settleUntil = 0;
    }
    FreshState fresh;
    Board b;
};

TEST_F(Rules, StackOverAGapOpensUpOneRowPerStep) {
    put(b, 0, 8, ColourRed);
    put(b, 0, 9, ColourGreen);
    put(b, 0, 10, ColourBlue);
    b.markFalling();
    b.applyGravity();
    EXPECT_EQ(b.grid[0][11].colour, ColourBlue);
    EXPECT_EQ(b.grid[0][9].colour, ColourGreen);
    b.markFalling();
    b.applyGravity();
    EXPECT_EQ(b.grid[0][10].colour, ColourGreen);
    EXPECT_EQ(b.grid[0][8].colour, ColourRed);
    b.markFalling();
    b.applyGravity();
    EXPECT_EQ(b.grid[0][9].colour, ColourRed);
    EXPECT_EQ(b.occupiedCount(), 3);
}

TEST_F(Rules, StagedBlocksFallIntoTheGrid) {
    b.staging[4][10].kind = KindBlock;
    b.staging[4][10].colour = ColourYellow;
    for (int i = 0; i < 2; ++i) {
        b.markFalling();
        b.applyGravity();
    }
    EXPECT_EQ(b.grid[4][0].colour, ColourYellow);
    EXPECT_EQ(b.occupiedCount(), 1);
}

struct BreakCase {
    const char* name;
    std::vector<std::vector<int>> cells;  // column, row, colour, kind
    int broken;
    int sounds;
};

class Breakers : public Rules, public ::testing::WithParamInterface<BreakCase> {};

TEST_P(Breakers, DestroyTheTouchedGroupOnly) {
    const BreakCase& k = GetParam();
    for (const auto& c : k.cells) put(b, c[0], c[1], c[2], c[3]);
    const int before = b.occupiedCount();
    b.fireBreakers();
    b.destroyMarked();
    EXPECT_EQ(b.brokenThisStep, k.broken);
    EXPECT_EQ(before - b.occupiedCount(), k.broken);
    EXPECT_EQ(static_cast<int>(soundLog().size()), k.sounds);
    EXPECT_EQ(b.chain, k.broken > 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, Breakers,
    ::testing::Values(
        BreakCase{"OtherColour", {{0, 11, 0, 1}, {1, 11, 1, 0}}, 0, 0},
        BreakCase{"Alone", {{3, 11, 2, 1}}, 0, 0},
        BreakCase{"PairOfBreakers", {{0, 11, 0, 1}, {1, 11, 0, 1}}, 2, 1},
        BreakCase{"WholeGroupNotOthers",
                  {{0, 11, 2, 1}, {1, 11, 2, 0}, {2, 11, 2, 0}, {2, 10, 2, 1}, {3, 11, 0, 0}, {2, 9, 1, 0}},
                  4,
                  1},  // the second breaker is already marked
        BreakCase{"TwoNeighboursTwoSounds", {{1, 11, 3, 1}, {0, 11, 3, 0}, {1, 10, 3, 0}}, 3, 2},
        BreakCase{"PlainGroupNeverBreaks", {{0, 11, 1, 0}, {1, 11, 1, 0}, {2, 11, 1, 0}, {3, 11, 1, 0}}, 0, 0}),
    [](const ::testing::TestParamInfo<BreakCase>& p) { return std::string(p.param.name); });

TEST_F(Rules, TwoGroupsInOneStepRaiseTheChainOnce) {
    put(b, 0, 11, ColourRed, KindBreaker);
    put(b, 1, 11, ColourRed);
    put(b, 5, 11, ColourBlue, KindBreaker);
    put(b, 6, 11, ColourBlue);
    put(b, 7, 11, ColourBlue);
    b.update();
    EXPECT_EQ(b.brokenThisTurn, 5);
    EXPECT_EQ(b.chain, 1);
    EXPECT_EQ(b.particles.count, static_cast<int>(b.particles.items.size()));
    EXPECT_GE(b.particles.count, 5 * 7);
}

TEST_F(Rules, BigBreaksFlashAndShake) {
    for (int c = 0; c < 8; ++c) put(b, c, 11, ColourGreen);
    for (int c = 0; c < 4; ++c) put(b, c, 10, ColourGreen);
    put(b, 4, 10, ColourGreen, KindBreaker);
    b.fireBreakers();
    EXPECT_EQ(b.brokenThisStep, 13);
    EXPECT_EQ(b.flash, 250);
    EXPECT_EQ(b.shakeMagnitude, 1);
    EXPECT_EQ(b.shakeUntil, b.tick + 15);
}

TEST_F(Rules, GravityPausesFifteenStepsAfterADestruction) {
    put(b, 0, 11, ColourRed, KindBreaker);
    put(b, 1, 11, ColourRed);
    put(b, 1, 10, ColourBlue);
    b.update();  // step t: destruction
    EXPECT_EQ(b.grid[1][11].kind, KindEmpty);
    const int t = b.tick;
    while (b.tick < t + 14) {
        b.update();
        EXPECT_EQ(b.grid[1][10].colour, ColourBlue) << b.tick - t;
    }
    b.update();  // t + 15
    EXPECT_EQ(b.grid[1][11].colour, ColourBlue);
}

TEST_F(Rules, NoBreakerFiresWhileStagedBlocksFall) {
    put(b, 0, 11, ColourRed, KindBreaker);
    put(b, 1, 11, ColourRed);
    b.staging[5][3].kind = KindBlock;
    b.staging[5][3].colour = ColourBlue;
    b.update();
    EXPECT_EQ(b.grid[0][11].kind, KindBreaker);
    while (b.staging[5][3].kind != KindEmpty || b.anyFalling()) b.update();
    b.update();
    EXPECT_EQ(b.grid[0][11].kind, KindEmpty);
}

TEST_F(Rules, BreakSoundFollowsTheChain) {
    const int expected[] = {3, 3, 4, 5, 6, 6};
    for (int chain = 0; chain < 6; ++chain) {
        b.chain = chain;
        b.chooseBreakSound();
        EXPECT_EQ(b.breakSound, expected[chain]);
    }
}

// Scoring: three destruction steps of 3, 4 and 5 blocks.
TEST_F(Rules, ThreeStepTurnScoresAndAnnouncesCombos) {
    const int sizes[] = {3, 4, 5};
    for (int size : sizes) {
        b.brokenThisStep = size;
        b.brokenThisTurn += size;
        b.destroyMarked();
    }
    ASSERT_EQ(b.messages.items.size(), 2u);
    const FloatingMessage& two = b.messages.items.front();
    const FloatingMessage& three = b.messages.items.back();
    EXPECT_STREQ(two.text, "x2 Combo");
    EXPECT_EQ(two.colour, (Rgb{255, 255, 255}));
    EXPECT_EQ(two.fontIndex, 2);
    EXPECT_FLOAT_EQ(two.fadeInStep, 35.5f);
    EXPECT_STREQ(three.text, "x3 Combo");
    EXPECT_EQ(three.colour, (Rgb{0, 255, 0}));
    EXPECT_EQ(b.flash, 250);
    b.endTurn();
    EXPECT_EQ(Players[0].score, 360);
    EXPECT_EQ(Players[1].pendingDrops, 36);
    EXPECT_EQ(b.chain, 0);
}

TEST_F(Rules, ComboLooksByLength) {
    struct Look {
        int k;
        Rgb colour;
        int font;
    } looks[] = {{4, {175, 50, 50}, 3}, {5, {255, 0, 0}, 4}, {6, {255, 0, 0}, 5}, {7, {255, 0, 0}, 6}, {9, {255, 0, 0}, 6}};
    for (const Look& look : looks) {
        const std::uint64_t before = Random.draws();
        b.announceCombo(look.k);
        const FloatingMessage& m = b.messages.items.back();
        EXPECT_EQ(m.colour, look.colour);
        EXPECT_EQ(m.fontIndex, look.font);
        EXPECT_EQ(Random.draws() - before, 3u);
        EXPECT_LE(m.x, b.x + 120 + 20);
        EXPECT_GE(m.y, b.y + 180 - 20);
    }
}

TEST_F(Rules, TurnWithoutDestructionChangesNoRecord) {
    b.endTurn();
    EXPECT_EQ(Players[0].score, 0);
    EXPECT_EQ(Players[0].scoreGlow, 180);
    EXPECT_EQ(Players[1].pendingDrops, 0);
}

TEST_F(Rules, SingleDestructionOfThree) {
    put(b, 0, 11, ColourRed, KindBreaker);
    put(b, 1, 11, ColourRed);
    put(b, 2, 11, ColourRed);
    b.update();
    b.endTurn();
    EXPECT_EQ(Players[0].score, 30);
    EXPECT_EQ(Players[1].pendingDrops, 3);
    EXPECT_TRUE(b.messages.items.empty());
}

struct DropCase {
    int pending;
    int rowEleven;
    int rowTen;
    int total;
};

class Drops : public Rules, public ::testing::WithParamInterface<DropCase> {};

TEST_P(Drops, FillTheStagingGridFromTheBottom) {
    const DropCase k = GetParam();
    Players[0].pendingDrops = k.pending;
    b.dropBlocks();
    auto rowCount = [&](int r) {
        int n = 0;
        for (int c = 0; c < 8; ++c) n += b.staging[c][r].occupied();
        return n;
    };
    EXPECT_EQ(rowCount(11), k.rowEleven);
    EXPECT_EQ(rowCount(10), k.rowTen);
    EXPECT_EQ(b.occupiedCount(), k.total);
    EXPECT_EQ(Players[0].pendingDrops, 0);
    EXPECT_EQ(b.danger, 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, Drops,
                         ::testing::Values(DropCase{5, 5, 0, 5}, DropCase{12, 8, 4, 12}, DropCase{200, 8, 8, 96},
                                           DropCase{0, 0, 0, 0}));

TEST_F(Rules, DropMessageNamesTheCount) {
    Players[0].pendingDrops = 7;
    b.dropBlocks();
    ASSERT_EQ(b.messages.items.size(), 1u);
    EXPECT_STREQ(b.messages.items.back().text, "Dropped 7 blocks");
}

// A staging row with no room passes the blocks to the row above; a full
// staging grid ends the drop.
TEST_F(Rules, DropIntoAFullStagingRowEnds) {
    for (int c = 0; c < 8; ++c) {
        b.staging[c][11].kind = KindBlock;
        b.staging[c][11].colour = ColourRed;
    }
    b.staging[0][10].kind = KindBlock;
    b.staging[0][10].colour = ColourRed;
    Players[0].pendingDrops = 9;
    b.dropBlocks();
    EXPECT_EQ(b.occupiedCount(), 9 + 9);
    for (int c = 0; c < 8; ++c) EXPECT_TRUE(b.staging[c][10].occupied());
    for (int c = 0; c < 8; ++c) {
        for (int r = 0; r < 12; ++r) {
            b.staging[c][r].kind = KindBlock;
            b.staging[c][r].colour = ColourRed;
        }
    }
    Players[0].pendingDrops = 5;
    b.dropBlocks();
    EXPECT_EQ(b.occupiedCount(), 96);
}

TEST_F(Rules, DangerFollowsPendingDropsAndClearsAfterTheDrop) {
    Players[0].pendingDrops = 3;
    b.pair.locked = 1;
    b.update();
    EXPECT_EQ(b.danger, 0);
    EXPECT_EQ(Players[0].pendingDrops, 0);
    int staged = 0;
    for (int c = 0; c < 8; ++c) staged += b.staging[c][11].occupied();
    EXPECT_EQ(staged, 3);
}

TEST(ScoreDisplay, RollsWithoutOvershootAndDims) {
    PlayerRecord p;
    p.score = 100;
    p.shownScore = 90;
    p.scoreGlow = 255;
    p.stepScoreDisplay();
    EXPECT_EQ(p.shownScore, 100);
    p.score = 0;
    p.stepScoreDisplay();
    EXPECT_EQ(p.shownScore, 87);
    for (int i = 0; i < 103; ++i) p.stepScoreDisplay();
    EXPECT_EQ(p.scoreGlow, 150);
    p.stepScoreDisplay();
    EXPECT_EQ(p.scoreGlow, 150);
    EXPECT_EQ(p.shownScore, 0);
}

} // namespace
} // namespace tessaron
