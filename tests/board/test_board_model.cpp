#include <gtest/gtest.h>

#include "support.h"

namespace tessaron {
namespace {
using namespace testing_support;

class BoardModel : public ::testing::Test {
protected:
    void SetUp() override { freshState(); }
};

TEST_F(BoardModel, NewBoardDefaults) {
    Board b;
    for (int c = 0; c < Board::Columns; ++c) {
        for (int r = 0; r < Board::Rows; ++r) {
            EXPECT_EQ(b.grid[c][r].kind, KindEmpty);
            EXPECT_EQ(b.grid[c][r].colour, ColourNone);
            EXPECT_EQ(b.staging[c][r].kind, KindEmpty);
        }
    }
    EXPECT_EQ(b.flash, 185);
    EXPECT_EQ(b.breakSound, 3);
    EXPECT_EQ(b.settleUntil, 10);
    for (int r = 0; r < Board::Rows; ++r) EXPECT_EQ(b.rowTop[r], 30 * r);
    EXPECT_EQ(Random.draws(), 8u);  // both pairs dealt
    EXPECT_TRUE(b.pair.active);
    EXPECT_EQ(b.pair.spawnRow, -1);
}

TEST_F(BoardModel, LayoutOfTheExample) {
    Board b;
    b.setHome(100, 50);
    b.setPosition(100, 50);
    EXPECT_EQ(b.grid[2][3].screenX, 160);
    EXPECT_EQ(b.grid[2][3].screenY, 140);
    EXPECT_EQ(b.rowTop[11], 380);
    EXPECT_EQ(b.staging[0][0].screenX, 100);
    EXPECT_EQ(b.staging[0][0].screenY, 20);
    EXPECT_EQ(b.staging[0][11].screenY, -310);
    b.grid[1][1].flying = 1;
    b.grid[1][1].screenX = 7;
    b.setPosition(0, 0);
    EXPECT_EQ(b.grid[1][1].screenX, 7);
}

TEST_F(BoardModel, FlashColours) {
    Board b;
    b.frozen = 1;
    b.flash = 251;  // relaxes to 250 in the step
    b.update();
    EXPECT_EQ(b.backgroundColour, (Rgb{0, 65, 65}));
    EXPECT_EQ(b.borderColour, (Rgb{250, 150, 125}));
    b.flash = 185;
    b.update();
    EXPECT_EQ(b.backgroundColour, (Rgb{0, 0, 0}));
    EXPECT_EQ(b.borderColour, (Rgb{185, 85, 92}));
}

TEST_F(BoardModel, ShakeStaysInItsRangeAndReturnsExactlyHome) {
    Board b;
    b.frozen = 1;
    b.setHome(100, 50);
    b.startShake(200, 3);
    for (int i = 0; i < 199; ++i) {
        b.update();
        EXPECT_GT(b.x, 100 - 7);  // offsets in (-6, 9), truncated with the home coordinate
        EXPECT_LT(b.x, 100 + 9);
        EXPECT_GT(b.y, 50 - 7);
        EXPECT_LT(b.y, 50 + 9);
    }
    b.update();
    EXPECT_EQ(b.x, 100);
    EXPECT_EQ(b.y, 50);
    EXPECT_EQ(b.shakeMagnitude, 1);
}

TEST_F(BoardModel, ResetEmptiesTheGridsButKeepsCountersAndPreview) {
    Board b;
    put(b, 0, 11, ColourRed);
    b.staging[2][11].kind = KindBlock;
    b.staging[2][11].colour = ColourBlue;
    b.tick = 40;
    b.chain = 2;
    b.brokenThisTurn = 7;
    const Cell previewPivot = b.nextPair.pivot;
    b.reset();
    EXPECT_EQ(b.occupiedCount(), 0);
    EXPECT_EQ(b.tick, 40);
    EXPECT_EQ(b.chain, 2);
    EXPECT_EQ(b.brokenThisTurn, 7);
    EXPECT_EQ(b.nextPair.pivot.colour, previewPivot.colour);
}

TEST_F(BoardModel, ScatterLaunchesOnlyOccupiedGridCells) {
    Board b;
    put(b, 0, 11, ColourRed);
    put(b, 5, 3, ColourGreen);
    b.staging[1][11].kind = KindBlock;
    const std::uint64_t before = Random.draws();
    b.scatter();
    EXPECT_EQ(Random.draws() - before, 4u);
    EXPECT_TRUE(b.grid[0][11].flying);
    EXPECT_GE(b.grid[5][3].vx, -25);
    EXPECT_LE(b.grid[5][3].vx, 25);
    EXPECT_GE(b.grid[5][3].vy, -45);
    EXPECT_LE(b.grid[5][3].vy, -2);
    EXPECT_FALSE(b.grid[1][1].flying);
    EXPECT_FALSE(b.staging[1][11].flying);
}

TEST_F(BoardModel, FrozenBoardOnlyAnimates) {
    Board b;
    startBoard(b);
    b.frozen = 1;
    Players[0].pendingDrops = 4;
    const FallingPair before = b.pair;
    const int previewAge = b.nextPair.age;
    b.update();
    EXPECT_EQ(b.pair.pivot.screenY, before.pivot.screenY);
    EXPECT_EQ(b.nextPair.age, previewAge + 1);
    EXPECT_EQ(b.danger, 4);
}

TEST_F(BoardModel, LockedPairOnSupportEndsTheTurnInTheSameStep) {
    Board b;
    startBoard(b);
    b.pair.hardDrop();
    while (b.pair.active) b.update();
    EXPECT_TRUE(b.newPairDue);
    b.update();
    EXPECT_TRUE(b.pair.active);
    EXPECT_EQ(b.pair.age, 1);
}

} // namespace
} // namespace tessaron
