// The board's side of the falling pair: the landing check that finds the
// pair's rows, touching, top-out and side blocking; the settling of a pair
// turned in its last steps; and the lock that writes it into the grid.
#include <algorithm>

#include "board/board.h"
#include "board/sound_cue.h"

namespace tessaron {

bool Board::cellFree(int column, int row) const {
    return column >= 0 && column < Columns && row >= 0 && row < Rows && !grid[column][row].occupied();
}

void Board::topOut() {
    toppedOut = 1;
    playSound(SoundLightning);
    playSound(SoundGlassBreak);
    startShake(10, 1);
}

void Board::landingCheck() {
    pair.touching = 0;
    Cell* cells[2] = {&pair.pivot, &pair.satellite};

    // Rows: where each cell's top edge will be after this step's fall.
    for (Cell* cell : cells) {
        int t = cell->screenY + cell->vy;
        if (t >= rowTop[Rows - 1]) {
            cell->row = Rows - 1;
        } else if (cell->screenY <= cell->originY - CellSize) {
            cell->row = -1;
        } else if (t >= rowTop[0]) {
            cell->row = std::min((t - rowTop[0]) / CellSize, Rows - 1);
        }
    }

    // Touching: on the bottom row or on a block (a cell above the grid looks
    // at row 0).
    for (Cell* cell : cells) {
        if (cell->row == Rows - 1) {
            pair.touching = 1;
        } else if (cell->column >= 0 && cell->column < Columns && cell->row + 1 >= 0 &&
                   grid[cell->column][cell->row + 1].occupied()) {
            pair.touching = 1;
        }
    }

    // Top-out: each cell still above the grid once the pair has waited out
    // its lock delay ends the round (and sounds, once per such cell).
    if (pair.touching) {
        for (Cell* cell : cells) {
            if (cell->row == -1 && pair.age >= pair.lockDelay) topOut();
        }
    }

    // Side blocking, only for cells inside the grid.
    pair.blockedLeft = pair.blockedRight = 0;
    for (Cell* cell : cells) {
        if (cell->row < 0) continue;
        const int lowerEdge = cell->screenY + cell->vy + CellSize;
        auto blockedBy = [&](int col) {
            if (grid[col][cell->row].occupied()) return true;
            if (cell->row >= Rows - 1) return false;
            const Cell& below = grid[col][cell->row + 1];
            return below.occupied() && lowerEdge >= below.screenY;
        };
        if (cell->column <= 0 || blockedBy(cell->column - 1)) pair.blockedLeft = 1;
        if (cell->column >= Columns - 1 || blockedBy(cell->column + 1)) pair.blockedRight = 1;
    }
}

// A pair turned so that its satellite goes under the pivot in the last steps
// before it rests still has the rows of its old geometry: the pivot snaps to
// its row and the satellite would hang below the grid or inside a block.
// Only then the lower cell takes the pivot's row and the pivot the row above,
// as the lift of a turn on a support does.
void Board::settleTurnedPair() {
    if (!pair.touching || pair.rotation != RotationBelow || pair.pivot.row < 0) return;
    const int below = pair.pivot.row + 1;
    if (below < Rows && !grid[pair.column][below].occupied()) return;
    pair.satellite.row = pair.pivot.row;
    pair.pivot.row -= 1;
}

void Board::lockPair() {
    if (!pair.locked || !pair.active) return;
    Cell& pivotCell = pair.pivot;
    Cell& satCell = pair.satellite;

    // A vertical pair is written as it is drawn: the satellite in the row
    // next to the pivot's, on the side its rotation says.  Its own row can
    // still be the one of the geometry before a last-moment turn.
    int pivotRow = pivotCell.row;
    int satRow = satCell.row;
    const int rowOffset = FallingPair::satelliteRowOffset(pair.rotation);
    if (rowOffset != 0) satRow = pivotRow + rowOffset;

    // Never write outside the grid, onto a block or both cells into one:
    // a cell that has no room takes the nearest free cell above it in its
    // column; a pair with no room at all has come to rest above the grid.
    struct Target {
        const Cell* cell;
        int column;
        int row;
    } targets[2] = {{&pivotCell, pivotCell.column, pivotRow}, {&satCell, satCell.column, satRow}};
    if (targets[1].row > targets[0].row) std::swap(targets[0], targets[1]);  // lower first
    for (int i = 0; i < 2; ++i) {
        Target& t = targets[i];
        if (t.column < 0 || t.column >= Columns || t.row < 0) {
            topOut();
            return;
        }
        int r = std::min(t.row, Rows - 1);
        while (r >= 0 && (!cellFree(t.column, r) || (i == 1 && t.column == targets[0].column && r == targets[0].row)))
            --r;
        if (r < 0) {
            topOut();
            return;
        }
        t.row = r;
    }
    for (const Target& t : targets) {
        Cell& g = grid[t.column][t.row];
        g.colour = t.cell->colour;
        g.kind = t.cell->kind;
    }
    blocksAdded += 2;
    playSound(SoundClink);
    pair.active = 0;
}

} // namespace tessaron
