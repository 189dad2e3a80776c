// Settling and breaking: fall flags, gravity of the grid and the staging
// grid, breakers, the spread of their marks over the touched group, and the
// destruction that counts the chain.
#include "board/board.h"
#include "board/sound_cue.h"

namespace tessaron {
namespace {
constexpr int SettlePause = 15;
constexpr int BigBreak = 10;
constexpr int BigBreakShake = 15;
} // namespace

void Board::markFalling() {
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows - 1; ++r) {
            grid[c][r].falling = grid[c][r].occupied() && !grid[c][r + 1].occupied();
        }
        grid[c][Rows - 1].falling = 0;
        for (int r = 0; r < Rows; ++r) {
            Cell& s = staging[c][r];
            const Cell& under = r < Rows - 1 ? staging[c][r + 1] : grid[c][0];
            s.falling = s.occupied() && !under.occupied();
        }
    }
}

void Board::applyGravity() {
    auto moveDown = [](Cell& from, Cell& to) {
        to.colour = from.colour;
        to.kind = from.kind;
        to.counted = from.counted;
        from.kind = KindEmpty;
        from.colour = ColourNone;
        from.counted = 0;
    };
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows - 1; ++r) {
            if (grid[c][r].falling) moveDown(grid[c][r], grid[c][r + 1]);
        }
    }
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            if (staging[c][r].falling) moveDown(staging[c][r], r < Rows - 1 ? staging[c][r + 1] : grid[c][0]);
        }
    }
}

bool Board::anyFalling() const {
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            if (grid[c][r].falling || staging[c][r].falling) return true;
        }
    }
    return false;
}

bool Board::anyFallingOrMarked() const {
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            const Cell& g = grid[c][r];
            const Cell& s = staging[c][r];
            if (g.falling || g.marked || s.falling || s.marked) return true;
        }
    }
    return false;
}

bool Board::idle() const { return !anyFallingOrMarked() && busyUntil <= tick; }

void Board::fireBreakers() {
    static const int dc[4] = {-1, 1, 0, 0};  // left, right, above, below
    static const int dr[4] = {0, 0, -1, 1};
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            Cell& breaker = grid[c][r];
            if (breaker.kind != KindBreaker || breaker.marked || breaker.falling) continue;
            for (int n = 0; n < 4; ++n) {
                const int nc = c + dc[n];
                const int nr = r + dr[n];
                if (nc < 0 || nc >= Columns || nr < 0 || nr >= Rows) continue;
                Cell& other = grid[nc][nr];
                if (!other.occupied() || other.colour != breaker.colour) continue;
                breaker.marked = 1;
                other.marked = 1;
                playSound(breakSound);
                spreadMarks();
            }
        }
    }
}

// The marks reach every block joined to a marked one through equal colours;
// each block reached is counted once per turn.  A flood fill from every
// marked cell gives the same marked set and counts as repeated passes over
// the grid would, since every block of a marked group has a marked
// neighbour of its colour.
void Board::spreadMarks() {
    static const int dc[4] = {-1, 1, 0, 0};
    static const int dr[4] = {0, 0, -1, 1};
    int stack[Columns * Rows];
    bool queued[Columns][Rows] = {};
    int top = 0;
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            if (grid[c][r].marked) {
                stack[top++] = c * Rows + r;
                queued[c][r] = true;
            }
        }
    }
    while (top > 0) {
        const int at = stack[--top];
        const int c = at / Rows;
        const int r = at % Rows;
        const int colour = grid[c][r].colour;
        for (int n = 0; n < 4; ++n) {
            const int nc = c + dc[n];
            const int nr = r + dr[n];
            if (nc < 0 || nc >= Columns || nr < 0 || nr >= Rows) continue;
            Cell& other = grid[nc][nr];
            if (other.colour != colour) continue;
            other.marked = 1;
            if (!other.counted) {
                other.counted = 1;
                ++brokenThisTurn;
                ++brokenThisStep;
            }
            if (!queued[nc][nr]) {
                queued[nc][nr] = true;
                stack[top++] = nc * Rows + nr;
            }
        }
    }
    if (brokenThisStep >= BigBreak) {
        flash = EventFlash;
        startShake(BigBreakShake, brokenThisStep / BigBreak);
    }
}

void Board::destroyMarked() {
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            Cell& cell = grid[c][r];
            if (!cell.marked) continue;
            burstCell(cell);
            cell.makeEmpty();
            ++blocksRemoved;
            settleUntil = tick + SettlePause;
        }
    }
    if (brokenThisStep > 0) {
        ++chain;
        if (chain >= 3) flash = EventFlash;
        if (chain > 1) announceCombo(chain);
    }
}

void Board::clearCounted() {
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) grid[c][r].counted = 0;
    }
}

} // namespace tessaron
