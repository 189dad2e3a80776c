#include "render/messages_draw.h"

#include "render/draw_common.h"
#include "render/text_cache.h"
#include "shell/font_set.h"

namespace tessaron {

void drawMessage(const FloatingMessage& m, BITMAP* dst) {
    const PlacedText t = messageText(m);
    drawTranslucentTextCached(dst, t.font, t.x, t.y, pixelOf(m.colour), static_cast<int>(m.alpha), t.align,
                              t.text.c_str());
}

PlacedText messageText(const FloatingMessage& m) {
    return {fontAt(TitleFonts, m.fontIndex), static_cast<int>(m.x), static_cast<int>(m.y), TextAlign::Centre, m.text};
}

void drawMessages(const FloatingMessageList& list, BITMAP* dst) {
    if (!dst) return;
    for (const FloatingMessage& m : list.items) drawMessage(m, dst);
}

} // namespace tessaron
