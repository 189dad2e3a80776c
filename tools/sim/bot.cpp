#include "bot.h"

#include "board/board.h"
#include "session/input.h"

namespace tessaron {
namespace sim {
namespace {
constexpr int Columns = Board::Columns;
constexpr int Rows = Board::Rows;
// Steps after which the bot stops steering a pair and only drops it.
constexpr int SteeringPatience = 40;

struct Placement {
    int column;
    int row;
    int colour;
    int kind;
};

// Worth of one block at its landing place: contact with its colour, and
// much more when a breaker meets its colour (the group goes).
int placementWorth(const Board& board, const Placement& self, const Placement& other) {
    static const int dc[4] = {-1, 1, 0, 0};
    static const int dr[4] = {0, 0, -1, 1};
    int worth = self.row * 4;  // low is good
    for (int n = 0; n < 4; ++n) {
        const int c = self.column + dc[n];
        const int r = self.row + dr[n];
        if (c < 0 || c >= Columns || r < 0 || r >= Rows) continue;
        int colour = -1;
        int kind = KindEmpty;
        if (c == other.column && r == other.row) {
            colour = other.colour;
            kind = other.kind;
        } else if (board.grid[c][r].occupied()) {
            colour = board.grid[c][r].colour;
            kind = board.grid[c][r].kind;
        }
        if (colour != self.colour) continue;
        worth += 10;
        if (self.kind == KindBreaker || kind == KindBreaker) worth += 200;
    }
    return worth;
}
} // namespace

Bot::Bot(std::uint32_t seed) : state_(seed ^ 0x9e3779b9u) {
    if (state_ == 0) state_ = 1;
}

// xorshift32: the bot's own stream.
std::uint32_t Bot::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

void Bot::plan(const Board& board) {
    int top[Columns];
    for (int c = 0; c < Columns; ++c) {
        top[c] = Rows;
        for (int r = 0; r < Rows; ++r) {
            if (board.grid[c][r].occupied()) {
                top[c] = r;
                break;
            }
        }
    }
    const Cell& p = board.pair.pivot;
    const Cell& s = board.pair.satellite;
    int best = -1000000;
    for (int rot = 0; rot < 4; ++rot) {
        const int dc = FallingPair::satelliteColumnOffset(rot);
        for (int c = 0; c < Columns; ++c) {
            const int sc = c + dc;
            if (sc < 0 || sc >= Columns) continue;
            Placement pivot{c, 0, p.colour, p.kind};
            Placement sat{sc, 0, s.colour, s.kind};
            if (rot == RotationAbove) {
                pivot.row = top[c] - 1;
                sat.row = top[c] - 2;
            } else if (rot == RotationBelow) {
                sat.row = top[c] - 1;
                pivot.row = top[c] - 2;
            } else {
                pivot.row = top[c] - 1;
                sat.row = top[sc] - 1;
            }
            if (pivot.row < 1 || sat.row < 1) continue;  // too close to the top
            int worth = placementWorth(board, pivot, sat) + placementWorth(board, sat, pivot);
            worth -= (c > 3 ? c - 3 : 3 - c);  // short trips
            worth += static_cast<int>(next() % 8);
            if (worth > best) {
                best = worth;
                targetColumn_ = c;
                targetRotation_ = rot;
            }
        }
    }
    if (best == -1000000) {
        targetColumn_ = static_cast<int>(next() % Columns);
        targetRotation_ = 0;
    }
    hardDrop_ = (next() % 4) == 0;
    stepsOnPair_ = 0;
    planned_ = true;
}

void Bot::steer(const Board& board, LiveInput& live) {
    live.keys[ScanLeft] = live.keys[ScanRight] = live.keys[ScanDown] = 0;
    live.keys[ScanUp] = live.keys[ScanSpace] = 0;
    const FallingPair& pair = board.pair;
    if (board.frozen || !pair.active) {
        planned_ = false;
        pressedLast_ = false;
        return;
    }
    if (!planned_ || pair.age < lastAge_) plan(board);
    lastAge_ = pair.age;
    ++stepsOnPair_;

    // Fresh presses need a released step in between.
    if (pressedLast_) {
        pressedLast_ = false;
        return;
    }
    const bool steering = stepsOnPair_ < SteeringPatience;
    if (steering && pair.rotation != targetRotation_) {
        live.keys[ScanSpace] = 1;
        pressedLast_ = true;
    } else if (steering && pair.column < targetColumn_) {
        live.keys[ScanRight] = 1;
        pressedLast_ = true;
    } else if (steering && pair.column > targetColumn_) {
        live.keys[ScanLeft] = 1;
        pressedLast_ = true;
    } else if (hardDrop_) {
        live.keys[ScanUp] = 1;
    } else {
        live.keys[ScanDown] = 1;
    }
}

} // namespace sim
} // namespace tessaron
