// Translucent text: a formatted string is drawn solid into a scratch bitmap
// whose background is the mask colour, and that bitmap is blended onto the
// target with a factor 0..255, so text can fade in and out.  The edges are
// hard (the text is not anti-aliased).
//
// Depends on the text layer (gfx/ttf.h) and the blending primitives
// (gfx/blend.h).  Main thread only.  A null target or font, or a scratch
// bitmap that cannot be made, draws nothing.
#pragma once

#include <allegro.h>

#include <string>

struct TTF_FONT;

namespace tessaron {

// Where x stands on the text: its left edge, its centre or its right edge.
enum class TextAlign { Left, Centre, Right };

// A line of text where a drawing puts it: its font, x where `align` says,
// y its top.  The drawing and the frame composition read the same value.
struct PlacedText {
    TTF_FONT* font = nullptr;
    int x = 0, y = 0;
    TextAlign align = TextAlign::Left;
    std::string text;
};

// Room the scratch bitmap keeps right of the measured text.
constexpr int TextScratchExtraWidth = 3;

// The left edge of a scratch bitmap `width` pixels wide placed at x.
inline int alignedLeftEdge(int x, int width, TextAlign align) {
    return align == TextAlign::Left ? x : align == TextAlign::Centre ? x - width / 2 : x - width;
}

// The drawers' procedure for a text already formatted (drawn literally).
void drawTranslucentTextAligned(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor,
                                TextAlign align, const char* text);

#define TESSARON_PRINTF_LIKE(fmt) __attribute__((format(printf, fmt, fmt + 1)))
// x is the left edge of the text, y its top.
void drawTranslucentText(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor, const char* format, ...)
    TESSARON_PRINTF_LIKE(7);
// x is the centre of the text.
void drawTranslucentTextCentred(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor,
                                const char* format, ...) TESSARON_PRINTF_LIKE(7);
// x is the right edge of the text.
void drawTranslucentTextRight(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor,
                              const char* format, ...) TESSARON_PRINTF_LIKE(7);
#undef TESSARON_PRINTF_LIKE

} // namespace tessaron
