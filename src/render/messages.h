// Floating messages: the logic half of the short texts that fade in, drift,
// hold and fade out ("x%i Combo", "Round 1", ...).  A FloatingMessage keeps
// everything its drawing needs as data (TitleFonts size index, Rgb colour,
// alpha, text); a FloatingMessageList owns its messages in creation order.
// Drawing lives in tessaron_render.  Stepped by the thread of its match (in
// the game the main thread, which also draws it); a text longer than
// 511 characters is cut to fit, nothing else can fail.
#pragma once

#include <cstdint>
#include <list>

#include "board/rgb.h"

namespace tessaron {

struct FloatingMessage {
    static constexpr int TextSize = 512;

    std::int32_t age = 0;
    std::int32_t holdTime = 0;     // age before which the fade-out cannot start
    float x = 0, y = 0;            // x: horizontal centre; y: top of the text
    float vx = 0, vy = 0;
    float alpha = 255.0f;
    Rgb colour{255, 255, 255};
    std::int32_t fontIndex = 0;    // TitleFonts index 0..6 (12 .. 72 pixels)
    float fadeOutStep = 0;
    float fadeInStep = 0;
    std::uint8_t finished = 0;
    std::uint8_t fadingIn = 0;
    char text[TextSize] = {};

    void update();
};

class FloatingMessageList {
public:
    // Creates a message (alpha 0 when it fades in, else 255) with its text
    // formatted from format and the arguments.
    FloatingMessage& add(float x, float y, float fadeOutStep, Rgb colour, float vx, float vy,
                         std::int32_t fontIndex, std::int32_t holdTime, float fadeInStep,
                         bool fadesIn, const char* format, ...)
        __attribute__((format(printf, 12, 13)));
    // Removes finished messages, advances the others, in list order.
    void update();
    void clear();

    std::list<FloatingMessage> items;  // creation order
    std::uint64_t added = 0;           // messages ever added (traces use it)
};

} // namespace tessaron
