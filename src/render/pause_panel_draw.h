// Pause panel drawing: the translucent box at the panel's size, the two
// green corner brackets while it is open past a faint alpha, and its two
// texts blended with the panel's alpha.  Main thread, once per frame.
// Nothing can fail.
#pragma once

#include <allegro.h>

#include "render/pause_panel.h"

namespace tessaron {

void drawPausePanel(const PausePanel& panel, BITMAP* dst);

} // namespace tessaron
