#include "render/pointer.h"

namespace tessaron {
namespace {
constexpr float FadeRate = 15.5f;
} // namespace

void MousePointer::reset() {
    alpha = 0.0f;
    leftDown = rightDown = 0;
    fadeMode = FadeIn;
}

void MousePointer::setFadeMode(std::int32_t mode) { fadeMode = mode < 0 || mode > 3 ? FadeSteady : mode; }

void MousePointer::tick(int buttons) {
    leftDown = (buttons & 1) ? 1 : 0;
    rightDown = (buttons & 2) ? 1 : 0;
    if (fadeMode == FadeOut && alpha > 0) alpha -= FadeRate;
    if (fadeMode == FadeIn && alpha < 255) alpha += FadeRate;
    if (alpha < 0) alpha = 0;
    if (alpha >= 255) {
        alpha = 255;
        fadeMode = FadeSteady;
    }
}

} // namespace tessaron
