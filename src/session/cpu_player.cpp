#include "session/cpu_player.h"

#include "board/board.h"
#include "session/cpu_field.h"
#include "session/input.h"

namespace tessaron {
namespace {
constexpr int Columns = Board::Columns;
constexpr int Rows = Board::Rows;

// How each level plays.  `think`: steps before its first key on a pair;
// `gap`: steps from one press to the next (2 is as fast as fresh presses
// go); `consider`: percent of the placements it looks at; `error`: percent
// of pairs put in a random place; `send`: worth of one block sent;
// `contact`: worth of two touching blocks of a colour (groups to break
// later); `height`: cost of a tall stack; `lookAhead`: plans the next pair
// too; `hard`/`soft`: percent of pairs hard dropped, else soft dropped.
struct Profile {
    int think, gap, consider, error, send, contact, height, noise;
    bool lookAhead;
    int hard, soft;
    int patience;
};
const Profile Profiles[6] = {
    {0, 2, 100, 0, 0, 0, 0, 8, false, 25, 100, 40},  // 0: the simulator's bot
    {22, 7, 35, 30, 2, 1, 1, 40, false, 0, 30, 200},
    {12, 4, 65, 15, 4, 3, 2, 16, false, 0, 100, 150},
    {6, 3, 100, 6, 6, 4, 3, 6, false, 40, 100, 120},
    {2, 2, 100, 2, 8, 5, 3, 2, true, 100, 100, 100},
    {0, 2, 100, 0, 10, 6, 3, 0, true, 100, 100, 100},
};

// Worth of one block at its landing place for the quick bot: contact with
// its colour, and much more when a breaker meets its colour (the group
// goes).
struct Placement {
    int column;
    int row;
    int colour;
    int kind;
};
int placementWorth(const Board& board, const Placement& self, const Placement& other) {
    int worth = self.row * 4;  // low is good
    for (int n = 0; n < 4; ++n) {
        const int c = self.column + CpuField::StepColumn[n];
        const int r = self.row + CpuField::StepRow[n];
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

int fieldWorth(const Profile& p, CpuField& field) {
    const int sent = field.resolve();
    return p.send * sent * 4 + p.contact * field.contacts() * 2 - p.height * field.heightCost() / 2;
}

} // namespace

CpuPlayer::CpuPlayer(std::uint32_t seed, int level)
    : state_(seed ^ 0x9e3779b9u), level_(level >= 0 && level <= MaxLevel ? level : 3) {
    if (state_ == 0) state_ = 1;
}

// xorshift32: the player's own stream.
std::uint32_t CpuPlayer::next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

bool CpuPlayer::chance(int percent) { return static_cast<int>(next() % 100) < percent; }

CpuPlayer::Choice CpuPlayer::planQuick(const Board& board) {
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
    Choice choice{3, 0};
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
                choice = Choice{c, rot};
            }
        }
    }
    if (best == -1000000) choice = Choice{static_cast<int>(next() % Columns), 0};
    return choice;
}

CpuPlayer::Choice CpuPlayer::planSearch(const Board& board) {
    const Profile& p = Profiles[level_];
    const CpuField start(board);
    const Cell& nextPivot = board.nextPair.satellite;  // the upper preview block becomes the pivot
    const Cell& nextSatellite = board.nextPair.pivot;
    Choice choice{3, 0};
    Choice any[Columns * 4];
    int anyCount = 0;
    long best = -1000000000L;
    for (int rot = 0; rot < 4; ++rot) {
        for (int c = 0; c < Columns; ++c) {
            CpuField field = start;
            if (!field.drop(board.pair.pivot, board.pair.satellite, c, rot)) continue;
            any[anyCount++] = Choice{c, rot};
            if (!chance(p.consider)) continue;
            long worth = fieldWorth(p, field);
            if (p.lookAhead) {
                long after = -1000000;
                for (int rot2 = 0; rot2 < 4; ++rot2) {
                    for (int c2 = 0; c2 < Columns; ++c2) {
                        CpuField second = field;
                        if (!second.drop(nextPivot, nextSatellite, c2, rot2)) continue;
                        const long w = fieldWorth(p, second);
                        if (w > after) after = w;
                    }
                }
                worth += after * 3 / 4;
            }
            worth -= (c > 3 ? c - 3 : 3 - c) + (rot == 0 ? 0 : 1);  // short trips
            if (p.noise > 0) worth += static_cast<long>(next() % static_cast<std::uint32_t>(p.noise));
            if (worth > best) {
                best = worth;
                choice = Choice{c, rot};
            }
        }
    }
    if (anyCount > 0 && (best == -1000000000L || chance(p.error)))
        choice = any[next() % static_cast<std::uint32_t>(anyCount)];
    return choice;
}

void CpuPlayer::plan(const Board& board) {
    const Profile& p = Profiles[level_];
    if (level_ == 0) {
        target_ = planQuick(board);
        drop_ = (next() % 4) == 0 ? 2 : 1;
    } else {
        target_ = planSearch(board);
        drop_ = chance(p.hard) ? 2 : chance(p.soft) ? 1 : 0;
    }
    if (wait_ < p.think) wait_ = p.think;
    stepsOnPair_ = 0;
    planned_ = true;
}

void CpuPlayer::steer(const Board& board, std::uint8_t& held) {
    held = static_cast<std::uint8_t>(held & ~SideSteerBits);
    const FallingPair& pair = board.pair;
    if (board.frozen || !pair.active) {
        planned_ = false;
        wait_ = 0;
        return;
    }
    if (!planned_ || pair.age < lastAge_) plan(board);
    lastAge_ = pair.age;
    ++stepsOnPair_;

    // Thinking, or the released steps a fresh press needs.
    if (wait_ > 0) {
        --wait_;
        return;
    }
    const Profile& p = Profiles[level_];
    const bool steering = stepsOnPair_ < p.patience;
    std::uint8_t press = 0;
    if (steering && pair.rotation != target_.rotation) {
        press = SideRotate;
    } else if (steering && pair.column < target_.column) {
        press = SideRight;
    } else if (steering && pair.column > target_.column) {
        press = SideLeft;
    }
    if (press) {
        held |= press;
        wait_ = p.gap - 1;
    } else if (drop_ == 2) {
        held |= SideHardDrop;
    } else if (drop_ == 1) {
        held |= SideSoftDrop;
    }
}

} // namespace tessaron
