#include "render/messages.h"

#include <cstdarg>
#include <cstdio>

namespace tessaron {

void FloatingMessage::update() {
    ++age;
    x += vx;
    y += vy;
    if (fadingIn) {
        alpha = alpha + fadeInStep <= 255.0f ? alpha + fadeInStep : 255.0f;
        if (alpha == 255.0f) fadingIn = 0;
    } else if (alpha > 0 && age >= holdTime) {
        alpha = alpha - fadeOutStep < 0 ? 0.0f : alpha - fadeOutStep;
    }
    if (alpha == 0.0f && !fadingIn) finished = 1;
}

FloatingMessage& FloatingMessageList::add(float x, float y, float fadeOutStep, Rgb colour, float vx, float vy,
                                          std::int32_t fontIndex, std::int32_t holdTime, float fadeInStep,
                                          bool fadesIn, const char* format, ...) {
    items.emplace_back();
    FloatingMessage& m = items.back();
    m.x = x;
    m.y = y;
    m.fadeOutStep = fadeOutStep;
    m.colour = colour;
    m.vx = vx;
    m.vy = vy;
    m.fontIndex = fontIndex;
    m.holdTime = holdTime;
    m.fadeInStep = fadeInStep;
    va_list args;
    va_start(args, format);
    std::vsnprintf(m.text, sizeof m.text, format, args);
    va_end(args);
    m.fadingIn = fadesIn ? 1 : 0;
    m.alpha = fadesIn ? 0.0f : 255.0f;
    ++added;
    return m;
}

void FloatingMessageList::update() {
    for (auto it = items.begin(); it != items.end();) {
        if (it->finished) {
            it = items.erase(it);
        } else {
            it->update();
            ++it;
        }
    }
}

void FloatingMessageList::clear() { items.clear(); }

} // namespace tessaron
