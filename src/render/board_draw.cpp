#include "render/board_draw.h"

#include "gfx/blend.h"
#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/draw_common.h"
#include "render/hud_layout.h"
#include "render/messages_draw.h"
#include "render/particles_draw.h"
#include "render/text_cache.h"
#include "shell/font_set.h"

namespace tessaron {
namespace {

constexpr int NameTagShade = 50;  // factor of the name tag's black backing
constexpr int ScorePanelShade = 150;

const Rgb White{255, 255, 255};
const Rgb Black{0, 0, 0};
const Rgb Grey{185, 185, 185};
const Rgb ScoreGreen{0, 255, 0};
const Rgb DropStripRed{255, 0, 0};

// Anti-aliased text in one colour, placed as `t` says.
void drawSolidText(const PlacedText& t, int colour, BITMAP* dst) {
    const char* text = t.text.c_str();
    switch (t.align) {
    case TextAlign::Left: ttf_textprintf_aa_ex(dst, t.font, t.x, t.y, colour, -1, "%s", text); break;
    case TextAlign::Centre: ttf_textprintf_centre_aa_ex(dst, t.font, t.x, t.y, colour, -1, "%s", text); break;
    case TextAlign::Right: ttf_textprintf_right_aa_ex(dst, t.font, t.x, t.y, colour, -1, "%s", text); break;
    }
}

// The player's name over the grid on a faint black backing as wide as the
// text: left-aligned, or right-aligned when the HUD is left of the grid.
void drawNameTag(const PlacedText& tag, BITMAP* dst) {
    const int length = ttf_text_length(tag.font, tag.text.c_str());
    translucent_rectfill(dst, alignedLeftEdge(tag.x, length, tag.align), tag.y, length, ttf_text_height(tag.font),
                         pixelOf(Black), NameTagShade);
    drawSolidText(tag, pixelOf(White), dst);
}

void drawRoundsWon(const Board& b, BITMAP* dst) {
    BITMAP* icon = IconPictures.get(0);
    if (!icon) return;
    for (int i = 0; i < b.roundsWon; ++i) {
        const HudBox at = roundIcon(b, i);
        additive_blit(icon, dst, at.x, at.y, 255);
    }
}

// The preview box beside the grid with its label and outline.
void drawNextBox(const Board& b, BITMAP* dst) {
    const HudBox box = nextBox(b);
    translucent_rectfill(dst, box.x + 1, box.y + 1, box.w - 2, box.h - 2, pixelOf(Black), b.flash);
    drawSolidText(nextLabel(b), pixelOf(White), dst);
    rect(dst, box.x, box.y, box.x + box.w - 1, box.y + box.h - 1, pixelOf(White));
}

} // namespace

BITMAP* pictureOf(const Cell& cell) {
    const int slot = cell.colour > ColourPurple ? ColourPurple : cell.colour;
    switch (cell.kind) {
    case KindBlock: return BlockPictures.get(slot);
    case KindBreaker: return BreakerPictures.get(slot);
    case KindBomb: return BombPictures.get(0);
    default: return nullptr;
    }
}

void drawCell(const Cell& cell, BITMAP* dst) {
    if (!dst || !cell.occupied()) return;
    BITMAP* picture = pictureOf(cell);
    if (!picture) return;  // a picture that failed to load: nothing to draw
    if (cell.kind != KindBlock)
        additive_blit(picture, dst, cell.screenX, cell.screenY, cell.alpha);
    else if (cell.alpha >= 255)
        blit(picture, dst, 0, 0, cell.screenX, cell.screenY, picture->w, picture->h);
    else
        translucent_blit(picture, dst, cell.screenX, cell.screenY, cell.alpha);
}

void drawPair(const FallingPair& pair, BITMAP* dst) {
    if (pair.locked) return;
    drawCell(pair.pivot, dst);
    drawCell(pair.satellite, dst);
}

void drawScorePanel(const PlayerRecord& record, BITMAP* dst, int x, int y) {
    if (!dst) return;
    translucent_rectfill(dst, x, y, ScorePanelWidth, ScorePanelHeight, pixelOf(Black), ScorePanelShade);
    const PlacedText label = scoreLabel(record, x, y), score = scoreText(record, x, y);
    if (label.align == TextAlign::Right)
        ttf_textprintf_right_ex(dst, label.font, label.x, label.y, pixelOf(Grey), -1, "%s", label.text.c_str());
    else
        ttf_textprintf_ex(dst, label.font, label.x, label.y, pixelOf(Grey), -1, "%s", label.text.c_str());
    drawTranslucentTextCached(dst, score.font, score.x, score.y, pixelOf(ScoreGreen), record.scoreGlow, score.align,
                              score.text.c_str());
}

void drawBoard(const Board& b, const PlayerRecord& player, BITMAP* dst) {
    if (!dst) return;

    // HUD around the grid.
    drawNameTag(nameTag(b, player), dst);
    drawRoundsWon(b, dst);
    drawNextBox(b, dst);
    drawPair(b.nextPair, dst);
    const HudBox panel = scorePanel(b);
    drawScorePanel(player, dst, panel.x, panel.y);

    // Drop strip, frame around strip and grid, the grid's translucent floor.
    translucent_rectfill(dst, b.x, b.y - DropStripHeight, b.width, DropStripHeight, pixelOf(DropStripRed), b.flash);
    const HudBox frame = gridFrame(b);
    rect(dst, frame.x, frame.y, frame.x + frame.w - 1, frame.y + frame.h - 1, pixelOf(b.borderColour));
    translucent_rectfill(dst, b.x, b.y, b.width, b.height, pixelOf(b.backgroundColour), b.flash);

    if (b.danger > 0) drawSolidText(dangerWarning(b), pixelOf(Grey), dst);

    // Blocks: the grid, then the staging rows nearest it, then the pair.
    for (int c = 0; c < Board::Columns; ++c)
        for (int r = 0; r < Board::Rows; ++r) drawCell(b.grid[c][r], dst);
    for (int c = 0; c < Board::Columns; ++c)
        for (int r = 0; r < StagingRowsShown; ++r) drawCell(b.staging[c][r], dst);
    if (!b.frozen) drawPair(b.pair, dst);

    // Effects on top.
    drawParticles(b.particles, dst);
    drawMessages(b.messages, dst);
}

void drawMatchTally(const Board& left, const Board& right, const std::int32_t matchesWon[2], BITMAP* dst) {
    if (dst) drawSolidText(matchTally(left, right, matchesWon), pixelOf(Grey), dst);
}

} // namespace tessaron
