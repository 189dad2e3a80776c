// Board and HUD drawing: one Board with its frame, translucent background,
// drop strip, blocks, pairs, "Next" box, name tag, score panel, "Danger"
// warning, particles and messages, laid out right of the grid, or mirrored
// left of it when the board's hudLeft is set, at the places
// render/hud_layout.h gives.  Reads the block pictures of the bitmap banks,
// the fonts BodyFonts and TitleFonts and the PlayerRecord of the board's
// side, passed in.  Main thread, once per frame.
//
// Nothing can fail: a cell whose picture slot is empty, a missing font or a
// null destination draws nothing of that part.
#pragma once

#include <allegro.h>

#include "board/board.h"
#include "board/player_record.h"

namespace tessaron {

// Staging rows drawn: the two nearest the grid.
constexpr int StagingRowsShown = 2;

// The whole board with the HUD of `player` (the record of its side), in its
// fixed order of fourteen layers.
void drawBoard(const Board& board, const PlayerRecord& player, BITMAP* dst);
// The picture of a cell's kind and colour, or null when its slot is empty.
BITMAP* pictureOf(const Cell& cell);
// One cell at its screen position: a block copied whole at alpha 255 and
// blended below it; breakers and bombs added with their alpha.
void drawCell(const Cell& cell, BITMAP* dst);
// Pivot then satellite, unless the pair is locked.
void drawPair(const FallingPair& pair, BITMAP* dst);
// The score box at (x, y) with its label above it, aligned by the record's
// layout flag.
void drawScorePanel(const PlayerRecord& record, BITMAP* dst, int x, int y);
// Versus: the matches each side has won, between the two grids.
void drawMatchTally(const Board& left, const Board& right, const std::int32_t matchesWon[2], BITMAP* dst);

} // namespace tessaron
