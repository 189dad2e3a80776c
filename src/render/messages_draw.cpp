#include "render/messages_draw.h"

#include "render/draw_common.h"
#include "render/text_cache.h"
#include "shell/font_set.h"

namespace tessaron {

void drawMessage(const FloatingMessage& m, BITMAP* dst) {
    drawTranslucentTextCached(dst, fontAt(TitleFonts, m.fontIndex), static_cast<int>(m.x), static_cast<int>(m.y),
                              pixelOf(m.colour), static_cast<int>(m.alpha), TextAlign::Centre, m.text);
}

void drawMessages(const FloatingMessageList& list, BITMAP* dst) {
    if (!dst) return;
    for (const FloatingMessage& m : list.items) drawMessage(m, dst);
}

} // namespace tessaron
