// Pause panel drawing: the translucent box at the panel's size, the two
// green corner brackets while it is open past a faint alpha, and its two
// texts blended with the panel's alpha.  Main thread, once per frame.
// Nothing can fail.
#pragma once

#include <allegro.h>

#include <array>

#include "render/pause_panel.h"
#include "render/styled_text.h"

namespace tessaron {

void drawPausePanel(const PausePanel& panel, BITMAP* dst);
// The panel's two lines of text where it draws them: the title, then the
// hint.
std::array<PlacedText, 2> pausePanelLines(const PausePanel& panel);

} // namespace tessaron
