// CpuField: the computer player's settled copy of a grid, on which it tries
// placements: blocks only, no motion, no timers.  It keeps its own copy of
// the breaking rules (a breaker touching its colour takes that colour's
// connected group, the rest falls, again until nothing breaks; the turn
// sends blocks x chain) because the board's rules run step by step with
// sounds, particles and random draws, far too slow to weigh hundreds of
// placements a pair.  The logic tests hold this copy equal to the board's
// own rules over thousands of random grids.  Depends on the board only; a
// plain value, used on whichever thread steps the match; nothing can fail.
#pragma once

#include <cstdint>

#include "board/board.h"

namespace tessaron {

struct CpuField {
    static constexpr int Columns = Board::Columns;
    static constexpr int Rows = Board::Rows;
    // The four neighbours: left, right, above, below.
    static constexpr int StepColumn[4] = {-1, 1, 0, 0};
    static constexpr int StepRow[4] = {0, 0, -1, 1};

    std::int8_t kind[Columns][Rows];
    std::int8_t colour[Columns][Rows];

    explicit CpuField(const Board& board) {
        for (int c = 0; c < Columns; ++c) {
            for (int r = 0; r < Rows; ++r) {
                kind[c][r] = static_cast<std::int8_t>(board.grid[c][r].kind);
                colour[c][r] = static_cast<std::int8_t>(board.grid[c][r].colour);
            }
        }
        settle();
    }
    bool occupied(int c, int r) const { return kind[c][r] != KindEmpty; }
    int top(int c) const {
        int r = 0;
        while (r < Rows && !occupied(c, r)) ++r;
        return r;
    }
    // Every column's blocks fall to the bottom, keeping their order.
    void settle() {
        for (int c = 0; c < Columns; ++c) {
            int to = Rows - 1;
            for (int r = Rows - 1; r >= 0; --r) {
                if (!occupied(c, r)) continue;
                if (to != r) {
                    kind[c][to] = kind[c][r];
                    colour[c][to] = colour[c][r];
                    kind[c][r] = KindEmpty;
                    colour[c][r] = ColourNone;
                }
                --to;
            }
        }
    }
    // Puts the pair at a column and turn; false when it would not fit below
    // the top row.
    bool drop(const Cell& pivot, const Cell& satellite, int column, int rotation) {
        const int sc = column + FallingPair::satelliteColumnOffset(rotation);
        if (sc < 0 || sc >= Columns) return false;
        int pr, sr;
        if (rotation == RotationAbove || rotation == RotationBelow) {
            const int low = top(column) - 1;
            pr = rotation == RotationAbove ? low : low - 1;
            sr = rotation == RotationAbove ? low - 1 : low;
        } else {
            pr = top(column) - 1;
            sr = top(sc) - 1;
        }
        if (pr < 1 || sr < 1) return false;
        kind[column][pr] = static_cast<std::int8_t>(pivot.kind);
        colour[column][pr] = static_cast<std::int8_t>(pivot.colour);
        kind[sc][sr] = static_cast<std::int8_t>(satellite.kind);
        colour[sc][sr] = static_cast<std::int8_t>(satellite.colour);
        return true;
    }
    // Breaks every group a breaker touches, lets the rest fall, again until
    // nothing breaks; returns the blocks the turn would send.
    int resolve() {
        int broken = 0;
        int chain = 0;
        for (;;) {
            bool marked[Columns][Rows] = {};
            int stack[Columns * Rows];
            int count = 0;
            for (int c = 0; c < Columns; ++c) {
                for (int r = 0; r < Rows; ++r) {
                    if (kind[c][r] != KindBreaker || marked[c][r] || !touchesColour(c, r)) continue;
                    int depth = 0;
                    stack[depth++] = c * Rows + r;
                    marked[c][r] = true;
                    ++count;
                    while (depth > 0) {
                        const int at = stack[--depth];
                        for (int n = 0; n < 4; ++n) {
                            const int nc = at / Rows + StepColumn[n];
                            const int nr = at % Rows + StepRow[n];
                            if (nc < 0 || nc >= Columns || nr < 0 || nr >= Rows || marked[nc][nr]) continue;
                            if (!occupied(nc, nr) || colour[nc][nr] != colour[c][r]) continue;
                            marked[nc][nr] = true;
                            ++count;
                            stack[depth++] = nc * Rows + nr;
                        }
                    }
                }
            }
            if (count == 0) break;
            broken += count;
            ++chain;
            for (int c = 0; c < Columns; ++c) {
                for (int r = 0; r < Rows; ++r) {
                    if (!marked[c][r]) continue;
                    kind[c][r] = KindEmpty;
                    colour[c][r] = ColourNone;
                }
            }
            settle();
        }
        return broken * chain;
    }
    bool touchesColour(int c, int r) const {
        for (int n = 0; n < 4; ++n) {
            const int nc = c + StepColumn[n];
            const int nr = r + StepRow[n];
            if (nc >= 0 && nc < Columns && nr >= 0 && nr < Rows && occupied(nc, nr) &&
                colour[nc][nr] == colour[c][r])
                return true;
        }
        return false;
    }
    // Touching pairs of blocks of one colour: groups a breaker can take later.
    int contacts() const {
        int n = 0;
        for (int c = 0; c < Columns; ++c) {
            for (int r = 0; r < Rows; ++r) {
                if (!occupied(c, r)) continue;
                if (c + 1 < Columns && occupied(c + 1, r) && colour[c + 1][r] == colour[c][r]) ++n;
                if (r + 1 < Rows && occupied(c, r + 1) && colour[c][r + 1] == colour[c][r]) ++n;
            }
        }
        return n;
    }
    // A tall stack costs more the taller it is, most in the middle columns
    // where new pairs come in.
    int heightCost() const {
        int cost = 0;
        for (int c = 0; c < Columns; ++c) {
            const int h = Rows - top(c);
            cost += h * h;
            if ((c == 3 || c == 4) && h > 7) cost += 40 * (h - 7);
        }
        return cost;
    }
};

} // namespace tessaron
