#include "render/pause_panel.h"

#include "board/sound_cue.h"
#include "render/motion.h"

namespace tessaron {
namespace {
constexpr float ClosedFriction = 3.25f;
constexpr float OpenFriction = 0.01f;
constexpr float FirstStep = 5.25f;
} // namespace

void PausePanel::setUp() { *this = PausePanel(); }

void PausePanel::place(float newX, float newY) {
    homeX = x = newX;
    homeY = y = newY;
}

void PausePanel::kick(float velocityX, float velocityY) {
    vx = velocityX;
    vy = velocityY;
}

float PausePanel::restOffset(float velocityX) const {
    PausePanel p = *this;
    p.place(0, 0);
    p.kick(velocityX, 0);
    p.paused = 1;
    for (int i = 0; i < 1000 && (p.vx != 0 || p.alpha < p.fullAlpha); ++i) p.update();
    return p.x;
}

void PausePanel::toggle() {
    if (paused) {
        paused = 0;
        playSound(SoundPanelBack);
    } else if (alpha <= 0) {
        // A pause is granted only once the panel has closed completely.
        paused = 1;
        playSound(SoundPanelWake);
    }
}

void PausePanel::update() {
    x += vx;
    y += vy;
    vx = slowTowardZero(vx, friction);
    vy = slowTowardZero(vy, friction);
    if (paused) {
        if (alpha < fullAlpha) alpha += step;
        if (width < fullWidth) width += 2 * step;
        if (height < fullHeight) height += step / 2;
        if (width > fullWidth) width = fullWidth;
        if (height > fullHeight) height = fullHeight;
        if (step < maxStep) step += 1.75f;
        friction = alpha >= fullAlpha ? OpenFriction : ClosedFriction;
    } else {
        friction = ClosedFriction;
        if (alpha > 0) alpha -= step;
        if (width > 0) width -= step / 2;
        if (height > 0) height -= step;
        if (step < maxStep) step += 6.75f;
        if (alpha <= 0) {
            alpha = 0;
            step = FirstStep;
            x = homeX;
            y = homeY;
            vx = vy = 0;
            width = height = 0;
        }
    }
}

} // namespace tessaron
