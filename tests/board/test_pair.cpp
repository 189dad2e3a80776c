#include <gtest/gtest.h>

#include <algorithm>

#include "support.h"

namespace tessaron {
namespace {
using namespace testing_support;

class Pair : public ::testing::Test {
protected:
    void SetUp() override { startBoard(b); }
    // Runs updates until the pair locks; returns how many.
    int runUntilLocked(int limit = 1000) {
        int n = 0;
        while (b.pair.active && n < limit) {
            b.update();
            ++n;
        }
        return n;
    }
    FreshState fresh;
    Board b;
};

TEST_F(Pair, StartsAboveTheGridInColumnThreeAndFades) {
    b.pair.respawn();
    EXPECT_EQ(b.pair.column, 3);
    EXPECT_EQ(b.pair.pivot.screenX, 190);
    EXPECT_EQ(b.pair.pivot.screenY, 20);
    EXPECT_EQ(b.pair.satellite.screenY, -10);
    EXPECT_EQ(b.pair.pivot.alpha, 0);
    EXPECT_EQ(b.pair.satellite.alpha, 0);
    b.update();
    EXPECT_EQ(b.pair.pivot.screenY, 22);
}

TEST_F(Pair, TakesThePreviewBlocksUpperOnTop) {
    b.nextPair.pivot.colour = ColourGreen;
    b.nextPair.pivot.kind = KindBreaker;
    b.nextPair.satellite.colour = ColourYellow;
    b.nextPair.satellite.kind = KindBlock;
    b.newPairDue = 1;
    b.update();
    EXPECT_EQ(b.pair.satellite.colour, ColourGreen);
    EXPECT_EQ(b.pair.satellite.kind, KindBreaker);
    EXPECT_EQ(b.pair.pivot.colour, ColourYellow);
    EXPECT_EQ(b.pair.pivot.kind, KindBlock);
}

TEST_F(Pair, LocksOnItsEleventhTouchingStep) {
    while (!b.pair.touching) b.update();
    int touchingSteps = 1;
    while (b.pair.active) {
        b.update();
        ++touchingSteps;
    }
    EXPECT_EQ(touchingSteps, 11);
    EXPECT_EQ(b.occupiedCount(), 2);
    EXPECT_EQ(soundLog().back(), SoundClink);
}

TEST_F(Pair, SoftDropWhileTouchingLocksAtTheNextStep) {
    while (!b.pair.touching) b.update();
    b.pair.softDrop();
    b.update();
    EXPECT_FALSE(b.pair.active);
}

TEST_F(Pair, DropTimings) {
    int y = b.pair.pivot.screenY;
    b.pair.softDrop();
    b.update();
    EXPECT_EQ(b.pair.pivot.screenY - y, 15);
    y = b.pair.pivot.screenY;
    b.pair.hardDrop();
    b.update();
    EXPECT_EQ(b.pair.pivot.screenY - y, 2);  // its fall was already set
    y = b.pair.pivot.screenY;
    b.update();
    EXPECT_EQ(b.pair.pivot.screenY - y, 30);
    b.pair.moveLeft();
    b.pair.rotate();
    EXPECT_EQ(b.pair.column, 3);
    EXPECT_EQ(b.pair.rotation, RotationAbove);
    // A hard-dropped pair locks in the first step in which it touches.
    while (!b.pair.touching) b.update();
    EXPECT_TRUE(b.pair.locked);
}

TEST_F(Pair, MovesStopAtTheWalls) {
    b.pair.rotation = RotationLeft;
    b.pair.column = 1;
    b.update();
    b.pair.moveLeft();
    EXPECT_EQ(b.pair.column, 1);
    b.pair.rotation = RotationRight;
    b.pair.column = 6;
    b.update();
    b.pair.moveRight();
    EXPECT_EQ(b.pair.column, 6);
}

struct KickCase {
    int rotation, column;
    bool touching, blockedLeft, blockedRight;
    int wantRotation, wantColumn;
};

class Kick : public ::testing::TestWithParam<KickCase> {};

TEST_P(Kick, TurnsAsTheRulesSay) {
    const KickCase k = GetParam();
    FallingPair p;
    p.rotation = k.rotation;
    p.column = k.column;
    p.touching = k.touching;
    p.blockedLeft = k.blockedLeft;
    p.blockedRight = k.blockedRight;
    p.rotate();
    EXPECT_EQ(p.rotation, k.wantRotation);
    EXPECT_EQ(p.column, k.wantColumn);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Kick,
    ::testing::Values(KickCase{0, 3, true, false, false, 1, 3}, KickCase{0, 3, true, false, true, 1, 2},
                      KickCase{0, 3, true, true, true, 2, 3}, KickCase{2, 3, true, true, false, 0, 3},
                      KickCase{2, 3, true, false, false, 3, 3}, KickCase{1, 3, true, false, false, 2, 3},
                      KickCase{0, 7, false, false, false, 1, 6}, KickCase{0, 7, false, true, false, 2, 7},
                      KickCase{0, 3, false, false, true, 1, 2}, KickCase{0, 3, false, true, true, 2, 3},
                      KickCase{2, 0, false, false, false, 3, 1}, KickCase{2, 0, false, false, true, 0, 0},
                      KickCase{2, 3, false, true, false, 0, 3}, KickCase{3, 3, false, false, false, 0, 3},
                      // Turns that the flags alone would send out of the grid: the
                      // wall kicks as a blocked side does.
                      KickCase{0, 7, true, false, false, 1, 6},   // above the grid, nothing blocks
                      KickCase{0, 7, true, true, false, 2, 7},
                      KickCase{2, 0, true, false, false, 0, 0},
                      KickCase{0, 0, true, false, true, 2, 0},    // flags from before a move left
                      KickCase{0, 0, false, false, true, 2, 0}));

TEST(KickSweep, NoTurnEverLeavesTheGrid) {
    for (int rot = 0; rot < 4; ++rot) {
        for (int col = 0; col < 8; ++col) {
            const int sc = col + FallingPair::satelliteColumnOffset(rot);
            if (sc < 0 || sc > 7) continue;
            for (int flags = 0; flags < 8; ++flags) {
                FallingPair p;
                p.rotation = rot;
                p.column = col;
                p.touching = flags & 1;
                p.blockedLeft = (flags >> 1) & 1;
                p.blockedRight = (flags >> 2) & 1;
                p.rotate();
                const int after = p.column + FallingPair::satelliteColumnOffset(p.rotation);
                EXPECT_GE(std::min(p.column, after), 0) << rot << " " << col << " " << flags;
                EXPECT_LE(std::max(p.column, after), 7) << rot << " " << col << " " << flags;
            }
        }
    }
}

TEST_F(Pair, TurnOnASupportLiftsThePair) {
    b.pair.rotation = RotationRight;
    b.update();
    while (!b.pair.touching) b.update();
    const int y = b.pair.pivot.screenY;
    b.pair.rotate();
    EXPECT_EQ(b.pair.rotation, RotationBelow);
    EXPECT_EQ(b.pair.pivot.screenY, y - 30);
}

TEST_F(Pair, TopsOutWhenTheSpawnColumnIsFull) {
    for (int r = 0; r < Board::Rows; ++r) put(b, 3, r, r % 2 ? ColourRed : ColourGreen);
    b.newPairDue = 1;
    int checks = 0;
    while (!b.toppedOut && checks < 20) {
        b.update();
        ++checks;
    }
    EXPECT_EQ(checks, 6);  // age and lockDelay meet at 5
    // Both cells above the grid: lightning and glass for each.
    std::vector<int> tail(soundLog().end() - 4, soundLog().end());
    EXPECT_EQ(tail, (std::vector<int>{7, 8, 7, 8}));
    EXPECT_EQ(b.occupiedCount(), 12);
}

// Turns in the last steps before the pair rests: the pair must be written as
// it is drawn, two cells, never below the grid or over a block.
class LateTurn : public Pair {
protected:
    // Puts the pair in `rotation` and lets it fall until its next step would
    // reach the row above `restRow` on the pivot's column.
    void fallTo(int rotation, int column, int restRow) {
        b.pair.rotation = rotation;
        b.pair.column = column;
        setPairBlocks(b.pair, ColourRed, KindBlock, ColourBlue, KindBlock);
        b.update();
        while (b.pair.pivot.screenY + b.pair.pivot.vy < b.rowTop[restRow] && !b.pair.touching) b.update();
    }
    void expectDrawnInsideTheGrid() {
        if (!b.pair.active) return;
        EXPECT_LE(b.pair.pivot.screenY + 30, b.y + b.height);
        EXPECT_LE(b.pair.satellite.screenY + 30, b.y + b.height);
    }
    void settle() {
        while (b.pair.active) {
            b.update();
            expectDrawnInsideTheGrid();
        }
        for (int i = 0; i < 40; ++i) b.update();
    }
    int colourAt(int c, int r) { return b.grid[c][r].kind == KindEmpty ? -1 : b.grid[c][r].colour; }
};

TEST_F(LateTurn, RightToBelowOnTheBottomRowWithSpentDelay) {
    fallTo(RotationRight, 2, 11);
    b.pair.lockDelay = 0;
    b.pair.rotate();
    ASSERT_EQ(b.pair.rotation, RotationBelow);
    settle();
    EXPECT_EQ(colourAt(2, 11), ColourBlue);
    EXPECT_EQ(colourAt(2, 10), ColourRed);
    EXPECT_EQ(b.occupiedCount(), 2);
}

TEST_F(LateTurn, RightToBelowOnTheBottomRowWithFullDelay) {
    fallTo(RotationRight, 2, 11);
    b.pair.rotate();
    settle();
    EXPECT_EQ(colourAt(2, 11), ColourBlue);
    EXPECT_EQ(colourAt(2, 10), ColourRed);
    EXPECT_EQ(b.occupiedCount(), 2);
}

TEST_F(LateTurn, RightToBelowOnTopOfAStack) {
    for (int r = 8; r < 12; ++r) put(b, 2, r, ColourGreen);
    fallTo(RotationRight, 2, 7);
    b.pair.lockDelay = 0;
    b.pair.rotate();
    settle();
    EXPECT_EQ(colourAt(2, 7), ColourBlue);
    EXPECT_EQ(colourAt(2, 6), ColourRed);
    EXPECT_EQ(colourAt(2, 8), ColourGreen);
    EXPECT_EQ(b.occupiedCount(), 6);
}

TEST_F(LateTurn, BelowToAboveWithSoftDropKeepsTheDrawnOrder) {
    fallTo(RotationBelow, 0, 10);
    while (!b.pair.touching) b.update();
    b.pair.softDrop();
    b.pair.rotate();  // column 0: flips the satellite on top
    ASSERT_EQ(b.pair.rotation, RotationAbove);
    settle();
    EXPECT_EQ(colourAt(0, 11), ColourRed);
    EXPECT_EQ(colourAt(0, 10), ColourBlue);
    EXPECT_EQ(b.occupiedCount(), 2);
}

TEST_F(LateTurn, RightToBelowThenHardDrop) {
    fallTo(RotationRight, 4, 11);
    b.pair.rotate();
    b.update();
    b.pair.hardDrop();
    settle();
    EXPECT_EQ(colourAt(4, 11), ColourBlue);
    EXPECT_EQ(colourAt(4, 10), ColourRed);
    EXPECT_EQ(b.occupiedCount(), 2);
}

// A turn and, in the next step, a move: the side check still sees the
// satellite in the column it had before the turn, so the move can push it
// into a block.  The lock must then put it on top of that column, not over
// the block.
TEST_F(LateTurn, MoveAfterATurnIntoAStackLosesNoBlock) {
    for (int r = 1; r < Board::Rows; ++r) put(b, 3, r, ColourGreen);
    b.pair.column = 1;
    setPairBlocks(b.pair, ColourRed, KindBlock, ColourBlue, KindBlock);
    while (b.pair.pivot.screenY < b.rowTop[1] - b.pair.pivot.vy) b.update();
    b.pair.rotate();
    ASSERT_EQ(b.pair.rotation, RotationRight);
    b.update();
    ASSERT_FALSE(b.pair.blockedRight);
    b.pair.moveRight();
    ASSERT_EQ(b.pair.column, 2);
    settle();
    EXPECT_EQ(b.occupiedCount(), 11 + 2);
    EXPECT_EQ(colourAt(3, 0), ColourBlue);
    EXPECT_EQ(colourAt(3, 1), ColourGreen);
    EXPECT_EQ(colourAt(2, 11), ColourRed);
}

} // namespace
} // namespace tessaron
