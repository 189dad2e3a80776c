// Mouse pointer drawing: Allegro's current pointer sprite drawn
// translucently at the mouse position with the pointer's alpha; and the copy
// of Allegro's mouse buttons into the live input, from which the logic step
// ticks the pointer.  Main thread.  Nothing can fail: no sprite (mouse not
// installed) draws nothing.
#pragma once

#include <allegro.h>

#include "render/pointer.h"
#include "session/input.h"

namespace tessaron {

// Copies mouse_b (bit 0 left, bit 1 right) into live.mouseButtons; the
// shell calls it on every pass with the key copy.
void copyMouseButtons(LiveInput& live);
// Whether the pointer draws anything (mouse_sprite and an alpha of 1 or more).
bool pointerShown(const MousePointer& pointer);
// `sprite` at (x, y); the session gives mouse_sprite at (mouse_x, mouse_y).
void drawPointerSprite(const MousePointer& pointer, BITMAP* sprite, int x, int y, BITMAP* dst);

} // namespace tessaron
