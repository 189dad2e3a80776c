// Many seeds, random held keys, thousands of steps each: after every step
// the board's cells, the pair and the counters must stay valid, and the
// blocks on the board must be exactly those that entered minus those that
// left (gravity only moves them).
#include <gtest/gtest.h>

#include <cstring>

#include <random>

#include "../board/support.h"
#include "session/match_logic.h"

namespace tessaron {
namespace {
using namespace testing_support;

void checkCell(const Cell& cell, bool staging) {
    ASSERT_TRUE(cell.kind >= KindBlock && cell.kind <= KindEmpty) << cell.kind;
    if (cell.kind == KindEmpty) {
        ASSERT_EQ(cell.colour, ColourNone);
    } else {
        ASSERT_TRUE(cell.colour >= ColourRed && cell.colour <= ColourYellow) << cell.colour;
        ASSERT_NE(cell.kind, KindBomb);
    }
    ASSERT_FALSE(cell.marked);  // marking and destruction share a step
    if (staging) {
        ASSERT_FALSE(cell.flying);
    }
    ASSERT_GE(cell.alpha, 0);
    ASSERT_LE(cell.alpha, 255);
}

void checkInvariants(const MatchLogic& logic) {
    const Board& b = logic.boards[0];
    for (int c = 0; c < Board::Columns; ++c) {
        for (int r = 0; r < Board::Rows; ++r) {
            checkCell(b.grid[c][r], false);
            checkCell(b.staging[c][r], true);
        }
    }
    const FallingPair& p = b.pair;
    ASSERT_GE(p.column, 0);
    ASSERT_LE(p.column, 7);
    const int sc = p.column + FallingPair::satelliteColumnOffset(p.rotation);
    ASSERT_GE(sc, 0);
    ASSERT_LE(sc, 7);
    for (const Cell* cell : {&p.pivot, &p.satellite}) {
        ASSERT_GE(cell->column, 0);
        ASSERT_LE(cell->column, 7);
        ASSERT_GE(cell->row, -1);
        ASSERT_LE(cell->row, 11);
    }
    if (p.active && !b.frozen) {
        // Never drawn below the grid.
        ASSERT_LE(p.pivot.screenY, b.rowTop[11]);
        if (p.touching) {
            ASSERT_LE(p.satellite.screenY, b.rowTop[11]);
        }
    }
    ASSERT_GE(b.particles.count, 0);
    ASSERT_EQ(static_cast<std::size_t>(b.particles.count), b.particles.items.size());
    ASSERT_GE(Players[0].pendingDrops, 0);
    ASSERT_GE(Players[1].pendingDrops, 0);
    ASSERT_GE(b.danger, 0);
    ASSERT_GE(b.brokenThisTurn, 0);
    ASSERT_GE(b.brokenThisStep, 0);
    ASSERT_GE(b.chain, 0);
    ASSERT_EQ(b.occupiedCount(), b.blocksAdded - b.blocksRemoved);
}

TEST(Property, RandomScriptsKeepTheBoardValid) {
    const int keys[] = {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter, ScanEsc};
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        freshState(seed);
        MatchLogic logic(1024, 768);
        logic.load();
        std::mt19937 script(seed * 7919u);
        for (int step = 0; step < 4000; ++step) {
            // Change the held keys now and then; Escape and Enter rarely.
            if (script() % 3 == 0) {
                std::memset(Live.keys, 0, sizeof Live.keys);
                for (int k : keys) {
                    const unsigned odds = k == ScanEsc ? 200 : k == ScanEnter ? 20 : 3;
                    if (script() % odds == 0) Live.keys[k] = 1;
                }
            }
            logic.step();
            ASSERT_NO_FATAL_FAILURE(checkInvariants(logic)) << "seed " << seed << " step " << step + 1;
        }
    }
}

} // namespace
} // namespace tessaron
