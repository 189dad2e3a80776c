// Settling, breaking, scoring and dropping at the boundaries the rules state;
// the ordinary paths (a chain of two, breakers with other colours or two
// neighbours of theirs, plain groups, breakers waiting for falling blocks,
// the settle pause, drops over two rows and over the whole staging grid, the
// shown score rolling 13 a step both ways onto the score and its glow dimming
// to 150) are carried by the golden traces.  The computer player's copy of
// the breaking rules against the rules.  The falling pair where the traces do
// not go: every move and turn at the walls, the kicks, the side check, the
// lock order.
#include <gtest/gtest.h>

#include <algorithm>

#include "session/cpu_field.h"
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
        b.pair.active = b.pair.locked = b.settleUntil = 0, b.tick = 100;
    }
    // A breaker at (0, 11) and n - 1 blocks of its colour, row 11 first.
    void group(int n, int colour = ColourGreen) {
        for (int i = 0; i < n; ++i) put(b, i % 8, 11 - i / 8, colour, i == 0 ? KindBreaker : KindBlock);
    }
    int stagingRow(int r) {
        auto occupied = [r](const Cell* column) { return column[r].occupied(); };
        return static_cast<int>(std::count_if(b.staging, b.staging + 8, occupied));
    }
    bool fresh = freshState();  // first: the Board deals from the seeded stream
    Board b;
};

// Breakers destroy the group they touch and nothing else: a pair of
// breakers, a whole group whose second breaker is already marked, two groups
// as one chain link, and a group at the far corner.
TEST_F(Rules, BreakersDestroyTheTouchedGroupOnly) {
    const struct Case {
        std::vector<std::vector<int>> cells;  // column, row, colour, kind
        int broken, sounds;
    } cases[] = {
        {{{0, 11, 0, 1}, {1, 11, 0, 1}}, 2, 1},
        {{{0, 11, 2, 1}, {1, 11, 2, 0}, {2, 11, 2, 0}, {2, 10, 2, 1}, {3, 11, 0, 0}, {2, 9, 1, 0}}, 4, 1},
        {{{0, 11, 0, 1}, {1, 11, 0, 0}, {5, 11, 2, 1}, {6, 11, 2, 0}, {7, 11, 2, 0}}, 5, 2},
        {{{7, 0, 4, 0}, {7, 1, 4, 1}, {6, 0, 4, 0}}, 3, 1},
    };
    for (const Case& k : cases) {
        b.reset();
        b.chain = b.brokenThisStep = b.settleUntil = 0;
        clearSounds();
        for (const auto& c : k.cells) put(b, c[0], c[1], c[2], c[3]);
        const int before = b.occupiedCount();
        b.fireBreakers();
        b.destroyMarked();
        EXPECT_EQ(Ints({b.brokenThisStep, before - b.occupiedCount(), static_cast<int>(soundLog().size()), b.chain,
                        b.settleUntil}),
                  Ints({k.broken, k.broken, k.sounds, 1, 115})) << k.broken;
    }
}

// 10 to 19 blocks in one step flash and shake with magnitude 1, 20 to 29
// with magnitude 2; fewer do neither.
TEST_F(Rules, BigBreaksFlashAndShakeByTens) {
    const int rows[][4] = {{9, 185, 0, 1}, {10, 250, 115, 1}, {19, 250, 115, 1}, {20, 250, 115, 2}};
    for (const auto& row : rows) {
        b.reset();
        b.flash = 185, b.shakeUntil = 0, b.shakeMagnitude = 1, b.brokenThisStep = 0;
        group(row[0]);
        b.fireBreakers();
        EXPECT_EQ(Ints({b.brokenThisStep, b.flash, b.shakeUntil, b.shakeMagnitude}), Ints(row, row + 4));
    }
}

// Three destruction steps of 3, 4 and 5 blocks: combos from the second
// link, the flash from the third, and the turn's end scores blocks x chain
// and resets every counter.
TEST_F(Rules, ChainScoresAndEndsTheTurnClean) {
    Ints flash;
    for (int size : {3, 4, 5}) {
        b.brokenThisStep = size, b.brokenThisTurn += size;
        b.destroyMarked();
        flash.push_back(b.flash);
    }
    EXPECT_EQ(flash, Ints({185, 185, 250}));
    ASSERT_EQ(b.messages.items.size(), 2u);
    EXPECT_EQ(std::string(b.messages.items.front().text) + b.messages.items.back().text, "x2 Combox3 Combo");
    b.grid[4][4].counted = 1;
    b.endTurn();
    const PlayerRecord& p = Players[0];
    EXPECT_EQ(Ints({p.score, p.scoreGlow, Players[1].pendingDrops, p.pendingDrops, b.chain, b.brokenThisTurn,
                    b.brokenThisStep, b.grid[4][4].counted, b.newPairDue}),
              Ints({360, 255, 36, 0, 0, 0, 0, 0, 0}));
}

// A combo's look by its length k; the break sound by the chain (k - 2 here).
TEST_F(Rules, ComboLooksByLengthAndBreakSoundByChain) {
    const struct Look {
        int k;
        Rgb colour;
        int font, sound;
    } looks[] = {{2, {255, 255, 255}, 2, 3}, {3, {0, 255, 0}, 2, 3}, {4, {175, 50, 50}, 3, 4}, {5, {255, 0, 0}, 4, 5},
                 {6, {255, 0, 0}, 5, 6},     {7, {255, 0, 0}, 6, 6}, {8, {255, 0, 0}, 6, 6}};
    for (const Look& look : looks) {
        b.chain = look.k - 2;
        b.chooseBreakSound();
        EXPECT_EQ(b.breakSound, look.sound) << look.k;
        const std::uint64_t before = Random.draws();
        b.announceCombo(look.k);
        const FloatingMessage& m = b.messages.items.back();
        EXPECT_TRUE(m.colour == look.colour && m.fontIndex == look.font && m.fadeInStep == 35.5f / (look.k - 1) &&
                    Random.draws() - before == 3u && std::abs(m.x - (b.x + 120)) <= 20 &&
                    std::abs(m.y - (b.y + 180)) <= 20 && std::abs(m.vx) < 2.0f / look.k)
            << look.k;
    }
}

// A staging row with no room passes the blocks to the row above; a full
// staging grid ends the drop.
TEST_F(Rules, DropIntoFullStagingRows) {
    for (int c = 0; c < 8; ++c) b.staging[c][11].kind = b.staging[0][10].kind = KindBlock;
    Players[0].pendingDrops = 9;
    b.dropBlocks();
    EXPECT_EQ(Ints({stagingRow(11), stagingRow(10), stagingRow(9)}), Ints({8, 8, 2}));
    for (int i = 0; i < 96; ++i) b.staging[i / 12][i % 12].kind = KindBlock;
    Players[0].pendingDrops = 5;
    b.dropBlocks();
    EXPECT_EQ(b.occupiedCount(), 96);
}

// The computer player weighs placements on its own copy of the breaking
// rules.  Over thousands of random grids of blocks and breakers, some cells
// hanging, the copy ends on the grid the board's own steps come to rest on
// and sends as many blocks; many of the grids chain.
TEST_F(Rules, ComputerPlayersCopyBreaksAsTheBoardDoes) {
    const Board start = b;
    std::uint32_t seed = 19;
    const auto roll = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % n);
    };
    const auto letter = [](int kind, int colour) { return kind == KindEmpty ? '.' : "rgbyRGBY"[colour + 4 * kind]; };
    int chains = 0;
    for (int grid = 0; grid < 2000; ++grid) {
        b = start;
        for (int c = 0; c < Board::Columns; ++c)
            for (int r = Board::Rows - roll(Board::Rows); r < Board::Rows; ++r)
                if (roll(8) != 0) put(b, c, r, roll(4), roll(5) == 0 ? KindBreaker : KindBlock);
        CpuField copy(b);
        const int sent = copy.resolve();
        for (int step = 0; step == 0 || (!b.idle() && step < 1000); ++step) b.update();
        chains += b.chain >= 2;
        Players[1].pendingDrops = 0;
        b.endTurn();
        std::string rules, copied;
        for (int r = 0; r < Board::Rows; ++r)
            for (int c = 0; c <= Board::Columns; ++c) {
                rules += c == Board::Columns ? '\n' : letter(b.grid[c][r].kind, b.grid[c][r].colour);
                copied += c == Board::Columns ? '\n' : letter(copy.kind[c][r], copy.colour[c][r]);
            }
        ASSERT_EQ(rules + std::to_string(Players[1].pendingDrops), copied + std::to_string(sent)) << "grid " << grid;
    }
    EXPECT_GT(chains, 500);
}

int satelliteColumn(const FallingPair& p) { return p.column + FallingPair::satelliteColumnOffset(p.rotation); }

FallingPair pairAt(int rotation, int column, int flags = 0) {
    FallingPair p;
    p.rotation = rotation, p.column = p.pivot.column = column;
    p.satellite.column = satelliteColumn(p);
    p.touching = flags & 1, p.blockedLeft = (flags >> 1) & 1, p.blockedRight = (flags >> 2) & 1;
    return p;
}

// A move goes one column unless a cell would leave the grid (at the wall and
// one column before it, in every rotation); a blocked side or a hard drop
// stops it; turns go as the rules say, with the wall kicking as a blocked side
// does, and no turn ever sends the satellite out of the grid.
TEST(PairMoves, StopExactlyAtTheWallsTurnsKickAndStayInside) {
    // rotation, column, flags (1 touching, 2 blocked left, 4 blocked right) -> rotation, column
    const int cases[][5] = {{0, 3, 1, 1, 3}, {0, 3, 5, 1, 2}, {0, 3, 7, 2, 3}, {2, 3, 3, 0, 3}, {2, 3, 1, 3, 3},
                            {1, 3, 1, 2, 3}, {0, 7, 0, 1, 6}, {0, 7, 2, 2, 7}, {0, 3, 4, 1, 2}, {0, 3, 6, 2, 3},
                            {2, 0, 0, 3, 1}, {2, 0, 4, 0, 0}, {2, 3, 2, 0, 3}, {3, 3, 0, 0, 3}, {1, 3, 0, 2, 3},
                            {0, 7, 1, 1, 6}, {0, 7, 3, 2, 7}, {2, 0, 1, 0, 0}, {0, 0, 5, 2, 0}, {0, 0, 4, 2, 0}};
    for (const auto& k : cases) {
        FallingPair p = pairAt(k[0], k[1], k[2]);
        p.rotate();
        EXPECT_EQ(Ints({p.rotation, p.column}), Ints({k[3], k[4]})) << k[0] << k[1] << k[2];
    }
    for (int rot = 0; rot < 4; ++rot) {
        for (int col = 0; col < Board::Columns; ++col) {
            const int sc = col + FallingPair::satelliteColumnOffset(rot);
            if (sc < 0 || sc > 7) continue;
            FallingPair l = pairAt(rot, col), r = pairAt(rot, col), bl = pairAt(rot, col, 2), br = pairAt(rot, col, 4),
                        h = pairAt(rot, col);
            l.moveLeft(), r.moveRight(), bl.moveLeft(), br.moveRight();
            h.hardDrop(), h.moveLeft(), h.moveRight(), h.rotate();
            EXPECT_EQ(Ints({l.column, r.column, bl.column, br.column, h.column, h.rotation}),
                      Ints({std::min(col, sc) > 0 ? col - 1 : col, std::max(col, sc) < 7 ? col + 1 : col, col, col, col,
                            rot})) << rot << " " << col;
            for (int flags = 0; flags < 8; ++flags) {
                FallingPair p = pairAt(rot, col, flags);
                p.rotate();
                const int after = satelliteColumn(p);
                EXPECT_TRUE(std::min(p.column, after) >= 0 && std::max(p.column, after) <= 7) << rot << col << flags;
            }
        }
    }
}

// A side is blocked at the wall, and by a block diagonally below from the
// step in which the cell's lower edge reaches that block's top.
TEST_F(Rules, LandingCheckBlocksASideAtTheWallAndAtTheEdgeOfABlockBelow) {
    put(b, 2, 11, ColourRed);
    put(b, 4, 11, ColourRed);
    struct Row {
        int column, gap, left, right;
    } rows[] = {{3, 0, 1, 1}, {3, 1, 0, 0}, {0, 1, 1, 0}, {7, 1, 0, 1}};
    for (const Row& row : rows) {
        FallingPair& p = b.pair;
        p.pivot.column = p.satellite.column = row.column;
        p.pivot.screenY = b.rowTop[10] - p.pivot.vy - row.gap;
        p.satellite.screenY = p.pivot.screenY - 30;
        b.landingCheck();
        EXPECT_EQ(Ints({p.blockedLeft, p.blockedRight}), Ints({row.left, row.right})) << row.column << " " << row.gap;
    }
}

// A vertical pair whose lower cell has no room is written higher up, still
// in the order it is drawn: the lower cell is placed first.
TEST_F(Rules, LockKeepsTheDrawnOrderWhenTheLowerCellHasNoRoom) {
    put(b, 4, 11, ColourGreen);
    FallingPair& p = b.pair;
    p.rotation = RotationBelow, p.pivot.column = p.satellite.column = 4, p.pivot.row = 10, p.locked = p.active = 1;
    p.pivot.colour = ColourRed, p.satellite.colour = ColourBlue;
    b.lockPair();
    EXPECT_EQ(Ints({b.grid[4][10].colour, b.grid[4][9].colour}), Ints({ColourBlue, ColourRed}));
}

// A turn and, in the next step, a move: the side check still sees the
// satellite in its old column, so the move can push it into a block; the
// lock puts it on top of that column instead.
TEST_F(Rules, LateMoveAfterATurnIntoAStackLosesNoBlock) {
    startBoard(b);  // back in play
    for (int r = 1; r < Board::Rows; ++r) put(b, 3, r, ColourGreen);
    FallingPair& p = b.pair;
    p.column = 1, p.pivot.colour = ColourRed, p.satellite.colour = ColourBlue;
    p.pivot.kind = p.satellite.kind = KindBlock;
    while (p.pivot.screenY < b.rowTop[1] - p.pivot.vy) b.update();
    p.rotate();
    b.update();
    p.moveRight();
    ASSERT_EQ(Ints({p.column, p.rotation}), Ints({2, RotationRight}));
    while (p.active) b.update();
    for (int i = 0; i < 40; ++i) b.update();
    EXPECT_EQ(Ints({b.occupiedCount(), b.grid[3][0].colour, b.grid[2][11].colour}),
              Ints({11 + 2, ColourBlue, ColourRed}));
}

} // namespace
} // namespace tessaron
