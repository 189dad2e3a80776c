// Board: one player's playing field: the 8 x 12 grid, the staging grid of
// dropped blocks above it, the falling and next pairs, the settle and busy
// timers, flash and shake, the danger count, and the particles and messages
// its events emit.  update() runs one logic step in a fixed order of
// sub-steps: the pair, gravity, breakers, destruction, scoring and drops.
// Depends on the match's RandomSource and PlayerRecords (board/match_context.h),
// the sound seam, the particle and message lists.  Not locked: a board
// belongs to one match, stepped by one thread at a time (in the game, the
// main thread, which also draws it).  Nothing can fail.  Colours are plain Rgb; the drawing makes pixels of them.
#pragma once

#include <cstdint>

#include "board/cell.h"
#include "board/falling_pair.h"
#include "board/rgb.h"
#include "render/messages.h"
#include "render/particles.h"

namespace tessaron {

class Board {
public:
    static constexpr int Columns = 8;
    static constexpr int Rows = 12;
    static constexpr int CellSize = 30;
    static constexpr int RestFlash = 185;
    static constexpr int EventFlash = 250;
    static constexpr int MaxDroppedBlocks = 96;

    Board();

    void setHome(std::int32_t homeX, std::int32_t homeY);
    void setPosition(std::int32_t newX, std::int32_t newY);
    void layout();
    void setControlMode(std::int32_t mode);
    void setKeyLeft(std::int32_t scancode) { keyLeft = scancode; }
    void setKeyRight(std::int32_t scancode) { keyRight = scancode; }
    void setKeySoftDrop(std::int32_t scancode) { keySoftDrop = scancode; }
    void setKeyHardDrop(std::int32_t scancode) { keyHardDrop = scancode; }
    void setKeyRotate(std::int32_t scancode) { keyRotate = scancode; }
    // Empties both grids and respawns the pair; timers and counters stay.
    void reset();
    // Sends every occupied grid cell flying with a random velocity.
    void scatter();
    // One logic step.
    void update();

    // Starts a shake of d steps with magnitude m (replacing any earlier one).
    void startShake(std::int32_t duration, std::int32_t magnitude);

    // The sub-steps of update, public so that tests can drive them one by one.
    void landingCheck();
    void settleTurnedPair();
    void lockPair();
    void markFalling();
    void applyGravity();
    void fireBreakers();
    void spreadMarks();
    void destroyMarked();
    void clearCounted();
    void chooseBreakSound();
    void announceCombo(std::int32_t k);
    void endTurn();
    void dropBlocks();
    void burstCell(const Cell& cell);
    // Where a message of this font size goes when it should appear at y.
    float messageRow(float y, std::int32_t fontIndex) const;
    // True when no cell of either grid is falling or marked and the busy
    // time is over.
    bool idle() const;
    bool anyFallingOrMarked() const;
    bool anyFalling() const;
    // Occupied cells of both grids (for invariants and tests).
    int occupiedCount() const;

    std::int32_t baseX = 0, baseY = 0;
    std::int32_t x = 0, y = 0;
    std::int32_t width = Columns * CellSize, height = Rows * CellSize;
    Rgb borderColour{100, 0, 0};
    Rgb backgroundColour{0, 0, 0};
    std::int32_t flash = RestFlash;
    std::uint8_t newPairDue = 0;
    std::uint8_t frozen = 0;
    std::uint8_t toppedOut = 0;
    std::int32_t controlMode = 0;
    std::int32_t keyLeft = 0, keyRight = 0, keySoftDrop = 0, keyHardDrop = 0, keyRotate = 0;
    std::int32_t tick = 0;
    std::int32_t settleUntil = 10;
    std::int32_t busyUntil = 0;
    std::int32_t shakeMagnitude = 1;
    std::int32_t shakeUntil = 0;
    std::int32_t brokenThisTurn = 0;
    std::int32_t brokenThisStep = 0;
    std::int32_t chain = 0;
    std::int32_t breakSound = 3;
    std::int32_t danger = 0;
    ParticleSystem particles;
    FloatingMessageList messages;
    std::int32_t rowTop[Rows] = {};
    Cell grid[Columns][Rows];     // [column][row]
    Cell staging[Columns][Rows];  // [column][staging row]; row 11 feeds grid row 0
    FallingPair pair;
    FallingPair nextPair;
    std::int32_t roundsWon = 0;
    std::int32_t side = 0;
    // Presentation: the HUD and the preview sit left of the grid instead of
    // right of it (board 1 in versus; an online joiner's own board is drawn
    // on the left with its HUD on the right, the other board mirrored).
    std::uint8_t hudLeft = 0;
    // Messages of one turn stand one under the other instead of on top of
    // each other (versus; the single board keeps them where they land).
    std::uint8_t stackMessages = 0;

    // A ledger of blocks entering the grids (locks, drops) and leaving them
    // (destruction, reset); gravity moves blocks and must change neither.
    // Checked by the tests against occupiedCount().
    std::int64_t blocksAdded = 0;
    std::int64_t blocksRemoved = 0;

private:
    void topOut();
    bool cellFree(int column, int row) const;
};

} // namespace tessaron
