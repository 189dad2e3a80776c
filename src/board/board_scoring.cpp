// Scoring, combos and dropped blocks: the break sound chosen by the chain,
// the combo message, the end of a turn, the drop of waiting blocks into the
// staging grid, and the burst of particles of a destroyed block.
#include "board/board.h"
#include "board/sound_cue.h"
#include "board/match_context.h"
#include "render/font_sizes.h"

namespace tessaron {
namespace {
const Rgb White{255, 255, 255};
constexpr int DropsPerRow = 8;
// A line of the title font at an index, with room.
float lineHeight(std::int32_t fontIndex) {
    const int size = fontPixels(fontIndex);
    return static_cast<float>(size + size / 4);
}

} // namespace

void Board::chooseBreakSound() {
    if (chain < 2) {
        breakSound = SoundBreakSmall;
    } else if (chain == 2) {
        breakSound = SoundBreakChain2;
    } else if (chain == 3) {
        breakSound = SoundBreakChain3;
    } else {
        breakSound = SoundBreakHuge;
    }
}

void Board::announceCombo(std::int32_t k) {
    Rgb colour = k == 2 ? White : k == 3 ? Rgb{0, 255, 0} : k == 4 ? Rgb{175, 50, 50} : Rgb{255, 0, 0};
    const float vx = static_cast<float>(matchRandom().randomFloat(-1, 1) / k);
    const std::int32_t fontIndex = k <= 3 ? 2 : k >= 7 ? 6 : k - 1;
    const std::int32_t offsetY = matchRandom().randomInt(-20, 20);
    const std::int32_t offsetX = matchRandom().randomInt(-20, 20);
    messages.add(static_cast<float>(x + width / 2 + offsetX),
                 messageRow(static_cast<float>(y + height / 2 + offsetY), fontIndex), 12.25f, colour, vx, 0.15f,
                 fontIndex, 15, 35.5f / static_cast<float>(k - 1), true, "x%i Combo", k);
}

void Board::endTurn() {
    if (brokenThisTurn > 0) {
        const std::int32_t n = brokenThisTurn * chain;
        matchPlayer(side).addScore(10 * n);
        matchPlayer(1 - side).addPendingDrops(n);
    }
    clearCounted();
    brokenThisTurn = brokenThisStep = chain = 0;

    // The next pair takes the preview's blocks, upper preview block on top.
    pair.respawn();
    pair.pivot.colour = nextPair.satellite.colour;
    pair.pivot.kind = nextPair.satellite.kind;
    pair.satellite.colour = nextPair.pivot.colour;
    pair.satellite.kind = nextPair.pivot.kind;
    nextPair.respawn();
    newPairDue = 0;
}

// Blocks fill the staging grid from the row nearest the playing field, eight
// to a row, in random columns.  A row that has no empty cell left (blocks of
// an earlier drop still wait in it) passes the rest to the row above; blocks
// that find no row with room are given up, like those beyond 96.
// Below every live message whose line the new one would share.
float Board::messageRow(float at, std::int32_t fontIndex) const {
    if (!stackMessages) return at;
    float row = at;
    for (bool moved = true; moved;) {
        moved = false;
        for (const FloatingMessage& m : messages.items) {
            if (m.finished || row >= m.y + lineHeight(m.fontIndex) || m.y >= row + lineHeight(fontIndex)) continue;
            row = m.y + lineHeight(m.fontIndex);
            moved = true;
        }
    }
    return row;
}

void Board::dropBlocks() {
    std::int32_t count = matchPlayer(side).pendingDrops;
    if (count > MaxDroppedBlocks) count = MaxDroppedBlocks;
    int row = Rows - 1;
    int inRow = 0;
    auto rowHasRoom = [this](int r) {
        for (int c = 0; c < Columns; ++c) {
            if (!staging[c][r].occupied()) return true;
        }
        return false;
    };
    for (std::int32_t i = 0; i < count; ++i) {
        while (row >= 0 && !rowHasRoom(row)) {
            --row;
            inRow = 0;
        }
        if (row < 0) break;
        int column;
        do {
            column = matchRandom().randomInt(0, Columns - 1);
        } while (staging[column][row].occupied());
        Cell& cell = staging[column][row];
        cell.kind = KindBlock;
        cell.colour = matchRandom().randomInt(0, 3);
        cell.counted = 0;
        ++blocksAdded;
        if (++inRow == DropsPerRow) {
            --row;
            inRow = 0;
        }
    }
    if (count > 0) {
        messages.add(static_cast<float>(x + width / 2), messageRow(static_cast<float>(y + height / 2), 2), 6.25f, White,
                     0, 0, 2, 60, 5.5f, true, "Dropped %i blocks", count);
    }
    danger = 0;
    matchPlayer(side).pendingDrops = 0;
}

void Board::burstCell(const Cell& cell) {
    const std::int32_t cx = cell.screenX + cell.width / 2;
    const std::int32_t cy = cell.screenY + cell.height / 2;
    particles.emit(cx, cy, ParticleSlotFlash, 0, 0, 0, 0, 65.5f, 0, 0, 0, ParticleAdditive);
    // Red, green, blue and yellow have particle slots 1 to 4; any other
    // colour (never dealt) takes the purple slot.
    const std::int32_t slot = cell.colour >= ColourRed && cell.colour <= ColourYellow ? cell.colour + 1 : 6;
    const std::int32_t n = matchRandom().randomInt(6, 12);
    for (std::int32_t i = 0; i < n; ++i) {
        std::int32_t fadeDelay = matchRandom().randomInt(0, 2);
        float vx = static_cast<float>(matchRandom().randomFloat(-2, 0.5f));
        particles.emit(cx, cy, slot, vx, 0, fadeDelay, 0, 35.5f, 0, 0, 0, ParticleAdditive);
        if (chain >= 2) {
            fadeDelay = matchRandom().randomInt(0, 2);
            const float vy = static_cast<float>(matchRandom().randomFloat(-15, 0));
            vx = static_cast<float>(matchRandom().randomFloat(-2, 2));
            particles.emit(cx, cy, slot, vx, vy, fadeDelay, 0, 5.5f, 1.0f, 1.0f, 0.1f, ParticleAdditive);
        }
    }
}

} // namespace tessaron
