#include "render/frame_compose.h"

#include <algorithm>
#include <cstdio>

#include "gfx/ttf.h"
#include "render/bitmap_bank.h"
#include "render/board_draw.h"
#include "render/draw_common.h"
#include "render/messages_draw.h"
#include "render/pause_panel_draw.h"
#include "render/pointer_draw.h"
#include "render/styled_text.h"

namespace tessaron {
namespace {

// Room around the HUD beside and above the grid: the score panel and the
// "Next" box reach 55 px sideways, the name tag 65 px above.
constexpr int HudSide = 60;
constexpr int HudAbove = 70;
constexpr int RoundIconStep = 18;

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

// A text aligned on x with its top at y, with half its height spare all
// round for glyphs reaching past their advance and the blend's scratch room.
FrameArea textArea(TTF_FONT* font, int x, int y, TextAlign align, const char* text) {
    if (!font) return {};
    const int length = ttf_text_length(font, text), height = ttf_text_height(font);
    const int left = align == TextAlign::Left ? x : align == TextAlign::Right ? x - length : x - length / 2;
    return {left - height / 2 - 1, y - height / 2 - 1, length + height + 2, 2 * height + 2};
}

FrameArea pictureArea(BITMAP* picture, int x, int y) {
    return picture ? FrameArea{x, y, picture->w, picture->h} : FrameArea{};
}

void addCell(FrameArea& a, const Cell& cell) {
    if (cell.occupied()) unite(a, pictureArea(pictureOf(cell), cell.screenX, cell.screenY));
}

// The board, its HUD and its blocks (its particles and messages apart).
FrameArea boardArea(const Board& b, const PlayerRecord& player) {
    const int right = b.x + b.width;
    // The grid's frame, the HUD on its outer side.
    FrameArea a{b.hudLeft ? b.x - HudSide : b.x - 2, b.y - HudAbove, b.width + HudSide + 2, b.height + HudAbove + 2};
    unite(a, textArea(fontAt(BodyFonts, FontIndex24), b.hudLeft ? right : b.x, b.y - 65,
                      b.hudLeft ? TextAlign::Right : TextAlign::Left, player.name));
    char text[32];
    std::snprintf(text, sizeof text, "%i", player.shownScore);
    const int panel = b.hudLeft ? b.x - 55 : right + 5;
    unite(a, textArea(fontAt(BodyFonts, FontIndex18), player.layout ? panel + 49 : panel + 1, b.y + 101,
                      player.layout ? TextAlign::Right : TextAlign::Left, text));
    std::snprintf(text, sizeof text, "Danger: %i", b.danger);
    unite(a, textArea(fontAt(TitleFonts, FontIndex24), b.x + b.width / 2, b.y - 30, TextAlign::Centre, text));
    for (int i = 0; i < b.roundsWon; ++i) {
        const int left = b.hudLeft ? b.x - 20 - RoundIconStep * i : right + 5 + RoundIconStep * i;
        unite(a, pictureArea(IconPictures.get(0), left, b.y + 125));
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
        out.push_back(textArea(fontAt(TitleFonts, m.fontIndex), static_cast<int>(m.x), static_cast<int>(m.y),
                               TextAlign::Centre, m.text));
}

// A panel at alpha 0 blends nothing.
FrameArea panelArea(const PausePanel& p) {
    if (static_cast<int>(p.alpha) <= 0) return {};
    FrameArea a{static_cast<int>(p.x) - 2, static_cast<int>(p.y) - 2, static_cast<int>(p.width) + 5,
                static_cast<int>(p.height) + 5};
    TTF_FONT* f = fontAt(BodyFonts, FontIndex18);
    const int x = static_cast<int>(p.x + 1);
    unite(a, textArea(f, x, static_cast<int>(p.y + 1), TextAlign::Left, "Tessaron Demo - Paused"));
    unite(a, textArea(f, x, static_cast<int>(p.y + 20), TextAlign::Left, "Press Q to quit"));
    return a;
}

// The record whose HUD a board shows.
const PlayerRecord& recordOf(const FrameParts& parts, const Board& b) {
    static const PlayerRecord None;
    return parts.players ? parts.players[b.side ? 1 : 0] : None;
}

// Where the shell's two lines go: the status line at the top left, the
// notice centred a little above the middle.
constexpr int StatusX = 8, StatusY = 6;
TTF_FONT* statusFont() { return fontAt(BodyFonts, FontIndex18); }
TTF_FONT* noticeFont() { return fontAt(TitleFonts, FontIndex24); }
bool present(const char* text) { return text && *text; }

void overlayAreas(const FrameParts& parts, int width, int height, std::vector<FrameArea>& out) {
    if (present(parts.status)) out.push_back(textArea(statusFont(), StatusX, StatusY, TextAlign::Left, parts.status));
    if (present(parts.notice))
        out.push_back(textArea(noticeFont(), width / 2, height / 3, TextAlign::Centre, parts.notice));
}

// Everything after the background, in the session's order.
void drawLayers(const FrameParts& parts, BITMAP* back) {
    for (const Board* b : parts.boards)
        if (b) drawBoard(*b, recordOf(parts, *b), back);
    if (parts.messages) drawMessages(*parts.messages, back);
    if (parts.panel) drawPausePanel(*parts.panel, back);
    const int white = makecol(255, 255, 255);
    if (present(parts.status))
        drawTranslucentTextAligned(back, statusFont(), StatusX, StatusY, white, 255, TextAlign::Left, parts.status);
    if (present(parts.notice))
        drawTranslucentTextAligned(back, noticeFont(), back->w / 2, back->h / 3, white, 255, TextAlign::Centre,
                                   parts.notice);
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
    if (parts.panel) out.push_back(panelArea(*parts.panel));
    if (parts.pointer && parts.pointerSprite)
        out.push_back(pictureArea(parts.pointerSprite, parts.pointerX, parts.pointerY));
}

void FrameComposer::show(const FrameParts& parts, BITMAP* back, BITMAP* screenBitmap) {
    now_.clear();
    frameAreas(parts, now_);
    overlayAreas(parts, back->w, back->h, now_);
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
