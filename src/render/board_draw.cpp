#include "render/board_draw.h"

#include <cstdio>

#include "gfx/blend.h"
#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/draw_common.h"
#include "render/messages_draw.h"
#include "render/particles_draw.h"
#include "render/text_cache.h"
#include "shell/font_set.h"

namespace tessaron {
namespace {

constexpr int NameTagAbove = 65;     // name tag's top above the grid
constexpr int NameTagShade = 50;     // factor of its black backing
constexpr int LabelAbove = 20;       // "Next" and "Score" labels above their box
constexpr int DropStripHeight = 40;  // the strip of incoming blocks over the grid
constexpr int DangerAbove = 30;
constexpr int ScorePanelShade = 150;
constexpr int ScorePanelWidth = 50;
constexpr int ScorePanelHeight = 20;

const Rgb White{255, 255, 255};
const Rgb Black{0, 0, 0};
const Rgb Grey{185, 185, 185};
const Rgb ScoreGreen{0, 255, 0};
const Rgb DropStripRed{255, 0, 0};

// The player's name over the grid on a faint black backing as wide as the
// text: left-aligned, or right-aligned when the HUD is left of the grid.
void drawNameTag(const Board& b, const char* name, BITMAP* dst) {
    TTF_FONT* f = fontAt(BodyFonts, FontIndex24);
    const int top = b.y - NameTagAbove;
    const int length = ttf_text_length(f, name);
    const int left = b.hudLeft ? b.x + b.width - length : b.x;
    translucent_rectfill(dst, left, top, length, ttf_text_height(f), pixelOf(Black), NameTagShade);
    if (b.hudLeft)
        ttf_textprintf_right_aa_ex(dst, f, b.x + b.width, top, pixelOf(White), -1, "%s", name);
    else
        ttf_textprintf_aa_ex(dst, f, b.x, top, pixelOf(White), -1, "%s", name);
}

void drawRoundsWon(const Board& b, BITMAP* dst) {
    BITMAP* icon = IconPictures.get(0);
    if (!icon) return;
    for (int i = 0; i < b.roundsWon; ++i) {
        const int left = b.hudLeft ? b.x - 20 - 18 * i : b.x + b.width + 5 + 18 * i;
        additive_blit(icon, dst, left, b.y + 125, 255);
    }
}

// The preview box beside the grid with its label and outline.
void drawNextBox(const Board& b, BITMAP* dst) {
    const int right = b.x + b.width;
    if (b.hudLeft)
        translucent_rectfill(dst, b.x - 33, b.y + 1, 32, 61, pixelOf(Black), b.flash);
    else
        translucent_rectfill(dst, right + 1, b.y + 1, 31, 61, pixelOf(Black), b.flash);
    TTF_FONT* f = fontAt(BodyFonts, FontIndex18);
    if (b.hudLeft)
        ttf_textprintf_right_aa_ex(dst, f, b.x - 2, b.y - LabelAbove, pixelOf(White), -1, "Next");
    else
        ttf_textprintf_aa_ex(dst, f, right + 2, b.y - LabelAbove, pixelOf(White), -1, "Next");
    if (b.hudLeft)
        rect(dst, b.x - 1, b.y, b.x - 34, b.y + 62, pixelOf(White));
    else
        rect(dst, right, b.y, right + 32, b.y + 62, pixelOf(White));
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
    TTF_FONT* f = fontAt(BodyFonts, FontIndex18);
    char score[16];
    std::snprintf(score, sizeof score, "%i", record.shownScore);
    if (record.layout) {
        ttf_textprintf_right_ex(dst, f, x + ScorePanelWidth, y - LabelAbove, pixelOf(Grey), -1, "Score");
        drawTranslucentTextCached(dst, f, x + ScorePanelWidth - 1, y + 1, pixelOf(ScoreGreen), record.scoreGlow,
                                  TextAlign::Right, score);
    } else {
        ttf_textprintf_ex(dst, f, x, y - LabelAbove, pixelOf(Grey), -1, "Score");
        drawTranslucentTextCached(dst, f, x + 1, y + 1, pixelOf(ScoreGreen), record.scoreGlow, TextAlign::Left, score);
    }
}

void drawBoard(const Board& b, const PlayerRecord& player, BITMAP* dst) {
    if (!dst) return;
    const int right = b.x + b.width;

    // HUD around the grid.
    drawNameTag(b, player.name, dst);
    drawRoundsWon(b, dst);
    drawNextBox(b, dst);
    drawPair(b.nextPair, dst);
    drawScorePanel(player, dst, b.hudLeft ? b.x - 55 : right + 5, b.y + 100);

    // Drop strip, frame around strip and grid, the grid's translucent floor.
    translucent_rectfill(dst, b.x, b.y - DropStripHeight, b.width, DropStripHeight, pixelOf(DropStripRed), b.flash);
    rect(dst, b.x - 1, b.y - DropStripHeight - 1, right, b.y + b.height, pixelOf(b.borderColour));
    translucent_rectfill(dst, b.x, b.y, b.width, b.height, pixelOf(b.backgroundColour), b.flash);

    if (b.danger > 0)
        ttf_textprintf_centre_aa_ex(dst, fontAt(TitleFonts, FontIndex24), b.x + b.width / 2, b.y - DangerAbove,
                                    pixelOf(Grey), -1, "Danger: %i", b.danger);

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

} // namespace tessaron
