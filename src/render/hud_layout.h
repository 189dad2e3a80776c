// Where the parts of a board's HUD sit and what they say: laid out right of
// the grid, or mirrored left of it when the board's hudLeft is set.  The board
// drawing draws every part from here and the frame composition keeps the
// same places for redrawing, so a part cannot move or grow in one and not
// in the other.  Reads the font sets.  Main thread; nothing can fail (a
// missing font is null, which the text layer measures and draws as nothing).
#pragma once

#include "board/board.h"
#include "board/player_record.h"
#include "render/styled_text.h"

namespace tessaron {

constexpr int DropStripHeight = 40;  // the strip of incoming blocks over the grid
constexpr int ScorePanelWidth = 50;
constexpr int ScorePanelHeight = 20;

// A rectangle: left, top, width, height.
struct HudBox {
    int x = 0, y = 0, w = 0, h = 0;
};

// The outline around the drop strip and the grid.
HudBox gridFrame(const Board& b);
// The player's name over the drop strip.
PlacedText nameTag(const Board& b, const PlayerRecord& player);
// The top left corner of the icon of the i-th round won (w and h are 0).
HudBox roundIcon(const Board& b, int i);
// The outline of the preview box beside the grid, and its label above it.
HudBox nextBox(const Board& b);
PlacedText nextLabel(const Board& b);
// The score box beside the grid, under the preview box.
HudBox scorePanel(const Board& b);
// The label above a score box at (x, y) and the score in it, aligned by the
// record's layout flag.
PlacedText scoreLabel(const PlayerRecord& player, int x, int y);
PlacedText scoreText(const PlayerRecord& player, int x, int y);
// "Danger: n", centred over the drop strip.
PlacedText dangerWarning(const Board& b);
// Versus: the matches each side has won, "Matches 2 - 1" with the left
// board's first, centred between the grids below the round icons.
PlacedText matchTally(const Board& left, const Board& right, const std::int32_t matchesWon[2]);

} // namespace tessaron
