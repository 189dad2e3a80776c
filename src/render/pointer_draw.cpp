#include "render/pointer_draw.h"

#include "gfx/blend.h"

namespace tessaron {

void copyMouseButtons(LiveInput& live) { live.mouseButtons = mouse_b; }

bool pointerShown(const MousePointer& pointer) { return mouse_sprite != nullptr && static_cast<int>(pointer.alpha) > 0; }

void drawPointerSprite(const MousePointer& pointer, BITMAP* sprite, int x, int y, BITMAP* dst) {
    if (!sprite || !dst) return;
    translucent_blit(sprite, dst, x, y, static_cast<int>(pointer.alpha));
}

} // namespace tessaron
