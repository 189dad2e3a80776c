#include "board/cell.h"

namespace tessaron {

void Cell::animate() {
    // Breakers and bombs pulse between 155 and 255, five per step.
    if (kind == KindBreaker || kind == KindBomb) {
        if (!pulseDown) {
            alpha += 5;
            if (alpha >= 255) pulseDown = 1;
        } else {
            alpha -= 5;
            if (alpha <= 155) pulseDown = 0;
        }
    }
    // New plain blocks fade in.
    if (kind == KindBlock && !flying && alpha < 255) alpha += 35;
    // A flying cell moves, falls under a pull of 2.25 and slows sideways;
    // each velocity is truncated toward zero as the whole-number field holds it.
    if (flying) {
        screenX += vx;
        screenY += vy;
        vy = static_cast<std::int32_t>(vy + 2.25);
        if (vx < 0) {
            vx = static_cast<std::int32_t>(vx + 0.001);
        } else if (vx > 0) {
            vx = static_cast<std::int32_t>(vx - 0.001);
        }
    }
    if (alpha < 0) alpha = 0;
    if (alpha > 255) alpha = 255;
}

} // namespace tessaron
