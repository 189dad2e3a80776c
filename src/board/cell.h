// Cell: one square of a board's grids, and each of the two squares of a
// falling pair; BlockColour and BlockKind give its contents.  Also the
// per-step animation of a cell (alpha pulse, fade-in, flight).  Depends on
// nothing; stepped by the thread of its match; nothing can fail.
#pragma once

#include <cstdint>

namespace tessaron {

// BlockColour values stored in Cell::colour.
enum BlockColour : std::int32_t {
    ColourRed = 0,
    ColourGreen = 1,
    ColourBlue = 2,
    ColourYellow = 3,
    ColourPurple = 4,
    ColourNone = 5,  // the colour of an empty cell
};

// BlockKind values stored in Cell::kind.
enum BlockKind : std::int32_t {
    KindBlock = 0,
    KindBreaker = 1,
    KindBomb = 2,
    KindEmpty = 3,
};

struct Cell {
    std::int32_t colour = ColourNone;
    std::int32_t kind = KindEmpty;
    std::int32_t width = 32;
    std::int32_t height = 32;
    std::int32_t alpha = 255;       // 0..255, animated by animate()
    std::int32_t pulseDown = 0;     // direction of a breaker's or bomb's pulse
    std::uint8_t marked = 0;        // to be destroyed in the current step
    std::uint8_t falling = 0;       // moves down one row at the next gravity step
    std::uint8_t counted = 0;       // counted into the current turn's totals
    std::uint8_t flying = 0;        // flies off after a loss
    std::int32_t column = 0;        // grid column (pair cells)
    std::int32_t row = 0;           // grid row, -1 above the grid (pair cells)
    std::int32_t originX = 0;       // board position a pair cell is placed from
    std::int32_t originY = 0;
    std::int32_t screenX = 0;       // top-left corner on the screen
    std::int32_t screenY = 0;
    std::int32_t vx = 0;            // flight, whole pixels per step
    std::int32_t vy = 0;            // flight; a pair cell's fall this step
    std::int32_t fallStep = 2;      // a pair cell's normal fall per step
    std::int32_t fastFallStep = 15; // a pair cell's fall while soft-dropping

    bool occupied() const { return kind != KindEmpty; }
    // Empties the cell's contents (kind, colour, marked); other flags stay.
    void makeEmpty() {
        kind = KindEmpty;
        colour = ColourNone;
        marked = 0;
    }
    // One logic step of animation: pulse, fade-in, flight, clamp.
    void animate();
};

} // namespace tessaron
