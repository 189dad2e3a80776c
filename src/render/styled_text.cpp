#include "render/styled_text.h"

#include <cstdarg>

#include "gfx/blend.h"
#include "gfx/ttf.h"

namespace tessaron {
namespace {

constexpr int TextBufferSize = 512;

void drawFormatted(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor, TextAlign align,
                   const char* format, va_list args) {
    if (!target || !font || !format) return;
    char text[TextBufferSize];
    uvszprintf(text, sizeof text, format, args);
    drawTranslucentTextAligned(target, font, x, y, colour, factor, align, text);
}

} // namespace

void drawTranslucentTextAligned(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor,
                                TextAlign align, const char* text) {
    if (!target || !font || !text) return;
    // The scratch bitmap takes the target's depth (the back buffer's, which
    // is the screen's), so the blend always has matching depths.
    const int width = ttf_text_length(font, text) + TextScratchExtraWidth;
    const int height = ttf_text_height(font);
    BITMAP* scratch = create_bitmap_ex(bitmap_color_depth(target), width, height);
    if (!scratch) return;
    clear_to_color(scratch, makecol_depth(bitmap_color_depth(target), 255, 0, 255));
    // In the layer's default background mode (transparent once the shell has
    // started it), drawn literally: a '%' in the text is not a format again.
    ttf_textprintf(scratch, font, 0, 0, colour, "%s", text);
    translucent_blit(scratch, target, alignedLeftEdge(x, width, align), y, factor);
    destroy_bitmap(scratch);
}

#define TESSARON_DRAW_ALIGNED(align)                                           \
    va_list args;                                                              \
    va_start(args, format);                                                    \
    drawFormatted(target, font, x, y, colour, factor, align, format, args);   \
    va_end(args)

void drawTranslucentText(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor, const char* format, ...) {
    TESSARON_DRAW_ALIGNED(TextAlign::Left);
}

void drawTranslucentTextCentred(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor,
                                const char* format, ...) {
    TESSARON_DRAW_ALIGNED(TextAlign::Centre);
}

void drawTranslucentTextRight(BITMAP* target, TTF_FONT* font, int x, int y, int colour, int factor,
                              const char* format, ...) {
    TESSARON_DRAW_ALIGNED(TextAlign::Right);
}

#undef TESSARON_DRAW_ALIGNED

} // namespace tessaron
