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

void checkInvariants(const MatchLogic& logic) {
    const Board& b = logic.boards[0];
    for (const auto* grid : {b.grid, b.staging}) {
        for (int i = 0; i < Board::Columns * Board::Rows; ++i) {
            const Cell& cell = grid[i / Board::Rows][i % Board::Rows];
            const bool dealt = (cell.kind == KindBlock || cell.kind == KindBreaker) && cell.colour >= ColourRed &&
                               cell.colour <= ColourYellow;
            ASSERT_TRUE(cell.kind == KindEmpty ? cell.colour == ColourNone : dealt) << cell.kind << cell.colour;
            // Marking and destruction share a step; staged blocks never fly.
            ASSERT_TRUE(!cell.marked && !(grid == b.staging && cell.flying) && cell.alpha >= 0 && cell.alpha <= 255);
        }
    }
    const FallingPair& p = b.pair;
    const int sc = p.column + FallingPair::satelliteColumnOffset(p.rotation);
    ASSERT_TRUE(p.column >= 0 && p.column <= 7 && sc >= 0 && sc <= 7) << p.column << " " << sc;
    for (const Cell* cell : {&p.pivot, &p.satellite}) {
        ASSERT_TRUE(cell->column >= 0 && cell->column <= 7 && cell->row >= -1 && cell->row <= 11);
    }
    // Never drawn below the grid (the satellite once the pair rests).
    if (p.active && !b.frozen) {
        ASSERT_LE(p.touching ? std::max(p.pivot.screenY, p.satellite.screenY) : p.pivot.screenY, b.rowTop[11]);
    }
    ASSERT_EQ(static_cast<std::size_t>(b.particles.count), b.particles.items.size());
    ASSERT_TRUE(Players[0].pendingDrops >= 0 && Players[1].pendingDrops >= 0 && b.danger >= 0 &&
                b.brokenThisTurn >= 0 && b.brokenThisStep >= 0 && b.chain >= 0);
    ASSERT_EQ(b.occupiedCount(), b.blocksAdded - b.blocksRemoved);
}

TEST(Property, RandomScriptsKeepTheBoardValid) {
    const int keys[] = {ScanLeft, ScanRight, ScanDown, ScanUp, ScanSpace, ScanEnter, ScanEsc};
    for (std::uint32_t seed = 1; seed <= 25; ++seed) {
        freshState(seed);
        MatchLogic logic(1024, 768);
        logic.load();
        std::mt19937 script(seed * 7919u);
        for (int step = 0; step < 3000; ++step) {
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
