// Translucent text with a cache of rendered texts.  It draws exactly what
// drawTranslucentText, drawTranslucentTextCentred and
// drawTranslucentTextRight draw, but keeps the glyph bitmap of the last few
// dozen (font, colour, depth, text) combinations, so that a text shown on
// many frames (a floating message, the panel's lines, the score) is
// rendered by the text layer once and only blended afterwards.  Any change
// of the text layer's fonts (sizes, spacing, a font destroyed or opened, the
// default background) empties the cache before the next text is drawn.
//
// Depends on the translucent text drawers and the blending primitives.
// Main thread only.  A cache bitmap that cannot be made falls back to the
// uncached drawer; nothing else can fail.  clearTextCache frees the cache;
// call it before the fonts are destroyed and before Allegro stops.
#pragma once

#include <allegro.h>

#include "render/styled_text.h"

struct TTF_FONT;

namespace tessaron {

// The text drawn literally, its left edge, centre or right end at x, its
// top at y, blended with factor (0..255).
void drawTranslucentTextCached(BITMAP* dst, TTF_FONT* font, int x, int y, int colour, int factor, TextAlign align,
                               const char* text);
// Frees every cached text.
void clearTextCache();

} // namespace tessaron
