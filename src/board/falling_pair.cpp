#include "board/falling_pair.h"

#include "board/sound_cue.h"
#include "board/match_context.h"

namespace tessaron {
namespace {
constexpr int CellSize = 30;
constexpr int LastColumn = 7;
constexpr int StartColumn = 3;
constexpr int StartLockDelay = 10;
constexpr int HardDropFall = 30;

// One block of a new pair: a breaker one time in five, a colour of 0 to 3.
void dealBlock(Cell& cell) {
    cell.kind = matchRandom().randomInt(1, 1000) > 800 ? KindBreaker : KindBlock;
    cell.colour = matchRandom().randomInt(0, 3);
}
} // namespace

int FallingPair::satelliteColumnOffset(int rot) {
    return rot == RotationRight ? 1 : rot == RotationLeft ? -1 : 0;
}

int FallingPair::satelliteRowOffset(int rot) {
    return rot == RotationAbove ? -1 : rot == RotationBelow ? 1 : 0;
}

void FallingPair::respawn() {
    if (!preview) {
        column = StartColumn;
        spawnRow = -1;
        rotation = RotationAbove;
        age = 0;
        lockDelay = StartLockDelay;
        locked = touching = hardDropping = blockedLeft = blockedRight = 0;
        active = 1;
        pivot.screenX = pivot.originX + CellSize * column;
        pivot.screenY = pivot.originY + CellSize * spawnRow;
        satellite.screenX = pivot.screenX;
        satellite.screenY = pivot.screenY - CellSize;
        pivot.column = satellite.column = StartColumn;
        pivot.vy = pivot.fallStep;
        satellite.vy = satellite.fallStep;
    }
    dealBlock(pivot);
    dealBlock(satellite);
    pivot.marked = satellite.marked = 0;
    if (!preview) pivot.alpha = satellite.alpha = 0;
}

void FallingPair::update() {
    if (locked) return;
    ++age;
    pivot.animate();
    satellite.animate();
    if (preview) return;

    pivot.screenX = column * CellSize + pivot.originX;
    pivot.column = column;
    if (touching) {
        pivot.screenY = pivot.row * CellSize + pivot.originY;
        satellite.screenY = satellite.row * CellSize + satellite.originY;
    }
    satellite.screenX = pivot.screenX + CellSize * satelliteColumnOffset(rotation);
    satellite.screenY = pivot.screenY + CellSize * satelliteRowOffset(rotation);
    satellite.column = column + satelliteColumnOffset(rotation);
    if (!touching) {
        pivot.screenY += pivot.vy;
        satellite.screenY += satellite.vy;
    }
    if (touching) {
        if (lockDelay > 0) {
            --lockDelay;
        } else {
            locked = 1;
        }
    }
    pivot.vy = pivot.fallStep;
    satellite.vy = satellite.fallStep;
    if (hardDropping) pivot.vy = satellite.vy = HardDropFall;
}

void FallingPair::moveLeft() {
    if (blockedLeft || hardDropping) return;
    if (pivot.column > 0 && satellite.column > 0) --column;
}

void FallingPair::moveRight() {
    if (blockedRight || hardDropping) return;
    if (pivot.column < LastColumn && satellite.column < LastColumn) ++column;
}

void FallingPair::softDrop() {
    if (touching) {
        lockDelay = 0;
    } else if (!hardDropping) {
        pivot.vy = pivot.fastFallStep;
        satellite.vy = satellite.fastFallStep;
    }
}

void FallingPair::hardDrop() {
    hardDropping = 1;
    lockDelay = 0;
}

void FallingPair::rotate() {
    if (hardDropping) return;
    // A wall counts as a blocked side.  The landing check never blocks a pair
    // that is still above the grid, and a move in the same step leaves the
    // flags of the old column, so the flags alone could turn the satellite
    // out of the grid; with the walls folded in, such a turn kicks as it
    // would against a block, and every other turn is unchanged.
    const bool left = blockedLeft || column == 0;
    const bool right = blockedRight || column == LastColumn;
    auto lift = [this] {
        pivot.screenY -= CellSize;
        satellite.screenY -= CellSize;
    };

    if (touching && rotation == RotationAbove) {
        if (!right) {
            rotation = RotationRight;
        } else if (!left) {
            --column;
            rotation = RotationRight;
        } else {
            lift();
            rotation = RotationBelow;
        }
    } else if (touching && rotation == RotationBelow) {
        rotation = left ? RotationAbove : RotationLeft;
    } else if (touching && rotation == RotationRight) {
        lift();
        rotation = RotationBelow;
    } else if (rotation == RotationAbove && column == LastColumn) {
        if (left) {
            rotation = RotationBelow;
        } else {
            --column;
            rotation = RotationRight;
        }
    } else if (rotation == RotationAbove && !touching && right && !left) {
        --column;
        rotation = RotationRight;
    } else if (rotation == RotationAbove && right) {
        rotation = RotationBelow;
    } else if (rotation == RotationBelow && column == 0) {
        if (right) {
            rotation = RotationAbove;
        } else {
            ++column;
            rotation = RotationLeft;
        }
    } else if (rotation == RotationBelow && left) {
        rotation = RotationAbove;
    } else {
        rotation = (rotation + 1) % 4;
    }
    playSound(SoundRotate);
}

} // namespace tessaron
