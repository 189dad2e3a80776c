#include "render/frame_compose.h"

#include <algorithm>

#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/draw_common.h"
#include "render/board_draw.h"
#include "render/hud_layout.h"
#include "render/messages_draw.h"
#include "render/pause_panel_draw.h"
#include "render/pointer_draw.h"
#include "render/styled_text.h"

namespace tessaron {
namespace {

// Grows `a` to hold `b` (an empty `a` becomes `b`).
void unite(FrameArea& a, const FrameArea& b) {
    if (b.w <= 0 || b.h <= 0) return;
    if (a.w <= 0 || a.h <= 0) {
        a = b;
        return;
    }
    const int right = std::max(a.x + a.w, b.x + b.w), bottom = std::max(a.y + a.h, b.y + b.h);
    a.x = std::min(a.x, b.x);
    a.y = std::min(a.y, b.y);
    a.w = right - a.x;
    a.h = bottom - a.y;
}

bool overlap(const FrameArea& a, const FrameArea& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// A text with half its height spare all round for glyphs reaching past
// their advance and the blend's scratch room.
FrameArea textArea(const PlacedText& t) {
    if (!t.font) return {};
    const int length = ttf_text_length(t.font, t.text.c_str()), height = ttf_text_height(t.font);
    const int left = alignedLeftEdge(t.x, length, t.align);
    return {left - height / 2 - 1, t.y - height / 2 - 1, length + height + 2, 2 * height + 2};
}

FrameArea pictureArea(BITMAP* picture, int x, int y) {
    return picture ? FrameArea{x, y, picture->w, picture->h} : FrameArea{};
}

FrameArea boxArea(const HudBox& b) { return {b.x, b.y, b.w, b.h}; }

void addCell(FrameArea& a, const Cell& cell) {
    if (cell.occupied()) unite(a, pictureArea(pictureOf(cell), cell.screenX, cell.screenY));
}

// The board, its HUD and its blocks (its particles and messages apart).
FrameArea boardArea(const Board& b, const PlayerRecord& player) {
    FrameArea a = boxArea(gridFrame(b));
    unite(a, textArea(nameTag(b, player)));
    unite(a, boxArea(nextBox(b)));
    unite(a, textArea(nextLabel(b)));
    const HudBox panel = scorePanel(b);
    unite(a, boxArea(panel));
    unite(a, textArea(scoreLabel(player, panel.x, panel.y)));
    unite(a, textArea(scoreText(player, panel.x, panel.y)));
    unite(a, textArea(dangerWarning(b)));
    for (int i = 0; i < b.roundsWon; ++i) {
        const HudBox icon = roundIcon(b, i);
        unite(a, pictureArea(IconPictures.get(0), icon.x, icon.y));
    }
    for (int c = 0; c < Board::Columns; ++c) {
        for (int r = 0; r < Board::Rows; ++r) addCell(a, b.grid[c][r]);
        for (int r = 0; r < StagingRowsShown; ++r) addCell(a, b.staging[c][r]);
    }
    for (const FallingPair* pair : {&b.pair, &b.nextPair}) {
        addCell(a, pair->pivot);
        addCell(a, pair->satellite);
    }
    return a;
}

FrameArea particleArea(const Particle& p) {
    const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
    BITMAP* picture = p.hasBitmap ? ParticlePictures.get(p.bitmap) : nullptr;
    if (!picture) return {x, y, text_length(font, "ERROR"), text_height(font)};
    return {x, y, std::max(picture->w, static_cast<int>(p.width)), std::max(picture->h, static_cast<int>(p.height))};
}

void messageAreas(const FloatingMessageList& list, std::vector<FrameArea>& out) {
    for (const FloatingMessage& m : list.items)
        out.push_back(textArea(messageText(m)));
}

// A panel at alpha 0 blends nothing.
FrameArea panelArea(const PausePanel& p, bool versus) {
    if (static_cast<int>(p.alpha) <= 0) return {};
    FrameArea a{static_cast<int>(p.x) - 2, static_cast<int>(p.y) - 2, static_cast<int>(p.width) + 5,
                static_cast<int>(p.height) + 5};
    for (const PlacedText& line : pausePanelLines(p, versus)) unite(a, textArea(line));
    return a;
}

// Versus: both boards, the one further left first.
bool versusPair(const FrameParts& parts, const Board*& left, const Board*& right) {
    if (!parts.boards[0] || !parts.boards[1]) return false;
    left = parts.boards[0]->x <= parts.boards[1]->x ? parts.boards[0] : parts.boards[1];
    right = left == parts.boards[0] ? parts.boards[1] : parts.boards[0];
    return true;
}

// The record whose HUD a board shows.
const PlayerRecord& recordOf(const FrameParts& parts, const Board& b) {
    static const PlayerRecord None;
    return parts.players ? parts.players[b.side ? 1 : 0] : None;
}

// The shell's two lines: the status at the top left, the notice centred
// below it, both above the name tags of the boards; `kind` 0 is the
// status, 1 the notice.  An empty text has no font and takes no area.
PlacedText overlayLine(const FrameParts& parts, int width, int kind) {
    const char* text = kind == 0 ? parts.status : parts.notice;
    if (!text || !*text) return {};
    if (kind == 0) return {fontAt(BodyFonts, FontIndex18), 8, 6, TextAlign::Left, text};
    return {fontAt(TitleFonts, FontIndex18), width / 2, 30, TextAlign::Centre, text};
}

void overlayAreas(const FrameParts& parts, int width, std::vector<FrameArea>& out) {
    for (int kind = 0; kind < 2; ++kind) out.push_back(textArea(overlayLine(parts, width, kind)));
}

// Everything after the background, in the session's order.
void drawLayers(const FrameParts& parts, BITMAP* back) {
    for (const Board* b : parts.boards)
        if (b) drawBoard(*b, recordOf(parts, *b), back);
    const Board *left = nullptr, *right = nullptr;
    const bool versus = versusPair(parts, left, right);
    if (versus && parts.matchesWon) drawMatchTally(*left, *right, parts.matchesWon, back);
    if (parts.messages) drawMessages(*parts.messages, back);
    if (parts.panel) drawPausePanel(*parts.panel, back, versus);
    for (int kind = 0; kind < 2; ++kind) {
        const PlacedText line = overlayLine(parts, back->w, kind);
        if (line.font)
            drawTranslucentTextAligned(back, line.font, line.x, line.y, makecol(255, 255, 255), 255, line.align,
                                       line.text.c_str());
    }
    if (parts.pointer) drawPointerSprite(*parts.pointer, parts.pointerSprite, parts.pointerX, parts.pointerY, back);
}

void restoreBackground(BITMAP* background, BITMAP* back, const FrameArea& a) {
    if (!background || background->w < back->w || background->h < back->h)
        rectfill(back, a.x, a.y, a.x + a.w - 1, a.y + a.h - 1, 0);
    if (background) blit(background, back, a.x, a.y, a.x, a.y, a.w, a.h);
}

} // namespace

void composeFrame(const FrameParts& parts, BITMAP* back) {
    restoreBackground(parts.background, back, {0, 0, back->w, back->h});
    drawLayers(parts, back);
}

void frameAreas(const FrameParts& parts, std::vector<FrameArea>& out) {
    for (const Board* b : parts.boards) {
        if (!b) continue;
        out.push_back(boardArea(*b, recordOf(parts, *b)));
        for (const Particle& p : b->particles.items) out.push_back(particleArea(p));
        messageAreas(b->messages, out);
    }
    if (parts.messages) messageAreas(*parts.messages, out);
    const Board *left = nullptr, *right = nullptr;
    const bool versus = versusPair(parts, left, right);
    if (versus && parts.matchesWon) out.push_back(textArea(matchTally(*left, *right, parts.matchesWon)));
    if (parts.panel) out.push_back(panelArea(*parts.panel, versus));
    if (parts.pointer && parts.pointerSprite)
        out.push_back(pictureArea(parts.pointerSprite, parts.pointerX, parts.pointerY));
}

void FrameComposer::show(const FrameParts& parts, BITMAP* back, BITMAP* screenBitmap) {
    now_.clear();
    frameAreas(parts, now_);
    overlayAreas(parts, back->w, now_);
    if (!composed_) {
        composeFrame(parts, back);
        blit(back, screenBitmap, 0, 0, 0, 0, back->w, back->h);
        composed_ = true;
        last_.swap(now_);
        return;
    }
    // The areas of both frames, cut to the back buffer and merged where
    // they overlap, so that no pixel is copied twice.
    changed_.clear();
    const FrameArea whole{0, 0, back->w, back->h};
    for (const std::vector<FrameArea>* list : {&last_, &now_})
        for (FrameArea a : *list) {
            const int right = std::min(a.x + a.w, whole.w), bottom = std::min(a.y + a.h, whole.h);
            a.x = std::max(a.x, 0);
            a.y = std::max(a.y, 0);
            a.w = right - a.x;
            a.h = bottom - a.y;
            if (a.w <= 0 || a.h <= 0) continue;
            for (size_t i = 0; i < changed_.size();) {
                if (overlap(a, changed_[i])) {
                    unite(a, changed_[i]);
                    changed_[i] = changed_.back();
                    changed_.pop_back();
                    i = 0;
                } else {
                    ++i;
                }
            }
            changed_.push_back(a);
        }
    for (const FrameArea& a : changed_) restoreBackground(parts.background, back, a);
    drawLayers(parts, back);
    for (const FrameArea& a : changed_) blit(back, screenBitmap, a.x, a.y, a.x, a.y, a.w, a.h);
    last_.swap(now_);
}

} // namespace tessaron
