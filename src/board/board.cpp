// The board's model and its step: construction, geometry, flash, shake,
// reset, scatter and the fixed order of update's twenty sub-steps.  The
// pair's landing and lock, the settling and breaking rules and the scoring
// live in board_pair.cpp, board_rules.cpp and board_scoring.cpp.
#include "board/board.h"

#include "board/match_context.h"

namespace tessaron {
namespace {
// Steps the board stays busy after the last block moved.
constexpr std::int32_t BusyAfterMotion = 5;
} // namespace

Board::Board() {
    layout();
    pair.respawn();
    nextPair.respawn();
}

void Board::setHome(std::int32_t homeX, std::int32_t homeY) {
    baseX = homeX;
    baseY = homeY;
}

void Board::setPosition(std::int32_t newX, std::int32_t newY) {
    x = newX;
    y = newY;
    layout();
}

void Board::layout() {
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            Cell& g = grid[c][r];
            if (!g.flying) {
                g.screenX = x + CellSize * c;
                g.screenY = y + CellSize * r;
            }
            Cell& s = staging[c][r];
            s.screenX = x + CellSize * c;
            s.screenY = y - CellSize - CellSize * r;
        }
    }
    for (int r = 0; r < Rows; ++r) rowTop[r] = y + CellSize * r;
}

void Board::setControlMode(std::int32_t mode) { controlMode = mode; }

void Board::reset() {
    auto emptyCell = [](Cell& cell) {
        cell.colour = ColourNone;
        cell.kind = KindEmpty;
        cell.falling = cell.marked = cell.counted = cell.flying = 0;
        cell.vx = cell.vy = 0;
        cell.alpha = 255;
    };
    blocksRemoved += occupiedCount();
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            emptyCell(grid[c][r]);
            emptyCell(staging[c][r]);
        }
    }
    pair.respawn();
}

void Board::scatter() {
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            Cell& cell = grid[c][r];
            if (!cell.occupied()) continue;
            cell.vx = matchRandom().randomInt(-25, 25);
            cell.vy = matchRandom().randomInt(-45, -2);
            cell.flying = 1;
        }
    }
}

void Board::startShake(std::int32_t duration, std::int32_t magnitude) {
    shakeUntil = tick + duration;
    shakeMagnitude = magnitude;
}

void Board::update() {
    // Count the step; flash relaxes toward rest and colours follow it.
    ++tick;
    if (flash > RestFlash) {
        --flash;
    } else if (flash < RestFlash) {
        ++flash;
    }
    backgroundColour = Rgb{0, flash - RestFlash, flash - RestFlash};
    borderColour = Rgb{flash, flash - 100, flash / 2};

    // Shake around home, or rest exactly at home.
    if (tick < shakeUntil) {
        int newY = static_cast<int>(baseY + matchRandom().randomFloat(-2, 2) * shakeMagnitude);
        int newX = static_cast<int>(baseX + matchRandom().randomFloat(-2, 2) * shakeMagnitude);
        setPosition(newX, newY);
    } else {
        shakeMagnitude = 1;
        setPosition(baseX, baseY);
    }

    // The preview beside the grid, on the HUD's side.
    if (!hudLeft) {
        nextPair.pivot.screenX = nextPair.satellite.screenX = x + width + 2;
        nextPair.pivot.screenY = y + 2;
        nextPair.satellite.screenY = y + 32;
    } else {
        nextPair.pivot.screenX = nextPair.satellite.screenX = x - 32;
        nextPair.pivot.screenY = y + 2;
        nextPair.satellite.screenY = y + 30;
    }

    // Effects, cell animation, danger, the preview's age.
    particles.update();
    messages.update();
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) {
            grid[c][r].animate();
            staging[c][r].animate();
        }
    }
    danger = matchPlayer(side).pendingDrops;
    nextPair.update();

    // A frozen board's rules do not run.
    if (frozen) return;

    // The pair.
    pair.pivot.originX = pair.satellite.originX = x;
    pair.pivot.originY = pair.satellite.originY = y;
    if (newPairDue) {
        endTurn();
        newPairDue = 0;
    }
    if (pair.active) {
        landingCheck();
        settleTurnedPair();
        pair.update();
        if (!toppedOut) lockPair();
    }

    // Settling and breaking.
    markFalling();
    if (anyFallingOrMarked()) busyUntil = tick + BusyAfterMotion;
    if (settleUntil > tick) {
        brokenThisStep = 0;
    } else {
        applyGravity();
    }
    if (!anyFalling()) fireBreakers();
    destroyMarked();
    markFalling();

    // The next break sound; the end of the turn or the drop.
    chooseBreakSound();
    if (idle() && pair.locked) {
        if (danger > 0) {
            dropBlocks();
        } else {
            newPairDue = 1;
        }
    }
}

int Board::occupiedCount() const {
    int n = 0;
    for (int c = 0; c < Columns; ++c) {
        for (int r = 0; r < Rows; ++r) n += grid[c][r].occupied() + staging[c][r].occupied();
    }
    return n;
}

} // namespace tessaron
