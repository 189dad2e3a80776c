#include "render/pause_panel_draw.h"

#include "gfx/blend.h"
#include "render/draw_common.h"
#include "render/text_cache.h"
#include "shell/font_set.h"

namespace tessaron {
namespace {

constexpr int BracketAlpha = 25;  // brackets show only above this alpha
const Rgb BracketGreen{10, 140, 40};
const Rgb TitleColour{100, 200, 55};
const Rgb HintColour{150, 200, 55};

inline int whole(float v) { return static_cast<int>(v); }

} // namespace

void drawPausePanel(const PausePanel& p, BITMAP* dst, bool versus) {
    if (!dst) return;
    const int alpha = whole(p.alpha);
    translucent_rectfill(dst, whole(p.x), whole(p.y), whole(p.width), whole(p.height), pixelOf(p.colour), alpha);

    if (alpha > BracketAlpha && p.paused) {
        const int green = pixelOf(BracketGreen);
        const float left = p.x - 1, top = p.y - 1;
        const float right = p.x + p.width, bottom = p.y + p.height;
        line(dst, whole(left), whole(top), whole(p.x + p.width / 2), whole(top), green);
        line(dst, whole(left), whole(top), whole(left), whole(p.y + p.height / 2), green);
        line(dst, whole(right), whole(bottom), whole(right - p.width / 2), whole(bottom), green);
        line(dst, whole(right), whole(bottom), whole(right), whole(bottom - p.height / 2), green);
    }

    // The texts blend with the panel's alpha, so a closed panel shows none.
    const std::vector<PlacedText> lines = pausePanelLines(p, versus);
    for (std::size_t i = 0; i < lines.size(); ++i)
        drawTranslucentTextCached(dst, lines[i].font, lines[i].x, lines[i].y, pixelOf(i ? HintColour : TitleColour),
                                  alpha, lines[i].align, lines[i].text.c_str());
}

std::vector<PlacedText> pausePanelLines(const PausePanel& p, bool versus) {
    TTF_FONT* f = fontAt(BodyFonts, FontIndex18);
    const int x = whole(p.x + 1), y = whole(p.y + 1);
    if (versus)
        return {PlacedText{f, x, y, TextAlign::Left, "Tessaron - Paused"},
                PlacedText{f, x, y + 19, TextAlign::Left, "Escape to play on"},
                PlacedText{f, x, y + 38, TextAlign::Left, "Q to quit"}};
    return {PlacedText{f, x, y, TextAlign::Left, "Tessaron Demo - Paused"},
            PlacedText{f, x, whole(p.y + 20), TextAlign::Left, "Press Q to quit"}};
}

} // namespace tessaron
