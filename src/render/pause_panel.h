// PausePanel: the logic half of the translucent box that grows open when the
// game pauses and shrinks away when it resumes, and the gate that decides
// whether a pause is allowed.  Its two sounds are asked for through the
// sound seam (SoundPanelWake, SoundPanelBack); the samples themselves and
// the drawing live outside the logic.  Colour is plain Rgb.  Part of its
// match's state, stepped with it; nothing can fail.
#pragma once

#include <cstdint>

#include "board/rgb.h"

namespace tessaron {

struct PausePanel {
    float homeX = 0, homeY = 0;
    float x = 0, y = 0;
    float vx = 0, vy = 0;
    float friction = 3.25f;
    float width = 0, height = 0;
    float fullWidth = 200, fullHeight = 80;
    Rgb colour{25, 75, 100};
    float alpha = 0;
    float fullAlpha = 200;
    float step = 5.25f;
    float maxStep = 50;
    std::uint8_t paused = 0;

    // The creation values.
    void setUp();
    // Sets home and current position.
    void place(float newX, float newY);
    void kick(float velocityX, float velocityY);
    // How far right of its home a panel set up like this one comes to rest
    // once it has opened after a kick of velocityX (the panel is not moved).
    float restOffset(float velocityX) const;
    // Resumes when paused, otherwise asks for a pause (granted only once
    // the panel has closed completely).
    void toggle();
    bool isPaused() const { return paused != 0; }
    // True when paused and Q was freshly pressed: the caller quits.
    bool quitRequested(bool qNewlyPressed) const { return paused && qNewlyPressed; }
    // One logic step.
    void update();
};

} // namespace tessaron
