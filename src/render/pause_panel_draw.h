// Pause panel drawing: the translucent box at the panel's size, the two
// green corner brackets while it is open past a faint alpha, and its texts
// blended with the panel's alpha: the demo's title and how to quit, or in
// versus the title and how to play on and to quit.  Main thread, once per frame.
// Nothing can fail.
#pragma once

#include <allegro.h>

#include <vector>

#include "render/pause_panel.h"
#include "render/styled_text.h"

namespace tessaron {

// `versus`: the panel of a match with two sides, which says how to play on.
void drawPausePanel(const PausePanel& panel, BITMAP* dst, bool versus = false);
// The panel's lines of text where it draws them: the title, then the hints.
std::vector<PlacedText> pausePanelLines(const PausePanel& panel, bool versus = false);

} // namespace tessaron
