// MousePointer: the logic half of the pointer that fades in while the game
// is paused and out while it is played, and the state of its two buttons.
// Part of the match's state (session/match_state.h).  The drawing reads
// alpha; the button state comes from the step's input through tick's
// argument.
// Stepped with its match, drawn by the game's main thread; nothing can fail.
#pragma once

#include <cstdint>

namespace tessaron {

enum PointerFade : std::int32_t {
    FadeSteady = 0,
    FadeOut = 1,
    FadeIn = 2,
};

struct MousePointer {
    float alpha = 0.0f;
    std::uint8_t leftDown = 0;
    std::uint8_t rightDown = 0;
    std::int32_t fadeMode = FadeIn;

    // Back to the start-up state: alpha 0, buttons up, fading in.
    void reset();
    // Stores the mode; a value outside 0..3 becomes 0.
    void setFadeMode(std::int32_t mode);
    // One logic step; buttons is the mouse button bit set (bit 0 left,
    // bit 1 right).
    void tick(int buttons);
};

} // namespace tessaron
