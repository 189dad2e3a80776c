#include "render/messages_draw.h"

#include "render/draw_common.h"
#include "render/styled_text.h"
#include "shell/globals.h"

namespace tessaron {

void drawMessage(const FloatingMessage& m, BITMAP* dst) {
    const int alpha = static_cast<int>(m.alpha);
    // A factor of 0 or less blends nothing; skip rendering the text at all.
    if (alpha <= 0) return;
    drawTranslucentTextCentred(dst, fontAt(TitleFonts, m.fontIndex), static_cast<int>(m.x), static_cast<int>(m.y),
                               pixelOf(m.colour), alpha, "%s", m.text);
}

void drawMessages(const FloatingMessageList& list, BITMAP* dst) {
    if (!dst) return;
    for (const FloatingMessage& m : list.items) drawMessage(m, dst);
}

} // namespace tessaron
